// Bar series of a whole history: monthly bars against months worked by hand, the forming month, a split
// inside a month, the views of a span, and the daily series equal to the 110-bar chart's bars.
#include "core/chart/SeriesLoad.h"

#include "core/chart/ChartData.h"
#include "core/db/SplitTable.h"
#include "core/startup/AppContext.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace kestrel;
using namespace kestrel::chart;
using test::ymd;

namespace {

Currency W(long long v) {
    return Currency::fromWhole(v);
}

SeriesBar day(Date date, long long o, long long h, long long l, long long c, std::int64_t volume) {
    SeriesBar b;
    b.date = date;
    b.open = W(o);
    b.high = W(h);
    b.low = W(l);
    b.close = W(c);
    b.volume = volume;
    return b;
}

struct Month {
    Date date;
    long long open, high, low, close, carried, change;
    std::int64_t volume, sell, buy;
};

void expectMonths(const std::vector<SeriesBar>& got, const std::vector<Month>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        const SeriesBar& g = got[i];
        const Month& w = want[i];
        EXPECT_EQ(g.date, w.date) << i;
        EXPECT_EQ(g.open, W(w.open)) << i;
        EXPECT_EQ(g.high, W(w.high)) << i;
        EXPECT_EQ(g.low, W(w.low)) << i;
        EXPECT_EQ(g.close, W(w.close)) << i;
        EXPECT_EQ(g.closeCarried, W(w.carried)) << i;
        EXPECT_EQ(g.change, W(w.change)) << i;
        EXPECT_EQ(g.volume, w.volume) << i;
        EXPECT_EQ(g.sellBalance, w.sell) << i;
        EXPECT_EQ(g.buyBalance, w.buy) << i;
        EXPECT_FALSE(g.forming) << i;
    }
}

TEST(MonthlyBars, MonthsWorkedByHand) {
    const std::vector<SeriesBar> days = {
        // December 2023: a day without a low still counts for the other prices; 2 billion shares a day.
        day(ymd(2023, 12, 27), 100, 110, 95, 105, 2000000000),
        day(ymd(2023, 12, 28), 105, 120, 0, 118, 2000000000),
        // January 2024 across the new year's holidays and the 8th (a holiday): the 4th did not trade, so
        // the open is the 5th's; the month is dated its last traded day, not its last stored one.
        day(ymd(2024, 1, 4), 0, 0, 0, 0, 0),
        day(ymd(2024, 1, 5), 108, 112, 104, 110, 2000),
        day(ymd(2024, 1, 9), 110, 115, 100, 101, 3000),
        day(ymd(2024, 1, 31), 101, 103, 99, 102, 500),
        day(ymd(2024, 2, 1), 0, 0, 0, 0, 0),
        // February: one trading day.
        day(ymd(2024, 2, 14), 90, 95, 85, 93, 700),
        // March: stored days, none traded: a bar without trading, no invented prices.
        day(ymd(2024, 3, 1), 0, 0, 0, 0, 0),
        day(ymd(2024, 3, 29), 0, 0, 0, 0, 0),
        // April: its change is taken against February, the last traded month. May has no stored day.
        day(ymd(2024, 4, 1), 95, 99, 94, 97, 10),
        day(ymd(2024, 6, 3), 97, 98, 96, 98, 20),
    };
    const std::vector<MarginWeek> weeks = {
        {ymd(2023, 12, 29), 1, 2}, {ymd(2024, 1, 12), 10, 20}, {ymd(2024, 1, 26), 30, 40},
        {ymd(2024, 2, 2), 50, 60}, {ymd(2024, 5, 10), 70, 80},
    };
    expectMonths(monthlyBars(days, weeks), {
                                               {ymd(2023, 12, 28), 100, 120, 95, 118, 118, 0, 4000000000, 1, 2},
                                               {ymd(2024, 1, 31), 108, 115, 99, 102, 102, -16, 5500, 30, 40},
                                               {ymd(2024, 2, 14), 90, 95, 85, 93, 93, -9, 700, 50, 60},
                                               {ymd(2024, 3, 29), 0, 0, 0, 0, 93, 0, 0, 0, 0},
                                               {ymd(2024, 4, 1), 95, 99, 94, 97, 97, 4, 10, 0, 0},
                                               {ymd(2024, 6, 3), 97, 98, 96, 98, 98, 1, 20, 0, 0},
                                           });
    EXPECT_TRUE(monthlyBars({}).empty());
}

TEST(MonthlyBars, FormingMonthByTheStoredMarketDays) {
    const struct {
        Date lastBar;
        std::optional<Date> next;
        Date latest;
        bool forming;
    } cases[] = {
        {ymd(2024, 2, 5), ymd(2024, 2, 6), ymd(2024, 2, 5), true},    // the market trades later in the month
        {ymd(2024, 1, 31), ymd(2024, 2, 1), ymd(2024, 1, 31), false}, // the next stored day is in February
        {ymd(2024, 1, 15), ymd(2024, 1, 22), ymd(2024, 1, 19), true}, // suspended, the month goes on
        {ymd(2024, 3, 29), {}, ymd(2024, 3, 29), false},              // Friday; only a weekend is left
        {ymd(2024, 3, 28), {}, ymd(2024, 3, 28), true},               // Friday the 29th may still trade
        {ymd(2025, 12, 30), {}, ymd(2025, 12, 30), false},            // 31 December never trades
        {ymd(2025, 12, 29), {}, ymd(2025, 12, 29), true},
        {ymd(2024, 1, 15), {}, ymd(2024, 2, 20), false}, // the issue stopped; the market moved on
        {ymd(2024, 2, 9), {}, ymd(2024, 2, 29), false},  // traded last on the 9th; the month is over
    };
    for (const auto& c : cases)
        EXPECT_EQ(monthForming(c.lastBar, c.next, c.latest), c.forming) << c.lastBar.toIso();
}

TEST(SeriesView, SpansAtEitherEndAndPastThem) {
    BarSeries s;
    Date d = ymd(2024, 1, 1); // a Monday; 30 weekdays
    for (int i = 0; i < 30; d = d.addDays(1))
        if (!d.isWeekend()) {
            s.bars.push_back(day(d, 1, 1, 1, 1, 1));
            ++i;
        }
    const Date last = s.bars.back().date; // Friday 9 February
    const struct {
        int bars;
        std::optional<Date> from;
        Date chartDate;
        int first, lastIndex;
    } cases[] = {
        {20, {}, last, 10, 29},
        {110, {}, last, 0, 29},                        // fewer bars than asked: all there are
        {20, {}, ymd(2024, 3, 1), 10, 29},             // past the right end: the last bar
        {20, {}, ymd(2024, 1, 13), 0, 9},              // Saturday: ends at Friday, fewer than asked
        {20, {}, ymd(2023, 12, 29), 0, -1},            // before the first bar: nothing
        {0, ymd(2023, 1, 1), last, 0, 29},             // from before the first bar
        {0, ymd(2024, 1, 8), last, 5, 29},             // from a Monday
        {0, ymd(2024, 1, 6), last, 5, 29},             // from a Saturday: the Monday after
        {0, ymd(2024, 2, 5), last, 25, 29},            // fewer than 20: as asked
        {0, ymd(2024, 1, 8), ymd(2024, 1, 19), 5, 14}, // ends at the chart date
        {0, ymd(2024, 2, 10), last, 30, 29},           // after the last bar: nothing
    };
    for (const auto& c : cases) {
        SeriesView v = c.from ? viewFromDate(s, *c.from, c.chartDate) : viewLastBars(s, c.chartDate, c.bars);
        EXPECT_EQ(v.first, c.first) << c.bars << " " << c.chartDate.toIso();
        EXPECT_EQ(v.last, c.lastIndex) << c.bars << " " << c.chartDate.toIso();
        EXPECT_EQ(v.empty(), c.first > c.lastIndex);
    }
    EXPECT_TRUE(viewLastBars(BarSeries{}, last, 20).empty());
}

struct SeriesDb : ::testing::Test, test::KestrelDb {
    void day(int code, int ymd, long long o, long long h, long long l, long long c, long long change,
             long long volume) {
        ASSERT_TRUE(db->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES (?, ?, "
                            "?, ?, ?, ?, ?, ?)",
                            code, ymd, o, h, l, c, change, Currency::fromWhole(volume)));
    }
    void mei(int code, int volumeUnit) {
        ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, 1, 'x', ?, 1)",
                            code, volumeUnit));
    }
    BarSeries load(BarMode mode, Date to, std::optional<Date> from = {}, bool adjust = true) {
        auto s = loadSeries(*db, 1301, {mode, from, to, adjust});
        EXPECT_TRUE(s) << s.message();
        return s ? *s : BarSeries{};
    }
};

TEST_F(SeriesDb, SplitInsideTheMonthAndSixtyFourBitVolumes) {
    mei(1301, 1000);
    day(1301, 20240131, 970, 990, 960, 980, 0, 1);
    day(1301, 20240201, 1000, 1010, 990, 1000, 20, 100);
    day(1301, 20240202, 1000, 1030, 1000, 1020, 20, 3000000); // 3 billion shares
    day(1301, 20240205, 515, 520, 505, 510, -510, 300);       // first day after a 1:2 split
    ASSERT_TRUE(db::addSplit(*db, 1301, ymd(2024, 2, 5), 1, 2));

    BarSeries daily = load(BarMode::Daily, ymd(2024, 2, 29));
    ASSERT_EQ(daily.size(), 4);
    EXPECT_EQ(daily.bars[2].close, W(510));
    EXPECT_EQ(daily.bars[2].volume, 6000000000LL);
    EXPECT_EQ(daily.bars[3].change, W(0)); // against the adjusted 510 before it

    // As adjusted: 500/505/495/500, 500/515/500/510 and the 5th as traded; volumes doubled before it.
    BarSeries monthly = load(BarMode::Monthly, ymd(2024, 2, 29));
    ASSERT_EQ(monthly.size(), 2);
    EXPECT_EQ(monthly.mode, BarMode::Monthly);
    const SeriesBar& feb = monthly.bars[1];
    EXPECT_EQ(std::make_tuple(feb.open, feb.high, feb.low, feb.close), std::make_tuple(W(500), W(520), W(495), W(510)));
    EXPECT_EQ(feb.volume, 200000 + 6000000000LL + 300000);
    EXPECT_EQ(feb.change, W(20)); // against January's 980 adjusted to 490
    EXPECT_EQ(feb.date, ymd(2024, 2, 5));

    // As traded: the month of the days as they were.
    BarSeries raw = load(BarMode::Monthly, ymd(2024, 2, 29), {}, false);
    ASSERT_EQ(raw.size(), 2);
    const SeriesBar& r = raw.bars[1];
    EXPECT_EQ(std::make_tuple(r.open, r.high, r.low, r.close), std::make_tuple(W(1000), W(1030), W(505), W(510)));
    EXPECT_EQ(r.change, W(-470));
    EXPECT_EQ(r.volume, 100000 + 3000000000LL + 300000);

    // From a day inside February: February whole, its change still against January.
    BarSeries part = load(BarMode::Monthly, ymd(2024, 2, 29), ymd(2024, 2, 3));
    ASSERT_EQ(part.size(), 1);
    EXPECT_EQ(part.bars[0].open, W(500));
    EXPECT_EQ(part.bars[0].change, W(20));
}

TEST_F(SeriesDb, TheLastMonthFormsUntilTheMarketLeavesIt) {
    mei(1301, 1);
    mei(1302, 1);
    day(1301, 20240131, 100, 100, 100, 100, 0, 1);
    day(1301, 20240205, 101, 101, 101, 101, 1, 1);
    day(1302, 20240206, 50, 50, 50, 50, 0, 1); // another issue trades the day after
    EXPECT_TRUE(load(BarMode::Monthly, ymd(2024, 2, 5)).bars.back().forming);
    EXPECT_FALSE(load(BarMode::Monthly, ymd(2024, 1, 31)).bars.back().forming); // February is stored
    day(1302, 20240301, 50, 50, 50, 50, 0, 1);
    BarSeries s = load(BarMode::Monthly, ymd(2024, 3, 31));
    ASSERT_EQ(s.size(), 2);
    EXPECT_FALSE(s.bars[1].forming); // 1301 did not trade after the 5th; the market reached March
    EXPECT_FALSE(s.bars[0].forming);
    EXPECT_TRUE(load(BarMode::Monthly, ymd(2023, 12, 31)).bars.empty());
}

TEST_F(SeriesDb, DailySeriesEqualsTheChartBarsAcrossSplits) {
    mei(1301, 100);
    Date d = ymd(2023, 6, 1);
    std::vector<Date> dates;
    long long close = 1000;
    for (int i = 0; i < 150; d = d.addDays(1)) {
        if (d.isWeekend())
            continue;
        const long long prev = close;
        close = 1000 + (i * 37) % 211;
        day(1301, static_cast<int>(d.ymd()), close - 3, close + 9, close - 11, close, i == 0 ? 0 : close - prev,
            1000 + i);
        dates.push_back(d);
        ++i;
    }
    ASSERT_TRUE(db::addSplit(*db, 1301, dates[120], 1, 3));
    ASSERT_TRUE(db::addSplit(*db, 1301, dates[135], 10, 1));

    AppContext ctx;
    ctx.settings.move1 = 5;
    ctx.settings.move2 = 10;
    ctx.settings.move3 = 20;
    ctx.settings.SaicoL = 12;
    ctx.settings.RSIVR = 14;
    ctx.settings.ITORSO = 1;
    ChartData chart;
    chart.latestDate = dates.back();
    test::ScriptedPrompt prompt;
    std::string when = dates.back().toIso();
    ASSERT_TRUE(LoadChartData(*db, ctx, 1301, when, chart, prompt));
    BarSeries s = load(BarMode::Daily, dates.back());
    ASSERT_EQ(s.size(), 150);
    ASSERT_EQ(chart.barCount, kMaxBars);
    for (int i = 0; i < kMaxBars; ++i) {
        const ChartBar& c = chart.bars[i];
        const SeriesBar& b = s.bars[40 + i];
        EXPECT_EQ(std::make_tuple(c.date, c.open, c.high, c.low, c.close, c.closeCarried, c.change),
                  std::make_tuple(b.date, b.open, b.high, b.low, b.close, b.closeCarried, b.change))
            << i;
        EXPECT_EQ(c.volume, b.volume) << i;
    }
    // Viewed from a date, the same bars.
    BarSeries from = load(BarMode::Daily, dates.back(), dates[40]);
    ASSERT_EQ(from.size(), 110);
    EXPECT_EQ(from.bars[0].close, s.bars[40].close);
    EXPECT_EQ(from.bars[109].volume, s.bars[149].volume);
}

} // namespace
