#pragma once
// The main window's chart of any span: its bar mode from the window's chart mode (1 daily, 2 weekly,
// 3 monthly), the scene options its switches ask for, and the bar of the series a dated row points at.
#include "core/app/Date.h"
#include "core/chart/BarSeries.h"
#include "core/chart/ChartData.h"
#include "core/chart/ChartLayout.h"
#include "core/chart/ChartTechnical.h"
#include "core/chart/SeriesLayoutIni.h"
#include "core/chart/SeriesScene.h"
#include "core/settings/Settings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::chart {

// The switches of the main window's chart panel.
struct MainChartSwitches {
    // 0 ALL, 1 RSI VR, 2 ｻｲｺﾛｼﾞｶﾙ, 3 伊藤ﾚｼｵ (daily) / 信用取引 (weekly), 4 表示なし, then the technical
    // panels kLowerMacd .. kLowerDmi.
    int lowerPanelMode = 0;
    bool volume = true;   // 出来高
    bool averages = true; // 移動平均有
    int chartMode = 1;
    int average1 = 0, average2 = 0, average3 = 0; // the three averages' periods (0: not drawn)
    int itoAverage = 0;  // ITORSO: the average behind 伊藤ﾚｼｵ (1 short, 2 medium, 3 long; else none)
    bool allIto = false; // ALLITORSO 2: ALL shows 伊藤ﾚｼｵ too (daily)
    int psychPeriod = 12, flowPeriod = 14;
    int screenMode = 1;
    TechnicalOverlays overlays; // the テクニカル menu's overlays
    int bbBands = 2;            // the Bollinger bands drawn (1 to 3 sigma)
};

// 1 daily, 2 weekly, 3 monthly; any other mode reads as daily.
BarMode barModeFor(int chartMode);

// The scene options of the switches: the volume pane first when shown, then the lower panel's oscillators
// each in its own pane (ALL: サイコロ, RSI, VR, then as a fifth pane the margin balances in weekly and monthly mode, or
// 伊藤ﾚｼｵ in daily mode with allIto;
// mode 3: 伊藤ﾚｼｵ in daily mode, the margin balances in weekly and monthly mode). 伊藤ﾚｼｵ follows the
// average itoAverage chooses: over its period for the short one, one bar less for the medium and long
// ones. A technical panel is a pane of its own.
// The overlays by their line names: 一目均衡表 tenkan, kijun, span1, span2; ボリンジャーバンド bbMid and
// the bands up to bbBands; エンベロープ envUp, envLo; HLバンド hlHigh, hlLow; パラボリック sar (価格帯別出来高
// has no line of the scene).
SceneOptions mainChartOptions(const MainChartSwitches& s);
// 伊藤ﾚｼｵ's average in `options`: the period of average itoAverage (1..3) of the three, and its span (the
// period for the short average, one bar less for the others); none for any other itoAverage.
void chooseItoAverage(SceneOptions& options, int itoAverage, int average1, int average2, int average3);

// The main window's chart at the size the window opens with (its least): the surface under the header
// line, from the left edge of the old 110-bar chart to the issue list.
inline constexpr int kMainChartWidth = kClearRight - kClearLeft + 1;
inline constexpr int kMainChartHeight = kClearBottom - (kClearTop - 4) + 1;

// The scene options the main window draws its chart with, from what Kestrel.ini keeps: the display's
// switches (lower panel, 出来高, the averages on while their colour is set, ALLITORSO), the averages' and
// oscillators' periods, 伊藤ﾚｼｵ's average (ITORSO) and the screen mode of `settings`, the chart mode and the technical
// set (its overlays with 価格帯別出来高, periods and colours); the trend curve while display.curve is on.
SceneOptions windowChartOptions(const ChartDisplay& display, const Settings& settings, int chartMode,
                                const TechnicalView& technical);

// The index of the last bar dated on or before `day` (-1 when none is).
int barOnOrBefore(const BarSeries& series, Date day);

// The detail labels of bar `bar` of a series (the averages, their deviations, サイコロ, RSI and VR, the
// close and the date) by the 110-bar chart's own arithmetic over the kMaxBars bars ending at that bar, so
// a bar at the left edge of a view has its values from the stored bars before it. Empty labels for a bar
// outside the series.
DetailLabels detailLabelsAt(const BarSeries& series, int bar, const IndicatorSettings& settings);

// The 110-bar chart of the kMaxBars bars of a series ending at bar `last` (fewer where the series holds
// fewer), computed as a load computes it; no bars for a bar outside the series, no split flags.
ChartData chartDataOf(const BarSeries& series, int last, const IndicatorSettings& settings);
// The price list's bars of `data` replaced by chartDataOf the series' last bar (the monthly chart's list
// lists its months so); the scroll range and the remembered issue and mode of the load stay.
void listSeriesBars(ChartData& data, const BarSeries& series, const IndicatorSettings& settings);

// The window's chart layout (SeriesLayoutIni.h) is the one model of its overlays and panes: the lower-panel
// button, the テクニカル menu's overlays and panels and the pane menu all change it; the mapping between
// it and the switches is here.
//
// The overlay names of the テクニカル menu's switches, as mainChartOptions draws them, with
// kVolumeProfileOverlay for 価格帯別出来高.
std::vector<std::string> windowOverlayNames(const TechnicalOverlays& flags, int bbBands);
// The menu's check marks of an overlay list: a switch is on while any name of its group is listed
// (一目均衡表 tenkan, kijun, span1, span2; ボリンジャーバンド bbMid, bbUp1..3, bbLo1..3; エンベロープ envUp, envLo;
// HLバンド hlHigh, hlLow; パラボリック sar; 価格帯別出来高 kVolumeProfileOverlay); bbBands the widest band
// listed, `bbBands` when none is.
struct OverlaySwitches {
    TechnicalOverlays flags;
    int bbBands = 2;
    bool operator==(const OverlaySwitches&) const = default;
};
OverlaySwitches overlaySwitches(const std::vector<std::string>& names, int bbBands);
// `names` with the groups switched as `flags`: a group on and already listed keeps its names as listed,
// a group switched on is added as windowOverlayNames gives it (bbBands bands), one off is removed;
// names of no group stay where they are.
std::vector<std::string> switchOverlays(const std::vector<std::string>& names, const TechnicalOverlays& flags,
                                        int bbBands);
// The panes of a lower-panel mode, the volume pane first when `volume`, as mainChartOptions sets them
// (allIto: ALLITORSO 2).
std::vector<PaneKind> lowerPanelPanes(int lowerPanelMode, bool volume, int chartMode, bool allIto);
// The 出来高 switch in a layout: the volume pane put first (while the scene has room, kMaxScenePanes) or removed;
// the heights go back to the default split when the panes change.
void setVolumePane(SeriesLayout& layout, bool shown);
// The window's layout on a start without a saved one: the panes of the lower-panel mode and the
// technical set's overlays, as the window drew them before it kept a layout (default span and scale).
SeriesLayout derivedWindowLayout(int lowerPanelMode, bool volume, int chartMode, bool allIto,
                                 const TechnicalView& technical);

// The codes of a comparison as typed: up to kMaxCompared codes separated by commas (also 、 and the
// full-width comma) or blanks (also the ideographic space), full-width digits read as digits; a code
// given twice counts once. An InvalidInput error naming the first item that is no code (1..999999), or
// telling that more than kMaxCompared were given. An empty text gives no codes.
Status parseCompareCodes(std::string_view text, std::vector<std::int32_t>& codes);

// The compared issues of a chart, each loaded as the main issue (the request's mode, chart date and
// split adjustment); `missing` lists, in order, the codes with no stored bar up to the chart date.
struct ComparedLoad {
    std::vector<ComparedIssue> issues;
    std::vector<std::int32_t> missing;
};
Result<ComparedLoad> loadCompared(db::Database& db, const std::vector<std::int32_t>& codes,
                                  const SeriesRequest& request);
// The message for compared codes without bars ("比較銘柄 9999 の株価がありません。…"); empty when none.
std::string missingComparedMessage(const std::vector<std::int32_t>& missing);

} // namespace kestrel::chart
