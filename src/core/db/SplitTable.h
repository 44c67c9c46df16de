#pragma once
// The rows of Bunkatu, the split events of an issue. A row says that from its date on (the first
// trading day at the new price) one share held before is after/before shares: a 1:2 split is
// before 1, after 2; a 10:1 reverse split is before 10, after 1. A rights-issue adjustment is its own
// kind whose before/after hold the exchange's factor exactly (0.9747 as 9747:10000, prices before the
// date times 0.9747), so a reader applies it as it applies a split. The stored bars stay as traded; a
// reader adjusts them with the confirmed events.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::db {

enum class SplitSource : std::int16_t { Entered = 1, Detected = 2, Exchange = 3 };
enum class SplitState : std::int16_t { Proposed = 0, Confirmed = 1, Dismissed = 2 };
enum class SplitKind : std::int16_t { Split = 0, RightsIssue = 1 };

struct SplitEvent {
    std::int32_t code = 0;
    Date date;
    std::int32_t before = 1;
    std::int32_t after = 1;
    SplitSource source = SplitSource::Entered;
    SplitState state = SplitState::Proposed;
    SplitKind kind = SplitKind::Split;
};

// Records a proposed event unless the issue already has a row on that day: an event the user confirmed
// or dismissed is never replaced, so the same proposal is not made twice. A proposal from the exchange
// replaces the ratio and kind of a proposal still awaiting the user's answer when they differ (the
// exchange recalculated its factor). Returns whether a row was added or changed.
Result<bool> proposeSplit(Database& db, const SplitEvent& event);

} // namespace kestrel::db

namespace kestrel::db {

// The events of one issue (code > 0) or of every issue (code 0), ordered by code and date; only the
// confirmed ones when confirmedOnly. A file without Bunkatu (an older version opened read-only) has none.
Result<std::vector<SplitEvent>> listSplits(Database& db, std::int32_t code, bool confirmedOnly);

// Reads "2", "0.1", "1.5" (shares after per share before) or "1:2" (before:after) into before/after,
// reduced. An error (invalid input) with a Japanese message for 0, a negative, 1 (no split at all), or a
// ratio above 1000 or below 0.001.
Status parseSplitRatio(const std::string& text, std::int32_t& before, std::int32_t& after);

// What a change did: changed, or nothing because it was already in place (notice says so).
struct SplitWrite {
    bool changed = true;
    std::string notice;
};

// Enters a confirmed event; a proposal or dismissed row on that day is replaced. The same confirmed
// event already there is in place. Refused (invalid input) when the day has no daily bar of the issue,
// lies before its first bar, holds a confirmed event of another ratio, or the ratio is 1; refused (out of
// range) when the issue's cumulative ratio would no longer be exact (withinSplitBound).
Result<SplitWrite> addSplit(Database& db, std::int32_t code, Date date, std::int32_t before, std::int32_t after);
// Removes the event of that day; none there is in place (a removal already done).
Result<SplitWrite> removeSplit(Database& db, std::int32_t code, Date date);
// Confirms or dismisses the event of that day; in place when it already has that state, not found when
// there is none. Confirming is refused (out of range) like an entry beyond the bound.
Result<SplitWrite> setSplitState(Database& db, std::int32_t code, Date date, SplitState state);

// The names lists show: "入力", "検出", "取引所" and "提案", "確定", "却下".
const char* splitSourceName(SplitSource source);
const char* splitStateName(SplitState state);
// The ratio as lists show it: "1:2" for a split, "株主割当 係数 0.9747" for a rights issue.
std::string splitRatioText(const SplitEvent& event);

} // namespace kestrel::db
