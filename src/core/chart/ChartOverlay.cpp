#include "core/chart/ChartOverlay.h"

#include "core/chart/ChartMath.h"
#include "core/chart/SeriesScene.h"

#include <algorithm>
#include <cmath>

namespace kestrel::chart {
namespace {

using detail::Int128;
constexpr int kLabelRows = 12;

bool hasScale(const ChartData& d) {
    return d.barCount > 0 && d.priceTop > d.priceBottom && quantisedScale(d.priceTop - d.priceBottom, 256).num > 0;
}

int yOf(const ChartData& d, Currency p) {
    return priceY(quantisedScale(d.priceTop - d.priceBottom, kPricePanelHeight), d.priceTop, p);
}

// Pixels a label takes: 6 per half-width character, 12 per full-width one (3-byte UTF-8).
int labelWidth(const std::string& s) {
    int w = 0;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        w += len >= 3 ? 2 * kCharWidth : kCharWidth;
        i += len;
    }
    return w;
}

double distanceToSegment(double px, double py, const Segment& s) {
    const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    const double len2 = dx * dx + dy * dy;
    double t = len2 == 0 ? 0 : ((px - s.x1) * dx + (py - s.y1) * dy) / len2;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (s.x1 + t * dx), py - (s.y1 + t * dy));
}

void add(std::vector<Primitive>& out, Shape shape, int x1, int y1, int x2, int y2, Rgb c, std::string text = {}) {
    out.push_back({shape, x1, y1, x2, y2, c, std::move(text)});
}

struct Box {
    int x1, y1, x2, y2;
    bool overlaps(const Box& o) const { return x1 <= o.x2 && o.x1 <= x2 && y1 <= o.y2 && o.y1 <= y2; }
};

// A label of width w for a level on row y: right above, right below, left above, left below, the first
// covering the fewest of `bars` (a column with its high and low rows) and no label already placed;
// inside the price panel.
Box labelBox(const std::vector<Box>& bars, int y, int w, const std::vector<Box>& taken) {
    const int lowest = kPriceBottomY - kLabelRows + 1;
    const Box spots[4] = {{kPlotRight - 2 - w, std::clamp(y - kLabelRows - 1, kPriceTopY, lowest), kPlotRight - 3, 0},
                          {kPlotRight - 2 - w, std::clamp(y + 2, kPriceTopY, lowest), kPlotRight - 3, 0},
                          {kPlotLeft + 2, std::clamp(y - kLabelRows - 1, kPriceTopY, lowest), kPlotLeft + 1 + w, 0},
                          {kPlotLeft + 2, std::clamp(y + 2, kPriceTopY, lowest), kPlotLeft + 1 + w, 0}};
    Box best{};
    long bestScore = -1;
    for (Box b : spots) {
        b.y2 = b.y1 + kLabelRows - 1;
        long score = 0;
        for (const Box& t : taken)
            score += b.overlaps(t) ? 1000000 : 0;
        for (const Box& bar : bars)
            if (bar.x1 >= b.x1 - 2 && bar.x1 <= b.x2 + 2 && bar.y1 <= b.y2 && bar.y2 >= b.y1)
                ++score;
        if (bestScore < 0 || score < bestScore) {
            best = b;
            bestScore = score;
        }
    }
    return best;
}

} // namespace

std::optional<int> barShowing(const ChartData& d, Date date, bool weekly) {
    for (int i = 0; i < d.barCount; ++i) {
        const Date b = d.bars[i].date;
        if (b < date)
            continue;
        if (weekly)
            // A week's bar is dated its Friday: the date lies in the five days up to it.
            return date.daysUntil(b) < 7 && b.addDays(-(b.weekday() + 5) % 7) <= date ? std::optional<int>(i + 1)
                                                                                      : std::nullopt;
        return i > 0 || b == date ? std::optional<int>(i + 1) : std::nullopt;
    }
    return std::nullopt;
}

Segment lineSegment(const ChartData& d, const ChartLine& l) {
    if (l.kind == LineKind::Horizontal) {
        const int y = yOf(d, l.price1);
        return {kPlotLeft, y, kPlotRight, y};
    }
    return {barX(l.bar1), yOf(d, l.price1), barX(l.bar2), yOf(d, l.price2)};
}

std::optional<SegmentF> clipSegment(SegmentF s, double left, double top, double right, double bottom) {
    // Liang-Barsky on the closed rectangle.
    const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {s.x1 - left, right - s.x1, s.y1 - top, bottom - s.y1};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0)
                return std::nullopt;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return std::nullopt;
    }
    return SegmentF{s.x1 + dx * t0, s.y1 + dy * t0, s.x1 + dx * t1, s.y1 + dy * t1};
}

std::optional<Segment> clipSegment(Segment s, int left, int top, int right, int bottom) {
    auto c = clipSegment(SegmentF{static_cast<double>(s.x1), static_cast<double>(s.y1), static_cast<double>(s.x2),
                                  static_cast<double>(s.y2)},
                         left, top, right, bottom);
    if (!c)
        return std::nullopt;
    auto px = [](double v) { return static_cast<int>(std::lround(v)); };
    return Segment{px(c->x1), px(c->y1), px(c->x2), px(c->y2)};
}

std::optional<LineTag> lineTag(const ChartData& d, Currency price) {
    if (!hasScale(d))
        return std::nullopt;
    const int y = yOf(d, price);
    if (y < kPriceTopY || y > kPriceBottomY)
        return std::nullopt;
    LineTag tag;
    tag.text = priceText(price.toDouble());
    const int w = labelWidth(tag.text) + 4;
    tag.x1 = std::min(kPlotRight + 1, kClearRight - w + 1);
    tag.x2 = tag.x1 + w - 1;
    tag.y1 = std::clamp(y - kLabelRows / 2, kPriceTopY, kPriceBottomY - kLabelRows + 1);
    tag.y2 = tag.y1 + kLabelRows - 1;
    return tag;
}

std::vector<Primitive> drawOverlay(const ChartData& d, const ChartOverlay& o) {
    std::vector<Primitive> out;
    if (!hasScale(d))
        return out;
    for (const ChartLine& l : o.lines) {
        const bool selected = l.id != 0 && l.id == o.selectedLine;
        const Rgb c = selected ? kSelectedLineColor : kLineColor;
        auto s = clipSegment(lineSegment(d, l), kPlotLeft, kPriceTopY, kPlotRight, kPriceBottomY);
        if (!s)
            continue;
        add(out, Shape::Line, s->x1, s->y1, s->x2, s->y2, c);
        if (l.kind == LineKind::Horizontal)
            if (auto tag = lineTag(d, l.price1)) {
                add(out, Shape::FilledBox, tag->x1, tag->y1, tag->x2, tag->y2, c);
                add(out, Shape::Text, tag->x1 + 2, tag->y1, 0, 0, Rgb{0, 0, 0}, tag->text);
            }
        if (selected && l.kind == LineKind::Trend) {
            const Segment whole = lineSegment(d, l);
            for (auto [x, y] : {std::pair{whole.x1, whole.y1}, std::pair{whole.x2, whole.y2}})
                if (x >= kPlotLeft && x <= kPlotRight && y >= kPriceTopY && y <= kPriceBottomY)
                    add(out, Shape::Box, x - 2, y - 2, x + 2, y + 2, c);
        }
    }
    if (!o.ledgerShown)
        return out;
    std::vector<Box> taken, bars; // each traded bar's column and its high and low rows
    if (!o.levels.empty())
        for (int i = 1; i <= d.barCount; ++i)
            if (const ChartBar& bar = d.bars[static_cast<std::size_t>(i - 1)]; bar.close.raw() != 0)
                bars.push_back({barX(i), yOf(d, bar.high), barX(i), yOf(d, bar.low)});
    for (const PriceLevel& lv : o.levels) {
        const int y = yOf(d, lv.price);
        if (y < kPriceTopY || y > kPriceBottomY)
            continue;
        const Rgb c = lv.target ? kTargetColor : kBreakEvenColor;
        add(out, Shape::DottedLine, kPlotLeft, y, kPlotRight, y, c);
        const Box at = labelBox(bars, y, labelWidth(lv.label), taken);
        taken.push_back(at);
        add(out, Shape::Text, at.x1, at.y1, 0, 0, c, lv.label);
    }
    for (const TradeMark& t : o.trades) {
        if (t.bar < 1 || t.bar > d.barCount)
            continue;
        const ChartBar& b = d.bars[t.bar - 1];
        const int x = barX(t.bar);
        if (t.buy) {
            // Under the low (and under a split mark on the same bar), apex up.
            int top = (b.close.raw() != 0 ? yOf(d, b.low) : kPriceBottomY - 8) + 3;
            if (d.splitFlags[t.bar - 1] & kSplitEventBar)
                top += 4;
            for (int k = 0; k < 4; ++k)
                add(out, Shape::Line, x - k, top + k, x + k, top + k, kBuyColor);
        } else {
            const int bottom = (b.close.raw() != 0 ? yOf(d, b.high) : kPriceTopY + 8) - 3;
            for (int k = 0; k < 4; ++k)
                add(out, Shape::Line, x - k, bottom - k, x + k, bottom - k, kSellColor);
        }
    }
    return out;
}

std::int64_t lineAt(const ChartData& d, const ChartOverlay& o, int x, int y, int tolerance) {
    std::int64_t best = 0;
    double bestDistance = tolerance + 0.5;
    if (!hasScale(d))
        return 0;
    for (const ChartLine& l : o.lines) {
        auto s = clipSegment(lineSegment(d, l), kPlotLeft, kPriceTopY, kPlotRight, kPriceBottomY);
        if (!s)
            continue;
        const double dist = distanceToSegment(x, y, *s);
        if (dist < bestDistance) {
            bestDistance = dist;
            best = l.id;
        }
    }
    return best;
}

int endAt(const ChartData& d, const ChartLine& l, int x, int y, int tolerance) {
    if (!hasScale(d))
        return 0;
    const Segment s = lineSegment(d, l);
    if (l.kind == LineKind::Horizontal)
        return std::abs(y - s.y1) <= tolerance ? 1 : 0;
    if (std::hypot(x - s.x1, y - s.y1) <= tolerance)
        return 1;
    if (std::hypot(x - s.x2, y - s.y2) <= tolerance)
        return 2;
    return 0;
}

std::optional<PanelPoint> pointAt(const ChartData& d, int x, int y) {
    if (!hasScale(d) || x < kPlotLeft || x > kPlotRight || y < kPriceTopY || y > kPriceBottomY)
        return std::nullopt;
    const Scale sP = quantisedScale(d.priceTop - d.priceBottom, kPricePanelHeight);
    PanelPoint p;
    p.bar = std::clamp(static_cast<int>(detail::divRoundHalfEven(x - kPlotLeft, kBarWidth)), 1,
                       static_cast<int>(d.barCount));
    p.date = d.bars[p.bar - 1].date;
    // price = priceTop - (y - 100) / sP, to four decimals.
    const Int128 down =
        detail::divRoundHalfEven(static_cast<Int128>(y - kPriceTopY) * sP.den * Currency::kScale, sP.num);
    Currency price = Currency::fromRaw(d.priceTop.raw() - static_cast<std::int64_t>(down));
    p.price = std::clamp(price, d.priceBottom, d.priceTop);
    return p;
}

} // namespace kestrel::chart
