// The J-Quants market codes that travel beside Regist.Mei: written by the converter, stored with the
// master in one transaction, and read back for the names an issue list shows.
#include "ImportFixture.h"
#include "core/converter/JQuantsData.h"
#include "core/db/IssueMarkets.h"
#include "core/import/IssueMaster.h"

using namespace kestrel;
using namespace kestrel::import;

namespace {

struct MarketCodes : test::ImportFixture {
    test::ScriptedPrompt prompt;
    std::string codes() { return rows("SELECT コード, MarketCode FROM JQuantsMarket ORDER BY コード"); }
    bool hasTable() { return *db->queryInt("SELECT count(*) FROM sqlite_master WHERE name='JQuantsMarket'") == 1; }
};

TEST_F(MarketCodes, TheConverterWritesTheCodesOfTheMastersDay) {
    using converter::jquants::MasterRow;
    const std::vector<MasterRow> rows = {{7203, 1, "トヨタ自動車", "0111"},
                                         {9168, 6, "ＰＲＯ商事", "0105"},
                                         {1301, 1, "極洋", ""},
                                         {25, 6, "x", "01,5"}};
    EXPECT_EQ(converter::jquants::marketCodeFileBytes(*Date::fromYmd(2026, 2, 6), rows),
              "20260206,2\r\n7203,0111\r\n9168,0105\r\n");
    ASSERT_TRUE(converter::jquants::writeMasterFiles(data, *Date::fromYmd(2026, 2, 6), rows));
    auto r = ImportIssueMaster(*db, data, prompt);
    EXPECT_EQ(r.message, "読み込み終了");
    EXPECT_EQ(codes(), "7203|0111\n9168|0105\n");
    EXPECT_FALSE(fileExists(joinPath(data, kMasterFileName)));
    EXPECT_FALSE(fileExists(joinPath(data, kMarketCodeFileName)));
}

TEST_F(MarketCodes, StoredOnlyWithAMasterOfTheSameDay) {
    const std::string master = "20260206,2\n9168,6,ＰＲＯ商事,100,1\n7203,1,トヨタ自動車,100,1\n";
    struct {
        const char* codesFile; // nullptr: none
        const char* stored;    // nullptr: the earlier codes stay
    } cases[] = {
        {"20260206,2\n9168,0105\n7203,0111\n", "7203|0111\n9168|0105\n"},
        {"20260206,1\n9168,0105\n", "9168|0105\n"}, // an issue no longer listed loses its code
        {"20260205,1\n9168,0109\n", nullptr},       // the codes of another day's list
        {"20260206,1\n9168\n", nullptr},            // a line without its code
        {"20260206,1\n10000,0105\n", nullptr},
        {nullptr, nullptr}, // a master of the data server brings no codes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codesFile ? c.codesFile : "none");
        ASSERT_TRUE(db::replaceJQuantsMarketCodes(*db, {{7203, "0111"}, {1301, "0111"}}));
        writeText("Regist.Mei", master);
        if (c.codesFile)
            writeText("Regist.Mkt", c.codesFile);
        EXPECT_EQ(ImportIssueMaster(*db, data, prompt).message, "読み込み終了");
        EXPECT_EQ(codes(), c.stored ? c.stored : "1301|0111\n7203|0111\n");
        EXPECT_FALSE(fileExists(joinPath(data, "Regist.Mkt")));
    }
    EXPECT_TRUE(prompt.log.empty());
}

TEST_F(MarketCodes, AFailedMasterStoresNoCodesAndKeepsBothFiles) {
    writeText("Regist.Mei", "20260206,2\n9168,6,ＰＲＯ商事,100,1\n7203,x,トヨタ自動車,100,1\n");
    writeText("Regist.Mkt", "20260206,1\n9168,0105\n");
    EXPECT_EQ(ImportIssueMaster(*db, data, prompt).message, "");
    EXPECT_FALSE(hasTable());
    EXPECT_EQ(rows("SELECT count(*) FROM Mei"), "0\n");
    EXPECT_TRUE(fileExists(joinPath(data, "Regist.Mei")));
    EXPECT_TRUE(fileExists(joinPath(data, "Regist.Mkt")));
}

TEST_F(MarketCodes, ListsNameTokyoProIssuesByTheirStoredCode) {
    addMei(9168, 6, "ＰＲＯ商事");
    addMei(9169, 6, "他商事");
    addMei(7203, 1, "トヨタ自動車");
    // A file without the table names every issue by its market code.
    auto none = db::loadIssueMarkets(*db);
    ASSERT_TRUE(none) << none.message();
    EXPECT_TRUE(none->jquants.empty());
    EXPECT_FALSE(hasTable());
    ASSERT_TRUE(db::replaceJQuantsMarketCodes(*db, {{9168, "0105"}, {9169, "0109"}, {7203, "0111"}}));
    struct {
        const char* latestBar; // "" none
        int code, market;
        const char* shown;
    } cases[] = {
        {"", 9168, 6, "その他"},
        {"", 7203, 1, "東１"},
        {"20220401", 9168, 6, "その他"},
        {"20220401", 7203, 1, "東１"},
        {"20220404", 9168, 6, "TOKYO PRO"},
        {"20260206", 9168, 6, "TOKYO PRO"},
        {"20260206", 9169, 6, "その他"},
        {"20260206", 7203, 1, "プライム"},
        {"20260206", 1301, 1, "プライム"}, // no code stored: by its market code alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.latestBar) + " " + std::to_string(c.code));
        ASSERT_TRUE(db->exec("DELETE FROM dayData"));
        if (c.latestBar[0]) {
            ASSERT_TRUE(
                db->run("INSERT INTO dayData (コード, 日付, 終値) VALUES (7203, ?, 3100)", std::stoll(c.latestBar)));
        }
        auto markets = db::loadIssueMarkets(*db);
        ASSERT_TRUE(markets) << markets.message();
        EXPECT_EQ(markets->nameOf(c.code, c.market), c.shown);
    }
}

} // namespace
