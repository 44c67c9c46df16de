// kestrel split: lists, enters, removes, confirms and dismisses the split events of issues.
#include "Command.h"
#include "core/chart/SplitDetect.h"
#include "core/db/SplitTable.h"
#include "core/import/SplitWeekly.h"
#include "core/import/WeeklyBars.h"

#include <ostream>

namespace kestrel::cli {
namespace {

std::optional<std::int32_t> codeArg(const std::string& s) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<std::int32_t>(std::stol(s));
}

int runSplit(Invocation& inv) {
    if (inv.args.empty())
        return inv.usage();
    const std::string sub = inv.args[0];
    std::optional<std::int32_t> code;
    if (inv.args.size() >= 2) {
        code = codeArg(inv.args[1]);
        if (!code)
            return inv.usage();
    }
    if (sub == "list" && inv.args.size() <= 2) {
        auto db = inv.openDatabase(db::OpenMode::ReadOnly);
        if (!db)
            return 1;
        auto events = db::listSplits(*db, code.value_or(0), false);
        if (!events)
            return inv.fail(events.message());
        for (const auto& e : *events)
            inv.out << e.code << "\t" << e.date.toIso() << "\t" << db::splitRatioText(e) << "\t"
                    << db::splitSourceName(e.source) << "\t" << db::splitStateName(e.state) << "\n";
        return 0;
    }
    if (sub == "detect" && inv.args.size() <= 2) {
        auto db = inv.openDatabase();
        if (!db)
            return 1;
        auto found = chart::detectSplits(*db, code.value_or(0));
        if (!found)
            return inv.fail(found.message());
        for (const auto& e : *found)
            inv.out << e.code << "\t" << e.date.toIso() << "\t" << db::splitRatioText(e) << "\t"
                    << db::splitSourceName(e.source) << "\t" << db::splitStateName(e.state) << "\n";
        inv.out << "提案 " << found->size() << " 件\n";
        return 0;
    }
    if ((sub == "add" && inv.args.size() == 4) ||
        ((sub == "remove" || sub == "confirm" || sub == "dismiss") && inv.args.size() == 3)) {
        auto date = inv.parseDate(inv.args[2]);
        if (!date)
            return 2;
        auto db = inv.openDatabase();
        if (!db)
            return 1;
        Status st;
        if (sub == "add") {
            std::int32_t before = 1, after = 1;
            st = db::parseSplitRatio(inv.args[3], before, after);
            if (st)
                st = db::addSplit(*db, *code, *date, before, after);
        } else if (sub == "remove") {
            st = db::removeSplit(*db, *code, *date);
        } else {
            st = db::setSplitState(*db, *code, *date,
                                   sub == "confirm" ? db::SplitState::Confirmed : db::SplitState::Dismissed);
        }
        if (!st)
            return inv.fail(st.message());
        // The week of the event is built from adjusted days: its weekly bars are out of date now.
        auto rebuilt = import::offerSplitWeeklyRebuild(*db, *code, *date, inv.prompt);
        if (!rebuilt)
            return inv.fail(rebuilt);
        if (*rebuilt)
            inv.out << import::kWeeklyDone << "\n";
        return 0;
    }
    return inv.usage();
}

const CommandRegistrar
    kSplit({"split",
            "list [CODE] | detect [CODE] | add CODE DATE RATIO | remove CODE DATE | confirm CODE DATE | "
            "dismiss CODE DATE",
            "list, detect (proposals), enter (RATIO: shares after per share before, e.g. 2, 0.1, 1:2), remove, "
            "confirm or dismiss split events; bars before a confirmed event are adjusted",
            runSplit, true});

} // namespace
} // namespace kestrel::cli
