// Scroll positions to dates, the weekend skip of a single arrow step, and the mode and slide-show
// captions, against positions worked out by hand.
#include "core/chart/Navigation.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::chart;

namespace {

Date ymd(int y, int m, int d) {
    return *Date::fromYmd(y, m, d);
}

} // namespace

TEST(Navigation, ScrollPositionDropsTheFractionOfADay) {
    // Three days between start and today: one small step (10922) is just short of a whole day.
    const Date start = ymd(2024, 1, 1), latest = ymd(2024, 1, 4);
    struct {
        int value;
        Date expected;
    } cases[] = {
        {0, ymd(2024, 1, 1)},     {10922, ymd(2024, 1, 1)}, {10923, ymd(2024, 1, 2)},
        {21845, ymd(2024, 1, 3)}, {32766, ymd(2024, 1, 3)}, {32767, ymd(2024, 1, 4)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scrollDate(start, latest, c.value), c.expected) << c.value;
    // Start and today the same day: every position is that day.
    EXPECT_EQ(scrollDate(latest, latest, 16000), latest);
}

TEST(Navigation, SingleStepOntoASaturdaySkipsTheWeekend) {
    // 100 days from Monday 2024-01-01, small change 328 (32767 / 100 to the nearest integer).
    // Position 1372 is Friday 5th, 1700 Saturday 6th, 2028 Sunday 7th, 2356 Monday 8th, 1044 Thursday 4th.
    const Date start = ymd(2024, 1, 1), latest = ymd(2024, 4, 10);
    ASSERT_EQ(start.daysUntil(latest), 100);
    const int s = 328;
    struct {
        int last, value;
        std::optional<int> expected;
        const char* what;
    } cases[] = {
        {1372, 1700, 2356, "forward onto Saturday lands on Monday"},
        {2028, 1700, 1044, "back onto Saturday lands on Thursday"},
        {1700, 2028, std::nullopt, "a step onto Sunday stays"},
        {1000, 1700, std::nullopt, "a drag onto Saturday stays"},
        {1044, 1372, std::nullopt, "a step onto Friday stays"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(weekendStepValue(c.last, c.value, s, start, latest), c.expected) << c.what;
        if (c.expected) {
            EXPECT_EQ(scrollDate(start, latest, *c.expected).weekday(), c.last < c.value ? 2 : 5) << c.what;
        }
    }
    EXPECT_EQ(weekendStepValue(1372, 1700, 0, start, latest), std::nullopt) << "no step size";
}

TEST(Navigation, WeekendSkipStaysInsideTheScrollRange) {
    // The range starts on a Saturday: a step back to position 100 (still that Saturday) cannot go below 0,
    // and position 0 itself is never moved.
    const Date saturday = ymd(2024, 1, 6);
    EXPECT_EQ(weekendStepValue(428, 100, 328, saturday, saturday.addDays(100)), 0);
    EXPECT_EQ(weekendStepValue(328, 0, 328, saturday, saturday.addDays(100)), std::nullopt);
    // Today is a Saturday: a step forward onto it stays at the maximum.
    EXPECT_EQ(weekendStepValue(32439, 32767, 328, saturday.addDays(-100), saturday), 32767);
}

TEST(Navigation, ModeSwitchAndCaptions) {
    EXPECT_EQ(ToggleChartMode(1).chartMode, 2);
    EXPECT_EQ(ToggleChartMode(1).menuCaption, "日チャートを表示");
    EXPECT_EQ(ToggleChartMode(2).chartMode, 1);
    EXPECT_EQ(ToggleChartMode(2).menuCaption, "週チャートを表示");
    EXPECT_EQ(ToggleChartMode(3).chartMode, 3);
    EXPECT_EQ(ToggleChartMode(3).menuCaption, "");
    EXPECT_STREQ(TableForMode(ToggleChartMode(1).chartMode), "weekdata");
    EXPECT_EQ(changeButtonCaption(1), "週　足　チャートへ");
    EXPECT_EQ(changeButtonCaption(2), "日　足　チャートへ");
    EXPECT_EQ(modeCaptionMark(1), "(日)");
    EXPECT_EQ(modeCaptionMark(2), "(週)");
    EXPECT_EQ(modeCaptionMark(3), "(月)");
    EXPECT_EQ(slideShowCaption(true), "ﾁｬｰﾄ・ｽﾗｲﾄﾞｼｮｰ・ｽﾄｯﾌﾟ");
    EXPECT_EQ(slideShowCaption(false), "ﾁｬｰﾄ・ｽﾗｲﾄﾞｼｮｰ・ｽﾀｰﾄ");
}

TEST(Navigation, SlideIntervalInMilliseconds) {
    struct {
        float seconds;
        int ms;
    } cases[] = {{1.0f, 1000}, {0.5f, 500}, {2.5f, 2500}, {60.0f, 60000}, {0.0f, 500}, {-3.0f, 500}, {0.2f, 500}};
    for (const auto& c : cases)
        EXPECT_EQ(slideIntervalMs(c.seconds), c.ms) << c.seconds;
}
