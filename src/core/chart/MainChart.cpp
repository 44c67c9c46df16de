#include "core/chart/MainChart.h"

#include <algorithm>
#include <string>

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
    const bool daily = barModeFor(s.chartMode) == BarMode::Daily;
    switch (s.lowerPanelMode) {
    case 0:
        o.panes.insert(o.panes.end(), {PaneKind::Psych, PaneKind::Rsi, PaneKind::Vr});
        // The old lower panel's ALL showed the margin balances too outside the daily chart.
        if (!daily)
            o.panes.push_back(PaneKind::Margin);
        else if (s.allIto)
            o.panes.push_back(PaneKind::Ito);
        break;
    case 1:
        o.panes.insert(o.panes.end(), {PaneKind::Rsi, PaneKind::Vr});
        break;
    case 2:
        o.panes.push_back(PaneKind::Psych);
        break;
    case 3:
        o.panes.push_back(daily ? PaneKind::Ito : PaneKind::Margin);
        break;
    case kLowerMacd:
        o.panes.push_back(PaneKind::Macd);
        break;
    case kLowerStoch:
        o.panes.push_back(PaneKind::Stoch);
        break;
    case kLowerRci:
        o.panes.push_back(PaneKind::Rci);
        break;
    case kLowerDmi:
        o.panes.push_back(PaneKind::Dmi);
        break;
    default:
        break;
    }
    auto add = [&o](std::initializer_list<const char*> names) {
        for (const char* n : names)
            o.overlays.emplace_back(n);
    };
    if (s.overlays.ichimoku)
        add({"tenkan", "kijun", "span1", "span2"});
    if (s.overlays.bollinger) {
        add({"bbMid"});
        const int bands = std::clamp(s.bbBands, 1, 3);
        for (int k = 1; k <= bands; ++k) {
            o.overlays.push_back("bbUp" + std::to_string(k));
            o.overlays.push_back("bbLo" + std::to_string(k));
        }
    }
    if (s.overlays.envelope)
        add({"envUp", "envLo"});
    if (s.overlays.hlBand)
        add({"hlHigh", "hlLow"});
    if (s.overlays.sar)
        add({"sar"});
    if (s.psychPeriod > 0)
        o.psychPeriod = s.psychPeriod;
    if (s.flowPeriod > 0)
        o.flowPeriod = s.flowPeriod;
    chooseItoAverage(o, s.itoAverage, s.average1, s.average2, s.average3);
    o.screenMode = s.screenMode;
    return o;
}

void chooseItoAverage(SceneOptions& o, int itoAverage, int average1, int average2, int average3) {
    const int periods[3] = {average1, average2, average3};
    if (itoAverage >= 1 && itoAverage <= 3) {
        o.itoPeriod = periods[itoAverage - 1];
        o.itoSpan = itoAverage == 1 ? o.itoPeriod : o.itoPeriod - 1;
    } else {
        o.itoPeriod = o.itoSpan = 0;
    }
}

SceneOptions windowChartOptions(const ChartDisplay& display, const Settings& settings, int chartMode,
                                const TechnicalView& technical) {
    MainChartSwitches s;
    s.lowerPanelMode = display.lowerPanelMode;
    s.volume = display.volume;
    s.averages =
        display.chartColors[kMa1] != Rgb{} || display.chartColors[kMa2] != Rgb{} || display.chartColors[kMa3] != Rgb{};
    s.chartMode = chartMode;
    s.average1 = settings.move1;
    s.average2 = settings.move2;
    s.average3 = settings.move3;
    s.itoAverage = settings.ITORSO;
    s.allIto = display.ALLITORSO == 2;
    s.psychPeriod = settings.SaicoL;
    s.flowPeriod = settings.RSIVR;
    s.screenMode = settings.ScreenMode;
    s.overlays = technical.overlays;
    s.bbBands = technical.bbBands;
    SceneOptions o = mainChartOptions(s);
    o.technical = technical.settings;
    o.technicalColors = technical.colors;
    o.curve = display.curve;
    o.volumeProfile = technical.overlays.volumeProfile;
    return o;
}

int barOnOrBefore(const BarSeries& series, Date day) {
    auto it = std::upper_bound(series.bars.begin(), series.bars.end(), day,
                               [](Date d, const SeriesBar& b) { return d < b.date; });
    return static_cast<int>(it - series.bars.begin()) - 1;
}

ChartData chartDataOf(const BarSeries& series, int last, const IndicatorSettings& settings) {
    ChartData d;
    if (last < 0 || last >= series.size())
        return d;
    const int first = std::max(0, last - kMaxBars + 1);
    d.barCount = static_cast<std::int16_t>(last - first + 1);
    for (int i = first; i <= last; ++i)
        d.bars[static_cast<std::size_t>(i - first)] = chartBarOf(series.bars[static_cast<std::size_t>(i)]);
    computeIndicators(d, settings);
    return d;
}

void listSeriesBars(ChartData& data, const BarSeries& series, const IndicatorSettings& settings) {
    ChartData next = chartDataOf(series, series.size() - 1, settings);
    next.latestDate = data.latestDate;
    next.scrollStartDate = data.scrollStartDate;
    next.lastLoadedCode = data.lastLoadedCode;
    next.lastLoadedMode = data.lastLoadedMode;
    next.scrollSmallChange = data.scrollSmallChange;
    next.scrollLargeChange = data.scrollLargeChange;
    data = next;
}

DetailLabels detailLabelsAt(const BarSeries& series, int bar, const IndicatorSettings& settings) {
    if (bar < 0 || bar >= series.size())
        return {};
    const ChartData d = chartDataOf(series, bar, settings);
    return detailLabels(d.bars[static_cast<std::size_t>(d.barCount - 1)]);
}

} // namespace kestrel::chart
