#pragma once
// A change of split events, whole: the week that holds an event is built from adjusted days, so
// entering, removing, confirming or dismissing an event changes the weekly bars from that week
// on. The change and the rebuild of those weeks are one transaction: a process ended in between leaves
// the old event and the old weeks, never a new event over stale weeks.
//
// Tests may set KESTREL_TEST_SPLIT_ABORT=event-written (after the event is written) or weeks-rebuilt
// (after the weeks, before the commit) to end the process abruptly at that step.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/db/SplitTable.h"

#include <cstdint>
#include <string>

namespace kestrel::import {

enum class SplitChange { Add, Remove, Confirm, Dismiss };

struct SplitChangeOutcome {
    bool changed = false;      // false: the change was already in place (notice says so)
    std::string notice;        // what to tell when nothing changed
    bool weeksRebuilt = false; // the issue had weekly bars from the event's week on, and they were rebuilt
};

// Applies one change to the event of `code` on `date` (before/after: the ratio of an entry) and, when the
// issue has weekly bars from the Monday of that week on, rebuilds them up to the Friday of its latest
// daily bar, in one transaction. A change already in place still rebuilds those weeks, so a rerun puts
// right weeks left over from elsewhere. The refusals are those of addSplit, removeSplit and setSplitState.
Result<SplitChangeOutcome> changeSplit(db::Database& db, SplitChange change, std::int32_t code, Date date,
                                       std::int32_t before = 1, std::int32_t after = 1);

} // namespace kestrel::import
