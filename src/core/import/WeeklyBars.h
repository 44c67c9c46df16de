#pragma once
// Weekly bars built from the daily bars: one weekData row per issue and week, dated the Friday of the
// week, with the week's open, high, low, close and volume, the change from the previous week's
// reference close, and the margin balances of that Friday from shinyo multiplied by their unit.
// A run first deletes every weekData row of the span, so a rerun replaces weeks instead of adding;
// the whole run is one transaction.
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

} // namespace kestrel::import
