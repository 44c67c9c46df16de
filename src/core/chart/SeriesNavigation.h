#pragma once
// Moving through a series: the span of bars a chart view shows, zoomed, scrolled and set from a span
// preset. Every function is pure and returns a view inside 0..total-1, where `total` is the number of
// bars up to the chart date (bars after it are never shown). A view shows at least
// min(kMinViewBars, total) bars and at most every bar; an empty series gives the empty view.
#include "core/chart/BarSeries.h"
#include "core/chart/SeriesLoad.h"

#include <array>
#include <optional>
#include <string_view>

namespace kestrel::chart {

// The span buttons, shortest first.
enum class SpanPreset { Months3, Months6, Year1, Years2, Years5, Years10, All };
inline constexpr std::array<SpanPreset, 7> kSpanPresets = {
    SpanPreset::Months3, SpanPreset::Months6, SpanPreset::Year1, SpanPreset::Years2,
    SpanPreset::Years5,  SpanPreset::Years10, SpanPreset::All};
// "3か月", "6か月", "1年", "2年", "5年", "10年", "全期間", and back (none for any other text).
std::string_view spanLabel(SpanPreset preset);
std::optional<SpanPreset> spanByLabel(std::string_view label);

// The number of bars up to the chart date: the bars a view may show.
int barsUpTo(const BarSeries& series, Date chartDate);

// `view` moved and sized into 0..total-1: its bar count cut to [min(kMinViewBars, total), total], its
// right edge kept where it can be, then the whole span shifted back inside.
SeriesView clampView(SeriesView view, int total);

// The view with about count/factor bars (factor > 1 zooms in). Without an anchor the right edge stays;
// with an anchor bar inside the view, that bar keeps its place (the same share of bars left of it).
SeriesView zoomView(SeriesView view, int total, double factor, std::optional<int> anchor = std::nullopt);

// The view moved by `bars` (positive: later bars), its count kept.
SeriesView scrollBars(SeriesView view, int total, int bars);
// The view moved as the chart follows a drag of `dx` pixels over a plot `plotWidth` pixels wide: a drag
// to the right brings earlier bars in. Rounded to whole bars.
SeriesView scrollPixels(SeriesView view, int total, int dx, int plotWidth);

// The view of a preset ending at bar `last` (clamped to the bars there are): the bars dated after the
// same calendar day months or years before the last bar's date (the month's last day when that day does
// not exist), in any mode; at least kMinViewBars; All shows every bar up to `last`.
SeriesView presetView(const BarSeries& series, int total, int last, SpanPreset preset);

} // namespace kestrel::chart
