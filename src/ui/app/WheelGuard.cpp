#include "ui/app/WheelGuard.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>

namespace kestrel::ui {

namespace {

bool isValueBox(QObject* o) {
    return qobject_cast<QComboBox*>(o) || qobject_cast<QAbstractSpinBox*>(o);
}

} // namespace

bool WheelGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Polish && isValueBox(watched)) {
        // A wheel no longer gives the box focus (Qt's default for both), only a click or Tab.
        auto* box = static_cast<QWidget*>(watched);
        if (box->focusPolicy() == Qt::WheelFocus)
            box->setFocusPolicy(Qt::StrongFocus);
    } else if (event->type() == QEvent::Wheel && isValueBox(watched) && !static_cast<QWidget*>(watched)->hasFocus()) {
        // Ignored and not delivered: Qt hands the wheel on to the parent (the page scrolls).
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void installWheelGuard(QCoreApplication& app) {
    if (app.findChild<WheelGuard*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    app.installEventFilter(new WheelGuard(&app));
}

} // namespace kestrel::ui
