#include "ui/app/InputDialog.h"

#include "ui/app/ScriptedQueue.h"

#include <QInputDialog>

namespace kestrel::ui {
namespace {
ScriptedQueue<QString>& queued() {
    static ScriptedQueue<QString> q;
    return q;
}
QString& lastLabelText() {
    static QString label;
    return label;
}
QStringList& lastItemList() {
    static QStringList items;
    return items;
}
bool takeQueued(QString& out) {
    return queued().take(out);
}
} // namespace

void InputDialog::setNextText(const QString& text) {
    queued().push(text);
}

QString InputDialog::lastLabel() {
    return lastLabelText();
}

QStringList InputDialog::lastItems() {
    return lastItemList();
}

QString InputDialog::getText(QWidget* parent, const QString& title, const QString& label, const QString& text,
                             bool* ok) {
    lastLabelText() = label;
    lastItemList().clear();
    QString r;
    if (takeQueued(r)) {
        *ok = !r.isNull();
        return r;
    }
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, ok);
}

QString InputDialog::getItem(QWidget* parent, const QString& title, const QString& label, const QStringList& items,
                             bool* ok) {
    lastLabelText() = label;
    lastItemList() = items;
    QString r;
    if (takeQueued(r)) {
        *ok = !r.isNull() && items.contains(r);
        return *ok ? r : QString();
    }
    return QInputDialog::getItem(parent, title, label, items, 0, false, ok);
}

} // namespace kestrel::ui
