#pragma once
// Recomputation of the change columns of daily or weekly bars from a date onward, for every issue in
// Mei, after prices were edited or deleted. For each issue the first bar on or after the start keeps
// its 前日比 and gives the reference close; each later bar with a close gets close minus the reference
// (0 when there is no reference) and becomes the reference; a bar without a close gets 前日比 0 and
// carries the reference in 基準前日比. As on import, a daily bar more than 60 days after the bar before
// it starts again (前日比 0, its close the reference). The whole run is one transaction.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/BarTable.h"
#include "core/db/Database.h"
#include "core/import/ImportProgress.h"

namespace kestrel::import {

inline constexpr const char* kRecomputeAsk = "前日差再計算を開始します。";
inline constexpr const char* kRecomputeDone = "前日差再計算終了しました。";

using db::BarTable;

// Rewrites 前日比 and 基準前日比 of dayData (Daily) or weekData (Weekly) from start on; rows whose
// values do not change are not written. Progress is the percentage of issues done.
Status recomputeChanges(db::Database& db, BarTable table, Date start, const ImportProgress& progress = {});

} // namespace kestrel::import
