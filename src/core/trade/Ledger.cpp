#include "core/trade/Ledger.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/trade/LedgerFields.h"

namespace kestrel::trade {
namespace {

constexpr const char* kFieldNames[kLedgerColumns] = {"コード", "市場コード", "銘柄",   "購入日", "購入額",
                                                     "購入数", "損益分岐点", "現在額", "売却日", "売却額",
                                                     "売却数", "利益",       "ID"};

constexpr const char* kSelectRow = "SELECT ID, コード, 市場コード, 銘柄, 購入日, 購入額, 購入数, 損益分岐点, 現在額, "
                                   "売却日, 売却額, 売却数, 利益 FROM stockmarket ";

std::optional<std::int64_t> intOrNull(const db::Statement& st, int col) {
    if (st.isNull(col))
        return std::nullopt;
    return st.int64(col);
}

std::optional<std::string> textOrNull(const db::Statement& st, int col) {
    if (st.isNull(col))
        return std::nullopt;
    return st.text(col);
}

// Reads a row selected with kSelectRow.
LedgerRow readRow(const db::Statement& st) {
    LedgerRow r;
    r.ID = st.int64(0);
    r.code = intOrNull(st, 1);
    r.marketCode = intOrNull(st, 2);
    r.name = textOrNull(st, 3);
    r.buyDate = textOrNull(st, 4);
    r.buyPrice = intOrNull(st, 5);
    r.buyCount = intOrNull(st, 6);
    r.breakEven = intOrNull(st, 7);
    r.currentPrice = intOrNull(st, 8);
    r.sellDate = textOrNull(st, 9);
    r.sellPrice = intOrNull(st, 10);
    r.sellCount = intOrNull(st, 11);
    r.profit = intOrNull(st, 12);
    return r;
}

Result<std::vector<LedgerRow>> readRows(db::Database& db, const std::string& tail) {
    auto st = db.prepare(std::string(kSelectRow) + tail);
    if (!st)
        return st.status();
    std::vector<LedgerRow> rows;
    if (Status read = st->forEachRow([&] { rows.push_back(readRow(*st)); }); !read)
        return read;
    return rows;
}

// A CSV value: as it is, or quoted when it holds a separator, a quote or a line break.
std::string csvValue(const std::string& v) {
    if (v.find_first_of(",\"\r\n") == std::string::npos)
        return v;
    std::string q = "\"";
    for (char c : v) {
        q += c;
        if (c == '"')
            q += '"';
    }
    return q + "\"";
}

} // namespace

const char* ledgerFieldName(int column) {
    return column >= 0 && column < kLedgerColumns ? kFieldNames[column] : "";
}

std::optional<std::int64_t> LedgerRow::*numberField(int column) {
    switch (column) {
    case kColCode:
        return &LedgerRow::code;
    case kColMarket:
        return &LedgerRow::marketCode;
    case kColBuyPrice:
        return &LedgerRow::buyPrice;
    case kColBuyCount:
        return &LedgerRow::buyCount;
    case kColBreakEven:
        return &LedgerRow::breakEven;
    case kColCurrent:
        return &LedgerRow::currentPrice;
    case kColSellPrice:
        return &LedgerRow::sellPrice;
    case kColSellCount:
        return &LedgerRow::sellCount;
    case kColProfit:
        return &LedgerRow::profit;
    default:
        return nullptr;
    }
}

std::optional<std::string> LedgerRow::*textField(int column) {
    switch (column) {
    case kColName:
        return &LedgerRow::name;
    case kColBuyDate:
        return &LedgerRow::buyDate;
    case kColSellDate:
        return &LedgerRow::sellDate;
    default:
        return nullptr;
    }
}

std::string cellText(const LedgerRow& row, int column) {
    if (column == kColId)
        return row.ID ? std::to_string(row.ID) : std::string();
    if (auto f = numberField(column))
        return (row.*f) ? std::to_string(*(row.*f)) : std::string();
    if (auto f = textField(column))
        return (row.*f).value_or(std::string());
    return {};
}

std::string shownText(const LedgerRow& row, int column) {
    if (column == kColBuyDate || column == kColSellDate) {
        const std::string text = cellText(row, column);
        return text == kNotSold ? std::string() : text;
    }
    const bool unsold = row.sellCount.value_or(0) == 0;
    if (unsold && (column == kColCurrent || column == kColProfit) && row.currentPrice.value_or(0) == 0)
        return {};
    return cellText(row, column);
}

std::string ledgerCaption(int column, LedgerView view) {
    if (column == kColProfit && view == LedgerView::Unsold)
        return "評価損益";
    return ledgerFieldName(column);
}

Result<std::vector<LedgerRow>> readLedger(db::Database& db, LedgerView view) {
    switch (view) {
    case LedgerView::Unsold:
        return readRows(db, "WHERE 売却数 = 0 ORDER BY コード, ID");
    case LedgerView::Sold:
        return readRows(db, "WHERE 売却数 > 0 ORDER BY コード, ID");
    case LedgerView::All:
        break;
    }
    return readRows(db, "ORDER BY コード, ID");
}

Result<std::optional<LedgerRow>> readLedgerRow(db::Database& db, std::int64_t id) {
    auto st = db.prepare(std::string(kSelectRow) + "WHERE ID = ?");
    if (!st)
        return st.status();
    st->bind(1, id);
    auto more = st->step();
    if (!more)
        return more.status();
    if (!*more)
        return std::optional<LedgerRow>();
    return std::optional<LedgerRow>(readRow(*st));
}

Status deleteLedgerRow(db::Database& db, const LedgerRow& row, Prompt& prompt) {
    if (!row.code || row.ID == 0)
        return Status::error(StatusCode::NotFound, "");
    if (!prompt.askYesNo("コード=" + std::to_string(*row.code) + " 銘柄を売買管理ボードから削除しますよろしいですか？"))
        return Status::cancelled();
    return db.run("DELETE FROM stockmarket WHERE ID = ?", row.ID);
}

Result<std::string> ledgerCsvText(db::Database& db) {
    // Rows of one issue and market keep the order they were added in.
    auto rows = readRows(db, "ORDER BY コード, 市場コード, ID");
    if (!rows)
        return rows.status();
    std::string text;
    for (int c = 0; c < kColId; ++c)
        text += std::string(c ? "," : "") + kFieldNames[c];
    for (const LedgerRow& r : *rows) {
        text += "\r\n";
        for (int c = 0; c < kColId; ++c)
            text += (c ? "," : "") + csvValue(cellText(r, c));
    }
    return text + "\r\n";
}

Status exportLedgerCsv(db::Database& db, const std::string& path) {
    auto text = ledgerCsvText(db);
    if (!text)
        return text.status();
    auto bytes = utf8ToCp932(*text);
    if (!bytes) {
        // Name the row that cannot be written so the user can correct it.
        auto rows = readLedger(db, LedgerView::All);
        if (rows) {
            for (const LedgerRow& r : *rows) {
                for (int c : {kColName, kColBuyDate, kColSellDate}) {
                    std::string v = cellText(r, c);
                    if (!utf8ToCp932(v))
                        return Status::error("ID=" + std::to_string(r.ID) + " の" + ledgerFieldName(c) + "「" + v +
                                             "」に CSV (シフト JIS) で書けない文字があります。" + path +
                                             " は書き出しませんでした。");
                }
            }
        }
        return Status::error("CSV (シフト JIS) で書けない文字があります。" + path + " は書き出しませんでした。");
    }
    return writeFileAtomically(path, *bytes);
}

std::string ledgerCsvPath(const std::string& dataFolder) {
    if (auto existing = findFileNoCase(dataFolder, "stock.csv"))
        return *existing;
    return joinPath(dataFolder, "stock.csv");
}

} // namespace kestrel::trade
