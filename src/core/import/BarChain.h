#pragma once
// Bars stored out of order: an issue's history fetched by code, and the market's history filled newest
// day first. Both keep dayData equal to what a straight daily import of the same days gives.
//
// A day whose dayData rows came by code only (some issues, not the market's whole file) is a partial
// day, named in the table PartialDays until the day's whole file is imported over it. The daily import
// then replaces the day rather than passing it over, so no issue of the file is lost.
//
// Relinking: a bar's 前日比 and 基準前日比 are taken against the issue's row on the previous stored day
// (at most 60 days back). When a day is stored before days already stored, the next stored day's rows
// are taken again against it, and the day after that for the issues whose reference close moved (a
// day without trading carries it), until nothing moves.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/import/DailyFile.h"

#include <optional>
#include <vector>

namespace kestrel::import {

// Creates PartialDays when the file has none (inside the caller's transaction, if any).
Status ensurePartialDays(db::Database& db);
// Whether d is a partial day; false in a file without the table.
Result<bool> isPartialDay(db::Database& db, Date d);
// Clears d's mark (the day's whole file was stored).
Status clearPartialDay(db::Database& db, Date d);

// The previous stored day of d (any issue, partial days included) at most 60 days back.
Result<std::optional<Date>> previousStoredDay(db::Database& db, Date d);

// Takes the rows after day d again (see above); only the issues in codes when codes is given. One
// statement per row that changes; the caller holds the transaction.
Status relinkAfter(db::Database& db, Date d, const std::vector<std::int32_t>* codes = nullptr);

struct IssueImportResult {
    int stored = 0;       // new dayData rows
    int alreadyThere = 0; // days the issue already had a bar on (kept as stored)
    std::optional<Date> first, last;
};

// Stores one issue's records (one per day, in date order, each as parseDailyFile reads it) as the daily
// import stores a file's record: the same market filter, prices, 前日比 chain and Mei row (added with
// units 1000/1 or brought in step). A day the issue already has a bar on is left alone. Days that held
// no bar before become partial days; the rows after each stored day are relinked for this issue. One
// transaction: on error nothing is kept. 更新Flg is not touched.
Result<IssueImportResult> importIssueRecords(db::Database& db, const std::vector<std::pair<Date, DailyRecord>>& days);

} // namespace kestrel::import
