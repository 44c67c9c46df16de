#pragma once
// Bulk deletion and code change over every table that holds per-issue rows.
//
// DeleteFromAllTables and UpdateAllTables apply one condition or one update clause to the per-issue
// tables in a fixed order. Both run inside one transaction (a savepoint when the caller already has one
// open): either every table changes or none does. Conditions and clauses are SQL fragments written by
// this program with "?" placeholders; values, never user text, are bound to them.
//
// The Delete* and changeIssueCode procedures are the actions of the deletion window and of the command
// line: they take the texts the user typed, check them, ask their questions through the Prompt, open the
// database for the length of the action only, and report with the program's own messages. Each returns
// ok when the work was done and its completion message shown; InvalidInput when an input message was
// shown (nothing asked or changed); Cancelled when the user answered No (nothing changed); else the
// failure whose message was shown, with its code (Busy for a database another program is writing to).
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/db/BarTable.h"
#include "core/db/Database.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::db {

// Deletes the rows matching condition (e.g. "where コード=?") from daydata, weekdata, informationData,
// board, shinyo, Mei, and the issue's split events (Bunkatu) and chart lines (Hikisen), in this order;
// stockmarket is kept. On error nothing is deleted.
Status DeleteFromAllTables(Database& db, const std::string& condition, const std::vector<std::int64_t>& args = {});
// Applies clause (e.g. "set コード=? where コード=?") to dayData, weekData, informationData, board, shinyo
// stockmarket, Bunkatu and Hikisen, in this order (a code change takes the issue's split events and
// chart lines along); Mei is left to the caller. On error nothing is changed.
Status UpdateAllTables(Database& db, const std::string& clause, const std::vector<std::int64_t>& args = {});

// What the deletion actions work on: the database file and the bar table of the chart mode.
struct DeletionTarget {
    std::string databasePath;
    std::int16_t chartMode = 1; // 1 daily, 2 weekly
    std::string barTable() const { return barTableName(barTableForMode(chartMode)); }
};

// The mode label of the deletion window: "日データ削除モード" or "週データ削除モード".
std::string deletionModeLabel(std::int16_t chartMode);

// Deletes the database file and creates an empty one. The caller must hold no connection to it.
// The new file is built beside the old one and renamed over it, so Kestrel.mdb is never missing.
Status deleteAllData(const std::string& databasePath, Prompt& prompt);
// Deletes the bars of the mode between two dates (and in weekly mode the margin balances).
Status deleteDateRange(const DeletionTarget& t, const std::string& firstDate, const std::string& lastDate,
                       Prompt& prompt);
// Deletes the stock-information rows dated on or before date.
Status deleteInformationBefore(const DeletionTarget& t, const std::string& date, Prompt& prompt);
// Deletes every row of one issue with DeleteFromAllTables.
Status deleteIssue(const DeletionTarget& t, const std::string& code, Prompt& prompt);
// Deletes the bars of one issue (and in weekly mode its margin balances) dated on or before date.
Status deleteIssueBefore(const DeletionTarget& t, const std::string& code, const std::string& date, Prompt& prompt);
// Changes an issue's code (and market) in every table, asking about each table that already holds the
// new code. Runs as one transaction: a failing statement leaves every table as it was, shows the error,
// and no completion message follows. oldMarket is only checked to be numeric (the command line has none).
Status changeIssueCode(const DeletionTarget& t, const std::string& oldCode, const std::string& newCode,
                       const std::optional<std::string>& oldMarket, const std::string& newMarket, Prompt& prompt);

// Removes the -wal and -shm files that belong to path (ignoring missing ones).
void removeSideFiles(const std::string& path);

} // namespace kestrel::db
