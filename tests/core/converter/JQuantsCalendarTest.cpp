// The exchange's calendar pages, and the days a run asks for the margin balances of a week: the last
// open day and those before it while the balances were weekly, the last open day alone once daily.
#include "core/converter/JQuantsCalendar.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::converter::jquants;

namespace {
Date day(int y, int m, int d) {
    return *Date::fromYmd(y, m, d);
}
std::string isoList(const std::vector<Date>& days) {
    std::string out;
    for (Date d : days)
        out += (out.empty() ? "" : " ") + d.toIso();
    return out;
}
} // namespace

TEST(JQuantsCalendar, PagesGiveTheDaysOrAnErrorNamingTheRange) {
    const struct {
        std::vector<std::string> pages;
        const char* days;  // "date:HolDiv ..." when read
        const char* error; // part of the message otherwise
    } cases[] = {
        {{R"({"data": [{"Date": "2024-01-03", "HolDiv": "0"}, {"Date": "2024-01-04", "HolDiv": "1"}],
             "pagination_key": "a.b"})",
          R"({"data": [{"Date": "2024-01-06", "HolDiv": "3"}, {"Date": "2024-12-30", "HolDiv": 2}]})"},
         "2024-01-03:0 2024-01-04:1 2024-01-06:3 2024-12-30:2",
         ""},
        {{R"({"data": []})"}, "", ""},
        {{"<html>Bad Gateway</html>"}, nullptr, "営業日: J-Quants の応答が JSON として読めません"},
        {{R"({"message": "x"})"}, nullptr, "営業日: J-Quants の応答に data がありません"},
        {{R"({"data": [{"HolDiv": "1"}]})"}, nullptr, "営業日: 日付のない行があります"},
        {{R"({"data": [{"Date": "2024-13-01", "HolDiv": "1"}]})"}, nullptr, "日付 2024-13-01 が読めません"},
        {{R"({"data": [{"Date": "2024-01-04", "HolDiv": "9"}]})"}, nullptr, "2024/01/04 の休日区分が読めません"},
        {{R"({"data": [{"Date": "2024-01-04"}]})"}, nullptr, "2024/01/04 の休日区分が読めません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pages.front());
        auto got = parseCalendar(c.pages, "営業日");
        if (!c.days) {
            ASSERT_FALSE(got);
            EXPECT_NE(got.message().find(c.error), std::string::npos) << got.message();
            continue;
        }
        ASSERT_TRUE(got) << got.message();
        std::string text;
        for (const auto& d : *got)
            text += (text.empty() ? "" : " ") + d.date.toIso() + ":" + std::to_string(d.holDiv);
        EXPECT_EQ(text, c.days);
    }
}

TEST(JQuantsCalendar, TheMarginDaysOfAWeek) {
    db::MarketCalendar cal;
    for (Date d = day(2024, 1, 1); d <= day(2024, 1, 3); d = d.addDays(1))
        cal.set(d, 0); // the new-year holidays
    cal.set(day(2024, 1, 8), 0);
    cal.set(day(2024, 1, 12), 0); // a Friday closed
    cal.set(day(2024, 1, 13), 3); // a Saturday with trading
    cal.set(day(2026, 10, 9), 0);
    for (Date d = day(2026, 10, 12); d <= day(2026, 10, 16); d = d.addDays(1))
        cal.set(d, 0);
    const struct {
        Date friday;
        const char* days;
    } cases[] = {
        {day(2024, 1, 5), "2024-01-05 2024-01-04"},
        {day(2024, 1, 12), "2024-01-11 2024-01-10 2024-01-09"},
        {day(2024, 1, 19), "2024-01-19 2024-01-18 2024-01-17 2024-01-16 2024-01-15"}, // no calendar: weekdays
        {day(2026, 9, 25), "2026-09-25 2026-09-24 2026-09-23 2026-09-22 2026-09-21"}, // the last weekly week
        {day(2026, 10, 2), "2026-10-02"},                                             // daily from 2026-09-28
        {day(2026, 10, 9), "2026-10-08"},
        {day(2026, 10, 16), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isoList(marginDaysOfWeek(cal, c.friday)), c.days) << c.friday.toIso();
    // The open days: the calendar's where it names the day, the weekdays elsewhere.
    EXPECT_EQ(isoList(cal.openDays(day(2023, 12, 29), day(2024, 1, 15))),
              "2023-12-29 2024-01-04 2024-01-05 2024-01-09 2024-01-10 2024-01-11 2024-01-13 2024-01-15");
    EXPECT_FALSE(cal.covers(day(2023, 12, 31), day(2024, 1, 3)));
    EXPECT_TRUE(cal.covers(day(2024, 1, 1), day(2024, 1, 3)));
}
