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
            return inv.lastFailure;
        auto events = db::listSplits(*db, code.value_or(0), false);
        if (!events)
            return inv.fail(events);
        for (const auto& e : *events)
            inv.out << e.code << "\t" << e.date.toIso() << "\t" << db::splitRatioText(e) << "\t"
                    << db::splitSourceName(e.source) << "\t" << db::splitStateName(e.state) << "\n";
        return 0;
    }
    if (sub == "detect" && inv.args.size() <= 2) {
        auto db = inv.openDatabase();
        if (!db)
            return inv.lastFailure;
        auto found = chart::detectSplits(*db, code.value_or(0));
        if (!found)
            return inv.fail(found);
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
            return inv.lastFailure;
        std::int32_t before = 1, after = 1;
        if (sub == "add")
            if (Status st = db::parseSplitRatio(inv.args[3], before, after); !st)
                return inv.fail(st);
        auto db = inv.openDatabase();
        if (!db)
            return inv.lastFailure;
        const import::SplitChange change = sub == "add"       ? import::SplitChange::Add
                                           : sub == "remove"  ? import::SplitChange::Remove
                                           : sub == "confirm" ? import::SplitChange::Confirm
                                                              : import::SplitChange::Dismiss;
        auto outcome = import::changeSplit(*db, change, *code, *date, before, after);
        if (!outcome)
            return inv.fail(outcome);
        if (!outcome->changed)
            inv.out << outcome->notice << "\n";
        if (outcome->weeksRebuilt)
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
            "confirm or dismiss split events; bars before a confirmed event are adjusted, and each change "
            "rebuilds the weekly bars it touches in the same step",
            runSplit, true});

} // namespace
} // namespace kestrel::cli
