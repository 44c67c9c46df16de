// kestrel init: the start-up steps without windows.
#include "Command.h"
#include "core/app/Files.h"
#include "core/startup/Startup.h"
#include "platform/UserRegistry.h"

#include <filesystem>
#include <ostream>

namespace kestrel::cli {
namespace {

int runInit(Invocation& inv) {
    if (!inv.args.empty())
        return inv.usage();
    // A program folder that does not exist yet is made, with its parents.
    const std::string& folder = inv.context.paths.programFolder;
    bool madeFolder = false;
    if (!folder.empty() && !dirExists(folder)) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            return inv.fail("フォルダ " + folder + " を作成できません。(" + ec.message() + ")");
        madeFolder = true;
    }
    auto report = runStartup(inv.context.paths, inv.context.settings, inv.prompt, [](const std::string& folder) {
        platform::writeProgramPath(QString::fromStdString(folder));
    });
    if (!report)
        return inv.fail(report);
    if (madeFolder)
        inv.out << "created " << folder << "\n";
    for (const std::string& item : report->created)
        inv.out << "created " << item << "\n";
    if (report->created.empty())
        inv.out << "nothing to create in " << inv.context.paths.programFolder << "\n";
    inv.out << "version " << programVersion() << " recorded in " << inv.context.paths.iniPath << "\n";
    return 0;
}

// init runs start-up itself, with the per-user value, so main() does not run it first.
const CommandRegistrar kInit({"init", "",
                              "create the folders, Kestrel.mdb and Kestrel.ini when missing; record the program folder",
                              runInit, false});

} // namespace
} // namespace kestrel::cli
