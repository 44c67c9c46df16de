// The scene of a chart of any span: label texts and their spacing, log-scale labels, the switch from
// candles to high-low strokes, comparison percentages with a missing day, and where bars sit.
#include "core/chart/SeriesScene.h"

#include "core/chart/ChartData.h"
#include "core/chart/MainChart.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <regex>

namespace kestrel::chart {
namespace {

Currency yen(double v) {
    return Currency::fromDouble(v);
}

SeriesBar bar(Date d, double close, std::int64_t volume = 1000, double change = 0) {
    SeriesBar b;
    b.date = d;
    b.open = b.close = b.closeCarried = yen(close);
    b.high = yen(close * 1.01);
    b.low = yen(close * 0.99);
    b.change = yen(change);
    b.volume = volume;
    return b;
}

// n weekdays from 2000-01-03, closes rising slowly from 1,000 yen.
BarSeries weekdays(int n, BarMode mode = BarMode::Daily) {
    BarSeries s;
    s.code = 1301;
    s.mode = mode;
    Date d = *Date::fromYmd(2000, 1, 3);
    for (int i = 0; i < n; ++i) {
        while (d.isWeekend())
            d = d.addDays(1);
        s.bars.push_back(bar(d, 1000 + i, 1000 + i, 1));
        d = d.addDays(mode == BarMode::Monthly ? 31 : 1);
    }
    return s;
}

// The trend curve of a view equals the 110-bar chart's fit over the same closes, bar for bar: the
// default view, an odd count, a gap carried by closeCarried, and yen magnitudes from 1 to 1,000,000.
TEST(SeriesScene, TrendCurveIsTheBarChartsFit) {
    struct Case {
        int bars, viewBars;
        double base, swing;
    } cases[] = {{300, 110, 2964, 400}, {500, 109, 1, 0.5}, {6250, 110, 950000, 50000}, {110, 110, 150, 0}};
    for (const Case& c : cases) {
        BarSeries s = weekdays(c.bars);
        for (int i = 0; i < c.bars; ++i) {
            SeriesBar& b = s.bars[static_cast<std::size_t>(i)];
            b.close = b.closeCarried = yen(std::round((c.base + c.swing * std::sin(i / 17.0)) * 10) / 10);
        }
        // A week without trades: the closes carried.
        for (int i = c.bars - 40; i < c.bars - 35; ++i) {
            s.bars[static_cast<std::size_t>(i)].close = {};
            s.bars[static_cast<std::size_t>(i)].closeCarried =
                s.bars[static_cast<std::size_t>(c.bars - 41)].closeCarried;
        }
        const SeriesView view{c.bars - c.viewBars, c.bars - 1};
        ChartData d;
        d.barCount = static_cast<std::int16_t>(c.viewBars);
        for (int i = 0; i < c.viewBars; ++i) {
            const SeriesBar& b = s.bars[static_cast<std::size_t>(view.first + i)];
            d.bars[static_cast<std::size_t>(i)].date = b.date;
            d.bars[static_cast<std::size_t>(i)].close = b.close;
            d.bars[static_cast<std::size_t>(i)].closeCarried = b.closeCarried;
        }
        computeIndicators(d, {5, 25, 75, 12, 14, 1});
        const Series curve = trendCurve(s, view);
        ASSERT_EQ(curve.size(), s.bars.size());
        if (view.first > 0) {
            EXPECT_TRUE(isMissing(curve[static_cast<std::size_t>(view.first - 1)]));
        }
        for (int i = 1; i <= c.viewBars; ++i) {
            const std::int64_t dx = i - d.center;
            const Currency old = d.fitC * (dx * dx) + d.fitB * dx + d.fitA;
            EXPECT_EQ(curve[static_cast<std::size_t>(view.first + i - 1)], old.toDouble()) << c.bars << " bar " << i;
        }
    }
    // Three bars on a straight line: the curve is the line; one bar has no curve (no fit).
    const Series line = trendCurve(weekdays(4), {0, 2});
    EXPECT_EQ(Series(line.begin(), line.begin() + 3), (Series{1000.0, 1001.0, 1002.0}));
    EXPECT_TRUE(isMissing(line[3]));
    const Series one = trendCurve(weekdays(3), {1, 1});
    EXPECT_TRUE(std::all_of(one.begin(), one.end(), [](double v) { return isMissing(v); }));
}

// 価格帯別出来高 over the bars shown: one translucent bar per band with volume, from the plot's left
// edge, the longest a fifth of the plot wide, inside the price panel; none while a comparison is on.
TEST(SeriesScene, VolumeProfileOfTheView) {
    BarSeries s = weekdays(6250);
    for (std::size_t i = 0; i < s.bars.size(); ++i)
        s.bars[i].volume = 2'000'000'000 - static_cast<std::int64_t>(i) * 1000;
    SceneOptions o;
    o.volumeProfile = true;
    o.technical.vpBins = 12;
    const SeriesChart chart(s, o);
    const SeriesView views[] = {{6140, 6249}, {0, 6249}, {100, 119}};
    for (const SeriesView& v : views) {
        const SceneLayout lay = chart.layout(v, 1200, 700);
        const VolumeProfile profile = volumeProfile(s, v.first, v.last, 12);
        const auto filled =
            std::count_if(profile.bins.begin(), profile.bins.end(), [](const VolumeBin& b) { return b.volume > 0; });
        int boxes = 0, longest = 0;
        for (const Primitive& p : chart.draw(v, 1200, 700)) {
            if (p.shape != Shape::TranslucentBox)
                continue;
            ++boxes;
            EXPECT_EQ(p.x1, lay.plotLeft + 1);
            EXPECT_GE(p.y1, lay.priceTop);
            EXPECT_LE(p.y2, lay.priceBottom);
            longest = std::max(longest, p.x2 - p.x1 + 1);
        }
        EXPECT_EQ(boxes, filled) << v.first;
        EXPECT_EQ(longest, (lay.plotRight - lay.plotLeft) / 5) << v.first;
    }
    o.volumeProfile = false;
    const auto off = SeriesChart(s, o).draw(views[0], 1200, 700);
    EXPECT_TRUE(
        std::none_of(off.begin(), off.end(), [](const Primitive& p) { return p.shape == Shape::TranslucentBox; }));
}

TEST(SeriesScene, NumberTexts) {
    const std::pair<std::int64_t, const char*> volumes[] = {{0, "0"},
                                                            {5693, "5,693"},
                                                            {9999, "9,999"},
                                                            {10000, "1万"},
                                                            {56930000, "5,693万"},
                                                            {99994999, "9,999万"},
                                                            {123456789, "1.2億"},
                                                            {2000000000, "20億"},
                                                            {123456789012, "1,235億"}};
    for (const auto& [v, want] : volumes)
        EXPECT_EQ(volumeText(v), want) << v;
    const std::pair<double, const char*> prices[] = {{2964, "2,964"},  {0.5, "0.5"}, {1000000, "1,000,000"},
                                                     {12.25, "12.25"}, {-20, "-20"}, {1, "1"}};
    for (const auto& [v, want] : prices)
        EXPECT_EQ(priceText(v), want) << v;
    EXPECT_EQ(textWidth("5,693万"), 5 * 6 + 12);
    EXPECT_EQ(textWidth("形成中"), 36);
}

TEST(SeriesScene, DateLabelsAtEverySpan) {
    const BarSeries daily = weekdays(6250);
    const BarSeries monthly = weekdays(300, BarMode::Monthly);
    struct Case {
        const BarSeries* series;
        int bars, plotRight;
        const char* pattern; // every text matches
    };
    const Case cases[] = {
        {&daily, 20, 1003, R"(\d\d/\d\d/\d\d)"}, // a month: days
        {&daily, 110, 560, R"(\d\d/\d\d/\d\d|\d+月|\d{4}/\d+)"},
        {&daily, 250, 1003, R"(\d+月|\d{4}/\d+)"}, // a year: months
        {&daily, 1250, 1003, R"(\d+月|\d{4}/\d+|\d{4})"},
        {&daily, 6250, 1003, R"(\d{4})"}, // 25 years: years
        {&daily, 6250, 300, R"(\d{4})"},
        {&monthly, 300, 1003, R"(\d{4})"},
        {&monthly, 24, 1003, R"(\d+月|\d{4}/\d+)"},
    };
    for (const Case& c : cases) {
        const SeriesView v = viewLastBars(*c.series, c.series->bars.back().date, c.bars);
        const std::vector<DateLabel> labels = dateLabels(*c.series, v, 4, c.plotRight);
        SCOPED_TRACE(std::to_string(c.bars) + " bars to " + std::to_string(c.plotRight));
        ASSERT_GE(labels.size(), 2u);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            EXPECT_TRUE(std::regex_match(labels[i].text, std::regex(c.pattern))) << labels[i].text;
            EXPECT_LE(labels[i].x + textWidth(labels[i].text) - 1, c.plotRight) << labels[i].text;
            if (i > 0) {
                EXPECT_GE(labels[i].x, labels[i - 1].x + textWidth(labels[i - 1].text) + 12) << labels[i].text;
            }
        }
    }
    // The text of a day and of a year, worked by hand.
    const SeriesView month = viewLastBars(daily, daily.bars.back().date, 20);
    const DateLabel first = dateLabels(daily, month, 4, 1003).front();
    const Date d = daily.bars[static_cast<std::size_t>(first.bar)].date;
    char want[16];
    std::snprintf(want, sizeof want, "%02d/%02d/%02d", d.year() % 100, d.month(), d.day());
    EXPECT_EQ(first.text, want);
    const std::vector<DateLabel> years = dateLabels(daily, viewLastBars(daily, daily.bars.back().date, 6250), 4, 1003);
    EXPECT_EQ(years.front().text, "2001"); // 2000 starts at bar 0: not a year boundary inside the view
    EXPECT_EQ(years.back().text, "2023");  // the series ends in December 2023
}

TEST(SeriesScene, PriceLabels) {
    auto texts = [](const std::vector<ScaleLabel>& ls) {
        std::vector<std::string> out;
        for (const auto& l : ls)
            out.push_back(l.text);
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(texts(priceLabels(80, 1200, 400, true)),
              (V{"80", "90", "100", "200", "300", "400", "500", "600", "700", "800", "900", "1,000"}));
    EXPECT_EQ(texts(priceLabels(80, 1200, 150, true)), (V{"100", "200", "500", "1,000"}));
    EXPECT_EQ(texts(priceLabels(1, 1000000, 200, true)),
              (V{"1", "10", "100", "1,000", "10,000", "100,000", "1,000,000"}));
    EXPECT_EQ(texts(priceLabels(0, 100, 200, false)),
              (V{"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
    // A narrow log range holds no round price twice: a linear step, still apart at the top.
    const auto narrow = priceLabels(950, 1050, 300, true);
    ASSERT_GE(narrow.size(), 2u);
    EXPECT_EQ(narrow[0].text, "950");
    EXPECT_EQ(narrow[1].text, "955");
    for (std::size_t i = 1; i < narrow.size(); ++i)
        EXPECT_GE((std::log(narrow[i].value) - std::log(narrow[i - 1].value)) / std::log(1050.0 / 950) * 300, 14);
}

TEST(SeriesScene, BarPositionsAndStrokeSwitch) {
    SeriesChart chart(weekdays(6250), SceneOptions{});
    const BarSeries& s = chart.series();
    // 1068 wide: the plot holds columns 4..1003.
    struct Case {
        int bars, width, firstX, lastX;
        bool candles;
    };
    const Case cases[] = {{100, 1068, 9, 999, true},
                          {6250, 1068, 4, 1003, false},
                          {100, 368, 5, 302, true},
                          {101, 368, 5, 302, false},
                          {20, 1068, 29, 979, true}};
    for (const Case& c : cases) {
        const SeriesView v = viewLastBars(s, s.bars.back().date, c.bars);
        const SceneLayout lay = chart.layout(v, c.width, 600);
        EXPECT_EQ(lay.barX(v.first, v), c.firstX) << c.bars;
        EXPECT_EQ(lay.barX(v.last, v), c.lastX) << c.bars;
        EXPECT_EQ(lay.candles, c.candles) << c.bars;
    }
    // 6,250 bars over 1,000 columns: one stroke per column, none wider than a pixel.
    const SeriesView all = viewLastBars(s, s.bars.back().date, 6250);
    const SceneLayout lay = chart.layout(all, 1068, 600);
    int strokes = 0;
    for (const Primitive& p : chart.draw(all, 1068, 600))
        if (p.shape == Shape::Line && p.color == kCandleDown && p.x1 == p.x2 && p.y1 >= lay.priceTop &&
            p.y2 <= lay.priceBottom)
            ++strokes;
    EXPECT_EQ(strokes, 1000);
    // The first drawn average point is at the first bar of a view far into the series: its value comes
    // from the bars before the view.
    const SeriesView late = {3000, 3109};
    const SceneLayout l2 = chart.layout(late, 1068, 600);
    bool found = false;
    for (const Primitive& p : chart.draw(late, 1068, 600))
        if (p.shape == Shape::Line && p.color == kShownColors[kMa3] && p.x1 == l2.barX(late.first, late))
            found = true;
    EXPECT_TRUE(found);
}

TEST(SeriesScene, ComparisonWithMissingDay) {
    BarSeries main, other;
    const Date d0 = *Date::fromYmd(2024, 3, 1);
    for (int i = 0; i < 6; ++i)
        main.bars.push_back(bar(d0.addDays(i), 100));
    // other: no bar before day 1, none on day 3, no trade on day 4 (close 0, carried 190).
    other.bars = {bar(d0.addDays(1), 200), bar(d0.addDays(2), 210), bar(d0.addDays(4), 0), bar(d0.addDays(5), 220)};
    other.bars[1].closeCarried = yen(210);
    other.bars[2].closeCarried = yen(210);
    other.bars[2].high = other.bars[2].low = yen(0);
    const Series aligned = alignCloses(main, other);
    ASSERT_EQ(aligned.size(), 6u);
    EXPECT_TRUE(isMissing(aligned[0])); // nothing invented before its first bar
    const double want[] = {200, 210, 210, 210, 220};
    for (int i = 1; i < 6; ++i)
        EXPECT_DOUBLE_EQ(aligned[static_cast<std::size_t>(i)], want[i - 1]) << i;
    const Series pct = percentFrom(aligned, {0, 5});
    EXPECT_TRUE(isMissing(pct[0]));
    EXPECT_DOUBLE_EQ(pct[1], 0); // the first present value is the base
    EXPECT_NEAR(pct[2], 5, 1e-9);
    EXPECT_NEAR(pct[3], 5, 1e-9);
    EXPECT_NEAR(pct[5], 10, 1e-9);
    const Series fromDay2 = percentFrom(aligned, {2, 4});
    EXPECT_TRUE(isMissing(fromDay2[1]) && isMissing(fromDay2[5]));
    EXPECT_DOUBLE_EQ(fromDay2[2], 0);
    EXPECT_DOUBLE_EQ(fromDay2[4], 0);
}

TEST(SeriesScene, OldOscillatorsByHand) {
    BarSeries s;
    const Date d0 = *Date::fromYmd(2024, 3, 1);
    const double changes[] = {10, 20, -10, 0, 10};
    const std::int64_t volumes[] = {100, 200, 300, 400, 500};
    for (int i = 0; i < 5; ++i)
        s.bars.push_back(bar(d0.addDays(i), 100, volumes[i], changes[i]));
    const Series p = psychLine(s, 3), r = rsiLine(s, 3), v = volumeRatio(s, 3);
    EXPECT_TRUE(isMissing(p[1]) && isMissing(r[1]) && isMissing(v[1]));
    EXPECT_NEAR(p[2], 200.0 / 3, 1e-9);
    EXPECT_NEAR(p[4], 100.0 / 3, 1e-9);
    EXPECT_NEAR(r[2], 75, 1e-9);                        // 30 of 40
    EXPECT_NEAR(r[3], 200.0 / 3, 1e-9);                 // 20 of 30
    EXPECT_NEAR(v[3], 100.0 * (200 + 200) / 900, 1e-9); // rising 200, half of the unchanged 400
}

// 40 daily bars at 1,000 yen, rising 10 a bar from bar 20 (or, falling, at 2,000 falling 10 a bar), with
// one long shadow that fixes the view's scale at 1,280 yen over 256 pixels: a unit of 5 yen.
BarSeries itoBars(bool falling) {
    BarSeries s;
    const Date d0 = *Date::fromYmd(2025, 1, 6);
    for (int t = 0; t < 40; ++t) {
        const double step = t < 20 ? 0 : 10.0 * (t - 19);
        s.bars.push_back(bar(d0.addDays(t), falling ? 2000 - step : 1000 + step));
        SeriesBar& b = s.bars.back();
        b.high = b.low = b.close;
    }
    if (falling)
        s.bars[10].high = yen(3075); // 1,800 .. 3,080
    else
        s.bars[39].high = yen(2275); // 1,000 .. 2,280
    return s;
}

// 伊藤ﾚｼｵ by hand. The 5-bar average of the rising bars: 1,000 to bar 19, then 1,002, 1,006, 1,012, 1,020,
// 1,030, 1,040 ... (10 a bar from bar 24), so its change over 5 bars is 2 at bar 20 and 50 from bar 28:
// atan(2 / (5 × 5 × 5)) = 0.9167° and atan(50 / 125) = 21.8014°, the largest; shifted by it, a level
// average reads 21.8014 and the steepest rise twice that. Over 4 bars (the medium and long averages'
// span) the steepest change is 40: atan(40 / 125) = 17.7447°. The average has no change before bar 9 (no
// average 5 bars back); a view without any slope has the level 0; a fall reads 0 at its steepest.
TEST(SeriesScene, ItoRatioByHand) {
    struct Case {
        bool falling;
        int span;
        SeriesView view;
        double level;
        std::vector<std::pair<int, double>> values; // bar, value (kMissing: none)
    } cases[] = {
        {false, 5, {10, 39}, 21.8014, {{9, kMissing}, {10, 21.8014}, {19, 21.8014}, {20, 22.7181}, {39, 43.6028}}},
        {false, 5, {0, 39}, 21.8014, {{0, kMissing}, {8, kMissing}, {9, 21.8014}, {28, 43.6028}}},
        {false, 4, {10, 39}, 17.7447, {{10, 17.7447}, {39, 35.4894}}},
        {false, 5, {0, 19}, 0, {{8, kMissing}, {9, 0}, {19, 0}, {20, kMissing}}},
        {true, 5, {10, 39}, 21.8014, {{10, 21.8014}, {20, 20.8847}, {39, 0}}},
    };
    for (const Case& c : cases) {
        const BarSeries s = itoBars(c.falling);
        const ItoRatio r = itoRatio(s, c.view, averageChange(s, 5, c.span), 5);
        ASSERT_EQ(r.values.size(), s.bars.size());
        EXPECT_DOUBLE_EQ(r.level, c.level) << c.view.first << "-" << c.view.last;
        for (const auto& [b, v] : c.values) {
            if (isMissing(v))
                EXPECT_TRUE(isMissing(r.values[static_cast<std::size_t>(b)])) << b;
            else
                EXPECT_NEAR(r.values[static_cast<std::size_t>(b)], v, 1e-9) << c.span << " bar " << b;
        }
    }
    // No average of 0 bars, and none for a window without any close (an issue not yet traded).
    BarSeries late = itoBars(false);
    for (int t = 0; t < 12; ++t)
        late.bars[static_cast<std::size_t>(t)].close = late.bars[static_cast<std::size_t>(t)].closeCarried = {};
    const Series change = averageChange(late, 5, 5);
    EXPECT_TRUE(isMissing(change[15]));   // the average 5 bars back has no close
    EXPECT_EQ(change[21], 1006.0 - 1000); // bar 16 averages bars 12..16
    const Series none = averageChange(late, 0, 5);
    EXPECT_TRUE(std::all_of(none.begin(), none.end(), isMissing));

    // The pane: the line with a level guide at its middle, the legend and the read-out of the view.
    SceneOptions o;
    o.panes = {PaneKind::Ito};
    o.itoPeriod = o.itoSpan = 5;
    const SeriesChart chart(itoBars(false), o);
    const SeriesView v{10, 39};
    const SceneLayout lay = chart.layout(v, 800, 500);
    const int level = static_cast<int>(std::lround((lay.panes[0].first + lay.panes[0].second) / 2.0));
    bool guide = false, legend = false;
    for (const Primitive& p : chart.draw(v, 800, 500)) {
        guide |= p.shape == Shape::DottedLine && p.color == kItoColor && p.y1 == level && p.x1 == lay.plotLeft;
        legend |= p.shape == Shape::Text && p.color == kItoColor && p.text == "43.6";
    }
    EXPECT_TRUE(guide);
    EXPECT_TRUE(legend);
    EXPECT_EQ(chart.paneTitle(0), "伊藤ﾚｼｵ(5)");
    EXPECT_DOUBLE_EQ(chart.paneValues(0, 39, v).front().value, 43.6028);
    EXPECT_DOUBLE_EQ(chart.paneValues(0, 15, {0, 19}).front().value, 0); // a flat view: all level
}

// The 110-bar view of a long series gives the 110-bar chart's own 伊藤ﾚｼｵ for every bar past twice the
// period (where that chart has one), for each average ITORSO chooses, from 1 yen to a million: prices
// rising ever faster (the steepest slope at the last bar), a week without trades, shadows of every size.
TEST(SeriesScene, ItoRatioIsTheBarChartsOwn) {
    const int periods[3] = {5, 13, 40};
    for (double base : {100.0, 2964.0, 800000.0}) {
        BarSeries s;
        const Date d0 = *Date::fromYmd(2001, 1, 4);
        for (int t = 0; t < 400; ++t) {
            const double close = std::round(base + base * t * t / 800000.0);
            s.bars.push_back(bar(d0.addDays(t), close));
            SeriesBar& b = s.bars.back();
            b.high = yen(close + (t % 7) * base / 100);
            b.low = yen(std::max(1.0, close - (t % 5) * base / 100));
            if (t >= 330 && t < 335) { // no trades: the close carried
                b.open = b.high = b.low = b.close = {};
                b.closeCarried = s.bars[329].closeCarried;
            }
        }
        const SeriesView view{400 - kMaxBars, 399};
        for (int k = 1; k <= 3; ++k) {
            const IndicatorSettings set{periods[0], periods[1], periods[2], 12, 14, k};
            const ChartData old = chartDataOf(s, 399, set);
            const int p = periods[k - 1];
            const ItoRatio r = itoRatio(s, view, averageChange(s, p, k == 1 ? p : p - 1), p);
            EXPECT_DOUBLE_EQ(r.level, old.itoMax.toDouble()) << base << " " << k;
            for (int i = 2 * p + 1; i <= kMaxBars; ++i)
                EXPECT_DOUBLE_EQ(r.values[static_cast<std::size_t>(view.first + i - 1)],
                                 old.bars[static_cast<std::size_t>(i - 1)].itoRatio.toDouble())
                    << base << " " << k << " bar " << i;
        }
    }
}

TEST(SeriesScene, FormingMonthMarked) {
    BarSeries s = weekdays(40, BarMode::Monthly);
    s.bars.back().forming = true;
    SeriesChart chart(s, SceneOptions{});
    bool marked = false;
    for (const Primitive& p : chart.draw(viewLastBars(s, s.bars.back().date, 40), 800, 500))
        marked |= p.shape == Shape::Text && p.text == "形成中";
    EXPECT_TRUE(marked);
}

} // namespace
} // namespace kestrel::chart
