// The crosshair read-out, the pane splitters and the pane menu of a chart view.
#include "core/chart/SeriesReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestrel::chart {
namespace {

constexpr int kBlockExtra = 17; // the gap and the legend row above each pane

double at(const Series& s, int bar) {
    return bar >= 0 && static_cast<std::size_t>(bar) < s.size() ? s[static_cast<std::size_t>(bar)] : kMissing;
}

std::string valueText(double v, int decimals = 2) {
    if (isMissing(v))
        return "-";
    const double scale = std::pow(10.0, decimals);
    return priceText(std::round(v * scale) / scale);
}

} // namespace

int barAtX(const SceneLayout& layout, SeriesView view, int x) {
    if (view.empty())
        return -1;
    const double slot =
        static_cast<double>(layout.plotRight - layout.plotLeft + 1) / (view.count() + layout.futureSlots);
    int i = std::clamp(static_cast<int>(std::floor((x - layout.plotLeft) / slot)), 0, view.count() - 1);
    // Several bars in one column: the column's last, whose value the lines draw.
    while (i + 1 < view.count() && layout.barX(view.first + i + 1, view) <= x)
        ++i;
    return view.first + i;
}

std::vector<NamedValue> SeriesChart::priceValues(int bar) const {
    std::vector<NamedValue> out;
    for (const Line& l : m_priceLines)
        out.push_back({l.name, at(l.values, bar)});
    return out;
}

std::vector<NamedValue> SeriesChart::paneValues(int pane, int bar, SeriesView view) const {
    std::vector<NamedValue> out;
    if (pane < 0 || pane >= static_cast<int>(m_panes.size()) || bar < 0 || bar >= m_series.size())
        return out;
    const Pane& p = m_panes[static_cast<std::size_t>(pane)];
    const SeriesBar& b = m_series.bars[static_cast<std::size_t>(bar)];
    if (p.kind == PaneKind::Volume)
        out.push_back({"出来高", static_cast<double>(b.volume)});
    if (p.kind == PaneKind::Margin) {
        out.push_back({"売", static_cast<double>(b.sellBalance)});
        out.push_back({"買", static_cast<double>(b.buyBalance)});
    }
    if (p.kind == PaneKind::Ito) {
        if (view.empty())
            view = {0, m_series.size() - 1};
        out.push_back({paneTitle(pane), at(itoRatio(m_series, view, m_itoChanges, m_options.itoPeriod).values, bar)});
    }
    for (const Line& l : p.lines)
        out.push_back({l.name.empty() ? paneTitle(pane) : l.name, at(l.values, bar)});
    return out;
}

BarReadout readBar(const SeriesChart& chart, SeriesView view, int bar) {
    BarReadout r;
    const BarSeries& s = chart.series();
    view.first = std::max(view.first, 0);
    view.last = std::min(view.last, s.size() - 1);
    if (view.empty())
        return r;
    r.bar = std::clamp(bar, view.first, view.last);
    const SeriesBar& b = s.bars[static_cast<std::size_t>(r.bar)];
    r.date = b.date;
    r.traded = b.traded();
    r.open = b.open.toDouble();
    r.high = b.high.toDouble();
    r.low = b.low.toDouble();
    r.close = b.close.toDouble();
    r.change = b.change.toDouble();
    if (const double before = r.close - r.change; r.traded && before > 0)
        r.changePercent = r.change / before * 100;
    r.volume = b.volume;
    r.lines = chart.priceValues(r.bar);
    for (int k = 0; k < static_cast<int>(chart.compared().size()); ++k)
        r.compared.push_back({std::to_string(chart.compared()[static_cast<std::size_t>(k)].code),
                              at(chart.comparePercent(k, view), r.bar)});
    for (int p = 0; p < static_cast<int>(chart.options().panes.size()); ++p)
        r.panes.push_back(chart.paneValues(p, r.bar, view));
    return r;
}

std::vector<std::string> readoutRows(const BarReadout& r) {
    std::vector<std::string> rows;
    if (r.bar < 0)
        return rows;
    rows.push_back("日付 " + r.date.toSlashed());
    auto price = [&](const char* name, double v) {
        rows.push_back(name + std::string(" ") + (r.traded ? valueText(v) : "-"));
    };
    price("始値", r.open);
    price("高値", r.high);
    price("安値", r.low);
    price("終値", r.close);
    std::string change = r.traded ? (r.change > 0 ? "+" : "") + valueText(r.change) : "-";
    if (!isMissing(r.changePercent)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, " (%+.2f%%)", r.changePercent);
        change += buf;
    }
    rows.push_back("前日比 " + change);
    rows.push_back("出来高 " + volumeText(r.volume));
    for (const NamedValue& v : r.lines)
        rows.push_back(v.name + " " + valueText(v.value));
    for (const NamedValue& v : r.compared)
        rows.push_back(v.name + " " + (isMissing(v.value) ? "-" : (v.value > 0 ? "+" : "") + valueText(v.value) + "%"));
    // The panes' values, but the volume already shown: counts of shares with 万 and 億, oscillators to 0.1.
    for (const std::vector<NamedValue>& pane : r.panes)
        for (const NamedValue& v : pane) {
            if (v.name == "出来高")
                continue;
            const bool count = v.name == "売" || v.name == "買";
            rows.push_back(v.name + " " +
                           (isMissing(v.value) ? "-"
                            : count            ? volumeText(std::llround(v.value))
                                               : valueText(v.value, 1)));
        }
    return rows;
}

int paneEdgeAt(const SceneLayout& layout, int y, int slack) {
    for (std::size_t i = 0; i < layout.panes.size(); ++i)
        if (std::abs(y - (layout.panes[i].first - kBlockExtra)) <= slack)
            return static_cast<int>(i);
    return -1;
}

int paneAt(const SceneLayout& layout, int y) {
    if (y <= layout.priceBottom)
        return -1;
    for (std::size_t i = 0; i < layout.panes.size(); ++i)
        if (y <= layout.panes[i].second)
            return static_cast<int>(i);
    return -2;
}

std::vector<int> paneWeightsAfterDrag(const SceneLayout& layout, int pane, int y) {
    const int n = static_cast<int>(layout.panes.size());
    std::vector<int> rows; // each pane's block: gap, legend and plot rows
    for (const auto& [t, b] : layout.panes)
        rows.push_back(b - t + 1 + kBlockExtra);
    const int bottom = n == 0 ? layout.priceBottom : layout.panes.back().second;
    const int avail = bottom - layout.priceTop + 1;
    if (pane >= 0 && pane < n && avail > 0) {
        const std::size_t i = static_cast<std::size_t>(pane);
        const int edge = layout.panes[i].first - kBlockExtra;
        const int aboveRows = pane == 0 ? layout.priceBottom - layout.priceTop + 1 : rows[i - 1];
        const int aboveMin = pane == 0 ? 40 : kBlockExtra + 12;
        const int delta = std::clamp(y - edge, aboveMin - aboveRows, rows[i] - (kBlockExtra + 12));
        rows[i] -= delta;
        if (pane > 0)
            rows[i - 1] += delta;
    }
    std::vector<int> weights;
    for (int r : rows)
        weights.push_back(avail > 0 ? static_cast<int>(std::lround(r * 1000.0 / avail)) : 0);
    return weights;
}

bool addPane(SceneOptions& options, PaneKind kind) {
    if (options.panes.size() >= static_cast<std::size_t>(kMaxPanes) ||
        std::find(options.panes.begin(), options.panes.end(), kind) != options.panes.end())
        return false;
    options.panes.push_back(kind);
    options.paneWeights.clear();
    return true;
}

bool removePane(SceneOptions& options, int index) {
    if (index < 0 || index >= static_cast<int>(options.panes.size()))
        return false;
    if (options.paneWeights.size() == options.panes.size())
        options.paneWeights.erase(options.paneWeights.begin() + index);
    options.panes.erase(options.panes.begin() + index);
    if (options.paneWeights.size() != options.panes.size())
        options.paneWeights.clear();
    return true;
}

bool movePane(SceneOptions& options, int index, int delta) {
    const int n = static_cast<int>(options.panes.size());
    const int to = index + delta;
    if (index < 0 || index >= n || to < 0 || to >= n || delta == 0)
        return false;
    std::swap(options.panes[static_cast<std::size_t>(index)], options.panes[static_cast<std::size_t>(to)]);
    if (options.paneWeights.size() == options.panes.size())
        std::swap(options.paneWeights[static_cast<std::size_t>(index)],
                  options.paneWeights[static_cast<std::size_t>(to)]);
    return true;
}

} // namespace kestrel::chart
