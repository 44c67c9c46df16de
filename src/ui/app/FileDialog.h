#pragma once
// File and folder dialogs behind a seam: tests queue the next chosen name ("" = cancelled) instead of
// a real modal dialog.
#include <QString>
#include <QWidget>

namespace kestrel::ui {

class FileDialog {
public:
    static void setNextFileName(const QString& name);
    // The dir (folder or proposed path) the last dialog was opened with, for tests.
    static QString lastStart();
    static QString getOpenFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter);
    static QString getSaveFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter);
    static QString getExistingDirectory(QWidget* parent, const QString& title, const QString& dir);
};

// BrowseFolder: the folder chosen in the folder browser titled title, or defaultPath when cancelled.
QString BrowseFolder(QWidget* owner, const QString& defaultPath, const QString& title);

} // namespace kestrel::ui
