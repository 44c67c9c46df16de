// Screens on the technical set: the scan's values equal computeAll over the issue's whole series at
// every date, with splits, untraded stretches, gaps and late listings; the names and [n] of the screen
// language; the JSON rows; and the history the scan reads.
#include "core/chart/SeriesLoad.h"
#include "core/scan/MarketScan.h"
#include "core/scan/Screen.h"
#include "core/scan/ScreenRun.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::scan;

namespace {

chart::BarMode mode(bool weekly) {
    return weekly ? chart::BarMode::Weekly : chart::BarMode::Daily;
}

constexpr unsigned kAll = (1u << 11) - 1;

struct TechMarket : ::testing::Test, test::KestrelDb, test::Xorshift {
    std::vector<Date> days;
    void SetUp() override {
        seed = 987654321;
        for (Date d = *Date::fromYmd(2021, 1, 4); days.size() < 720; d = d.addDays(1))
            if (!d.isWeekend())
                days.push_back(d);
    }
    // Daily bars of one issue on days[from .. to), none on [gapFrom, gapTo), no trading on [zeroFrom, zeroTo).
    void issue(int code, int from, int to, long long price, int gapFrom = -1, int gapTo = -1, int zeroFrom = -1,
               int zeroTo = -1) {
        ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, 1, ?, 100, 1)",
                            code, "銘柄" + std::to_string(code)));
        long long close = price, ref = 0;
        const long long step = std::max(1LL, price / 50);
        for (int i = from; i < to; ++i) {
            if (i >= gapFrom && i < gapTo)
                continue;
            const long long open = close;
            close = std::max(1LL, close + next(2 * step + 1) - step);
            const bool zero = i >= zeroFrom && i < zeroTo;
            const long long c = zero ? 0 : close;
            ASSERT_TRUE(db->run("INSERT INTO dayData VALUES (?,?,?,?,?,?,?,?,?)", code, days[static_cast<size_t>(i)],
                                zero ? 0 : open, zero ? 0 : std::max(open, close) + next(step),
                                zero ? 0 : std::max(1LL, std::min(open, close) - next(step)), c,
                                zero || !ref ? 0 : close - ref, zero ? 0 : 1000 + next(3000000), c));
            if (!zero)
                ref = close;
        }
    }
    void market() {
        issue(1301, 0, 720, 800);                   // a full history
        issue(1302, 0, 720, 500, -1, -1, 300, 345); // untraded for 45 bars, then a split
        ASSERT_TRUE(db::addSplit(*db, 1302, days[520], 1, 2));
        issue(1303, 0, 720, 3000, 200, 460); // no rows for a year; a reverse split after
        ASSERT_TRUE(db::addSplit(*db, 1303, days[600], 3, 1));
        issue(1304, 640, 720, 1200);               // listed lately: fewer bars than any warm-up
        issue(1305, 0, 720, 40, -1, -1, 100, 420); // untraded 320 bars: DMI and SAR reach far back
        issue(1306, 0, 720, 900000);               // a 900,000-yen stock
        issue(1307, 0, 720, 2);                    // a 1-yen stock
    }
};

double valueAt(const chart::TechnicalValues& v, int name, int bar) {
    const chart::Series* s = v.find(chart::technicalSeriesNames()[static_cast<size_t>(name)]);
    return bar >= 0 && s && bar < static_cast<int>(s->size()) ? (*s)[static_cast<size_t>(bar)] : chart::kMissing;
}

// The codes a screen finds on `day`, expected equal to those found by judging each issue on its whole
// history.
std::vector<std::int32_t> expectScreenJudgesWholeHistories(db::Database& db, const char* text, Date day) {
    auto screen = Screen::parse(text);
    EXPECT_TRUE(screen) << text << ": " << screen.message();
    if (!screen)
        return {};
    auto got = runScreen(db, ScanOptions{}, *screen, day);
    EXPECT_TRUE(got) << got.message();
    std::vector<std::int32_t> want, gotCodes;
    for (const ScreenMatch& m : got ? *got : std::vector<ScreenMatch>{})
        gotCodes.push_back(m.code);
    EXPECT_TRUE(
        scanMarket(db, ScanOptions{}, day, [&](std::int32_t code, const std::string&, const chart::ChartData& d) {
            auto whole = chart::loadSeries(db, code, {chart::BarMode::Daily, std::nullopt, day, true});
            ASSERT_TRUE(whole);
            const chart::TechnicalValues v = chart::computeAll(*whole, chart::TechnicalSettings{});
            if (screen->matches(d, ScreenTechnicals{&v, whole->size() - 1}))
                want.push_back(code);
        }));
    EXPECT_EQ(gotCodes, want) << text;
    return gotCodes;
}

TEST_F(TechMarket, ScanEqualsTheChartForEveryName) {
    market();
    const chart::TechnicalSettings settings;
    struct Case {
        const char* what;
        bool weekly, splitAdjust;
        int day;
    } cases[] = {
        {"daily, last day", false, true, 719},      {"daily, before the split", false, true, 519},
        {"daily, the split day", false, true, 520}, {"daily, after the stretches", false, true, 430},
        {"daily, early", false, true, 60},          {"daily, as traded", false, false, 700},
        {"weekly, last week", true, true, 719},     {"weekly, as traded", true, false, 719},
    };
    for (const Case& c : cases) {
        if (c.weekly && count("SELECT count(*) FROM weekData") == 0) {
            // Weekly bars from the daily ones: the week's last day, with balances.
            exec("INSERT INTO weekData SELECT コード, max(日付), 0, max(高値), min(安値), 0, 0, sum(出来高), 0, 0, 0 "
                 "FROM dayData GROUP BY コード, CAST((julianday(substr(日付,1,4)||'-'||substr(日付,5,2)||'-'||"
                 "substr(日付,7,2)) + 0.5) / 7 AS INT)");
            exec("UPDATE weekData SET 始値 = (SELECT 始値 FROM dayData d WHERE d.コード=weekData.コード AND "
                 "d.日付=weekData.日付), 終値 = (SELECT 終値 FROM dayData d WHERE d.コード=weekData.コード AND "
                 "d.日付=weekData.日付), 売残 = 日付 % 1000, 買残 = 日付 % 777");
        }
        auto day = tradingDayOnOrBefore(*db, mode(c.weekly), days[static_cast<size_t>(c.day)]);
        ASSERT_TRUE(day && *day) << c.what;
        ScanOptions o;
        o.mode = mode(c.weekly);
        o.splitAdjust = c.splitAdjust;
        auto market = MarketBars::read(*db, o, **day, **day, 0, technicalHistory(kAll, settings));
        ASSERT_TRUE(market) << market.message();
        int issues = 0;
        for (int i = 0; i < market->issueCount(); ++i) {
            chart::BarSeries bars;
            auto has = market->barSeriesAt(i, **day, bars);
            ASSERT_TRUE(has) << has.message();
            if (!*has)
                continue;
            ++issues;
            chart::TechnicalValues got;
            computeTechnicals(bars, settings, kAll, got);
            chart::SeriesRequest request{c.weekly ? chart::BarMode::Weekly : chart::BarMode::Daily, std::nullopt, **day,
                                         c.splitAdjust};
            auto whole = chart::loadSeries(*db, market->code(i), request);
            ASSERT_TRUE(whole) << whole.message();
            ASSERT_EQ(whole->bars.back().date, **day);
            const chart::TechnicalValues want = chart::computeAll(*whole, settings);
            // The day and the bars a screen may name back.
            for (int back : {0, 1, 25}) {
                for (int n = 0; n < static_cast<int>(chart::technicalSeriesNames().size()); ++n) {
                    const double g = valueAt(got, n, bars.size() - 1 - back);
                    const double w = valueAt(want, n, whole->size() - 1 - back);
                    const std::string where = std::string(c.what) + " " + std::to_string(market->code(i)) + " " +
                                              std::string(chart::technicalSeriesNames()[static_cast<size_t>(n)]) + "[" +
                                              std::to_string(back) + "]";
                    ASSERT_EQ(std::isnan(g), std::isnan(w)) << where << " " << g << " " << w;
                    if (!std::isnan(w)) {
                        EXPECT_NEAR(g, w, 0.01) << where;
                    }
                }
            }
            // Far less than the whole history is read for a late day.
            if (!c.weekly && c.day == 719 && market->code(i) == 1301) {
                EXPECT_LT(bars.size(), 300);
            }
        }
        EXPECT_GE(issues, c.day < 640 ? 5 : 6) << c.what;
    }
}

TEST_F(TechMarket, ScreensOnTechnicalNamesMatchTheChartsValues) {
    market();
    const char* screens[] = {
        "close > span1[25] and close > span2[25]",
        "macd[1] <= macdSignal[1] and macd > macdSignal or macd > macdSignal and adx > 20",
        "rci1 < 0 and rci1 > rci1[1]",
        "close < sar or pdi > mdi and stochK > stochD",
        "close > bbUp1 or close < bbLo1 or close > envUp or close < hlLow[3]",
    };
    for (const char* text : screens) {
        const std::vector<std::int32_t> found = expectScreenJudgesWholeHistories(*db, text, days[700]);
        EXPECT_FALSE(found.empty() && std::string(text).find("or") != std::string::npos) << text;
    }
}

// A market large enough to be judged in two halves at once: the rows in code order, equal to each
// issue's own judgement on its whole history.
TEST_F(TechMarket, ALargeMarketIsJudgedAsOneIssueAtATime) {
    exec("BEGIN");
    for (int i = 0; i < 330; ++i) {
        const int code = 1300 + i;
        if (i % 11 == 3)
            issue(code, 0, 320, 50 + i * 2900, 100, 160); // six weeks without a bar
        else if (i % 7 == 2)
            issue(code, 20, 320, 1 + i, -1, -1, 200, 230); // untraded for 30 bars
        else
            issue(code, 0, 320, 100 + i * 37);
    }
    exec("COMMIT");
    for (const char* text : {"macd > macdSignal and close > sar", "close > span1[25] or adx > 30"}) {
        const std::vector<std::int32_t> found = expectScreenJudgesWholeHistories(*db, text, days[319]);
        EXPECT_GT(found.size(), 20u) << text;
        EXPECT_TRUE(std::any_of(found.begin(), found.end(), [](std::int32_t c) { return c >= 1300 + 165; })) << text;
    }
}

TEST_F(TechMarket, JsonRowsCarryTheNamedValues) {
    market();
    auto screen = Screen::parse("close > 0 and macd > -1000000 and span2[60] > 0 and MACD > -1000000");
    ASSERT_TRUE(screen);
    ASSERT_EQ(screen->technicalNames().size(), 2u); // macd once, whatever its case
    auto rows = runScreen(*db, ScanOptions{}, *screen, days[719]);
    ASSERT_TRUE(rows);
    ASSERT_FALSE(rows->empty());
    const std::string json = screenToJson(days[719], chart::BarMode::Daily, *rows);
    EXPECT_NE(json.find("\"macd\": "), std::string::npos);
    EXPECT_NE(json.find("\"span2[60]\": "), std::string::npos);
    EXPECT_EQ(json.find("\"kijun\""), std::string::npos); // only the values the screen names
    // Issue 1304 has 80 bars: a MACD but no span2 60 bars back (it needs 52 + 60 bars).
    for (const ScreenMatch& m : *rows)
        EXPECT_NE(m.code, 1304);
}

TEST(ScreenTechnical, NamesBackAndMissingValues) {
    chart::ChartData d;
    d.barCount = 2;
    d.bars[0].close = Currency::fromWhole(100);
    d.bars[1].close = Currency::fromWhole(120);
    chart::TechnicalValues v;
    v.macd.macd = {chart::kMissing, 1.0, 3.0};
    v.macd.signal = {chart::kMissing, 2.0, 2.5};
    v.ichimoku.span1 = {110, 130, 115};
    v.rci[0] = {-90, -85, -82};
    const ScreenTechnicals t{&v, 2};
    struct Case {
        const char* text;
        const char* result; // "1", "0", or the start of the error
    } cases[] = {
        {"macd[1] <= macdSignal[1] and macd > macdSignal", "1"},
        {"macd[2] < 5", "0"},              // missing: never matches
        {"not (macd[2] > 5)", "0"},        // not even negated
        {"macd[3] < 5 or close > 0", "0"}, // before the series: missing
        {"close > span1[2] and close < span1[1]", "1"},
        {"rci1 < -80 and rci1 > rci1[1]", "1"},
        {"adx > 0", "0"}, // a family not computed
        {"sar[1000] > 0", "0"},
        {"sar[1001] > 0", "条件式の 5 文字目: さかのぼれるのは 1000 本前まで"},
        {"kijun[x] > 0", "条件式の 7 文字目: [ ] の中には"},
        {"bbUp4 > 0", "条件式の 1 文字目: 「bbUp4」という名前はありません。"},
    };
    for (const Case& c : cases) {
        auto s = Screen::parse(c.text);
        if (std::string(c.result) == "1" || std::string(c.result) == "0") {
            ASSERT_TRUE(s) << c.text << ": " << s.message();
            EXPECT_EQ(s->matches(d, t), std::string(c.result) == "1") << c.text;
            EXPECT_FALSE(s->matches(d) && s->technicalFamilies() != 0) << c.text;
        } else {
            ASSERT_FALSE(s) << c.text;
            EXPECT_EQ(s.message().rfind(c.result, 0), 0u) << c.text << ": " << s.message();
        }
    }
    auto s = Screen::parse("span1[25] > span2[25] and macd > macdSignal and rci1 > rci1[3] and close[1] > 0");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->technicalFamilies(), unsigned(kIchimoku | kMacd | kRci1));
    EXPECT_EQ(s->technicalBack(), 25);
    EXPECT_EQ(s->seriesBars(), 2); // the chart's own bars: close[1]
    std::vector<std::string> labels;
    for (const auto& n : s->technicalNames())
        labels.push_back(n.label());
    EXPECT_EQ(labels, (std::vector<std::string>{"span1[25]", "span2[25]", "macd", "macdSignal", "rci1", "rci1[3]"}));
}

TEST(ScreenTechnical, HistoryOfTheFamilies) {
    const chart::TechnicalSettings s;
    struct Case {
        unsigned families;
        int bars, traded;
        bool tradedStart;
    } cases[] = {
        {0, 0, 0, false},
        {kIchimoku, 52, 0, true},
        {kHlBand, 21, 0, true},
        {kStochastic, 15, 0, true},
        {kIchimoku | kRci3, 52, 0, true},
        {kMacd, 251, 0, true},
        {kDmi, 251, 251, false},
        {kSar | kBollinger, 251, 251, true},
    };
    for (const Case& c : cases) {
        const TechnicalHistory h = technicalHistory(c.families, s);
        EXPECT_EQ(h.bars, c.bars) << c.families;
        EXPECT_EQ(h.tradedBars, c.traded) << c.families;
        EXPECT_EQ(h.tradedStart, c.tradedStart) << c.families;
    }
}

} // namespace
