#include "ui/app/FileDialog.h"

#include "ui/app/ScriptedQueue.h"

#include <QFileDialog>

namespace kestrel::ui {
namespace {
ScriptedQueue<QString>& queued() {
    static ScriptedQueue<QString> q;
    return q;
}
QString& lastStartDir() {
    static QString dir;
    return dir;
}
bool takeQueued(const QString& dir, QString& out) {
    lastStartDir() = dir;
    return queued().take(out);
}
} // namespace

void FileDialog::setNextFileName(const QString& name) {
    queued().push(name);
}

QString FileDialog::lastStart() {
    return lastStartDir();
}

QString FileDialog::getOpenFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter) {
    QString r;
    if (takeQueued(dir, r))
        return r;
    return QFileDialog::getOpenFileName(parent, title, dir, filter);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter) {
    QString r;
    if (takeQueued(dir, r))
        return r;
    // The callers ask their own overwrite question.
    return QFileDialog::getSaveFileName(parent, title, dir, filter, nullptr, QFileDialog::DontConfirmOverwrite);
}

QString FileDialog::getExistingDirectory(QWidget* parent, const QString& title, const QString& dir) {
    QString r;
    if (takeQueued(dir, r))
        return r;
    return QFileDialog::getExistingDirectory(parent, title, dir);
}

QString BrowseFolder(QWidget* owner, const QString& defaultPath, const QString& title) {
    QString chosen = FileDialog::getExistingDirectory(owner, title, defaultPath);
    return chosen.isEmpty() ? defaultPath : chosen;
}

} // namespace kestrel::ui
