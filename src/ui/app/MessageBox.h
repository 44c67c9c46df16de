#pragma once
// Message boxes behind the Prompt interface. Tests script them: queued answers are taken instead of
// showing a modal box, and every question and notice is recorded in order.
#include "core/app/Prompt.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <deque>

namespace kestrel::ui {

class MessageBox {
public:
    // Questions answer from this queue while it is not empty (true = Yes).
    static void setNextAnswer(bool yes);
    // When set, notices are recorded but not shown and questions without a queued answer get No.
    static void setScripted(bool scripted);
    static bool scripted();
    // Everything shown so far: "?title|text" for questions, "!title|text" for notices.
    static QStringList& log();
    static void clearLog();

    static bool question(QWidget* parent, const QString& text, const QString& title = QStringLiteral("確認"));
    // A question with a check box under the text; `checked` is its state on entry and on return (a
    // scripted answer leaves it as it was, or takes the queued check state when one is queued).
    static bool question(QWidget* parent, const QString& text, const QString& checkText, bool& checked);
    static void setNextCheck(bool checked);
    static void information(QWidget* parent, const QString& text, const QString& title = QString());
    // The title of notices without one: the program's name.
    static void setDefaultTitle(const QString& title);
    // Places boxes at the top-left of the screen (the converter asks this).
    static void setTopLeft(bool topLeft);

private:
    static std::deque<bool>& answers();
    static std::deque<bool>& checks();
};

// The Prompt every screen hands to core procedures.
class WidgetPrompt : public Prompt {
public:
    explicit WidgetPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    bool askYesNo(const std::string& text, const std::string& title = kConfirmTitle) override;
    void notify(const std::string& text, const std::string& title = "") override;

private:
    QWidget* m_parent;
};

} // namespace kestrel::ui
