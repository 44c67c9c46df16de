// SeriesChart: the values of a chart of any span computed once, and each view drawn as primitives.
#include "core/chart/SeriesScene.h"

#include "core/chart/ChartData.h"
#include "core/chart/ChartMath.h"
#include "core/chart/ChartTechnical.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <numbers>

namespace kestrel::chart {
namespace {

constexpr int kAxisWidth = 64; // right of the plot: the price and pane labels
constexpr int kLegendHeight = 14;
constexpr int kDateAxisHeight = 16;
constexpr int kPaneGap = 3;
constexpr Rgb kText{0, 0, 0};
constexpr Rgb kVolumeColor{96, 160, 255};
constexpr std::array<Rgb, kMaxCompared> kCompareColors = {Rgb{0, 255, 255}, Rgb{255, 0, 255}, Rgb{255, 255, 255}};
// Averages first, then overlays and pane lines; none is a comparison colour.
constexpr std::array<Rgb, 6> kLineColors = {Rgb{128, 255, 128}, Rgb{255, 255, 0},  Rgb{192, 192, 255},
                                            Rgb{255, 128, 0},   Rgb{192, 128, 64}, Rgb{128, 128, 255}};

void add(std::vector<Primitive>& out, Shape shape, int x1, int y1, int x2, int y2, Rgb color) {
    out.push_back({shape, x1, y1, x2, y2, color, {}});
}

void text(std::vector<Primitive>& out, int x, int y, std::string s, Rgb color) {
    out.push_back({Shape::Text, x, y, x, y, color, std::move(s)});
}

// A value range mapped onto the rows top..bottom (linear or log).
struct YMap {
    int top = 0, bottom = 0;
    double low = 0, high = 1;
    bool log = false;
    int y(double v) const {
        double f;
        if (log)
            f = v > 0 ? (std::log(v) - std::log(low)) / (std::log(high) - std::log(low)) : -1;
        else
            f = (v - low) / (high - low);
        const double r = bottom - f * (bottom - top);
        return static_cast<int>(std::lround(std::clamp(r, top - 1e4, bottom + 1e4)));
    }
};

// Widens an empty or one-value range and leaves a margin of 5 % (of the log range for a log scale).
void fit(YMap& m, double low, double high) {
    if (!(high >= low)) {
        low = 0;
        high = 1;
    }
    if (m.log) {
        low = std::max(low, 1e-6);
        high = std::max(high, low);
        double a = std::log(low), b = std::log(high);
        if (b - a < 1e-6) {
            a -= 0.05;
            b += 0.05;
        }
        const double pad = (b - a) * 0.05;
        m.low = std::exp(a - pad);
        m.high = std::exp(b + pad);
        return;
    }
    if (high - low < 1e-9) {
        const double d = std::max(std::abs(high) * 0.05, 1.0);
        low -= d;
        high += d;
    }
    const double pad = (high - low) * 0.05;
    m.low = low - pad;
    m.high = high + pad;
}

std::string fixed(double v, int decimals) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string percentText(double index) {
    const double pct = index - 100;
    return (pct > 0 ? "+" : "") + priceText(pct) + "%";
}

// A line through the values of a view, one point per pixel column (the column's last bar); missing
// values break the line, and a segment leaving the panel is cut at its edge (none runs along it).
void polyline(std::vector<Primitive>& out, const Series& values, SeriesView v, const SceneLayout& lay, const YMap& m,
              Rgb color, double scale = 1.0) {
    int px = 0, py = 0;
    bool have = false, inside = false;
    // lay.barX with the slot worked out once: the same arithmetic, so the same columns.
    const double slot =
        static_cast<double>(lay.plotRight - lay.plotLeft + 1) / std::max(1, v.count() + lay.futureSlots);
    auto columnOf = [&](int b) { return lay.plotLeft + static_cast<int>(std::floor((b - v.first + 0.5) * slot)); };
    int next = v.first <= v.last ? columnOf(v.first) : 0;
    for (int b = v.first; b <= v.last; ++b) {
        const int x = next;
        if (b < v.last) {
            next = columnOf(b + 1);
            if (next == x)
                continue;
        }
        const double val = values[static_cast<std::size_t>(b)];
        if (isMissing(val)) {
            have = false;
            continue;
        }
        const int raw = m.y(val * scale);
        const bool in = raw >= m.top && raw <= m.bottom;
        const int y = std::clamp(raw, m.top, m.bottom);
        if (have && (in || inside))
            add(out, Shape::Line, px, py, x, y, color);
        else if (!have && in)
            add(out, Shape::Line, x, y, x, y, color);
        px = x;
        py = y;
        have = true;
        inside = in;
    }
}

void axisLabels(std::vector<Primitive>& out, const std::vector<ScaleLabel>& labels, const YMap& m, int plotLeft,
                int plotRight, bool percent, bool volume) {
    for (const ScaleLabel& l : labels) {
        const int y = m.y(l.value);
        if (y < m.top || y > m.bottom)
            continue;
        add(out, Shape::DottedLine, plotLeft, y, plotRight, y, kGrid);
        std::string s = percent  ? percentText(l.value)
                        : volume ? volumeText(static_cast<std::int64_t>(std::llround(l.value)))
                                 : l.text;
        text(out, plotRight + 4, std::clamp(y - 6, m.top - 4, m.bottom - 8), std::move(s), kText);
    }
}

double lastValue(const Series& s, SeriesView v, int at) {
    if (at >= v.first && at <= v.last)
        return s[static_cast<std::size_t>(at)];
    for (int b = v.last; b >= v.first; --b)
        if (!isMissing(s[static_cast<std::size_t>(b)]))
            return s[static_cast<std::size_t>(b)];
    return kMissing;
}

std::string paneTitleOf(PaneKind k, const SceneOptions& options) {
    switch (k) {
    case PaneKind::Volume:
        return "出来高";
    case PaneKind::Margin:
        return "信用残 売/買";
    case PaneKind::Psych:
        return "サイコロ(" + std::to_string(options.psychPeriod) + ")";
    case PaneKind::Rsi:
        return "RSI(" + std::to_string(options.flowPeriod) + ")";
    case PaneKind::Vr:
        return "VR(" + std::to_string(options.flowPeriod) + ")";
    case PaneKind::Macd:
        return "MACD";
    case PaneKind::Stoch:
        return "ストキャス";
    case PaneKind::Rci:
        return "RCI";
    case PaneKind::Dmi:
        return "DMI";
    case PaneKind::Ito:
        return "伊藤ﾚｼｵ(" + std::to_string(options.itoPeriod) + ")";
    }
    return {};
}

} // namespace

Series trendCurve(const BarSeries& series, SeriesView view) {
    Series out(series.bars.size(), kMissing);
    if (view.empty() || view.first < 0 || view.last >= static_cast<int>(series.bars.size()))
        return out;
    std::vector<Currency> closes;
    closes.reserve(static_cast<std::size_t>(view.count()));
    for (int b = view.first; b <= view.last; ++b)
        closes.push_back(series.bars[static_cast<std::size_t>(b)].closeCarried);
    const QuadraticFit fit = fitQuadratic(closes);
    for (int b = view.first; b <= view.last; ++b)
        if (const Currency f = fit.valueAt(b - view.first + 1); f.raw() != 0)
            out[static_cast<std::size_t>(b)] = f.toDouble();
    return out;
}

Series averageChange(const BarSeries& series, int period, int span) {
    const std::size_t n = series.bars.size();
    Series out(n, kMissing);
    if (period < 1 || span < 1)
        return out;
    constexpr std::int64_t kScale = Currency::kScale;
    std::vector<std::int64_t> ma(n, 0); // whole yen; 0: none
    detail::Int128 sum = 0;             // raw Currency
    std::int64_t count = 0;             // bars with a carried close
    for (std::size_t t = 0; t < n; ++t) {
        const std::int64_t c = series.bars[t].closeCarried.raw();
        sum += c;
        count += c != 0;
        if (t >= static_cast<std::size_t>(period)) {
            const std::int64_t leaving = series.bars[t - static_cast<std::size_t>(period)].closeCarried.raw();
            sum -= leaving;
            count -= leaving != 0;
        }
        if (t + 1 < static_cast<std::size_t>(period) || count == 0)
            continue;
        // The mean plus one half, truncated, as the 110-bar chart takes it.
        ma[t] = static_cast<std::int64_t>((sum * 2 + count * kScale) / (detail::Int128{count} * 2 * kScale));
        if (ma[t] == 0)
            continue;
        if (t >= static_cast<std::size_t>(span) && ma[t - static_cast<std::size_t>(span)] != 0)
            out[t] = static_cast<double>(ma[t] - ma[t - static_cast<std::size_t>(span)]);
    }
    return out;
}

ItoRatio itoRatio(const BarSeries& series, SeriesView view, const Series& changes, int period) {
    ItoRatio r;
    r.values.assign(series.bars.size(), kMissing);
    view.first = std::max(view.first, 0);
    view.last = std::min(view.last, series.size() - 1);
    if (view.empty() || period < 1 || changes.size() != series.bars.size())
        return r;
    // The 110-bar chart's price scale of the view's bars.
    constexpr std::int64_t kScale = Currency::kScale;
    Currency maxHigh = Currency::fromWhole(-1), minLow;
    bool anyLow = false;
    for (int b = view.first; b <= view.last; ++b) {
        const SeriesBar& bar = series.bars[static_cast<std::size_t>(b)];
        maxHigh = std::max(maxHigh, bar.high);
        if (bar.low.raw() != 0 && (!anyLow || bar.low < minLow)) {
            minLow = bar.low;
            anyLow = true;
        }
    }
    const Currency top =
        Currency::fromWhole(static_cast<std::int64_t>(detail::divFloor(maxHigh.raw(), 10 * kScale)) * 10 + 10);
    const Currency bottom = anyLow ? Currency::fromWhole(minLow.raw() / (10 * kScale) * 10) : Currency();
    const Currency unit = (top - bottom).dividedBy(kPricePanelHeight);
    if (unit.raw() <= 0)
        return r;
    const double run = kBarWidth * unit.toDouble() * period;
    std::vector<Currency> angles(static_cast<std::size_t>(view.count()));
    Currency largest;
    for (int b = view.first; b <= view.last; ++b) {
        const double change = changes[static_cast<std::size_t>(b)];
        if (isMissing(change))
            continue;
        const Currency a = Currency::fromDouble(std::atan(change / run) * 180.0 / std::numbers::pi);
        angles[static_cast<std::size_t>(b - view.first)] = a;
        largest = std::max(largest, a.raw() < 0 ? -a : a);
    }
    for (int b = view.first; b <= view.last; ++b)
        if (!isMissing(changes[static_cast<std::size_t>(b)]))
            r.values[static_cast<std::size_t>(b)] =
                (angles[static_cast<std::size_t>(b - view.first)] + largest).toDouble();
    r.level = largest.toDouble();
    return r;
}

std::vector<MarkSpot> markSpots(const std::vector<BarMark>& marks, SeriesView view, const SceneLayout& lay) {
    std::vector<MarkSpot> spots;
    int markRight = lay.plotLeft - 1;
    for (std::size_t k = 0; k < marks.size(); ++k) {
        const BarMark& m = marks[k];
        if (m.bar < view.first || m.bar > view.last || m.label.empty())
            continue;
        const int x = lay.barX(m.bar, view);
        const int left = barMarkLeft(m, x);
        if (left <= markRight || left < lay.plotLeft || left + barMarkWidth(m) > lay.plotRight)
            continue;
        markRight = left + barMarkWidth(m);
        spots.push_back({static_cast<int>(k), x, left, markRight});
    }
    return spots;
}

int markAt(const std::vector<BarMark>& marks, SeriesView view, const SceneLayout& lay, int x, int y) {
    if (y < lay.priceBottom - 17 || y > lay.priceBottom)
        return -1;
    for (const MarkSpot& spot : markSpots(marks, view, lay))
        if (x >= spot.left && x <= spot.right)
            return spot.index;
    return -1;
}

SeriesChart::SeriesChart(BarSeries series, SceneOptions options, std::vector<ComparedIssue> compared)
    : m_series(std::move(series)), m_options(std::move(options)), m_compared(std::move(compared)) {
    if (m_options.panes.size() > static_cast<std::size_t>(kMaxScenePanes))
        m_options.panes.resize(kMaxScenePanes);
    if (m_compared.size() > static_cast<std::size_t>(kMaxCompared))
        m_compared.resize(kMaxCompared);
    if (!m_options.technical.validate())
        m_options.technical = TechnicalSettings{};
    const TechnicalSettings& ts = m_options.technical;
    m_closes = closes(m_series);
    std::size_t colour = 0;
    for (int n : m_options.averages)
        if (n > 0)
            m_priceLines.push_back({"MA" + std::to_string(n), sma(m_closes, n), kLineColors[colour++ % 3]});
    if (!m_options.overlays.empty()) {
        // Only the families the overlays name are computed.
        TechnicalValues all;
        auto wants = [&](std::initializer_list<std::string_view> prefixes) {
            for (const std::string& n : m_options.overlays)
                for (std::string_view p : prefixes)
                    if (std::string_view(n).substr(0, p.size()) == p)
                        return true;
            return false;
        };
        if (wants({"tenkan", "kijun", "span"}))
            all.ichimoku = ichimoku(m_series, ts.tenkanPeriod, ts.kijunPeriod, ts.span2Period);
        buildCloud(all.ichimoku);
        if (wants({"bb"}))
            all.bollinger = bollinger(m_series, ts.bbPeriod, ts.bbSigma);
        if (wants({"macd"}))
            all.macd = macd(m_series, ts.macdFast, ts.macdSlow, ts.macdSignal, ts.macdSignalKind);
        if (wants({"stoch"}))
            all.stochastic = stochastic(m_series, ts.stochK, ts.stochD, ts.stochSD);
        if (wants({"rci"}))
            all.rci = {rci(m_series, ts.rci1), rci(m_series, ts.rci2), rci(m_series, ts.rci3)};
        if (wants({"pdi", "mdi", "adx"}))
            all.dmi = dmi(m_series, ts.dmiPeriod);
        if (wants({"sar"}))
            all.sar = parabolicSar(m_series, ts.sarStep, ts.sarMax);
        if (wants({"env"}))
            all.envelope = envelope(m_series, ts.envPeriod, ts.envPercent);
        if (wants({"hl"}))
            all.hlBand = hlBand(m_series, ts.hlPeriod);
        for (const std::string& name : m_options.overlays) {
            if (const Series* s = all.find(name); s && s->size() == m_series.bars.size()) {
                const std::optional<Rgb> own = cloudLineColor(name);
                m_priceLines.push_back({name, *s, own ? *own : kLineColors[colour++ % kLineColors.size()]});
            } else
                m_unknown.push_back(name);
        }
    }
    for (PaneKind k : m_options.panes) {
        Pane p{k, {}, 0, 100};
        auto line = [&](std::string name, Series s, Rgb c) { p.lines.push_back({std::move(name), std::move(s), c}); };
        switch (k) {
        case PaneKind::Volume:
        case PaneKind::Margin:
            p.high = 0; // fitted
            break;
        case PaneKind::Psych:
            line("", psychLine(m_series, m_options.psychPeriod), kShownColors[kPsych]);
            break;
        case PaneKind::Rsi:
            line("", rsiLine(m_series, m_options.flowPeriod), kShownColors[kRsi]);
            break;
        case PaneKind::Vr:
            line("", volumeRatio(m_series, m_options.flowPeriod), kShownColors[kVr]);
            break;
        case PaneKind::Macd: {
            Macd m = macd(m_series, ts.macdFast, ts.macdSlow, ts.macdSignal, ts.macdSignalKind);
            line("MACD", std::move(m.macd), kLineColors[3]);
            line("シグナル", std::move(m.signal), kLineColors[4]);
            p.high = p.low; // fitted
            break;
        }
        case PaneKind::Stoch: {
            Stochastic s = stochastic(m_series, ts.stochK, ts.stochD, ts.stochSD);
            line("%K", std::move(s.k), kLineColors[3]);
            line("%D", std::move(s.d), kLineColors[4]);
            line("SD", std::move(s.sd), kLineColors[5]);
            break;
        }
        case PaneKind::Rci:
            line(std::to_string(ts.rci1), rci(m_series, ts.rci1), kLineColors[0]);
            line(std::to_string(ts.rci2), rci(m_series, ts.rci2), kLineColors[1]);
            line(std::to_string(ts.rci3), rci(m_series, ts.rci3), kLineColors[2]);
            p.low = -100;
            break;
        case PaneKind::Dmi: {
            Dmi d = dmi(m_series, ts.dmiPeriod);
            line("+DI", std::move(d.pdi), kLineColors[3]);
            line("-DI", std::move(d.mdi), kLineColors[4]);
            line("ADX", std::move(d.adx), kLineColors[5]);
            break;
        }
        case PaneKind::Ito:
            // Fitted to each view when drawn.
            m_itoChanges = averageChange(m_series, m_options.itoPeriod, m_options.itoSpan);
            break;
        }
        m_panes.push_back(std::move(p));
    }
    for (const ComparedIssue& c : m_compared)
        m_compareCloses.push_back(alignCloses(m_series, c.series));
}

Series SeriesChart::comparePercent(int k, SeriesView view) const {
    if (k < 0 || k >= static_cast<int>(m_compareCloses.size()))
        return {};
    return percentFrom(m_compareCloses[static_cast<std::size_t>(k)], view);
}

std::string SeriesChart::paneTitle(int pane) const {
    if (pane < 0 || pane >= static_cast<int>(m_panes.size()))
        return {};
    return paneTitleOf(m_panes[static_cast<std::size_t>(pane)].kind, m_options);
}

SceneLayout SeriesChart::layout(SeriesView view, int width, int height) const {
    SceneLayout lay;
    lay.plotLeft = 4;
    lay.plotRight = std::max(lay.plotLeft + 1, width - kAxisWidth - 1);
    lay.futureSlots = futureSlots(view);
    lay.candles =
        !view.empty() && (lay.plotRight - lay.plotLeft + 1) / (view.count() + lay.futureSlots) >= kCandleMinSlot;
    const int top = kLegendHeight;
    const int bottom = height - kDateAxisHeight - 1;
    const int n = static_cast<int>(m_panes.size());
    const int avail = bottom - top + 1;
    // Each pane a sixth of the height (at least 40 rows) while the price panel keeps 40 % of it.
    int paneH = n == 0 ? 0 : std::max(40, avail / 6);
    if (n > 0 && avail - n * (paneH + kPaneGap + kLegendHeight) < avail * 2 / 5)
        paneH = std::max(8, (avail * 3 / 5) / n - kPaneGap - kLegendHeight);
    std::vector<int> heights(static_cast<std::size_t>(n), paneH);
    if (m_options.paneWeights.size() == heights.size())
        for (std::size_t i = 0; i < heights.size(); ++i)
            heights[i] = std::max(
                8, static_cast<int>(std::lround(avail * std::clamp(m_options.paneWeights[i], 0, 1000) / 1000.0)) -
                       kPaneGap - kLegendHeight);
    int below = 0;
    for (int h : heights)
        below += h + kPaneGap + kLegendHeight;
    lay.priceTop = top;
    lay.priceBottom = std::max(top + 8, bottom - below);
    int y = lay.priceBottom + 1;
    for (int h : heights) {
        y += kPaneGap + kLegendHeight;
        lay.panes.push_back({y, y + h - 1});
        y += h;
    }
    return lay;
}

double PriceScale::yOf(double price) const {
    const double v = price * factor;
    double f;
    if (log)
        f = v > 0 ? (std::log(v) - std::log(low)) / (std::log(high) - std::log(low)) : -1;
    else
        f = (v - low) / (high - low);
    return bottom - f * (bottom - top);
}

double PriceScale::priceAt(double y) const {
    const double f = bottom == top ? 0 : (bottom - y) / (bottom - top);
    const double v = log ? std::exp(std::log(low) + f * (std::log(high) - std::log(low))) : low + f * (high - low);
    return v / factor;
}

PriceScale SeriesChart::priceScale(SeriesView view, const SceneLayout& lay) const {
    view.first = std::max(view.first, 0);
    view.last = std::min(view.last, m_series.size() - 1);
    double scale = 1.0;
    if (!m_compareCloses.empty()) {
        for (int b = view.first; b <= view.last; ++b)
            if (m_closes[static_cast<std::size_t>(b)] > 0) {
                scale = 100.0 / m_closes[static_cast<std::size_t>(b)];
                break;
            }
    }
    YMap pm{lay.priceTop, lay.priceBottom, 0, 1, m_options.logScale};
    double low = 1e300, high = -1e300;
    for (int b = view.first; b <= view.last; ++b) {
        const SeriesBar& bar = m_series.bars[static_cast<std::size_t>(b)];
        if (!bar.traded())
            continue;
        if (bar.low.raw() > 0)
            low = std::min(low, bar.low.toDouble() * scale);
        high = std::max(high, bar.high.toDouble() * scale);
    }
    for (const Series& closes : m_compareCloses) {
        const Series pct = percentFrom(closes, view);
        for (int b = view.first; b <= view.last; ++b)
            if (const double v = pct[static_cast<std::size_t>(b)]; !isMissing(v)) {
                low = std::min(low, 100 + v);
                high = std::max(high, 100 + v);
            }
    }
    fit(pm, low, high);
    return {lay.priceTop, lay.priceBottom, pm.low, pm.high, pm.log, scale};
}

std::vector<Primitive> SeriesChart::draw(SeriesView view, int width, int height, int legendBar) const {
    std::vector<Primitive> out;
    out.reserve(16384);
    const Rgb back = plotBackColor(m_options.screenMode);
    const Rgb up = upColor(m_options.screenMode);
    add(out, Shape::FillRect, 0, 0, width - 1, height - 1, windowBackColor(m_series.mode == BarMode::Daily ? 1 : 2));
    view.first = std::max(view.first, 0);
    view.last = std::min(view.last, m_series.size() - 1);
    if (width < 200 || height < 160 || view.empty())
        return out;
    const int legendAt = legendBar >= view.first && legendBar <= view.last ? legendBar : view.last;
    const SceneLayout lay = layout(view, width, height);
    const int L = lay.plotLeft, R = lay.plotRight;
    // Each panel with its legend row above it.
    add(out, Shape::FillRect, L, lay.priceTop - kLegendHeight + 1, R, lay.priceBottom, back);
    for (const auto& [t, b] : lay.panes)
        add(out, Shape::FillRect, L, t - kLegendHeight, R, b, back);

    // The date axis and its grid, under everything drawn in the panels.
    const int axisY = (lay.panes.empty() ? lay.priceBottom : lay.panes.back().second) + 3;
    for (const DateLabel& d : axisDates(view, lay)) {
        const int x = d.x - 2;
        add(out, Shape::DottedLine, x, lay.priceTop, x, lay.priceBottom, kGrid);
        for (const auto& [t, b] : lay.panes)
            add(out, Shape::DottedLine, x, t, x, b, kGrid);
        text(out, d.x, axisY, d.text, kText);
    }

    // Price panel: prices, or an index of 100 at the first bar while a comparison is on.
    const bool compare = !m_compareCloses.empty();
    const PriceScale ps = priceScale(view, lay);
    const double scale = ps.factor;
    std::vector<Series> comparePct;
    for (std::size_t k = 0; k < m_compareCloses.size(); ++k)
        comparePct.push_back(percentFrom(m_compareCloses[k], view));
    const YMap pm{ps.top, ps.bottom, ps.low, ps.high, ps.log};
    axisLabels(out, priceLabels(pm.low, pm.high, pm.bottom - pm.top, pm.log), pm, L, R, compare, false);
    drawCloud(out, view, lay, ps, true);

    if (lay.candles) {
        const double slot = static_cast<double>(R - L + 1) / (view.count() + lay.futureSlots);
        int half = std::max(0, static_cast<int>(slot * 0.7) / 2);
        for (int b = view.first; b <= view.last; ++b) {
            const SeriesBar& bar = m_series.bars[static_cast<std::size_t>(b)];
            if (!bar.traded())
                continue;
            const int x = lay.barX(b, view);
            const bool rising = bar.close >= bar.open;
            const Rgb c = rising ? up : kCandleDown;
            add(out, Shape::Line, x, pm.y(bar.high.toDouble() * scale), x, pm.y(bar.low.toDouble() * scale), c);
            add(out, Shape::FilledBox, x - half, pm.y(bar.open.toDouble() * scale), x + half,
                pm.y(bar.close.toDouble() * scale), c);
        }
    } else {
        // One high-low stroke per pixel column over every bar in it.
        int col = -1;
        double hi = 0, lo = 0;
        auto flush = [&] {
            if (col >= 0 && hi > 0)
                add(out, Shape::Line, col, pm.y(hi), col, pm.y(lo), kCandleDown);
        };
        for (int b = view.first; b <= view.last; ++b) {
            const SeriesBar& bar = m_series.bars[static_cast<std::size_t>(b)];
            const int x = lay.barX(b, view);
            if (x != col) {
                flush();
                col = x;
                hi = lo = 0;
            }
            if (!bar.traded() || bar.low.raw() <= 0)
                continue;
            const double h = bar.high.toDouble() * scale, l = bar.low.toDouble() * scale;
            hi = hi == 0 ? h : std::max(hi, h);
            lo = lo == 0 ? l : std::min(lo, l);
        }
        flush();
    }
    int legendX = L;
    auto legend = [&](int y, const std::string& s, Rgb c) {
        if (legendX + textWidth(s) <= R) {
            text(out, legendX, y, s, c);
            legendX += textWidth(s) + 12;
        }
    };
    if (m_options.volumeProfile && !compare) {
        const VolumeProfile profile = volumeProfile(m_series, view.first, view.last, m_options.technical.vpBins);
        double most = 0;
        for (const VolumeBin& b : profile.bins)
            most = std::max(most, b.volume);
        const int longest = (R - L) / 5;
        for (std::size_t k = 0; k < profile.bins.size(); ++k) {
            const VolumeBin& b = profile.bins[k];
            if (most <= 0 || b.volume <= 0)
                continue;
            const int yTop = std::clamp(pm.y(b.high), pm.top, pm.bottom);
            int yBottom = std::clamp(pm.y(b.low), pm.top, pm.bottom);
            if (yBottom - yTop >= 2)
                --yBottom; // a pixel between neighbouring bands
            const int len = static_cast<int>(std::lround(b.volume / most * longest));
            const Rgb color =
                m_options.technicalColors[static_cast<int>(k) == profile.lastCloseBin ? kColVolumeProfileLast
                                                                                      : kColVolumeProfile];
            if (len > 0)
                add(out, Shape::TranslucentBox, L + 1, yTop, L + len, yBottom, color);
        }
    }
    if (m_options.curve && !compare)
        polyline(out, trendCurve(m_series, view), view, lay, pm, kCurveColor);
    for (const Line& l : m_priceLines) {
        if (!m_cloud || (l.name != "span1" && l.name != "span2")) // the cloud draws its spans shifted
            polyline(out, l.values, view, lay, pm, l.color, scale);
        const double v = lastValue(l.values, view, legendBar);
        legend(1,
               l.name + " " +
                   (isMissing(v) ? "-"
                    : compare    ? percentText(v * scale)
                                 : priceText(std::round(v * 100) / 100)),
               l.color);
    }
    drawCloud(out, view, lay, ps, false);
    for (std::size_t k = 0; k < comparePct.size(); ++k) {
        Series index = comparePct[k];
        for (double& v : index)
            if (!isMissing(v))
                v += 100;
        polyline(out, index, view, lay, pm, kCompareColors[k]);
        const double v = lastValue(index, view, legendBar);
        legend(1,
               std::to_string(m_compared[k].code) + " " + (isMissing(v) ? "-" : percentText(std::round(v * 100) / 100)),
               kCompareColors[k]);
    }
    const SeriesBar& lastBar = m_series.bars[static_cast<std::size_t>(view.last)];
    if (lastBar.forming && lastBar.traded()) {
        const int x = std::clamp(lay.barX(view.last, view) - 18, L, R - 36);
        const int y = std::max(lay.priceTop, pm.y(lastBar.high.toDouble() * scale) - 14);
        text(out, x, y, "形成中", kWhite);
    }
    for (const MarkSpot& spot : markSpots(m_options.marks, view, lay)) {
        add(out, Shape::Line, spot.x, lay.priceBottom - 3, spot.x, lay.priceBottom - 1, kBarMarkColor);
        text(out, spot.left, lay.priceBottom - 17, m_options.marks[static_cast<std::size_t>(spot.index)].label,
             kBarMarkColor);
    }

    // The panes.
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        const Pane& p = m_panes[i];
        const int top = lay.panes[i].first, bottom = lay.panes[i].second;
        YMap m{top, bottom, p.low, p.high, false};
        std::vector<Line> lines = p.lines;
        if (p.kind == PaneKind::Volume || p.kind == PaneKind::Margin) {
            double most = 0;
            for (int b = view.first; b <= view.last; ++b) {
                const SeriesBar& bar = m_series.bars[static_cast<std::size_t>(b)];
                most = std::max(most, p.kind == PaneKind::Volume
                                          ? static_cast<double>(bar.volume)
                                          : static_cast<double>(std::max(bar.sellBalance, bar.buyBalance)));
            }
            m.low = 0;
            m.high = std::max(1.0, most * 1.05);
        } else if (p.kind == PaneKind::Ito) {
            ItoRatio ito = itoRatio(m_series, view, m_itoChanges, m_options.itoPeriod);
            // 0 .. 2 × level with the level in the middle (a flat view: the line at the middle).
            m.low = ito.level > 0 ? 0 : -1;
            m.high = ito.level > 0 ? 2 * ito.level : 1;
            const int y = m.y(ito.level);
            add(out, Shape::DottedLine, L, y, R, y, kItoColor);
            lines.push_back({"", std::move(ito.values), kItoColor});
        } else if (p.high <= p.low) {
            double lo = 1e300, hi = -1e300;
            for (const Line& l : lines)
                for (int b = view.first; b <= view.last; ++b)
                    if (const double v = l.values[static_cast<std::size_t>(b)]; !isMissing(v)) {
                        lo = std::min(lo, v);
                        hi = std::max(hi, v);
                    }
            fit(m, lo, hi);
        }
        const bool counts = p.kind == PaneKind::Volume || p.kind == PaneKind::Margin;
        axisLabels(out, priceLabels(m.low, m.high, bottom - top, false, 14), m, L, R, false, counts);
        legendX = L;
        const int legendY = top - kLegendHeight;
        std::string title = paneTitleOf(p.kind, m_options);
        if (p.kind == PaneKind::Volume && lay.candles) {
            const int half = std::max(
                0, static_cast<int>(static_cast<double>(R - L + 1) / (view.count() + lay.futureSlots) * 0.7) / 2);
            for (int b = view.first; b <= view.last; ++b)
                if (const std::int64_t v = m_series.bars[static_cast<std::size_t>(b)].volume; v > 0) {
                    const int x = lay.barX(b, view);
                    add(out, Shape::FilledBox, x - half, m.y(static_cast<double>(v)), x + half, bottom, kVolumeColor);
                }
            title += " " + volumeText(m_series.bars[static_cast<std::size_t>(legendAt)].volume);
        } else if (p.kind == PaneKind::Volume) {
            int col = -1;
            std::int64_t most = 0;
            auto flush = [&] {
                if (col >= 0 && most > 0)
                    add(out, Shape::Line, col, m.y(static_cast<double>(most)), col, bottom, kVolumeColor);
            };
            for (int b = view.first; b <= view.last; ++b) {
                const int x = lay.barX(b, view);
                if (x != col) {
                    flush();
                    col = x;
                    most = 0;
                }
                most = std::max(most, m_series.bars[static_cast<std::size_t>(b)].volume);
            }
            flush();
            title += " " + volumeText(m_series.bars[static_cast<std::size_t>(legendAt)].volume);
        } else if (p.kind == PaneKind::Margin) {
            Series sell(m_series.bars.size(), kMissing), buy(m_series.bars.size(), kMissing);
            for (int b = view.first; b <= view.last; ++b) {
                const SeriesBar& bar = m_series.bars[static_cast<std::size_t>(b)];
                sell[static_cast<std::size_t>(b)] = static_cast<double>(bar.sellBalance);
                buy[static_cast<std::size_t>(b)] = static_cast<double>(bar.buyBalance);
            }
            lines.push_back({"売", std::move(sell), kShownColors[kSell]});
            lines.push_back({"買", std::move(buy), kShownColors[kBuy]});
        }
        legend(legendY, title, kWhite);
        for (const Line& l : lines) {
            polyline(out, l.values, view, lay, m, l.color);
            const double v = lastValue(l.values, view, legendBar);
            const std::string value = isMissing(v) ? "-" : counts ? volumeText(std::llround(v)) : fixed(v, 1);
            legend(legendY, (l.name.empty() ? "" : l.name + " ") + value, l.color);
        }
    }
    return out;
}

} // namespace kestrel::chart
