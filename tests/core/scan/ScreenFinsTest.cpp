// Screens on company figures: the values equal the issue's figures as of the day (close as traded,
// splits, the first-day rule), a missing figure never matches, and the names take no [n].
#include "core/fins/FinsFigures.h"
#include "core/scan/ScreenRun.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::scan;
using test::ymd;

namespace {

// 7203 reports on Fri 2024-05-10 during the day (EPS 64, forecast 80, BPS 1000, dividend 24, 1,000,000
// shares outstanding) after the year before (forecast 40); 6758 reported on Thu 05-09 (forecast EPS 120,
// BPS 2000, dividend 60, 2,000,000 shares) and splits 1:2 from Mon 05-13; 1301 has no disclosures.
// Closes as traded: 7203 1400, 1500, 1600, 1600 and 6758 3000, 3000, 1500, 1500 on 05-09, 10, 13, 14.
const char* kPage = R"({"data": [
 {"DiscDate": "2023-05-12", "DiscTime": "15:00:00", "Code": "72030", "DiscNo": "1", "DocType":
  "FYFinancialStatements_Consolidated_JP", "CurPerType": "FY", "CurPerEn": "2023-03-31", "CurFYEn": "2023-03-31",
  "NxtFYEn": "2024-03-31", "Sales": "800000000", "EPS": "32", "NxFEPS": "40"},
 {"DiscDate": "2024-05-10", "DiscTime": "15:00:00", "Code": "72030", "DiscNo": "2", "DocType":
  "FYFinancialStatements_Consolidated_JP", "CurPerType": "FY", "CurPerEn": "2024-03-31", "CurFYEn": "2024-03-31",
  "NxtFYEn": "2025-03-31", "Sales": "1000000000", "NP": "64000000", "Eq": "512000000", "EqAR": "0.5", "EPS": "64",
  "BPS": "1000", "ShOutFY": "1100000", "TrShFY": "100000", "NxFEPS": "80", "NxFDivAnn": "24"},
 {"DiscDate": "2024-05-09", "DiscTime": "15:30:00", "Code": "67580", "DiscNo": "3", "DocType":
  "FYFinancialStatements_Consolidated_IFRS", "CurPerType": "FY", "CurPerEn": "2024-03-31", "CurFYEn": "2024-03-31",
  "NxtFYEn": "2025-03-31", "Sales": "5000000000", "OdP": "", "EPS": "100", "BPS": "2000", "ROE": "0.05",
  "ShOutFY": "2000000", "NxFEPS": "120", "NxFDivAnn": "60"}]})";

struct FinsMarket : ::testing::Test, test::KestrelDb {
    void SetUp() override {
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, '極洋', 1, 1),"
             " (6758, 1, 'ソニー', 1, 1), (7203, 1, 'トヨタ', 1, 1)");
        const int days[] = {20240509, 20240510, 20240513, 20240514};
        const int closes[][4] = {{200, 201, 202, 203}, {3000, 3000, 1500, 1500}, {1400, 1500, 1600, 1600}};
        const int codes[] = {1301, 6758, 7203};
        for (int c = 0; c < 3; ++c)
            for (int d = 0; d < 4; ++d) {
                const std::string p = std::to_string(closes[c][d]);
                exec("INSERT INTO dayData VALUES (" + std::to_string(codes[c]) + "," + std::to_string(days[d]) + "," +
                     p + "," + p + "," + p + "," + p + ",0,100," + p + ")");
            }
        ASSERT_TRUE(db::addSplit(*db, 6758, ymd(2024, 5, 13), 1, 2));
        ASSERT_TRUE(db::setSplitState(*db, 6758, ymd(2024, 5, 13), db::SplitState::Confirmed));
        auto page = fins::parseDisclosures({kPage}, "test");
        ASSERT_TRUE(page) << page.message();
        ASSERT_TRUE(fins::storeDisclosures(*db, page->rows, "2024-05-15 09:00:00"));
    }

    std::vector<std::int32_t> codes(const char* condition, Date day) {
        auto screen = Screen::parse(condition);
        EXPECT_TRUE(screen) << condition << ": " << screen.message();
        if (!screen)
            return {};
        auto rows = runScreen(*db, ScanOptions{}, *screen, day);
        EXPECT_TRUE(rows) << condition << ": " << rows.message();
        std::vector<std::int32_t> out;
        if (rows)
            for (const ScreenMatch& m : *rows)
                out.push_back(m.code);
        return out;
    }
};

TEST_F(FinsMarket, MatchesAsOfTheDay) {
    struct Case {
        const char* condition;
        Date day;
        std::vector<std::int32_t> codes;
    } cases[] = {
        // On 05-10 7203's results of that afternoon do not count yet: forecast 40, 予想PER 37.5, no BPS.
        {"fper < 30", ymd(2024, 5, 10), {6758}},
        {"pbr > 0", ymd(2024, 5, 10), {6758}},
        {"fper < 30", ymd(2024, 5, 13), {6758, 7203}},
        // 6758 after its split: 1500 / 60 = 25, 1500 / 1000 = 1.5, 30 / 1500 = 2 %, 1500 × 4,000,000 = 60 億円.
        {"fper = 25 and pbr = 1.5 and yield = 2 and mktcap = 60", ymd(2024, 5, 13), {6758}},
        {"fper = 25 and pbr = 1.5 and yield = 2 and mktcap = 60", ymd(2024, 5, 10), {6758}},
        // 7203: 20, 1.6, 1.5 %, 16 億円, ROE 64 / 512 = 12.5 %, 自己資本比率 50 %, growth of sales 25 %.
        {"fper = 20 and pbr = 1.6 and yield = 1.5 and mktcap = 16", ymd(2024, 5, 14), {7203}},
        {"roe = 12.5 and equityRatio = 50 and salesGrowth = 25 and epsGrowth = 100", ymd(2024, 5, 14), {7203}},
        {"roe = 5 and per = 30", ymd(2024, 5, 14), {6758}}, // EPS 100 halved by the split
        // A missing value never matches, not even beside a true alternative (1301 has no figures; 6758
        // has no growth, having one year only).
        {"fper < 1000 or volume > 0", ymd(2024, 5, 14), {6758, 7203}},
        {"salesGrowth > -100", ymd(2024, 5, 14), {7203}},
        // Combined with the chart's values.
        {"fper < 30 and close >= 1600 and volume = 100", ymd(2024, 5, 14), {7203}},
        {"not fper >= 21", ymd(2024, 5, 14), {7203}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(codes(c.condition, c.day), c.codes) << c.condition << " on " << c.day.toIso();
}

// Every figure of the market read equals `fins` of the issue for the same day; a match carries them.
TEST_F(FinsMarket, ScreenValuesEqualTheIssuesFigures) {
    for (Date day : {ymd(2024, 5, 10), ymd(2024, 5, 13), ymd(2024, 5, 14), ymd(2024, 5, 9)}) {
        auto market = MarketBars::read(*db, ScanOptions{}, day, day);
        ASSERT_TRUE(market) << market.message();
        auto all = marketFins(*db, *market, day, std::bitset<kFinsFieldCount>().set());
        ASSERT_TRUE(all) << all.message();
        EXPECT_EQ(all->count(1301), 0u);
        for (int code : {6758, 7203}) {
            auto f = fins::figuresOfIssue(*db, code, day);
            ASSERT_TRUE(f) << f.message();
            std::optional<double> oku;
            if (f->mktcap)
                oku = *f->mktcap / 1e8;
            const ScreenFins want = {f->fper, f->per,         f->pbr,         f->yield,    oku,
                                     f->roe,  f->equityRatio, f->salesGrowth, f->opGrowth, f->epsGrowth};
            // An issue with nothing disclosed before the day is not in the read; all its figures are none.
            const ScreenFins got = all->count(code) ? all->at(code) : ScreenFins{};
            EXPECT_EQ(got, want) << code << " on " << day.toIso();
        }
    }
    auto screen = Screen::parse("fper > 0");
    ASSERT_TRUE(screen);
    auto rows = runScreen(*db, ScanOptions{}, *screen, ymd(2024, 5, 14));
    ASSERT_TRUE(rows && rows->size() == 2);
    const ScreenMatch& toyota = (*rows)[1];
    EXPECT_EQ(toyota.values[kFirstFinsField], Currency::fromWhole(20)); // fper
    const std::string json = screenToJson(ymd(2024, 5, 14), chart::BarMode::Daily, *rows);
    EXPECT_NE(json.find("\"fper\": 20,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"fper\": 25,"), std::string::npos) << json; // 6758: 1500 / (120 / 2)
}

// Prices stored in a unit of 10 yen: the close of the figures is the chart's (16,000 yen), in fins and in
// the screen alike.
TEST_F(FinsMarket, TheCloseIsTheChartsInTheIssuesPriceUnit) {
    exec("UPDATE Mei SET 株価単位 = 10 WHERE コード = 7203");
    auto f = fins::figuresOfIssue(*db, 7203, ymd(2024, 5, 14));
    ASSERT_TRUE(f) << f.message();
    EXPECT_EQ(f->close, 16000);
    EXPECT_EQ(f->fper, 200);
    EXPECT_EQ(codes("fper = 200 and close = 16000", ymd(2024, 5, 14)), std::vector<std::int32_t>{7203});
}

TEST(ScreenFinsNames, TakeNoBarsBackAndKeepTheSeriesRead) {
    auto bad = Screen::parse("fper[1] < 12");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.message().find("fper"), std::string::npos) << bad.message();
    auto screen = Screen::parse("FPER < 12 and pbr < 1 and rsi[2] < 30");
    ASSERT_TRUE(screen) << screen.message();
    EXPECT_EQ(screen->seriesBars(), 3);
    EXPECT_EQ(screen->finsNamed().to_ulong(), 0b101u);
    // Without the figures a condition naming one never matches.
    chart::ChartData d;
    d.barCount = 1;
    EXPECT_FALSE(Screen::parse("fper < 12 or close >= 0")->matches(d));
    ScreenFins f{};
    f[0] = 11.5;
    EXPECT_TRUE(Screen::parse("fper < 12 or close >= 0")->matches(d, &f));
    EXPECT_FALSE(Screen::parse("fper < 12 and pbr < 1")->matches(d, &f));
}

} // namespace
