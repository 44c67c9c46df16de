// Screens of monthly bars: the scan's chart of a month equals the chart of the issue's monthly series
// (a split inside a month, the forming month, months without trading, balances), and the monthly
// trading days are each month's last stored day.
#include "core/chart/SeriesLoad.h"
#include "core/db/SplitTable.h"
#include "core/scan/MarketScan.h"
#include "core/scan/Screen.h"
#include "core/scan/ScreenRun.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <map>

using namespace kestrel;
using namespace kestrel::scan;
using test::ymd;

namespace {

struct MonthlyMarket : ::testing::Test, test::KestrelDb, test::Xorshift {
    std::vector<Date> days;
    void SetUp() override {
        seed = 4242;
        // Ten and a half years of weekdays, without the year-end holidays.
        for (Date d = ymd(2014, 1, 6); d <= ymd(2024, 6, 14); d = d.addDays(1))
            if (!d.isWeekend() && !(d.month() == 12 && d.day() == 31) && !(d.month() == 1 && d.day() <= 3))
                days.push_back(d);
        exec("BEGIN");
    }
    // Daily bars of one issue from `first` on (none inside gapFrom..gapTo), prices near `base`.
    void issue(int code, Date first, long long base, Date gapFrom = Date(), Date gapTo = Date(),
               std::vector<Date> zero = {}) {
        ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, 1, ?, 100, 1)",
                            code, "銘柄" + std::to_string(code)));
        long long close = base, ref = 0;
        for (Date d : days) {
            if (d < first || (d >= gapFrom && d <= gapTo))
                continue;
            const long long open = close;
            close = std::max(1LL, close + next(41) - 20);
            const bool z = std::find(zero.begin(), zero.end(), d) != zero.end();
            ASSERT_TRUE(db->run("INSERT INTO dayData VALUES (?,?,?,?,?,?,?,?,?)", code, d, z ? 0 : open,
                                z ? 0 : std::max(open, close) + next(7),
                                z ? 0 : std::max(1LL, std::min(open, close) - next(7)), z ? 0 : close,
                                z || !ref ? 0 : close - ref, z ? 0 : 1000 + next(20000000), z ? 0 : close));
            if (!z)
                ref = close;
        }
        // Weekly bars on each week's last day, with balances.
        exec("INSERT INTO weekData SELECT コード, max(日付), 0, 0, 0, 0, 0, 0, 0, max(日付) % 100000, max(日付) % 7777 "
             "FROM dayData WHERE コード=" +
             std::to_string(code) +
             " GROUP BY CAST((julianday(substr(日付,1,4)||'-'||substr(日付,5,2)||'-'||substr(日付,7,2)) + 0.5) / 7 AS "
             "INT)");
    }
    void market() {
        issue(1301, days.front(), 2500); // the whole history: more months than the chart holds
        issue(1302, days.front(), 9000); // a 1:2 split inside February 2024
        issue(1303, ymd(2015, 3, 1), 700, ymd(2023, 5, 1), ymd(2023, 7, 31), // three months without a stored day,
              {ymd(2024, 3, 4), ymd(2024, 3, 5)});                           // days without trading
        issue(1304, ymd(2023, 4, 12), 120); // listed lately: fewer months than the chart holds
        exec("COMMIT");
        ASSERT_TRUE(db::addSplit(*db, 1302, ymd(2024, 2, 14), 1, 2));
    }
};

// The 110-bar chart of the last months of the issue's monthly series as of day.
chart::ChartData chartOfSeries(db::Database& db, std::int32_t code, Date day, const ScanOptions& o) {
    auto series = chart::loadSeries(db, code, {chart::BarMode::Monthly, std::nullopt, day, o.splitAdjust});
    EXPECT_TRUE(series) << series.message();
    chart::ChartData d;
    const int n = std::min(chart::kMaxBars, series->size());
    for (int i = 0; i < n; ++i) {
        const chart::SeriesBar& s = series->bars[static_cast<size_t>(series->size() - n + i)];
        d.bars[static_cast<size_t>(i)] = chart::chartBarOf(s);
    }
    d.barCount = static_cast<std::int16_t>(n);
    chart::computeIndicators(d, o.settings);
    return d;
}

TEST_F(MonthlyMarket, MonthlyChartEqualsTheMonthlySeries) {
    market();
    const struct {
        const char* name;
        Date day;
        bool splitAdjust;
    } cases[] = {
        {"the forming month, split-adjusted", ymd(2024, 6, 12), true},
        {"the split month closed", ymd(2024, 2, 29), true},
        {"inside the split month, as traded", ymd(2024, 2, 20), false},
        {"the first day of a year", ymd(2024, 1, 4), true},
        {"days without trading in the month", ymd(2024, 3, 5), true},
    };
    for (const auto& c : cases) {
        ScanOptions o;
        o.mode = chart::BarMode::Monthly;
        o.splitAdjust = c.splitAdjust;
        auto market = MarketBars::read(*db, o, c.day, c.day);
        ASSERT_TRUE(market) << market.message();
        ASSERT_EQ(market->issueCount(), 4) << c.name;
        for (int i = 0; i < market->issueCount(); ++i) {
            const std::string what = std::string(c.name) + " " + std::to_string(market->code(i));
            chart::ChartData got;
            auto has = market->chartAt(i, c.day, got);
            ASSERT_TRUE(has) << has.message();
            ASSERT_TRUE(*has) << what;
            const chart::ChartData want = chartOfSeries(*db, market->code(i), c.day, o);
            ASSERT_EQ(got.barCount, want.barCount) << what;
            EXPECT_EQ(got.fitA, want.fitA) << what;
            EXPECT_EQ(got.fitC, want.fitC) << what;
            for (int b = 0; b < got.barCount; ++b) {
                for (int f = 0; f < static_cast<int>(screenFields().size()); ++f) {
                    if (screenFields()[static_cast<size_t>(f)].perBar) {
                        EXPECT_EQ(screenValue(got, f, got.barCount - 1 - b),
                                  screenValue(want, f, want.barCount - 1 - b))
                            << what << " bar " << b << " " << screenFields()[static_cast<size_t>(f)].name;
                    }
                }
                EXPECT_EQ(got.bars[static_cast<size_t>(b)].closeCarried, want.bars[static_cast<size_t>(b)].closeCarried)
                    << what << " bar " << b;
                EXPECT_EQ(got.bars[static_cast<size_t>(b)].sellBalance, want.bars[static_cast<size_t>(b)].sellBalance)
                    << what << " bar " << b;
            }
            // The last bar is the month of the day, as far as the day.
            const chart::ChartBar& last = got.bars[static_cast<size_t>(got.barCount - 1)];
            EXPECT_EQ(last.date.month(), c.day.month()) << what;
        }
    }
    // Worked by hand: February 2024 of 1302 split-adjusted has the days before the 14th halved, so its high
    // is at most the unadjusted high and the month's volume is the adjusted days' sum.
    ScanOptions o;
    o.mode = chart::BarMode::Monthly;
    auto market = MarketBars::read(*db, o, ymd(2024, 2, 29), ymd(2024, 2, 29));
    ASSERT_TRUE(market);
    chart::ChartData got;
    ASSERT_TRUE(*market->chartAt(1, ymd(2024, 2, 29), got));
    const long long sum = count("SELECT sum(CASE WHEN 日付 < 20240214 THEN 出来高 * 200 ELSE 出来高 * 100 END) "
                                "FROM dayData WHERE コード=1302 AND 日付 BETWEEN 20240201 AND 20240229");
    EXPECT_EQ(got.bars[static_cast<size_t>(got.barCount - 1)].volume, sum);
}

TEST_F(MonthlyMarket, MonthlyDaysAreTheMonthsLastStoredDays) {
    market();
    auto days = tradingDays(*db, chart::BarMode::Monthly, ymd(2023, 11, 15), ymd(2024, 3, 6));
    ASSERT_TRUE(days);
    const std::vector<Date> want = {ymd(2023, 11, 30), ymd(2023, 12, 29), ymd(2024, 1, 31), ymd(2024, 2, 29),
                                    ymd(2024, 3, 6)};
    EXPECT_EQ(*days, want);
    auto day = screenDay(*db, chart::BarMode::Monthly, ymd(2024, 6, 15));
    ASSERT_TRUE(day);
    EXPECT_EQ(*day, ymd(2024, 6, 14));
}

TEST_F(MonthlyMarket, HeldRunFollowsMonths) {
    market();
    auto screen = Screen::parse("close > 0");
    ASSERT_TRUE(screen) << screen.message();
    ScanOptions o;
    o.mode = chart::BarMode::Monthly;
    auto held = runHeld(*db, o, *screen, ymd(2024, 1, 1), ymd(2024, 3, 31), 1);
    ASSERT_TRUE(held) << held.message();
    EXPECT_EQ(held->days, 3);
    EXPECT_EQ(held->matches, 12);
    const std::map<Date, Date> exitOf = {{ymd(2024, 1, 31), ymd(2024, 2, 29)},
                                         {ymd(2024, 2, 29), ymd(2024, 3, 29)},
                                         {ymd(2024, 3, 29), ymd(2024, 4, 30)}};
    for (const HeldMatch& m : held->rows) {
        ASSERT_TRUE(exitOf.count(m.date)) << m.date.toIso();
        EXPECT_EQ(m.exitDate, exitOf.at(m.date)) << m.code;
    }
}

} // namespace

namespace {

TEST_F(MonthlyMarket, ALargeMarketScreenedInPartsFindsWhatOneReadFinds) {
    market();
    exec("BEGIN");
    for (int code = 5000; code < 6200; ++code)
        if (code != 5700)
            exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (" + std::to_string(code) +
                 ", 1, 'x', 100, 1)");
    issue(5700, ymd(2020, 1, 6), 3000); // in the second part of the codes
    exec("COMMIT");
    auto screen = Screen::parse("close > 0 and volume > 0");
    ASSERT_TRUE(screen);
    ScanOptions parts;
    parts.mode = chart::BarMode::Monthly;
    ScanOptions whole = parts;
    whole.codeFrom = 0; // a range given: read at once
    const Date day = ymd(2024, 6, 12);
    auto a = runScreen(*db, parts, *screen, day);
    auto b = runScreen(*db, whole, *screen, day);
    ASSERT_TRUE(a) << a.message();
    ASSERT_TRUE(b) << b.message();
    std::vector<std::int32_t> codes;
    for (const ScreenMatch& m : *a)
        codes.push_back(m.code);
    EXPECT_EQ(codes, (std::vector<std::int32_t>{1301, 1302, 1303, 1304, 5700}));
    ASSERT_EQ(a->size(), b->size());
    for (size_t i = 0; i < a->size(); ++i)
        EXPECT_EQ((*a)[i].values, (*b)[i].values) << (*a)[i].code;
}

} // namespace
