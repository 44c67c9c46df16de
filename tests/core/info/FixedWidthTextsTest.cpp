// Every fixed-width text the lists, boards and ledger store, written with the largest and the longest
// value it can be given: stored whole when it fits, cut to its field otherwise, never refused.
#include "core/app/Encoding.h"
#include "core/boards/BoardEntries.h"
#include "core/boards/BoardPrices.h"
#include "core/boards/BoardStore.h"
#include "core/import/ImportFixture.h"
#include "core/import/IssueMaster.h"
#include "core/info/InformationStore.h"
#include "core/trade/Ledger.h"

using namespace kestrel;

namespace {

std::string times(const char* s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

struct FixedWidth : test::ImportFixture {
    test::ScriptedPrompt prompt;
};

TEST_F(FixedWidth, EveryTextIsStoredWholeOrCutToItsField) {
    const std::string name20 = times("東", 20), name25 = times("東", 25);
    const Date day = *Date::fromYmd(2024, 6, 28);
    // Mei from the issue master: a 20-character full-width name whole, a 25-character one cut.
    writeText("Regist.Mei", "20240628,2\n1301,1," + name25 + ",1,1\n1302,1," + name20 + ",1,1\n");
    ASSERT_EQ(import::ImportIssueMaster(*db, data, prompt).message, import::kReadFinished);
    exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
         "(1301, 20240628, 1000000, 1000000, 999999, 1000000, -999999, 2000000000), "
         "(1302, 20240628, 1, 1, 1, 1, 0, 2000000000)");

    // Boards: names given longer than the field, the time text, the reason of a failed refresh.
    auto added = boards::addIssueFromLatestBar(*db, 1, 1301, name25);
    ASSERT_TRUE(added && *added == boards::AddOutcome::Added);
    ASSERT_TRUE(boards::registerShownIssue(*db, 2, {"1302", "東証", name25 + "Ｘ"}, day, prompt));
    ASSERT_TRUE(boards::storePrice(*db, 1, 1301, 1000000, -999999, Currency::fromWhole(2000000000), day, "15:00:00"));
    ASSERT_TRUE(boards::markFailed(*db, 2, 1302, times("失", 250)));

    // Downloaded lists: a kind name, a title and a value text longer than their fields.
    info::KindsFile kinds{day, 1, {{"d99", times("種", 45), 1}}};
    auto taken = info::storeKinds(*db, kinds);
    ASSERT_TRUE(taken && *taken) << taken.message();
    info::ListFile list{
        day, 1, times("題", 30), {{1, 1301, 1000000, Currency::fromWhole(2000000000), -999999, times("値", 15)}}};
    ASSERT_TRUE(info::storeList(*db, "d99", day, list));

    // The ledger: the name from Mei, the two dates at their eight characters.
    auto lot = trade::editRow(*db, trade::LedgerRow{},
                              {{trade::kColCode, "1302"},
                               {trade::kColBuyDate, "24/06/28"},
                               {trade::kColBuyPrice, "1"},
                               {trade::kColBuyCount, "2000000000"},
                               {trade::kColSellDate, "24/06/28"}},
                              Currency(), prompt);
    ASSERT_TRUE(lot) << lot.message();

    const struct {
        const char* field;
        const char* sql;
        std::string want;
    } cases[] = {
        {"Mei 銘柄, cut", "SELECT 銘柄 FROM Mei WHERE コード=1301", name20},
        {"Mei 銘柄, whole", "SELECT 銘柄 FROM Mei WHERE コード=1302", name20},
        {"board 銘柄, added", "SELECT 銘柄 FROM board WHERE 区分=1", name20},
        {"board 銘柄, registered", "SELECT 銘柄 FROM board WHERE 区分=2", name20},
        {"board 現在時刻", "SELECT 現在時刻 FROM board WHERE 区分=1", "15:00"},
        {"board 取得状態", "SELECT 取得状態 FROM board WHERE 区分=2", times("失", 200)},
        {"informationClass 種類名", "SELECT 種類名 FROM informationClass WHERE 種類コード='d99'", times("種", 40)},
        {"informationData 値", "SELECT 値 FROM informationData", times("値", 10)},
        {"informationData コメント", "SELECT コメント FROM informationData", times("題", 10)},
        {"stockmarket 銘柄", "SELECT 銘柄 FROM stockmarket", name20},
        {"stockmarket 購入日", "SELECT 購入日 FROM stockmarket", "24/06/28"},
        {"stockmarket 売却日", "SELECT 売却日 FROM stockmarket", "24/06/28"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rows(c.sql), c.want + "\n") << c.field;
    // The figures beside them are whole.
    EXPECT_EQ(rows("SELECT 現在値, 現前日比, 現出来高 FROM board WHERE 区分=1"), "1000000|-999999|2000000000\n");
    EXPECT_EQ(rows("SELECT 株価, 出来高, 前日比 FROM informationData"), "1000000|2000000000|-999999\n");
    EXPECT_EQ(rows("SELECT 購入額, 購入数 FROM stockmarket"), "1|2000000000\n");
}

} // namespace
