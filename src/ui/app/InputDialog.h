#pragma once
// Text and choice dialogs behind a seam: tests queue the next answer instead of a real modal dialog.
#include <QString>
#include <QStringList>
#include <QWidget>

namespace kestrel::ui {

class InputDialog {
public:
    // The next dialog's answer: the text typed or the item chosen; a null QString() is cancelled.
    static void setNextText(const QString& text);
    // The label the last dialog asked with and the items it offered, for tests.
    static QString lastLabel();
    static QStringList lastItems();
    // A line of text; `ok` false when cancelled.
    static QString getText(QWidget* parent, const QString& title, const QString& label, const QString& text, bool* ok);
    // One of `items` (not editable); `ok` false when cancelled or when a queued answer is none of them.
    static QString getItem(QWidget* parent, const QString& title, const QString& label, const QStringList& items,
                           bool* ok);
};

} // namespace kestrel::ui
