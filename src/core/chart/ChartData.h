#pragma once
// The chart of one issue: at most 110 consecutive daily or weekly bars ending at the chart date, with
// every series the drawing and the detail labels read (moving averages, deviations, slope angles and
// the Ito ratio, psychological line, RSI, volume ratio), the extremes that fix the scales and a
// least-squares quadratic through the closes.
//
// Invariants after LoadChartData: bars[0 .. barCount-1] hold the loaded bars oldest first, every other
// slot is all-zero; prices are whole yen already multiplied by the price unit; Currency values
// are exact to four decimals; a series value of -1 (psych, rsi, vr) or 0 (ma, maAngle) means "no full
// window yet". Nothing but the scroll-range fields survives from one load to the next.
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/chart/BarSeries.h"
#include "core/db/Database.h"
#include "core/startup/AppContext.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kestrel::chart {

inline constexpr int kMaxBars = 110;
// Height in pixels of the price panel and width of one bar: the slope angles are angles as drawn.
inline constexpr int kPricePanelHeight = 256;
inline constexpr int kBarWidth = 5;
// The range of the date scroll bar.
inline constexpr int kScrollMax = 32767;

inline constexpr const char* kNoBarsMessage = "基準日からの表示するデーターがありません。";

struct ChartBar {
    Date date;
    Currency open, high, low, close;
    Currency closeCarried; // close, or the last non-zero close before it (0 when none)
    Currency change;
    std::int64_t volume = 0;                      // shares; a week of a 1-yen issue passes 2^31
    std::int64_t sellBalance = 0, buyBalance = 0; // weekly bars only; a split can carry them past 2^31
    Currency ma1, ma2, ma3;
    std::int16_t dev1 = 0, dev2 = 0, dev3 = 0; // per mille
    std::int16_t psych = 0, rsi = 0, vr = 0;   // 0..100, -1 before a full window
    Currency maAngle1, maAngle2, maAngle3;     // shifted slope angles in degrees
    Currency itoRatio;
};

// A bar of a series as a chart bar: its date, prices, change, carried close, volume and balances (the
// indicator fields left at their defaults).
inline ChartBar chartBarOf(const SeriesBar& s) {
    ChartBar b;
    b.date = s.date;
    b.open = s.open;
    b.high = s.high;
    b.low = s.low;
    b.close = s.close;
    b.change = s.change;
    b.closeCarried = s.closeCarried;
    b.volume = s.volume;
    b.sellBalance = s.sellBalance;
    b.buyBalance = s.buyBalance;
    return b;
}

struct ChartData {
    std::array<ChartBar, kMaxBars> bars{};
    std::int16_t barCount = 0;
    std::int16_t center = 0;
    Date latestDate;      // right end of the scroll range (today when the window opened)
    Date scrollStartDate; // left end of the scroll range
    Currency maxHigh = Currency::fromWhole(-1);
    Currency minLow = Currency::fromWhole(1000000000);
    Currency maxVolume = Currency::fromWhole(-1);
    Currency minVolume = Currency::fromWhole(1000000000);
    Currency maxBalance = Currency::fromWhole(-1);
    Currency priceTop, priceBottom, itoMax;
    Currency fitC, fitB, fitA;
    // Remembered across loads: a load of another issue or mode recomputes the scroll range.
    std::int32_t lastLoadedCode = 0; // held whole: a code beyond 16 bits must not alias another issue
    std::int16_t lastLoadedMode = 0;
    // Small and large change of the date scroll bar, set with the scroll range.
    std::int16_t scrollSmallChange = 1;
    std::int16_t scrollLargeChange = 1;
    // Per bar: kSplitEventBar when a split takes effect at this bar, kSplitOneYen when an adjusted
    // price would have rounded to 0 and shows as 1 yen.
    std::array<std::uint8_t, kMaxBars> splitFlags{};
};
inline constexpr std::uint8_t kSplitEventBar = 1;
inline constexpr std::uint8_t kSplitOneYen = 2;

// The periods and the Ito-ratio choice a load uses (from the settings record).
struct IndicatorSettings {
    int move1 = 0, move2 = 0, move3 = 0; // moving-average periods
    int SaicoL = 0;                      // psychological-line period
    int RSIVR = 0;                       // RSI and volume-ratio period
    int ITORSO = 0;                      // 1, 2 or 3: the average behind the Ito ratio
    static IndicatorSettings from(const Settings& s);
};

// Loads the bars of issue `code` from the bar table of context.chartMode ending at the date
// in chartDateText, and computes every series and summary value. chartDateText is replaced by today's
// date ("YY/MM/DD") when it is not a date. When no bar lies on or before the chart date, notifies
// kNoBarsMessage through prompt and leaves an empty chart (barCount 0). The scroll range is
// recomputed only when the code or chart mode differs from the previous load.
// Returns an error (the chart then holds no bars) when the database cannot be read, a price field is
// empty, or a value exceeds its field's range; ok otherwise, also for an empty chart.
// `d` takes the computed part of `next`; its scroll range and the remembered code and mode stay.
void replaceLoad(ChartData& d, ChartData next);

Status LoadChartData(db::Database& db, const AppContext& context, std::int32_t code, std::string& chartDateText,
                     ChartData& data, Prompt& prompt);

// The computation alone: given data.bars[0 .. data.barCount-1] with date, prices, closeCarried, change,
// volume and balances filled, computes center, every series, the extremes, the scale bounds, the angles
// and the fit. Every other field of the bars is expected to be zero.
void computeIndicators(ChartData& data, const IndicatorSettings& settings);

// Part of the computation, for readers that need only the last bars of a chart: center and the series
// of bars[from .. barCount-1] that depend on the bars alone (averages, deviations, psychological line,
// RSI, volume ratio), equal to what computeIndicators gives them. Slope angles, the Ito ratio, the
// extremes, the scale bounds and the fit are left as they are, and so are the bars before `from`.
void computeSeries(ChartData& data, const IndicatorSettings& settings, int from);

// The least-squares quadratic y = c x^2 + b x + a through closes (oldest first), x counted from the
// centre bar (1-based: (n + 1) / 2 for odd n, n / 2 for even n); exact to four decimals, a coefficient
// beyond 64 bits stays 0. The curve of the chart's bars (二次曲線) is valueAt(1 .. n).
struct QuadraticFit {
    Currency c, b, a;
    int center = 0;
    Currency valueAt(int i) const;
};
QuadraticFit fitQuadratic(std::span<const Currency> closes);

// The scroll bar's small and large change for a range of `days` days.
std::int16_t scrollSmallChange(int days);
std::int16_t scrollLargeChange(int days);

} // namespace kestrel::chart
