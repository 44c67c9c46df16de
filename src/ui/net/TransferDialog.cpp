#include "ui/net/TransferDialog.h"

#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QTimer>

namespace kestrel::ui {

TransferDialog::TransferDialog(AppContext& context, QString& handOverText, QWidget* parent)
    : QDialog(parent), Inet(new platform::HttpTransfer(this)), m_context(context), m_handOverText(handOverText) {
    setAutoFillBackground(true);
    Inet->cancel();
    cSetWindow::TopMost(this, true);
}

net::Fetcher TransferDialog::fetcher() {
    return [this](const std::string& url) { return Inet->OpenURL(QString::fromStdString(url)); };
}

void TransferDialog::cmdCloseClick() {
    if (m_closed)
        return;
    if (!inetFlgs) {
        closeWindow();
        return;
    }
    WidgetPrompt prompt(this);
    if (!prompt.askYesNo("この操作を行うとコンピュータの再起動が必要となります よろしいですか？"))
        return;
    prompt.notify("必ずコンピュータを再起動してください。");
    m_handOverText.clear();
    Inet->cancel();
    closeWindow();
}

void TransferDialog::reject() {
    cmdCloseClick();
}

void TransferDialog::closeEvent(QCloseEvent* event) {
    if (m_closed) {
        event->accept();
        return;
    }
    event->ignore();
    cmdCloseClick();
}

void TransferDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    QTimer::singleShot(0, this, [this] { activate(); });
}

void TransferDialog::closeWindow() {
    if (m_closed)
        return;
    m_closed = true;
    unload();
    QDialog::done(QDialog::Rejected);
}

void TransferDialog::unload() {
    Inet->cancel();
    if (!inetFlgs)
        m_handOverText.clear();
}

void TransferDialog::setBackColour(QRgb colour) {
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor::fromRgb(colour));
    setPalette(p);
}

} // namespace kestrel::ui
