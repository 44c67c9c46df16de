#include "ui/app/DateBox.h"

#include "core/app/Date.h"
#include "core/settings/Shared.h"

#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <memory>

namespace kestrel::ui {
namespace {

// True when the last key pressed in a date box was Backspace; set again when a date box loses focus.
bool g_backspaceFlag = true;

class SelectAllFilter : public QObject {
public:
    SelectAllFilter(QObject* parent, bool dateBox) : QObject(parent), m_dateBox(dateBox) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (!edit)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
            // After the focus change settles, or the click's own caret placement would undo it.
            QTimer::singleShot(0, edit, [edit] {
                if (!edit->text().isEmpty())
                    edit->selectAll();
            });
            break;
        case QEvent::FocusOut:
            if (m_dateBox)
                g_backspaceFlag = true;
            break;
        case QEvent::KeyPress:
            if (m_dateBox) {
                int key = static_cast<QKeyEvent*>(event)->key();
                g_backspaceFlag = DateKeyDown(key == Qt::Key_Backspace ? 8 : key);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    bool m_dateBox;
};

} // namespace

void installSelectAllText(QLineEdit* edit) {
    edit->installEventFilter(new SelectAllFilter(edit, false));
}

void installDateBox(QLineEdit* edit, DateForm form) {
    edit->installEventFilter(new SelectAllFilter(edit, true));
    // Every form a user may type shows back in the box's form once the box is left or Enter is pressed
    // (this runs before the window's own handlers, which are connected later).
    auto normalise = [edit, form] {
        if (auto d = Date::parseEntry(edit->text().toStdString())) {
            const QString shown = QString::fromStdString(form == DateForm::Long ? d->toSlashed() : d->toYYMMDD());
            if (shown != edit->text()) {
                const bool flag = g_backspaceFlag;
                g_backspaceFlag = true; // no slash added to the text set here
                edit->setText(shown);
                g_backspaceFlag = flag;
            }
        }
    };
    QObject::connect(edit, &QLineEdit::returnPressed, edit, normalise);
    QObject::connect(edit, &QLineEdit::editingFinished, edit, normalise);
    // Whether the user types the slashes of the date being typed (kept with the box).
    auto slashesTyped = std::make_shared<bool>(false);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, slashesTyped](const QString& text) {
        auto change = DateAutoSlash(text.toStdString(), g_backspaceFlag, *slashesTyped);
        if (!change)
            return;
        edit->setText(QString::fromStdString(change->text));
        edit->setCursorPosition(change->caret);
    });
}

} // namespace kestrel::ui
