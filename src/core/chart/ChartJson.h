#pragma once
// A loaded chart as JSON text: every summary value under its own name and one object per bar with
// the ChartBar field names. Currency values are exact decimal numbers, dates "YYYY-MM-DD".
#include "core/chart/ChartData.h"

#include <string>
#include <vector>

namespace kestrel::chart {

// With rows, the price list's rows follow under "priceList", so the output stays one JSON document.
std::string chartToJson(const ChartData& data, const std::string& chartDateText,
                        const std::vector<std::string>* rows = nullptr);

} // namespace kestrel::chart
