// kestrel: the command-line tool that runs the program's procedures without windows.
#include "Command.h"
#include "core/app/Files.h"
#include "core/db/FileCare.h"
#include "core/db/FolderLock.h"
#include "core/startup/Startup.h"
#include "platform/ProcessMemory.h"
#include "platform/ProgramFolder.h"
#include "platform/UserRegistry.h"

#include <QCoreApplication>
#ifdef KESTREL_WITH_PNG
#include <QGuiApplication>
#endif
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <stdlib.h>

using namespace kestrel;
using namespace kestrel::cli;

namespace {

void printHelp(std::ostream& out) {
    out << "usage: kestrel [--home DIR] [--yes|--no] COMMAND [ARGS]\n\n"
           "Runs the procedures of KabukaKestrel without windows, on the program folder given by --home,\n"
           "the KESTREL_HOME variable, or the folder of this program. Dates are YYYY-MM-DD, YYYY/MM/DD or YY/MM/DD\n"
           "(a four-digit year is kept as given; a two-digit year: 00-49 is 2000-2049, 50-99 is 1950-1999).\n"
           "Questions are answered by --yes or --no (without either, at the terminal, or No).\n"
           "Every command holds the folder's lock (Kestrel.lock) shared; compact, backup, restore and\n"
           "delete all hold it alone. A folder another program holds that way ends the command with exit 6,\n"
           "naming the holder.\n\n"
           "commands:\n";
    std::vector<CommandInfo> sorted = commands();
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return std::string(a.name) < b.name; });
    for (const CommandInfo& c : sorted) {
        std::string line = std::string("  ") + c.name + (c.usage[0] ? std::string(" ") + c.usage : "");
        out << line << "\n      " << c.summary << "\n";
    }
    out << "\n  --help, --version\n\n" << exitCodeHelp();
}

// The toolkit's own notes (a missing XDG_RUNTIME_DIR, font or platform remarks) are not the
// command's output: only its critical and fatal messages reach the error stream.
void toolkitMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << "kestrel: " << text.toStdString() << "\n";
}

} // namespace

int main(int argc, char** argv) {
    platform::keepFreedMemory();
    qInstallMessageHandler(toolkitMessage);
    std::vector<std::string> raw(argv + 1, argv + argc);
    std::optional<bool> answer;
    std::vector<std::string> rest;
    QStringList forHome;
    for (const std::string& a : raw)
        forHome << QString::fromStdString(a);
    auto home = platform::chooseProgramFolder(forHome, QString());
    if (!home.error.isEmpty()) {
        std::cerr << "kestrel: " << home.error.toStdString() << "\n";
        return 2;
    }
    for (const QString& q : home.rest) {
        std::string a = q.toStdString();
        if (a == "--yes" || a == "--no") {
            answer = a == "--yes"; // anywhere on the line
        } else if (rest.empty() && (a == "--help" || a == "-h")) {
            printHelp(std::cout);
            return 0;
        } else if (rest.empty() && a == "--version") {
            std::cout << "kestrel " << programVersion() << "\n";
            return 0;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.empty()) {
        printHelp(std::cerr);
        return 2;
    }
    const CommandInfo* command = nullptr;
    for (const CommandInfo& c : commands())
        if (rest[0] == c.name)
            command = &c;
    if (!command) {
        std::cerr << "kestrel: unknown command \"" << rest[0] << "\" (see kestrel --help)\n";
        return 2;
    }

    std::unique_ptr<QCoreApplication> app;
#ifdef KESTREL_WITH_PNG
    if (command->needsGui) {
        if (!std::getenv("QT_QPA_PLATFORM"))
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
#endif
    if (!app)
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KestrelApp"));

    if (home.folder.isEmpty()) {
        home = platform::chooseProgramFolder(QStringList(), QCoreApplication::applicationDirPath());
        if (!home.error.isEmpty()) {
            std::cerr << "kestrel: " << home.error.toStdString() << "\n";
            return 2;
        }
    }

    AppContext context;
    CliPrompt prompt(std::cout, answer);
    CliPrompt errorPrompt(std::cerr, answer);
    Invocation inv{
        std::vector<std::string>(rest.begin() + 1, rest.end()), context, prompt, std::cout, std::cerr, &errorPrompt};
    inv.usageText = std::string("usage: kestrel ") + command->name + " " + command->usage;
    // Every command holds the folder's lock shared while it runs, so that no compaction, backup or
    // restore replaces the database under it.
    std::optional<db::FolderLock> folderLock;
    if (command->needsHome) {
        context.paths = ProgramPaths::forFolder(home.folder.toStdString());
        db::setLockHolderName("kestrel");
        if (dirExists(context.paths.programFolder)) {
            auto lock = db::FolderLock::take(context.paths.programFolder, db::LockMode::Shared, db::lockWaitMs());
            if (!lock) {
                std::cerr << lock.message() << "\n";
                return exitCodeFor(lock.code());
            }
            folderLock.emplace(std::move(*lock));
        }
        // What the start has to say (a setting that will not convert) is a warning: standard error.
        CliPrompt startPrompt(std::cerr, answer);
        context.paths.shippedFolder =
            platform::installedDataFolder(QCoreApplication::applicationDirPath()).toStdString();
        auto report = runStartup(context.paths, context.settings, startPrompt, nullptr,
                                 command->anyDatabase ? DamagedDatabase::Go : DamagedDatabase::Stop);
        if (!report) {
            std::cerr << report.message() << "\n";
            return exitCodeFor(report.code());
        }
        context.syncSplitAdjust();
    } else {
        context.paths = ProgramPaths::forFolder(home.folder.toStdString());
    }
    const int rc = command->run(inv);
    // A read leaves an empty log and its index behind; they go when no other program has the file open.
    if (command->needsHome && folderLock)
        db::removeIdleSideFiles(context.paths.databasePath);
    // What a command left for deletion (a finished download and its reply) goes now, while the network
    // thread that shares those objects still runs, rather than in the teardown at exit.
    if (app)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return rc;
}
