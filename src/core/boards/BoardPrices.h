#pragma once
// Where a board's current prices come from, how old they are and the alert prices a row may hold.
//
// Contract:
// - fillFromStoredBars gives every row of a board its issue's latest stored daily bar as the current
//   price: 現在値 = close, 現前日比 = change, 現出来高 = volume, in yen (times the price unit) and shares
//   (times the volume unit), adjusted for the confirmed splits as the chart shows that bar, with the bar's
//   date as the price date. A row whose issue has no bar keeps its last values and is marked with why.
// - A price is stale when its date is before lastTradingDay(today).
// - An alert is reached when the current price is at or above the upper price, or at or below the lower
//   one. Alert prices are positive whole yen; an upper price below the lower one is refused, and a
//   refused request stores nothing.
// - summaryLines names, after the completion message, the stale rows, the rows that reached an alert
//   and the rows that could not be refreshed.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/boards/BoardStore.h"
#include "core/db/CalendarTable.h"
#include "core/db/Database.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::boards {

enum class PriceSource { Page, Database, JQuants };
// "page", "db", "jquants" (the settings value and the command line's word) and back.
const char* priceSourceName(PriceSource source);
std::optional<PriceSource> priceSourceFromName(const std::string& name);
// The name shown in the board window: "相場ページ", "株価データ", "J-Quants".
const char* priceSourceLabel(PriceSource source);
// The settings key (section Kestrel) that keeps the source chosen in the board window.
inline constexpr const char* kPriceSourceKey = "boardsource";

// The last day the market was open on or before today: the calendar's open day where it names the day,
// a weekday where it does not.
Date lastTradingDay(Date today, const db::MarketCalendar& calendar);
// The same with the calendar stored in the database (weekdays alone when it cannot be read).
Date lastTradingDay(db::Database& db, Date today);

bool isStale(const BoardRow& row, Date lastOpenDay);
// '≥' for the upper price, '≤' for the lower, nothing when the row's current price reaches neither.
enum class AlertSide { None, Above, Below };
AlertSide alertReached(const BoardRow& row);

// What the board's 取得状態 column says of a row: why its last refresh failed; else "古い株価" for a
// stale price, "上限警報" or "下限警報" for a reached alert (both joined by "・"); else nothing.
std::string rowState(const BoardRow& row, Date lastOpenDay);

// A whole number of yen above zero ("2500" or "2,500"); the message says what is wrong otherwise.
Result<std::int32_t> parseAlertPrice(const std::string& text);
// Sets the row's alert prices (nothing = none); refused when the upper price is below the lower one or
// the board does not hold the code.
Status setAlert(db::Database& db, int board, std::int32_t code, std::optional<std::int32_t> above,
                std::optional<std::int32_t> below);

// Why a row could not be refreshed; stored with the row (取得状態) until its next refresh succeeds.
Status markFailed(db::Database& db, int board, std::int32_t code, const std::string& why);
inline constexpr std::size_t kTimeLength = 5; // characters of board.現在時刻 ("15:00")
// Stores the current values of one issue with their date (and time, may be empty, cut to kTimeLength
// characters) and clears its failure.
Result<bool> storePrice(db::Database& db, int board, std::int32_t code, std::int64_t price, std::int64_t change,
                        Currency volume, Date date, const std::string& time);

// Fills the board from the latest stored daily bars in one transaction.
Status fillFromStoredBars(db::Database& db, int board);

// The lines after "取得終了しました。": "古い株価: CODE …", one "警報: CODE 銘柄 PRICE ≥ ALERT" per reached
// alert, "未取得: CODE（why）…". Each line starts with a line break; empty when there is nothing to say.
// withFailures false leaves out the 未取得 line (for a source that names its failures itself).
std::string summaryLines(const std::vector<BoardRow>& rows, Date lastOpenDay, bool withFailures = true);
// The alert lines alone, one per line without a leading break (the desktop notification's text).
std::vector<std::string> alertLines(const std::vector<BoardRow>& rows);

// The word after an alert set from a chart line at price over a last close: "下限警報 3,194 円を設定しました。"
// (上限警報 when the price is at or above the close), the price rounded to whole yen as stored.
std::string alertSetMessage(Currency price, Currency lastClose);

// 2512 -> "2,512".
std::string yenText(std::int64_t value);

} // namespace kestrel::boards
