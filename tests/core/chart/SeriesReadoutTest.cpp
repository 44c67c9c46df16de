// The crosshair read-out (bar under a column, a bar's values, change percent, every line and pane by
// name; several bars in a column read as the column's last, as the lines are drawn), the pane splitters (weights after
// a drag, default pixels without weights) and the pane menu.
#include "core/chart/SeriesReadout.h"

#include <gtest/gtest.h>

namespace kestrel::chart {
namespace {

SeriesBar bar(Date d, double close, double change, std::int64_t volume) {
    SeriesBar b;
    b.date = d;
    b.open = b.close = b.closeCarried = Currency::fromDouble(close);
    b.high = Currency::fromDouble(close + 5);
    b.low = Currency::fromDouble(close - 5);
    b.change = Currency::fromDouble(change);
    b.volume = volume;
    return b;
}

// Closes 100, 102, 101, 104, 104 and a day without trading; 2,000,000,000 shares on the fourth day.
BarSeries sixDays() {
    BarSeries s;
    const double closes[] = {100, 102, 101, 104, 104};
    const double changes[] = {0, 2, -1, 3, 0};
    Date d = *Date::fromYmd(2025, 6, 2);
    for (int i = 0; i < 5; ++i)
        s.bars.push_back(bar(d.addDays(i), closes[i], changes[i], i == 3 ? 2000000000 : 1000 * (i + 1)));
    SeriesBar none;
    none.date = d.addDays(7);
    none.closeCarried = Currency::fromDouble(104);
    s.bars.push_back(none);
    return s;
}

TEST(SeriesReadout, BarAtColumn) {
    SceneLayout lay;
    lay.plotLeft = 4;
    lay.plotRight = 103; // 100 columns
    struct Case {
        SeriesView view;
        int x, bar;
    };
    const Case cases[] = {
        {{10, 19}, 4, 10},    {{10, 19}, 13, 10},  {{10, 19}, 14, 11}, {{10, 19}, 103, 19},
        {{10, 19}, -50, 10},  {{10, 19}, 500, 19}, {{0, 399}, 4, 3},   {{0, 399}, 5, 7},
        {{0, 399}, 103, 399}, {{0, 0}, 60, 0},     {{0, -1}, 60, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(barAtX(lay, c.view, c.x), c.bar) << c.view.first << ".." << c.view.last << " x " << c.x;
}

TEST(SeriesReadout, ValuesOfABar) {
    SceneOptions o;
    o.averages = {3};
    o.psychPeriod = 3;
    o.panes = {PaneKind::Volume, PaneKind::Psych, PaneKind::Margin};
    const SeriesChart chart(sixDays(), o);
    const SeriesView all{0, 5};
    struct Case {
        int bar;
        double close, changePercent, ma3, psych;
        std::int64_t volume;
    };
    // MA3 at bar 3: (102 + 101 + 104) / 3; psychological line at bar 4: one rise in -1, +3, 0.
    const Case cases[] = {
        {0, 100, 0, kMissing, kMissing, 1000},
        {1, 102, 2.0, kMissing, kMissing, 2000},
        {3, 104, 3.0 / 101 * 100, 307.0 / 3, 200.0 / 3, 2000000000},
        {4, 104, 0, 103, 100.0 / 3, 5000},
        {5, 0, kMissing, 104, kMissing, 0}, // no trading: the average runs on the carried close
        {9, 0, kMissing, 104, kMissing, 0}, // past the view: its last bar
    };
    for (const Case& c : cases) {
        const BarReadout r = readBar(chart, all, c.bar);
        EXPECT_EQ(r.bar, std::min(c.bar, 5));
        EXPECT_DOUBLE_EQ(r.close, c.close) << c.bar;
        EXPECT_EQ(r.volume, c.volume) << c.bar;
        EXPECT_EQ(isMissing(r.changePercent), isMissing(c.changePercent)) << c.bar;
        if (!isMissing(c.changePercent)) {
            EXPECT_NEAR(r.changePercent, c.changePercent, 1e-9) << c.bar;
        }
        ASSERT_EQ(r.lines.size(), 1u);
        EXPECT_EQ(r.lines[0].name, "MA3");
        EXPECT_EQ(isMissing(r.lines[0].value), isMissing(c.ma3)) << c.bar;
        if (!isMissing(c.ma3)) {
            EXPECT_NEAR(r.lines[0].value, c.ma3, 1e-9) << c.bar;
        }
        ASSERT_EQ(r.panes.size(), 3u);
        EXPECT_EQ(r.panes[0].at(0).name, "出来高");
        EXPECT_DOUBLE_EQ(r.panes[0].at(0).value, static_cast<double>(c.volume));
        EXPECT_EQ(r.panes[1].at(0).name, "サイコロ(3)");
        if (!isMissing(c.psych)) {
            EXPECT_NEAR(r.panes[1][0].value, c.psych, 1e-9) << c.bar;
        }
        ASSERT_EQ(r.panes[2].size(), 2u);
        EXPECT_EQ(r.panes[2][0].name, "売");
    }
    const std::vector<std::string> rows = readoutRows(readBar(chart, all, 3));
    // Bar 3: the psychological line over the changes +2, -1, +3 (2 of 3 rise); no margin balances.
    const std::vector<std::string> want = {
        "日付 2025/06/05", "始値 104",   "高値 109",         "安値 99", "終値 104", "前日比 +3 (+2.97%)",
        "出来高 20億",     "MA3 102.33", "サイコロ(3) 66.7", "売 0",    "買 0"};
    EXPECT_EQ(rows, want);
    EXPECT_EQ(readoutRows(readBar(chart, all, 5))[5], "前日比 -");
    EXPECT_EQ(readBar(chart, {0, -1}, 0).bar, -1);
}

TEST(SeriesReadout, PaneSplitters) {
    SceneOptions o;
    o.panes = {PaneKind::Volume, PaneKind::Rsi, PaneKind::Psych};
    const BarSeries s = sixDays();
    const SeriesChart plain(s, o);
    const SeriesView v{0, 5};
    // 600 rows: panels from row 14 to 583 (570 rows); three panes of 95 rows under gap and legend (17).
    const SceneLayout lay = plain.layout(v, 800, 600);
    ASSERT_EQ(lay.panes.size(), 3u);
    EXPECT_EQ(lay.priceBottom, 247);
    EXPECT_EQ(lay.panes[0], std::make_pair(265, 359));
    EXPECT_EQ(lay.panes[2], std::make_pair(489, 583));
    EXPECT_EQ(paneEdgeAt(lay, 249), 0);
    EXPECT_EQ(paneEdgeAt(lay, 362), 1);
    EXPECT_EQ(paneEdgeAt(lay, 300), -1);
    EXPECT_EQ(paneAt(lay, 100), -1);
    EXPECT_EQ(paneAt(lay, 250), 0);
    EXPECT_EQ(paneAt(lay, 480), 2);

    struct Case {
        int pane, y;
        std::vector<std::pair<int, int>> panes; // after the drag
    };
    const Case cases[] = {
        {0, 198, {{215, 359}, {377, 471}, {489, 583}}}, // 50 rows up: the first pane grows
        {1, 400, {{265, 399}, {417, 471}, {489, 583}}}, // the second pane's edge 40 down
        {0, 0, {{71, 359}, {377, 471}, {489, 583}}},    // the price panel keeps 40 rows (14..53)
        {2, 600, {{265, 359}, {377, 554}, {572, 583}}}, // the last pane keeps 12 rows
        {1, 360, {{265, 359}, {377, 471}, {489, 583}}}, // not moved
    };
    for (const Case& c : cases) {
        SceneOptions w = o;
        w.paneWeights = paneWeightsAfterDrag(lay, c.pane, c.y);
        const SceneLayout after = SeriesChart(s, w).layout(v, 800, 600);
        EXPECT_EQ(after.panes, c.panes) << c.pane << " to " << c.y;
    }
    // Weights that do not match the panes: the default split.
    SceneOptions odd = o;
    odd.paneWeights = {500};
    EXPECT_EQ(SeriesChart(s, odd).layout(v, 800, 600).panes, lay.panes);
}

TEST(SeriesReadout, PaneMenu) {
    SceneOptions o;
    o.panes = {PaneKind::Volume, PaneKind::Macd};
    o.paneWeights = {200, 150};
    EXPECT_FALSE(addPane(o, PaneKind::Macd));
    EXPECT_TRUE(movePane(o, 1, -1));
    EXPECT_EQ(o.panes, (std::vector<PaneKind>{PaneKind::Macd, PaneKind::Volume}));
    EXPECT_EQ(o.paneWeights, (std::vector<int>{150, 200}));
    EXPECT_FALSE(movePane(o, 0, -1));
    EXPECT_FALSE(movePane(o, 1, 1));
    EXPECT_TRUE(removePane(o, 0));
    EXPECT_EQ(o.panes, (std::vector<PaneKind>{PaneKind::Volume}));
    EXPECT_EQ(o.paneWeights, (std::vector<int>{200}));
    EXPECT_FALSE(removePane(o, 1));
    EXPECT_TRUE(addPane(o, PaneKind::Rsi));
    EXPECT_TRUE(o.paneWeights.empty());
    EXPECT_TRUE(addPane(o, PaneKind::Margin));
    EXPECT_TRUE(addPane(o, PaneKind::Dmi));
    EXPECT_FALSE(addPane(o, PaneKind::Stoch)); // a fifth
    EXPECT_EQ(o.panes.size(), 4u);
}

} // namespace
} // namespace kestrel::chart
