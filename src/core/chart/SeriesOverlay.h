#pragma once
// The user's lines and the ledger's lots drawn over a chart of any span (SeriesScene.h). Everything is
// anchored by date, never by bar number: a date is placed on the series where its bar is (weekly: the bar
// of its week, Monday to Sunday; monthly: the bar of its month), between two bars by calendar days when
// no bar shows it, and outside the series at the mode's mean spacing (7/5 days a daily bar, 7 a weekly,
// 365.25/12 a monthly). A line is straight on the screen on either price scale and is clipped to the
// price panel; an anchor outside the view only moves where the line crosses the panel's edge.
//
// Labels never reach past the plot: a level's label sits above or below its line at the right or left
// end, wherever it covers the fewest bars; a horizontal user line carries a price tag right of the plot.
// Nothing here reads the database: the owner gives the lines and lots with their dates and prices as
// the chart shows them.
#include "core/chart/ChartOverlay.h"
#include "core/chart/SeriesScene.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrel::chart {

// Mean days a bar of the mode spans (for dates outside the series).
double daysPerBar(BarMode mode);

// The bar (index into the series) that shows `date`: daily, the bar of that day or, for a day without
// one, the next bar (none before the first bar or after the last); weekly, the bar of its week; monthly,
// the bar of its month. Nothing when no bar shows it.
std::optional<int> barOfDate(const BarSeries& series, Date date);

// The position of `date` on the series as a fractional bar index: the index of barOfDate, or between
// the neighbouring bars in proportion to calendar days; before the first and after the last bar at the
// mode's mean spacing. 0 for an empty series.
double datePosition(const BarSeries& series, Date date);

// Where a view of a series sits on the surface: its bars' columns, its price panel and price scale.
struct OverlayGeometry {
    const BarSeries* series = nullptr;
    SeriesView view;
    SceneLayout layout;
    PriceScale scale;
    // The column of a (fractional) bar position, floored as the bars' own columns are.
    double xOf(double position) const;
    bool valid() const { return series && !view.empty() && layout.priceBottom > layout.priceTop; }
};
// The geometry of `view` of the chart drawn at width×height; not valid below the scene's least size
// (200×160), where nothing is drawn over it.
OverlayGeometry overlayGeometry(const SeriesChart& chart, SeriesView view, int width, int height);

// A line's ends in surface pixels before clipping (doubles: an anchor years outside a narrow view lies
// far outside the surface; SegmentF). A horizontal line runs across the plot.
SegmentF seriesLineEnds(const OverlayGeometry& g, const ChartLine& line);
// The part of a line inside the price panel, in whole pixels; nothing when none is.
std::optional<Segment> seriesLineShown(const OverlayGeometry& g, const ChartLine& line);

// A label's top-left corner, and a rectangle a label takes (inclusive pixels).
struct LabelSpot {
    int x = 0, y = 0;
};
struct LabelBox {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
inline constexpr int kLabelHeight = 12;
// Where a level's label `width` pixels wide (kLabelHeight high) goes for a line at row y: right above,
// right below, left above, left below, the first covering the fewest bars of the view and none of the
// rectangles in `taken`; always inside the plot and the price panel.
LabelSpot levelLabelSpot(const OverlayGeometry& g, int y, int width, const std::vector<LabelBox>& taken = {});

// The price tag of a horizontal line: "2,964" right of the plot, centred on the line's row.
struct PriceTag {
    LabelBox box;
    std::string text;
};
std::optional<PriceTag> priceTag(const OverlayGeometry& g, Currency price);

// Everything to draw after the scene: the lines (the selected one highlighted with handles on its ends),
// each horizontal line's price tag, then when ledgerShown the levels (dotted, labelled clear of the bars)
// and the trade marks, ▲ under the bar of a purchase and ▼ over the bar of a sale (by TradeMark::date).
std::vector<Primitive> drawSeriesOverlay(const OverlayGeometry& g, const ChartOverlay& overlay);

// The id of the line passing within `tolerance` pixels of (x, y) inside the panel, the nearest first;
// 0 when none.
std::int64_t seriesLineAt(const OverlayGeometry& g, const ChartOverlay& overlay, int x, int y, int tolerance = 3);
// Which end (1 or 2) of a line lies within `tolerance` pixels of (x, y); 0 when neither. A horizontal
// line is moved as a whole: 1 anywhere along it.
int seriesEndAt(const OverlayGeometry& g, const ChartLine& line, int x, int y, int tolerance = 4);

// A point of the price panel as the bar under it (its index and date) and the price at its row, to four
// decimals. Nothing outside the plot's columns or the price panel's rows.
struct SeriesPoint {
    int bar = 0;
    Date date;
    Currency price;
};
std::optional<SeriesPoint> seriesPointAt(const OverlayGeometry& g, int x, int y);

} // namespace kestrel::chart
