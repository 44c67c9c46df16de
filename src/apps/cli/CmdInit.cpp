// kestrel init: the start-up steps without windows.
#include "Command.h"
#include "core/startup/Startup.h"
#include "platform/UserRegistry.h"

#include <ostream>

namespace kestrel::cli {
namespace {

int runInit(Invocation& inv) {
    if (!inv.args.empty())
        return inv.usage();
    auto report = runStartup(inv.context.paths, inv.context.settings, inv.prompt, [](const std::string& folder) {
        platform::writeProgramPath(QString::fromStdString(folder));
    });
    if (!report)
        return inv.fail(report);
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
