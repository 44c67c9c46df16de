#pragma once
// A chart of any span drawn as one scene: the bars first..last of a BarSeries fitted to a surface of
// W×H pixels, with a price panel (linear or log scale, moving averages and named indicator lines over
// it), up to four panes below it (volume, margin balances or an oscillator) and a date axis under the
// lowest pane. The result is the same primitive list the 110-bar chart replays (ChartScene.h).
//
// Invariants of a scene:
// - Every value shown is computed over the whole series held, so a bar at the left edge of a view has
//   its average and oscillator values as it has in any other view (SeriesChart computes them once).
// - Bar i of a view of n bars over a plot of width P sits in the pixel column
//   plotLeft + floor((i - first + 0.5) * P / n). Bars at least kCandleMinSlot pixels apart are candles;
//   narrower ones are one high-low stroke per pixel column, over every bar falling into that column.
// - No two labels overlap, and no label reaches past the plot's right edge.
// - With a comparison on, the main issue and each compared issue are drawn in percent from their value
//   at the first bar of the view; a compared issue without a bar on a day shows its last close (never a
//   value before its first bar).
// - With 一目均衡表 on (span1 and span2 among the overlays), the cloud is filled between the spans drawn
//   `ichimokuShift` slots right of the bar they are computed at, and 遅行スパン (the close) that many slots
//   left. A view ending at the series' last bar reserves that many empty slots right of it (at the view's
//   bar width) where the cloud runs on, with the date axis extended over them; a view scrolled back has none.
#include "core/chart/BarSeries.h"
#include "core/chart/ChartScene.h"
#include "core/chart/ChartTechnical.h"
#include "core/chart/Indicators.h"
#include "core/chart/SeriesLoad.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel::chart {

// What a pane below the price panel shows (new kinds go last: layouts in Kestrel.ini name them).
enum class PaneKind { Volume, Margin, Psych, Rsi, Vr, Macd, Stoch, Rci, Dmi, Ito };
// The panes a user adds (pane menu, --panes); the window's ALL view with 伊藤ﾚｼｵ shows one more (volume,
// サイコロ, RSI, VR and 伊藤ﾚｼｵ), as many as a scene holds.
inline constexpr int kMaxPanes = 4;
inline constexpr int kMaxScenePanes = 5;
inline constexpr int kMaxCompared = 3;
// Candles need this many pixels a bar; closer bars are strokes.
inline constexpr int kCandleMinSlot = 3;

// The pane of a command-line or settings name ("volume", "margin", "psych", "rsi", "vr", "macd",
// "stoch", "rci", "dmi", "ito"); none for any other name.
std::optional<PaneKind> paneByName(std::string_view name);
std::string_view paneName(PaneKind kind);

// The old oscillators over a series, as the 110-bar chart computes them (change > 0 counts as rising):
// the psychological line (percent of rising bars in the n ending at t), RSI (rising changes over
// absolute changes, percent) and the volume ratio (rising volume plus half the unchanged, over all
// volume, percent). kMissing before the n-th bar; a window without change or volume gives 0.
Series psychLine(const BarSeries& series, int n);
Series rsiLine(const BarSeries& series, int n);
Series volumeRatio(const BarSeries& series, int n);

// The value of each bar of `main` in `other`: the close of other's bar on that day, or its last close
// before it (a day other did not trade or has no bar carries its last value); kMissing before other's
// first traded bar.
Series alignCloses(const BarSeries& main, const BarSeries& other);
// Percent of each value against the first present value at or after bar `first`:
// (v / base - 1) * 100 for bars first..last; kMissing where the value is missing. Values outside the
// view are kMissing.
Series percentFrom(const Series& values, SeriesView view);

// Labels. "5,693" for 5693; "5,693万" for 56,930,000 (whole 万 from 10,000 on); "12.3億" from 100,000,000.
std::string volumeText(std::int64_t volume);
// A price with thousands separators and no more decimals than needed: "2,964", "0.5", "1,000,000".
std::string priceText(double price);
// A label's width in pixels: 6 a half-width character, 12 a full-width one.
int textWidth(std::string_view utf8);

struct ScaleLabel {
    double value = 0;
    std::string text;
};
// The labelled prices of a price range on a panel of `pixels` height, at least `minGap` pixels apart,
// lowest first. Linear: multiples of a 1-2-5 step. Log: round prices (1, 2, 5 or 1..9 times a power of
// ten, whichever fits most), falling back to a linear step when the range holds fewer than two.
std::vector<ScaleLabel> priceLabels(double low, double high, int pixels, bool log, int minGap = 14);

struct DateLabel {
    int bar = 0; // index into the series
    int x = 0;   // left edge of the text
    std::string text;
};
// The date labels under a view whose bar b sits at column xOf(b): days ("25/09/08") every k bars,
// months ("9月", and "2025/9" on January and the first label) every 1, 2, 3 or 6 months, or years
// ("2025") every 1, 2, 5 or 10 years: the finest that keeps labels `gap` pixels apart and inside
// [plotLeft, plotRight].
std::vector<DateLabel> dateLabels(const BarSeries& series, SeriesView view, int plotLeft, int plotRight, int gap = 12);

struct SceneOptions {
    bool logScale = false;
    std::vector<int> averages{5, 25, 75}; // simple moving averages of the close, drawn on the price panel
    std::vector<std::string> overlays;    // TechnicalValues::find names drawn on the price panel
    std::vector<PaneKind> panes{PaneKind::Volume};
    TechnicalSettings technical;
    int psychPeriod = 12, flowPeriod = 14; // psychological line; RSI and volume ratio
    // 伊藤ﾚｼｵ: the average of itoPeriod bars whose change over itoSpan bars the pane draws as an angle
    // (the 110-bar chart's choice ITORSO: the short average over its period, the medium and long ones
    // over one bar less); no line while either is below 1.
    int itoPeriod = 25, itoSpan = 24;
    int screenMode = 1;
    // Each pane's share of the panels' height (price panel and panes, legends included) in thousandths;
    // any other number of weights than panes: the default split.
    std::vector<int> paneWeights;
    // Marks at the foot of the price panel (results dates), bar an index into the series, in bar order;
    // a label that would run into the previous one is left out.
    std::vector<BarMark> marks;
    // 一目均衡表's lines and cloud (kColTenkan .. kColChikou) and 価格帯別出来高 take these colours.
    TechnicalColors technicalColors = kTechnicalDefaultColors;
    // The trend curve (二次曲線): the least-squares quadratic through the closes of the bars shown, fitted
    // again for each view, as the 110-bar chart fits it.
    bool curve = false;
    // 価格帯別出来高: the volume of the bars shown by price band (technical.vpBins bands), horizontal bars
    // from the plot's left edge, the longest a fifth of the plot's width; not while a comparison is on.
    bool volumeProfile = false;
};

struct ComparedIssue {
    std::int32_t code = 0;
    BarSeries series;
};

// Geometry of a drawn scene.
struct SceneLayout {
    int plotLeft = 0, plotRight = 0;        // inclusive columns of the bars
    int priceTop = 0, priceBottom = 0;      // the price panel's rows
    std::vector<std::pair<int, int>> panes; // each pane's top and bottom row
    bool candles = true;
    int futureSlots = 0; // empty slots right of the view's last bar (the cloud's future)
    // The column of bar `bar` (a slot past view.last for the future slots).
    int barX(int bar, SeriesView view) const {
        const double slot = static_cast<double>(plotRight - plotLeft + 1) / std::max(1, view.count() + futureSlots);
        return plotLeft + static_cast<int>(std::floor((bar - view.first + 0.5) * slot));
    }
};

// The price panel's scale of a view: a price times `factor` (1, or 100 over the first close of the view
// while a comparison is on) mapped onto the rows top..bottom, linear or log. The bars are drawn at the
// rounded row of yOf.
struct PriceScale {
    int top = 0, bottom = 0;
    double low = 0, high = 1; // the scaled values at rows bottom and top
    bool log = false;
    double factor = 1.0;
    // The row of a price, unrounded and unclamped (a price at or below 0 on a log scale: one panel
    // height under the bottom).
    double yOf(double price) const;
    // The price at row y: the inverse of yOf.
    double priceAt(double y) const;
};

// A line's value at one bar (kMissing where it has none).
struct NamedValue {
    std::string name;
    double value = kMissing;
};

// The trend curve of a view: fitQuadratic over the carried closes of bars first..last, its value at each
// of them (kMissing outside the view, and where the curve is exactly 0, which the 110-bar chart leaves
// out too).
Series trendCurve(const BarSeries& series, SeriesView view);

// The change of the 110-bar chart's moving average of `period` bars (the mean of the carried closes of the
// bars that have one, to whole yen, halves up) over `span` bars, at each bar of the series: ma(t) -
// ma(t - span). kMissing where either average is missing (before the period's first full window, or a
// window without any close) and for a period or span below 1.
Series averageChange(const BarSeries& series, int period, int span);

// 伊藤ﾚｼｵ of a view, fitted to the bars shown as the 110-bar chart fits it to its bars: each change of
// `changes` (averageChange) as the angle the average's line is drawn at, atan(change / (5 × unit × period))
// in degrees held to four decimals, unit = (top − bottom) / 256 to four decimals, with top and bottom the
// 110-bar chart's price scale of the view (bottom: the lowest non-zero low down to a multiple of 10; top:
// the next multiple of 10 strictly above the highest high); then every angle plus the largest absolute
// angle `level` of the view, so the line runs from 0 to 2 × level with a level average at `level`.
// kMissing outside the view and where the change is missing.
struct ItoRatio {
    Series values;
    double level = 0;
};
ItoRatio itoRatio(const BarSeries& series, SeriesView view, const Series& changes, int period);

// Where the results marks of a view stand: the index into marks, the bar's column and the label's left
// edge, as draw() places them (a label that would run into the previous one or past the plot is left out).
struct MarkSpot {
    int index = 0;
    int x = 0, left = 0, right = 0; // right: the label's last column
};
std::vector<MarkSpot> markSpots(const std::vector<BarMark>& marks, SeriesView view, const SceneLayout& layout);
// The index into marks of the label under (x, y) (the foot of the price panel, where the labels are), or -1.
int markAt(const std::vector<BarMark>& marks, SeriesView view, const SceneLayout& layout, int x, int y);

// One issue's series with everything its scenes show, computed once over the whole series; each draw()
// only maps the view to pixels (a zoom or scroll step).
class SeriesChart {
public:
    // Names of options.overlays that TechnicalValues does not know are dropped (see unknownOverlays()); more
    // than kMaxScenePanes panes or kMaxCompared compared issues are cut to those numbers.
    SeriesChart(BarSeries series, SceneOptions options, std::vector<ComparedIssue> compared = {});

    const BarSeries& series() const { return m_series; }
    const SceneOptions& options() const { return m_options; }
    // The pane heights only (SceneOptions::paneWeights): nothing is computed again.
    void setPaneWeights(std::vector<int> weights) { m_options.paneWeights = std::move(weights); }
    // The results marks only (SceneOptions::marks): nothing is computed again.
    void setMarks(std::vector<BarMark> marks) { m_options.marks = std::move(marks); }
    const std::vector<std::string>& unknownOverlays() const { return m_unknown; }
    const std::vector<ComparedIssue>& compared() const { return m_compared; }
    // The percent of compared issue k (0-based) per bar of the view (kMissing outside it).
    Series comparePercent(int k, SeriesView view) const;

    SceneLayout layout(SeriesView view, int width, int height) const;
    // The price scale of a view drawn with `layout` (fitted to the view's bars and compared issues).
    PriceScale priceScale(SeriesView view, const SceneLayout& layout) const;
    // The scene of a view at width×height pixels (at least 200×160; smaller sizes draw the background).
    // The legends show the values at bar `legendBar` when it lies in the view, else at the view's last bar.
    std::vector<Primitive> draw(SeriesView view, int width, int height, int legendBar = -1) const;

    // The values at `bar` of every line drawn on the price panel (averages, then overlays), by name.
    std::vector<NamedValue> priceValues(int bar) const;
    // The values at `bar` of pane `pane`: "出来高" for volume, "売" and "買" for the margin balances, each
    // oscillator line by its legend name (the pane's title when the line has none). 伊藤ﾚｼｵ is fitted to
    // `view` (the whole series when it is empty).
    std::vector<NamedValue> paneValues(int pane, int bar, SeriesView view = {}) const;
    std::string paneTitle(int pane) const;

private:
    struct Line {
        std::string name;
        Series values;
        Rgb color;
    };
    // 一目均衡表 as drawn: span1 and span2 at the slot they are drawn in (size() + shift slots), the close
    // drawn shift slots to the left (size() values) and the dates of the future slots.
    struct Cloud {
        int shift = 0;
        Series span1, span2, chikou;
        std::vector<Date> future;
    };
    void buildCloud(const Ichimoku& values);
    // With the cloud on, tenkan, kijun, span1 and span2 take 一目均衡表's own colours.
    std::optional<Rgb> cloudLineColor(std::string_view name) const;
    int futureSlots(SeriesView view) const;
    std::vector<DateLabel> axisDates(SeriesView view, const SceneLayout& layout) const;
    // The cloud's fill (under the bars) or its lines: span1, span2 and 遅行スパン (over them).
    void drawCloud(std::vector<Primitive>& out, SeriesView view, const SceneLayout& layout, const PriceScale& scale,
                   bool fill) const;
    struct Pane {
        PaneKind kind;
        std::vector<Line> lines;
        double low = 0, high = 100; // fixed range; high <= low: fitted to the view
    };
    BarSeries m_series;
    SceneOptions m_options;
    std::vector<ComparedIssue> m_compared;
    std::vector<Series> m_compareCloses; // aligned to m_series
    Series m_closes;
    std::vector<Line> m_priceLines;
    std::vector<Pane> m_panes;
    Series m_itoChanges; // averageChange of the 伊藤ﾚｼｵ's average, with an Ito pane
    std::vector<std::string> m_unknown;
    std::optional<Cloud> m_cloud;
};

} // namespace kestrel::chart
