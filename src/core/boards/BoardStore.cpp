#include "core/boards/BoardStore.h"

#include "core/boards/BoardPrices.h"
#include "core/db/LatestDate.h"
#include "core/db/Lookups.h"
#include "core/settings/Settings.h"

namespace kestrel::boards {
namespace {

constexpr const char* kColumns =
    "区分, コード, 市場コード, 銘柄, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 現在値, "
    "現前日比, 現出来高";

std::int64_t orZero(const db::Statement& st, int col) {
    return st.isNull(col) ? 0 : st.int64(col);
}

} // namespace

Result<IssueUnits> issueUnits(db::Database& db, std::int32_t code) {
    auto st = db.prepare("SELECT 出来高単位, 株価単位, 市場コード FROM Mei WHERE コード = ?");
    if (!st)
        return st.status();
    st->bind(1, code);
    auto row = st->step();
    if (!row)
        return row.status();
    IssueUnits u;
    if (*row) {
        u.volumeUnit = orZero(*st, 0);
        u.priceUnit = orZero(*st, 1);
        u.market = static_cast<std::int16_t>(orZero(*st, 2));
    }
    return u;
}

std::string boardLetter(int board) {
    return board == 1 ? "A" : "B";
}
std::string boardFileKey(int board) {
    return "board" + boardLetter(board);
}
std::string boardDateKey(int board) {
    return "boarddate" + boardLetter(board);
}
int boardKind(const std::string& handOverText) {
    auto v = textToInt16(handOverText);
    return v ? *v : 0;
}

Result<std::vector<BoardRow>> readBoard(db::Database& db, int board, BoardOrder order) {
    // A file of an older version opened for reading has no columns for the price date and the alerts.
    auto newer = db.queryInt("SELECT count(*) FROM pragma_table_info('board') WHERE name = '現在日付'");
    if (!newer)
        return newer.status();
    const char* extra = newer->value_or(0) > 0 ? ", 現在日付, 現在時刻, 上限警報, 下限警報, 取得状態"
                                               : ", NULL, NULL, NULL, NULL, NULL";
    std::string sql = std::string("SELECT ") + kColumns + extra + " FROM board WHERE 区分 = ?";
    if (order == BoardOrder::MarketCode)
        sql += " ORDER BY 市場コード, コード";
    else if (order == BoardOrder::CodeMarket)
        sql += " ORDER BY コード, 市場コード";
    else
        sql += " ORDER BY rowid";
    auto st = db.prepare(sql);
    if (!st)
        return st.status();
    st->bind(1, board);
    std::vector<BoardRow> rows;
    if (Status read = st->forEachRow([&] {
            BoardRow r;
            r.kind = static_cast<std::int16_t>(orZero(*st, 0));
            r.code = static_cast<std::int32_t>(orZero(*st, 1));
            r.market = static_cast<std::int16_t>(orZero(*st, 2));
            r.name = st->isNull(3) ? std::string() : st->text(3);
            r.date = st->date(4);
            r.open = static_cast<std::int32_t>(orZero(*st, 5));
            r.high = static_cast<std::int32_t>(orZero(*st, 6));
            r.low = static_cast<std::int32_t>(orZero(*st, 7));
            r.close = static_cast<std::int32_t>(orZero(*st, 8));
            r.change = static_cast<std::int32_t>(orZero(*st, 9));
            r.volume = st->isNull(10) ? Currency() : st->currency(10);
            r.now = static_cast<std::int32_t>(orZero(*st, 11));
            r.nowChange = static_cast<std::int32_t>(orZero(*st, 12));
            r.nowVolume = st->isNull(13) ? Currency() : st->currency(13);
            r.priceDate = st->date(14);
            r.priceTime = st->isNull(15) ? std::string() : st->text(15);
            if (!st->isNull(16))
                r.above = st->int32(16);
            if (!st->isNull(17))
                r.below = st->int32(17);
            r.failure = st->isNull(18) ? std::string() : st->text(18);
            rows.push_back(std::move(r));
        });
        !read)
        return read;
    return rows;
}

Status forEachLatestBar(db::Database& db, int board, const LatestBarVisit& visit) {
    auto rows = readBoard(db, board, BoardOrder::Table);
    if (!rows)
        return rows.status();
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    db::LatestDailyBars latest(db);
    for (const BoardRow& r : *rows) {
        auto bar = latest.of(r.code);
        if (!bar)
            return bar.status();
        if (Status st = visit(r, *bar); !st)
            return st;
    }
    return tx.commit();
}

Status refreshBoardFromBars(db::Database& db, int board) {
    return forEachLatestBar(db, board, [&](const BoardRow& r, const std::optional<db::DailyBar>& bar) -> Status {
        if (!bar)
            return db.run(
                "UPDATE board SET 市場コード = ?, 銘柄 = ?, 日付 = NULL, 始値 = NULL, 高値 = NULL, 安値 = NULL, "
                "終値 = NULL, 前日比 = NULL, 出来高 = NULL, 現在値 = NULL, 現前日比 = NULL, 現出来高 = NULL, "
                "現在日付 = NULL, 現在時刻 = NULL, 取得状態 = ? WHERE 区分 = ? AND コード = ?",
                db::GetMarketCode(db, r.code), db::GetIssueName(db, r.code), std::string(kNoBars), board, r.code);
        auto units = issueUnits(db, r.code);
        if (!units)
            return units.status();
        const db::DailyBar& b = *bar;
        const std::int64_t p = units->priceUnit;
        return db.run("UPDATE board SET 市場コード = ?, 銘柄 = ?, 日付 = ?, 始値 = ?, 高値 = ?, 安値 = ?, 終値 = ?, "
                      "前日比 = ?, 出来高 = ?, 取得状態 = NULLIF(取得状態, ?) WHERE 区分 = ? AND コード = ?",
                      units->market, db::GetIssueName(db, r.code), b.date.value_or(Date::today()), b.open * p,
                      b.high * p, b.low * p, b.close * p, static_cast<std::int32_t>(b.change),
                      b.volume * units->volumeUnit, std::string(kNoBars), board, r.code);
    });
}

Result<bool> boardHolds(db::Database& db, int board, std::int32_t code) {
    auto n = db.queryInt("SELECT count(*) FROM board WHERE 区分 = ? AND コード = ?", board, code);
    if (!n)
        return n.status();
    return n->value_or(0) > 0;
}

Result<AddOutcome> addIssueFromLatestBar(db::Database& db, int board, std::int32_t code, const std::string& name) {
    auto held = boardHolds(db, board, code);
    if (!held)
        return held.status();
    if (*held)
        return AddOutcome::AlreadyOnBoard;
    auto bar = db::latestDailyBar(db, code);
    if (!bar)
        return bar.status();
    if (!*bar)
        return AddOutcome::NoBar;
    auto units = issueUnits(db, code);
    if (!units)
        return units.status();
    const db::DailyBar& b = **bar;
    const std::int64_t p = units->priceUnit;
    Status st =
        db.run("INSERT INTO board (区分, コード, 市場コード, 銘柄, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) "
               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
               board, code, units->market, name, b.date.value_or(Date::today()), b.open * p, b.high * p, b.low * p,
               b.close * p, static_cast<std::int32_t>(b.change), b.volume * units->volumeUnit);
    if (!st)
        return st;
    return AddOutcome::Added;
}

Result<bool> deleteFromBoard(db::Database& db, int board, std::int32_t code) {
    Status st = db.run("DELETE FROM board WHERE 区分 = ? AND コード = ?", board, code);
    if (!st)
        return st;
    return db.changes() > 0;
}

Status setBoardAlertAt(db::Database& db, int board, std::int32_t code, Currency price, Currency lastClose) {
    auto st = db.prepare("SELECT 上限警報, 下限警報 FROM board WHERE 区分 = ? AND コード = ?");
    if (!st)
        return st.status();
    st->bindAll(board, code);
    auto row = st->step();
    if (!row)
        return row.status();
    std::optional<std::int32_t> above, below;
    if (*row) {
        if (!st->isNull(0))
            above = static_cast<std::int32_t>(st->int64(0));
        if (!st->isNull(1))
            below = static_cast<std::int32_t>(st->int64(1));
    }
    st->reset();
    const std::int64_t whole = price.roundToWhole();
    if (whole <= 0 || whole > 2147483647)
        return Status::error(StatusCode::InvalidInput, "警報の株価は 1 円以上の整数で入力して下さい。");
    (price >= lastClose ? above : below) = static_cast<std::int32_t>(whole);
    return setAlert(db, board, code, above, below);
}

Status clearCurrentValues(db::Database& db, int board) {
    return db.run("UPDATE board SET 現在値 = NULL, 現前日比 = NULL, 現出来高 = NULL, 現在日付 = NULL, 現在時刻 = NULL, "
                  "取得状態 = NULL WHERE 区分 = ?",
                  board);
}

Result<bool> storeQuote(db::Database& db, int board, std::int32_t code, std::int32_t price, std::int32_t change,
                        std::int32_t volume) {
    Status st = db.run("UPDATE board SET 現在値 = ?, 現前日比 = ?, 現出来高 = ? WHERE 区分 = ? AND コード = ?", price,
                       change, static_cast<std::int64_t>(volume), board, code);
    if (!st)
        return st;
    return db.changes() > 0;
}

} // namespace kestrel::boards
