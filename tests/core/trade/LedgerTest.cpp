#include "core/trade/Ledger.h"

#include "core/app/Date.h"
#include "core/app/Encoding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace kestrel;
using namespace kestrel::trade;

namespace {

const Currency kSonPa4 = Currency::fromWhole(4);

struct LedgerDb : ::testing::Test, test::KestrelDb {
    test::ScriptedPrompt prompt;
    void SetUp() override {
        ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
                            "(7203, 1, 'トヨタ自動車', 100, 1), (9984, 1, 'ソフトバンク', 100, 10)"));
    }
    // A stored lot: code, purchase price and count, with the break-even at 4 %.
    LedgerRow add(std::int64_t code, const std::string& price, const std::string& count) {
        auto r =
            editRow(*db, LedgerRow{}, {{kColCode, std::to_string(code)}, {kColBuyPrice, price}, {kColBuyCount, count}},
                    kSonPa4, prompt);
        EXPECT_TRUE(r) << r.message();
        return r ? r->row : LedgerRow{};
    }
    LedgerRow stored(std::int64_t id) {
        auto r = readLedgerRow(*db, id);
        EXPECT_TRUE(r && *r);
        return r && *r ? **r : LedgerRow{};
    }
};

} // namespace

TEST(LedgerArithmetic, BreakEvenRaisesByThePercentageWithHalvesGoingUp) {
    struct Case {
        std::int64_t price;
        double sonPa;
        std::optional<std::int64_t> expected;
    } cases[] = {
        {1000, 4, 1040},
        {999, 4, 1039}, // 1038.96
        {75, 2, 77},
        {35, 10, 39}, // 76.5 and 38.5: halves go up, not to even
        {1000, 4.5, 1045},
        {9000, 4, 9360},
        {0, 4, 0},
        {101, 0.0001, 101},
        {-25, 2, -25}, // -25.5 + 0.5 is exactly -25
        {-26, 2, -27}, // -26.52 + 0.5 = -26.02, whole part downwards
        {INT64_MAX / 100, 4, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(breakEvenPrice(c.price, Currency::fromDouble(c.sonPa)), c.expected) << c.price << " at " << c.sonPa;
}

TEST(LedgerArithmetic, ProfitIsExactIn64BitsAndOverflowIsNothing) {
    struct Case {
        std::int64_t count, price, breakEven;
        std::optional<std::int64_t> expected;
    } cases[] = {{300, 1100, 1040, 18000},
                 {1000, 0, 1040, -1040000},
                 {3000000, 0, 9360, -28080000000LL},
                 {3000000, 9000, 9360, -1080000000LL}, // the products exceed 32 bits, the difference does not
                 {INT64_MAX, 2, 1, std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(lotProfit(c.count, c.price, c.breakEven), c.expected) << c.count << " x " << c.price;
}

TEST_F(LedgerDb, ANewRowIsRepairedAndFilledFromMei) {
    auto r = editRow(*db, LedgerRow{}, {{kColCode, "7203"}}, kSonPa4, prompt);
    ASSERT_TRUE(r) << r.message();
    EXPECT_GT(r->row.ID, 0);
    const LedgerRow want{r->row.ID, 7203, 1, "トヨタ自動車", Date::today().toYYMMDD(), 0, 0, 0, 0, "00/00/00", 0, 0, 0};
    EXPECT_EQ(r->row, want);
    EXPECT_EQ(stored(r->row.ID), want);
    EXPECT_TRUE(prompt.log.empty());

    // A code that Mei does not know empties the name.
    auto unknown = editRow(*db, want, {{kColCode, "1234"}}, kSonPa4, prompt);
    ASSERT_TRUE(unknown) << unknown.message();
    EXPECT_EQ(unknown->row.name, "");
    EXPECT_EQ(unknown->row.marketCode, 1);
}

TEST_F(LedgerDb, TypedCellsAreRepairedAsTheBoardRepairsThem) {
    LedgerRow base = add(7203, "1000", "1000");
    struct Case {
        int column;
        std::string typed;
        std::string shown; // the cell after the edit
    } cases[] = {
        {kColBuyPrice, "abc", "0"},
        {kColBuyPrice, "1,000", "1000"},
        {kColBuyCount, "1.5", "2"},
        {kColBuyCount, "2.5", "2"},
        {kColBuyCount, " 700 ", "700"},
        {kColBuyDate, "26/13/01", Date::today().toYYMMDD()},
        {kColBuyDate, "26/1/6", "26/1/6"},
        {kColSellDate, "", "00/00/00"},
        {kColSellDate, "26/12/04", "26/12/04"},
        {kColMarket, "x", "1"}, // the look-up of the code puts Mei's market back
        {kColProfit, "12.5", "12"},
    };
    for (const Case& c : cases) {
        auto r = editRow(*db, base, {{c.column, c.typed}}, kSonPa4, prompt);
        ASSERT_TRUE(r) << c.typed << ": " << r.message();
        EXPECT_EQ(cellText(stored(base.ID), c.column), c.shown) << "typed \"" << c.typed << "\"";
        base = r->row;
    }
    EXPECT_TRUE(prompt.log.empty());
}

TEST_F(LedgerDb, RefusedValuesLeaveTheRowAsItWas) {
    LedgerRow base = add(7203, "1000", "1000");
    struct Case {
        int column;
        std::string typed;
        std::string inMessage;
    } cases[] = {
        {kColBuyDate, "2026/1/06", "8 文字まで"}, // a date, but nine characters
        {kColSellDate, "2026/12/04", "8 文字まで"},
        {kColName, std::string(21, 'a'), "20 文字まで"},
        {kColBuyCount, "3000000000", "2147483647"},
        {kColMarket, "40000", "32767"},
        {kColBuyCount, "-5", "負の数"},
        {kColSellCount, "-1", "負の数"},
        {kColSellCount, "1500", "売却数 1500 が購入数 1000 より多い"},
        {kColBuyPrice, "2100000000", "損益分岐点 2184000000"},
        {kColId, "5", "ID は変更できません"},
    };
    for (const Case& c : cases) {
        auto r = editRow(*db, base, {{c.column, c.typed}}, kSonPa4, prompt);
        ASSERT_FALSE(r) << c.typed;
        EXPECT_NE(r.message().find(c.inMessage), std::string::npos) << r.message();
        EXPECT_EQ(stored(base.ID), base) << c.typed;
    }
    EXPECT_TRUE(prompt.questions.empty());
}

TEST_F(LedgerDb, ProfitBeyond32BitsIsRefusedNotWrapped) {
    auto r = editRow(*db, LedgerRow{}, {{kColCode, "7203"}, {kColBuyPrice, "9000"}, {kColBuyCount, "3000000"}}, kSonPa4,
                     prompt);
    ASSERT_FALSE(r);
    EXPECT_NE(r.message().find("オーバーフローしました。利益 -28080000000"), std::string::npos) << r.message();
    EXPECT_EQ(*db->queryInt("SELECT count(*) FROM stockmarket"), 0);

    // With the current price known the same lot fits: 3,000,000 x (9000 - 9360).
    LedgerRow lot = add(7203, "9000", "0");
    ASSERT_TRUE(editRow(*db, lot, {{kColCurrent, "9000"}}, kSonPa4, prompt));
    auto big = editRow(*db, stored(lot.ID), {{kColBuyCount, "3000000"}}, kSonPa4, prompt);
    ASSERT_TRUE(big) << big.message();
    EXPECT_EQ(stored(lot.ID).profit, -1080000000LL);
}

TEST_F(LedgerDb, BreakEvenAndProfitFollowTheEditedCells) {
    LedgerRow lot = add(7203, "999", "1000");
    EXPECT_EQ(std::tie(lot.breakEven, lot.profit), std::make_tuple(1039, -1039000)); // unsold, current price 0
    // Selling all of the lot asks nothing and counts the sale; a changed purchase price of a sold lot
    // moves its profit too: 1000 x (1200 - 1144).
    struct Step {
        std::vector<CellEdit> edits;
        std::int64_t breakEven, profit;
    } steps[] = {
        {{{kColBuyPrice, "1000"}}, 1040, -1040000},
        {{{kColCurrent, "1100"}}, 1040, 60000}, // 1000 x (1100 - 1040)
        {{{kColSellPrice, "1200"}, {kColSellCount, "1000"}}, 1040, 160000},
        {{{kColBuyPrice, "1100"}}, 1144, 56000},
    };
    for (const Step& step : steps) {
        auto r = editRow(*db, lot, step.edits, kSonPa4, prompt);
        ASSERT_TRUE(r) << r.message();
        EXPECT_FALSE(r->added);
        EXPECT_EQ(std::tie(r->row.breakEven, r->row.profit), std::make_tuple(step.breakEven, step.profit));
        EXPECT_EQ(stored(lot.ID), r->row);
        lot = r->row;
    }
    EXPECT_TRUE(prompt.log.empty());
}

TEST_F(LedgerDb, APartialSaleSplitsTheLotOnYes) {
    LedgerRow lot = add(7203, "1000", "1000");
    ASSERT_TRUE(editRow(*db, lot, {{kColBuyDate, "26/11/02"}}, kSonPa4, prompt));
    lot = stored(lot.ID);
    prompt.answer(true);
    auto r = editRow(*db, lot, {{kColSellDate, "26/12/04"}, {kColSellPrice, "1100"}, {kColSellCount, "300"}}, kSonPa4,
                     prompt);
    ASSERT_TRUE(r) << r.message();
    EXPECT_EQ(prompt.questions,
              (std::vector<std::string>{
                  "確認|700株 購入数が売却数より多いです 700株 の新規行を作成します　よろしいですか？"}));
    LedgerRow sold = stored(lot.ID);
    EXPECT_EQ(sold.buyCount, 300);
    EXPECT_EQ(sold.sellCount, 300);
    EXPECT_EQ(sold.profit, 18000); // 300 x (1100 - 1040)
    ASSERT_TRUE(r->added);
    LedgerRow rest = stored(r->added->ID);
    EXPECT_EQ(rest, *r->added);
    EXPECT_EQ(rest, (LedgerRow{rest.ID, 7203, 1, "トヨタ自動車", "26/11/02", 1000, 700, 1040, 0, "00/00/00", 0, 0, 0}));
    auto unsold = readLedger(*db, LedgerView::Unsold);
    ASSERT_TRUE(unsold);
    ASSERT_EQ(unsold->size(), 1u);
    EXPECT_EQ(unsold->front().ID, rest.ID);

    // On No the partial sale is kept on the one row.
    LedgerRow other = add(9984, "500", "200");
    prompt.answer(false);
    auto kept = editRow(*db, other, {{kColSellCount, "50"}}, kSonPa4, prompt);
    ASSERT_TRUE(kept);
    EXPECT_FALSE(kept->added);
    EXPECT_EQ(stored(other.ID).buyCount, 200);
    EXPECT_EQ(*db->queryInt("SELECT count(*) FROM stockmarket"), 3);
}

TEST_F(LedgerDb, ViewsOrderByCodeThenId) {
    LedgerRow a = add(9984, "1", "10");
    LedgerRow b = add(7203, "1", "10");
    LedgerRow c = add(7203, "1", "10");
    ASSERT_TRUE(editRow(*db, b, {{kColSellCount, "10"}}, kSonPa4, prompt));
    auto ids = [&](LedgerView v) {
        std::vector<std::int64_t> out;
        auto rows = readLedger(*db, v);
        for (const LedgerRow& r : *rows)
            out.push_back(r.ID);
        return out;
    };
    EXPECT_EQ(ids(LedgerView::All), (std::vector<std::int64_t>{b.ID, c.ID, a.ID}));
    EXPECT_EQ(ids(LedgerView::Unsold), (std::vector<std::int64_t>{c.ID, a.ID}));
    EXPECT_EQ(ids(LedgerView::Sold), (std::vector<std::int64_t>{b.ID}));
}

TEST_F(LedgerDb, OpeningRefreshTakesTheNewestBar) {
    ASSERT_TRUE(
        db->run("INSERT INTO dayData (コード, 日付, 終値) VALUES (7203, 20261203, 1200), (7203, 20261204, 1100), "
                "(9984, 20261204, 700), (4444, 20261204, 50), (5555, 20261204, 300000000)"));
    ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 株価単位) VALUES (5555, 2, '大型', 10)"));
    LedgerRow unsold = add(7203, "1000", "1000");
    LedgerRow sold = add(7203, "1000", "500");
    ASSERT_TRUE(editRow(*db, sold, {{kColSellPrice, "900"}, {kColSellCount, "500"}}, kSonPa4, prompt));
    LedgerRow tenths = add(9984, "6000", "100");
    LedgerRow noBars = add(1301, "100", "100");
    LedgerRow gone = add(4444, "10", "10");
    ASSERT_TRUE(db->run("UPDATE stockmarket SET 市場コード = 3, 銘柄 = '旧名' WHERE ID = ?", gone.ID));
    LedgerRow huge = add(5555, "1", "10");
    LedgerRow noBarsBefore = stored(noBars.ID);
    LedgerRow hugeBefore = stored(huge.ID);

    ASSERT_TRUE(refreshCurrentPrices(*db, prompt));
    // 1000 x 1100 - 1000 x 1040; a sale keeps its profit, 500 x (900 - 1040); 株価単位 10 x 700 and
    // 100 x (7000 - 6240).
    struct Refreshed {
        std::int64_t id, current, profit;
    } refreshed[] = {{unsold.ID, 1100, 60000}, {sold.ID, 1100, -70000}, {tenths.ID, 7000, 76000}};
    for (const Refreshed& e : refreshed)
        EXPECT_EQ(std::make_tuple(stored(e.id).currentPrice, stored(e.id).profit),
                  std::make_tuple(e.current, e.profit));
    EXPECT_EQ(stored(noBars.ID), noBarsBefore);
    EXPECT_EQ(std::make_tuple(stored(gone.ID).name, stored(gone.ID).marketCode), std::make_tuple("", 3));
    // 300,000,000 x 10 does not fit the field: reported, and the old price and profit stay.
    hugeBefore.marketCode = 2;
    hugeBefore.name = "大型";
    EXPECT_EQ(stored(huge.ID), hugeBefore);
    ASSERT_EQ(prompt.notices.size(), 1u);
    EXPECT_NE(prompt.notices[0].find("オーバーフローしました。現在額 3000000000"), std::string::npos);
    EXPECT_NE(prompt.notices[0].find("ID=" + std::to_string(huge.ID)), std::string::npos);
}

TEST_F(LedgerDb, OpeningRefreshReportsAProfitBeyond32Bits) {
    ASSERT_TRUE(db->run("INSERT INTO dayData (コード, 日付, 終値) VALUES (7203, 20261204, 100), (1301, 20261203, 5)"));
    ASSERT_TRUE(db->run("INSERT INTO stockmarket (コード, 購入額, 購入数, 損益分岐点, 現在額, 売却数, 利益) "
                        "VALUES (7203, 9000, 3000000, 9360, 9000, 0, -1080000000)"));
    PriceDates dates;
    ASSERT_TRUE(refreshCurrentPrices(*db, prompt, &dates, *Date::fromYmd(2026, 12, 4)));
    EXPECT_EQ(priceDatesText(dates), "現在額: 26/12/04 の終値");
    ASSERT_TRUE(
        db->run("INSERT INTO stockmarket (コード, 購入額, 購入数, 売却数) VALUES (1301, 5, 1, 0), (1301, 6, 1, 0)"));
    dates = {};
    ASSERT_TRUE(refreshCurrentPrices(*db, prompt, &dates, *Date::fromYmd(2026, 12, 7)));
    EXPECT_EQ(priceDatesText(dates), "現在額: 26/12/04 の終値（古い株価: 1301 7203）");
    prompt.notices.resize(1);
    auto row = *readLedgerRow(*db, 1);
    EXPECT_EQ(row->currentPrice, 100);
    EXPECT_EQ(row->profit, -1080000000); // 3,000,000 x (100 - 9360) does not fit
    ASSERT_EQ(prompt.notices.size(), 1u);
    EXPECT_NE(prompt.notices[0].find("利益 -27780000000"), std::string::npos) << prompt.notices[0];
}

TEST_F(LedgerDb, CsvHoldsTheHeaderAndOneLinePerRow) {
    const std::string header =
        "コード,市場コード,銘柄,購入日,購入額,購入数,損益分岐点,現在額,売却日,売却額,売却数,利益\r\n";
    std::string path = ledgerCsvPath(dir.path());
    ASSERT_TRUE(exportLedgerCsv(*db, path));
    EXPECT_EQ(test::readFile(path), *utf8ToCp932(header));

    ASSERT_TRUE(
        db->run("INSERT INTO stockmarket (コード, 市場コード, 銘柄, 購入日, 購入額, 購入数, 損益分岐点, 現在額, "
                "売却日, 売却額, 売却数, 利益) VALUES "
                "(9984, 1, 'ソフトバンク', '26/11/02', 6000, 100, 6240, 7000, '00/00/00', 0, 0, 76000), "
                "(7203, 1, 'A,B \"C\"', '26/11/02', 1000, 300, 1040, 0, '26/12/04', 1100, 300, 18000)"));
    ASSERT_TRUE(db->run("INSERT INTO stockmarket (コード) VALUES (1301)"));
    ASSERT_TRUE(exportLedgerCsv(*db, path));
    EXPECT_EQ(test::readFile(path),
              *utf8ToCp932(header + "1301,,,,,,,,,,,\r\n"
                                    "7203,1,\"A,B \"\"C\"\"\",26/11/02,1000,300,1040,0,26/12/04,1100,300,18000\r\n"
                                    "9984,1,ソフトバンク,26/11/02,6000,100,6240,7000,00/00/00,0,0,76000\r\n"));

    // A name without a CP932 form is refused and the old file stays.
    std::string before = test::readFile(path);
    ASSERT_TRUE(db->run("UPDATE stockmarket SET 銘柄 = '😀' WHERE コード = 1301"));
    Status s = exportLedgerCsv(*db, path);
    ASSERT_FALSE(s);
    EXPECT_NE(s.message().find("の銘柄「😀」"), std::string::npos) << s.message();
    EXPECT_EQ(test::readFile(path), before);
}

TEST_F(LedgerDb, DeleteAsksAndNeedsACodeAndAnId) {
    LedgerRow lot = add(7203, "1000", "100");
    prompt.answer(false);
    EXPECT_EQ(deleteLedgerRow(*db, lot, prompt).code(), StatusCode::Cancelled);
    EXPECT_EQ(prompt.questions,
              (std::vector<std::string>{"確認|コード=7203 銘柄を売買管理ボードから削除しますよろしいですか？"}));
    LedgerRow noCode = lot;
    noCode.code.reset();
    EXPECT_EQ(deleteLedgerRow(*db, noCode, prompt).code(), StatusCode::NotFound);
    EXPECT_EQ(deleteLedgerRow(*db, LedgerRow{}, prompt).code(), StatusCode::NotFound);
    EXPECT_EQ(prompt.questions.size(), 1u);
    prompt.answer(true);
    EXPECT_TRUE(deleteLedgerRow(*db, lot, prompt));
    EXPECT_EQ(*db->queryInt("SELECT count(*) FROM stockmarket"), 0);
}

TEST_F(LedgerDb, ANewLotStartsAtTheLatestCloseAndShowsItsUnrealisedProfit) {
    // 9984: 株価単位 10, latest close 378 (3,780 yen); 7203 has no bar.
    ASSERT_TRUE(
        db->run("INSERT INTO dayData (コード, 日付, 終値) VALUES (9984, 20261203, 370), (9984, 20261204, 378)"));
    LedgerRow lot = add(9984, "2850", "100");
    LedgerRow noPrice = add(7203, "1000", "100");
    // 100 x 3,780 - 100 x 2,964 (2,850 at 4 %); not 0 and -296,400.
    EXPECT_EQ(std::make_tuple(stored(lot.ID).currentPrice, stored(lot.ID).profit), std::make_tuple(3780, 81600));
    const struct {
        LedgerRow row;
        int column;
        const char* shown;
    } cells[] = {
        {stored(lot.ID), kColCurrent, "3780"},      {stored(lot.ID), kColProfit, "81600"},
        {stored(lot.ID), kColSellDate, ""},    // not sold: empty, not "00/00/00"
        {stored(noPrice.ID), kColCurrent, ""}, // no price: empty, not a 0 that reads as a price
        {stored(noPrice.ID), kColProfit, ""},  // nor a loss of the whole break-even
        {stored(noPrice.ID), kColBuyPrice, "1000"},
    };
    for (const auto& c : cells)
        EXPECT_EQ(shownText(c.row, c.column), c.shown) << c.row.ID << " column " << c.column;
    EXPECT_EQ(cellText(stored(lot.ID), kColSellDate), kNotSold); // stored and exported as before
    EXPECT_EQ(ledgerCaption(kColProfit, LedgerView::Unsold), "評価損益");
    EXPECT_EQ(ledgerCaption(kColProfit, LedgerView::Sold), "利益");

    // Sold at 4,000: the profit is realised and shown, with the date of the sale.
    auto sold = editRow(*db, stored(lot.ID),
                        {{kColSellPrice, "4000"}, {kColSellCount, "100"}, {kColSellDate, "26/12/07"}}, kSonPa4, prompt);
    ASSERT_TRUE(sold) << sold.message();
    EXPECT_EQ(sold->row.profit, 103600); // 100 x (4,000 - 2,964)
    EXPECT_EQ(shownText(sold->row, kColSellDate), "26/12/07");
    EXPECT_EQ(shownText(sold->row, kColProfit), "103600");
}
