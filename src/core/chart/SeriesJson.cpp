#include "core/chart/SeriesJson.h"

#include "core/chart/ChartJson.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace kestrel::chart {

std::string seriesToJson(const SeriesChart& chart, SeriesView view, const std::string& chartDateText,
                         const TechnicalValues* values, const TechnicalSettings* settings) {
    const std::string bars = seriesToJson(chart.series(), view, chartDateText, values, settings);
    if (chart.compared().empty())
        return bars;
    auto top = nlohmann::ordered_json::parse(bars);
    nlohmann::ordered_json compare = nlohmann::ordered_json::object();
    for (int k = 0; k < static_cast<int>(chart.compared().size()); ++k) {
        const Series pct = chart.comparePercent(k, view);
        nlohmann::ordered_json rows = nlohmann::ordered_json::array();
        for (int b = std::max(view.first, 0); b <= view.last && b < static_cast<int>(pct.size()); ++b) {
            const double v = pct[static_cast<std::size_t>(b)];
            if (isMissing(v))
                continue;
            rows.push_back({{"date", chart.series().bars[static_cast<std::size_t>(b)].date.toIso()},
                            {"pct", std::round(v * 100) / 100}});
        }
        compare[std::to_string(chart.compared()[static_cast<std::size_t>(k)].code)] = std::move(rows);
    }
    top["compare"] = std::move(compare);
    return top.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

} // namespace kestrel::chart
