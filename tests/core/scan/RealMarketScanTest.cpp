// The chart, the scan and the lists on a generated market at the real magnitudes: the 1-yen issue whose
// last week trades past 2^31 shares, and a daily scan of the extreme issues as of a day.
#include "RealMarket.h"
#include "core/info/ComputedLists.h"
#include "core/scan/MarketScan.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <limits>
#include <map>

using namespace kestrel;
using namespace kestrel::scan;

namespace {

struct RealScan : ::testing::Test, test::KestrelDb {
    gen::RealMarketOptions o;
    std::vector<gen::RealIssue> issues;
    void SetUp() override {
        o.issues = 8;
        // Monday 2024-01-01 to Friday 2024-06-28: 130 trading days, the last week whole.
        for (Date x = *Date::fromYmd(2024, 1, 1); x <= *Date::fromYmd(2024, 6, 28); x = x.addDays(1))
            if (!x.isWeekend())
                o.days.push_back(x);
        ASSERT_TRUE(gen::writeRealMarket(*db, o));
        for (int i = 0; i < o.issues; ++i)
            issues.push_back(gen::realIssue(i, o.firstCode + i, o.days, o.seed));
    }
    std::int32_t code(int profile) const { return o.firstCode + profile; }
    // The shares an issue traded from Monday 2024-06-24 on, added up from its days.
    long long lastWeek(int profile) const {
        long long sum = 0;
        for (const gen::RealBar& b : issues[static_cast<size_t>(profile)].bars)
            if (b.date >= *Date::fromYmd(2024, 6, 24))
                sum += b.volume;
        return sum;
    }
};

TEST_F(RealScan, AWeekPastTwoToThe31SharesIsChartedScannedAndListed) {
    const long long week = lastWeek(gen::PennyFlood);
    ASSERT_GT(week, std::numeric_limits<std::int32_t>::max());
    const Date last = o.days.back();

    AppContext ctx;
    ctx.settings.move1 = 5;
    ctx.settings.move2 = 13;
    ctx.settings.move3 = 26;
    ctx.settings.SaicoL = 12;
    ctx.settings.RSIVR = 12;
    ctx.settings.ITORSO = 1;
    ctx.chartMode = 2;
    chart::ChartData chartData;
    test::ScriptedPrompt prompt;
    std::string date = last.toYYMMDD();
    ASSERT_TRUE(chart::LoadChartData(*db, ctx, code(gen::PennyFlood), date, chartData, prompt));
    ASSERT_EQ(chartData.barCount, 26);
    const chart::ChartBar& bar = chartData.bars[25];
    EXPECT_EQ(bar.date, last);
    EXPECT_EQ(bar.volume, week);
    EXPECT_GE(chartData.maxVolume, Currency::fromWhole(week));
    EXPECT_GE(bar.vr, 0);

    ScanOptions so{chart::BarMode::Weekly, true, chart::IndicatorSettings::from(ctx.settings)};
    std::vector<std::int32_t> seen, faults;
    ASSERT_TRUE(scanMarket(
        *db, so, last,
        [&](std::int32_t c, const std::string&, const chart::ChartData& d) {
            seen.push_back(c);
            if (c == code(gen::PennyFlood)) {
                EXPECT_EQ(d.bars[static_cast<size_t>(d.barCount - 1)].volume, week);
                EXPECT_EQ(d.bars[static_cast<size_t>(d.barCount - 1)].vr, bar.vr);
            }
        },
        [&](std::int32_t c, const Status&) { faults.push_back(c); }));
    EXPECT_TRUE(faults.empty());
    EXPECT_EQ(seen.size(), static_cast<size_t>(o.issues));

    auto r = info::computeLists(*db, o.days[o.days.size() - 5], last, true);
    ASSERT_TRUE(r) << r.message();
    EXPECT_TRUE(r->failures.empty());
    const std::string where = " FROM informationData WHERE Top種類コード='w' AND 日付=" + last.toYYYYMMDD() +
                              " AND コード=" + std::to_string(code(gen::PennyFlood));
    EXPECT_GT(count("SELECT count(*)" + where), 0);
    EXPECT_EQ(count("SELECT count(*)" + where + " AND 出来高<>" + std::to_string(week)), 0);
}

TEST_F(RealScan, ADailyScanAsOfADayReadsTheExtremeIssuesAsGenerated) {
    // As of the last day and as of a day in the middle of the market.
    for (size_t day : {o.days.size() - 1, size_t{115}}) {
        std::map<std::int32_t, chart::ChartBar> got;
        ScanOptions so;
        so.settings.move1 = 5;
        ASSERT_TRUE(
            scanMarket(*db, so, o.days[day], [&](std::int32_t c, const std::string&, const chart::ChartData& d) {
                got[c] = d.bars[static_cast<size_t>(d.barCount - 1)];
                EXPECT_EQ(d.barCount, chart::kMaxBars);
            }));
        ASSERT_EQ(got.size(), static_cast<size_t>(o.issues));
        for (int p : {gen::PennyFlood, gen::Priciest, gen::Biggest, gen::HundredADay, gen::Dormant}) {
            const gen::RealBar& want = issues[static_cast<size_t>(p)].bars[day];
            const chart::ChartBar& b = got[code(p)];
            EXPECT_EQ(b.date, o.days[day]) << p;
            EXPECT_EQ(b.close, Currency::fromWhole(want.close)) << p;
            EXPECT_EQ(b.high, Currency::fromWhole(want.high)) << p;
            EXPECT_EQ(b.volume, want.volume) << p;
        }
    }
    // The extremes at the last day, as the profiles promise.
    const gen::RealBar& penny = issues[gen::PennyFlood].bars.back();
    EXPECT_EQ(penny.volume, gen::kRealMaxVolume);
    EXPECT_LE(penny.close, 3);
    EXPECT_GE(issues[gen::Priciest].bars.back().close, 900'000);
    EXPECT_EQ(issues[gen::HundredADay].bars.back().volume, 100);
}

} // namespace
