#pragma once
// The technical set on the 110-bar chart: the values of the bars a loaded chart shows, computed by the
// indicator engine over the stored history (so a value is the same at any span), and the
// drawing of the overlays on the price panel and of the technical lower panels.
//
// Layout: bar i (1-based) sits at barX(i) as on the plain chart. With 一目均衡表 on, the plot grows by
// kFutureSlots bar slots to the right (futureWidth pixels): the cloud runs into them and the date axis
// goes on under them; everything right of the plot (the right-hand price axis) moves right by as much.
// Without 一目均衡表 nothing moves and the plain chart's primitives are untouched.
#include "core/app/Status.h"
#include "core/chart/ChartData.h"
#include "core/chart/ChartScene.h"
#include "core/chart/Indicators.h"
#include "core/db/Database.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::chart {

// The lower-panel modes after the plain five (0 all .. 4 nothing), which keep their numbers.
enum LowerPanelMode : int {
    kLowerAll = 0,
    kLowerRsiVr = 1,
    kLowerPsych = 2,
    kLowerMarginIto = 3,
    kLowerNone = 4,
    kLowerMacd = 5,
    kLowerStoch = 6,
    kLowerRci = 7,
    kLowerDmi = 8,
};
inline constexpr int kLowerPanelModes = 9;
// The command-line name of a lower-panel mode ("all", "rsi", "psych", "margin", "none", "macd", "stoch",
// "rci", "dmi"), and back: a name or a number 0..8; -1 for anything else.
std::string_view lowerPanelName(int mode);
int lowerPanelFromText(std::string_view text);

// Which overlays the price panel shows.
struct TechnicalOverlays {
    bool ichimoku = false, bollinger = false, envelope = false, hlBand = false, sar = false, volumeProfile = false;
    bool any() const { return ichimoku || bollinger || envelope || hlBand || sar || volumeProfile; }
    bool operator==(const TechnicalOverlays&) const = default;
};
// The command-line names "ichimoku", "bb", "env", "hl", "sar", "vp", comma-separated; on an unknown name
// false, with `bad` set to it.
bool overlaysFromText(std::string_view text, TechnicalOverlays& overlays, std::string& bad);

// The colours of the technical lines.
enum TechnicalColor : int {
    kColTenkan = 0,
    kColKijun,
    kColCloudUp, // the cloud where span1 >= span2 (drawn translucent), and the span1 line
    kColCloudDown,
    kColChikou,
    kColBollinger,
    kColEnvelope,
    kColHlBand,
    kColSar,
    kColVolumeProfile,
    kColVolumeProfileLast,
    kColMacd,
    kColMacdSignal,
    kColMacdHist,
    kColStochK,
    kColStochD,
    kColStochSD,
    kColRci1,
    kColRci2,
    kColRci3,
    kColPdi,
    kColMdi,
    kColAdx,
    kTechnicalColorCount
};
using TechnicalColors = std::array<Rgb, kTechnicalColorCount>;
inline constexpr TechnicalColors kTechnicalDefaultColors = {
    Rgb{255, 96, 96}, Rgb{96, 160, 255},  Rgb{255, 160, 64},  Rgb{96, 96, 255},  Rgb{160, 255, 160}, Rgb{255, 128, 255},
    Rgb{0, 200, 200}, Rgb{255, 255, 128}, Rgb{255, 255, 0},   Rgb{96, 96, 160},  Rgb{255, 200, 0},   Rgb{255, 255, 255},
    Rgb{255, 96, 96}, Rgb{128, 128, 128}, Rgb{255, 255, 255}, Rgb{255, 128, 0},  Rgb{0, 255, 255},   Rgb{255, 96, 96},
    Rgb{96, 255, 96}, Rgb{96, 160, 255},  Rgb{255, 96, 96},   Rgb{96, 160, 255}, Rgb{255, 255, 255}};
// The ini key of each colour ("ColorTenkan" ...).
std::string_view technicalColorKey(int color);

// Everything the technical set of the chart is drawn with.
struct TechnicalView {
    TechnicalSettings settings;
    TechnicalColors colors = kTechnicalDefaultColors;
    TechnicalOverlays overlays;
    int bbBands = 2;        // ±1σ .. ±bbBands σ are drawn (1 to 3)
    bool stochFast = false; // fast: %K and %D; slow: %D and SD
    bool operator==(const TechnicalView&) const = default;
};

inline constexpr int kFutureSlots = 25;
// The dates of `count` bars after a bar dated `last`: the weekdays after it (daily), every seventh day
// (weekly), or the last weekday of each following month (monthly). Holidays are not known ahead.
std::vector<Date> futureBarDates(BarMode mode, Date last, int count);
// Pixels the plot grows to the right for the cloud's future slots: 0 without 一目均衡表.
int futureWidth(const TechnicalView& view);

// The technical values of a loaded chart. Index i of every series is data.bars[i] (barCount values);
// a bar the history does not hold (not expected) has missing values.
struct ChartTechnical {
    int barCount = 0;
    TechnicalValues values;
    // The cloud as drawn: slot s (0-based, bar s + 1) shows the spans computed shift bars before it;
    // barCount + shift slots.
    Series cloudSpan1, cloudSpan2;
    int shift = 25;
    // The dates the future slots stand for: the weekdays (weekly: the weeks) after the last bar.
    std::vector<Date> futureDates;
    VolumeProfile profile; // over the bars shown
    TechnicalSettings settings;
};

// Fills `out` from a series holding at least the chart's bars (matched by date): computes every value
// over the whole series and takes the bars shown. Pure.
void technicalFromSeries(const BarSeries& series, const ChartData& data, const TechnicalSettings& settings,
                         ChartTechnical& out);

// Loads the history of issue `code` behind a loaded chart (weekly when `weekly`, split-adjusted as the
// chart when `splitAdjust`) up to the chart's last bar, from enough bars before its first bar that every
// value equals the one computed from the first bar, and fills `out`. An empty chart gives an
// empty result. An error when the database cannot be read; `settings` must be valid.
Status loadChartTechnical(db::Database& db, std::int32_t code, bool weekly, bool splitAdjust, const ChartData& data,
                          const TechnicalSettings& settings, ChartTechnical& out);

// y of a price (a double) on the chart's price panel, as priceY places a Currency.
int technicalPriceY(const ChartData& data, double price);

// The primitives of the technical set, drawn after DrawChart's (and before the user's lines): the
// overlays switched on in `view` (clipped to the price panel), the technical lower panel when
// display.lowerPanelMode is one of them, and the dates under the future slots. A missing value breaks
// a line (a gap). Nothing for an empty chart.
std::vector<Primitive> drawTechnical(const ChartData& data, const ChartDisplay& display, const ChartTechnical& tech,
                                     const TechnicalView& view);

// The plain chart's frame and picture with the plot widened by `extraWidth` pixels to the right (the
// right-hand labels and ticks moved along); extraWidth 0 returns the plain chart's picture unchanged.
ChartPicture DrawChartWide(const ChartData& data, const ChartDisplay& display, int extraWidth);

} // namespace kestrel::chart
