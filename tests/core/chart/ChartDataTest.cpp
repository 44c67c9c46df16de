// Loading a chart from a real database file and its series, against values worked out by hand.
#include "core/chart/ChartData.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace kestrel;
using namespace kestrel::chart;

namespace {

Currency C(const char* text) {
    return *Currency::parse(text);
}
Currency W(long long v) {
    return Currency::fromWhole(v);
}

struct Bar {
    int ymd;
    std::optional<long long> open, high, low, close, change;
    const char* volume; // stored 出来高, as text so it may carry decimals
    int sell = 0, buy = 0;
};

struct ChartDb : ::testing::Test, test::KestrelDb {
    AppContext ctx;
    test::ScriptedPrompt prompt;
    ChartData data;

    void SetUp() override {
        ctx.settings.move2 = 2;
        ctx.settings.move3 = 4;
        setPeriods(3, 3, 3, 2);
        data.latestDate = *Date::fromYmd(2024, 1, 15);
    }
    void setPeriods(int move1, int saicoL, int rsivr, int itorso) {
        ctx.settings.move1 = static_cast<std::int16_t>(move1);
        ctx.settings.SaicoL = static_cast<std::int16_t>(saicoL);
        ctx.settings.RSIVR = static_cast<std::int16_t>(rsivr);
        ctx.settings.ITORSO = static_cast<std::int16_t>(itorso);
    }
    void mei(int code, std::optional<int> volumeUnit, std::optional<int> priceUnit, int market = 1) {
        ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, ?, 'x', ?, ?)",
                            code, market, volumeUnit, priceUnit));
    }
    void bars(const char* table, int code, const std::vector<Bar>& rows) {
        bool weekly = std::string(table) == "weekData";
        std::string sql = std::string("INSERT INTO ") + table +
                          " (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高" + (weekly ? ", 売残, 買残" : "") +
                          ") VALUES (?, ?, ?, ?, ?, ?, ?, ?" + (weekly ? ", ?, ?" : "") + ")";
        for (const Bar& b : rows) {
            auto st = db->prepare(sql);
            ASSERT_TRUE(st) << st.message();
            st->bindAll(code, b.ymd, b.open, b.high, b.low, b.close, b.change, *Currency::parse(b.volume));
            if (weekly)
                st->bind(9, b.sell).bind(10, b.buy);
            ASSERT_TRUE(st->run());
        }
    }
    Status load(int code, std::string date) { return LoadChartData(*db, ctx, code, date, data, prompt); }
};

// Seven days with a day without trading in the middle; volume unit 1000.
const std::vector<Bar> kSeven = {
    {20240104, 98, 101, 97, 100, 2, "1"},    {20240105, 0, 0, 0, 0, 0, "0"},
    {20240108, 101, 107, 100, 106, 6, "3"},  {20240109, 106, 106, 102, 103, -3, "2"},
    {20240110, 103, 110, 103, 109, 6, "4"},  {20240111, 109, 113, 108, 112, 3, "5"},
    {20240112, 112, 112, 109, 110, -2, "1"},
};

} // namespace

TEST_F(ChartDb, SevenDailyBarsGiveTheSeriesWorkedByHand) {
    mei(1301, 1000, 1);
    bars("dayData", 1301, kSeven);
    ASSERT_TRUE(load(1301, "24/01/31"));
    ASSERT_EQ(data.barCount, 7);
    EXPECT_EQ(data.center, 4);
    EXPECT_TRUE(prompt.notices.empty());

    struct Row {
        int close, carried, volume;
        int ma1, dev1, ma2, dev2, ma3, dev3, psych, rsi, vr;
        const char *angle1, *angle2;
    };
    const Row expected[7] = {
        {100, 100, 1000, 0, 0, 0, 0, 0, 0, -1, -1, -1, "0", "0"},
        {0, 100, 0, 0, 0, 100, 0, 0, 0, -1, -1, -1, "0", "0"},
        {106, 106, 3000, 102, 39, 103, 29, 0, 0, 67, 100, 100, "0", "0"},
        {103, 103, 2000, 103, 0, 105, -19, 102, 10, 33, 67, 60, "0", "0"},
        {109, 109, 4000, 106, 28, 106, 28, 105, 38, 67, 80, 78, "0", "117.2802"},
        {112, 112, 5000, 108, 37, 111, 9, 108, 37, 67, 75, 82, "0", "153.616"},
        {110, 110, 1000, 110, 0, 111, -9, 109, 9, 67, 82, 90, "151.8042", "76.808"},
    };
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE("bar " + std::to_string(i + 1));
        const ChartBar& b = data.bars[i];
        const Row& e = expected[i];
        EXPECT_EQ(std::tie(b.close, b.closeCarried, b.ma1, b.ma2, b.ma3),
                  std::make_tuple(W(e.close), W(e.carried), W(e.ma1), W(e.ma2), W(e.ma3)));
        EXPECT_EQ(std::tie(b.volume, b.dev1, b.dev2, b.dev3, b.psych, b.rsi, b.vr, b.sellBalance),
                  std::make_tuple(e.volume, e.dev1, e.dev2, e.dev3, e.psych, e.rsi, e.vr, 0));
        EXPECT_EQ(std::tie(b.maAngle1, b.maAngle2, b.maAngle3, b.itoRatio),
                  std::make_tuple(C(e.angle1), C(e.angle2), Currency(), C(e.angle2)));
    }
    EXPECT_EQ(data.bars[6].date, *Date::fromYmd(2024, 1, 12));
    EXPECT_EQ(data.bars[7].date, Date()); // slots past the loaded bars stay cleared
    EXPECT_EQ(std::tie(data.maxHigh, data.minLow, data.maxVolume, data.minVolume, data.maxBalance),
              std::make_tuple(W(113), W(97), W(5000), W(0), W(0)));
    EXPECT_EQ(std::tie(data.priceTop, data.priceBottom, data.itoMax), std::make_tuple(W(120), W(90), C("76.808")));
    // x = -3..3: D = 7*196 - 28^2 = 588.
    EXPECT_EQ(data.fitC, C("-0.0833"));  // (7*2953 - 740*28) / 588
    EXPECT_EQ(data.fitB, C("2.0357"));   // 57 / 28
    EXPECT_EQ(data.fitA, C("106.0476")); // (740*196 - 28*2953) / 588
}

TEST_F(ChartDb, QuadraticFitForOddAndEvenCounts) {
    std::vector<Bar> rows = {{20240104, 100, 100, 100, 100, 0, "1"},
                             {20240105, 110, 110, 110, 110, 10, "1"},
                             {20240108, 130, 130, 130, 130, 20, "1"}};
    mei(1, 1, 1);
    bars("dayData", 1, rows);
    rows.push_back({20240109, 120, 120, 120, 120, -10, "1"});
    mei(2, 1, 1);
    bars("dayData", 2, rows);
    // Four bars: centre 2, x = -1..2, N = 3, D = 3*18 - 6^2 = 18; fitC = (3*710 - 460*6) / 18,
    // fitB = 270 / 6, fitA = (460*18 - 6*710) / 18.
    struct Case {
        int code;
        const char *c, *b, *a;
    } cases[] = {{1, "5", "15", "110"}, {2, "-35", "45", "223.3333"}};
    for (const Case& e : cases) {
        ASSERT_TRUE(load(e.code, "2024-02-01"));
        EXPECT_EQ(data.center, 2) << e.code;
        EXPECT_EQ(std::tie(data.fitC, data.fitB, data.fitA), std::make_tuple(C(e.c), C(e.b), C(e.a))) << e.code;
    }
}

TEST_F(ChartDb, WindowEndsAtTheChartDateAndHoldsAtMost110Bars) {
    mei(7203, 1, 1);
    std::vector<Bar> rows;
    Date d = *Date::fromYmd(2023, 1, 2);
    for (int i = 0; i < 130; ++i, d = d.addDays(1))
        rows.push_back({static_cast<int>(d.ymd()), 100 + i, 100 + i, 100 + i, 100 + i, 1, "1"});
    bars("dayData", 7203, rows);
    // A chart date between bars ends at the bar before it.
    ASSERT_TRUE(load(7203, "23/02/10")); // bar 40 is 2023-02-10
    EXPECT_EQ(data.barCount, 40);
    EXPECT_EQ(data.bars[39].close, C("139"));
    ASSERT_TRUE(load(7203, "2023-12-31"));
    EXPECT_EQ(data.barCount, 110);
    EXPECT_EQ(data.bars[0].close, C("120")); // bars 21..130
    EXPECT_EQ(data.bars[109].close, C("229"));
    EXPECT_EQ(data.priceTop, C("230")); // 229 -> 230; a high of 230 would give 240
    EXPECT_EQ(data.priceBottom, C("120"));
    // The first bar of the scroll range is the 110th of the issue.
    EXPECT_EQ(data.scrollStartDate, *Date::fromYmd(2023, 4, 21));
}

TEST_F(ChartDb, ScrollRangeOnlyWhenIssueOrModeChanges) {
    mei(1, 1, 1);
    mei(2, 1, 1);
    bars("dayData", 1, kSeven);
    bars("dayData", 2, {{20231228, 1, 1, 1, 1, 0, "1"}});
    bars("weekData", 1, {{20240105, 1, 1, 1, 1, 0, "1"}});
    ASSERT_TRUE(load(1, "24/01/12"));
    EXPECT_EQ(data.scrollStartDate, *Date::fromYmd(2024, 1, 12)); // fewer than 110 bars: the newest
    EXPECT_EQ(data.scrollSmallChange, 10922);                     // 3 days to 2024-01-15
    EXPECT_EQ(data.scrollLargeChange, 32767);
    // The same issue at another date keeps the range even when the right end moved.
    data.latestDate = *Date::fromYmd(2024, 3, 15);
    ASSERT_TRUE(load(1, "24/01/10"));
    EXPECT_EQ(data.scrollSmallChange, 10922);
    ASSERT_TRUE(load(2, "24/01/10")); // another issue: 2023-12-28 .. 2024-03-15 = 78 days
    EXPECT_EQ(data.scrollStartDate, *Date::fromYmd(2023, 12, 28));
    EXPECT_EQ(data.scrollSmallChange, 420);  // 32767 / 78 = 420.09
    EXPECT_EQ(data.scrollLargeChange, 2100); // 163835 / 78 = 2100.45
    ctx.chartMode = 2;
    ASSERT_TRUE(load(2, "24/01/10")); // another mode: issue 2 has no weekly bar, the range stays
    EXPECT_EQ(data.lastLoadedMode, 2);
    EXPECT_EQ(data.scrollStartDate, *Date::fromYmd(2023, 12, 28));
    // A newest bar after the right end is held at the right end.
    data.latestDate = *Date::fromYmd(2024, 1, 1);
    ASSERT_TRUE(load(1, "24/01/10"));
    EXPECT_EQ(data.scrollStartDate, *Date::fromYmd(2024, 1, 1));
    EXPECT_EQ(data.scrollSmallChange, 32767);

    struct Case {
        int days, small, large;
    } cases[] = {{0, 32767, 32767}, {1, 32767, 32767}, {2, 16384, 32767},
                 {5, 6553, 32767},  {6, 5461, 27306},  {4, 8192, 32767}};
    for (const Case& c : cases) {
        EXPECT_EQ(scrollSmallChange(c.days), c.small) << c.days; // 32767/2 = 16383.5 -> even 16384
        EXPECT_EQ(scrollLargeChange(c.days), c.large) << c.days;
    }
}

TEST_F(ChartDb, WeeklyBarsCarryMarginBalancesAndUnits) {
    mei(8306, 1, 10); // prices stored in tens of yen
    bars("weekData", 8306,
         {{20240105, 10, 12, 9, 11, 1, "1.5", 300, 500}, {20240112, 11, 13, 10, 12, 1, "2.5", 700, 0}});
    bars("dayData", 8306, {{20240105, 10, 12, 9, 11, 1, "1"}});
    ctx.chartMode = 2;
    ASSERT_TRUE(load(8306, "24/01/31"));
    ASSERT_EQ(data.barCount, 2);
    EXPECT_EQ(data.bars[0].high, C("120"));
    EXPECT_EQ(data.bars[1].change, C("10"));
    // 1.5 and 2.5 go to the even neighbour.
    EXPECT_EQ(std::tie(data.bars[0].volume, data.bars[1].volume, data.bars[0].sellBalance, data.bars[0].buyBalance),
              std::make_tuple(2, 2, 300, 500));
    EXPECT_EQ(data.maxBalance, C("700"));
}

TEST_F(ChartDb, BadInputLoadsSafely) {
    struct Case {
        const char* what;
        int move1, saicoL, rsivr, itorso;
    } periods[] = {{"zero", 0, 0, 0, 0}, {"negative", -3, -1, -5, 4}, {"above the array", 111, 200, 32767, -1}};
    mei(1301, 1000, 1);
    bars("dayData", 1301, kSeven);
    for (const Case& c : periods) {
        SCOPED_TRACE(c.what);
        setPeriods(c.move1, c.saicoL, c.rsivr, c.itorso);
        ASSERT_TRUE(load(1301, "24/01/31"));
        EXPECT_EQ(data.barCount, 7);
        for (int i = 0; i < 7; ++i) {
            const ChartBar& b = data.bars[i];
            EXPECT_EQ(std::tie(b.ma1, b.itoRatio), std::make_tuple(Currency(), Currency())) << i;
            EXPECT_EQ(std::tie(b.psych, b.rsi, b.vr), std::make_tuple(-1, -1, -1)) << i;
        }
        EXPECT_EQ(data.bars[6].ma2, C("111")); // the other averages are unaffected
        EXPECT_EQ(data.itoMax, Currency());
    }

    // Units: no Mei row, Null units, zero units: prices or volumes load as 0.
    mei(2, std::nullopt, std::nullopt);
    mei(3, 0, 5);
    mei(4, 1000, 1, 12); // a market code beyond the market names does not matter here
    for (int code : {1, 2, 3, 4})
        bars("dayData", code, kSeven);
    // Without a price unit there is no non-zero low: the scale starts at 0.
    struct Units {
        int code;
        long long maxHigh, maxVolume;
    } units[] = {{1, 0, 0}, {2, 0, 0}, {3, 565, 0}, {4, 113, 5000}};
    for (const Units& u : units) {
        ASSERT_TRUE(load(u.code, "24/01/31"));
        EXPECT_EQ(data.barCount, 7);
        EXPECT_EQ(std::tie(data.maxHigh, data.maxVolume), std::make_tuple(W(u.maxHigh), W(u.maxVolume))) << u.code;
        if (u.maxHigh == 0) {
            EXPECT_EQ(std::tie(data.priceTop, data.priceBottom), std::make_tuple(W(10), W(0))) << u.code;
        }
    }

    // A chart date before the first bar: the message, and nothing loaded.
    ASSERT_TRUE(load(1301, "2023-12-01"));
    EXPECT_EQ(data.barCount, 0);
    EXPECT_EQ(data.maxVolume, C("-1"));
    EXPECT_EQ(data.priceTop, Currency());
    ASSERT_EQ(prompt.notices.size(), 1u);
    EXPECT_EQ(prompt.notices[0], "基準日からの表示するデーターがありません。");

    // An unreadable date falls back to today and says so in the text.
    std::string text = "99/99/99";
    ASSERT_TRUE(LoadChartData(*db, ctx, 1301, text, data, prompt));
    EXPECT_EQ(text, Date::today().toYYMMDD());
    EXPECT_EQ(data.barCount, 7);

    // A single bar.
    mei(5, 1, 1);
    bars("dayData", 5, {{20240104, 98, 101, 97, 100, 2, "1"}});
    setPeriods(1, 1, 1, -1);
    ASSERT_TRUE(load(5, "24/01/31"));
    EXPECT_EQ(std::tie(data.barCount, data.center, data.bars[0].psych), std::make_tuple(1, 1, 100));
    EXPECT_EQ(data.bars[0].ma1, C("100"));
    EXPECT_EQ(std::tie(data.fitA, data.fitB), std::make_tuple(Currency(), Currency())); // D = 0: no curve

    // A Null price or a volume beyond Currency once times its unit ends the load with the runtime's
    // message and no bars.
    mei(6, 1000, 1);
    bars("dayData", 6, {{20240104, 98, 101, 97, 100, 2, "1"}, {20240105, std::nullopt, 101, 97, 100, 0, "1"}});
    EXPECT_EQ(load(6, "24/01/31").message(), "Null の使い方が不正です。");
    EXPECT_EQ(data.barCount, 0);
    EXPECT_EQ(data.bars[0].close, Currency());
    mei(7, 100000, 1);
    bars("dayData", 7, {{20240104, 98, 101, 97, 100, 2, "922337203685477"}});
    EXPECT_EQ(load(7, "24/01/31").message(), "オーバーフローしました。");
    EXPECT_EQ(data.barCount, 0);
    // Past 32 bits the volume loads whole.
    for (auto [code, volume, want] : {std::tuple{8, "2147483.647", 2147483647LL},
                                      {9, "2147483.648", 2147483648LL},
                                      {10, "10000000", 10000000000LL}}) {
        mei(code, 1000, 1);
        bars("dayData", code, {{20240104, 98, 101, 97, 100, 2, volume}});
        ASSERT_TRUE(load(code, "24/01/31")) << code;
        EXPECT_EQ(data.bars[0].volume, want) << code;
        EXPECT_EQ(data.maxVolume, Currency::fromWhole(want)) << code;
    }
}

TEST_F(ChartDb, LeadingZeroClosesAndExtremeDeviations) {
    // Leading days without trading carry nothing: the average counts only the non-zero closes.
    mei(1, 1, 1);
    bars("dayData", 1,
         {{20240104, 0, 0, 0, 0, 0, "0"},
          {20240105, 0, 0, 0, 0, 0, "0"},
          {20240108, 100, 101, 99, 101, 0, "1"},
          {20240109, 100, 101, 99, 100, -1, "1"}});
    ASSERT_TRUE(load(1, "24/01/31"));
    EXPECT_EQ(data.bars[1].closeCarried, Currency());
    EXPECT_EQ(data.bars[2].ma1, C("101")); // 101 / 1
    EXPECT_EQ(data.bars[3].ma1, C("101")); // 201 / 2 = 100.5 + 0.5 truncated
    EXPECT_EQ(data.bars[3].dev1, -10);     // 100 / 101 = -9.9 per mille

    // A jump of 10000 times: the deviation holds at the 16-bit limit instead of wrapping.
    ctx.settings.move1 = 50;
    mei(2, 1, 1);
    std::vector<Bar> rows;
    Date d = *Date::fromYmd(2023, 1, 2);
    for (int i = 0; i < 50; ++i, d = d.addDays(1)) {
        long long p = i < 49 ? 1 : 10000;
        rows.push_back({static_cast<int>(d.ymd()), p, p, p, p, 0, "1"});
    }
    bars("dayData", 2, rows);
    ASSERT_TRUE(load(2, "2024-01-31"));
    EXPECT_EQ(data.bars[49].ma1, C("201")); // 10049 / 50 = 200.98
    EXPECT_EQ(data.bars[49].dev1, 32767);
}

TEST(ChartIndicators, HalvesToEvenAndAnglesAsDrawn) {
    // Closes 200 for six bars then 300: the 5-bar average rises by 100 from bar 6 to bar 11. A high of
    // 2655 and a low of 105 make the scale 100..2660, 2560 yen on 256 pixels: 10 yen per pixel.
    ChartData d;
    d.barCount = 11;
    const int changes[11] = {1, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1};
    for (int i = 0; i < 11; ++i) {
        ChartBar& b = d.bars[i];
        b.change = Currency::fromWhole(changes[i]);
        b.volume = 100;
        b.close = b.closeCarried = b.high = b.low = b.open = Currency::fromWhole(i < 6 ? 200 : 300);
    }
    d.bars[0].high = Currency::fromWhole(2655);
    d.bars[0].low = Currency::fromWhole(105);
    computeIndicators(d, IndicatorSettings{5, 0, 0, 8, 8, 1});
    EXPECT_EQ(std::tie(d.priceTop, d.priceBottom), std::make_tuple(W(2660), W(100)));
    // arctan(100 / (5 * 10 * 5)) = 21.8014 degrees, then shifted by the largest angle (itself).
    EXPECT_EQ(d.itoMax, C("21.8014"));
    EXPECT_EQ(d.bars[10].maAngle1, C("43.6028"));
    EXPECT_EQ(d.bars[10].itoRatio, C("43.6028"));
    EXPECT_EQ(d.bars[9].maAngle1, Currency()); // no change before bar 2 * 5 + 1
    // 1 of 8 = 12.5 and 3 of 8 = 37.5 go to the even neighbour.
    EXPECT_EQ(std::tie(d.bars[6].psych, d.bars[7].psych, d.bars[9].psych, d.bars[10].psych),
              std::make_tuple(-1, 12, 25, 38));
    EXPECT_EQ(d.bars[7].rsi, 100);
    EXPECT_EQ(d.bars[7].vr, 56); // (100 + 700 / 2) / 800 = 56.25
    // A window without any change: RSI 0 and every volume counts half.
    EXPECT_EQ(d.bars[8].rsi, 100);
    ChartData flat;
    flat.barCount = 3;
    for (int i = 0; i < 3; ++i) {
        flat.bars[i].close = flat.bars[i].closeCarried = flat.bars[i].high = flat.bars[i].low = C("50");
        flat.bars[i].volume = 10 * (i + 1);
    }
    computeIndicators(flat, IndicatorSettings{3, 3, 3, 3, 3, 3});
    const ChartBar& f = flat.bars[2];
    EXPECT_EQ(std::tie(f.rsi, f.vr, f.psych, f.dev3), std::make_tuple(0, 50, 0, 0));
}
