#include "core/app/DateText.h"

#include <gtest/gtest.h>

using namespace kestrel;

namespace {
Date day(int y, int m, int d) {
    return *Date::fromYmd(y, m, d);
}
} // namespace

TEST(DateText, EachFormOfADay) {
    const struct {
        Date d;
        const char* list;
        const char* shown;
    } cases[] = {
        {day(2026, 2, 6), "26/02/06", "2026/02/06"},
        {day(2001, 1, 4), "01/01/04", "2001/01/04"},   // 25 years back, one-digit parts padded
        {day(1999, 12, 30), "99/12/30", "1999/12/30"}, // the last century
        {day(2024, 2, 29), "24/02/29", "2024/02/29"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(listDate(c.d), c.list);
        EXPECT_EQ(shownDate(c.d), c.shown);
        // Both forms read back as the same day, so a box filled with either form still holds the date.
        EXPECT_EQ(Date::parseEntry(listDate(c.d)), c.d);
        EXPECT_EQ(Date::parseEntry(shownDate(c.d)), c.d);
    }
}

TEST(DateText, RangesAndRefreshStamps) {
    EXPECT_EQ(shownDateRange(day(2025, 12, 29), day(2026, 1, 5)), "2025/12/29～2026/01/05");
    EXPECT_EQ(shownDateRange(day(2026, 2, 6), day(2026, 2, 6)), "2026/02/06");

    const struct {
        const char* stored;
        const char* shown;
    } stamps[] = {
        {"26/02/06 09:15", "2026/02/06 09:15"},
        {"99/03/31 15:00", "1999/03/31 15:00"},
        {"26/02/06", "2026/02/06"},
        {"", ""},
        {"26/02/30 09:15", "26/02/30 09:15"}, // not a day: shown as stored
        {"26/02/0609:15", "26/02/0609:15"},
        {"昨日", "昨日"},
    };
    for (const auto& s : stamps)
        EXPECT_EQ(shownStamp(s.stored), s.shown) << s.stored;
}
