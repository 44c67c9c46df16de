// Results marks under the bars of the 110-bar chart and of a chart of any span: where their labels sit,
// which are left out when they would run into each other, and which label lies under the mouse.
#include "core/chart/ChartScene.h"
#include "core/chart/SeriesScene.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace kestrel::chart {
namespace {

std::vector<std::pair<int, std::string>> drawnLabels(const std::vector<Primitive>& items) {
    std::vector<std::pair<int, std::string>> out;
    for (const Primitive& p : items)
        if (p.shape == Shape::Text && p.color == kBarMarkColor)
            out.emplace_back(p.x1, p.text);
    return out;
}

TEST(BarMarks, TheBarChart) {
    ChartData d;
    d.barCount = 110;
    // Bar 0 is centred on x 205: "決" (12 pixels) spans 199..211; "1Q" of the next bar would overlap it.
    const std::vector<BarMark> marks = {{0, "決"}, {1, "1Q"}, {60, "2Q"}, {109, "3Q"}, {110, "決"}};
    const auto labels = drawnLabels(drawBarMarks(d, marks));
    const std::vector<std::pair<int, std::string>> want = {{199, "決"}, {499, "2Q"}, {744, "3Q"}};
    EXPECT_EQ(labels, want);
    struct Case {
        int x, mark;
    } cases[] = {{196, -1}, {205, 0}, {213, 0}, {214, -1}, {505, 2}, {750, 3}, {760, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(barMarkAt(d, marks, c.x), c.mark) << c.x;
    d.barCount = 0;
    EXPECT_TRUE(drawBarMarks(d, marks).empty());
}

TEST(BarMarks, TheSpanChart) {
    BarSeries s;
    s.code = 7203;
    Date day = *Date::fromYmd(2000, 1, 3);
    for (int i = 0; i < 6250; ++i, day = day.addDays(1)) {
        while (day.isWeekend())
            day = day.addDays(1);
        SeriesBar b;
        b.date = day;
        b.open = b.high = b.low = b.close = b.closeCarried = Currency::fromWhole(1000 + i % 50);
        b.volume = 2'000'000'000;
        s.bars.push_back(b);
    }
    SceneOptions options;
    for (int bar = 30; bar < 6250; bar += 62) // a quarter's results every 62 bars
        options.marks.push_back({bar, bar % 248 == 30 ? "決" : "1Q"});
    SeriesChart chart(s, options);
    // 110 bars: the marks of the view only, each at its bar's column.
    const SeriesView near = {6000, 6109};
    const SceneLayout lay = chart.layout(near, 1068, 600);
    const auto labels = drawnLabels(chart.draw(near, 1068, 600));
    ASSERT_EQ(labels.size(), 2u); // bars 6044 and 6106
    EXPECT_EQ(labels[0].first, lay.barX(6044, near) - 6);
    EXPECT_EQ(labels[1].first, lay.barX(6106, near) - 6);
    // 25 years on 1,000 columns: about 10 columns a quarter, so every other label is left out.
    const SeriesView all = {0, 6249};
    const auto crowded = drawnLabels(chart.draw(all, 1068, 600));
    EXPECT_GT(crowded.size(), 40u);
    EXPECT_LT(crowded.size(), options.marks.size());
    for (size_t k = 1; k < crowded.size(); ++k)
        EXPECT_GT(crowded[k].first, crowded[k - 1].first + 12);

    // The label under the mouse: on a drawn label's columns at the foot of the price panel only.
    const int x0 = lay.barX(6044, near);
    const int foot = lay.priceBottom - 8;
    const int first = static_cast<int>(
        std::find_if(options.marks.begin(), options.marks.end(), [](const BarMark& m) { return m.bar == 6044; }) -
        options.marks.begin());
    struct Case {
        int x, y, mark;
    } cases[] = {{x0, foot, first},
                 {x0 - 6, foot, first},
                 {x0 + 6, foot, first},
                 {x0 - 7, foot, -1},
                 {x0, lay.priceBottom, first},
                 {x0, lay.priceBottom - 18, -1},
                 {x0, lay.priceBottom + 1, -1},
                 {lay.barX(6106, near), foot, first + 1}};
    for (const Case& c : cases)
        EXPECT_EQ(markAt(options.marks, near, lay, c.x, c.y), c.mark) << c.x << "," << c.y;
    // A label left out of a crowded view has no tooltip either.
    const SceneLayout wide = chart.layout(all, 1068, 600);
    int hits = 0;
    for (int x = wide.plotLeft; x <= wide.plotRight; ++x)
        if (markAt(options.marks, all, wide, x, wide.priceBottom - 8) >= 0)
            ++hits;
    EXPECT_LE(hits, static_cast<int>(crowded.size()) * 13);
}

} // namespace
} // namespace kestrel::chart
