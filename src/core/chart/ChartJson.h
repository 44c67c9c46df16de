#pragma once
// A loaded chart as JSON text: every summary value under its own name and one object per bar with
// the ChartBar field names. Currency values are exact decimal numbers, dates "YYYY-MM-DD".
#include "core/chart/ChartData.h"

#include <string>

namespace kestrel::chart {

std::string chartToJson(const ChartData& data, const std::string& chartDateText);

} // namespace kestrel::chart
