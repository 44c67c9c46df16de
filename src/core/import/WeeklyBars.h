#pragma once
// Weekly bars built from the daily bars: one weekData row per issue and week, dated the Friday of the
// week, with the week's open, high, low, close and volume, the change from the previous week's
// reference close, and the margin balances of that Friday from shinyo multiplied by their unit.
// A run replaces every weekData row of the span, so a rerun replaces weeks instead of adding: a row it
// gives unchanged is left, a changed one updated, a new one added and one it no longer gives deleted
// (the table ends as if the span had been deleted first, with fewer writes); one transaction. A week that holds a
// confirmed split event is built from its days adjusted to the basis after the event (prices divided and volumes
// multiplied by the ratio of every event after the day within the week), so it reads like the adjusted daily bars;
// weeks without an event are the stored days as they are.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/import/ImportProgress.h"

namespace kestrel::import {

inline constexpr const char* kWeeklyDone = "週データーの作成終了しました。";

// Rebuilds the weekly bars of every issue in Mei from start (a Monday) to end (a Friday). A new week
// begins when the weekday number falls or a whole week or more lies between two daily rows. Progress
// is the percentage of issues done. On error nothing of the run is kept.
Status BuildWeeklyBars(db::Database& db, Date start, Date end, const ImportProgress& progress = {});
// The same for a run that fills the history newest week first, start..end being older than the weeks
// built before it: the result equals one build from start over the span and every later week. So an
// issue's last week in the span is also written when the issue has daily rows after end; its later
// weeks without trading, up to its first week with trading, take the reference close carried out of
// the span (and that week its change against it); an issue that traded in the span and in no later
// week has its later weeks written again, the last one included. Rows after the first later week with
// trading are not read.
Status BuildWeeklyBarsBefore(db::Database& db, Date start, Date end);
// The same for one issue only (whether or not it is in Mei); the other issues' weeks stay.
Status buildIssueWeeklyBars(db::Database& db, std::int32_t code, Date start, Date end);

} // namespace kestrel::import
