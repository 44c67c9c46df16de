// Spans of a chart view: zoom, scroll and presets, always inside the bars up to the chart date.
#include "core/chart/SeriesNavigation.h"

#include <algorithm>
#include <cmath>

namespace kestrel::chart {
namespace {

constexpr std::array<std::string_view, 7> kLabels = {"3か月", "6か月", "1年", "2年", "5年", "10年", "全期間"};
constexpr std::array<int, 7> kMonths = {3, 6, 12, 24, 60, 120, 0};

// The same day `months` months before d, or that month's last day.
Date monthsBefore(Date d, int months) {
    const int index = d.year() * 12 + (d.month() - 1) - months;
    const int y = index / 12, m = index % 12 + 1;
    for (int day = d.day(); day >= 28; --day)
        if (auto r = Date::fromYmd(y, m, day))
            return *r;
    return *Date::fromYmd(y, m, std::min(d.day(), 28));
}

} // namespace

std::string_view spanLabel(SpanPreset preset) {
    return kLabels[static_cast<std::size_t>(preset)];
}

std::optional<SpanPreset> spanByLabel(std::string_view label) {
    for (SpanPreset p : kSpanPresets)
        if (spanLabel(p) == label)
            return p;
    return std::nullopt;
}

int barsUpTo(const BarSeries& series, Date chartDate) {
    return viewLastBars(series, chartDate, 1).last + 1;
}

SeriesView clampView(SeriesView view, int total) {
    if (total <= 0)
        return {};
    const int count = std::clamp(view.count(), std::min(kMinViewBars, total), total);
    SeriesView v;
    v.last = std::clamp(view.last, count - 1, total - 1);
    v.first = v.last - count + 1;
    return v;
}

SeriesView zoomView(SeriesView view, int total, double factor, std::optional<int> anchor) {
    view = clampView(view, total);
    if (view.empty() || !(factor > 0))
        return view;
    const int count =
        std::clamp(static_cast<int>(std::lround(view.count() / factor)), std::min(kMinViewBars, total), total);
    if (count == view.count())
        return view;
    SeriesView v;
    if (anchor && *anchor >= view.first && *anchor <= view.last) {
        const double share = static_cast<double>(*anchor - view.first) / view.count();
        v.first = *anchor - static_cast<int>(std::lround(share * count));
        v.last = v.first + count - 1;
    } else {
        v.last = view.last;
        v.first = v.last - count + 1;
    }
    // Past the left end the span keeps its size and moves right (and the other way at the right end).
    if (v.first < 0) {
        v.last -= v.first;
        v.first = 0;
    }
    return clampView(v, total);
}

SeriesView scrollBars(SeriesView view, int total, int bars) {
    view = clampView(view, total);
    if (view.empty())
        return view;
    const int count = view.count();
    SeriesView v;
    v.last = std::clamp(view.last + bars, count - 1, total - 1);
    v.first = v.last - count + 1;
    return v;
}

SeriesView scrollPixels(SeriesView view, int total, int dx, int plotWidth) {
    if (plotWidth <= 0)
        return clampView(view, total);
    const double bars = -static_cast<double>(dx) * std::max(1, view.count()) / plotWidth;
    return scrollBars(view, total, static_cast<int>(std::lround(bars)));
}

SeriesView presetView(const BarSeries& series, int total, int last, SpanPreset preset) {
    total = std::min(total, series.size());
    if (total <= 0)
        return {};
    last = std::clamp(last, 0, total - 1);
    SeriesView v{0, last};
    if (const int months = kMonths[static_cast<std::size_t>(preset)]; months > 0) {
        const Date from = monthsBefore(series.bars[static_cast<std::size_t>(last)].date, months);
        const auto& b = series.bars;
        const auto it = std::upper_bound(b.begin(), b.begin() + last + 1, from,
                                         [](Date d, const SeriesBar& bar) { return d < bar.date; });
        v.first = static_cast<int>(it - b.begin());
        if (v.count() < kMinViewBars)
            v.first = v.last - kMinViewBars + 1;
    }
    return clampView(v, total);
}

} // namespace kestrel::chart
