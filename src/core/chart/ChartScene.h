#pragma once
// The chart as a list of drawing primitives in client-area pixels: the frame with its dotted grids and
// ticks, then per bar the volume box, candle, averages, curve, oscillators, date label, margin lines
// and Ito ratio. A painter only has to replay the list in order; nothing here depends on a toolkit.
// Lines and boxes include both end points; dotted lines light every other pixel from their start.
#include "core/chart/ChartData.h"
#include "core/chart/ChartLayout.h"

#include <array>
#include <string>
#include <vector>

namespace kestrel::chart {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool isZero() const { return r == 0 && g == 0 && b == 0; }
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kCandleDown{224, 224, 224};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kGrid{128, 128, 128};
inline constexpr Rgb kCurveColor{255, 128, 0};
inline constexpr Rgb kItoColor{255, 128, 255};
inline constexpr Rgb kDailyBack{192, 192, 192};
inline constexpr Rgb kWeeklyBack{128, 128, 128};
// The mark under the bar at which a split takes effect.
inline constexpr Rgb kSplitMarkColor{0, 255, 255};

// chartColors: short, medium and long average, psychological line, RSI, volume ratio, selling and
// buying margin balance. The first three double as the averages' on/off switch (all 0 = off).
enum ChartColor { kMa1 = 0, kMa2, kMa3, kPsych, kRsi, kVr, kSell, kBuy };
using ChartColors = std::array<Rgb, 8>;
inline constexpr ChartColors kShownColors = {Rgb{128, 255, 128}, Rgb{255, 255, 0}, Rgb{192, 192, 255},
                                             Rgb{255, 128, 0},   Rgb{0, 255, 0},   Rgb{128, 128, 255},
                                             Rgb{255, 0, 0},     Rgb{255, 255, 0}};

Rgb plotBackColor(int screenMode);
Rgb upColor(int screenMode);
// The window's background: light grey for daily bars, darker for weekly.
Rgb windowBackColor(int chartMode);

// The display choices of the main window.
struct ChartDisplay {
    int lowerPanelMode = 0; // 0 all, 1 RSI and VR, 2 psychological line, 3 margin or Ito, 4 nothing
    bool volume = true;     // Chkdekidaka
    bool curve = false;     // Chknijikyokusenn
    ChartColors chartColors = kShownColors;
    int ScreenMode = 1;
    int chartMode = 1; // 1 daily, 2 weekly
    int ALLITORSO = 0; // 2: the Ito ratio joins the lower panel in mode 0 (daily)
};

// One click of Cmdidoheikin: the new colours and the button caption ("移動平均有" when the averages
// were switched on, "移動平均無" when off).
std::string toggleAverages(ChartColors& colors);

// TranslucentBox: a filled box blended over what is below it at kTranslucentAlpha (the 一目均衡表 cloud,
// the volume profile).
enum class Shape { FillRect, Line, Box, FilledBox, DottedLine, Text, TranslucentBox };
inline constexpr int kTranslucentAlpha = 96; // of 255

struct Primitive {
    Shape shape = Shape::Line;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0; // Text: top-left at (x1, y1)
    Rgb color;
    std::string text;
};

struct ChartPicture {
    std::vector<Primitive> items;
    std::vector<std::string> rows; // KabukaList, oldest bar first; empty for an empty frame
};

// A mark under a bar (a results date: 決, 1Q …), drawn at the foot of the price panel. bar is 0-based into
// the bars drawn.
struct BarMark {
    int bar = 0;
    std::string label;
};
inline constexpr Rgb kBarMarkColor{255, 200, 0};
// The label's left edge and width at a bar centred on x (6 pixels a half-width character, 12 a full-width).
int barMarkLeft(const BarMark& mark, int x);
int barMarkWidth(const BarMark& mark);
// The marks of the 110-bar chart over data's bars (those past barCount are left out); a mark whose
// label would run into the previous one is left out.
std::vector<Primitive> drawBarMarks(const ChartData& data, const std::vector<BarMark>& marks);
// The index into marks of the label under client x (as drawBarMarks places them), or -1.
int barMarkAt(const ChartData& data, const std::vector<BarMark>& marks, int clientX);

// The empty chart: cleared area, plot area, dotted grids and the ticks.
std::vector<Primitive> DrawChartFrame(const ChartDisplay& display);
// The whole chart of a loaded issue. Only the frame when nothing is loaded, every volume is 0 or there
// is no price range.
ChartPicture DrawChart(const ChartData& data, const ChartDisplay& display);

} // namespace kestrel::chart
