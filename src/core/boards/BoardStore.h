#pragma once
// The rows of the two stock boards (table board; 区分 1 = board A, 2 = board B): reading them, bringing
// each row up to its issue's latest stored daily bar, adding an issue, and storing or clearing the
// current values a quote refresh brings. Each call works on an open database and runs its writes in one
// transaction, so a failure leaves the board as it was. Prices are stored in yen (bar value times the
// issue's price unit) and volumes in shares (bar volume times the volume unit).
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/db/LatestDate.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::boards {

inline constexpr const char* kSection = "Kestrel";

// "A" for board 1, "B" for any other kind.
std::string boardLetter(int board);
// "boardA"/"boardB": the board file name; "boarddateA"/"boarddateB": the start of the last refresh.
std::string boardFileKey(int board);
std::string boardDateKey(int board);
// The board kind of a hand-over text: the text as a number, 0 when it is not one.
int boardKind(const std::string& handOverText);

struct BoardRow {
    std::int16_t kind = 0;
    std::int32_t code = 0;
    std::int16_t market = 0;
    std::string name;
    std::optional<Date> date;
    std::int32_t open = 0, high = 0, low = 0, close = 0, change = 0;
    Currency volume;
    std::int32_t now = 0, nowChange = 0;
    Currency nowVolume;
    std::optional<Date> priceDate;            // the date of the current values (nothing before the first refresh)
    std::string priceTime;                    // "hh:mm" when the source gave one
    std::optional<std::int32_t> above, below; // alert prices in yen
    std::string failure;                      // why the last refresh left the row as it was
};

enum class BoardOrder { Table, MarketCode, CodeMarket };
// The rows of one board in the given order (Table: the order rows were added).
Result<std::vector<BoardRow>> readBoard(db::Database& db, int board, BoardOrder order);

// An issue's units and market from Mei; zero for a missing issue or value.
struct IssueUnits {
    std::int64_t volumeUnit = 0, priceUnit = 0;
    std::int16_t market = 0;
};
Result<IssueUnits> issueUnits(db::Database& db, std::int32_t code);

// Calls visit with every row of the board (in the order rows were added) and its issue's latest stored
// daily bar (nothing when it has none), all in one transaction; the first failure stops and is returned.
using LatestBarVisit = std::function<Status(const BoardRow&, const std::optional<db::DailyBar>&)>;
Status forEachLatestBar(db::Database& db, int board, const LatestBarVisit& visit);

// 取得状態 of a row whose issue has no daily bar.
inline constexpr const char* kNoBars = "日足なし";

// Brings every row of the board up to its issue's latest daily bar: market, name, date, prices times
// the price unit, change unscaled, volume times the volume unit; current values unchanged. A row whose
// issue has no bar gets no date, no prices and no current values (empty, never zero) and 取得状態
// kNoBars; a row that has a bar again loses that mark.
Status refreshBoardFromBars(db::Database& db, int board);

enum class AddOutcome { Added, AlreadyOnBoard, NoBar };
// Adds the issue to the board from its latest daily bar, with the name given (the name shown).
Result<AddOutcome> addIssueFromLatestBar(db::Database& db, int board, std::int32_t code, const std::string& name);

// Whether the board holds the code.
Result<bool> boardHolds(db::Database& db, int board, std::int32_t code);
// Deletes the code from the board; false when it was not there.
Result<bool> deleteFromBoard(db::Database& db, int board, std::int32_t code);

// The alert a horizontal chart line at `price` sets: 上限警報 when it lies at or above the last close,
// else 下限警報, rounded to whole yen; the other alert of the row is kept. Refused as setAlert.
Status setBoardAlertAt(db::Database& db, int board, std::int32_t code, Currency price, Currency lastClose);

// Empties 現在値, 現前日比, 現出来高 and their date and time on every row of the board.
Status clearCurrentValues(db::Database& db, int board);
// Stores the current values of one issue; false when the board does not hold it.
Result<bool> storeQuote(db::Database& db, int board, std::int32_t code, std::int32_t price, std::int32_t change,
                        std::int32_t volume);

} // namespace kestrel::boards
