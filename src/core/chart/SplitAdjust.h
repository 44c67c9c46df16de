#pragma once
// Split adjustment on read: the stored bars stay as traded; a reader divides the prices of every bar
// before a confirmed event by the cumulative ratio (shares after per share before) and multiplies its
// volume by it, rounding halves to even. A positive price that would round to 0 shows as 1 yen.
#include "core/chart/BarSeries.h"
#include "core/chart/ChartData.h"
#include "core/chart/SplitWeeks.h"
#include "core/db/SplitRatio.h"
#include "core/db/SplitTable.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kestrel::chart {

// price * before / after to whole units, halves to even (exact, no floating point).
std::int64_t splitDivide(std::int64_t value, std::int64_t before, std::int64_t after);

// Adjusts data.bars[0 .. barCount-1] (read as traded) with the confirmed events of the issue, oldest
// first. A bar dated d takes every event dated after d; a weekly bar covers its week, so events inside
// it are already in the bar. The change of the first bar at or after an event is taken against the
// adjusted previous close; the carried closes follow the adjusted closes. Marks bars that carry an
// event (kSplitEventBar) or a price raised to 1 yen (kSplitOneYen) in data.splitFlags.
// `weeks` holds, by bar index, weekly bars already put together from adjusted days (weekFromDays): their
// prices and volume are taken as they are; their change is still taken against the adjusted previous close.
struct RebuiltWeek {
    int bar = 0;
    WeekFromDays week;
};
void adjustForSplits(ChartData& data, const std::vector<db::SplitEvent>& events, bool weekly,
                     const std::vector<RebuiltWeek>& weeks = {});

// The same adjustment over any run of bars (ChartBar or SeriesBar), oldest first; flags, when not empty,
// has one entry per bar. Volumes and balances are 64-bit in both.
template <class Bar>
void adjustBarsForSplits(std::span<Bar> bars, std::span<std::uint8_t> flags, const std::vector<db::SplitEvent>& events,
                         bool weekly, const std::vector<RebuiltWeek>& weeks = {});

} // namespace kestrel::chart
