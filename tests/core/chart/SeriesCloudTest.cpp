// 一目均衡表 on the span chart: the cloud's future slots, their dates, 遅行スパン and the log scale, at
// pixels worked by hand for a small series.
#include "core/chart/SeriesReadout.h"
#include "core/chart/SeriesScene.h"

#include <gtest/gtest.h>

namespace kestrel::chart {
namespace {

// 20 weekdays from Monday 2000-01-03 to Friday 2000-01-28, each traded at one price 100 + i.
BarSeries rising() {
    BarSeries s;
    s.code = 1301;
    Date d = *Date::fromYmd(2000, 1, 3);
    for (int i = 0; i < 20; ++i) {
        while (d.isWeekend())
            d = d.addDays(1);
        SeriesBar b;
        b.date = d;
        b.open = b.high = b.low = b.close = b.closeCarried = Currency::fromDouble(100 + i);
        b.volume = 1000;
        s.bars.push_back(b);
        d = d.addDays(1);
    }
    return s;
}

// Periods small enough for 20 bars: span1 = (p_t + p_t-1) / 2 from bar 1, span2 = (p_t + p_t-3) / 2 from
// bar 3, both drawn 5 slots to the right.
SceneOptions cloudOptions(bool log = false) {
    SceneOptions o;
    o.averages.clear();
    o.panes.clear();
    o.overlays = {"tenkan", "kijun", "span1", "span2"};
    o.technical.tenkanPeriod = 2;
    o.technical.kijunPeriod = 2;
    o.technical.span2Period = 4;
    o.technical.ichimokuShift = 5;
    o.logScale = log;
    return o;
}

// 568×217: the plot is columns 4..503 (500 pixels), the price panel rows 14..200. With the 5 future slots a
// view of the 20 bars has 25 slots of 20 pixels: slot b at column 20b + 14.
constexpr int kWidth = 568, kHeight = 217;

std::vector<Primitive> boxesAt(const std::vector<Primitive>& scene, int x) {
    std::vector<Primitive> out;
    for (const Primitive& p : scene)
        if (p.shape == Shape::TranslucentBox && p.x1 <= x && p.x2 >= x)
            out.push_back(p);
    return out;
}

int rightmost(const std::vector<Primitive>& scene, Shape shape, Rgb color) {
    int most = -1;
    for (const Primitive& p : scene)
        if (p.shape == shape && (shape == Shape::TranslucentBox || p.color == color))
            most = std::max({most, p.x1, p.x2});
    return most;
}

TEST(SeriesCloud, FutureSlotsAtTheirPixels) {
    // Linear: 99.05 .. 119.95 over rows 200 .. 14. Log: the same 5 % margin of ln 100 .. ln 119.
    struct Case {
        bool log;
        int slot;               // the slot's column is 20 * slot + 14
        int span1Row, span2Row; // the spans computed 5 bars before the slot
    };
    const Case cases[] = {
        {false, 24, 27, 36}, // the last future slot: bar 19's spans 118.5 and 117.5
        {false, 23, 36, 45}, // bar 18's: 117.5 and 116.5
        {true, 24, 27, 35},
        {true, 23, 35, 43},
    };
    const TechnicalColors& colors = kTechnicalDefaultColors;
    for (const Case& c : cases) {
        const SeriesChart chart(rising(), cloudOptions(c.log));
        const SeriesView view{0, 19};
        const SceneLayout lay = chart.layout(view, kWidth, kHeight);
        ASSERT_EQ(lay.futureSlots, 5);
        EXPECT_EQ(lay.barX(19, view), 394);
        const std::vector<Primitive> scene = chart.draw(view, kWidth, kHeight);
        const int x = 20 * c.slot + 14;
        const std::vector<Primitive> boxes = boxesAt(scene, x);
        ASSERT_EQ(boxes.size(), 1u) << x;
        EXPECT_EQ(boxes[0].y1, c.span1Row) << c.log << " " << c.slot;
        EXPECT_EQ(boxes[0].y2, c.span2Row) << c.log << " " << c.slot;
        EXPECT_EQ(boxes[0].color, colors[kColCloudUp]);
        // The cloud and its span lines end at the last future slot; 遅行スパン at bar 19's close drawn at
        // slot 14.
        EXPECT_EQ(rightmost(scene, Shape::TranslucentBox, {}), 494);
        EXPECT_EQ(rightmost(scene, Shape::Line, colors[kColCloudUp]), 494);
        EXPECT_EQ(rightmost(scene, Shape::Line, colors[kColChikou]), 294);
        // The last candle keeps the slot's width (20 pixels: a body of 2 * 7 + 1).
        bool candle = false;
        for (const Primitive& p : scene)
            if (p.shape == Shape::FilledBox && p.x1 <= 394 && p.x2 >= 394)
                candle = p.x1 == 387 && p.x2 == 401;
        EXPECT_TRUE(candle);
        // A mouse over the future slots reads the last bar.
        EXPECT_EQ(barAtX(lay, view, 480), 19);
    }
}

TEST(SeriesCloud, DateAxisRunsOnUnderTheFutureSlots) {
    const SeriesChart chart(rising(), cloudOptions());
    std::vector<std::string> texts;
    for (const Primitive& p : chart.draw({0, 19}, kWidth, kHeight))
        if (p.shape == Shape::Text && p.y1 == kHeight - 16 + 2)
            texts.push_back(p.text + "@" + std::to_string(p.x1));
    // Every fifth slot (100 pixels) is labelled; slot 20 is Monday 2000-01-31, after the last bar.
    const std::vector<std::string> want = {"00/01/03@16", "00/01/10@116", "00/01/17@216", "00/01/24@316",
                                           "00/01/31@416"};
    EXPECT_EQ(texts, want);
}

TEST(SeriesCloud, NoFutureSlotsWhenScrolledBackOrWithoutTheCloud) {
    SceneOptions plain = cloudOptions();
    plain.overlays = {"tenkan", "kijun"};
    struct Case {
        SceneOptions options;
        SeriesView view;
    };
    const Case cases[] = {{cloudOptions(), {0, 18}}, {cloudOptions(), {1, 18}}, {plain, {0, 19}}};
    for (const Case& c : cases) {
        const SeriesChart chart(rising(), c.options);
        const SceneLayout lay = chart.layout(c.view, kWidth, kHeight);
        EXPECT_EQ(lay.futureSlots, 0);
        // The bars fill the plot as they do without the cloud.
        EXPECT_EQ(lay.barX(c.view.last, c.view), 4 + (c.view.count() * 2 - 1) * 500 / (2 * c.view.count()));
        const std::vector<Primitive> scene = chart.draw(c.view, kWidth, kHeight);
        const int last = lay.barX(c.view.last, c.view);
        for (const Primitive& p : scene) {
            if (p.shape == Shape::TranslucentBox) {
                EXPECT_LE(p.x2, last);
            }
        }
    }
}

TEST(SeriesCloud, FutureBarDates) {
    struct Case {
        BarMode mode;
        const char* last;
        std::vector<const char*> want;
    };
    const Case cases[] = {
        {BarMode::Daily, "2000-01-28", {"2000-01-31", "2000-02-01"}},                 // Friday: over the weekend
        {BarMode::Weekly, "2000-01-28", {"2000-02-04", "2000-02-11"}},                // a week each
        {BarMode::Monthly, "2000-01-31", {"2000-02-29", "2000-03-31", "2000-04-28"}}, // leap year; 30th a Sunday
        {BarMode::Monthly, "2000-12-29", {"2001-01-31"}},                             // over the year end
    };
    for (const Case& c : cases) {
        const std::vector<Date> got = futureBarDates(c.mode, *Date::parse(c.last), static_cast<int>(c.want.size()));
        ASSERT_EQ(got.size(), c.want.size());
        for (std::size_t k = 0; k < got.size(); ++k)
            EXPECT_EQ(got[k].toIso(), c.want[k]) << c.last;
    }
}

} // namespace
} // namespace kestrel::chart
