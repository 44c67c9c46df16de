// Market names as shown: the names since the exchange's April 2022 reorganisation for codes 1 to 3,
// the stored names before it and for every other market.
#include "core/db/MarketNames.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::db;

namespace {

struct MarketNamesDb : ::testing::Test, test::KestrelDb {};

TEST_F(MarketNamesDb, NamesOnEachSideOfTheReorganisation) {
    auto stored = loadMarketNames(*db);
    ASSERT_TRUE(stored) << stored.message();
    const Date before = *Date::fromYmd(2022, 4, 1), on = *Date::fromYmd(2022, 4, 4),
               later = *Date::fromYmd(2026, 12, 4);
    const struct {
        int code;
        Date day;
        const char* shown;
    } cases[] = {
        {1, before, "東１"}, {2, before, "東２"},    {3, before, "店頭"}, {1, on, "プライム"}, {2, on, "スタンダード"},
        {3, on, "グロース"}, {1, later, "プライム"}, {4, later, "大証"},  {5, later, "名証"},  {6, later, "その他"},
        {0, later, ""},      {11, later, ""},        {-1, later, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(marketNameOn(*stored, c.code, c.day), c.shown) << c.code << " " << c.day.toIso();

    // A market the user renamed keeps the user's name.
    ASSERT_TRUE(db->run("UPDATE Shijyo SET 略称 = 'Ｐ' WHERE コード = 1"));
    stored = loadMarketNames(*db);
    EXPECT_EQ(marketNameOn(*stored, 1, later), "Ｐ");
}

TEST_F(MarketNamesDb, TokyoProIssuesByTheirJQuantsMarket) {
    auto stored = loadMarketNames(*db);
    ASSERT_TRUE(stored) << stored.message();
    const Date before = *Date::fromYmd(2022, 4, 1), on = *Date::fromYmd(2022, 4, 4),
               later = *Date::fromYmd(2026, 12, 4);
    const struct {
        int code;
        const char* jquants;
        Date day;
        const char* shown;
    } cases[] = {
        {6, "0105", later, "TOKYO PRO"}, {6, "0105", on, "TOKYO PRO"},   {6, "0105", before, "その他"},
        {6, "0109", later, "その他"},    {6, "", later, "その他"},       {1, "0105", later, "プライム"},
        {1, "0111", later, "プライム"},  {3, "0113", later, "グロース"}, {3, "0113", before, "店頭"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(issueMarketNameOn(*stored, c.code, c.jquants, c.day), c.shown)
            << c.code << " " << c.jquants << " " << c.day.toIso();

    // A market 6 the user renamed keeps the user's name for every issue.
    ASSERT_TRUE(db->run("UPDATE Shijyo SET 略称 = '東京PRO' WHERE コード = 6"));
    stored = loadMarketNames(*db);
    EXPECT_EQ(issueMarketNameOn(*stored, 6, "0105", later), "東京PRO");
}

TEST_F(MarketNamesDb, TheShownNamesFollowTheLatestStoredBar) {
    // Codes as the J-Quants master stores them: Prime 1, Standard 2, Growth 3; the stored codes stay.
    ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
                        "(7203, 1, 'トヨタ自動車', 100, 1), (1301, 2, '極洋', 100, 1), (4385, 3, 'メルカリ', 100, 1)"));
    auto shown = loadShownMarketNames(*db); // no bars yet: the stored names
    ASSERT_TRUE(shown);
    EXPECT_EQ((std::vector<std::string>{(*shown)[1], (*shown)[2], (*shown)[3]}),
              (std::vector<std::string>{"東１", "東２", "店頭"}));
    ASSERT_TRUE(db->run("INSERT INTO dayData (コード, 日付, 終値) VALUES (7203, 20220401, 2100)"));
    shown = loadShownMarketNames(*db);
    EXPECT_EQ((*shown)[1], "東１");
    ASSERT_TRUE(db->run("INSERT INTO dayData (コード, 日付, 終値) VALUES (7203, 20261204, 3100)"));
    shown = loadShownMarketNames(*db);
    EXPECT_EQ((std::vector<std::string>{(*shown)[1], (*shown)[2], (*shown)[3], (*shown)[6]}),
              (std::vector<std::string>{"プライム", "スタンダード", "グロース", "その他"}));
    EXPECT_EQ(*db->queryInt("SELECT 市場コード FROM Mei WHERE コード = 4385"), 3);
    EXPECT_EQ(issueListRow(4385, marketName(*shown, 3), "メルカリ"), "4385 グロース メルカリ");
}

} // namespace
