#pragma once
// The trading ledger: table stockmarket, one row per purchase lot, later marked as sold.
//
// A row is an unsold lot while 売却数 is 0 and a sold lot when 売却数 is greater than 0. Prices
// (購入額, 損益分岐点, 現在額, 売却額) are per share, counts are shares, 利益 is the profit in yen. The two
// dates are texts of at most 8 characters, normally "YY/MM/DD"; "00/00/00" as 売却日 means not sold.
//
// The board shows thirteen columns, numbered as below. Editing goes through editRow, which repairs the
// row, fills in the issue and recomputes break-even and profit, and stores the row only when every value
// fits its field: profits are worked out in 64 bits, and one that does not fit the 32-bit 利益 field is
// refused with a message instead of wrapping. Every procedure opens no database of its own: the caller
// passes an open Kestrel.mdb.
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::trade {

// Column numbers of the board; each column's caption is its field name.
enum LedgerColumn : int {
    kColCode = 0,
    kColMarket = 1,
    kColName = 2,
    kColBuyDate = 3,
    kColBuyPrice = 4,
    kColBuyCount = 5,
    kColBreakEven = 6,
    kColCurrent = 7,
    kColSellDate = 8,
    kColSellPrice = 9,
    kColSellCount = 10,
    kColProfit = 11,
    kColId = 12,
};
inline constexpr int kLedgerColumns = 13;
// The field name of a column ("コード" ... "ID"); "" for a column out of range.
const char* ledgerFieldName(int column);

inline constexpr const char* kNotSold = "00/00/00";

// One stored row; a missing (null) field is nothing. ID is 0 for a row not stored yet.
struct LedgerRow {
    std::int64_t ID = 0;
    std::optional<std::int64_t> code, marketCode;
    std::optional<std::string> name, buyDate;
    std::optional<std::int64_t> buyPrice, buyCount, breakEven, currentPrice;
    std::optional<std::string> sellDate;
    std::optional<std::int64_t> sellPrice, sellCount, profit;

    bool operator==(const LedgerRow&) const = default;
};

// The text a cell shows: numbers in plain decimal, text as stored, "" for a missing value; the ID
// column of a row not stored yet is "".
std::string cellText(const LedgerRow& row, int column);

enum class LedgerView { Unsold, Sold, All };

// The text the board shows in a cell: cellText, except that a date never given ("00/00/00" or empty)
// shows empty, and an unsold lot without a current price (現在額 0 or missing) shows 現在額 and 利益
// empty: a zero there would read as a price and a loss.
std::string shownText(const LedgerRow& row, int column);
// A column's caption in a view: 利益 of the unsold view reads "評価損益" (the profit at the current price).
std::string ledgerCaption(int column, LedgerView view);

// The rows of one view ordered by コード, ID: unsold (売却数 = 0), sold (売却数 > 0) or all.
Result<std::vector<LedgerRow>> readLedger(db::Database& db, LedgerView view);
// The row with this ID, or nothing when there is none.
Result<std::optional<LedgerRow>> readLedgerRow(db::Database& db, std::int64_t id);

// Break-even price: the purchase price raised by sonPa percent, halves going up (exact: 1000 at 4 %
// gives 1040, 999 gives 1039). Nothing when the result does not fit 64 bits.
std::optional<std::int64_t> breakEvenPrice(std::int64_t buyPrice, Currency sonPa);
// count * price - count * breakEven, exactly; nothing when it does not fit 64 bits.
std::optional<std::int64_t> lotProfit(std::int64_t count, std::int64_t price, std::int64_t breakEven);

// One typed cell: its column (0 to 11) and the text as typed.
struct CellEdit {
    int column;
    std::string text;
};

struct EditOutcome {
    LedgerRow row;                  // the edited row as stored (with its ID)
    std::optional<LedgerRow> added; // the new unsold lot when a partial sale was split off
};

// Stores the typed cells into row (a row with ID 0 is added) after repairing the whole row: a
// non-numeric number cell becomes 0, a 購入日 that is not a date becomes today ("YY/MM/DD"), a 売却日 that
// is not a date becomes "00/00/00". Then, by the edited columns: コード or 市場コード (or an empty name)
// look the issue up in Mei; 購入額, 購入数 or 売却数 recompute 損益分岐点 from sonPa; a change of any input
// of the profit recomputes 利益 (unsold: 現在額, sold: 売却額, times the count, less break-even times the
// count); 売却額 or 売却数 with fewer shares sold than bought asks through prompt whether to split the lot,
// and on Yes the row keeps the sold shares and a new unsold lot holds the rest.
// Refused with a message and nothing stored: a value out of its field's range or size, a negative price
// or count, a sale count above the purchase count, a profit or break-even that does not fit 32 bits, a
// row that no longer exists, or a database error.
Result<EditOutcome> editRow(db::Database& db, const LedgerRow& row, const std::vector<CellEdit>& edits, Currency sonPa,
                            Prompt& prompt);

// Refreshes every row whose issue has a daily bar from the newest one: 市場コード and 銘柄 from Mei (the name
// empty when Mei lacks the issue), 現在額 = 株価単位 x 終値, and for an unsold lot 利益 = 購入数 x 現在額 -
// 購入数 x 損益分岐点 on the count and break-even the board shows (adjusted across split events after the
// purchase; the stored purchase keeps what was traded). A value that does not fit its field is reported
// through prompt and that field keeps its old value; the other rows still refresh. Rows of issues without
// bars stay as they are. An error only for a database failure (then nothing is changed).
// dates (when given) receives the dates of the bars the prices were taken from.
struct PriceDates {
    std::optional<Date> newest;      // the newest bar date a price was taken from
    std::vector<std::int64_t> stale; // codes whose bar is before lastTradingDay, in row order, once each
};
Status refreshCurrentPrices(db::Database& db, Prompt& prompt, PriceDates* dates = nullptr,
                            Date lastTradingDay = Date::today());
// "現在額: 2001/05/18 の終値", then "（古い株価: 1301 …）" when some price is older; empty when no price
// was taken.
std::string priceDatesText(const PriceDates& dates);

// Asks "コード=<code> 銘柄を売買管理ボードから削除しますよろしいですか？" and deletes the row on Yes. Ok when
// deleted; NotFound (no message) without asking when the row has no code or no ID; Cancelled on No.
Status deleteLedgerRow(db::Database& db, const LedgerRow& row, Prompt& prompt);

// The export text: the header line, then one line per row (ordered by コード, 市場コード) with the twelve
// values without ID, lines separated by CR LF and one CR LF at the end; UTF-8. A value holding a comma,
// a double quote or a line break is quoted (its quotes doubled) so that it stays one value.
Result<std::string> ledgerCsvText(db::Database& db);
// Writes ledgerCsvText in CP932 to path, atomically. A character without a CP932 form is refused with a
// message naming the row, and the old file is kept.
Status exportLedgerCsv(db::Database& db, const std::string& path);
// The export file: dataFolder + "/stock.csv" (an existing file of that name in another case is reused).
std::string ledgerCsvPath(const std::string& dataFolder);

} // namespace kestrel::trade
