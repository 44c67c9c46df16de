// Ledger lots in the extreme issues of a generated market at the real magnitudes: the prices refreshed
// from the stored bars and the profits right to the yen.
#include "RealMarket.h"
#include "core/trade/Ledger.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::trade;

TEST(LedgerAtRealMagnitudes, LotsOfTheExtremeIssuesRefreshToTheYen) {
    test::KestrelDb t;
    gen::RealMarketOptions o;
    o.issues = gen::kRealProfiles;
    o.weekly = false;
    for (Date x = *Date::fromYmd(2024, 4, 1); x <= *Date::fromYmd(2024, 6, 28); x = x.addDays(1))
        if (!x.isWeekend())
            o.days.push_back(x);
    ASSERT_TRUE(gen::writeRealMarket(*t.db, o));
    const struct Case {
        int profile;
        const char* price;
        const char* count;
        long long breakEven; // at 4 %, halves going up
    } cases[] = {
        {gen::Priciest, "1000000", "1", 1'040'000},
        {gen::Priciest, "1000000", "2000", 1'040'000}, // 2,000,000,000 yen bought
        {gen::PennyFlood, "1", "1000000000", 1},       // 1.04 yen
        {gen::PennyFlood, "3", "700000000", 3},        // 3.12 yen
        {gen::HundredADay, "500", "100", 520},
    };
    test::ScriptedPrompt prompt;
    std::vector<std::int64_t> ids;
    for (const Case& c : cases) {
        const std::int32_t code = o.firstCode + c.profile;
        auto r = editRow(*t.db, LedgerRow{},
                         {{kColCode, std::to_string(code)}, {kColBuyPrice, c.price}, {kColBuyCount, c.count}},
                         Currency::fromWhole(4), prompt);
        ASSERT_TRUE(r) << c.profile << ": " << r.message();
        EXPECT_EQ(r->row.breakEven, c.breakEven) << c.profile;
        ids.push_back(r->row.ID);
    }
    PriceDates dates;
    ASSERT_TRUE(refreshCurrentPrices(*t.db, prompt, &dates, o.days.back()));
    EXPECT_TRUE(prompt.log.empty());
    EXPECT_EQ(dates.newest, o.days.back());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const long long close = gen::realIssue(c.profile, o.firstCode + c.profile, o.days, o.seed).bars.back().close;
        const long long count = std::stoll(c.count);
        auto row = readLedgerRow(*t.db, ids[i]);
        ASSERT_TRUE(row && *row);
        EXPECT_EQ((*row)->currentPrice, close) << c.profile;
        EXPECT_EQ((*row)->buyCount, count) << c.profile;
        EXPECT_EQ((*row)->profit, count * close - count * c.breakEven) << c.profile << " " << c.count;
    }
}
