// Unsold lots across a split: shown adjusted, stored as traded; sold lots unchanged; removal restores.
#include "core/trade/LedgerSplits.h"

#include "core/db/SplitTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;

namespace {

struct LedgerSplitsDb : ::testing::Test, test::KestrelDb {};

TEST_F(LedgerSplitsDb, LotBoughtBeforeA1To2SplitShowsTwiceTheSharesAtHalfThePrice) {
    exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
         "(1301, 20240104, 1000, 1, 1, 1000, 0, 1), (1301, 20240105, 520, 1, 1, 520, 0, 1)");
    // Unsold before, sold before, unsold bought on the split day.
    exec("INSERT INTO stockmarket (コード, 市場コード, 銘柄, 購入日, 購入額, 購入数, 損益分岐点, 現在額, 売却日, "
         "売却額, "
         "売却数, 利益) VALUES "
         "(1301, 1, 'A', '24/01/04', 1000, 100, 1041, 520, '00/00/00', 0, 0, 0), "
         "(1301, 1, 'A', '24/01/04', 1000, 100, 1040, 520, '24/01/04', 1100, 100, 6000), "
         "(1301, 1, 'A', '24/01/05', 500, 100, 520, 520, '00/00/00', 0, 0, 0)");
    ASSERT_TRUE(db::addSplit(*db, 1301, *Date::fromYmd(2024, 1, 5), 1, 2));

    auto stored = trade::readLedger(*db, trade::LedgerView::All);
    ASSERT_TRUE(stored);
    auto shown = *stored;
    std::vector<bool> adjusted;
    ASSERT_TRUE(trade::adjustLotsForSplits(*db, shown, adjusted));
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(adjusted, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(*shown[0].buyCount, 200);
    EXPECT_EQ(*shown[0].buyPrice, 500);
    EXPECT_EQ(*shown[0].breakEven, 520); // 520.5 to even
    EXPECT_EQ(*shown[0].profit, 0);      // 200 x 520 - 200 x 520
    EXPECT_EQ(shown[1], (*stored)[1]);
    EXPECT_EQ(shown[2], (*stored)[2]);
    // The stored row keeps what was traded.
    EXPECT_EQ(rows("SELECT 購入額, 購入数, 損益分岐点 FROM stockmarket WHERE ID = " + std::to_string(shown[0].ID)),
              "1000|100|1041\n");

    ASSERT_TRUE(db::removeSplit(*db, 1301, *Date::fromYmd(2024, 1, 5)));
    auto again = *stored;
    ASSERT_TRUE(trade::adjustLotsForSplits(*db, again, adjusted));
    EXPECT_EQ(again, *stored);
    EXPECT_EQ(adjusted, (std::vector<bool>{false, false, false}));
}

TEST_F(LedgerSplitsDb, RefreshStoresTheProfitOfTheSharesHeldNow) {
    exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, 'A', 1, 1)");
    exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
         "(1301, 20240104, 1000, 1, 1, 1000, 0, 1), (1301, 20240105, 530, 1, 1, 530, 0, 1)");
    // Unsold and sold lots bought before the split, an unsold lot bought on its day.
    exec("INSERT INTO stockmarket (コード, 市場コード, 銘柄, 購入日, 購入額, 購入数, 損益分岐点, 現在額, 売却日, "
         "売却額, 売却数, 利益) VALUES "
         "(1301, 1, 'A', '24/01/04', 1000, 100, 1040, 0, '00/00/00', 0, 0, 0), "
         "(1301, 1, 'A', '24/01/04', 1000, 100, 1040, 0, '24/01/04', 1100, 100, 6000), "
         "(1301, 1, 'A', '24/01/05', 500, 100, 520, 0, '00/00/00', 0, 0, 0)");
    ASSERT_TRUE(db::addSplit(*db, 1301, *Date::fromYmd(2024, 1, 5), 1, 2));
    test::ScriptedPrompt prompt;
    ASSERT_TRUE(trade::refreshCurrentPrices(*db, prompt));
    // 200 x 530 - 200 x 520 (not 100 x 530 - 100 x 1040); the sale keeps its profit; 100 x (530 - 520).
    EXPECT_EQ(rows("SELECT 購入額, 購入数, 損益分岐点, 現在額, 利益 FROM stockmarket ORDER BY ID"),
              "1000|100|1040|530|2000\n1000|100|1040|530|6000\n500|100|520|530|1000\n");
    EXPECT_TRUE(prompt.notices.empty());
    // An edit of the first lot's current price stores the profit the same way: 200 x 540 - 200 x 520.
    auto first = trade::readLedgerRow(*db, 1);
    ASSERT_TRUE(first && *first);
    auto edited = trade::editRow(*db, **first, {{trade::kColCurrent, "540"}}, Currency::fromWhole(0), prompt);
    ASSERT_TRUE(edited) << edited.message();
    EXPECT_EQ(rows("SELECT 購入数, 損益分岐点, 利益 FROM stockmarket WHERE ID = 1"), "100|1040|4000\n");
}

} // namespace
