// Split events: ratio input, refused entries, and bars adjusted across an event, worked by hand.
#include "core/chart/SplitAdjust.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <limits>

using namespace kestrel;
using namespace kestrel::chart;
using test::ymd;

namespace {

Currency W(long long v) {
    return Currency::fromWhole(v);
}

TEST(SplitRatio, ParsesFractionsAndRefusesAbsurdRatios) {
    const struct {
        const char* text;
        bool ok;
        int before, after;
    } cases[] = {
        {"2", true, 1, 2},     {"0.1", true, 10, 1},    {"1.5", true, 2, 3},      {"1:2", true, 1, 2},
        {"10:1", true, 10, 1}, {"1000", true, 1, 1000}, {"0.001", true, 1000, 1}, {"0", false, 0, 0},
        {"-2", false, 0, 0},   {"1001", false, 0, 0},   {"0.0009", false, 0, 0},  {"abc", false, 0, 0},
        {"", false, 0, 0},     {"1:0", false, 0, 0},    {"1", false, 0, 0},       {"2:2", false, 0, 0},
        {"1.0", false, 0, 0},
    };
    for (const auto& c : cases) {
        std::int32_t b = 0, a = 0;
        Status st = db::parseSplitRatio(c.text, b, a);
        EXPECT_EQ(bool(st), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(std::make_pair(b, a), std::make_pair(c.before, c.after)) << c.text;
        }
    }
}

TEST(SplitRatio, CumulativeRatiosStayExactBeyondSixtyFourBitsOrAreRefused) {
    // (events, how many, a price and a count adjusted by all of them), worked with exact fractions:
    // 10^19 / 11^19 and (10^6 / 999999)^4 overflow 64 bits unreduced.
    const struct {
        std::int64_t before, after;
        int times;
        std::int64_t price, priceWant, count, countWant;
    } cases[] = {
        {10, 11, 19, 1000000, 163508, 100, 612},
        {10, 11, 19, 5000, 818, 0, 0},
        {1000000, 999999, 4, 1000000, 1000004, 7, 7},
        {1000000, 999999, 4, 250000, 250001, 0, 0},
        {2, 1, 1, 1001, 2002, 3, 2}, // 1.5 shares to even 2
    };
    for (const auto& c : cases) {
        db::SplitRatio r;
        for (int i = 0; i < c.times; ++i)
            ASSERT_TRUE(r.times(c.before, c.after)) << c.before << ":" << c.after << " #" << i;
        EXPECT_EQ(r.price(c.price), c.priceWant) << c.before << ":" << c.after;
        EXPECT_EQ(r.count(c.count), c.countWant) << c.before << ":" << c.after;
    }
    // A fifth 1000000:999999 would need terms beyond 10^24: refused, the ratio unchanged.
    db::SplitRatio r;
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(r.times(1000000, 999999));
    EXPECT_FALSE(r.times(1000000, 999999));
    EXPECT_EQ(r.price(1000000), 1000004);
    // Opposite events cancel without growing; a product beyond 64 bits saturates rather than wraps.
    db::SplitRatio back;
    ASSERT_TRUE(back.times(1000, 1) && back.times(1, 1000));
    EXPECT_TRUE(back.one());
    db::SplitRatio big;
    ASSERT_TRUE(big.times(1000, 1));
    EXPECT_EQ(big.price(std::numeric_limits<std::int64_t>::max() / 10), std::numeric_limits<std::int64_t>::max());
    // The bound an entry is checked against: the products of all befores and all afters.
    const std::vector<db::SplitEvent> four(4, {1, ymd(2024, 1, 5), 1000000, 999999});
    EXPECT_TRUE(db::withinSplitBound({four.begin(), four.begin() + 3}, 1000000, 999999));
    EXPECT_FALSE(db::withinSplitBound(four, 1000000, 999999));
}

TEST(SplitAdjust, NineteenSmallSplitsAdjustAnOldBarExactly) {
    ChartData d;
    d.barCount = 1;
    d.bars[0].date = ymd(2000, 1, 4);
    d.bars[0].open = d.bars[0].high = d.bars[0].low = d.bars[0].close = W(1000000);
    d.bars[0].volume = 100;
    std::vector<db::SplitEvent> events;
    for (int i = 0; i < 19; ++i)
        events.push_back({1, ymd(2001 + i, 1, 4), 10, 11, db::SplitSource::Entered, db::SplitState::Confirmed});
    adjustForSplits(d, events, false);
    EXPECT_EQ(d.bars[0].close.roundToWhole(), 163508);
    EXPECT_EQ(d.bars[0].volume, 612);
}

TEST(SplitAdjust, DailyBarsBeforeAnEventAreHalvedAndTheChangeFollows) {
    ChartData d;
    const struct {
        Date date;
        long long o, h, l, c, chg;
        int vol;
    } raw[] = {{ymd(2024, 1, 4), 1000, 1010, 990, 1000, 0, 100},
               {ymd(2024, 1, 5), 1002, 1020, 1001, 1005, 5, 201},
               {ymd(2024, 1, 9), 505, 510, 500, 503, -502, 400}};
    for (int i = 0; i < 3; ++i) {
        ChartBar& b = d.bars[i];
        b.date = raw[i].date;
        b.open = W(raw[i].o), b.high = W(raw[i].h), b.low = W(raw[i].l), b.close = W(raw[i].c);
        b.change = W(raw[i].chg), b.volume = raw[i].vol, b.closeCarried = b.close;
    }
    d.barCount = 3;
    adjustForSplits(d, {{1, ymd(2024, 1, 9), 1, 2, db::SplitSource::Entered, db::SplitState::Confirmed}}, false);
    // 1001/2 = 500.5 and 1005/2 = 502.5 and 5/2 = 2.5 go to the even neighbour; 201*2 = 402.
    const long long want[3][6] = {
        {500, 505, 495, 500, 0, 200}, {501, 510, 500, 502, 2, 402}, {505, 510, 500, 503, 1, 400}};
    for (int i = 0; i < 3; ++i) {
        const ChartBar& b = d.bars[i];
        EXPECT_EQ(b.open, W(want[i][0])) << i;
        EXPECT_EQ(b.high, W(want[i][1])) << i;
        EXPECT_EQ(b.low, W(want[i][2])) << i;
        EXPECT_EQ(b.close, W(want[i][3])) << i;
        EXPECT_EQ(b.change, W(want[i][4])) << i; // the event bar: 503 - 1005/2 (502)
        EXPECT_EQ(b.volume, want[i][5]) << i;
        EXPECT_EQ(b.closeCarried, W(want[i][3])) << i;
    }
    EXPECT_EQ(d.splitFlags[2], kSplitEventBar);
    EXPECT_EQ(d.splitFlags[0], 0);
}

TEST(SplitAdjust, CheapIssueAfterALargeSplitShowsOneYen) {
    ChartData d;
    d.bars[0].date = ymd(2024, 1, 4);
    d.bars[0].open = d.bars[0].high = d.bars[0].low = d.bars[0].close = W(4);
    d.bars[1].date = ymd(2024, 1, 5);
    d.barCount = 2;
    adjustForSplits(d, {{1, ymd(2024, 1, 5), 1, 10, db::SplitSource::Entered, db::SplitState::Confirmed}}, false);
    EXPECT_EQ(d.bars[0].close, W(1)); // 0.4 yen
    EXPECT_EQ(d.splitFlags[0], kSplitOneYen);
}

struct SplitTableDb : ::testing::Test, test::KestrelDb {};

TEST_F(SplitTableDb, EntriesAreRefusedWithAReasonAndRerunsAreInPlace) {
    exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
         "(1301, 20240104, 1, 1, 1, 1, 0, 1), (1301, 20240105, 1, 1, 1, 1, 0, 1), (1301, 20240108, 1, 1, 1, 1, 0, 1)");
    ASSERT_TRUE(db::addSplit(*db, 1301, ymd(2024, 1, 5), 1, 2));
    const struct {
        Date date;
        int before, after;
        StatusCode code;
        const char* says;
    } refused[] = {{ymd(2024, 1, 5), 1, 3, StatusCode::InvalidInput, "既に分割"},
                   {ymd(2024, 1, 6), 1, 2, StatusCode::InvalidInput, "株価データーがない"},
                   {ymd(2024, 1, 3), 1, 2, StatusCode::InvalidInput, "最初の株価データーより前"},
                   {ymd(2024, 1, 4), 1, 0, StatusCode::InvalidInput, "分割比率"},
                   {ymd(2024, 1, 4), 2, 2, StatusCode::InvalidInput, "分割比率"},
                   {ymd(2024, 1, 4), 1, 1001, StatusCode::InvalidInput, "分割比率"}};
    for (const auto& r : refused) {
        auto st = db::addSplit(*db, 1301, r.date, r.before, r.after);
        ASSERT_FALSE(st) << r.says;
        EXPECT_EQ(st.code(), r.code) << r.says;
        EXPECT_NE(st.message().find(r.says), std::string::npos) << st.message();
    }
    EXPECT_EQ(rows("SELECT コード, 日付, 分割前, 分割後, 出所, 状態 FROM Bunkatu"), "1301|20240105|1|2|1|1\n");
    // The same entry again, a second removal, a second confirmation: in place, said so, nothing written.
    auto again = db::addSplit(*db, 1301, ymd(2024, 1, 5), 1, 2);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->changed);
    EXPECT_NE(again->notice.find("既に登録"), std::string::npos) << again->notice;
    auto confirmed = db::setSplitState(*db, 1301, ymd(2024, 1, 5), db::SplitState::Confirmed);
    ASSERT_TRUE(confirmed);
    EXPECT_FALSE(confirmed->changed);
    auto removed = db::removeSplit(*db, 1301, ymd(2024, 1, 5));
    ASSERT_TRUE(removed);
    EXPECT_TRUE(removed->changed);
    removed = db::removeSplit(*db, 1301, ymd(2024, 1, 5));
    ASSERT_TRUE(removed);
    EXPECT_FALSE(removed->changed);
    EXPECT_EQ(db::setSplitState(*db, 1301, ymd(2024, 1, 5), db::SplitState::Dismissed).code(), StatusCode::NotFound);
    EXPECT_EQ(count("SELECT count(*) FROM Bunkatu"), 0);
}

TEST_F(SplitTableDb, AnEventBeyondTheExactBoundIsRefusedWhenEnteredOrConfirmed) {
    for (int m = 1; m <= 6; ++m)
        exec("INSERT INTO dayData (コード, 日付, 終値) VALUES (1301, 2024" + std::string(m < 10 ? "0" : "") +
             std::to_string(m) + "01, 100)");
    for (int m = 1; m <= 4; ++m)
        ASSERT_TRUE(db::addSplit(*db, 1301, ymd(2024, m, 1), 1000000, 999999));
    auto fifth = db::addSplit(*db, 1301, ymd(2024, 5, 1), 1000000, 999999);
    ASSERT_FALSE(fifth);
    EXPECT_EQ(fifth.code(), StatusCode::OutOfRange);
    EXPECT_NE(fifth.message().find("正確に計算できない"), std::string::npos) << fifth.message();
    exec("INSERT INTO Bunkatu (コード, 日付, 分割前, 分割後, 出所, 状態) VALUES (1301, 20240601, 1000000, 999999, 2, "
         "0)");
    EXPECT_EQ(db::setSplitState(*db, 1301, ymd(2024, 6, 1), db::SplitState::Confirmed).code(), StatusCode::OutOfRange);
    EXPECT_EQ(count("SELECT count(*) FROM Bunkatu WHERE 状態 = 1"), 4);
}

} // namespace
