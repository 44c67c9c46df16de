#include "core/converter/TableSource.h"

#include "ConverterTestSupport.h"
#include "core/app/Files.h"
#include "core/converter/DatabaseConversion.h"
#include "core/import/DailyFile.h"

#include <chrono>

using namespace kestrel;
using namespace kestrel::converter;
using kestrel::test::TempDir;

TEST(ConverterTableSource, ReadsJetDatesAndFailsCleanlyOnDamagedFiles) {
    std::string nwind = kestrel::test::sharedTestData("mdb/mdbtestdata/nwind.mdb");
    if (nwind.empty() || !fileExists(nwind))
        GTEST_SKIP() << "shared Jet fixtures absent";
    auto source = openTableSource(nwind);
    ASSERT_TRUE(source.isOk()) << source.message();
    EXPECT_FALSE((*source)->writable());
    auto rows = (*source)->readTable("Orders", {"OrderID", "OrderDate", "ShippedDate"});
    ASSERT_TRUE(rows.isOk()) << rows.message();
    ASSERT_EQ(rows->size(), 830u);
    Date first = *Date::fromYmd(2100, 1, 1), last = *Date::fromYmd(1900, 1, 1);
    int nullShipped = 0;
    for (const auto& row : *rows) {
        auto d = cellDate(row[1]);
        ASSERT_TRUE(d.has_value()) << row[1].text;
        first = std::min(first, *d);
        last = std::max(last, *d);
        nullShipped += row[2].null ? 1 : 0;
    }
    EXPECT_EQ(first, *Date::fromYmd(1994, 8, 4));
    EXPECT_EQ(last, *Date::fromYmd(1996, 6, 5));
    EXPECT_EQ(nullShipped, 21);
    EXPECT_FALSE((*source)->readTable("NoSuchTable", {"x"}).isOk());
    EXPECT_FALSE((*source)->readTable("Orders", {"NoSuchField"}).isOk());

    // A copy cut in the middle of a page, and one cut at a page boundary.
    TempDir dir;
    std::string bytes = kestrel::test::readFile(nwind);
    for (size_t size : {bytes.size() / 2 + 100, size_t(4096) * 20}) {
        kestrel::test::writeFile(dir.file("cut.mdb"), bytes.substr(0, size));
        auto start = std::chrono::steady_clock::now();
        auto cut = readJetTable(dir.file("cut.mdb"), "Orders", {"OrderDate"}, 5000);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        if (cut.isOk()) { // a clean cut at a page boundary may still hold every page of the table
            EXPECT_LE(cut->size(), 830u);
        } else {
            EXPECT_NE(cut.message().find(dir.file("cut.mdb")), std::string::npos);
        }
    }
    kestrel::test::writeFile(dir.file("bad.mdb"), "not a database at all");
    EXPECT_FALSE(openTableSource(dir.file("bad.mdb")).isOk());
}

TEST(ConverterTableSource, MonthlyDatabaseGivesOneDailyFilePerDay) {
    TempDir dir;
    auto master = LoadIssueMaster(kestrel::test::makeKestrelWithMei(dir));
    ASSERT_TRUE(master.isOk());
    {
        auto db = db::Database::create(dir.file("株式.mdb"));
        ASSERT_TRUE(db.isOk());
        ASSERT_TRUE(
            (*db)->exec("CREATE TABLE 株価 (年月日, 銘柄コード, 銘柄名, 始値, 高値, 安値, 終値, 出来高)").isOk());
        Date d = *Date::fromYmd(2001, 5, 1);
        for (int n = 0; n < 20; d = d.addDays(1)) {
            if (d.isWeekend())
                continue;
            // Codes out of order, an unknown one and the index: the file lists 1001, 1301, 1332.
            for (int code : {1332, 9998, 1301, 1001})
                ASSERT_TRUE((*db)
                                ->run("INSERT INTO 株価 VALUES (?, ?, 'x', ?, ?, ?, ?, ?)", d.toIso() + " 00:00:00",
                                      code, 1000.0 + n, 1010.0 + n, 990.0 + n, 1005.5 + n, 2500000.0)
                                .isOk());
            ++n;
        }
    }
    std::vector<std::string> log;
    auto logFn = [&](const std::string& s) { log.push_back(s); };
    ASSERT_TRUE(ConvertMonthlyDatabase(*master, dir.file("株式.mdb"), dir.path(), logFn).isOk());
    ASSERT_EQ(log.size(), 20u);
    EXPECT_EQ(log.front(), "01/05/01変換済");
    EXPECT_EQ(log.back(), "01/05/28変換済");
    int files = 0;
    for (Date d = *Date::fromYmd(2001, 5, 1); d <= *Date::fromYmd(2001, 5, 31); d = d.addDays(1)) {
        auto path = dir.file(import::dailyFileName(d));
        if (!fileExists(path))
            continue;
        ++files;
        auto parsed = import::parseDailyFile(kestrel::test::readFile(path), path);
        ASSERT_TRUE(parsed.isOk()) << parsed.message();
        EXPECT_EQ(parsed->date, d);
        std::vector<int> codes;
        for (const auto& r : parsed->records)
            codes.push_back(r.code);
        EXPECT_EQ(codes, (std::vector<int>{1001, 1301, 1332}));
        EXPECT_EQ(parsed->records[0].volume, Currency::fromRaw(25000)); // 2.5 million shares
    }
    EXPECT_EQ(files, 20);
    EXPECT_EQ(kestrel::test::readFile(dir.file("Ds200105.01"))
                  .rfind("20010501\r\n3,Kestrel\r\n1001,0,\x93\xfa\x8c\x6f\x95\xbd\x8b\xcf,1000,1010,990,1005,2.5\r\n"
                         "1301,1,",
                         0),
              0u);
    log.clear();
    ASSERT_TRUE(ConvertMonthlyDatabase(*master, dir.file("none.mdb"), dir.path(), logFn).isOk());
    EXPECT_EQ(log, std::vector<std::string>{dir.file("none.mdb") + "が存在しません　変換失敗"});
}

TEST(ConverterTableSource, CollectorDatabaseIsPreparedConvertedAndCompacted) {
    TempDir dir;
    std::string kestrelPath = kestrel::test::makeKestrelWithMei(dir);
    auto master = LoadIssueMaster(kestrelPath);
    ASSERT_TRUE(master.isOk());
    std::string spg = dir.file("spg.mdb");
    {
        auto db = db::Database::create(spg);
        ASSERT_TRUE(db.isOk());
        ASSERT_TRUE((*db)
                        ->exec("CREATE TABLE Quote (DataDate, Code, pOpen, pHigh, pLow, pClose, Volume, Flags);"
                               "CREATE TABLE Codes (Code, Name, Market, OnList, Flags, tModify);"
                               "INSERT INTO Quote VALUES ('2001-05-04', 1, 1, 1, 1, 1, 1, 201327615)")
                        .isOk());
    }
    std::vector<std::string> log;
    auto logFn = [&](const std::string& s) { log.push_back(s); };
    ASSERT_TRUE(PrepareSpg(kestrelPath, spg, logFn).isOk());
    EXPECT_EQ(log, (std::vector<std::string>{"データー初期化中...", "銘柄データー設定中..."}));
    {
        auto db = db::Database::open(spg);
        ASSERT_TRUE(db.isOk());
        auto codes = (*db)->prepare("SELECT Code || Market || OnList || Flags FROM Codes ORDER BY Code");
        std::vector<std::string> got;
        while (*codes->step())
            got.push_back(codes->text(0));
        EXPECT_EQ(got, (std::vector<std::string>{"1301TT1", "1332TT1", "2000QQ1", "3000TT1", "998407OO1"}));
        EXPECT_EQ(*(*db)->queryInt("SELECT count(*) FROM Quote"), 0);
        ASSERT_TRUE((*db)
                        ->exec("INSERT INTO Quote VALUES ('2001-05-07', 998405, 1500.5, 1501, 1499, 1500, 30000000, "
                               "201327615);"
                               "INSERT INTO Quote VALUES ('2001-05-07', 1332, 300, 310, 295, 305, 1000, 201327615);"
                               "INSERT INTO Quote VALUES ('2001-05-07', 1301, 300, 310, 295, 305, 1000, 5);")
                        .isOk());
    }
    log.clear();
    ASSERT_TRUE(ConvertSpgDatabase(*master, spg, dir.path(), logFn).isOk());
    EXPECT_EQ(log, (std::vector<std::string>{"01/05/07変換済", kSpgCompactStart, kSpgCompactEnd}));
    EXPECT_EQ(kestrel::test::readFile(dir.file("Ds200105.07")),
              "20010507\r\n2,Kestrel\r\n1002,0,,1500,1501,1499,1500,30\r\n1332,0,\x93\xfa\x96\x7b\x90\x85\x8e\x59,"
              "300,310,295,305,1\r\n");
    EXPECT_TRUE(fileExists(dir.file("spg.old")));
    EXPECT_EQ(tableFileKind(spg), TableFileKind::OwnEngine);
    EXPECT_FALSE(fileExists(dir.file("Temp.csv")));

    // A Jet collector database is read-only for us: the preparation says so and changes nothing.
    std::string nwind = kestrel::test::sharedTestData("mdb/mdbtestdata/nwind.mdb");
    if (!nwind.empty() && fileExists(nwind)) {
        auto st = PrepareSpg(kestrelPath, nwind, logFn);
        ASSERT_FALSE(st.isOk());
        EXPECT_NE(st.message().find("読込み専用"), std::string::npos);
    }
}
