#include "core/chart/MainChart.h"

#include "core/chart/SeriesLoad.h"

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
    replaceLoad(data, chartDataOf(series, series.size() - 1, settings));
}

DetailLabels detailLabelsAt(const BarSeries& series, int bar, const IndicatorSettings& settings) {
    if (bar < 0 || bar >= series.size())
        return {};
    const ChartData d = chartDataOf(series, bar, settings);
    return detailLabels(d.bars[static_cast<std::size_t>(d.barCount - 1)]);
}

namespace {

// The テクニカル menu's overlay switches in the order windowOverlayNames lists their groups.
constexpr bool TechnicalOverlays::*kOverlayFlags[] = {&TechnicalOverlays::ichimoku, &TechnicalOverlays::bollinger,
                                                      &TechnicalOverlays::envelope, &TechnicalOverlays::hlBand,
                                                      &TechnicalOverlays::sar,      &TechnicalOverlays::volumeProfile};

// The group (an index into kOverlayFlags) of an overlay name, -1 for a name of none.
int overlayGroup(std::string_view name) {
    if (name == "tenkan" || name == "kijun" || name == "span1" || name == "span2")
        return 0;
    if (name == "bbMid" || (name.size() == 5 && (name.starts_with("bbUp") || name.starts_with("bbLo")) &&
                            name[4] >= '1' && name[4] <= '3'))
        return 1;
    if (name == "envUp" || name == "envLo")
        return 2;
    if (name == "hlHigh" || name == "hlLow")
        return 3;
    if (name == "sar")
        return 4;
    if (name == kVolumeProfileOverlay)
        return 5;
    return -1;
}

} // namespace

std::vector<std::string> windowOverlayNames(const TechnicalOverlays& flags, int bbBands) {
    MainChartSwitches s;
    s.overlays = flags;
    s.bbBands = bbBands;
    std::vector<std::string> names = mainChartOptions(s).overlays;
    if (flags.volumeProfile)
        names.emplace_back(kVolumeProfileOverlay);
    return names;
}

OverlaySwitches overlaySwitches(const std::vector<std::string>& names, int bbBands) {
    OverlaySwitches out;
    int widest = 0;
    for (const std::string& n : names) {
        const int g = overlayGroup(n);
        if (g < 0)
            continue;
        out.flags.*kOverlayFlags[g] = true;
        if (g == 1 && n != "bbMid")
            widest = std::max(widest, n[4] - '0');
    }
    out.bbBands = widest > 0 ? widest : bbBands;
    return out;
}

std::vector<std::string> switchOverlays(const std::vector<std::string>& names, const TechnicalOverlays& flags,
                                        int bbBands) {
    std::vector<std::string> out;
    bool listed[std::size(kOverlayFlags)] = {};
    for (const std::string& n : names) {
        const int g = overlayGroup(n);
        if (g >= 0)
            listed[g] = true;
        if (g < 0 || flags.*kOverlayFlags[g])
            out.push_back(n);
    }
    for (std::size_t g = 0; g < std::size(kOverlayFlags); ++g) {
        if (!(flags.*kOverlayFlags[g]) || listed[g])
            continue;
        TechnicalOverlays one;
        one.*kOverlayFlags[g] = true;
        for (std::string& n : windowOverlayNames(one, bbBands))
            out.push_back(std::move(n));
    }
    return out;
}

std::vector<PaneKind> lowerPanelPanes(int lowerPanelMode, bool volume, int chartMode, bool allIto) {
    MainChartSwitches s;
    s.lowerPanelMode = lowerPanelMode;
    s.volume = volume;
    s.chartMode = chartMode;
    s.allIto = allIto;
    return mainChartOptions(s).panes;
}

void setVolumePane(SeriesLayout& layout, bool shown) {
    auto& panes = layout.panes;
    const auto at = std::find(panes.begin(), panes.end(), PaneKind::Volume);
    if (shown == (at != panes.end()) || (shown && static_cast<int>(panes.size()) >= kMaxScenePanes))
        return;
    if (shown)
        panes.insert(panes.begin(), PaneKind::Volume);
    else
        panes.erase(at);
    layout.paneWeights.clear();
}

SeriesLayout derivedWindowLayout(int lowerPanelMode, bool volume, int chartMode, bool allIto,
                                 const TechnicalView& technical) {
    SeriesLayout l;
    l.overlays = windowOverlayNames(technical.overlays, technical.bbBands);
    l.panes = lowerPanelPanes(lowerPanelMode, volume, chartMode, allIto);
    return l;
}

Status parseCompareCodes(std::string_view text, std::vector<std::int32_t>& codes) {
    codes.clear();
    // Full-width digits (U+FF10..FF19: EF BC 90..99) and the full-width comma (U+FF0C: EF BC 8C), 、
    // (U+3001: E3 80 81) and the ideographic space (U+3000: E3 80 80) in their ASCII forms.
    std::string ascii;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = [&](std::size_t k) {
            return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
        };
        if (c == 0xEF && next(1) == 0xBC && ((next(2) >= 0x90 && next(2) <= 0x99) || next(2) == 0x8C)) {
            ascii += next(2) == 0x8C ? ',' : static_cast<char>('0' + (next(2) - 0x90));
            i += 2;
        } else if (c == 0xE3 && next(1) == 0x80 && (next(2) == 0x80 || next(2) == 0x81)) {
            ascii += next(2) == 0x80 ? ' ' : ',';
            i += 2;
        } else {
            ascii += static_cast<char>(c);
        }
    }
    std::vector<std::string> items;
    std::string item;
    for (char c : ascii + ' ') {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!item.empty())
                items.push_back(std::move(item));
            item.clear();
        } else {
            item += c;
        }
    }
    for (const std::string& it : items) {
        const bool digits =
            it.size() <= 6 && std::all_of(it.begin(), it.end(), [](char c) { return c >= '0' && c <= '9'; });
        const std::int32_t code = digits ? std::stoi(it) : 0;
        if (code <= 0) {
            codes.clear();
            return Status::error(StatusCode::InvalidInput, "比較銘柄のコードが正しくありません: " + it);
        }
        if (std::find(codes.begin(), codes.end(), code) == codes.end())
            codes.push_back(code);
    }
    if (static_cast<int>(codes.size()) > kMaxCompared) {
        codes.clear();
        return Status::error(StatusCode::InvalidInput,
                             "比較できるのは" + std::to_string(kMaxCompared) + "銘柄までです。");
    }
    return Status::ok();
}

Result<ComparedLoad> loadCompared(db::Database& db, const std::vector<std::int32_t>& codes,
                                  const SeriesRequest& request) {
    ComparedLoad out;
    for (std::int32_t code : codes) {
        auto series = loadSeries(db, code, request);
        if (!series)
            return series.status();
        if (series->bars.empty())
            out.missing.push_back(code);
        else
            out.issues.push_back({code, std::move(*series)});
    }
    return out;
}

std::string missingComparedMessage(const std::vector<std::int32_t>& missing) {
    if (missing.empty())
        return {};
    std::string codes;
    for (std::int32_t c : missing)
        codes += (codes.empty() ? "" : ", ") + std::to_string(c);
    return "比較銘柄 " + codes + " の株価がありません（比較しません）。";
}

} // namespace kestrel::chart
