// Plover: the converter that turns downloaded price archives into daily price files.
// With "--batch" it runs one job without windows (no display needed).
#include "core/db/FolderLock.h"
#include "platform/ProgramFolder.h"
#include "platform/QtTranslation.h"
#include "platform/SingleInstance.h"
#include "services/converter/PloverBatch.h"
#include "ui/app/DisplayCheck.h"
#include "ui/app/MessageBox.h"
#include "ui/app/WheelGuard.h"
#include "ui/converter/frmPlover.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace {

bool hasBatchFlag(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--batch") == 0)
            return true;
    return false;
}

// "--home DIR" names the folder of both programs; otherwise the main program's folder comes from the
// per-user value it writes.
bool homeGiven(const QStringList& args) {
    return args.contains(QStringLiteral("--home"));
}

} // namespace

int main(int argc, char** argv) {
    kestrel::db::setLockHolderName("Plover");
    if (hasBatchFlag(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Plover"));
        QCoreApplication::setOrganizationName(QStringLiteral("KestrelApp"));
        QStringList args = QCoreApplication::arguments().mid(1);
        auto home = kestrel::platform::chooseProgramFolder(args, QCoreApplication::applicationDirPath());
        if (!home.error.isEmpty()) {
            std::fprintf(stderr, "Plover: %s\n", qPrintable(home.error));
            return 2;
        }
        return kestrel::services::runPloverBatch(home.rest, home.folder, homeGiven(args) ? home.folder : QString());
    }
    if (!kestrel::ui::haveDisplayOrExplain("Plover"))
        return 2;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plover"));
    QApplication::setOrganizationName(QStringLiteral("KestrelApp"));
    kestrel::platform::installQtTranslation(app); // without it Qt's texts stay English
    kestrel::ui::installWheelGuard(app);
    QStringList args = QApplication::arguments().mid(1);
    auto home = kestrel::platform::chooseProgramFolder(args, QApplication::applicationDirPath());
    if (!home.error.isEmpty()) {
        std::fprintf(stderr, "Plover: %s\n", qPrintable(home.error));
        if (home.perUser)
            kestrel::ui::MessageBox::information(nullptr, home.error);
        return 2;
    }
    kestrel::platform::SingleInstance instance(QStringLiteral("Plover"), home.folder);
    if (!instance.tryAcquire())
        return 0;
    kestrel::ui::MessageBox::setTopLeft(true);
    kestrel::ui::MessageBox::setDefaultTitle(QStringLiteral("Plover"));
    auto paths = kestrel::services::converterPaths(home.folder, homeGiven(args) ? home.folder : QString());
    auto settings = kestrel::converter::loadOrCreateConverterSettings(paths.iniPath);
    if (!settings) {
        kestrel::ui::MessageBox::information(nullptr, QString::fromStdString(settings.message()));
        settings = kestrel::converter::defaultConverterSettings();
    }
    QString commandLine = home.rest.isEmpty() ? QString() : home.rest.first();
    kestrel::ui::frmPlover window(paths, *settings, commandLine);
    window.show();
    return QApplication::exec();
}
