#include "ui/app/InputDialog.h"

#include <QInputDialog>
#include <deque>

namespace kestrel::ui {
namespace {
std::deque<QString>& queued() {
    static std::deque<QString> q;
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
    if (queued().empty())
        return false;
    out = queued().front();
    queued().pop_front();
    return true;
}
} // namespace

void InputDialog::setNextText(const QString& text) {
    queued().push_back(text);
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
