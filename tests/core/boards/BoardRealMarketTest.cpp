// A board of the extreme issues of a generated market at the real magnitudes, refreshed from the
// stored bars: prices from 1 yen to 1,000,000 yen and volumes from 100 to 2,000,000,000 shares.
#include "RealMarket.h"
#include "core/boards/BoardStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::boards;

TEST(BoardAtRealMagnitudes, TheExtremeIssuesShowTheirLastBar) {
    test::KestrelDb t;
    gen::RealMarketOptions o;
    o.issues = gen::kRealProfiles;
    o.weekly = false;
    for (Date x = *Date::fromYmd(2024, 5, 1); x <= *Date::fromYmd(2024, 6, 28); x = x.addDays(1))
        if (!x.isWeekend())
            o.days.push_back(x);
    ASSERT_TRUE(gen::writeRealMarket(*t.db, o));
    const int profiles[] = {gen::PennyFlood, gen::Priciest, gen::Biggest, gen::HundredADay, gen::Dormant};
    for (int p : profiles) {
        auto added = addIssueFromLatestBar(*t.db, 1, o.firstCode + p, "real" + std::to_string(p));
        ASSERT_TRUE(added && *added == AddOutcome::Added) << p;
    }
    // The board as added, then put back from the bars after its prices were cleared.
    for (bool refreshed : {false, true}) {
        if (refreshed) {
            t.exec("UPDATE board SET 始値=0, 高値=0, 安値=0, 終値=0, 前日比=0, 出来高=0");
            ASSERT_TRUE(refreshBoardFromBars(*t.db, 1));
        }
        auto rows = readBoard(*t.db, 1, BoardOrder::Table);
        ASSERT_TRUE(rows);
        ASSERT_EQ(rows->size(), std::size(profiles));
        for (const BoardRow& r : *rows) {
            const int p = r.code - o.firstCode;
            const gen::RealBar want = gen::realIssue(p, r.code, o.days, o.seed).bars.back();
            EXPECT_EQ(r.date, o.days.back()) << p;
            EXPECT_EQ(std::tie(r.open, r.high, r.low, r.close, r.change),
                      std::tie(want.open, want.high, want.low, want.close, want.change))
                << p << (refreshed ? " refreshed" : " added");
            EXPECT_EQ(r.volume, Currency::fromWhole(want.volume)) << p;
        }
    }
    // The extremes themselves.
    auto volumeOf = [&](int p) {
        return t.count("SELECT 出来高 FROM board WHERE コード=" + std::to_string(o.firstCode + p));
    };
    EXPECT_EQ(volumeOf(gen::PennyFlood), gen::kRealMaxVolume);
    EXPECT_EQ(volumeOf(gen::HundredADay), 100);
    EXPECT_GE(t.count("SELECT 終値 FROM board WHERE コード=" + std::to_string(o.firstCode + gen::Priciest)), 900'000);
}
