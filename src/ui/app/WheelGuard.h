#pragma once
// A mouse wheel turned over a page scrolls the page: a combo box or spin box that does not have the
// keyboard focus leaves the wheel to the page around it, so a value never changes under a passing
// wheel (and is then saved unseen). A click or Tab gives the box focus; then the wheel turns its value.
#include <QObject>

class QCoreApplication;

namespace kestrel::ui {

class WheelGuard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Guards every combo box and spin box of the program (idempotent).
void installWheelGuard(QCoreApplication& app);

} // namespace kestrel::ui
