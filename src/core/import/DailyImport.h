#pragma once
// The daily import: every daily price file of a date range goes into dayData, each bar with its change
// against the previous trading day (the latest stored date at most 60 days back), Mei is kept in step
// with the names and markets of the files, and 更新Flg marks the issues of the last file read.
//
// Invariants: a file is stored whole or not at all (one savepoint per file; several files share a
// commit for speed, and a failure commits the files before the bad one and stops). 基準前日比 is the
// reference close: the close of the last day with trading; 前日比 is the close minus the previous
// reference, 0 without trading or without a reference. A rerun over the same range, or after an
// interrupted run, gives the same tables.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/import/ImportProgress.h"

#include <string>
#include <vector>

namespace kestrel::import {

inline constexpr const char* kNoStockData = "株式データーが存在しません｡";

struct DailyImportOptions {
    std::string dailyFolder;          // hibiPath; empty means no folder is registered and nothing is read
    bool deleteExisting = false;      // RDel = 1: a day already stored is replaced, else it is passed over
    bool readMargin = false;          // afterwards, margin balances of the weeks around the range
    std::string marginFolder;         // sinyoPath
    bool buildWeekly = false;         // afterwards, weekly bars of the weeks of the range
    long long rowsPerCommit = 400000; // files are grouped into commits of about this many rows
    // A file older than the newest whole day stored before the run leaves 更新Flg alone (history filled
    // backwards says nothing about which issues are current).
    bool olderDaysKeepFlags = false;
};

struct DailyImportResult {
    Status status;       // an error names the file and line (or the database); files before it stay stored
    std::string message; // "読み込み終了" or "株式データーが存在しません｡"; empty after an error
    int filesRead = 0;   // files whose records were read
    long long rowsStored = 0;
    bool marginStored = false; // the margin step stored at least one row
    // The open days of the range without stored bars ("休場日でない日のデータがありません: …"), or empty.
    std::string gapNotice;
    // One line per file stored with cells that were not numbers (read as 0): the file and its lines.
    std::vector<std::string> warnings;
    // After an error: the names of the files stored before it, in order, and the file it stopped at.
    std::vector<std::string> storedFiles;
    std::string stoppedAt;
};

// Imports the daily files dated from..to (both inclusive) found in options.dailyFolder, then runs the
// margin step (PrevMonday(PrevMonday(from) - 1) .. PrevFriday(to)) and the weekly step
// (PrevMonday(from) .. NextFriday(to)) when asked. Nothing after an error runs.
// A missing folder stores nothing and gives kNoStockData followed by the folder's name.
DailyImportResult ImportDailyFiles(db::Database& db, Date from, Date to, const DailyImportOptions& options,
                                   const ImportProgress& progress = {});

// The message of a run that stopped at a bad file: which files were stored and where it stopped, e.g.
// "Ds202601.05～Ds202601.06: 読み込み済み (2 ファイル)。Ds202601.07で中止しました: <the error>"; the
// error alone when the run did not stop at a file.
std::string stoppedImportMessage(const DailyImportResult& r);

} // namespace kestrel::import
