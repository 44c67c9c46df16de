#pragma once
// What is drawn over the price panel of a loaded chart besides the bars: the user's own lines and the
// ledger's lots of the issue (break-even and target levels, purchase and sale marks).
//
// Everything arrives with prices as the chart shows them (split-adjusted as the bars are) and with each
// date already placed on a bar number: bar i (1-based) is data.bars[i-1]; a number below 1 or above
// barCount lies outside the window (a line anchored there is drawn clipped). The drawing is plain
// arithmetic on the chart's own price scale (priceY) and bar positions (barX); the inverse mapping turns
// a point of the panel back into a bar and a price for the mouse. Nothing here reads the database.
#include "core/chart/ChartScene.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::chart {

enum class LineKind : std::int16_t { Trend = 1, Horizontal = 2 };

// One user line. date1/price1 and date2/price2 are its anchors (a horizontal line has both at its one
// anchor); bar1/bar2 their bar numbers in the loaded window (placeLines / barNumberOf).
struct ChartLine {
    std::int64_t id = 0;
    LineKind kind = LineKind::Trend;
    Date date1, date2;
    Currency price1, price2;
    int bar1 = 0, bar2 = 0;
    bool operator==(const ChartLine&) const = default;
};

// A horizontal level of an unsold lot: its break-even price or the target the user set, labelled.
struct PriceLevel {
    Currency price;
    std::string label; // "損益分岐 2,964円" for a break-even line, "目標 3,600円" for a target
    bool target = false;
};

// A purchase (▲, under the bar) or a sale (▼, over the bar) on bar number `bar` of the loaded window,
// made on `date` (a chart of any span places it by date).
struct TradeMark {
    int bar = 0;
    bool buy = true;
    Date date;
};

struct ChartOverlay {
    std::vector<ChartLine> lines;
    std::int64_t selectedLine = 0; // drawn highlighted, with handles on its ends
    bool ledgerShown = true;
    std::vector<PriceLevel> levels;
    std::vector<TradeMark> trades;
};

inline constexpr Rgb kLineColor{255, 255, 255};
inline constexpr Rgb kSelectedLineColor{0, 255, 255};
inline constexpr Rgb kBreakEvenColor{64, 160, 255};
inline constexpr Rgb kTargetColor{0, 224, 128};
inline constexpr Rgb kBuyColor{64, 160, 255};
inline constexpr Rgb kSellColor{255, 96, 208};

// The bar that shows a trade or an anchor dated `date` in the loaded window: the first bar dated on or
// after it, provided that bar is the date's own bar (daily: the first bar after a day without one;
// weekly: the bar of the date's week, weekly bars being dated the week's Friday). Nothing when no bar of
// the window shows the date.
std::optional<int> barShowing(const ChartData& data, Date date, bool weekly);

// The overlay's primitives, to be drawn after DrawChart's: every user line clipped to the price panel,
// each horizontal line's price tag, then (when ledgerShown) the levels as dotted lines across the panel
// with their label above or below the line at its right or left end, wherever it covers the fewest bars
// (and no other level's label), and the trade marks. A level outside the price scale is left out. Empty when the chart
// has no price scale.
std::vector<Primitive> drawOverlay(const ChartData& data, const ChartOverlay& overlay);

// The price tag of a horizontal line at `price`: "2,964" in a box 12 rows high centred on its row, right
// of the plot and inside the chart's cleared area. Nothing when the price lies off the price scale.
struct LineTag {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::string text;
};
std::optional<LineTag> lineTag(const ChartData& data, Currency price);

// The segment of a line on the panel: its two ends in pixels before clipping.
struct Segment {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
Segment lineSegment(const ChartData& data, const ChartLine& line);
// Clips a segment to the rectangle [left, right] x [top, bottom]; nothing when no part of it lies inside.
std::optional<Segment> clipSegment(Segment s, int left, int top, int right, int bottom);
// The same in doubles, unrounded (ends far outside the surface stay exact).
struct SegmentF {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
std::optional<SegmentF> clipSegment(SegmentF s, double left, double top, double right, double bottom);

// The id of the line passing within `tolerance` pixels of (x, y), the nearest first; 0 when none.
std::int64_t lineAt(const ChartData& data, const ChartOverlay& overlay, int x, int y, int tolerance = 3);
// Which end of a line (1 or 2) lies within `tolerance` pixels of (x, y); 0 when neither. A horizontal
// line has no ends to move (it is moved as a whole: end 1).
int endAt(const ChartData& data, const ChartLine& line, int x, int y, int tolerance = 4);

// A point of the price panel as a bar number (nearest bar, held within 1..barCount) and a price (to
// four decimals, held within the price scale). Nothing outside the price panel or for an empty chart.
struct PanelPoint {
    int bar = 0;
    Date date;
    Currency price;
};
std::optional<PanelPoint> pointAt(const ChartData& data, int x, int y);

} // namespace kestrel::chart
