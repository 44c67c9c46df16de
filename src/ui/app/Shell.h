#pragma once
// The desktop shell: open a page or document with its default handler, keep a window on top.
#include <QString>
#include <QStringList>
#include <QWidget>

namespace kestrel::ui {

class cShellFile {
public:
    // Asks the desktop to open path or address; nothing for an empty text. Returns whether the desktop
    // accepted it. Tests record the requests instead (see recorded()).
    static bool ShellFile(const QString& pathOrAddress);
    static void setRecording(bool on);
    static QStringList& recorded();
};

// Opens "http://" + address in the browser.
void OpenWebPage(const QString& address);

class cSetWindow {
public:
    static void TopMost(QWidget* form, bool on);
};

} // namespace kestrel::ui
