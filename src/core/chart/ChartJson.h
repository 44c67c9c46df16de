#pragma once
// A loaded chart as JSON text: every summary value under its own name and one object per bar with
// the ChartBar field names. Currency values are exact decimal numbers, dates "YYYY-MM-DD".
#include "core/chart/ChartData.h"
#include "core/chart/SeriesLoad.h"

#include <string>
#include <vector>

namespace kestrel::chart {

// With rows, the price list's rows follow under "priceList", so the output stays one JSON document.
std::string chartToJson(const ChartData& data, const std::string& chartDateText,
                        const std::vector<std::string>* rows = nullptr);

// The bars of a span of a series: code, mode ("daily", "weekly", "monthly"), chart date, the number of bars
// and one object per bar of the view with date, open, high, low, close and volume, and "forming": true on
// a month still forming.
std::string seriesToJson(const BarSeries& series, SeriesView view, const std::string& chartDateText);

} // namespace kestrel::chart
