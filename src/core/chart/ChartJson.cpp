#include "core/chart/ChartJson.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace kestrel::chart {
namespace {

using Json = nlohmann::ordered_json;

// Whole currency values as integers; others as the nearest double, which prints their four decimals.
Json number(Currency v) {
    if (v.isWhole())
        return Json(v.raw() / Currency::kScale);
    return Json(v.toDouble());
}
Json number(long long v) {
    return Json(v);
}
// A deviation kept per mille, written in percent with its one decimal: -22 is -2.2.
Json percent(std::int16_t perMille) {
    return number(Currency::fromRaw(static_cast<std::int64_t>(perMille) * (Currency::kScale / 10)));
}

} // namespace

std::string chartToJson(const ChartData& d, const std::string& chartDateText, const std::vector<std::string>* rows) {
    Json top;
    top["chartDate"] = chartDateText;
    top["barCount"] = number(d.barCount);
    top["center"] = number(d.center);
    top["maxHigh"] = number(d.maxHigh);
    top["minLow"] = number(d.minLow);
    top["maxVolume"] = number(d.maxVolume);
    top["minVolume"] = number(d.minVolume);
    top["maxBalance"] = number(d.maxBalance);
    top["priceTop"] = number(d.priceTop);
    top["priceBottom"] = number(d.priceBottom);
    top["itoMax"] = number(d.itoMax);
    top["fitA"] = number(d.fitA);
    top["fitB"] = number(d.fitB);
    top["fitC"] = number(d.fitC);
    top["latestDate"] = d.latestDate.toIso();
    top["scrollStartDate"] = d.scrollStartDate.toIso();
    top["scrollSmallChange"] = number(d.scrollSmallChange);
    top["scrollLargeChange"] = number(d.scrollLargeChange);
    Json bars = Json::array();
    const int n = d.barCount < 0 ? 0 : d.barCount > kMaxBars ? kMaxBars : d.barCount;
    for (int i = 0; i < n; ++i) {
        const ChartBar& b = d.bars[i];
        Json o;
        o["date"] = b.date.toIso();
        o["open"] = number(b.open);
        o["high"] = number(b.high);
        o["low"] = number(b.low);
        o["close"] = number(b.close);
        o["closeCarried"] = number(b.closeCarried);
        o["change"] = number(b.change);
        o["volume"] = number(b.volume);
        o["sellBalance"] = number(b.sellBalance);
        o["buyBalance"] = number(b.buyBalance);
        o["ma1"] = number(b.ma1);
        o["ma2"] = number(b.ma2);
        o["ma3"] = number(b.ma3);
        o["dev1"] = percent(b.dev1);
        o["dev2"] = percent(b.dev2);
        o["dev3"] = percent(b.dev3);
        o["psych"] = number(b.psych);
        o["rsi"] = number(b.rsi);
        o["vr"] = number(b.vr);
        o["maAngle1"] = number(b.maAngle1);
        o["maAngle2"] = number(b.maAngle2);
        o["maAngle3"] = number(b.maAngle3);
        o["itoRatio"] = number(b.itoRatio);
        bars.push_back(std::move(o));
    }
    top["bars"] = std::move(bars);
    if (rows)
        top["priceList"] = *rows;
    // Text that is not UTF-8 is replaced rather than refused.
    return top.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string seriesToJson(const BarSeries& series, SeriesView view, const std::string& chartDateText) {
    Json top;
    top["code"] = series.code;
    top["mode"] = series.mode == BarMode::Monthly ? "monthly" : series.mode == BarMode::Weekly ? "weekly" : "daily";
    top["chartDate"] = chartDateText;
    const int first = std::max(view.first, 0);
    const int last = std::min(view.last, series.size() - 1);
    top["barCount"] = std::max(0, last - first + 1);
    Json bars = Json::array();
    for (int i = first; i <= last; ++i) {
        const SeriesBar& b = series.bars[static_cast<std::size_t>(i)];
        Json o;
        o["date"] = b.date.toIso();
        o["open"] = number(b.open);
        o["high"] = number(b.high);
        o["low"] = number(b.low);
        o["close"] = number(b.close);
        o["volume"] = number(static_cast<long long>(b.volume));
        if (b.forming)
            o["forming"] = true;
        bars.push_back(std::move(o));
    }
    top["bars"] = std::move(bars);
    return top.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace kestrel::chart
