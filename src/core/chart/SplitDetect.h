#pragma once
// Split detection: where the open after a close jumps by a standard ratio (1.5, 2, 3, 4, 5, 10 or an
// inverse) beyond what one day's trading allows, and the market index shows no matching move that day,
// the jump is proposed as a split event (source Detected, state Proposed). An event the user confirmed or
// dismissed is never proposed again. Nothing is applied: the user confirms or dismisses each proposal.
#include "core/db/SplitTable.h"

#include <vector>

namespace kestrel::chart {

// The limit-move band of a day in yen for a reference price in yen (the exchange's daily price limit).
std::int64_t limitMoveBand(std::int64_t price);

// Proposes the events found in the daily bars of one issue (code > 0) or of every issue (code 0, the
// indices 1001 and 1002 excepted), one transaction per issue. Returns the proposals added, ordered by
// code and date; an error for a database failure (the issues done so far keep their proposals).
Result<std::vector<db::SplitEvent>> detectSplits(db::Database& db, std::int32_t code);

} // namespace kestrel::chart
