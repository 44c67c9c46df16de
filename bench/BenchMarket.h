#pragma once
// The synthetic market the benches build once and cache: a new database file, weekdays, the daily bars
// of the generated market at real magnitudes, and the switch to WAL before the file is renamed
// into place. A failed step stops the bench (no figure is worth printing then).
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrel::bench {

// Prints the message of a failed step and exits.
void must(const Status& st);

// `count` weekdays from `first` on.
std::vector<Date> weekdays(Date first, int count);

// A new Kestrel database at path (an old file removed), written without sync or journal.
std::unique_ptr<db::Database> newMarket(const std::string& path);

// Issues 1300, 1302, ... (Mei with the volume unit given, price unit 1), each with the daily bars of the
// generated market at real magnitudes (gen::realIssue: 1 to 1,000,000 yen, up to 2,000,000,000 shares and
// 1 trillion yen a day) on every day; rows go in in key order and the date index is built afterwards.
void fillDailyBars(db::Database& db, int issues, const std::vector<Date>& days, int volumeUnit);

// Switches the file to WAL, closes it and renames it from tmp to path.
bool finishMarket(std::unique_ptr<db::Database> db, const std::string& tmp, const std::string& path);

// The long-history market of the chart benches: `issues` issues over `days` weekdays from 2000-01-03, issue
// `splitCode` with three split events (10:1 on day 1000, 1:3 in the middle, 1:2 twenty days before the end);
// `more` runs on the database before it is finished. Built under path + ".building", then renamed.
std::vector<Date> longHistoryDays(int days);
bool buildLongHistory(const std::string& path, int issues, int days, std::int32_t splitCode,
                      const std::function<void(db::Database&, const std::vector<Date>&)>& more = {});

} // namespace kestrel::bench
