#include "core/boards/BoardPrices.h"

#include "core/db/Schema.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::boards;
using test::ymd;

namespace {

class BoardPricesTest : public ::testing::Test, protected test::KestrelDb {
protected:
    BoardRow row(int code) {
        auto rows = readBoard(*db, 1, BoardOrder::Table);
        for (const BoardRow& r : *rows)
            if (r.code == code)
                return r;
        ADD_FAILURE() << "no row " << code;
        return {};
    }
    // now|nowChange|nowVolume|priceDate|failure
    std::string current(int code) {
        const BoardRow r = row(code);
        return std::to_string(r.now) + "|" + std::to_string(r.nowChange) + "|" + r.nowVolume.toString() + "|" +
               (r.priceDate ? std::to_string(r.priceDate->ymd()) : "") + "|" + r.failure;
    }
};

} // namespace

TEST_F(BoardPricesTest, FillFromStoredBars) {
    ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
                        "(7203, 1, 'トヨタ自動車', 100, 1), (1301, 1, '極洋', 100, 1), (6758, 1, 'ソニー', 100, 1), "
                        "(9984, 1, 'ソフトバンク', 100, 1)"));
    ASSERT_TRUE(
        db->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
                "(7203, 20260105, 2500, 2500, 2500, 2500, 0, 1), (7203, 20260106, 2500, 2520, 2490, 2512, 12, 300), "
                "(6758, 20260102, 3000, 3000, 3000, 3000, 10, 50), "
                "(6758, 20260105, 1500, 1530, 1490, 1520, -1480, 1000), "
                "(9984, 20251230, 800, 801, 800, 801, 4, 10)"));
    // 6758 and 9984 split 1:2 on 2026-01-05; the proposal on 7203 is not confirmed and changes nothing.
    ASSERT_TRUE(db->run("INSERT INTO Bunkatu (コード, 日付, 分割前, 分割後, 出所, 状態) VALUES "
                        "(6758, 20260105, 1, 2, 1, 1), (9984, 20260105, 1, 2, 1, 1), (7203, 20260106, 1, 10, 2, 0)"));
    ASSERT_TRUE(
        db->run("INSERT INTO board (区分, コード, 市場コード, 銘柄, 現在値, 現前日比, 現出来高, 現在日付) VALUES "
                "(1, 7203, 1, 'トヨタ自動車', 0, 0, 0, NULL), (1, 1301, 1, '極洋', 777, 7, 70, 20251226), "
                "(1, 6758, 1, 'ソニー', 0, 0, 0, NULL), (1, 9984, 1, 'ソフトバンク', 0, 0, 0, NULL)"));
    ASSERT_TRUE(setAlert(*db, 1, 7203, 2500, std::nullopt));
    ASSERT_TRUE(setAlert(*db, 1, 6758, std::nullopt, 1500));
    ASSERT_TRUE(fillFromStoredBars(*db, 1));

    EXPECT_EQ(current(7203), "2512|12|30000|20260106|");
    // No bar: the last values stay, with the reason.
    EXPECT_EQ(current(1301), "777|7|70|20251226|日足なし");
    // The first day after a 1:2 split: the change against half the close before (3000 / 2).
    EXPECT_EQ(current(6758), "1520|20|100000|20260105|");
    // A bar before a split shows halved (801 / 2 = 400.5, halves to even), its volume doubled.
    EXPECT_EQ(current(9984), "400|2|2000|20251230|");

    auto rows = readBoard(*db, 1, BoardOrder::Table);
    ASSERT_TRUE(rows);
    EXPECT_EQ(summaryLines(*rows, ymd(2026, 1, 6)),
              "\n古い株価: 1301 6758 9984\n警報: 7203 トヨタ自動車 2,512 ≥ 2,500\n未取得: 1301（日足なし）");
    // On the day of 6758's bar, before the next one: nothing old, the lower alert of 6758 not reached.
    EXPECT_EQ(summaryLines(*rows, ymd(2026, 1, 5)),
              "\n古い株価: 1301 9984\n警報: 7203 トヨタ自動車 2,512 ≥ 2,500\n未取得: 1301（日足なし）");
}

TEST_F(BoardPricesTest, LastTradingDayFollowsTheStoredCalendar) {
    // 2026-01-09 is a Friday. Friday the 16th closed, Monday the 19th closed, Saturday the 24th open.
    ASSERT_TRUE(db::storeCalendar(*db, {{ymd(2026, 1, 15), 1},
                                        {ymd(2026, 1, 16), db::kHolidayClosed},
                                        {ymd(2026, 1, 17), db::kHolidayClosed},
                                        {ymd(2026, 1, 18), db::kHolidayClosed},
                                        {ymd(2026, 1, 19), db::kHolidayClosed},
                                        {ymd(2026, 1, 24), 3}}));
    const struct {
        Date today, last;
    } cases[] = {
        {ymd(2026, 1, 16), ymd(2026, 1, 15)}, // a holiday Friday: the Thursday
        {ymd(2026, 1, 18), ymd(2026, 1, 15)}, // the weekend after it
        {ymd(2026, 1, 19), ymd(2026, 1, 15)}, // a closed Monday
        {ymd(2026, 1, 20), ymd(2026, 1, 20)}, // a Tuesday the calendar does not name: a weekday, open
        {ymd(2026, 1, 25), ymd(2026, 1, 24)}, // a Sunday after a Saturday named open
        {ymd(2026, 1, 10), ymd(2026, 1, 9)},  // a Saturday before the calendar: the Friday
    };
    for (const auto& c : cases)
        EXPECT_EQ(lastTradingDay(*db, c.today), c.last) << c.today.toIso();

    // No calendar rows (nor the table): the last weekday.
    ASSERT_TRUE(db->run("DROP TABLE Calendar"));
    EXPECT_EQ(lastTradingDay(*db, ymd(2026, 1, 16)), ymd(2026, 1, 16));
    EXPECT_EQ(lastTradingDay(*db, ymd(2026, 1, 19)), ymd(2026, 1, 19));
    EXPECT_EQ(lastTradingDay(*db, ymd(2026, 1, 11)), ymd(2026, 1, 9));
}

TEST(BoardPrices, AlertReached) {
    const struct {
        std::int32_t now;
        std::optional<std::int32_t> above, below;
        AlertSide side;
    } cases[] = {
        {2512, 2500, std::nullopt, AlertSide::Above}, {2500, 2500, std::nullopt, AlertSide::Above},
        {2499, 2500, std::nullopt, AlertSide::None},  {2400, std::nullopt, 2400, AlertSide::Below},
        {2401, std::nullopt, 2400, AlertSide::None},  {2500, 3000, 2000, AlertSide::None},
        {1999, 3000, 2000, AlertSide::Below},         {0, std::nullopt, 100, AlertSide::None},
    };
    for (const auto& c : cases) {
        BoardRow r;
        r.code = 7203;
        r.now = c.now;
        r.priceDate = ymd(2026, 1, 6);
        r.above = c.above;
        r.below = c.below;
        EXPECT_EQ(alertReached(r), c.side) << c.now;
    }
}

TEST(BoardPrices, AlertPriceText) {
    const struct {
        const char* text;
        std::int32_t value; // 0: refused
    } cases[] = {{"2500", 2500}, {"2,500", 2500}, {"1", 1},   {"0", 0},         {"-5", 0},
                 {"12.5", 0},    {"", 0},         {"abc", 0}, {"3000000000", 0}};
    for (const auto& c : cases) {
        auto v = parseAlertPrice(c.text);
        EXPECT_EQ(v ? *v : 0, c.value) << c.text;
    }
}

TEST_F(BoardPricesTest, RefusedAlertStoresNothing) {
    ASSERT_TRUE(db->run("INSERT INTO board (区分, コード, 銘柄) VALUES (1, 7203, 'トヨタ自動車')"));
    ASSERT_TRUE(setAlert(*db, 1, 7203, 2600, 2400));
    EXPECT_FALSE(setAlert(*db, 1, 7203, 2000, 2500));
    EXPECT_FALSE(setAlert(*db, 1, 7203, 0, std::nullopt));
    EXPECT_EQ(setAlert(*db, 1, 9999, 100, std::nullopt).code(), StatusCode::NotFound);
    EXPECT_EQ(row(7203).above, 2600);
    EXPECT_EQ(row(7203).below, 2400);
}

// A file from before the price dates and alerts: a reader sees its rows without them; a writer adds the
// columns and keeps the rows.
TEST_F(BoardPricesTest, AnOlderBoardTableIsReadAndUpgraded) {
    for (const char* column : {"現在日付", "現在時刻", "上限警報", "下限警報", "取得状態"})
        ASSERT_TRUE(db->exec(std::string("ALTER TABLE board DROP COLUMN ") + column));
    ASSERT_TRUE(db->exec("PRAGMA user_version = 3"));
    ASSERT_TRUE(db->run("INSERT INTO board (区分, コード, 銘柄, 現在値) VALUES (1, 7203, 'トヨタ自動車', 2512)"));
    db.reset();
    {
        auto reader = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
        ASSERT_TRUE(reader) << reader.message();
        auto rows = readBoard(**reader, 1, BoardOrder::Table);
        ASSERT_TRUE(rows) << rows.message();
        ASSERT_EQ(rows->size(), 1u);
        EXPECT_EQ((*rows)[0].now, 2512);
        EXPECT_FALSE((*rows)[0].priceDate);
    }
    auto writer = db::openKestrelDatabase(path);
    ASSERT_TRUE(writer) << writer.message();
    ASSERT_TRUE(setAlert(**writer, 1, 7203, 2500, std::nullopt));
    EXPECT_EQ(*(*writer)->queryInt("SELECT 上限警報 FROM board WHERE 現在値 = 2512"), 2500);
}

TEST(BoardRowState, WhatTheStateColumnSays) {
    const Date friday = *Date::fromYmd(2026, 12, 4), thursday = *Date::fromYmd(2026, 12, 3);
    auto row = [](std::optional<Date> date, std::int32_t now, std::optional<std::int32_t> above,
                  std::optional<std::int32_t> below, const char* failure) {
        BoardRow r;
        r.priceDate = date;
        r.now = now;
        r.above = above;
        r.below = below;
        r.failure = failure;
        return r;
    };
    const struct {
        BoardRow row;
        const char* state;
    } cases[] = {
        {row(friday, 3780, std::nullopt, std::nullopt, ""), ""},
        {row(thursday, 3780, std::nullopt, std::nullopt, ""), "古い株価"},
        {row(friday, 3780, 3780, std::nullopt, ""), "上限警報"},
        {row(friday, 3194, 4000, 3194, ""), "下限警報"},
        {row(thursday, 3100, std::nullopt, 3194, ""), "古い株価・下限警報"},
        {row(std::nullopt, 0, 1, std::nullopt, "日足なし"), "日足なし"},
        {row(thursday, 3780, 3000, std::nullopt, "相場ページなし"), "相場ページなし"},
        {row(std::nullopt, 0, std::nullopt, std::nullopt, ""), ""}, // not refreshed yet
    };
    for (const auto& c : cases)
        EXPECT_EQ(rowState(c.row, friday), c.state) << c.state;
}

TEST(BoardRowState, TheWordAfterAnAlertFromAChartLine) {
    const struct {
        const char* price;
        const char* close;
        const char* message;
    } cases[] = {
        {"3194", "3780", "下限警報 3,194 円を設定しました。"},
        {"3780", "3780", "上限警報 3,780 円を設定しました。"},
        {"1000000.4", "999999", "上限警報 1,000,000 円を設定しました。"},
        {"2.5", "3", "下限警報 2 円を設定しました。"}, // halves to even, as stored
    };
    for (const auto& c : cases)
        EXPECT_EQ(alertSetMessage(*Currency::parse(c.price), *Currency::parse(c.close)), c.message) << c.price;
}
