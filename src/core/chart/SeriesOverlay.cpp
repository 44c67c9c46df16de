// The overlay of a chart of any span: dates placed on the series, lines clipped to the price panel,
// labels placed clear of the bars, and the mouse's inverse mapping.
#include "core/chart/SeriesOverlay.h"

#include "core/chart/SeriesReadout.h"

#include <algorithm>
#include <cmath>

namespace kestrel::chart {
namespace {

constexpr Rgb kTagText{0, 0, 0};

bool sameWeek(Date a, Date b) {
    // Weeks run Monday to Sunday; weekday() is 1 for Sunday.
    auto monday = [](Date d) { return d.addDays(-((d.weekday() + 5) % 7)); };
    return monday(a) == monday(b);
}

bool sameMonth(Date a, Date b) {
    return a.year() == b.year() && a.month() == b.month();
}

double distanceTo(double px, double py, const Segment& s) {
    const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    const double len2 = dx * dx + dy * dy;
    const double t = len2 == 0 ? 0 : std::clamp(((px - s.x1) * dx + (py - s.y1) * dy) / len2, 0.0, 1.0);
    return std::hypot(px - (s.x1 + t * dx), py - (s.y1 + t * dy));
}

bool overlaps(const LabelBox& a, const LabelBox& b) {
    return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}

void add(std::vector<Primitive>& out, Shape shape, int x1, int y1, int x2, int y2, Rgb c, std::string text = {}) {
    out.push_back({shape, x1, y1, x2, y2, c, std::move(text)});
}

int row(const OverlayGeometry& g, Currency price) {
    return static_cast<int>(std::lround(std::clamp(g.scale.yOf(price.toDouble()), -1e7, 1e7)));
}

} // namespace

double daysPerBar(BarMode mode) {
    switch (mode) {
    case BarMode::Weekly:
        return 7;
    case BarMode::Monthly:
        return 365.25 / 12;
    case BarMode::Daily:
        break;
    }
    return 7.0 / 5;
}

std::optional<int> barOfDate(const BarSeries& s, Date date) {
    const auto it =
        std::lower_bound(s.bars.begin(), s.bars.end(), date, [](const SeriesBar& b, Date d) { return b.date < d; });
    const int i = static_cast<int>(it - s.bars.begin());
    switch (s.mode) {
    case BarMode::Daily:
        if (i < s.size() && (i > 0 || s.bars[0].date == date))
            return i;
        return std::nullopt;
    case BarMode::Weekly:
    case BarMode::Monthly:
        // A week's (month's) bar is dated its last trading day, which may lie before or after the date.
        for (int k : {i, i - 1})
            if (k >= 0 && k < s.size()) {
                const Date b = s.bars[static_cast<std::size_t>(k)].date;
                if (s.mode == BarMode::Weekly ? sameWeek(b, date) : sameMonth(b, date))
                    return k;
            }
        return std::nullopt;
    }
    return std::nullopt;
}

double datePosition(const BarSeries& s, Date date) {
    if (s.bars.empty())
        return 0;
    if (auto bar = barOfDate(s, date); bar && (s.mode != BarMode::Daily || s.bars[*bar].date == date))
        return *bar;
    const double perBar = daysPerBar(s.mode);
    if (date < s.bars.front().date)
        return -date.daysUntil(s.bars.front().date) / perBar;
    if (date > s.bars.back().date)
        return s.size() - 1 + s.bars.back().date.daysUntil(date) / perBar;
    const auto it =
        std::lower_bound(s.bars.begin(), s.bars.end(), date, [](const SeriesBar& b, Date d) { return b.date < d; });
    const int i = static_cast<int>(it - s.bars.begin()); // 1..size-1: bars i-1 and i enclose the date
    const Date a = s.bars[static_cast<std::size_t>(i - 1)].date, b = s.bars[static_cast<std::size_t>(i)].date;
    return i - 1 + static_cast<double>(a.daysUntil(date)) / a.daysUntil(b);
}

double OverlayGeometry::xOf(double position) const {
    const double slot = static_cast<double>(layout.plotRight - layout.plotLeft + 1) / std::max(1, view.count());
    return layout.plotLeft + std::floor((position - view.first + 0.5) * slot);
}

OverlayGeometry overlayGeometry(const SeriesChart& chart, SeriesView view, int width, int height) {
    OverlayGeometry g;
    if (width < 200 || height < 160)
        return g; // the scene draws only its background there
    g.series = &chart.series();
    view.first = std::max(view.first, 0);
    view.last = std::min(view.last, chart.series().size() - 1);
    g.view = view;
    g.layout = chart.layout(view, width, height);
    g.scale = chart.priceScale(view, g.layout);
    return g;
}

SegmentF seriesLineEnds(const OverlayGeometry& g, const ChartLine& line) {
    const double y1 = g.scale.yOf(line.price1.toDouble());
    if (line.kind == LineKind::Horizontal)
        return {static_cast<double>(g.layout.plotLeft), y1, static_cast<double>(g.layout.plotRight), y1};
    return {g.xOf(datePosition(*g.series, line.date1)), y1, g.xOf(datePosition(*g.series, line.date2)),
            g.scale.yOf(line.price2.toDouble())};
}

std::optional<Segment> seriesLineShown(const OverlayGeometry& g, const ChartLine& line) {
    if (!g.valid())
        return std::nullopt;
    SegmentF ends = seriesLineEnds(g, line);
    if (line.kind == LineKind::Horizontal)
        ends.y1 = ends.y2 = std::round(ends.y1); // the row the bars of that price are drawn at
    auto s = clipSegment(ends, g.layout.plotLeft, g.layout.priceTop, g.layout.plotRight, g.layout.priceBottom);
    if (!s)
        return std::nullopt;
    auto px = [](double v) { return static_cast<int>(std::lround(v)); };
    return Segment{px(s->x1), px(s->y1), px(s->x2), px(s->y2)};
}

LabelSpot levelLabelSpot(const OverlayGeometry& g, int y, int width, const std::vector<LabelBox>& taken) {
    const SceneLayout& lay = g.layout;
    const int topMost = lay.priceTop, bottomMost = std::max(lay.priceTop, lay.priceBottom - kLabelHeight + 1);
    const int right = std::max(lay.plotLeft, lay.plotRight - 2 - width), left = lay.plotLeft + 2;
    const LabelSpot spots[4] = {{right, std::clamp(y - kLabelHeight - 1, topMost, bottomMost)},
                                {right, std::clamp(y + 2, topMost, bottomMost)},
                                {left, std::clamp(y - kLabelHeight - 1, topMost, bottomMost)},
                                {left, std::clamp(y + 2, topMost, bottomMost)}};
    LabelSpot best = spots[0];
    long bestScore = -1;
    for (const LabelSpot& s : spots) {
        const LabelBox box{s.x, s.y, s.x + width - 1, s.y + kLabelHeight - 1};
        long score = 0;
        for (const LabelBox& t : taken)
            if (overlaps(box, t))
                score += 1000000;
        // Only the bars whose columns can meet the box.
        const double slot = static_cast<double>(lay.plotRight - lay.plotLeft + 1) / std::max(1, g.view.count());
        const int from =
            std::max(g.view.first, g.view.first + static_cast<int>((box.x1 - 2 - lay.plotLeft) / slot) - 1);
        const int to = std::min(g.view.last, g.view.first + static_cast<int>((box.x2 + 2 - lay.plotLeft) / slot) + 1);
        for (int b = from; b <= to && g.valid(); ++b) {
            const SeriesBar& bar = g.series->bars[static_cast<std::size_t>(b)];
            const int x = lay.barX(b, g.view);
            if (x < box.x1 - 1 || x > box.x2 + 1 || !bar.traded())
                continue;
            const double hi = g.scale.yOf(bar.high.toDouble()), lo = g.scale.yOf(bar.low.toDouble());
            if (hi <= box.y2 + 0.5 && lo >= box.y1 - 0.5)
                ++score;
        }
        if (bestScore < 0 || score < bestScore) {
            best = s;
            bestScore = score;
        }
    }
    return best;
}

std::optional<PriceTag> priceTag(const OverlayGeometry& g, Currency price) {
    if (!g.valid())
        return std::nullopt;
    const int y = row(g, price);
    if (y < g.layout.priceTop || y > g.layout.priceBottom)
        return std::nullopt;
    PriceTag tag;
    tag.text = priceText(price.toDouble());
    const int top = std::clamp(y - kLabelHeight / 2, g.layout.priceTop, g.layout.priceBottom - kLabelHeight + 1);
    tag.box = {g.layout.plotRight + 1, top, g.layout.plotRight + 4 + textWidth(tag.text), top + kLabelHeight - 1};
    return tag;
}

std::vector<Primitive> drawSeriesOverlay(const OverlayGeometry& g, const ChartOverlay& o) {
    std::vector<Primitive> out;
    if (!g.valid())
        return out;
    const SceneLayout& lay = g.layout;
    for (const ChartLine& l : o.lines) {
        const bool selected = l.id != 0 && l.id == o.selectedLine;
        const Rgb c = selected ? kSelectedLineColor : kLineColor;
        auto s = seriesLineShown(g, l);
        if (!s)
            continue;
        add(out, Shape::Line, s->x1, s->y1, s->x2, s->y2, c);
        if (l.kind == LineKind::Horizontal) {
            if (auto tag = priceTag(g, l.price1)) {
                add(out, Shape::FilledBox, tag->box.x1, tag->box.y1, tag->box.x2, tag->box.y2, c);
                add(out, Shape::Text, tag->box.x1 + 2, tag->box.y1, 0, 0, kTagText, tag->text);
            }
        } else if (selected) {
            const SegmentF e = seriesLineEnds(g, l);
            for (auto [fx, fy] : {std::pair{e.x1, e.y1}, std::pair{e.x2, e.y2}}) {
                if (fx < lay.plotLeft || fx > lay.plotRight || fy < lay.priceTop || fy > lay.priceBottom)
                    continue;
                const int x = static_cast<int>(std::lround(fx)), y = static_cast<int>(std::lround(fy));
                add(out, Shape::Box, x - 2, y - 2, x + 2, y + 2, c);
            }
        }
    }
    if (!o.ledgerShown)
        return out;
    std::vector<LabelBox> taken;
    for (const PriceLevel& lv : o.levels) {
        const int y = row(g, lv.price);
        if (y < lay.priceTop || y > lay.priceBottom)
            continue;
        const Rgb c = lv.target ? kTargetColor : kBreakEvenColor;
        add(out, Shape::DottedLine, lay.plotLeft, y, lay.plotRight, y, c);
        const int w = textWidth(lv.label);
        const LabelSpot at = levelLabelSpot(g, y, w, taken);
        taken.push_back({at.x, at.y, at.x + w - 1, at.y + kLabelHeight - 1});
        add(out, Shape::Text, at.x, at.y, 0, 0, c, lv.label);
    }
    for (const TradeMark& t : o.trades) {
        const auto b = barOfDate(*g.series, t.date);
        if (!b || *b < g.view.first || *b > g.view.last)
            continue;
        const SeriesBar& bar = g.series->bars[static_cast<std::size_t>(*b)];
        const int x = lay.barX(*b, g.view);
        if (t.buy) {
            // Under the low, apex up; inside the panel.
            const int top = std::min(bar.traded() ? row(g, bar.low) + 3 : lay.priceBottom - 8, lay.priceBottom - 3);
            for (int k = 0; k < 4; ++k)
                add(out, Shape::Line, x - k, top + k, x + k, top + k, kBuyColor);
        } else {
            const int bottom = std::max(bar.traded() ? row(g, bar.high) - 3 : lay.priceTop + 8, lay.priceTop + 3);
            for (int k = 0; k < 4; ++k)
                add(out, Shape::Line, x - k, bottom - k, x + k, bottom - k, kSellColor);
        }
    }
    return out;
}

std::int64_t seriesLineAt(const OverlayGeometry& g, const ChartOverlay& o, int x, int y, int tolerance) {
    std::int64_t best = 0;
    double bestDistance = tolerance + 0.5;
    for (const ChartLine& l : o.lines) {
        auto s = seriesLineShown(g, l);
        if (!s)
            continue;
        if (const double d = distanceTo(x, y, *s); d < bestDistance) {
            bestDistance = d;
            best = l.id;
        }
    }
    return best;
}

int seriesEndAt(const OverlayGeometry& g, const ChartLine& line, int x, int y, int tolerance) {
    if (!g.valid())
        return 0;
    const SegmentF e = seriesLineEnds(g, line);
    if (line.kind == LineKind::Horizontal)
        return std::abs(y - std::round(e.y1)) <= tolerance && x >= g.layout.plotLeft && x <= g.layout.plotRight ? 1 : 0;
    if (std::hypot(x - e.x1, y - e.y1) <= tolerance)
        return 1;
    if (std::hypot(x - e.x2, y - e.y2) <= tolerance)
        return 2;
    return 0;
}

std::optional<SeriesPoint> seriesPointAt(const OverlayGeometry& g, int x, int y) {
    const SceneLayout& lay = g.layout;
    if (!g.valid() || x < lay.plotLeft || x > lay.plotRight || y < lay.priceTop || y > lay.priceBottom)
        return std::nullopt;
    SeriesPoint p;
    p.bar = barAtX(lay, g.view, x);
    if (p.bar < 0)
        return std::nullopt;
    p.date = g.series->bars[static_cast<std::size_t>(p.bar)].date;
    const double price = g.scale.priceAt(y);
    if (!(price > 0) || !std::isfinite(price))
        return std::nullopt;
    p.price = Currency::fromRaw(std::llround(price * Currency::kScale));
    return p;
}

} // namespace kestrel::chart
