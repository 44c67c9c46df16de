#pragma once
// The JSON of a span with its comparison: the bars as seriesToJson writes them, then under "compare"
// one array per compared issue (by its code) of {"date", "pct"} for every bar of the view on which
// that issue has a value, pct to 0.01 from the first bar shown.
#include "core/chart/SeriesScene.h"

#include <string>

namespace kestrel::chart {

// With values, each bar carries "ind" as the span JSON without a comparison does.
std::string seriesToJson(const SeriesChart& chart, SeriesView view, const std::string& chartDateText,
                         const TechnicalValues* values = nullptr, const TechnicalSettings* settings = nullptr);

} // namespace kestrel::chart
