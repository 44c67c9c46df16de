#pragma once
// The chart model: the bars of one issue in one mode (daily, weekly or monthly), oldest first, of any
// length, split-adjusted as the chart shows them. Every view of a chart (the 110-bar window, a long
// span, the scan, the PNG and the JSON) reads its bars from a BarSeries, and every indicator is a pure
// function over one (core/chart/Indicators.h).
//
// Invariants: bars are in strictly ascending date order; prices are whole yen times the price
// unit (split-adjusted prices may carry decimals: Currency is exact to four); a bar without trading has
// zero open, high, low and close and its closeCarried is the last non-zero close before it (0 when none).
#include "core/app/Currency.h"
#include "core/app/Date.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace kestrel::chart {

enum class BarMode : int { Daily = 1, Weekly = 2, Monthly = 3 };

struct SeriesBar {
    Date date; // the bar's own day: the trading day, the week's stored date, the month's last traded day
    Currency open, high, low, close;
    Currency closeCarried; // close, or the last non-zero close before it (0 when none)
    Currency change;
    std::int64_t volume = 0;                         // shares; a day reaches 2,000,000,000, a month more
    std::int64_t sellBalance = 0, buyBalance = 0;    // weekly and monthly bars: the margin balances
    bool forming = false;                            // a month (or week) still forming at the series end
    bool traded() const { return close.raw() != 0; } // a bar with a zero close did not trade
};

struct BarSeries {
    std::int32_t code = 0;
    BarMode mode = BarMode::Daily;
    std::vector<SeriesBar> bars;
    int size() const { return static_cast<int>(bars.size()); }
};

// An indicator's values, one per bar of the series it was computed over; a missing value (too few bars,
// a zero denominator, no traded bar in the window) is NaN and never reaches a screen, a drawing or JSON.
using Series = std::vector<double>;
inline constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
inline bool isMissing(double v) {
    return std::isnan(v);
}

} // namespace kestrel::chart
