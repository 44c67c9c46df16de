// Lists computed from the stored prices: every kind on a small market worked by hand, the replacement of
// a day's rows on a rerun, and a run stopped between days.
#include "core/info/ComputedLists.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::info;

namespace {

// Weekdays from 2023-11-27 to 2023-12-29 (d0..d24), then 2024-01-04, 05, 08 (d25..d27).
struct ListMarket : ::testing::Test, test::KestrelDb {
    std::vector<Date> d;
    void SetUp() override {
        for (Date x = *Date::fromYmd(2023, 11, 27); x <= *Date::fromYmd(2023, 12, 29); x = x.addDays(1))
            if (!x.isWeekend())
                d.push_back(x);
        for (int day : {4, 5, 8})
            d.push_back(*Date::fromYmd(2024, 1, day));
        exec("WITH RECURSIVE c(x) AS (SELECT 1001 UNION ALL SELECT x + 1 FROM c WHERE x < 2060) INSERT INTO Mei "
             "(コード, 市場コード, 銘柄, 出来高単位, 株価単位) SELECT x, 1, 'x', 1, 1 FROM c WHERE x <= 1006 OR x > "
             "2000");
        // 1001 flat at 100, then +10 on d26 with 5x its volume: rise, year high, surge, deviation, golden cross.
        // 1002 flat at 200, then -20 on d26: fall, year low, deviation below, dead cross.
        // 1003 flat at 50, then +5 on d26: the same rate as 1001 (ties by code), a golden cross on less volume.
        // 1004 no trading on d26 (volume 0); 1005 no bar on d26.
        // 1006 flat at 100 in 2023, 130 on the first day of 2024 (not a year high: no earlier bar that year),
        // a high of 131 on d26 with no change (a year high at +0.0%).
        for (int i = 0; i < 27; ++i) {
            bar(1001, i, 100, 101, 99, 0, 1000);
            bar(1002, i, 200, 201, 199, 0, 2000);
            bar(1003, i, 50, 50, 50, 0, 300);
            bar(1004, i, 300, 300, 300, 0, i == 26 ? 0 : 100000);
            if (i != 26)
                bar(1005, i, 400, 400, 400, 0, 10);
            if (i < 25)
                bar(1006, i, 100, 101, 99, 0, 1000);
        }
        exec("UPDATE dayData SET 終値=110, 高値=112, 安値=100, 前日比=10, 出来高=5000 WHERE コード=1001 AND "
             "日付=20240105");
        exec("UPDATE dayData SET 終値=180, 高値=200, 安値=170, 前日比=-20 WHERE コード=1002 AND 日付=20240105");
        exec("UPDATE dayData SET 終値=55, 高値=55, 前日比=5 WHERE コード=1003 AND 日付=20240105");
        bar(1006, 25, 130, 130, 129, 30, 1000);
        bar(1006, 26, 130, 131, 129, 0, 1000);
        for (int c = 2001; c <= 2060; ++c)
            bar(c, 26, 10, 10, 10, 0, 100); // 60 issues tied on volume, each with its first bar
        // Weekly bars (Fridays) with margin balances; 1003's last week has no trading.
        week(1001, 20231222, 100, 0, 5000, 100, 300);
        week(1001, 20231229, 100, 0, 5000, 100, 500);
        week(1001, 20240105, 110, 10, 7000, 200, 400);
        week(1002, 20231222, 200, 0, 10000, 50, 100);
        week(1002, 20231229, 200, 0, 10000, 50, 100);
        week(1002, 20240105, 180, -20, 10000, 40, 200);
        week(1003, 20231229, 50, 0, 300, 10, 10);
        week(1003, 20240105, 55, 5, 0, 10, 1000);
    }
    void bar(int code, int i, int close, int high, int low, int change, int volume) {
        ASSERT_TRUE(db->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
                            "(?, ?, ?, ?, ?, ?, ?, ?)",
                            code, d[static_cast<size_t>(i)], close, high, low, close, change, volume));
    }
    void week(int code, long long date, int close, int change, int volume, int sell, int buy) {
        ASSERT_TRUE(db->run("INSERT INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 売残, 買残) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                            code, date, close, close, close, close, change, volume, sell, buy));
    }
    std::string list(const char* kind, long long date) {
        return rows("SELECT コード, 値 FROM informationData WHERE 種類コード='" + std::string(kind) +
                    "' AND 日付=" + std::to_string(date) + " AND 順位<=5 ORDER BY 順位");
    }
};

TEST_F(ListMarket, EveryKindAsWorkedByHand) {
    auto r = computeLists(*db, *Date::fromYmd(2023, 12, 29), *Date::fromYmd(2024, 1, 5), true);
    ASSERT_TRUE(r) << r.message();
    EXPECT_EQ(r->dailyDays, 3);
    EXPECT_EQ(r->weeklyDays, 2);
    const struct {
        const char* kind;
        long long date;
        const char* rows;
    } cases[] = {
        {"d31", 20240105, "1001|+10.0%\n1003|+10.0%\n"},
        {"d31", 20240104, "1006|+30.0%\n"},
        {"d32", 20240105, "1002|-10.0%\n"},
        {"d33", 20240105, "1001|5,000株\n1002|2,000株\n1006|1,000株\n1003|300株\n2001|100株\n"},
        {"d34", 20240105, "1001|1百万円\n1002|0百万円\n1006|0百万円\n1003|0百万円\n2001|0百万円\n"},
        {"d35", 20240105, "1001|+10.0%\n1003|+10.0%\n1006|0.0%\n"},
        {"d35", 20240104, ""}, // the first trading day of a year has no earlier bar of that year
        {"d36", 20240105, "1002|-10.0%\n"},
        {"d37", 20240105, "1001|5.0倍\n"},
        {"d38", 20240105, "1006|+27.5%\n1001|+10.0%\n1003|+10.0%\n"},
        {"d39", 20240105, "1002|-9.5%\n"},
        {"d40", 20240105, "1001|5,000株\n1003|300株\n"},
        {"d40", 20240104, "1006|1,000株\n"},
        {"d41", 20240105, "1002|2,000株\n"},
        {"w31", 20240105, "1001|+10.0%\n"},
        {"w32", 20240105, "1002|-10.0%\n"},
        {"w33", 20240105, "1002|+100株\n"},
        {"w33", 20231229, "1001|+200株\n"},
        {"w34", 20240105, "1001|+100株\n"},
        {"w35", 20240105, "1002|5.00倍\n1001|2.00倍\n"},
        {"w36", 20240105, "1001|2.00倍\n1002|5.00倍\n"},
        {"w36", 20231229, "1003|1.00倍\n1002|2.00倍\n1001|5.00倍\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list(c.kind, c.date), c.rows) << c.kind << " " << c.date;

    // The top 50 only, ties by code; no row for an issue without trading; a row as a download stores it.
    EXPECT_EQ(count("SELECT count(*) FROM informationData WHERE 種類コード='d33' AND 日付=20240105"), 50);
    EXPECT_EQ(rows("SELECT コード FROM informationData WHERE 種類コード='d33' AND 日付=20240105 AND 順位=50"),
              "2046\n");
    EXPECT_EQ(count("SELECT count(*) FROM informationData WHERE 日付=20240105 AND コード IN (1004, 1005)"), 0);
    EXPECT_EQ(rows("SELECT 順位, 株価, 出来高, 前日比, コメント, Top種類コード FROM informationData WHERE "
                   "種類コード='d31' AND 日付=20240105 AND コード=1001"),
              "1|110|5000|10|値上がり率|d\n");
    EXPECT_EQ(rows("SELECT DISTINCT コメント, Top種類コード FROM informationData WHERE 種類コード='w35'"),
              "信用倍率（高）|w\n");
    EXPECT_EQ(count("SELECT count(*) FROM informationClass WHERE 種類コード BETWEEN 'd31' AND 'd41' OR 種類コード "
                    "BETWEEN 'w31' AND 'w36'"),
              17);
}

TEST_F(ListMarket, RerunReplacesAndStopLeavesWholeDays) {
    const Date first = *Date::fromYmd(2023, 12, 29), last = *Date::fromYmd(2024, 1, 5);
    ASSERT_TRUE(computeLists(*db, first, last, true));
    const long long all = count("SELECT count(*) FROM informationData");
    exec("UPDATE informationData SET 値='old'");
    ASSERT_TRUE(computeLists(*db, first, last, true));
    EXPECT_EQ(count("SELECT count(*) FROM informationData"), all);
    EXPECT_EQ(count("SELECT count(*) FROM informationData WHERE 値='old'"), 0);

    exec("DELETE FROM informationData");
    int asked = 0;
    ListsObserver stopAfterOne;
    stopAfterOne.cancelled = [&] { return ++asked > 1; };
    auto r = computeLists(*db, first, last, true, stopAfterOne);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->cancelled);
    EXPECT_EQ(r->dailyDays, 1);
    EXPECT_EQ(rows("SELECT DISTINCT 日付 FROM informationData"), "20231229\n");
    EXPECT_EQ(count("SELECT count(DISTINCT 種類コード) FROM informationData"),
              2); // flat prices: only 出来高 and 売買代金
}

TEST(ValueTexts, RoundAndGroup) {
    EXPECT_EQ(percentText(1, 8), "+12.5%");
    EXPECT_EQ(percentText(-1, 2000), "-0.1%"); // -0.05 % away from zero
    EXPECT_EQ(percentText(1, 30000), "0.0%");  // no sign once rounded to zero
    EXPECT_EQ(ratioText(17, 5, 1), "3.4倍");
    EXPECT_EQ(ratioText(1, 3, 2), "0.33倍");
    EXPECT_EQ(millionYenText(1234500000), "1,235百万円");
    EXPECT_EQ(sharesText(1234500, false), "1,234,500株");
    EXPECT_EQ(sharesText(-300, true), "-300株");
}

} // namespace
