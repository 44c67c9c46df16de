#include "ImportFixture.h"
#include "core/app/Encoding.h"
#include "core/import/DailyFile.h"
#include "core/import/DailyImport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::import;
using kestrel::test::day;

// Spreadsheet error cells, dashes, empty cells and out-of-range numbers read as 0 and list their
// line; full-width digits are numbers.
TEST(NonNumericCells, ReadAsZeroAndListTheirLines) {
    struct {
        const char* record;
        std::int64_t market;
        std::int32_t open, high, low, close;
        const char* volume;
        bool listed;
    } cases[] = {
        {"1301,0,a,#VALUE!,#VALUE!,#VALUE!,#VALUE!,#VALUE!", 0, 0, 0, 0, 0, "0", true},
        {"1302,0,a,#N/A,110,90,100,500", 0, 0, 110, 90, 100, "500", true},
        {"1303,1,a,-,-,-,-,-", 1, 0, 0, 0, 0, "0", true},
        {"1304,0,a,,,,,1000", 0, 0, 0, 0, 0, "1000", true},
        {"1305,５,a,１２３,１２４．５,１２２．５,１２３,３００．２５", 5, 123, 124, 122, 123, "300.25", false},
        {"1306,x,a,1,1,1,1,1", 0, 1, 1, 1, 1, "1", true},
        {"1307,0,a,1,1,1,99999999999,1", 0, 1, 1, 1, 0, "1", true},
        {"1308,0,a,100,100,100,100,12a", 0, 100, 100, 100, 100, "0", true},
        {"1309,0,a,100,101,99,100,200", 0, 100, 101, 99, 100, "200", false},
    };
    std::string text = "20260105\r\n9,Kestrel\r\n";
    std::vector<int> listed;
    int line = 3;
    for (const auto& c : cases) {
        text += std::string(c.record) + "\r\n";
        if (c.listed)
            listed.push_back(line);
        ++line;
    }
    auto f = parseDailyFile(*utf8ToCp932(text), "Ds");
    ASSERT_TRUE(f) << f.message();
    ASSERT_EQ(f->records.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const DailyRecord& r = f->records[i];
        EXPECT_EQ(r.fileMarket, c.market) << c.record;
        EXPECT_EQ(std::vector<std::int32_t>({r.open, r.high, r.low, r.close}),
                  std::vector<std::int32_t>({c.open, c.high, c.low, c.close}))
            << c.record;
        EXPECT_EQ(r.volume.toString(), c.volume) << c.record;
    }
    EXPECT_EQ(f->nonNumericLines, listed);

    EXPECT_EQ(nonNumericWarning("Ds", {}), "");
    EXPECT_EQ(nonNumericWarning("Ds202010.01", {3, 7}),
              "Ds202010.01 の 3, 7 行目: 数値でない項目を 0 として読み込みました。");
}

struct NonNumericImport : test::ImportFixture {};

// A day whose every cell is an error cell is stored as a day without trading, one warning names its
// lines, and the days after it import with their change against the last traded close.
TEST_F(NonNumericImport, ADayOfErrorCellsImportsAsADayWithoutTradingAndIsNamedOnce) {
    writeText("Ds202601.05", "20260105\n1,Kestrel\n1301,0,極洋,100,110,90,105,5000\n");
    std::string errorDay = "20260106\n12,Kestrel\n";
    for (int code = 1301; code <= 1312; ++code)
        errorDay += std::to_string(code) + ",0,名,#VALUE!,#VALUE!,#VALUE!,#VALUE!,#VALUE!\n";
    writeText("Ds202601.06", errorDay);
    writeText("Ds202601.07", "20260107\n1,Kestrel\n1301,0,極洋,106,108,104,107,3000\n");
    DailyImportOptions o;
    o.dailyFolder = data;
    auto r = ImportDailyFiles(*db, day(1, 5), day(1, 9), o);
    ASSERT_TRUE(r.status) << r.status.message();
    EXPECT_EQ(r.message, "読み込み終了");
    EXPECT_EQ(r.rowsStored, 14);
    EXPECT_EQ(r.warnings, std::vector<std::string>({"Ds202601.06 の 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 行目 ほか 2 行: "
                                                    "数値でない項目を 0 として読み込みました。"}));
    EXPECT_EQ(rows("SELECT * FROM dayData WHERE コード = 1301 ORDER BY 日付"),
              "1301|20260105|100|110|90|105|0|5000|105\n"
              "1301|20260106|0|0|0|0|0|0|105\n"
              "1301|20260107|106|108|104|107|2|3000|107\n");
}
