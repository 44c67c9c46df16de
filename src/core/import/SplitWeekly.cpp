#include "core/import/SplitWeekly.h"

#include "core/db/LatestDate.h"
#include "core/import/WeeklyBars.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace kestrel::import {
namespace {

// The test hook of the header: an abrupt end at a named step.
void step(const char* name) {
    if (const char* abortAt = std::getenv("KESTREL_TEST_SPLIT_ABORT"); abortAt && std::strcmp(abortAt, name) == 0)
        std::raise(SIGKILL);
}

Result<db::SplitWrite> write(db::Database& db, SplitChange change, std::int32_t code, Date date, std::int32_t before,
                             std::int32_t after) {
    switch (change) {
    case SplitChange::Add:
        return db::addSplit(db, code, date, before, after);
    case SplitChange::Remove:
        return db::removeSplit(db, code, date);
    case SplitChange::Confirm:
        return db::setSplitState(db, code, date, db::SplitState::Confirmed);
    case SplitChange::Dismiss:
        break;
    }
    return db::setSplitState(db, code, date, db::SplitState::Dismissed);
}

// Rebuilds the issue's weeks from the Monday of eventDate's week when it has any there; whether it did.
Result<bool> rebuildWeeks(db::Database& db, std::int32_t code, Date eventDate) {
    const Date monday = PrevMonday(eventDate);
    auto weeks = db.queryInt("SELECT count(*) FROM weekData WHERE コード = ? AND 日付 >= ?", code, monday);
    if (!weeks)
        return weeks.status();
    auto last = db::latestDailyBar(db, code);
    if (!last)
        return last.status();
    if (weeks->value_or(0) == 0 || !*last || !(*last)->date)
        return false;
    if (Status st = buildIssueWeeklyBars(db, code, monday, NextFriday(*(*last)->date)); !st)
        return st;
    return true;
}

} // namespace

Result<SplitChangeOutcome> changeSplit(db::Database& db, SplitChange change, std::int32_t code, Date date,
                                       std::int32_t before, std::int32_t after) {
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    auto written = write(db, change, code, date, before, after);
    if (!written)
        return written.status();
    step("event-written");
    auto rebuilt = rebuildWeeks(db, code, date);
    if (!rebuilt)
        return rebuilt.status();
    step("weeks-rebuilt");
    if (Status st = tx.commit(); !st)
        return st;
    return SplitChangeOutcome{written->changed, written->notice, *rebuilt};
}

} // namespace kestrel::import
