#include "core/boards/BoardStore.h"

#include "core/boards/BoardPrices.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::boards;

namespace {

class BoardStoreTest : public ::testing::Test, protected test::KestrelDb {
protected:
    void SetUp() override {
        // 7203: price unit 10, volume unit 1000, two bars; 1301: no bars.
        ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
                            "(7203, 1, 'ＡＢＣ自動車', 1000, 10), (1301, 2, '極洋', 1000, 1)"));
        ASSERT_TRUE(db->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
                            "(7203, 20010517, 1, 1, 1, 1, 1, 1), (7203, 20010518, 1234, 1250, 1200, 1240, -6, 512)"));
    }
    BoardRow row(int kind, int code) {
        auto rows = readBoard(*db, kind, BoardOrder::Table);
        for (const BoardRow& r : *rows)
            if (r.code == code)
                return r;
        ADD_FAILURE() << "no row " << code;
        return {};
    }
    // market|name|date|open|high|low|close|change|volume|now|nowChange|nowVolume
    std::string fields(int kind, int code) {
        const BoardRow r = row(kind, code);
        std::string out = std::to_string(r.market) + "|" + r.name + "|" + (r.date ? std::to_string(r.date->ymd()) : "");
        for (long long v : {r.open, r.high, r.low, r.close, r.change})
            out += "|" + std::to_string(v);
        return out + "|" + r.volume.toString() + "|" + std::to_string(r.now) + "|" + std::to_string(r.nowChange) + "|" +
               r.nowVolume.toString();
    }
};

} // namespace

TEST_F(BoardStoreTest, LoadBringsRowsToTheLatestBar) {
    ASSERT_TRUE(db->run("INSERT INTO board (区分, コード, 市場コード, 銘柄, 現在値, 現前日比, 現出来高) VALUES "
                        "(1, 7203, 0, 'x', 1300, 5, 700), (1, 1301, 0, 'y', 90, 1, 2)"));
    ASSERT_TRUE(db->run("UPDATE board SET 取得状態 = '日足なし' WHERE コード = 7203"));
    ASSERT_TRUE(refreshBoardFromBars(*db, 1));
    // Prices times the price unit, the change unscaled, volume times the volume unit; current values stay
    // and a bar clears the earlier 日足なし.
    EXPECT_EQ(fields(1, 7203), "1|ＡＢＣ自動車|20010518|12340|12500|12000|12400|-6|512000|1300|5|700");
    EXPECT_EQ(row(1, 7203).failure, "");
    // No bar: no date and every price cell empty (never a zero that reads as a price), marked 日足なし.
    EXPECT_EQ(row(1, 1301).failure, "日足なし");
    EXPECT_EQ(*db->queryInt("SELECT count(*) FROM board WHERE コード = 1301 AND 日付 IS NULL AND 始値 IS NULL AND "
                            "高値 IS NULL AND 安値 IS NULL AND 終値 IS NULL AND 前日比 IS NULL AND 出来高 IS NULL AND "
                            "現在値 IS NULL AND 現前日比 IS NULL AND 現出来高 IS NULL AND 現在日付 IS NULL"),
              1);
}

TEST_F(BoardStoreTest, AddClearAndStore) {
    EXPECT_EQ(*addIssueFromLatestBar(*db, 2, 1301, "極洋"), AddOutcome::NoBar);
    EXPECT_EQ(*db->queryInt("SELECT count(*) FROM board"), 0);
    EXPECT_EQ(*addIssueFromLatestBar(*db, 2, 7203, "ＡＢＣ自動車"), AddOutcome::Added);
    EXPECT_EQ(*addIssueFromLatestBar(*db, 2, 7203, "ＡＢＣ自動車"), AddOutcome::AlreadyOnBoard);
    EXPECT_EQ(fields(2, 7203), "1|ＡＢＣ自動車|20010518|12340|12500|12000|12400|-6|512000|0|0|0");

    EXPECT_TRUE(*storeQuote(*db, 2, 7203, 1234, 12, 1234000));
    EXPECT_FALSE(*storeQuote(*db, 1, 7203, 1, 1, 1)); // not on board A
    EXPECT_EQ(fields(2, 7203), "1|ＡＢＣ自動車|20010518|12340|12500|12000|12400|-6|512000|1234|12|1234000");
    ASSERT_TRUE(clearCurrentValues(*db, 2));
    EXPECT_EQ(fields(2, 7203), "1|ＡＢＣ自動車|20010518|12340|12500|12000|12400|-6|512000|0|0|0");
}

TEST_F(BoardStoreTest, AlertFromAChartLine) {
    ASSERT_EQ(*addIssueFromLatestBar(*db, 1, 7203, "ＡＢＣ自動車"), AddOutcome::Added);
    ASSERT_TRUE(setAlert(*db, 1, 7203, 3000, 2000));
    auto alerts = [&] {
        const BoardRow r = row(1, 7203);
        return (r.above ? std::to_string(*r.above) : "-") + "|" + (r.below ? std::to_string(*r.below) : "-");
    };
    // Applied in order; each row gives the alerts after it and the refusal's kind (Ok when set).
    const struct {
        std::int32_t code;
        Currency price, lastClose;
        StatusCode status;
        const char* alerts;
    } cases[] = {
        {7203, Currency::fromDouble(2600.4), Currency::fromWhole(2500), StatusCode::Ok,
         "2600|2000"}, // above: the upper
        {7203, Currency::fromDouble(2199.6), Currency::fromWhole(2500), StatusCode::Ok,
         "2600|2200"}, // below: the lower
        {7203, Currency::fromWhole(2500), Currency::fromWhole(2500), StatusCode::Ok,
         "2500|2200"}, // at the close: upper
        {7203, Currency::fromDouble(0.4), Currency::fromWhole(2500), StatusCode::InvalidInput,
         "2500|2200"}, // rounds to 0
        {7203, Currency::fromWhole(-5), Currency::fromWhole(2500), StatusCode::InvalidInput, "2500|2200"},
        {1301, Currency::fromWhole(900), Currency::fromWhole(1000), StatusCode::NotFound,
         "2500|2200"}, // not on the board
        // Above a close of 2000 but below the kept lower alert of 2200: nothing stored.
        {7203, Currency::fromWhole(2100), Currency::fromWhole(2000), StatusCode::InvalidInput, "2500|2200"},
    };
    for (const auto& c : cases) {
        const Status st = setBoardAlertAt(*db, 1, c.code, c.price, c.lastClose);
        EXPECT_EQ(st.code(), c.status) << c.price.toString() << " " << st.message();
        EXPECT_EQ(st.message().empty(), st.code() == StatusCode::Ok) << st.message();
        EXPECT_EQ(alerts(), c.alerts) << c.price.toString();
    }
}

TEST(BoardKeysTest, KindsAndKeys) {
    EXPECT_EQ(boardKind("1"), 1);
    EXPECT_EQ(boardKind("2"), 2);
    EXPECT_EQ(boardKind("x"), 0);
    EXPECT_EQ(boardFileKey(1), "boardA");
    EXPECT_EQ(boardFileKey(0), "boardB");
    EXPECT_EQ(boardDateKey(2), "boarddateB");
}
