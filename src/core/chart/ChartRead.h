#pragma once
// The steps of a chart load that a reader of many issues shares with LoadChartData: one stored bar row
// into a ChartBar, and the split adjustment and indicators of bars already read.
#include "core/chart/BarSeries.h"
#include "core/chart/ChartData.h"
#include "core/db/SplitTable.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kestrel::chart {

// The units from Mei (0 when missing or not numeric).
struct BarUnits {
    std::int32_t volume = 0, price = 0;
};

// A numeric column through NullToValue: 0 when Null or not numeric.
std::int32_t unitValue(const db::Statement& st, int col);

// Reads the columns 日付, 始値, 高値, 安値, 終値, 前日比, 出来高 (and for weekly bars 売残, 買残) starting at
// column `first` into bar: prices times the price unit, the volume times its unit to the nearest whole.
// closeCarried is left to the caller. An error for an empty price or a value beyond its field.
Status readBarRow(const db::Statement& st, int first, BarUnits units, bool weekly, ChartBar& bar);
// The same into a SeriesBar.
Status readBarRow(const db::Statement& st, int first, BarUnits units, bool weekly, SeriesBar& bar);

// Given data.bars[0 .. barCount-1] read as stored with closeCarried set, applies the confirmed
// split events as the chart does (weekly bars of an event week put together from their days) and
// computes every series. `events` are the confirmed events, oldest first.
Status finishChart(db::Database& db, std::int32_t code, bool weekly, bool splitAdjust, BarUnits units,
                   const std::vector<db::SplitEvent>& events, const IndicatorSettings& settings, ChartData& data);

// finishChart without the series: the split adjustment alone.
Status adjustChart(db::Database& db, std::int32_t code, bool weekly, bool splitAdjust, BarUnits units,
                   const std::vector<db::SplitEvent>& events, ChartData& data);

// The split adjustment of adjustChart over any run of bars read as stored with closeCarried set (ChartBar
// or SeriesBar, oldest first); flags, when not empty, takes the bars' split marks.
template <class Bar>
Status adjustBars(db::Database& db, std::int32_t code, bool weekly, bool splitAdjust, BarUnits units,
                  const std::vector<db::SplitEvent>& events, std::span<Bar> bars, std::span<std::uint8_t> flags);

} // namespace kestrel::chart
