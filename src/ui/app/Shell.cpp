#include "ui/app/Shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace kestrel::ui {
namespace {
bool g_recording = false;
}

void cShellFile::setRecording(bool on) {
    g_recording = on;
}

QStringList& cShellFile::recorded() {
    static QStringList r;
    return r;
}

bool cShellFile::ShellFile(const QString& pathOrAddress) {
    if (pathOrAddress.isEmpty())
        return false;
    if (g_recording) {
        recorded() << pathOrAddress;
        return true;
    }
    QUrl url = pathOrAddress.contains(QStringLiteral("://"))
                   ? QUrl(pathOrAddress)
                   : QUrl::fromLocalFile(QFileInfo(pathOrAddress).absoluteFilePath());
    return QDesktopServices::openUrl(url);
}

void OpenWebPage(const QString& address) {
    cShellFile::ShellFile(QStringLiteral("http://") + address);
    QCoreApplication::processEvents();
}

void cSetWindow::TopMost(QWidget* form, bool on) {
    if (!form)
        return;
    bool visible = form->isVisible();
    form->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible)
        form->show();
}

} // namespace kestrel::ui
