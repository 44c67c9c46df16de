// The market scan against LoadChartData, issue by issue and bar by bar, and the screen language.
#include "core/scan/MarketScan.h"

#include "core/scan/Screen.h"
#include "core/scan/ScreenRun.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::scan;

namespace {

chart::BarMode mode(bool weekly) {
    return weekly ? chart::BarMode::Weekly : chart::BarMode::Daily;
}

struct Market : ::testing::Test, test::KestrelDb, test::Xorshift {
    std::vector<Date> days;
    void SetUp() override {
        seed = 12345;
        for (Date d = *Date::fromYmd(2023, 1, 2); days.size() < 260; d = d.addDays(1))
            if (!d.isWeekend())
                days.push_back(d);
    }
    // Daily bars of one issue on days[from .. to) (skipping `gapFrom .. gapTo`), zero closes where asked.
    void issue(int code, int from, int to, bool withMei = true, int gapFrom = -1, int gapTo = -1,
               std::vector<int> zeroAt = {}) {
        if (withMei) {
            ASSERT_TRUE(
                db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, 1, ?, 100, 1)",
                        code, "銘柄" + std::to_string(code)));
        }
        long long close = 300 + next(700), ref = 0;
        for (int i = from; i < to; ++i) {
            if (i >= gapFrom && i < gapTo)
                continue;
            long long open = close;
            close = std::max(1LL, close + next(31) - 15);
            bool zero = std::find(zeroAt.begin(), zeroAt.end(), i) != zeroAt.end();
            long long c = zero ? 0 : close;
            ASSERT_TRUE(db->run("INSERT INTO dayData VALUES (?,?,?,?,?,?,?,?,?)", code, days[static_cast<size_t>(i)],
                                zero ? 0 : open, zero ? 0 : std::max(open, close) + next(5),
                                zero ? 0 : std::max(1LL, std::min(open, close) - next(5)), c,
                                zero || !ref ? 0 : close - ref, zero ? 0 : next(900), c));
            if (!zero)
                ref = close;
        }
    }
    // Weekly bars built from the daily ones: the last day of each week, with balances.
    void weeks(int code) {
        exec("INSERT INTO weekData SELECT コード, max(日付), 0, max(高値), min(安値), 0, 0, sum(出来高), 0, 0, 0 "
             "FROM dayData WHERE コード=" +
             std::to_string(code) +
             " GROUP BY CAST((julianday(substr(日付,1,4)||'-'||substr(日付,5,2)||'-'||substr(日付,7,2)) + 0.5) / 7 AS "
             "INT)");
        exec("UPDATE weekData SET 始値 = (SELECT 始値 FROM dayData d WHERE d.コード=weekData.コード AND "
             "d.日付=weekData.日付), "
             "終値 = (SELECT 終値 FROM dayData d WHERE d.コード=weekData.コード AND d.日付=weekData.日付), "
             "前日比 = (SELECT 前日比 FROM dayData d WHERE d.コード=weekData.コード AND d.日付=weekData.日付), "
             "売残 = 日付 % 1000, 買残 = 日付 % 777 WHERE コード=" +
             std::to_string(code));
    }
};

void expectSame(const chart::ChartData& a, const chart::ChartData& b, const std::string& what) {
    ASSERT_EQ(a.barCount, b.barCount) << what;
    EXPECT_EQ(a.fitA, b.fitA) << what;
    EXPECT_EQ(a.fitB, b.fitB) << what;
    EXPECT_EQ(a.fitC, b.fitC) << what;
    EXPECT_EQ(a.center, b.center) << what;
    for (int i = 0; i < a.barCount; ++i) {
        const chart::ChartBar &x = a.bars[static_cast<size_t>(i)], &y = b.bars[static_cast<size_t>(i)];
        for (int f = 0; f < static_cast<int>(screenFields().size()); ++f)
            if (screenFields()[static_cast<size_t>(f)].perBar) {
                EXPECT_EQ(screenValue(a, f, a.barCount - 1 - i), screenValue(b, f, b.barCount - 1 - i))
                    << what << " bar " << i << " " << screenFields()[static_cast<size_t>(f)].name;
            }
        EXPECT_EQ(x.closeCarried, y.closeCarried) << what << " bar " << i;
    }
}

TEST_F(Market, ScanEqualsTheChartOfEveryIssue) {
    issue(1301, 0, 260);                                // a full history
    issue(1302, 255, 258);                              // three bars, listed lately
    issue(1303, 0, 260, true, -1, -1, {200, 201, 259}); // zero closes, one at the scan day
    issue(1304, 0, 260);                                // a split inside the window
    ASSERT_TRUE(db::addSplit(*db, 1304, days[230], 1, 2));
    issue(1305, 0, 250, true, 120, 240); // a long gap: its window reaches before the market's
    issue(1306, 0, 259, false);          // no Mei row, no bar on the last day
    issue(1307, 100, 260);               // weekly bars with balances and a split week
    ASSERT_TRUE(db::addSplit(*db, 1307, days[241], 3, 1));
    issue(1308, 0, 260); // volumes stored with fractions of a unit, rounded by the chart (a half to even)
    exec("UPDATE dayData SET 出来高 = 12.345 WHERE コード=1308 AND 日付=" + std::to_string(days[255].ymd()));
    exec("UPDATE dayData SET 出来高 = 0.125 WHERE コード=1308 AND 日付=" + std::to_string(days[259].ymd()));
    for (int c : {1301, 1304, 1305, 1307})
        weeks(c);

    struct Case {
        const char* what;
        bool weekly, splitAdjust;
        int day;
    } cases[] = {
        {"daily, last day", false, true, 259},   {"daily, the split day", false, true, 230},
        {"daily, as traded", false, false, 259}, {"daily, gap issue's day", false, true, 249},
        {"daily, early day", false, true, 20},   {"weekly, last week", true, true, 259},
        {"weekly, as traded", true, false, 259},
    };
    for (const Case& c : cases) {
        AppContext ctx;
        ctx.settings.move1 = 5;
        ctx.settings.move2 = 25;
        ctx.settings.move3 = 75;
        ctx.settings.SaicoL = 12;
        ctx.settings.RSIVR = 14;
        ctx.settings.ITORSO = 2;
        ctx.chartMode = c.weekly ? 2 : 1;
        ctx.splitAdjust = c.splitAdjust;
        ScanOptions o{mode(c.weekly), c.splitAdjust, chart::IndicatorSettings::from(ctx.settings)};
        auto day = tradingDayOnOrBefore(*db, mode(c.weekly), days[static_cast<size_t>(c.day)]);
        ASSERT_TRUE(day && *day) << c.what;
        std::vector<std::int32_t> seen;
        Status st = scanMarket(*db, o, **day, [&](std::int32_t code, const std::string&, const chart::ChartData& got) {
            seen.push_back(code);
            chart::ChartData want;
            test::ScriptedPrompt prompt;
            std::string date = (*day)->toYYMMDD();
            ASSERT_TRUE(chart::LoadChartData(*db, ctx, code, date, want, prompt));
            expectSame(got, want, std::string(c.what) + " " + std::to_string(code));
            EXPECT_EQ(got.bars[static_cast<size_t>(got.barCount - 1)].date, **day);
        });
        ASSERT_TRUE(st) << st.message();
        // Every issue with a bar on the day, and no other.
        std::vector<std::int32_t> want;
        auto q = db->prepare(std::string("SELECT コード FROM ") + (c.weekly ? "weekData" : "dayData") +
                             " WHERE 日付=? ORDER BY コード");
        q->bind(1, **day);
        ASSERT_TRUE(q->forEachRow([&] { want.push_back(q->int32(0)); }));
        EXPECT_EQ(seen, want) << c.what;
    }
}

TEST_F(Market, AnIssueTheChartRefusesIsReportedAndTheOthersStillCome) {
    issue(1301, 0, 200);
    issue(1302, 0, 200);
    exec("UPDATE dayData SET 高値 = NULL WHERE コード=1302 AND 日付=" + std::to_string(days[150].ymd()));
    // Beyond Currency once times the units (100 shares): a volume, a price.
    issue(1303, 0, 200);
    exec("UPDATE dayData SET 出来高 = 922337203685477 WHERE コード=1303 AND 日付=" + std::to_string(days[160].ymd()));
    issue(1304, 0, 200);
    exec("UPDATE Mei SET 株価単位 = 1000000 WHERE コード=1304");
    exec("UPDATE dayData SET 終値 = 2000000000 WHERE コード=1304 AND 日付=" + std::to_string(days[170].ymd()));
    std::vector<std::int32_t> seen, faults;
    ScanOptions o;
    o.settings.move1 = 5;
    auto visit = [&](std::int32_t code, const std::string&, const chart::ChartData&) { seen.push_back(code); };
    auto fault = [&](std::int32_t code, const Status&) { faults.push_back(code); };
    ASSERT_TRUE(scanMarket(*db, o, days[199], visit, fault));
    EXPECT_EQ(seen, std::vector<std::int32_t>{1301});
    EXPECT_EQ(faults, (std::vector<std::int32_t>{1302, 1303, 1304}));
    // A window ending before the faulty bar shows the issue.
    seen.clear();
    faults.clear();
    ASSERT_TRUE(scanMarket(*db, o, days[149], visit, fault));
    EXPECT_EQ(seen, (std::vector<std::int32_t>{1301, 1302, 1303, 1304}));
}

// A market large enough to be read by two connections: every issue comes once, in code order, with its
// faults and older bars; bars written in an open transaction are seen too.
TEST_F(Market, ALargeMarketComesWholeAndInCodeOrder) {
    exec("BEGIN");
    for (int code = 1000; code < 1400; ++code)
        issue(code, 250, 260);
    issue(1400, 0, 260, true, 120, 255); // a gap: 105 of its 110 bars lie before the market's window
    exec("UPDATE dayData SET 高値 = NULL WHERE コード=1350 AND 日付=" + std::to_string(days[255].ymd()));
    exec("COMMIT");
    struct Case {
        const char* what;
        bool uncommittedIssue;
    } cases[] = {{"committed", false}, {"inside a transaction", true}};
    for (const Case& c : cases) {
        if (c.uncommittedIssue) {
            exec("BEGIN");
            issue(1399 + 2, 250, 260);
        }
        std::vector<std::int32_t> seen, faults, want;
        int gapBars = 0;
        ScanOptions o;
        o.settings.move1 = 5;
        ASSERT_TRUE(scanMarket(
            *db, o, days[259],
            [&](std::int32_t code, const std::string&, const chart::ChartData& d) {
                seen.push_back(code);
                if (code == 1400)
                    gapBars = d.barCount;
            },
            [&](std::int32_t code, const Status&) { faults.push_back(code); }))
            << c.what;
        for (int code = 1000; code <= (c.uncommittedIssue ? 1401 : 1400); ++code)
            if (code != 1350)
                want.push_back(code);
        EXPECT_EQ(seen, want) << c.what;
        EXPECT_EQ(faults, std::vector<std::int32_t>{1350}) << c.what;
        EXPECT_EQ(gapBars, 110) << c.what;
        if (c.uncommittedIssue)
            exec("ROLLBACK");
    }
}

TEST_F(Market, AScreenOfTheBarsOwnSeriesFindsWhatTheWholeChartFinds) {
    issue(1301, 0, 260);
    issue(1302, 0, 260, true, -1, -1, {250, 251}); // zero closes carried inside the screen's bars
    issue(1303, 240, 260);                         // a window shorter than the averages
    issue(1304, 0, 260);
    ASSERT_TRUE(db::addSplit(*db, 1304, days[257], 1, 2));
    for (int c = 1305; c < 1325; ++c)
        issue(c, 0, 260);
    ScanOptions o;
    o.settings = {5, 25, 75, 12, 14, 2};
    struct Case {
        const char* screen;
        std::optional<int> bars; // the last bars the condition reads; nullopt: the whole chart
    } cases[] = {
        {"close > ma2 and ma1[1] <= ma2[1] and ma1 > ma2", 2},
        {"rsi[3] < rsi and psych >= 50 or vr[2] > 60", 4},
        {"dev3 > 0 and closeCarried[9] > 0 and volume > 0", 10},
        {"ito > 0 and rsi < 70", std::nullopt},
        {"vertexBars < 20", std::nullopt},
    };
    for (const Case& c : cases) {
        auto screen = Screen::parse(c.screen);
        ASSERT_TRUE(screen) << c.screen;
        EXPECT_EQ(screen->seriesBars(), c.bars) << c.screen;
        // The matches of each of the last days, against the whole chart of every issue.
        for (int d : {259, 257, 250}) {
            const Date day = days[static_cast<size_t>(d)];
            auto got = runScreen(*db, o, *screen, day);
            ASSERT_TRUE(got) << got.message();
            std::vector<std::int32_t> gotCodes, wantCodes;
            for (const ScreenMatch& m : *got)
                gotCodes.push_back(m.code);
            ASSERT_TRUE(scanMarket(*db, o, day, [&](std::int32_t code, const std::string&, const chart::ChartData& x) {
                if (screen->matches(x))
                    wantCodes.push_back(code);
            }));
            EXPECT_EQ(gotCodes, wantCodes) << c.screen << " " << d;
        }
        if (!c.bars)
            continue;
        // Every value the screen may read equals the whole chart's.
        auto market = MarketBars::read(*db, o, days[250], days[259]);
        ASSERT_TRUE(market);
        chart::ChartData part, whole;
        for (int i = 0; i < market->issueCount(); ++i) {
            auto a = market->seriesAt(i, days[259], *c.bars, part);
            auto b = market->chartAt(i, days[259], whole);
            ASSERT_TRUE(a && b && *a && *b);
            ASSERT_EQ(part.barCount, whole.barCount);
            for (int back = 0; back < *c.bars; ++back)
                for (int f = 0; f < 19; ++f)
                    EXPECT_EQ(screenValue(part, f, back), screenValue(whole, f, back))
                        << c.screen << " " << market->code(i) << " " << screenFields()[static_cast<size_t>(f)].name;
        }
    }
}

TEST(Screen, ConditionsAndTheirErrors) {
    chart::ChartData d;
    d.barCount = 3;
    d.center = 2;
    d.bars[0].close = Currency::fromWhole(100);
    d.bars[1].close = Currency::fromWhole(110);
    d.bars[2].close = Currency::fromWhole(130);
    d.bars[1].ma1 = Currency::fromWhole(120);
    d.bars[2].ma1 = Currency::fromWhole(105);
    d.bars[2].rsi = 25;
    d.bars[2].itoRatio = *Currency::parse("1.5");
    d.fitC = Currency::fromWhole(5);
    d.fitB = Currency::fromWhole(15);
    d.fitA = Currency::fromWhole(110);
    struct Case {
        const char* text;
        const char* result; // "1" match, "0" no match, otherwise the start of the error
    } cases[] = {
        {"rsi <= 30 and ito > 0", "1"},
        {"RSI <= 30 AND itoRatio > 1.5", "0"},
        {"close > ma1 and close[1] <= ma1[1]", "1"},
        {"close[2] = 100 and not (close[1] <> 110)", "1"},
        {"close[3] > 0", "0"}, // no such bar in a 3-bar chart
        {"(close - close[1]) / close[1] * 100 > 18", "1"},
        {"close / (ma1 - ma1) > 0 or rsi > 0", "0"}, // a division by zero: no match
        {"-close < -129", "1"},
        // vertex at x = -1.5 from the centre bar 2: 2.5 bars from the right edge, price 98.75
        {"vertexBars = 2.5 and vertexPrice = 98.75 and fitC = 5", "1"},
        {"", "条件式が空です。"},
        {"rsi <= 30 and", "条件式の 14 文字目: 数か名前か"},
        {"rsx < 3", "条件式の 1 文字目: 「rsx」という名前はありません。近い名前: 「rsi」"},
        {"close[110] > 0", "条件式の 7 文字目: チャートは 110 本"},
        {"close[1.5] > 0", "条件式の 7 文字目: [ ] の中には"},
        {"fitA[1] > 0", "条件式の 1 文字目: fitA はチャート全体の値"},
        {"(rsi > 3", "条件式の 9 文字目: 「)」が必要です。"},
        {"close[2 > 0", "条件式の 9 文字目: 「]」が必要です。"},
        {"rsi + 1", "条件式の 1 文字目: 条件（比較）"},
        {"rsi > 1 > 0", "条件式の 9 文字目: 比較は続けて"},
        {"rsi and vr > 3", "条件式の 1 文字目: 「and」の左は"},
        {"終わり値 > 3", "条件式の 1 文字目: 「終わり値」という名前はありません。"},
        {"rsi > 3 ＠", "条件式の 9 文字目: 使えない文字「@」"},
        {"rsi > 3 )", "条件式の 9 文字目: 余分な「)」"},
        {"rsi ! 3", "条件式の 5 文字目: 「!」の後には"},
        {"not rsi", "条件式の 5 文字目: 「not」の後は"},
    };
    for (const Case& c : cases) {
        auto s = Screen::parse(c.text);
        if (std::string(c.result) == "1" || std::string(c.result) == "0") {
            ASSERT_TRUE(s) << c.text << ": " << s.message();
            EXPECT_EQ(s->matches(d), std::string(c.result) == "1") << c.text;
        } else {
            ASSERT_FALSE(s) << c.text;
            EXPECT_EQ(s.message().rfind(c.result, 0), 0u) << c.text << ": " << s.message();
        }
    }
}

TEST(Screen, SavedByNameAndReplaced) {
    test::TempDir dir;
    const std::string path = dir.file("Screens.ini");
    ASSERT_TRUE(saveScreen(path, "売られすぎ", "rsi <= 30"));
    ASSERT_TRUE(saveScreen(path, "GC", "ma1[1] <= ma2[1] and ma1 > ma2"));
    ASSERT_TRUE(saveScreen(path, "売られすぎ", "rsi <= 20"));
    EXPECT_FALSE(saveScreen(path, "bad", "rsi <="));
    EXPECT_FALSE(saveScreen(path, "a=b", "rsi < 3"));
    auto all = loadScreens(path);
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 2u);
    EXPECT_EQ((*all)[0], (std::pair<std::string, std::string>{"売られすぎ", "rsi <= 20"}));
    EXPECT_EQ((*all)[1].first, "GC");
    // Deleting: the one named goes, a name not saved is refused and the file stays.
    ASSERT_TRUE(deleteScreen(path, "売られすぎ"));
    Status missing = deleteScreen(path, "売られすぎ");
    EXPECT_EQ(missing.code(), StatusCode::NotFound);
    all = loadScreens(path);
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 1u);
    EXPECT_EQ((*all)[0].first, "GC");
}

} // namespace
