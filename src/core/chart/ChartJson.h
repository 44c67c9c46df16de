#pragma once
// A loaded chart as JSON text: every summary value under its own name and one object per bar with
// the ChartBar field names. Currency values are exact decimal numbers, dates "YYYY-MM-DD".
#include "core/chart/ChartData.h"
#include "core/chart/ChartTechnical.h"
#include "core/chart/SeriesLoad.h"

#include <string>
#include <vector>

namespace kestrel::chart {

// With rows, the price list's rows follow under "priceList", so the output stays one JSON document.
// With tech, each bar carries "ind": the technical values under their names (missing ones left out), and
// the top level "volumeProfile" (the bins over the bars shown, lowest first) and "indicatorSettings".
std::string chartToJson(const ChartData& data, const std::string& chartDateText,
                        const std::vector<std::string>* rows = nullptr, const ChartTechnical* tech = nullptr);

// The bars of a span of a series: code, mode ("daily", "weekly", "monthly"), chart date, the number of bars
// and one object per bar of the view with date, open, high, low, close and volume, and "forming": true on
// a month still forming.
// With values (computed over the whole series), each bar carries "ind" and the top level "volumeProfile"
// over the view and "indicatorSettings", as the chart's JSON.
std::string seriesToJson(const BarSeries& series, SeriesView view, const std::string& chartDateText,
                         const TechnicalValues* values = nullptr, const TechnicalSettings* settings = nullptr);

} // namespace kestrel::chart
