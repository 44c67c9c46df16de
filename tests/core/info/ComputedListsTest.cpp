// Lists computed from the stored prices: every kind on a small market worked by hand, the replacement of
// a day's rows on a rerun, a run stopped between days, a row refused, the value texts at their bounds,
// and the real market's magnitudes.
#include "core/info/ComputedLists.h"

#include "core/app/Encoding.h"
#include "core/fins/Disclosure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <limits>

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
    EXPECT_EQ(count("SELECT count(*) FROM informationClass WHERE 種類コード BETWEEN 'd31' AND 'd46' OR 種類コード "
                    "BETWEEN 'w31' AND 'w36'"),
              22);
}

// Valuation lists on 2024-01-05 from quarterly disclosures of 2023-12-28 (counted from 2023-12-29):
//   1001 close 110, forecast EPS 11, BPS 220, dividend 2.2: PER 10.0, PBR 0.50, yield 2.00%;
//   1002 close 180, forecast EPS -5 (no PER), BPS 90: PBR 2.00, dividend 未定 (no yield);
//   1003 close 55, forecast EPS 5.5: PER 10.0 (tied with 1001, the smaller code first), no BPS, dividend 0;
//   1004 has figures but no trading that day, 1005 no bar; 1006's disclosure of that very day is not yet
//   counted. On 2024-01-04 1001 closes 100 (PER 100 / 11 = 9.09, yield 2.20%), 1003 50 (9.09), and 1004
//   (300) and 1005 (400) trade with forecast EPS 1 and dividend 100.
TEST_F(ListMarket, ValuationListsFromTheFiguresAsOfTheDay) {
    const char* page = R"({"data": [
 {"DiscDate": "2023-12-28", "DiscTime": "15:00:00", "Code": "10010", "DiscNo": "1", "CurPerType": "2Q",
  "DocType": "2QFinancialStatements_Consolidated_JP", "CurPerEn": "2023-09-30", "CurFYEn": "2024-03-31",
  "FEPS": "11", "BPS": "220", "FDivAnn": "2.2"},
 {"DiscDate": "2023-12-28", "DiscTime": "15:00:00", "Code": "10020", "DiscNo": "2", "CurPerType": "2Q",
  "DocType": "2QFinancialStatements_Consolidated_JP", "CurPerEn": "2023-09-30", "CurFYEn": "2024-03-31",
  "FEPS": "-5", "BPS": "90", "FDivAnn": "-"},
 {"DiscDate": "2023-12-28", "DiscTime": "15:00:00", "Code": "10030", "DiscNo": "3", "CurPerType": "2Q",
  "DocType": "2QFinancialStatements_NonConsolidated_JP", "CurPerEn": "2023-09-30", "CurFYEn": "2024-03-31",
  "FEPS": "5.5", "BPS": "", "FDivAnn": "0"},
 {"DiscDate": "2023-12-28", "DiscTime": "15:00:00", "Code": "10040", "DiscNo": "4", "CurPerType": "2Q",
  "DocType": "2QFinancialStatements_Consolidated_JP", "CurPerEn": "2023-09-30", "CurFYEn": "2024-03-31",
  "FEPS": "1", "BPS": "1", "FDivAnn": "100"},
 {"DiscDate": "2023-12-28", "DiscTime": "15:00:00", "Code": "10050", "DiscNo": "5", "CurPerType": "2Q",
  "DocType": "2QFinancialStatements_Consolidated_JP", "CurPerEn": "2023-09-30", "CurFYEn": "2024-03-31",
  "FEPS": "1", "BPS": "1", "FDivAnn": "100"},
 {"DiscDate": "2024-01-05", "DiscTime": "11:30:00", "Code": "10060", "DiscNo": "6", "CurPerType": "3Q",
  "DocType": "3QFinancialStatements_Consolidated_JP", "CurPerEn": "2023-12-31", "CurFYEn": "2024-03-31",
  "FEPS": "1", "BPS": "1", "FDivAnn": "100"}]})";
    auto parsed = fins::parseDisclosures({page}, "test");
    ASSERT_TRUE(parsed) << parsed.message();
    ASSERT_TRUE(fins::storeDisclosures(*db, parsed->rows, "2024-01-06 09:00:00"));
    ASSERT_TRUE(computeLists(*db, *Date::fromYmd(2024, 1, 4), *Date::fromYmd(2024, 1, 5), true));
    const struct {
        const char* kind;
        long long date;
        const char* rows;
    } cases[] = {
        {"d44", 20240105, "1001|10.0倍\n1003|10.0倍\n"},
        {"d45", 20240105, "1001|0.50倍\n1002|2.00倍\n"},
        {"d46", 20240105, "1001|2.00%\n1003|0.00%\n"},
        {"d44", 20240104, "1001|9.1倍\n1003|9.1倍\n1004|300.0倍\n1005|400.0倍\n"},
        {"d46", 20240104, "1004|33.33%\n1005|25.00%\n1001|2.20%\n1003|0.00%\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list(c.kind, c.date), c.rows) << c.kind << " " << c.date;
    EXPECT_EQ(rows("SELECT 順位, 株価, 前日比, コメント FROM informationData WHERE 種類コード='d46' AND "
                   "日付=20240105 AND コード=1001"),
              "1|110|10|予想配当利回り（上位\n"); // the title cut to the ten characters kept, as a download's
}

// MACDゴールデンクロス and 三役好転 worked by hand on 81 weekdays. 1001 closes at 100 (high 101, low 95 up
// to bar 65, then 99) and jumps to 110 (high 112, low 100) on bar 80: the MACD of a flat close is 0 and
// its signal 0, so the jump crosses; 転換線 (112 + 99) / 2 = 105.5 > 基準線 (112 + 95) / 2 = 103.5, the
// cloud 25 bars back is 98 on both edges and the close 25 bars back 100. On bar 79 the close equals that of
// 25 bars back: no 三役好転. 1002 stays flat: neither.
TEST(TechnicalLists, MacdCrossAndSanyakuWorkedByHand) {
    test::KestrelDb m;
    std::vector<Date> d;
    for (Date x = *Date::fromYmd(2023, 8, 1); d.size() < 81; x = x.addDays(1))
        if (!x.isWeekend())
            d.push_back(x);
    m.exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1001, 1, 'a', 1, 1), (1002, 1, "
           "'b', 1, 1)");
    for (int i = 0; i < 81; ++i) {
        const bool jump = i == 80;
        ASSERT_TRUE(m.db->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
                              "(1001, ?, 100, ?, ?, ?, ?, ?), (1002, ?, 100, 101, 99, 100, 0, 1000)",
                              d[static_cast<size_t>(i)], jump ? 112 : 101,
                              jump      ? 100
                              : i <= 65 ? 95
                                        : 99,
                              jump ? 110 : 100, jump ? 10 : 0, jump ? 5000 : 1000, d[static_cast<size_t>(i)]));
    }
    auto r = computeLists(*m.db, d[78], d[80], true);
    ASSERT_TRUE(r) << r.message();
    auto list = [&](const char* kind, Date day) {
        return m.rows("SELECT コード, 値, コメント FROM informationData WHERE 種類コード='" + std::string(kind) +
                      "' AND 日付=" + std::to_string(day.ymd()) + " ORDER BY 順位");
    };
    // The comment is the kind's name cut to the field's 10 characters, as a downloaded row stores it.
    EXPECT_EQ(list("d42", d[80]), "1001|5,000株|MACDゴールデンク\n");
    EXPECT_EQ(list("d43", d[80]), "1001|5,000株|一目均衡表 三役好転\n");
    EXPECT_EQ(list("d42", d[79]), "");
    EXPECT_EQ(list("d43", d[79]), "");
    EXPECT_EQ(m.rows("SELECT 種類名 FROM informationClass WHERE 種類コード IN ('d42', 'd43') ORDER BY 種類コード"),
              "MACDゴールデンクロス\n一目均衡表 三役好転\n");
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

// A row the database refuses (spoilt by the fault hook) rolls its day back whole: the day keeps the rows
// it had, the days around it are stored, and the failure names the day, the kind, the code and the value.
TEST_F(ListMarket, ARefusedRowLosesOnlyItsDayAndNamesIt) {
    exec("INSERT INTO informationData (種類コード, 日付, 順位, コード, 値, Top種類コード) VALUES "
         "('d33', 20240104, 1, 9999, 'old', 'd')");
    ListsObserver spoil;
    spoil.beforeStore = [](Date day, std::vector<ComputedList>& lists) {
        if (day == *Date::fromYmd(2024, 1, 4) && lists.front().kind == "d31")
            lists.front().list.rows.front().value = "12345678901";
    };
    auto r = computeLists(*db, *Date::fromYmd(2023, 12, 29), *Date::fromYmd(2024, 1, 5), true, spoil);
    ASSERT_TRUE(r) << r.message();
    EXPECT_EQ(r->dailyDays, 2);
    EXPECT_EQ(r->weeklyDays, 2);
    ASSERT_EQ(r->failedDays, std::vector<Date>{*Date::fromYmd(2024, 1, 4)});
    ASSERT_EQ(r->failures.size(), 1u);
    for (const char* part : {"20240104: ", "d31", "1006", "12345678901", "値"})
        EXPECT_NE(r->failures[0].find(part), std::string::npos) << part << " in " << r->failures[0];
    EXPECT_EQ(rows("SELECT 種類コード, コード, 値 FROM informationData WHERE 日付=20240104"), "d33|9999|old\n");
    EXPECT_GT(count("SELECT count(*) FROM informationData WHERE 日付=20231229 AND Top種類コード='d'"), 0);
    EXPECT_GT(count("SELECT count(*) FROM informationData WHERE 日付=20240105 AND Top種類コード='d'"), 0);
}

// A day of the real market: a top volume of 46,669,100 shares (eleven characters written out), a penny
// issue trading 2,000,000,000 shares, and a trading value of 1.5 trillion yen. Every list is stored (a
// generated market's lists: RealMarketScanTest).
TEST(ComputedListsAtRealMagnitudes, ADayOfTheRealMarketIsStored) {
    test::KestrelDb t;
    t.exec(
        "INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (7203,1,'a',1,1), (1301,1,'b',1,1), "
        "(9984,1,'c',1,1);"
        "INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
        "(7203,20200227,500,500,500,500,0,30000000), (7203,20200228,500,500,500,500,0,46669100),"
        "(1301,20200227,1,1,1,1,0,1500000000), (1301,20200228,1,2,1,2,1,2000000000),"
        "(9984,20200227,750000,750000,750000,750000,0,1000000), (9984,20200228,750000,750000,750000,750000,0,"
        "2000000)");
    const Date day = *Date::fromYmd(2020, 2, 28);
    auto r = computeLists(*t.db, day, day, true);
    ASSERT_TRUE(r) << r.message();
    EXPECT_EQ(r->dailyDays, 1);
    EXPECT_TRUE(r->failures.empty());
    auto list = [&](const char* kind) {
        return t.rows("SELECT コード, 出来高, 値 FROM informationData WHERE 日付=20200228 AND 種類コード='" +
                      std::string(kind) + "' ORDER BY 順位");
    };
    EXPECT_EQ(list("d33"), "1301|2000000000|20.0億株\n7203|46669100|4,667万株\n9984|2000000|2,000,000株\n");
    EXPECT_EQ(list("d34"), "9984|2000000|1.5兆円\n7203|46669100|23,335百万円\n1301|2000000000|4,000百万円\n");
    EXPECT_EQ(list("d31"), "1301|2000000000|+100.0%\n");
}

TEST(ListValueText, BoundsOfEachKind) {
    constexpr long long kMax = std::numeric_limits<long long>::max();
    const struct {
        ListValue what;
        long long num, den;
        const char* text;
    } cases[] = {
        {ListValue::Shares, 0, 1, "0株"},
        {ListValue::Shares, 1234500, 1, "1,234,500株"},
        {ListValue::Shares, 9999999, 1, "9,999,999株"}, // the largest written out: ten characters
        {ListValue::Shares, 10000000, 1, "1,000万株"},
        {ListValue::Shares, 46669100, 1, "4,667万株"},
        {ListValue::Shares, 99994999, 1, "9,999万株"},
        {ListValue::Shares, 99995000, 1, "1.0億株"}, // rounds up to 10,000万: 億 instead
        {ListValue::Shares, 1234567890, 1, "12.3億株"},
        {ListValue::Shares, 2000000000, 1, "20.0億株"},
        {ListValue::Shares, 10000000000, 1, "100.0億株"},
        {ListValue::Shares, kMax, 1, "922.3京株"},
        {ListValue::SignedShares, -300, 1, "-300株"},
        {ListValue::SignedShares, 999999, 1, "+999,999株"},
        {ListValue::SignedShares, 1000000, 1, "+100万株"},
        {ListValue::SignedShares, -46669100, 1, "-4,667万株"},
        {ListValue::Yen, 0, 1, "0百万円"},
        {ListValue::Yen, 499999, 1, "0百万円"},
        {ListValue::Yen, 500000, 1, "1百万円"},
        {ListValue::Yen, 1234500000, 1, "1,235百万円"},
        {ListValue::Yen, 999999499999, 1, "999,999百万円"},
        {ListValue::Yen, 999999500000, 1, "1.0兆円"},
        {ListValue::Yen, 1500000000000, 1, "1.5兆円"},
        {ListValue::Yen, 10000000000000, 1, "10.0兆円"},
        {ListValue::Yen, 999950000000000, 1, "1,000兆円"},
        {ListValue::Ratio1, 17, 5, "3.4倍"},
        {ListValue::Percent2, 245, 10000, "2.45%"},
        {ListValue::Percent2, 1235, 100000, "1.24%"}, // a half away from zero
        {ListValue::Percent2, 123456789, 1, "123.5億%"},
        {ListValue::Ratio1, 1, 3, "0.3倍"},
        {ListValue::Ratio1, 99999, 1, "99,999.0倍"},
        {ListValue::Ratio1, 999999, 1, "999,999.0倍"},
        {ListValue::Ratio1, 9999999, 1, "9,999,999倍"},
        {ListValue::Ratio2, 1, 3, "0.33倍"},
        {ListValue::Ratio2, 9999, 1, "9,999.00倍"},
        {ListValue::Ratio2, 99999, 1, "99,999.00倍"},
        {ListValue::Ratio2, 999999, 1, "999,999.0倍"},
        {ListValue::Ratio2, 123456789, 1, "1.2億倍"},
        {ListValue::Rate, 1, 8, "+12.5%"},
        {ListValue::Rate, -1, 2000, "-0.1%"}, // -0.05 % away from zero
        {ListValue::Rate, 1, 30000, "0.0%"},  // no sign once rounded to zero
        {ListValue::Rate, -1, 1, "-100.0%"},
        {ListValue::Rate, 99999, 1000, "+9,999.9%"},
        {ListValue::Rate, -99999, 1000, "-9,999.9%"},
        {ListValue::Rate, 1000000, 1, "+1.0億%"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(listValueText(c.what, c.num, c.den), c.text) << c.num << "/" << c.den;

    // Every magnitude a long long holds, either sign, over several denominators, fits the field.
    for (ListValue what : {ListValue::Shares, ListValue::SignedShares, ListValue::Yen, ListValue::Ratio1,
                           ListValue::Ratio2, ListValue::Rate})
        for (long long p = 1; p > 0 && p <= kMax / 10; p *= 10)
            for (long long num : {p - 1, p, 5 * p - 1, 5 * p, -p, -(5 * p - 1), kMax, -kMax})
                for (long long den : {1LL, 3LL, 7LL, p}) {
                    const std::string text = listValueText(what, num, den);
                    EXPECT_FALSE(text.empty());
                    EXPECT_LE(utf8Length(text), 10u) << text << " " << num << "/" << den;
                }
}

} // namespace
