// kestrel export-csv: writes the price CSV of one issue into the data folder, the same file the main
// window's export writes for the shown issue.
#include "Command.h"
#include "core/chart/IssueList.h"
#include "core/chart/PriceCsv.h"
#include "core/db/BarTable.h"

#include <ostream>

namespace kestrel::cli {
namespace {

int runExportCsv(Invocation& inv) {
    const bool weekly = inv.takeFlag("--weekly");
    const bool adjusted = inv.takeFlag("--adjusted");
    if (inv.args.size() != 1)
        return inv.usage();
    const std::string codeText = inv.args[0];
    auto db = inv.openDatabase(db::OpenMode::ReadOnly);
    if (!db)
        return inv.lastFailure;
    auto names = db::loadMarketNames(*db);
    if (!names)
        return inv.fail(names);
    // As in the window: only an issue that can be shown is exported.
    auto issue = chart::lookUpShownIssue(*db, codeText, *names);
    if (!issue)
        return inv.fail(issue);
    if (codeText.size() > 5 || !*issue)
        return inv.fail("銘柄コードを入力して下さい。");
    chart::PriceCsvTitle title{(*issue)->name, codeText, (*issue)->market};
    auto path = chart::exportPriceCsv(*db, inv.context.paths.dataFolder, title,
                                      db::chartModeFor(weekly ? db::BarTable::Weekly : db::BarTable::Daily), adjusted);
    if (!path)
        return inv.fail(path);
    inv.out << chart::priceCsvDoneMessage(codeText) << "\n";
    return 0;
}

const CommandRegistrar kExportCsv({"export-csv", "CODE [--weekly] [--adjusted]",
                                   "write every daily (or weekly) bar of the issue to Data/CODE.Csv with prices "
                                   "and volumes multiplied by its units, as traded or (--adjusted) adjusted for "
                                   "confirmed splits",
                                   runExportCsv, true});

} // namespace
} // namespace kestrel::cli
