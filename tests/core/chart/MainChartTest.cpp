// The main window's chart: the switches as panes and averages in each chart mode, and the bar a dated
// price-list row points at (a weekend, a day before the first bar, past the last bar).
#include "core/chart/MainChart.h"

#include <gtest/gtest.h>
#include <tuple>

namespace kestrel::chart {
namespace {

using P = PaneKind;

TEST(MainChart, SwitchesGiveThePanesAndAverages) {
    // Lower panel modes 0..4 in each chart mode, with 伊藤ﾚｼｵ left out of ALL (ALLITORSO 1) and shown
    // in it (2, daily only: a fifth pane); weekly and monthly ALL add the margin balances; mode 3 is 伊藤ﾚｼｵ in daily
    // mode, the margin balances otherwise.
    struct Case {
        int lowerMode, chartMode;
        std::vector<PaneKind> allIto1, allIto2;
    } modes[] = {
        {0, 1, {P::Volume, P::Psych, P::Rsi, P::Vr}, {P::Volume, P::Psych, P::Rsi, P::Vr, P::Ito}},
        {0, 2, {P::Volume, P::Psych, P::Rsi, P::Vr, P::Margin}, {P::Volume, P::Psych, P::Rsi, P::Vr, P::Margin}},
        {0, 3, {P::Volume, P::Psych, P::Rsi, P::Vr, P::Margin}, {P::Volume, P::Psych, P::Rsi, P::Vr, P::Margin}},
        {1, 1, {P::Volume, P::Rsi, P::Vr}, {P::Volume, P::Rsi, P::Vr}},
        {1, 2, {P::Volume, P::Rsi, P::Vr}, {P::Volume, P::Rsi, P::Vr}},
        {1, 3, {P::Volume, P::Rsi, P::Vr}, {P::Volume, P::Rsi, P::Vr}},
        {2, 1, {P::Volume, P::Psych}, {P::Volume, P::Psych}},
        {2, 2, {P::Volume, P::Psych}, {P::Volume, P::Psych}},
        {2, 3, {P::Volume, P::Psych}, {P::Volume, P::Psych}},
        {3, 1, {P::Volume, P::Ito}, {P::Volume, P::Ito}},
        {3, 2, {P::Volume, P::Margin}, {P::Volume, P::Margin}},
        {3, 3, {P::Volume, P::Margin}, {P::Volume, P::Margin}},
        {4, 1, {P::Volume}, {P::Volume}},
        {4, 2, {P::Volume}, {P::Volume}},
        {4, 3, {P::Volume}, {P::Volume}},
        {kLowerMacd, 1, {P::Volume, P::Macd}, {P::Volume, P::Macd}},
        {kLowerStoch, 2, {P::Volume, P::Stoch}, {P::Volume, P::Stoch}},
        {kLowerRci, 3, {P::Volume, P::Rci}, {P::Volume, P::Rci}},
        {kLowerDmi, 1, {P::Volume, P::Dmi}, {P::Volume, P::Dmi}},
    };
    for (const Case& c : modes)
        for (bool allIto : {false, true}) {
            MainChartSwitches s;
            s.lowerPanelMode = c.lowerMode;
            s.chartMode = c.chartMode;
            s.allIto = allIto;
            s.average1 = 5, s.average2 = 25, s.average3 = 75;
            s.psychPeriod = 10, s.flowPeriod = 0; // 0: the scene's default
            const SceneOptions o = mainChartOptions(s);
            EXPECT_EQ(o.panes, allIto ? c.allIto2 : c.allIto1) << c.lowerMode << "/" << c.chartMode << "/" << allIto;
            EXPECT_EQ(o.averages, (std::vector<int>{5, 25, 75}));
            EXPECT_EQ(o.psychPeriod, 10);
            EXPECT_EQ(o.flowPeriod, 14);
            // The scene holds every pane the window asks for.
            EXPECT_EQ(SeriesChart(BarSeries{}, o).options().panes, o.panes);
        }
    // Without 出来高 and averages.
    MainChartSwitches bare;
    bare.volume = bare.averages = false;
    bare.lowerPanelMode = 3;
    bare.average1 = 5;
    EXPECT_EQ(mainChartOptions(bare).panes, std::vector<PaneKind>{P::Ito});
    EXPECT_TRUE(mainChartOptions(bare).averages.empty());
    // 伊藤ﾚｼｵ's average: ITORSO 1 the short one over its period, 2 and 3 over one bar less, else none.
    const struct { int choice, period, span; } ito[] = {{1, 5, 5}, {2, 25, 24}, {3, 75, 74}, {0, 0, 0}, {4, 0, 0}};
    for (auto c : ito) {
        MainChartSwitches s;
        s.average1 = 5, s.average2 = 25, s.average3 = 75;
        s.itoAverage = c.choice;
        const SceneOptions o = mainChartOptions(s);
        EXPECT_EQ((std::pair{o.itoPeriod, o.itoSpan}), (std::pair{c.period, c.span})) << c.choice;
    }
    MainChartSwitches one;
    one.average1 = 0, one.average2 = 13, one.average3 = 0;
    EXPECT_EQ(mainChartOptions(one).averages, std::vector<int>{13});
    EXPECT_TRUE(mainChartOptions(one).overlays.empty());
}

TEST(MainChart, OverlaysByTheirLineNames) {
    using V = std::vector<std::string>;
    struct Case {
        bool TechnicalOverlays::*flag;
        int bands;
        V names;
    } cases[] = {
        {&TechnicalOverlays::ichimoku, 2, {"tenkan", "kijun", "span1", "span2"}},
        {&TechnicalOverlays::bollinger, 1, {"bbMid", "bbUp1", "bbLo1"}},
        {&TechnicalOverlays::bollinger, 3, {"bbMid", "bbUp1", "bbLo1", "bbUp2", "bbLo2", "bbUp3", "bbLo3"}},
        {&TechnicalOverlays::bollinger, 9, {"bbMid", "bbUp1", "bbLo1", "bbUp2", "bbLo2", "bbUp3", "bbLo3"}},
        {&TechnicalOverlays::envelope, 2, {"envUp", "envLo"}},
        {&TechnicalOverlays::hlBand, 2, {"hlHigh", "hlLow"}},
        {&TechnicalOverlays::sar, 2, {"sar"}},
        {&TechnicalOverlays::volumeProfile, 2, {}},
    };
    for (const Case& c : cases) {
        MainChartSwitches s;
        s.overlays.*(c.flag) = true;
        s.bbBands = c.bands;
        const SceneOptions o = mainChartOptions(s);
        EXPECT_EQ(o.overlays, c.names);
        // Every name is one the chart draws (none is dropped as unknown).
        EXPECT_TRUE(SeriesChart(BarSeries{}, o).unknownOverlays().empty());
    }
}

TEST(MainChart, ModesAndBarsOnADate) {
    EXPECT_EQ(barModeFor(1), BarMode::Daily);
    EXPECT_EQ(barModeFor(2), BarMode::Weekly);
    EXPECT_EQ(barModeFor(3), BarMode::Monthly);
    EXPECT_EQ(barModeFor(0), BarMode::Daily);

    BarSeries s; // Thu 2025-01-09, Fri 01-10, Tue 01-14 (a holiday Monday between)
    for (int d : {9, 10, 14}) {
        SeriesBar b;
        b.date = *Date::fromYmd(2025, 1, d);
        s.bars.push_back(b);
    }
    const struct { int day, bar; } cases[] = {{8, -1}, {9, 0}, {10, 1}, {11, 1}, {13, 1}, {14, 2}, {31, 2}};
    for (auto c : cases)
        EXPECT_EQ(barOnOrBefore(s, *Date::fromYmd(2025, 1, c.day)), c.bar) << c.day;
    EXPECT_EQ(barOnOrBefore(BarSeries{}, *Date::fromYmd(2025, 1, 9)), -1);
}

// 200 daily bars closing 1,000 + 10·i yen, each 10 up on the day before, 100 shares a day.
BarSeries risingBars() {
    BarSeries s;
    Date d = *Date::fromYmd(2024, 1, 4);
    for (int i = 0; i < 200; ++i, d = d.addDays(1)) {
        SeriesBar b;
        b.date = d;
        b.open = b.high = b.low = b.close = b.closeCarried = Currency::fromWhole(1000 + 10 * i);
        b.change = Currency::fromWhole(i == 0 ? 0 : 10);
        b.volume = 100;
        s.bars.push_back(b);
    }
    return s;
}

TEST(MainChart, DetailLabelsFromTheBarsBeforeTheView) {
    const BarSeries s = risingBars();
    const IndicatorSettings set{5, 25, 75, 12, 14, 1};
    struct Case {
        int bar;
        const char *ma5, *ma25, *ma75, *dev5, *psych, *rsi;
    } cases[] = {
        // MA5 of bar 150: closes 146..150 average 2,480; the close 2,500 lies 8 per mille above it.
        {150, "2480", "2380", "2130", "0.8", "100", "100"},
        // Bar 90 is the first of the last 110 bars: every average from the bars before it (not 0).
        {90, "1880", "1780", "1530", "1.1", "100", "100"},
        // Bar 30: no 75 bars yet; bar 0 has no window at all.
        {30, "1280", "1180", "0", "1.6", "100", "100"},
    };
    for (const Case& c : cases) {
        const DetailLabels l = detailLabelsAt(s, c.bar, set);
        EXPECT_EQ(l.Lbltanidoheikn, c.ma5) << c.bar;
        EXPECT_EQ(l.Lbltyuidoheikn, c.ma25) << c.bar;
        EXPECT_EQ(l.Lbltyoidoheikn, c.ma75) << c.bar;
        EXPECT_EQ(l.Lbltankairi, c.dev5) << c.bar;
        EXPECT_EQ(l.LblSRL, c.psych) << c.bar;
        EXPECT_EQ(l.LblRSI, c.rsi) << c.bar;
        EXPECT_EQ(l.Lblowarine, Currency::fromWhole(1000 + 10 * c.bar).toString()) << c.bar;
    }
    EXPECT_EQ(detailLabelsAt(s, 0, set).Lbltanidoheikn, "0");
    EXPECT_EQ(detailLabelsAt(s, 200, set).LblDate, "");
    EXPECT_EQ(detailLabelsAt(s, -1, set).LblDate, "");
}

} // namespace
} // namespace kestrel::chart

namespace kestrel::chart {
namespace {

// The window's options from what Kestrel.ini keeps: the averages only while a colour is set, 出来高 and
// the lower panel from the display, the technical set with its colours.
TEST(MainChart, WindowOptionsFromTheIniSettings) {
    Settings settings;
    settings.move1 = 5, settings.move2 = 0, settings.move3 = 75;
    settings.SaicoL = 10, settings.RSIVR = 9, settings.ScreenMode = 2;
    TechnicalView technical;
    technical.overlays.ichimoku = true;
    technical.settings.tenkanPeriod = 7;
    technical.colors[kColCloudUp] = Rgb{1, 2, 3};
    struct Case {
        bool volume, averageColours;
        int lowerPanel;
        std::vector<int> averages;
        std::vector<PaneKind> panes;
    } cases[] = {
        {true, true, 1, {5, 75}, {PaneKind::Volume, PaneKind::Rsi, PaneKind::Vr}},
        {false, false, kLowerMacd, {}, {PaneKind::Macd}},
    };
    for (const Case& c : cases) {
        ChartDisplay display;
        display.volume = c.volume;
        display.lowerPanelMode = c.lowerPanel;
        if (!c.averageColours)
            for (int k = kMa1; k <= kMa3; ++k)
                display.chartColors[k] = {};
        const SceneOptions o = windowChartOptions(display, settings, 1, technical);
        EXPECT_EQ(o.averages, c.averages);
        EXPECT_EQ(o.panes, c.panes);
        EXPECT_EQ(o.overlays, (std::vector<std::string>{"tenkan", "kijun", "span1", "span2"}));
        EXPECT_EQ((std::pair{o.psychPeriod, o.flowPeriod}), (std::pair{10, 9}));
        EXPECT_EQ(o.screenMode, 2);
        EXPECT_EQ(o.technical.tenkanPeriod, 7);
        EXPECT_EQ(o.technicalColors[kColCloudUp], (Rgb{1, 2, 3}));
    }
    // ALLITORSO 2 adds 伊藤ﾚｼｵ to the daily ALL view, of the average ITORSO chooses.
    settings.ITORSO = 3;
    ChartDisplay display;
    display.lowerPanelMode = 0;
    display.ALLITORSO = 2;
    const SceneOptions o = windowChartOptions(display, settings, 1, technical);
    EXPECT_EQ(o.panes.back(), PaneKind::Ito);
    EXPECT_EQ((std::pair{o.itoPeriod, o.itoSpan}), (std::pair{75, 74}));
    display.ALLITORSO = 1;
    EXPECT_EQ(windowChartOptions(display, settings, 1, technical).panes.size(), 4u);
}

// The price list of the monthly chart: its last 110 months, each row a month (the forming one with its
// last close), the values the 110-bar chart's over them; the scroll range of the load stays.
TEST(MainChart, MonthlyPriceListRows) {
    BarSeries months;
    months.mode = BarMode::Monthly;
    for (int i = 0; i < 115; ++i) { // 2015/01 .. 2024/07
        SeriesBar b;
        b.date = *Date::fromYmd(2015 + i / 12, i % 12 + 1, 20);
        b.open = Currency::fromWhole(1000 + i);
        b.high = Currency::fromWhole(1100 + i);
        b.low = Currency::fromWhole(900 + i);
        b.close = b.closeCarried = Currency::fromWhole(1050 + i);
        b.change = Currency::fromWhole(i == 0 ? 0 : 1);
        b.volume = 2'000'000'000LL * 21; // a month of the busiest days
        months.bars.push_back(b);
    }
    months.bars.back().forming = true;
    ChartData data;
    data.latestDate = *Date::fromYmd(2024, 7, 19);
    data.scrollSmallChange = 7;
    data.lastLoadedCode = 7203;
    listSeriesBars(data, months, {5, 25, 75, 12, 14, 1});
    ASSERT_EQ(data.barCount, kMaxBars);
    const struct {
        int row;
        const char* text;
    } rows[] = {
        {0, "15/06/20        1005       1105        905       1055          1 42000000000"},
        {109, "24/07/20        1114       1214       1014       1164          1 42000000000"},
    };
    for (auto r : rows)
        EXPECT_EQ(kabukaListRow(data.bars[static_cast<std::size_t>(r.row)]), r.text) << r.row;
    // MA5 of the last month: closes 1,160 .. 1,164.
    EXPECT_EQ(data.bars[109].ma1, Currency::fromWhole(1162));
    EXPECT_EQ(data.maxHigh, Currency::fromWhole(1214));
    EXPECT_EQ((std::tuple{data.latestDate, data.scrollSmallChange, data.lastLoadedCode}),
              (std::tuple{*Date::fromYmd(2024, 7, 19), std::int16_t{7}, std::int32_t{7203}}));
    // Fewer months than 110: all of them; none.
    months.bars.resize(3);
    listSeriesBars(data, months, {5, 25, 75, 12, 14, 1});
    EXPECT_EQ(data.barCount, 3);
    listSeriesBars(data, BarSeries{}, {5, 25, 75, 12, 14, 1});
    EXPECT_EQ(data.barCount, 0);
}

// The window's layout and the テクニカル menu: the check marks an overlay list shows, and a switch turned
// on or off in a list (groups kept as listed, a hand-written name of no group left in place).
TEST(MainChart, LayoutOverlaysAndTheMenuSwitches) {
    using V = std::vector<std::string>;
    auto on = [](std::initializer_list<bool TechnicalOverlays::*> flags) {
        TechnicalOverlays o;
        for (auto f : flags)
            o.*f = true;
        return o;
    };
    using T = TechnicalOverlays;
    const T ichimokuSar = on({&T::ichimoku, &T::sar}), bbVp = on({&T::bollinger, &T::volumeProfile});
    struct Case {
        V names;
        TechnicalOverlays want;
        int bbBands;
        V switched;
        OverlaySwitches marks; // of `names`, with bbBands 2 when no band is listed
    } cases[] = {
        {{}, ichimokuSar, 2, {"tenkan", "kijun", "span1", "span2", "sar"}, {T{}, 2}},
        // ±2σ only stays as listed; the profile is added; sar goes.
        {{"sar", "bbMid", "bbUp2", "bbLo2"},
         bbVp,
         3,
         {"bbMid", "bbUp2", "bbLo2", kVolumeProfileOverlay},
         {on({&T::sar, &T::bollinger}), 2}},
        {{"chikou", "bbUp3", "kijun"}, T{}, 2, {"chikou"}, {on({&T::ichimoku, &T::bollinger}), 3}},
        {{"kijun", "chikou"}, ichimokuSar, 1, {"kijun", "chikou", "sar"}, {on({&T::ichimoku}), 2}},
        {{"bbMid"}, bbVp, 1, {"bbMid", kVolumeProfileOverlay}, {on({&T::bollinger}), 2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(switchOverlays(c.names, c.want, c.bbBands), c.switched);
        EXPECT_EQ(overlaySwitches(c.names, 2), c.marks);
        // A list switched reads back as the switches it was given.
        EXPECT_EQ(overlaySwitches(c.switched, c.bbBands).flags, c.want);
    }
    EXPECT_EQ(windowOverlayNames(bbVp, 1), (V{"bbMid", "bbUp1", "bbLo1", kVolumeProfileOverlay}));
    // A start without a saved layout: the lower panel's panes and the technical set's overlays.
    TechnicalView technical;
    technical.overlays.envelope = true;
    const SeriesLayout derived = derivedWindowLayout(kLowerRsiVr, true, 1, false, technical);
    EXPECT_EQ(derived.overlays, (V{"envUp", "envLo"}));
    EXPECT_EQ(derived.panes, (std::vector<PaneKind>{P::Volume, P::Rsi, P::Vr}));
    EXPECT_EQ(derived.bars, kDefaultViewBars);
    // 出来高 off and on: the pane goes and comes back first, the heights to the default split; it comes back
    // as a fifth pane (the ALL view's room) but never as a sixth.
    SeriesLayout l = derived;
    l.paneWeights = {200, 200, 200};
    setVolumePane(l, false);
    EXPECT_EQ(l.panes, (std::vector<PaneKind>{P::Rsi, P::Vr}));
    EXPECT_TRUE(l.paneWeights.empty());
    setVolumePane(l, true);
    EXPECT_EQ(l.panes, derived.panes);
    l.panes = {P::Macd, P::Rsi, P::Vr, P::Dmi};
    setVolumePane(l, true);
    EXPECT_EQ(l.panes, (std::vector<PaneKind>{P::Volume, P::Macd, P::Rsi, P::Vr, P::Dmi}));
    l.panes = {P::Macd, P::Rsi, P::Vr, P::Dmi, P::Psych};
    setVolumePane(l, true);
    EXPECT_EQ(l.panes, (std::vector<PaneKind>{P::Macd, P::Rsi, P::Vr, P::Dmi, P::Psych}));
}

TEST(MainChart, CompareCodesAsTyped) {
    using C = std::vector<std::int32_t>;
    struct Case {
        const char* text;
        C codes;
        const char* error; // a part of the message; nullptr: read
    } cases[] = {
        {"1306", {1306}, nullptr},
        {"1306,1321 1002", {1306, 1321, 1002}, nullptr},
        {"１３０６", {1306}, nullptr},
        {"1306、1321，1002", {1306, 1321, 1002}, nullptr},
        {"  1306 ,, 1321　", {1306, 1321}, nullptr},
        {"1306,1306,1321", {1306, 1321}, nullptr},
        {"", {}, nullptr},
        {"1306,1321,1002,7203", {}, "3銘柄まで"},
        {"1306,TOPIX", {}, "TOPIX"},
        {"0", {}, "0"},
        {"1234567", {}, "1234567"},
        {"-1306", {}, "-1306"},
    };
    for (const Case& c : cases) {
        C codes{9999};
        const Status st = parseCompareCodes(c.text, codes);
        EXPECT_EQ(codes, c.codes) << c.text;
        if (c.error) {
            EXPECT_EQ(st.code(), StatusCode::InvalidInput) << c.text;
            EXPECT_NE(st.message().find(c.error), std::string::npos) << st.message();
        } else {
            EXPECT_TRUE(st) << c.text << ": " << st.message();
        }
    }
    EXPECT_EQ(missingComparedMessage({9999, 8888}), "比較銘柄 9999, 8888 の株価がありません（比較しません）。");
    EXPECT_EQ(missingComparedMessage({}), "");
}

} // namespace
} // namespace kestrel::chart
