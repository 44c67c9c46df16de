// kestrel check: whether Kestrel.mdb (or another database file) is sound, with the rows of each table.
#include "Command.h"
#include "core/db/Recovery.h"

#include <ostream>

namespace kestrel::cli {
namespace {

int runCheck(Invocation& inv) {
    if (inv.args.size() > 1)
        return inv.usage();
    const std::string& home = inv.context.paths.databasePath;
    const std::string path = inv.args.empty() ? home : inv.args[0];
    db::FileCheck check = db::checkDatabaseFile(path, true, true);
    if (check.state != db::FileState::Sound) {
        if (check.replaceable() && path == home)
            return inv.fail(db::recoveryAdvice(home, check, db::lastBackupFile(inv.context.paths.iniPath)));
        return inv.fail(check.message);
    }
    inv.out << path << ": ok\n";
    for (const db::TableRows& t : check.rows)
        inv.out << t.table << '\t' << (t.rows ? std::to_string(*t.rows) : std::string("-")) << '\n';
    return 0;
}

const CommandRegistrar kCheck({"check", "[FILE]",
                               "check Kestrel.mdb (or FILE) page by page and count the rows of each table; "
                               "exit 0 only when it is sound",
                               runCheck, true, false, true});

} // namespace
} // namespace kestrel::cli
