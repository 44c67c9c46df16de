#include "core/chart/MainChart.h"

#include <algorithm>

namespace kestrel::chart {

BarMode barModeFor(int chartMode) {
    switch (chartMode) {
    case 2:
        return BarMode::Weekly;
    case 3:
        return BarMode::Monthly;
    default:
        return BarMode::Daily;
    }
}

SceneOptions mainChartOptions(const MainChartSwitches& s) {
    SceneOptions o;
    o.averages.clear();
    if (s.averages)
        for (int n : {s.average1, s.average2, s.average3})
            if (n > 0)
                o.averages.push_back(n);
    o.panes.clear();
    if (s.volume)
        o.panes.push_back(PaneKind::Volume);
    switch (s.lowerPanelMode) {
    case 0:
        o.panes.insert(o.panes.end(), {PaneKind::Psych, PaneKind::Rsi, PaneKind::Vr});
        break;
    case 1:
        o.panes.insert(o.panes.end(), {PaneKind::Rsi, PaneKind::Vr});
        break;
    case 2:
        o.panes.push_back(PaneKind::Psych);
        break;
    case 3:
        if (barModeFor(s.chartMode) != BarMode::Daily)
            o.panes.push_back(PaneKind::Margin);
        break;
    default:
        break;
    }
    if (s.psychPeriod > 0)
        o.psychPeriod = s.psychPeriod;
    if (s.flowPeriod > 0)
        o.flowPeriod = s.flowPeriod;
    o.screenMode = s.screenMode;
    return o;
}

int barOnOrBefore(const BarSeries& series, Date day) {
    auto it = std::upper_bound(series.bars.begin(), series.bars.end(), day,
                               [](Date d, const SeriesBar& b) { return d < b.date; });
    return static_cast<int>(it - series.bars.begin()) - 1;
}

} // namespace kestrel::chart
