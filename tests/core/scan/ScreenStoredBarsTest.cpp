// Screens of company figures and stored bar values, judged on the few bars they name: the matches, their
// values and their figures are those of the whole chart (scanMarket) and of the issue's own figures
// (figuresOfIssue), across a split, an issue that stopped trading, one with a gap of weeks in its bars
// and one stored in a price unit of 10 yen.
#include "core/fins/FinsFigures.h"
#include "core/scan/ScreenRun.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::scan;
using F = fins::DisclosureField;

namespace {

constexpr int kDays = 140; // more than a chart's 110 bars

// 1301 trades every day; 6758 splits 1:2 three bars before the last; 7203 has stopped trading (close 0)
// for the last 12 bars; 9984 has no bars for 40 trading days before its last two and splits 1:2 on
// the first bar after them; 8306's prices are stored in tens of yen.
struct StoredBarsMarket : ::testing::Test, test::KestrelDb {
    std::vector<Date> days;

    void SetUp() override {
        for (Date d = *Date::fromYmd(2024, 1, 1); static_cast<int>(days.size()) < kDays; d = d.addDays(1))
            if (!d.isWeekend())
                days.push_back(d);
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, '極洋', 1, 1),"
             " (6758, 1, 'ソニー', 1, 1), (7203, 1, 'トヨタ', 1, 1), (8306, 1, '三菱ＵＦＪ', 100, 10),"
             " (9984, 1, 'ソフトバンクＧ', 1, 1)");
        exec("BEGIN");
        for (int i = 0; i < kDays; ++i) {
            const std::string day = std::to_string(days[static_cast<size_t>(i)].ymd());
            auto bar = [&](int code, long long close, long long volume) {
                const std::string p = std::to_string(close), q = std::to_string(close + 3);
                exec("INSERT INTO dayData VALUES (" + std::to_string(code) + "," + day + "," + p + "," + q + "," + p +
                     "," + p + "," + std::to_string(i % 5 - 2) + "," + std::to_string(volume) + "," + p + ")");
            };
            bar(1301, 900 + (i * 37) % 400, 1000 + i);
            bar(6758, i >= kDays - 3 ? 6000 + i : 12000 + (i * 53) % 900, 2'000'000'000LL - i);
            bar(7203, i >= kDays - 12 ? 0 : 2500 + (i * 11) % 300, i >= kDays - 12 ? 0 : 500);
            bar(8306, 150 + i % 20, 3000);
            if (i < kDays - 42 || i >= kDays - 2)
                bar(9984, 800'000 + (i * 101) % 5000, 70);
        }
        exec("COMMIT");
        const Date split = days[kDays - 3];
        ASSERT_TRUE(db::addSplit(*db, 6758, split, 1, 2));
        ASSERT_TRUE(db::setSplitState(*db, 6758, split, db::SplitState::Confirmed));
        // 9984 splits 1:2 on its first bar after the gap, stored without a change.
        exec("UPDATE dayData SET 前日比 = 0 WHERE コード = 9984 AND 日付 = " + std::to_string(days[kDays - 2].ymd()));
        ASSERT_TRUE(db::addSplit(*db, 9984, days[kDays - 2], 1, 2));
        ASSERT_TRUE(db::setSplitState(*db, 9984, days[kDays - 2], db::SplitState::Confirmed));
        // A year's results before the window and a revision inside it, for every issue.
        std::vector<fins::Disclosure> rows;
        int no = 1;
        for (int code : {1301, 6758, 7203, 8306, 9984})
            for (int k = 0; k < 2; ++k) {
                fins::Disclosure d;
                d.discNo = std::to_string(no++);
                d.code = code;
                d.code5 = std::to_string(code) + "0";
                d.discDate = k == 0 ? *Date::fromYmd(2023, 11, 10) : days[kDays - 20 + code % 7];
                d.discTime = "15:00:00";
                d.docType = k == 0 ? "FYFinancialStatements_Consolidated_JP" : "EarnForecastRevision";
                d.perType = "FY";
                d.curFYEn = *Date::fromYmd(2024, 3, 31);
                d.nxtFYEn = *Date::fromYmd(2025, 3, 31);
                d.curPerEn = d.curFYEn;
                const int scale = code % 100 + 7;
                if (k == 0) {
                    d[F::EPS] = fins::figureOf(std::to_string(scale * 3));
                    d[F::BPS] = fins::figureOf(std::to_string(scale * 40));
                    d[F::ShOutFY] = fins::figureOf("1000000");
                }
                d[F::FEPS] = fins::figureOf(std::to_string(scale * (k + 2)) + ".5");
                d[F::FDivAnn] = fins::figureOf(std::to_string(scale + k * 5));
                rows.push_back(d);
            }
        ASSERT_TRUE(fins::storeDisclosures(*db, rows, "2024-07-01 09:00:00"));
    }
};

TEST(ScreenStoredBars, CountsTheBarsOfStoredValuesOnly) {
    const struct {
        const char* condition;
        std::optional<int> bars;
    } cases[] = {
        {"fper < 15 and pbr < 1.5 and yield > 1", 1},
        {"fper < 15 and 終値 > 終値[4]", 5},
        {"pbr < 1 and volume[109] > 0 and change < 0 and date >= 20240101", 110},
        {"pbr < 1 and closeCarried > 100", std::nullopt}, // carried from the window's first trade
        {"fper < 15 and ma1 > 0", std::nullopt},
        {"fper < 15 and fitA > 0", std::nullopt},
        {"fper < 15 and macd > 0", std::nullopt},
    };
    for (const auto& c : cases) {
        auto s = Screen::parse(c.condition);
        ASSERT_TRUE(s) << c.condition << ": " << s.message();
        EXPECT_EQ(s->storedBars(), c.bars) << c.condition;
    }
}

// Each screen's matches, values and faults equal those of every whole chart and the issue's own figures.
TEST_F(StoredBarsMarket, MatchesEqualTheWholeChartsAndTheIssuesFigures) {
    const char* conditions[] = {
        "fper < 15 and pbr < 1.5 and yield > 1", "fper > 0",
        "yield > 0.5 and close <= close[2]",     "per > 0 and change[1] < 0 and volume > 0",
        "mktcap > 0 and open[107] > 0",
    };
    const int at[] = {kDays - 1, kDays - 2, kDays - 3, kDays - 4, kDays - 16, 60};
    int matched = 0;
    for (const char* condition : conditions)
        for (int i : at) {
            const Date day = days[static_cast<size_t>(i)];
            auto screen = Screen::parse(condition);
            ASSERT_TRUE(screen) << screen.message();
            ASSERT_TRUE(screen->storedBars());
            std::vector<ScreenMatch> want;
            Status s = scanMarket(
                *db, ScanOptions{}, day, [&](std::int32_t code, const std::string& name, const chart::ChartData& d) {
                    auto f = fins::figuresOfIssue(*db, code, day);
                    ASSERT_TRUE(f) << f.message();
                    std::optional<double> oku;
                    if (f->mktcap)
                        oku = *f->mktcap / 1e8;
                    const ScreenFins fs = {f->fper, f->per,         f->pbr,         f->yield,    oku,
                                           f->roe,  f->equityRatio, f->salesGrowth, f->opGrowth, f->epsGrowth};
                    if (!screen->matches(d, &fs))
                        return;
                    ScreenFins named{}; // a match carries the figures its screen names
                    for (size_t v = 0; v < named.size(); ++v)
                        if (screen->finsNamed()[v])
                            named[v] = fs[v];
                    ScreenMatch m{code, name, {}, {}};
                    for (int v = 0; v < static_cast<int>(screenFields().size()); ++v)
                        m.values.push_back(screenValue(d, v, 0, &named));
                    want.push_back(std::move(m));
                });
            ASSERT_TRUE(s) << s.message();
            auto got = runScreen(*db, ScanOptions{}, *screen, day);
            ASSERT_TRUE(got) << got.message();
            ASSERT_EQ(got->size(), want.size()) << condition << " on " << day.toIso();
            for (size_t m = 0; m < want.size(); ++m) {
                EXPECT_EQ((*got)[m].code, want[m].code) << condition << " on " << day.toIso();
                EXPECT_EQ((*got)[m].name, want[m].name);
                EXPECT_EQ((*got)[m].values, want[m].values)
                    << (*got)[m].code << ": " << condition << " on " << day.toIso();
            }
            matched += static_cast<int>(want.size());
        }
    EXPECT_GT(matched, 40); // the cases match something
}

// The idle issue's figures use its last traded close, 12 bars back, beyond the two bars read for the screen;
// the issue with a gap is judged with its bar of weeks before.
TEST_F(StoredBarsMarket, AnIdleIssueKeepsItsLastTradedClose) {
    const Date day = days[kDays - 1];
    auto screen = Screen::parse("fper > 0 and close = 0");
    ASSERT_TRUE(screen);
    auto rows = runScreen(*db, ScanOptions{}, *screen, day);
    ASSERT_TRUE(rows) << rows.message();
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ((*rows)[0].code, 7203);
    // 2,697 yen on its last trading day over the forecast EPS of the revision, (3 + 7) × 3 + 0.5 = 30.5.
    EXPECT_EQ((*rows)[0].values[kFirstFinsField], Currency::fromRaw(std::llround(2697 / 30.5 * Currency::kScale)));
    // 9984's bar after its gap, the split's first, stored without a change: the chart takes its change
    // against the close before, halved (803,938 − 803,938 / 2 = 401,969), when that bar is in the window.
    auto gap = Screen::parse("fper > 0 and close[1] = 803938 and change[1] = 401969");
    ASSERT_TRUE(gap);
    auto gapRows = runScreen(*db, ScanOptions{}, *gap, day);
    ASSERT_TRUE(gapRows) << gapRows.message();
    ASSERT_EQ(gapRows->size(), 1u);
    EXPECT_EQ((*gapRows)[0].code, 9984);
}

} // namespace
