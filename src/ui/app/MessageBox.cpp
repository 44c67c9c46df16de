#include "ui/app/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QScreen>

namespace kestrel::ui {
namespace {
bool g_scripted = false;
bool g_topLeft = false;
QString& defaultTitle() {
    static QString t = QStringLiteral("株価ケストレル");
    return t;
}
} // namespace

std::deque<bool>& MessageBox::answers() {
    static std::deque<bool> a;
    return a;
}

std::deque<bool>& MessageBox::checks() {
    static std::deque<bool> c;
    return c;
}

void MessageBox::setNextCheck(bool checked) {
    checks().push_back(checked);
}

bool MessageBox::question(QWidget* parent, const QString& text, const QString& checkText, bool& checked) {
    const QString title = QStringLiteral("確認");
    if (!checks().empty()) {
        checked = checks().front();
        checks().pop_front();
    }
    if (!answers().empty() || g_scripted)
        return question(parent, text, title);
    log() << QStringLiteral("?") + title + QStringLiteral("|") + text;
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    auto* check = new QCheckBox(checkText, &box);
    check->setObjectName(QStringLiteral("ChkBunkatuChosei"));
    check->setChecked(checked);
    box.setCheckBox(check);
    const bool yes = box.exec() == QMessageBox::Yes;
    checked = check->isChecked();
    return yes;
}

QStringList& MessageBox::log() {
    static QStringList l;
    return l;
}

void MessageBox::setNextAnswer(bool yes) {
    answers().push_back(yes);
}
void MessageBox::setScripted(bool scripted) {
    g_scripted = scripted;
}
bool MessageBox::scripted() {
    return g_scripted;
}
void MessageBox::clearLog() {
    log().clear();
}
void MessageBox::setDefaultTitle(const QString& title) {
    defaultTitle() = title;
}
void MessageBox::setTopLeft(bool topLeft) {
    g_topLeft = topLeft;
}

bool MessageBox::question(QWidget* parent, const QString& text, const QString& title) {
    log() << QStringLiteral("?") + title + QStringLiteral("|") + text;
    if (!answers().empty()) {
        bool a = answers().front();
        answers().pop_front();
        return a;
    }
    if (g_scripted)
        return false;
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    if (g_topLeft) {
        if (QScreen* s = QApplication::primaryScreen())
            box.move(s->availableGeometry().topLeft());
    }
    return box.exec() == QMessageBox::Yes;
}

void MessageBox::information(QWidget* parent, const QString& text, const QString& title) {
    QString t = title.isEmpty() ? defaultTitle() : title;
    log() << QStringLiteral("!") + t + QStringLiteral("|") + text;
    if (g_scripted || !answers().empty())
        return;
    QMessageBox box(QMessageBox::NoIcon, t, text, QMessageBox::Ok, parent);
    if (g_topLeft) {
        if (QScreen* s = QApplication::primaryScreen())
            box.move(s->availableGeometry().topLeft());
    }
    box.exec();
}

bool WidgetPrompt::askYesNo(const std::string& text, const std::string& title) {
    return MessageBox::question(m_parent, QString::fromStdString(text), QString::fromStdString(title));
}

void WidgetPrompt::notify(const std::string& text, const std::string& title) {
    MessageBox::information(m_parent, QString::fromStdString(text), QString::fromStdString(title));
}

} // namespace kestrel::ui
