// 一目均衡表 on a chart of any span: the cloud between the shifted spans, its future slots right of the
// last bar with their dates, and 遅行スパン.
#include "core/chart/SeriesScene.h"

#include <algorithm>
#include <cmath>

namespace kestrel::chart {

void SeriesChart::buildCloud(const Ichimoku& values) {
    auto named = [&](std::string_view n) {
        return std::find(m_options.overlays.begin(), m_options.overlays.end(), n) != m_options.overlays.end();
    };
    const std::size_t size = m_series.bars.size();
    if (!named("span1") || !named("span2") || values.span1.size() != size || values.span2.size() != size)
        return;
    Cloud c;
    c.shift = std::max(0, m_options.technical.ichimokuShift);
    const auto shift = static_cast<std::size_t>(c.shift);
    c.span1.assign(size + shift, kMissing);
    c.span2.assign(size + shift, kMissing);
    std::copy(values.span1.begin(), values.span1.end(), c.span1.begin() + static_cast<std::ptrdiff_t>(shift));
    std::copy(values.span2.begin(), values.span2.end(), c.span2.begin() + static_cast<std::ptrdiff_t>(shift));
    // The close of bar t drawn at slot t - shift; a bar that did not trade leaves a gap.
    c.chikou.assign(size, kMissing);
    for (std::size_t t = shift; t < size; ++t)
        if (const Currency close = m_series.bars[t].closeCarried; close.raw() > 0)
            c.chikou[t - shift] = close.toDouble();
    if (size > 0)
        c.future = futureBarDates(m_series.mode, m_series.bars.back().date, c.shift);
    m_cloud = std::move(c);
}

std::optional<Rgb> SeriesChart::cloudLineColor(std::string_view name) const {
    if (!m_cloud)
        return std::nullopt;
    const TechnicalColors& c = m_options.technicalColors;
    if (name == "tenkan")
        return c[kColTenkan];
    if (name == "kijun")
        return c[kColKijun];
    if (name == "span1")
        return c[kColCloudUp];
    if (name == "span2")
        return c[kColCloudDown];
    return std::nullopt;
}

int SeriesChart::futureSlots(SeriesView view) const {
    return m_cloud && !view.empty() && view.last == m_series.size() - 1 ? m_cloud->shift : 0;
}

std::vector<DateLabel> SeriesChart::axisDates(SeriesView view, const SceneLayout& lay) const {
    if (lay.futureSlots <= 0 || !m_cloud)
        return dateLabels(m_series, view, lay.plotLeft, lay.plotRight);
    // The series with the future slots' dates appended as bars without trading: the labels run on under
    // the slots at the columns the slots have.
    BarSeries dated;
    dated.mode = m_series.mode;
    dated.bars.reserve(m_series.bars.size() + m_cloud->future.size());
    dated.bars = m_series.bars;
    for (Date d : m_cloud->future) {
        SeriesBar b;
        b.date = d;
        dated.bars.push_back(b);
    }
    return dateLabels(dated, {view.first, view.last + static_cast<int>(m_cloud->future.size())}, lay.plotLeft,
                      lay.plotRight);
}

void SeriesChart::drawCloud(std::vector<Primitive>& out, SeriesView view, const SceneLayout& lay, const PriceScale& ps,
                            bool fill) const {
    if (!m_cloud)
        return;
    const Cloud& c = *m_cloud;
    const TechnicalColors& colors = m_options.technicalColors;
    // The view with its future slots as plain bar slots: slot s sits at barX(s) of the drawn scene.
    SceneLayout slots = lay;
    slots.futureSlots = 0;
    const SeriesView wide{view.first, view.last + lay.futureSlots};
    auto rowOf = [&](double v) {
        return static_cast<int>(std::lround(std::clamp(ps.yOf(v), ps.top - 1e4, ps.bottom + 1e4)));
    };
    auto valueAt = [](const Series& s, int slot) {
        return slot >= 0 && static_cast<std::size_t>(slot) < s.size() ? s[static_cast<std::size_t>(slot)] : kMissing;
    };
    if (!fill) {
        // The spans and 遅行スパン as lines, one point per pixel column (its last slot); a gap breaks them
        // and a segment leaving the panel is cut at its edge, as the scene's other lines.
        auto line = [&](const Series& s, SeriesView v, Rgb color) {
            bool have = false, inside = false;
            int px = 0, py = 0;
            for (int b = v.first; b <= v.last; ++b) {
                const int x = slots.barX(b, wide);
                if (b < v.last && slots.barX(b + 1, wide) == x)
                    continue;
                const double val = valueAt(s, b);
                if (isMissing(val)) {
                    have = false;
                    continue;
                }
                const int raw = rowOf(val);
                const bool in = raw >= ps.top && raw <= ps.bottom;
                const int y = std::clamp(raw, ps.top, ps.bottom);
                if (have && (in || inside))
                    out.push_back({Shape::Line, px, py, x, y, color, {}});
                else if (!have && in)
                    out.push_back({Shape::Line, x, y, x, y, color, {}});
                px = x;
                py = y;
                have = true;
                inside = in;
            }
        };
        line(c.span1, wide, colors[kColCloudUp]);
        line(c.span2, wide, colors[kColCloudDown]);
        line(c.chikou, view, colors[kColChikou]);
        return;
    }
    // The fill, one pixel column at a time from each slot's column to the next, the spans interpolated
    // between them; coloured by which span is on top.
    struct Point {
        int x;
        double s1, s2;
    };
    std::vector<Point> points;
    for (int b = wide.first; b <= wide.last; ++b) {
        const int x = slots.barX(b, wide);
        if (b < wide.last && slots.barX(b + 1, wide) == x)
            continue;
        points.push_back({x, valueAt(c.span1, b), valueAt(c.span2, b)});
    }
    auto column = [&](int x, double s1, double s2) {
        const int y1 = std::clamp(rowOf(s1), ps.top, ps.bottom), y2 = std::clamp(rowOf(s2), ps.top, ps.bottom);
        const int top = std::min(y1, y2), bottom = std::max(y1, y2);
        const Rgb color = s1 >= s2 ? colors[kColCloudUp] : colors[kColCloudDown];
        // A column like the one left of it widens that box: a flat stretch of the cloud is one box.
        if (Primitive* last = out.empty() ? nullptr : &out.back(); last && last->shape == Shape::TranslucentBox &&
                                                                   last->x2 == x - 1 && last->y1 == top &&
                                                                   last->y2 == bottom && last->color == color)
            last->x2 = x;
        else
            out.push_back({Shape::TranslucentBox, x, top, x, bottom, color, {}});
    };
    for (std::size_t k = 0; k < points.size(); ++k) {
        const Point& p = points[k];
        if (isMissing(p.s1) || isMissing(p.s2))
            continue;
        const bool next = k + 1 < points.size() && !isMissing(points[k + 1].s1) && !isMissing(points[k + 1].s2);
        if (!next) {
            column(p.x, p.s1, p.s2);
            continue;
        }
        const Point& q = points[k + 1];
        for (int x = p.x; x < q.x; ++x) {
            const double f = static_cast<double>(x - p.x) / (q.x - p.x);
            column(x, p.s1 + (q.s1 - p.s1) * f, p.s2 + (q.s2 - p.s2) * f);
        }
    }
}

} // namespace kestrel::chart
