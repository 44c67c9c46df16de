#pragma once
// The hourglass of a database action: shown from the start of the action to its end, and put aside
// while a question or a notice is on the screen.
#include "ui/app/MessageBox.h"

#include <QApplication>

namespace kestrel::ui {

class BusyPrompt : public Prompt {
public:
    explicit BusyPrompt(QWidget* parent) : m_inner(parent) { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPrompt() override { QApplication::restoreOverrideCursor(); }
    BusyPrompt(const BusyPrompt&) = delete;
    BusyPrompt& operator=(const BusyPrompt&) = delete;

    bool askYesNo(const std::string& text, const std::string& title = kConfirmTitle) override {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        bool yes = m_inner.askYesNo(text, title);
        QApplication::restoreOverrideCursor();
        return yes;
    }
    void notify(const std::string& text, const std::string& title = "") override {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        m_inner.notify(text, title);
        QApplication::restoreOverrideCursor();
    }

private:
    WidgetPrompt m_inner;
};

} // namespace kestrel::ui
