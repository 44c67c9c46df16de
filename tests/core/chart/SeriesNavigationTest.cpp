// Spans of a chart view: zoom around the right edge and around a bar, scrolling by bars and by dragged
// pixels, both ends, a 2-bar series and every span preset in each mode, worked by hand.
#include "core/chart/SeriesNavigation.h"

#include <gtest/gtest.h>

namespace kestrel::chart {
namespace {

// Bars on consecutive weekdays (daily), every 7 days (weekly) or on the 15th of each month (monthly),
// the last one dated 2025-06-13 (a Friday; the 15th for monthly).
BarSeries series(int n, BarMode mode) {
    BarSeries s;
    s.mode = mode;
    std::vector<Date> dates;
    Date d = mode == BarMode::Monthly ? *Date::fromYmd(2025, 6, 15) : *Date::fromYmd(2025, 6, 13);
    for (int i = 0; i < n; ++i) {
        dates.push_back(d);
        if (mode == BarMode::Daily) {
            d = d.addDays(-1);
            while (d.isWeekend())
                d = d.addDays(-1);
        } else if (mode == BarMode::Weekly) {
            d = d.addDays(-7);
        } else {
            const int m = d.month() == 1 ? 12 : d.month() - 1;
            d = *Date::fromYmd(d.month() == 1 ? d.year() - 1 : d.year(), m, 15);
        }
    }
    for (auto it = dates.rbegin(); it != dates.rend(); ++it) {
        SeriesBar b;
        b.date = *it;
        s.bars.push_back(b);
    }
    return s;
}

struct V {
    int first, last;
};

void expectView(SeriesView got, V want, const char* what) {
    EXPECT_EQ(got.first, want.first) << what;
    EXPECT_EQ(got.last, want.last) << what;
}

TEST(SeriesNavigation, ZoomAndScroll) {
    const int total = 6250;
    struct Case {
        const char* what;
        SeriesView got;
        V want;
    };
    const Case cases[] = {
        {"clamp keeps a view inside", clampView({100, 209}, total), {100, 209}},
        {"clamp past the right end", clampView({6200, 6309}, total), {6140, 6249}},
        {"clamp past the left end", clampView({-50, 59}, total), {0, 109}},
        {"clamp too few bars", clampView({100, 104}, total), {85, 104}},
        {"clamp too many bars", clampView({-10, 7000}, total), {0, 6249}},
        {"zoom in at the right edge", zoomView({6140, 6249}, total, 2.0), {6195, 6249}},
        {"zoom out at the right edge", zoomView({6140, 6249}, total, 0.5), {6030, 6249}},
        {"zoom in stops at the fewest bars", zoomView({6200, 6249}, total, 8.0), {6230, 6249}},
        {"zoom out stops at every bar", zoomView({6140, 6249}, total, 0.001), {0, 6249}},
        {"zoom around bar 150 of 100..199", zoomView({100, 199}, total, 2.0, 150), {125, 174}},
        {"zoom around the first bar", zoomView({100, 199}, total, 2.0, 100), {100, 149}},
        {"zoom out around a bar near the start", zoomView({0, 99}, total, 0.5, 50), {0, 199}},
        {"zoom out around a bar near the end", zoomView({6150, 6249}, total, 0.5, 6240), {6050, 6249}},
        {"anchor outside the view: right edge", zoomView({100, 199}, total, 2.0, 5000), {150, 199}},
        {"scroll back 10", scrollBars({6140, 6249}, total, -10), {6130, 6239}},
        {"scroll past the first bar", scrollBars({10, 119}, total, -500), {0, 109}},
        {"scroll past the last bar", scrollBars({6100, 6209}, total, 500), {6140, 6249}},
        {"drag right 100 px of 1000 over 110 bars", scrollPixels({6140, 6249}, total, 100, 1000), {6129, 6238}},
        {"drag left 100 px at the end", scrollPixels({6140, 6249}, total, -100, 1000), {6140, 6249}},
        {"drag over 6,250 bars, 1 px", scrollPixels({0, 6249}, total, 1, 1850), {0, 6249}},
        {"2-bar series: zoom in", zoomView({0, 1}, 2, 4.0), {0, 1}},
        {"2-bar series: zoom out", zoomView({0, 1}, 2, 0.25), {0, 1}},
        {"2-bar series: scroll", scrollBars({0, 1}, 2, -3), {0, 1}},
        {"2-bar series: too wide", clampView({-100, 50}, 2), {0, 1}},
    };
    for (const Case& c : cases)
        expectView(c.got, c.want, c.what);
    EXPECT_TRUE(clampView({0, 10}, 0).empty());
    EXPECT_TRUE(zoomView({0, 10}, 0, 2.0).empty());
}

TEST(SeriesNavigation, SpanPresets) {
    const BarSeries daily = series(6250, BarMode::Daily);    // 2025-06-13 back to 2001
    const BarSeries weekly = series(1300, BarMode::Weekly);  // 2025-06-13 back to 2000
    const BarSeries monthly = series(300, BarMode::Monthly); // 2025-06-15 back to 2000-07-15
    auto count = [](const BarSeries& s, SpanPreset p) { return presetView(s, s.size(), s.size() - 1, p).count(); };
    // Daily: the weekdays after the same day 3, 6, 12 ... months before 2025-06-13 (14 Mar .. 13 Jun is
    // 13 weeks and a day: 66); weekly: the Fridays after it (14 and 26 weeks, 53 Fridays in a year);
    // monthly: one bar a month, at least 20.
    struct Case {
        SpanPreset preset;
        int daily, weekly, monthly;
    };
    const Case cases[] = {
        {SpanPreset::Months3, 66, 20, 20},  {SpanPreset::Months6, 130, 26, 20},  {SpanPreset::Year1, 261, 53, 20},
        {SpanPreset::Years2, 523, 105, 24}, {SpanPreset::Years5, 1305, 261, 60}, {SpanPreset::Years10, 2610, 522, 120},
        {SpanPreset::All, 6250, 1300, 300},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(count(daily, c.preset), c.daily) << spanLabel(c.preset);
        EXPECT_EQ(count(weekly, c.preset), c.weekly) << spanLabel(c.preset);
        EXPECT_EQ(count(monthly, c.preset), c.monthly) << spanLabel(c.preset);
        EXPECT_EQ(spanByLabel(spanLabel(c.preset)), c.preset);
    }
    // The right edge stays where the chart is: a preset ending at bar 3000.
    const SeriesView mid = presetView(daily, daily.size(), 3000, SpanPreset::Year1);
    EXPECT_EQ(mid.last, 3000);
    // Near the first bar the preset shows what there is; a 2-bar series shows both bars.
    expectView(presetView(daily, daily.size(), 30, SpanPreset::Year1), {0, 30}, "year at bar 30");
    const BarSeries two = series(2, BarMode::Daily);
    for (SpanPreset p : kSpanPresets)
        expectView(presetView(two, 2, 1, p), {0, 1}, "2 bars");
    EXPECT_TRUE(presetView(BarSeries{}, 0, 0, SpanPreset::All).empty());
    EXPECT_FALSE(spanByLabel("4年"));
}

} // namespace
} // namespace kestrel::chart
