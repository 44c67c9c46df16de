// The week of a split built from adjusted days, read back beside the adjusted daily bars, and the
// rebuild made in the same step as each change of the event; worked by hand.
#include "core/import/SplitWeekly.h"

#include "ImportFixture.h"
#include "core/chart/ChartData.h"
#include "core/chart/PriceCsv.h"
#include "core/db/SplitTable.h"
#include "core/import/WeeklyBars.h"

using namespace kestrel;
using namespace kestrel::import;
using kestrel::test::day;

namespace {

struct SplitWeeks : test::ImportFixture {
    void daily(int code, int ymd, int open, int high, int low, int close, int volume) {
        ASSERT_TRUE(db->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 基準前日比) "
                            "VALUES (?,?,?,?,?,?,0,?,?)",
                            code, ymd, open, high, low, close, volume, close));
    }
    std::string weeks(int code) {
        return rows("SELECT 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 基準前日比 FROM weekData WHERE コード = " +
                    std::to_string(code) + " ORDER BY 日付");
    }
};

} // namespace

TEST_F(SplitWeeks, TheWeekOfAnEventIsBuiltFromAdjustedDaysAndReadsLikeTheDailyBars) {
    addMei(1301, 1, "a", 1);
    addMei(1302, 1, "b", 1);
    daily(1301, 20260105, 1000, 1010, 990, 1000, 100);
    daily(1301, 20260109, 1004, 1020, 1000, 1010, 50);
    daily(1301, 20260112, 1010, 1030, 1001, 1021, 30); // before the 1:2 split of Wednesday
    daily(1301, 20260114, 512, 520, 505, 515, 200);
    daily(1301, 20260116, 515, 525, 509, 511, 100);
    daily(1301, 20260119, 511, 530, 500, 520, 80);
    daily(1302, 20260114, 50, 50, 50, 50, 1);
    ASSERT_TRUE(BuildWeeklyBars(*db, day(1, 5), day(1, 23)));
    const std::string raw = "20260109|1000|1020|990|1010|0|150|1010\n"
                            "20260116|1010|1030|505|511|-499|330|511\n"
                            "20260123|511|530|500|520|9|80|520\n";
    EXPECT_EQ(weeks(1301), raw); // without an event the days go in as stored

    auto added = changeSplit(*db, SplitChange::Add, 1301, day(1, 14), 1, 2);
    ASSERT_TRUE(added) << added.message();
    EXPECT_TRUE(added->changed && added->weeksRebuilt);
    test::ScriptedPrompt prompt;
    // Monday halved: 505, 515, 500.5 -> 500 (even), 510.5 -> 510, 60 shares; the week before stays.
    EXPECT_EQ(weeks(1301), "20260109|1000|1020|990|1010|0|150|1010\n"
                           "20260116|505|525|500|511|-499|360|511\n"
                           "20260123|511|530|500|520|9|80|520\n");
    EXPECT_EQ(weeks(1302), "20260116|50|50|50|50|0|1|50\n"); // other issues are not rebuilt

    // Read back, the week before is halved and the week of the event is not halved again: its change
    // is taken against the halved close of Friday 9th (1010 / 2 = 505), as on the daily chart.
    AppContext context;
    context.settings.move1 = context.settings.move2 = context.settings.move3 = 2;
    context.settings.SaicoL = context.settings.RSIVR = 2;
    context.chartMode = 2;
    chart::ChartData weekly;
    std::string date = "26/01/23";
    ASSERT_TRUE(chart::LoadChartData(*db, context, 1301, date, weekly, prompt));
    ASSERT_EQ(weekly.barCount, 3);
    const long long want[3][6] = {
        {500, 510, 495, 505, 0, 300}, {505, 525, 500, 511, 6, 360}, {511, 530, 500, 520, 9, 80}};
    for (int i = 0; i < 3; ++i) {
        const chart::ChartBar& b = weekly.bars[i];
        EXPECT_EQ(b.open.roundToWhole(), want[i][0]) << i;
        EXPECT_EQ(b.high.roundToWhole(), want[i][1]) << i;
        EXPECT_EQ(b.low.roundToWhole(), want[i][2]) << i;
        EXPECT_EQ(b.close.roundToWhole(), want[i][3]) << i;
        EXPECT_EQ(b.change.roundToWhole(), want[i][4]) << i;
        EXPECT_EQ(b.volume, want[i][5]) << i;
    }
    EXPECT_EQ(weekly.splitFlags[1], chart::kSplitEventBar);

    // Removed again, the weeks are what they were, in the same step; an issue without weekly bars from
    // that week on gets none.
    auto removed = changeSplit(*db, SplitChange::Remove, 1301, day(1, 14));
    ASSERT_TRUE(removed) << removed.message();
    EXPECT_EQ(weeks(1301), raw);
    ASSERT_TRUE(db->run("DELETE FROM weekData WHERE コード = 1302"));
    auto other = changeSplit(*db, SplitChange::Add, 1302, day(1, 14), 1, 2);
    ASSERT_TRUE(other) << other.message();
    EXPECT_FALSE(other->weeksRebuilt);
    EXPECT_EQ(weeks(1302), "");
}

TEST_F(SplitWeeks, ARerunOfAChangeInPlaceSaysSoAndPutsStaleWeeksRight) {
    addMei(1301, 1, "a", 1);
    daily(1301, 20260109, 1004, 1020, 1000, 1010, 50);
    daily(1301, 20260112, 1010, 1030, 1001, 1021, 30);
    daily(1301, 20260114, 512, 520, 505, 515, 200);
    ASSERT_TRUE(BuildWeeklyBars(*db, day(1, 5), day(1, 16)));
    ASSERT_TRUE(db::addSplit(*db, 1301, day(1, 14), 1, 2)); // as an older version left it: weeks not rebuilt
    const std::string stale = weeks(1301);
    const struct {
        SplitChange change;
        bool changed;
        const char* notice;
    } steps[] = {
        {SplitChange::Add, false, "既に登録"}, {SplitChange::Confirm, false, "既に確定"},
        {SplitChange::Dismiss, true, ""},      {SplitChange::Dismiss, false, "既に却下"},
        {SplitChange::Remove, true, ""},       {SplitChange::Remove, false, "分割はありません"},
    };
    for (const auto& s : steps) {
        auto outcome = changeSplit(*db, s.change, 1301, day(1, 14), 1, 2);
        ASSERT_TRUE(outcome) << outcome.message();
        EXPECT_EQ(outcome->changed, s.changed) << s.notice;
        EXPECT_NE(outcome->notice.find(s.notice), std::string::npos) << outcome->notice;
        EXPECT_TRUE(outcome->weeksRebuilt);
        if (&s == &steps[0]) {
            EXPECT_NE(weeks(1301), stale);
            EXPECT_EQ(weeks(1301), "20260109|1004|1020|1000|1010|0|50|1010\n"
                                   "20260116|505|520|500|515|-495|260|515\n");
        }
    }
    auto missing = changeSplit(*db, SplitChange::Confirm, 1301, day(1, 14));
    EXPECT_EQ(missing.code(), StatusCode::NotFound);
}

TEST_F(SplitWeeks, AWeekBeforeALaterEventReadsLikeItsAdjustedDaysRoundedOnce) {
    // Two events (1:2 on the 14th, 1:3 on the 19th). Monday's low 1005 is 502.5 -> 502 on its own week's
    // basis and 167.33 -> 167 after the second event, but 1005 / 6 = 167.5 -> 168 on the daily chart.
    addMei(1303, 1, "c", 1);
    daily(1303, 20260105, 1000, 1010, 990, 1000, 100);
    daily(1303, 20260109, 1004, 1020, 1000, 1010, 50);
    daily(1303, 20260112, 1010, 1030, 1005, 1021, 30);
    daily(1303, 20260114, 512, 520, 505, 515, 200);
    daily(1303, 20260116, 515, 525, 509, 511, 100);
    daily(1303, 20260119, 511, 530, 500, 520, 80);
    ASSERT_TRUE(db::addSplit(*db, 1303, day(1, 14), 1, 2));
    ASSERT_TRUE(db::addSplit(*db, 1303, day(1, 19), 1, 3));
    ASSERT_TRUE(BuildWeeklyBars(*db, day(1, 5), day(1, 23)));

    AppContext context;
    context.settings.move1 = context.settings.move2 = context.settings.move3 = 2;
    context.settings.SaicoL = context.settings.RSIVR = 2;
    context.chartMode = 2;
    test::ScriptedPrompt prompt;
    auto load = [&](bool adjusted) {
        context.splitAdjust = adjusted;
        chart::ChartData weekly;
        std::string date = "26/01/23";
        EXPECT_TRUE(chart::LoadChartData(*db, context, 1303, date, weekly, prompt));
        std::string text;
        for (int i = 0; i < weekly.barCount; ++i) {
            const chart::ChartBar& b = weekly.bars[i];
            for (Currency v : {b.open, b.high, b.low, b.close, b.change})
                text += std::to_string(v.roundToWhole()) + " ";
            text += std::to_string(b.volume) + "\n";
        }
        return text;
    };
    // The daily bars divided by 6, 3 and 1, then taken week by week; changes against the adjusted closes.
    EXPECT_EQ(load(true), "167 170 165 168 0 900\n"
                          "168 175 168 170 2 1080\n"
                          "511 530 500 520 350 80\n");
    // As traded, the week of an event is its days as they were traded.
    EXPECT_EQ(load(false), "1000 1020 990 1010 0 150\n"
                           "1010 1030 505 511 -499 330\n"
                           "511 530 500 520 9 80\n");
    // The weekly CSV export reads the same way, adjusted and as traded.
    auto csv = [&](bool adjusted) {
        auto text = chart::priceCsvText(*db, {"c", "1303", "東証1部"}, 2, adjusted);
        EXPECT_TRUE(text) << text.message();
        return text ? text->substr(text->find("\r\n2026") + 2) : std::string();
    };
    EXPECT_EQ(csv(true), "2026/01/09,900,167,170,165,168\r\n"
                         "2026/01/16,1080,168,175,168,170\r\n"
                         "2026/01/23,80,511,530,500,520\r\n");
    EXPECT_EQ(csv(false), "2026/01/09,150,1000,1020,990,1010\r\n"
                          "2026/01/16,330,1010,1030,505,511\r\n"
                          "2026/01/23,80,511,530,500,520\r\n");
}
