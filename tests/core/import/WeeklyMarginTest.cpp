#include "ImportFixture.h"
#include "core/import/MarginImport.h"
#include "core/import/Recompute.h"
#include "core/import/WeeklyBars.h"

using namespace kestrel;
using namespace kestrel::import;
using kestrel::test::day;

namespace {

struct Bars : test::ImportFixture {
    void bar(const char* table, int code, int ymd, int open, int high, int low, int close, int volume, int change = 0,
             int reference = 0) {
        ASSERT_TRUE(db->run(
            std::string("INSERT INTO ") + table +
                " (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 基準前日比) VALUES (?,?,?,?,?,?,?,?,?)",
            code, ymd, open, high, low, close, change, volume, reference));
    }
    void daily(int code, int ymd, int open, int high, int low, int close, int volume) {
        bar("dayData", code, ymd, open, high, low, close, volume);
    }
    std::string weeks() { return rows("SELECT * FROM weekData ORDER BY コード, 日付"); }
};

} // namespace

TEST_F(Bars, WeeksSplitOnTheWeekdayAndCarryTheReferenceOverWeeksWithoutTrading) {
    addMei(1301, 1, "a");
    addMei(1302, 1, "b");
    addMei(1303, 2, "c");
    daily(1301, 20260105, 100, 110, 95, 105, 10);
    daily(1301, 20260106, 106, 120, 100, 118, 20);
    daily(1301, 20260109, 118, 119, 90, 92, 5);
    daily(1301, 20260112, 0, 0, 0, 0, 0); // a week without trading between traded weeks
    daily(1301, 20260113, 0, 0, 0, 0, 0);
    daily(1301, 20260121, 95, 96, 93, 94, 7); // trading starts on a Wednesday
    daily(1301, 20260126, 100, 100, 100, 100, 1);
    daily(1301, 20260209, 101, 101, 101, 101, 1); // a Monday after a Monday, a whole week missing
    daily(1302, 20260105, 0, 0, 0, 0, 0);         // its only week has no trading: no bar
    daily(1303, 20260109, 55, 56, 54, 55, 3);
    bar("weekData", 1303, 20260102, 50, 50, 50, 50, 1, 0, 50); // the week before the span
    bar("weekData", 1302, 20260109, 9, 9, 9, 9, 9, 9, 9);      // replaced by the run
    // A week of the span the run no longer gives is not the reference of the next week.
    addMei(1304, 1, "d");
    bar("weekData", 1304, 20260109, 70, 70, 70, 77, 1, 0, 77);
    daily(1304, 20260114, 80, 81, 79, 80, 2);
    ASSERT_TRUE(db->run("INSERT INTO shinyo VALUES (1303, 20260109, 12, 3, 1000)"));

    ASSERT_TRUE(BuildWeeklyBars(*db, day(1, 5), day(2, 13)));
    const char* expect = "1301|20260109|100|120|90|92|0|35|92|0|0\n"
                         "1301|20260116|0|0|0|0|0|0|92|0|0\n"
                         "1301|20260123|95|96|93|94|2|7|94|0|0\n"
                         "1301|20260130|100|100|100|100|6|1|100|0|0\n"
                         "1301|20260213|101|101|101|101|1|1|101|0|0\n"
                         "1303|20260102|50|50|50|50|0|1|50|NULL|NULL\n"
                         "1303|20260109|55|56|54|55|5|3|55|12000|3000\n"
                         "1304|20260116|80|81|79|80|0|2|80|0|0\n";
    EXPECT_EQ(weeks(), expect);
    // The same span again gives the same rows.
    ASSERT_TRUE(BuildWeeklyBars(*db, day(1, 5), day(2, 13)));
    EXPECT_EQ(weeks(), expect);
}

TEST_F(Bars, WeeksBuiltNewestFirstGiveTheRowsOfOneBuild) {
    // 1301 trades, misses two whole weeks and trades again; 1302 trades in its first week only; 1303
    // trades from its second week; 1304's only week has no trading.
    for (int code : {1301, 1302, 1303, 1304})
        addMei(code, 1, "a");
    daily(1301, 20260105, 100, 110, 95, 105, 10);
    daily(1301, 20260109, 106, 120, 90, 92, 5);
    daily(1301, 20260113, 0, 0, 0, 0, 0);
    daily(1301, 20260120, 0, 0, 0, 0, 0);
    daily(1301, 20260127, 95, 96, 93, 94, 7);
    daily(1302, 20260108, 50, 52, 49, 51, 3);
    daily(1302, 20260114, 0, 0, 0, 0, 0);
    daily(1302, 20260121, 0, 0, 0, 0, 0);
    daily(1303, 20260106, 0, 0, 0, 0, 0);
    daily(1303, 20260115, 40, 41, 39, 40, 2);
    daily(1304, 20260107, 0, 0, 0, 0, 0);
    const char* expect = "1301|20260109|100|120|90|92|0|15|92|0|0\n"
                         "1301|20260116|0|0|0|0|0|0|92|0|0\n"
                         "1301|20260123|0|0|0|0|0|0|92|0|0\n"
                         "1301|20260130|95|96|93|94|2|7|94|0|0\n"
                         "1302|20260109|50|52|49|51|0|3|51|0|0\n"
                         "1302|20260116|0|0|0|0|0|0|51|0|0\n"
                         "1302|20260123|0|0|0|0|0|0|51|0|0\n"
                         "1303|20260109|0|0|0|0|0|0|0|0|0\n"
                         "1303|20260116|40|41|39|40|0|2|40|0|0\n";
    for (int monday = 26; monday >= 5; monday -= 7)
        ASSERT_TRUE(BuildWeeklyBarsBefore(*db, day(1, monday), day(1, monday + 5)));
    EXPECT_EQ(weeks(), expect);
    ASSERT_TRUE(BuildWeeklyBars(*db, day(1, 5), day(1, 30)));
    EXPECT_EQ(weeks(), expect);
}

TEST_F(Bars, ASaturdaySessionJoinsTheWeekItEnds) {
    addMei(1301, 1, "a");
    addMei(1302, 1, "b");
    daily(1301, 20261127, 100, 110, 95, 105, 10);
    daily(1301, 20261128, 105, 112, 104, 110, 4); // a Saturday after its Friday
    daily(1301, 20261130, 110, 115, 108, 112, 6);
    daily(1301, 20261204, 112, 113, 100, 101, 5);
    daily(1302, 20261128, 50, 50, 50, 50, 1); // a Saturday alone, then the next Monday
    daily(1302, 20261130, 51, 51, 51, 51, 2);

    ASSERT_TRUE(BuildWeeklyBars(*db, day(11, 23), day(12, 4)));
    EXPECT_EQ(weeks(), "1301|20261127|100|112|95|110|0|14|110|0|0\n"
                       "1301|20261204|110|115|100|101|-9|11|101|0|0\n"
                       "1302|20261127|50|50|50|50|0|1|50|0|0\n"
                       "1302|20261204|51|51|51|51|1|2|51|0|0\n");
}

TEST_F(Bars, MarginFilesReplaceTheirFridayAndFillTheWeeklyBars) {
    std::string folder = dir.file("sinyo");
    ASSERT_TRUE(makeDir(folder));
    bar("weekData", 1303, 20260109, 1, 1, 1, 1, 1, 0, 1);
    bar("weekData", 1304, 20260109, 1, 1, 1, 1, 1, 0, 1);
    ASSERT_TRUE(db->run("UPDATE weekData SET 売残 = 77, 買残 = 77"));
    // The third record ends the file: its code is not a number.
    writeText("Ys202601.09", " 20260109 \n3 ,信用残\n1303,x,名,12,3,1000\n1301,0,a,5,6,1\nEND,,,,,\n", folder);
    // Dated on a Wednesday: stored on that week's Friday.
    writeText("Ys202601.14", "20260114\n1,x\n1301,0,a,7,8,100\n", folder);

    auto none = ImportMarginBalances(*db, "", day(1, 5), day(1, 16));
    ASSERT_TRUE(none);
    EXPECT_FALSE(*none);
    auto empty = ImportMarginBalances(*db, folder, day(1, 1), day(1, 8));
    ASSERT_TRUE(empty);
    EXPECT_FALSE(*empty);

    for (int run = 0; run < 2; ++run) {
        auto r = ImportMarginBalances(*db, folder, day(1, 5), day(1, 16));
        ASSERT_TRUE(r) << r.message();
        EXPECT_TRUE(*r);
        EXPECT_EQ(rows("SELECT * FROM shinyo ORDER BY 日付, コード"),
                  "1301|20260109|5|6|1\n1303|20260109|12|3|1000\n1301|20260116|7|8|100\n");
        // Every bar of the Friday is cleared first; an issue without a margin row keeps 0.
        EXPECT_EQ(rows("SELECT コード, 売残, 買残 FROM weekData ORDER BY コード"), "1303|12000|3000\n1304|0|0\n");
    }

    // A bad record refuses its file whole and names the line; the earlier file stays.
    writeText("Ys202601.16", "20260116\n2,x\n1301,0,a,9,9,1\n1302,0,b,9\n", folder);
    auto bad = ImportMarginBalances(*db, folder, day(1, 5), day(1, 16));
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.message().find("Ys202601.16 の 4 行目: 項目が足りません"), std::string::npos) << bad.message();
    EXPECT_EQ(rows("SELECT count(*) FROM shinyo"), "3\n");
}

TEST_F(Bars, ParsingMarginFilesRefusesWhatItCannotRead) {
    struct {
        std::string text;
        const char* expect; // "" when the file reads
        size_t records;
    } cases[] = {
        {"20260109\r\n2,x\r\n1301,0,a,1,2,3\r\n", "件数 2 に対してデーターが 1 件", 0},
        {"20260109\r\n2,x\r\n1301,0,a,1,2,3\r\nx\r\n", "", 1},
        {"20260109\r\n1,x\r\n1301,0,a,1,2,3", "行の終わり", 0},
        {"20260109\r\n0,x\r\n", "件数", 0},
        {"2026/1/9\r\n1,x\r\n1301,0,a,1,2,3\r\n", "1 行目", 0},
        {"20260109\r\n1,x\r\n10000,0,a,1,2,3\r\n", "銘柄コード", 0},
        {"20260109\r\n1,x\r\n1301,0,a,1,z,3\r\n", "\"z\" が数値ではありません", 0},
        {"20260109\r\n1,x\r\n1301,0,a,1,2, 3 \r\n", "", 1},
    };
    for (const auto& c : cases) {
        auto f = parseMarginFile(c.text, "Ys");
        if (c.expect[0] == 0) {
            ASSERT_TRUE(f) << c.text << f.message();
            EXPECT_EQ(f->records.size(), c.records);
        } else {
            ASSERT_FALSE(f) << c.text;
            EXPECT_NE(f.message().find(c.expect), std::string::npos) << f.message();
        }
    }
}

TEST_F(Bars, RecomputationRewritesChangesFromTheStartDate) {
    addMei(1301, 1, "a");
    addMei(1302, 1, "b");
    bar("dayData", 1301, 20260102, 90, 90, 90, 90, 1, 9, 90);
    bar("dayData", 1301, 20260105, 100, 100, 100, 100, 1, 9, 1);
    bar("dayData", 1301, 20260106, 105, 105, 105, 105, 1, 9, 1);
    bar("dayData", 1301, 20260107, 0, 0, 0, 0, 0, 9, 1);
    bar("dayData", 1301, 20260108, 103, 103, 103, 103, 1, 9, 1);
    // A first bar without trading keeps the reference it carries in.
    bar("dayData", 1302, 20260105, 0, 0, 0, 0, 0, 3, 80);
    bar("dayData", 1302, 20260106, 84, 84, 84, 84, 1, 3, 3);
    bar("weekData", 1301, 20260109, 1, 1, 1, 7, 1, 9, 9);
    bar("dayData", 1301, 20260309, 110, 110, 110, 110, 1, 9, 1); // 60 days after 8 January
    bar("dayData", 1301, 20260509, 120, 120, 120, 120, 1, 9, 1); // 61 days after 9 March

    ASSERT_TRUE(recomputeChanges(*db, BarTable::Daily, day(1, 5)));
    EXPECT_EQ(
        rows("SELECT コード, 日付, 前日比, 基準前日比 FROM dayData ORDER BY コード, 日付"),
        "1301|20260102|9|90\n1301|20260105|9|100\n1301|20260106|5|105\n1301|20260107|0|105\n"
        "1301|20260108|-2|103\n1301|20260309|7|110\n1301|20260509|0|120\n1302|20260105|3|80\n1302|20260106|4|84\n");
    EXPECT_EQ(rows("SELECT 前日比, 基準前日比 FROM weekData"), "9|9\n");

    std::string before = rows("SELECT * FROM dayData");
    ASSERT_TRUE(recomputeChanges(*db, BarTable::Daily, day(2, 1))); // after the last bar
    EXPECT_EQ(rows("SELECT * FROM dayData"), before);
    ASSERT_TRUE(recomputeChanges(*db, BarTable::Weekly, day(1, 1)));
    EXPECT_EQ(rows("SELECT 前日比, 基準前日比 FROM weekData"), "9|7\n");
    EXPECT_EQ(rows("SELECT * FROM dayData"), before);
}
