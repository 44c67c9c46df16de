// Editing the ledger: repair of typed cells, issue look-up, break-even, profit and the lot split;
// and the refresh of current prices when the board opens.
#include "core/app/Date.h"
#include "core/app/DateText.h"
#include "core/app/Encoding.h"
#include "core/db/LatestDate.h"
#include "core/settings/Settings.h"
#include "core/trade/Ledger.h"
#include "core/trade/LedgerFields.h"
#include "core/trade/LedgerSplits.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace kestrel::trade {
namespace {

constexpr std::int64_t kLongMin = -2147483648LL;
constexpr std::int64_t kLongMax = 2147483647LL;
constexpr std::int64_t kIntegerMin = -32768;
constexpr std::int64_t kIntegerMax = 32767;

bool fitsLong(std::int64_t v) {
    return v >= kLongMin && v <= kLongMax;
}

std::string quotedField(int column) {
    return std::string("「") + ledgerFieldName(column) + "」";
}

// The message for a computed value that the 32-bit field cannot hold.
std::string overflowMessage(int column, const std::optional<std::int64_t>& value) {
    std::string shown = value ? std::to_string(*value) : std::string("(64 ビットを超える値)");
    return std::string(kOverflow) + ledgerFieldName(column) + " " + shown +
           " は記録できる範囲 (-2147483648 ～ 2147483647) を超えています。";
}

size_t textLimit(int column) {
    return column == kColName ? 20 : 8;
}

// Repairs a typed or stored number cell; an error for a number the field cannot hold.
Result<std::int64_t> repairNumber(int column, const std::optional<std::string>& typed,
                                  const std::optional<std::int64_t>& stored) {
    if (!typed)
        return stored.value_or(0);
    auto d = textToDouble(*typed);
    if (!d) {
        if (d.code() == StatusCode::OutOfRange)
            return Result<std::int64_t>::error(quotedField(column) + "に「" + *typed + "」は入力できません。" +
                                               kOverflow);
        return std::int64_t(0); // not a number: the cell becomes 0
    }
    double r = roundHalfEven(*d);
    bool integer = column == kColMarket;
    double lo = static_cast<double>(integer ? kIntegerMin : kLongMin);
    double hi = static_cast<double>(integer ? kIntegerMax : kLongMax);
    if (!(r >= lo && r <= hi))
        return Result<std::int64_t>::error(quotedField(column) + "に「" + *typed + "」は入力できません。" +
                                           numberText(lo) + " から " + numberText(hi) + " までの数にしてください。");
    return static_cast<std::int64_t>(r);
}

struct MeiIssue {
    std::optional<std::int64_t> volumeUnit, priceUnit, marketCode;
    std::string name;
};

Result<std::optional<MeiIssue>> lookUpIssue(db::Database& db, std::int64_t code) {
    auto st = db.prepare("SELECT 出来高単位, 株価単位, 市場コード, 銘柄 FROM Mei WHERE コード = ?");
    if (!st)
        return st.status();
    st->bind(1, code);
    auto more = st->step();
    if (!more)
        return more.status();
    if (!*more)
        return std::optional<MeiIssue>();
    MeiIssue m;
    auto i = [&](int c) { return st->isNull(c) ? std::optional<std::int64_t>() : st->int64(c); };
    m.volumeUnit = i(0);
    m.priceUnit = i(1);
    m.marketCode = i(2);
    m.name = st->isNull(3) ? std::string() : st->text(3);
    return std::optional<MeiIssue>(m);
}

constexpr const char* kFieldList =
    "コード, 市場コード, 銘柄, 購入日, 購入額, 購入数, 損益分岐点, 現在額, 売却日, 売却額, 売却数, 利益";

void bindFields(db::Statement& st, const LedgerRow& r) {
    st.bindAll(r.code, r.marketCode, r.name, r.buyDate, r.buyPrice, r.buyCount, r.breakEven, r.currentPrice, r.sellDate,
               r.sellPrice, r.sellCount, r.profit);
}

Result<std::int64_t> insertRow(db::Database& db, const LedgerRow& r) {
    auto st = db.prepare(std::string("INSERT INTO stockmarket (") + kFieldList + ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!st)
        return st.status();
    bindFields(*st, r);
    Status s = st->run();
    if (!s)
        return s;
    return db.lastInsertRowid();
}

Status updateRow(db::Database& db, const LedgerRow& r) {
    auto st = db.prepare(
        "UPDATE stockmarket SET コード=?, 市場コード=?, 銘柄=?, 購入日=?, 購入額=?, 購入数=?, 損益分岐点=?, 現在額=?, "
        "売却日=?, 売却額=?, 売却数=?, 利益=? WHERE ID=?");
    if (!st)
        return st.status();
    bindFields(*st, r);
    st->bind(13, r.ID);
    Status s = st->run();
    if (!s)
        return s;
    if (db.changes() == 0)
        return Status::error("ID=" + std::to_string(r.ID) + " の行は売買管理ボードにもうありません。");
    return Status::ok();
}

bool any(const std::set<int>& edited, std::initializer_list<int> columns) {
    for (int c : columns)
        if (edited.count(c))
            return true;
    return false;
}

} // namespace

std::optional<std::int64_t> breakEvenPrice(std::int64_t buyPrice, Currency sonPa) {
    // price * (1 + SonPa / 100) + 0.5, truncated downwards; SonPa carries four decimals, so the factor is
    // (1000000 + raw) / 1000000 and the sum is worked out exactly.
    constexpr std::int64_t kDen = 100 * Currency::kScale;
    std::int64_t factor = 0, product = 0, sum = 0;
    if (__builtin_add_overflow(kDen, sonPa.raw(), &factor) || __builtin_mul_overflow(buyPrice, factor, &product) ||
        __builtin_add_overflow(product, kDen / 2, &sum))
        return std::nullopt;
    std::int64_t q = sum / kDen;
    if (sum % kDen != 0 && sum < 0)
        --q;
    return q;
}

std::optional<std::int64_t> lotProfit(std::int64_t count, std::int64_t price, std::int64_t breakEven) {
    std::int64_t a = 0, b = 0, d = 0;
    if (__builtin_mul_overflow(count, price, &a) || __builtin_mul_overflow(count, breakEven, &b) ||
        __builtin_sub_overflow(a, b, &d))
        return std::nullopt;
    return d;
}

Result<EditOutcome> editRow(db::Database& db, const LedgerRow& current, const std::vector<CellEdit>& edits,
                            Currency sonPa, Prompt& prompt) {
    LedgerRow row = current;
    std::set<int> edited;
    std::optional<std::string> typed[kColId];
    for (const CellEdit& e : edits) {
        if (e.column == kColId)
            return Result<EditOutcome>::error("ID は変更できません。");
        if (e.column < 0 || e.column >= kColId)
            return Result<EditOutcome>::error("列 " + std::to_string(e.column) + " はありません。");
        typed[e.column] = e.text;
        edited.insert(e.column);
    }

    // Repair every cell of the row, not only the typed one.
    for (int c = 0; c < kColId; ++c) {
        if (auto f = numberField(c)) {
            auto v = repairNumber(c, typed[c], row.*f);
            if (!v)
                return v.status();
            row.*f = *v;
        } else if (auto t = textField(c)) {
            if (typed[c])
                row.*t = typed[c];
            if (c == kColName)
                continue;
            if (!(row.*t) || !Date::parse(*(row.*t)))
                row.*t = c == kColBuyDate ? Date::today().toYYMMDD() : std::string(kNotSold);
        }
    }
    for (int c : {kColName, kColBuyDate, kColSellDate}) {
        auto t = textField(c);
        if (typed[c] && utf8Length(*(row.*t)) > textLimit(c))
            return Result<EditOutcome>::error(quotedField(c) + "は " + std::to_string(textLimit(c)) +
                                              " 文字までです（「" + *(row.*t) + "」は " +
                                              std::to_string(utf8Length(*(row.*t))) + " 文字）。");
    }
    for (int c : {kColBuyPrice, kColBuyCount, kColBreakEven, kColCurrent, kColSellPrice, kColSellCount})
        if (edited.count(c) && *(row.*numberField(c)) < 0)
            return Result<EditOutcome>::error(quotedField(c) + "に負の数は入力できません。");
    std::int64_t buyCount = *row.buyCount, sellCount = *row.sellCount;
    if (any(edited, {kColBuyCount, kColSellCount}) && sellCount > buyCount)
        return Result<EditOutcome>::error("売却数 " + std::to_string(sellCount) + " が購入数 " +
                                          std::to_string(buyCount) +
                                          " より多いです。売却数は購入数以下にしてください。");

    if (any(edited, {kColCode, kColMarket}) || !row.name || row.name->empty()) {
        auto issue = lookUpIssue(db, *row.code);
        if (!issue)
            return issue.status();
        if (*issue) {
            row.marketCode = (*issue)->marketCode.value_or(0);
            row.name = (*issue)->name;
        } else {
            row.name = std::string();
        }
        // An unsold lot of an issue with stored bars starts at its latest close, never at 0.
        if (*issue && row.sellCount.value_or(0) == 0 && row.currentPrice.value_or(0) == 0 &&
            !edited.count(kColCurrent)) {
            auto bar = db::latestDailyBar(db, *row.code);
            if (!bar)
                return bar.status();
            std::int64_t price = 0;
            const std::int64_t unit = (*issue)->priceUnit.value_or(0) > 0 ? *(*issue)->priceUnit : 1;
            if (*bar && !__builtin_mul_overflow(unit, (*bar)->close, &price) && price > 0 && fitsLong(price)) {
                row.currentPrice = price;
                edited.insert(kColCurrent);
            }
        }
    }

    if (any(edited, {kColBuyPrice, kColBuyCount, kColSellCount})) {
        auto be = breakEvenPrice(*row.buyPrice, sonPa);
        if (!be || !fitsLong(*be))
            return Result<EditOutcome>::error(overflowMessage(kColBreakEven, be) + "この行は変更しません。");
        row.breakEven = *be;
    }
    // The profit follows every change of its inputs, so it never disagrees with the row.
    if (any(edited, {kColBuyPrice, kColBuyCount, kColBreakEven, kColCurrent, kColSellPrice, kColSellCount}) &&
        sellCount >= 0) {
        // An unsold lot bought before a split: its profit on the shares held now, as the refresh takes it.
        std::vector<LedgerRow> held{row};
        std::vector<bool> adjusted;
        if (sellCount == 0)
            if (Status s = adjustLotsForSplits(db, held, adjusted); !s)
                return s;
        auto p = sellCount == 0 ? lotProfit(*held[0].buyCount, *row.currentPrice, *held[0].breakEven)
                                : lotProfit(sellCount, *row.sellPrice, *row.breakEven);
        if (!p || !fitsLong(*p))
            return Result<EditOutcome>::error(overflowMessage(kColProfit, p) + "この行は変更しません。");
        row.profit = *p;
    }

    std::optional<LedgerRow> added;
    if (any(edited, {kColSellPrice, kColSellCount}) && sellCount > 0 && buyCount > sellCount) {
        std::string rest = std::to_string(buyCount - sellCount);
        if (prompt.askYesNo(rest + "株 購入数が売却数より多いです " + rest +
                            "株 の新規行を作成します　よろしいですか？")) {
            row.buyCount = sellCount;
            LedgerRow lot;
            lot.code = row.code;
            lot.marketCode = row.marketCode;
            lot.name = row.name;
            lot.buyDate = row.buyDate;
            lot.buyPrice = row.buyPrice;
            lot.breakEven = row.breakEven;
            lot.buyCount = buyCount - sellCount;
            lot.currentPrice = row.currentPrice;
            lot.sellDate = std::string(kNotSold);
            lot.sellPrice = 0;
            lot.sellCount = 0;
            // Without a current price the new lot has no profit yet (its cells show empty).
            const auto p = lotProfit(*lot.buyCount, lot.currentPrice.value_or(0), lot.breakEven.value_or(0));
            lot.profit = lot.currentPrice.value_or(0) > 0 && p && fitsLong(*p) ? *p : 0;
            added = lot;
        }
    }

    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    if (row.ID == 0) {
        auto id = insertRow(db, row);
        if (!id)
            return id.status();
        row.ID = *id;
    } else if (Status s = updateRow(db, row); !s) {
        return s;
    }
    if (added) {
        auto id = insertRow(db, *added);
        if (!id)
            return id.status();
        added->ID = *id;
    }
    if (Status s = tx.commit(); !s)
        return s;
    return EditOutcome{row, added};
}

std::string priceDatesText(const PriceDates& dates) {
    if (!dates.newest)
        return {};
    std::string text = "現在額: " + listDate(*dates.newest) + " の終値";
    if (!dates.stale.empty()) {
        text += "（古い株価:";
        for (std::int64_t code : dates.stale)
            text += " " + std::to_string(code);
        text += "）";
    }
    return text;
}

Status refreshCurrentPrices(db::Database& db, Prompt& prompt, PriceDates* dates, Date lastTradingDay) {
    auto rows = readLedger(db, LedgerView::All);
    if (!rows)
        return rows.status();
    // An unsold lot bought before a split holds the shares of today: its profit is taken on the count and
    // break-even the board shows, while the stored purchase stays as traded.
    std::vector<LedgerRow> held = *rows;
    std::vector<bool> adjusted;
    if (Status s = adjustLotsForSplits(db, held, adjusted); !s)
        return s;
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    db::LatestDailyBars latest(db);
    for (size_t i = 0; i < rows->size(); ++i) {
        LedgerRow row = (*rows)[i];
        std::int64_t code = row.code.value_or(0);
        auto bar = latest.of(code);
        if (!bar)
            return bar.status();
        if (!*bar)
            continue;
        const std::int64_t close = (*bar)->close;
        if (dates && (*bar)->date) {
            const Date d = *(*bar)->date;
            if (!dates->newest || *dates->newest < d)
                dates->newest = d;
            if (d < lastTradingDay && std::find(dates->stale.begin(), dates->stale.end(), code) == dates->stale.end())
                dates->stale.push_back(code);
        }
        auto issue = lookUpIssue(db, code);
        if (!issue)
            return issue.status();
        std::string where = "(ID=" + std::to_string(row.ID) + " コード=" + std::to_string(code) + ")";
        if (*issue) {
            row.marketCode = (*issue)->marketCode.value_or(0);
            row.name = (*issue)->name;
            std::optional<std::int64_t> price = 0;
            if (__builtin_mul_overflow((*issue)->priceUnit.value_or(0), close, &*price))
                price.reset();
            if (price && fitsLong(*price))
                row.currentPrice = price;
            else
                prompt.notify(overflowMessage(kColCurrent, price) + "前の値のままにします。" + where);
        } else {
            // Mei no longer knows the issue: its name goes, the market and price stay as they were.
            row.name = std::string();
        }
        if (row.sellCount.value_or(0) == 0) {
            auto p =
                lotProfit(held[i].buyCount.value_or(0), row.currentPrice.value_or(0), held[i].breakEven.value_or(0));
            if (p && fitsLong(*p))
                row.profit = *p;
            else
                prompt.notify(overflowMessage(kColProfit, p) + "前の値のままにします。" + where);
        }
        if (Status s = updateRow(db, row); !s)
            return s;
    }
    return tx.commit();
}

} // namespace kestrel::trade
