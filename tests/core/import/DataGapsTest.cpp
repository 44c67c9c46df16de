// The open days without prices named after an import: spans of consecutive open days, a long list
// cut short, the calendar's closed days and the days after today left out, weekdays where no
// calendar is stored.
#include "core/import/DataGaps.h"

#include "core/db/CalendarTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::import;

namespace {
Date day(int y, int m, int d) {
    return *Date::fromYmd(y, m, d);
}
} // namespace

TEST(DataGaps, TheNoticeNamesDaysAndSpans) {
    db::MarketCalendar weekdays;
    const std::vector<Date> open = weekdays.openDays(day(2024, 2, 1), day(2024, 3, 29));
    std::vector<Date> everyOther;
    for (size_t i = 0; i < 24; i += 2)
        everyOther.push_back(open[i]);
    const struct {
        std::vector<Date> missing;
        const char* notice;
    } cases[] = {
        {{}, ""},
        {{day(2024, 2, 2), day(2024, 2, 5)}, "休場日でない日のデータがありません: 2024/02/02, 2024/02/05"},
        {{day(2024, 2, 1), day(2024, 2, 2), day(2024, 2, 5), day(2024, 2, 7)},
         "休場日でない日のデータがありません: 2024/02/01～2024/02/05（3 日）, 2024/02/07"},
        {everyOther, "休場日でない日のデータがありません: 2024/02/01, 2024/02/05, 2024/02/07, 2024/02/09, "
                     "2024/02/13, 2024/02/15, 2024/02/19, 2024/02/21 ほか 4 日"},
    };
    for (const auto& c : cases)
        EXPECT_EQ((DataGaps{open, c.missing}.notice()), c.notice);
}

TEST(DataGaps, FoundFromTheCalendarAndTheStoredBars) {
    test::KestrelDb k;
    std::vector<db::CalendarDay> days;
    for (Date d = day(2024, 1, 1); d <= day(2024, 1, 12); d = d.addDays(1)) {
        const bool closed = d.isWeekend() || d <= day(2024, 1, 3) || d == day(2024, 1, 8);
        days.push_back({d, closed ? 0 : 1});
    }
    ASSERT_TRUE(db::storeCalendar(*k.db, days));
    k.exec("INSERT INTO dayData (コード, 日付, 終値) VALUES (1301, 20240104, 100), (1301, 20240110, 100)");
    // 15 and 16 January are weekdays the stored calendar does not name; 17 January lies after today.
    auto gaps = findDataGaps(*k.db, day(2024, 1, 1), day(2024, 1, 19), day(2024, 1, 16)).value();
    EXPECT_EQ(gaps.notice(),
              "休場日でない日のデータがありません: 2024/01/05, 2024/01/09, 2024/01/11～2024/01/16（4 日）");
    EXPECT_EQ(findDataGaps(*k.db, day(2024, 1, 6), day(2024, 1, 8), day(2024, 1, 16)).value().notice(), "");
}
