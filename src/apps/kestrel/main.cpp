// KabukaKestrel: the chart program.
#include "apps/kestrel/KestrelStart.h"
#include "platform/ProcessMemory.h"
#include "platform/ProgramFolder.h"
#include "platform/QtTranslation.h"
#include "ui/app/DisplayCheck.h"
#include "ui/app/MessageBox.h"
#include "ui/app/WheelGuard.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    kestrel::platform::keepFreedMemory();
    if (!kestrel::ui::haveDisplayOrExplain("KabukaKestrel"))
        return 2;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KabukaKestrel"));
    QApplication::setOrganizationName(QStringLiteral("KestrelApp"));
    kestrel::platform::installQtTranslation(app); // without it Qt's texts stay English
    kestrel::ui::installWheelGuard(app);
    auto home =
        kestrel::platform::chooseProgramFolder(QApplication::arguments().mid(1), QApplication::applicationDirPath());
    if (!home.error.isEmpty()) {
        std::fprintf(stderr, "KabukaKestrel: %s\n", qPrintable(home.error));
        if (home.perUser)
            kestrel::ui::MessageBox::information(nullptr, home.error);
        return 2;
    }
    kestrel::ui::KestrelStart start;
    if (!start.start(home.folder))
        return 1;
    return QApplication::exec();
}
