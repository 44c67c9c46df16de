// The overlay of a chart of any span, worked by hand on a plot 200 columns wide (view of 100 bars: two
// columns a bar, bar b at column 2b - 199) over a price panel of rows 0..200.
#include "core/chart/SeriesOverlay.h"

#include <gtest/gtest.h>

namespace kestrel::chart {
namespace {

Date D(int y, int m, int d) {
    return *Date::fromYmd(y, m, d);
}

BarSeries dated(BarMode mode, std::vector<Date> dates) {
    BarSeries s;
    s.mode = mode;
    for (Date d : dates) {
        SeriesBar b;
        b.date = d;
        b.open = b.high = b.low = b.close = b.closeCarried = Currency::fromWhole(1000);
        s.bars.push_back(b);
    }
    return s;
}

// 200 weekdays from Monday 2000-01-03; bar i spans [low(i), high(i)].
template <typename Lo, typename Hi> BarSeries weekdays(Lo low, Hi high) {
    BarSeries s;
    Date d = D(2000, 1, 3);
    for (int i = 0; i < 200; ++i, d = d.addDays(1)) {
        while (d.isWeekend())
            d = d.addDays(1);
        SeriesBar b;
        b.date = d;
        b.low = Currency::fromWhole(low(i));
        b.high = Currency::fromWhole(high(i));
        b.open = b.close = b.closeCarried = b.low;
        s.bars.push_back(b);
    }
    return s;
}

BarSeries flat() {
    return weekdays([](int) { return 1100; }, [](int) { return 1200; });
}

OverlayGeometry geometry(const BarSeries& s, bool log = false) {
    OverlayGeometry g;
    g.series = &s;
    g.view = {100, 199};
    g.layout.plotLeft = 0;
    g.layout.plotRight = 199;
    g.layout.priceTop = 0;
    g.layout.priceBottom = 200;
    // Linear: 1,000 at row 200 to 3,000 at row 0 (10 yen a row). Log: 100 to 10,000 (a decade in 100 rows).
    g.scale = log ? PriceScale{0, 200, 100, 10000, true, 1.0} : PriceScale{0, 200, 1000, 3000, false, 1.0};
    return g;
}

ChartLine trend(const BarSeries& s, int bar1, double price1, Date date2, double price2) {
    ChartLine l;
    l.id = 7;
    l.date1 = s.bars[static_cast<std::size_t>(bar1)].date;
    l.price1 = Currency::fromDouble(price1);
    l.date2 = date2;
    l.price2 = Currency::fromDouble(price2);
    return l;
}

TEST(SeriesOverlay, DatesPlacedOnDailyWeeklyAndMonthlyBars) {
    // Daily: a weekend and a four-day gap. Weekly: the second week's bar dated a Thursday (Friday a
    // holiday), a week without a bar. Monthly: March without trades, May still forming.
    const BarSeries daily = dated(BarMode::Daily, {D(2025, 6, 2), D(2025, 6, 3), D(2025, 6, 4), D(2025, 6, 5),
                                                   D(2025, 6, 6), D(2025, 6, 9), D(2025, 6, 13)});
    const BarSeries weekly = dated(BarMode::Weekly, {D(2025, 6, 6), D(2025, 6, 12), D(2025, 6, 20), D(2025, 7, 4)});
    const BarSeries monthly = dated(BarMode::Monthly, {D(2025, 1, 31), D(2025, 2, 28), D(2025, 4, 30), D(2025, 5, 15)});
    const struct {
        const BarSeries* s;
        Date date;
        int bar; // -1: no bar shows it
        double position;
    } cases[] = {
        {&daily, D(2025, 6, 4), 2, 2},
        {&daily, D(2025, 6, 7), 5, 4 + 1.0 / 3},       // Saturday: a third of the way to Monday
        {&daily, D(2025, 6, 11), 6, 5.5},              // inside the gap
        {&daily, D(2025, 5, 29), -1, -4 / 1.4},        // four days before the first bar
        {&daily, D(2025, 6, 20), -1, 6 + 7 / 1.4},     // a week after the last
        {&weekly, D(2025, 6, 2), 0, 0},                // the Monday of the first week
        {&weekly, D(2025, 6, 13), 1, 1},               // the holiday after its week's Thursday bar
        {&weekly, D(2025, 6, 15), 1, 1},               // Sunday ends the week
        {&weekly, D(2025, 6, 16), 2, 2},               // Monday starts the next
        {&weekly, D(2025, 6, 27), -1, 2.5},            // the week without a bar
        {&weekly, D(2025, 7, 5), 3, 3},                // Saturday after the last bar
        {&weekly, D(2025, 5, 30), -1, -1},             // a week before
        {&monthly, D(2025, 2, 1), 1, 1},               // the month's first day
        {&monthly, D(2025, 3, 15), -1, 1 + 15.0 / 61}, // the month without trades
        {&monthly, D(2025, 5, 20), 3, 3},              // after the forming month's last day
        {&monthly, D(2024, 12, 31), -1, -31 / (365.25 / 12)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.date.toIso());
        const auto bar = barOfDate(*c.s, c.date);
        EXPECT_EQ(bar.value_or(-1), c.bar);
        EXPECT_NEAR(datePosition(*c.s, c.date), c.position, 1e-9);
    }
}

TEST(SeriesOverlay, TrendLinesClippedAtThePanelOnBothScales) {
    const BarSeries s = flat();
    const Date after = s.bars.back().date.addDays(14); // ten weekdays on: position 209, column 219
    const struct {
        const char* what;
        bool log;
        ChartLine line;
        std::optional<Segment> shown;
    } cases[] = {
        // (-99,150)-(101,120) cut at column 0: t = 99/200, row 150 - 30t = 135.15.
        {"across the left edge", false, trend(s, 50, 1500, s.bars[150].date, 1800), Segment{0, 135, 101, 120}},
        // (101,100)-(219,41) cut at column 199: row 100 - 59 * 98/118 = 51.
        {"past the last bar", false, trend(s, 150, 2000, after, 2590), Segment{101, 100, 199, 51}},
        {"left of the view", false, trend(s, 10, 1500, s.bars[60].date, 2500), std::nullopt},
        {"above the panel", false, trend(s, 120, 3100, s.bars[160].date, 3500), std::nullopt},
        // Log: 1,000 at row 100, 10,000 at row 0; straight on the screen.
        {"log scale", true, trend(s, 120, 1000, s.bars[140].date, 10000), Segment{41, 100, 81, 0}},
        // 100,000 is a decade over the top: (41,100)-(81,-100) leaves at row 0 half way.
        {"log scale over the top", true, trend(s, 120, 1000, s.bars[140].date, 100000), Segment{41, 100, 61, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const OverlayGeometry g = geometry(s, c.log);
        const auto shown = seriesLineShown(g, c.line);
        ASSERT_EQ(shown.has_value(), c.shown.has_value());
        if (shown) {
            EXPECT_EQ(shown->x1, c.shown->x1);
            EXPECT_EQ(shown->y1, c.shown->y1);
            EXPECT_EQ(shown->x2, c.shown->x2);
            EXPECT_EQ(shown->y2, c.shown->y2);
        }
    }
}

TEST(SeriesOverlay, MouseMapsToBarsAndPricesAndHitsLines) {
    const BarSeries s = flat();
    const OverlayGeometry lin = geometry(s), log = geometry(s, true);
    const struct {
        const OverlayGeometry* g;
        int x, y;
        int bar;
        double price;
    } points[] = {
        {&lin, 0, 0, 100, 3000},       {&lin, 199, 200, 199, 1000},    {&lin, 61, 37, 130, 2630},
        {&log, 61, 100, 130, 1000},    {&log, 61, 50, 130, 3162.2777}, // 100 * 10^1.5
        {&log, 2, 199, 101, 102.3293},                                 // 100 * 10^0.01
    };
    for (const auto& p : points) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        const auto at = seriesPointAt(*p.g, p.x, p.y);
        ASSERT_TRUE(at);
        EXPECT_EQ(at->bar, p.bar);
        EXPECT_EQ(at->date, s.bars[static_cast<std::size_t>(p.bar)].date);
        EXPECT_EQ(at->price, Currency::fromDouble(p.price));
    }
    EXPECT_FALSE(seriesPointAt(lin, 200, 50));
    EXPECT_FALSE(seriesPointAt(lin, 50, 201));
    // Every row reads a price that maps back onto it, on both scales.
    for (const OverlayGeometry* g : {&lin, &log})
        for (int y = 0; y <= 200; ++y)
            EXPECT_EQ(std::lround(g->scale.yOf(seriesPointAt(*g, 100, y)->price.toDouble())), y) << y;

    ChartOverlay o;
    o.lines = {trend(s, 120, 1000, s.bars[140].date, 10000)}; // log: (41,100)-(81,0)
    ChartLine level;
    level.id = 9;
    level.kind = LineKind::Horizontal;
    level.price1 = level.price2 = Currency::fromWhole(316); // log row 200 - 100 * log10(3.16) = 150.03
    o.lines.push_back(level);
    EXPECT_EQ(seriesLineAt(log, o, 61, 52), 7);
    EXPECT_EQ(seriesLineAt(log, o, 66, 50), 0); // 4.6 pixels off it
    EXPECT_EQ(seriesLineAt(log, o, 5, 148), 9);
    EXPECT_EQ(seriesEndAt(log, o.lines[0], 43, 101), 1);
    EXPECT_EQ(seriesEndAt(log, o.lines[0], 80, 3), 2);
    EXPECT_EQ(seriesEndAt(log, o.lines[0], 61, 50), 0);
    EXPECT_EQ(seriesEndAt(log, level, 150, 151), 1);
}

TEST(SeriesOverlay, LevelLabelsSitClearOfTheBars) {
    // "損益分岐 1,500円" is 96 columns: at the right end it starts at column 199 - 2 - 96 = 101. The
    // level 1,500 lies on row 150; above it the label takes rows 137-148, below it 152-163.
    const int w = textWidth("損益分岐 1,500円");
    ASSERT_EQ(w, 96);
    const struct {
        const char* what;
        BarSeries bars;
        int y;
        std::vector<LabelBox> taken;
        LabelSpot want;
    } cases[] = {
        {"bars just above the line", weekdays([](int) { return 1520; }, [](int) { return 1700; }), 150, {}, {101, 152}},
        {"bars below the line", weekdays([](int) { return 1300; }, [](int) { return 1480; }), 150, {}, {101, 137}},
        {"bars across the line at the right only",
         weekdays([](int) { return 1400; }, [](int i) { return i < 150 ? 1400 : 1600; }),
         150,
         {},
         {2, 137}},
        {"the line at the top edge", flat(), 5, {}, {101, 0}},
        {"the line at the bottom edge", flat(), 198, {}, {101, 185}},
        {"another label taken above", flat(), 150, {{101, 137, 196, 148}}, {101, 152}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto at = levelLabelSpot(geometry(c.bars), c.y, w, c.taken);
        EXPECT_EQ(at.x, c.want.x);
        EXPECT_EQ(at.y, c.want.y);
    }
}

TEST(SeriesOverlay, HorizontalLineTagAndTradeMarks) {
    const BarSeries s = flat();
    const OverlayGeometry g = geometry(s);
    // 1,964 lies on row 200 - 96.4 = 104; the tag is 12 rows centred on it, right of the plot.
    const auto tag = priceTag(g, Currency::fromWhole(1964));
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->text, "1,964");
    EXPECT_EQ(tag->box.x1, 200);
    EXPECT_EQ(tag->box.y1, 98);
    EXPECT_EQ(tag->box.x2, 233); // two columns either side of the 30 of "1,964"
    EXPECT_EQ(tag->box.y2, 109);
    EXPECT_EQ(priceTag(g, Currency::fromDouble(2999.5))->box.y1, 0); // held inside the panel
    EXPECT_EQ(priceTag(g, Currency::fromDouble(1234.5))->text, "1,234.5");
    EXPECT_FALSE(priceTag(g, Currency::fromWhole(3100)));

    ChartOverlay o;
    ChartLine h;
    h.kind = LineKind::Horizontal;
    h.price1 = h.price2 = Currency::fromWhole(1964);
    o.lines = {h};
    o.levels = {{Currency::fromWhole(1500), "損益分岐 1,500円", false}};
    // A purchase on bar 150's day (column 101; its low 1,100 on row 190), a sale on a Saturday (the
    // Monday after it, bar 155: column 111, high 1,200 on row 180), a purchase before the view.
    const Date saturday = s.bars[154].date.addDays(1);
    ASSERT_EQ(saturday.weekday(), 7);
    o.trades = {{0, true, s.bars[150].date}, {0, false, saturday}, {0, true, s.bars[20].date}};
    const auto items = drawSeriesOverlay(g, o);
    auto has = [&](Shape shape, int x1, int y1, int x2, int y2, const std::string& text = {}) {
        for (const Primitive& p : items)
            if (p.shape == shape && p.x1 == x1 && p.y1 == y1 && (shape == Shape::Text || (p.x2 == x2 && p.y2 == y2)) &&
                p.text == text)
                return true;
        return false;
    };
    EXPECT_TRUE(has(Shape::Line, 0, 104, 199, 104));
    EXPECT_TRUE(has(Shape::FilledBox, 200, 98, 233, 109));
    EXPECT_TRUE(has(Shape::Text, 202, 98, 0, 0, "1,964"));
    EXPECT_TRUE(has(Shape::DottedLine, 0, 150, 199, 150));
    EXPECT_TRUE(has(Shape::Text, 101, 137, 0, 0, "損益分岐 1,500円"));
    EXPECT_TRUE(has(Shape::Line, 101, 193, 101, 193)); // ▲ apex three rows under the low
    EXPECT_TRUE(has(Shape::Line, 98, 196, 104, 196));
    EXPECT_TRUE(has(Shape::Line, 111, 177, 111, 177)); // ▼ apex three rows over the high
    EXPECT_TRUE(has(Shape::Line, 108, 174, 114, 174));
    int marks = 0;
    for (const Primitive& p : items)
        marks += p.shape == Shape::Line && p.y1 == p.y2 && p.x1 != 0 ? 1 : 0;
    EXPECT_EQ(marks, 8); // two marks of four strokes; the one before the view is left out
    o.ledgerShown = false;
    EXPECT_EQ(drawSeriesOverlay(g, o).size(), 3u); // the line and its tag only
}

TEST(SeriesOverlay, ScaleOfTheChartMatchesItsCandles) {
    // The geometry of a real chart: a level at a bar's close lies on the row of that bar's body.
    BarSeries s = weekdays([](int i) { return 1000 + 50 * i; }, [](int i) { return 1100 + 50 * i; });
    for (bool log : {false, true}) {
        SceneOptions options;
        options.logScale = log;
        const SeriesChart chart(s, options);
        const SeriesView view{120, 179};
        const OverlayGeometry g = overlayGeometry(chart, view, 800, 500);
        const std::vector<Primitive> scene = chart.draw(view, 800, 500);
        for (int b : {120, 150, 179}) {
            const int x = g.layout.barX(b, view);
            const int y =
                static_cast<int>(std::lround(g.scale.yOf(s.bars[static_cast<std::size_t>(b)].close.toDouble())));
            bool found = false;
            for (const Primitive& p : scene)
                found |= p.shape == Shape::FilledBox && p.x1 < x && p.x2 > x && p.y1 == y;
            EXPECT_TRUE(found) << log << " bar " << b;
        }
    }
}

} // namespace
} // namespace kestrel::chart
