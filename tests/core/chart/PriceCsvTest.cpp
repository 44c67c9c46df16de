// The price CSV: header lines, units multiplied out, empty columns for Null, the weekly table, and the
// file written in CP932 with CR LF.
#include "core/chart/PriceCsv.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::chart;

namespace {

struct CsvDb : ::testing::Test, test::KestrelDb {
    std::string dataFolder;
    void SetUp() override {
        dataFolder = dir.file("Data");
        ASSERT_TRUE(makeDir(dataFolder));
        ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
                            "(7203, 1, 'ＡＢＣ自動車', 1000, 10), (6758, 1, 'ＸＹＺ', NULL, 1)"));
        const char* bars = "INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES ";
        ASSERT_TRUE(db->exec(std::string(bars) +
                             "(7203, 20240105, NULL, 124, 120, 121, -2, 3), (7203, 20240104, 100, 110, 95, 123, 0, "
                             "12.5), (6758, 20240104, 5, 6, 4, 5, 0, 7), (1111, 20240104, 1, 1, 1, 1, 0, 1)"));
        ASSERT_TRUE(db->exec("INSERT INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 売残, 買残) "
                             "VALUES (7203, 20240105, 100, 124, 95, 121, 0, 15.5, 1, 2)"));
    }
};

const char* kHeader = "日付,出来高,始値,高値,安値,終値\r\n";

} // namespace

TEST_F(CsvDb, LinesCarryTheUnitsAndTheMode) {
    struct {
        PriceCsvTitle title;
        int mode;
        std::string expected;
    } cases[] = {
        {{"ＡＢＣ自動車", "7203", "東１"},
         1,
         std::string("ＡＢＣ自動車,7203,東１,日足データ\r\n") + kHeader +
             "2024/01/04,12500,1000,1100,950,1230\r\n2024/01/05,3000,,1240,1200,1210\r\n"},
        {{"ＡＢＣ自動車", "7203", "東１"},
         2,
         std::string("ＡＢＣ自動車,7203,東１,週足データ\r\n") + kHeader + "2024/01/05,15500,1000,1240,950,1210\r\n"},
        {{"ＸＹＺ", "6758", "東１"},
         1,
         std::string("ＸＹＺ,6758,東１,日足データ\r\n") + kHeader + "2024/01/04,,5,6,4,5\r\n"},
        // Bars but no issue: the header lines only. An issue without bars: the same.
        {{"", "1111", ""}, 1, std::string(",1111,,日足データ\r\n") + kHeader},
        {{"ＸＹＺ", "6758", "東１"}, 2, std::string("ＸＹＺ,6758,東１,週足データ\r\n") + kHeader},
    };
    for (const auto& c : cases) {
        auto text = priceCsvText(*db, c.title, c.mode);
        ASSERT_TRUE(text) << text.message();
        EXPECT_EQ(*text, c.expected) << c.title.codeText << " mode " << c.mode;
    }
}

TEST_F(CsvDb, FileIsCp932AndReplacesTheOldOneWhateverItsCase) {
    test::writeFile(joinPath(dataFolder, "7203.csv"), "old");
    auto path = exportPriceCsv(*db, dataFolder, {"ＡＢＣ自動車", "7203", "東１"}, 1);
    ASSERT_TRUE(path) << path.message();
    EXPECT_EQ(*path, joinPath(dataFolder, "7203.csv"));
    std::string bytes = test::readFile(*path);
    EXPECT_EQ(cp932ToUtf8(bytes), *priceCsvText(*db, {"ＡＢＣ自動車", "7203", "東１"}, 1));
    EXPECT_EQ(bytes.substr(0, 12), "\x82\x60\x82\x61\x82\x62\x8e\xa9\x93\xae\x8e\xd4"); // ＡＢＣ自動車
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dataFolder))
        ++files;
    EXPECT_EQ(files, 1);
    EXPECT_EQ(priceCsvDoneMessage("7203"), "Data ﾌｫﾙﾀﾞに 7203.Csv と言うﾌｧｲﾙ名で出力しました。");
}

TEST_F(CsvDb, RefusedInputLeavesNoFile) {
    // A code text that is not digits never becomes a file name; a name without a CP932 form is refused
    // and the old file stays.
    EXPECT_FALSE(exportPriceCsv(*db, dataFolder, {"x", "../7203", "東１"}, 1));
    EXPECT_FALSE(exportPriceCsv(*db, dataFolder, {"x", "", "東１"}, 1));
    test::writeFile(joinPath(dataFolder, "7203.Csv"), "old");
    auto r = exportPriceCsv(*db, dataFolder, {"😀", "7203", "東１"}, 1);
    EXPECT_EQ(r.message(), joinPath(dataFolder, "7203.Csv") + " に出力できません。CP932 で表せない文字があります。");
    EXPECT_EQ(test::readFile(joinPath(dataFolder, "7203.Csv")), "old");
    EXPECT_FALSE(fileExists(dir.file("7203.Csv")));
    // A data folder that is a file: the error says so and nothing is written.
    std::string notAFolder = dir.file("NotAFolder");
    test::writeFile(notAFolder, "x");
    EXPECT_FALSE(exportPriceCsv(*db, notAFolder, {"ＡＢＣ自動車", "7203", "東１"}, 1));
}
