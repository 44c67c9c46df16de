#pragma once
// The latest date stored in a dated table, and the latest daily bar of an issue: the one query every
// screen and job uses for each.
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrel::db {

// SELECT Max(日付) of one of the dated tables (daydata, weekdata, informationData in any case; any
// other name is refused); nothing when the table is empty, an error when the value is not a date.
Result<std::optional<Date>> latestStoredDate(Database& db, const std::string& table);

// An issue's daily bar as stored: prices and change in the stored unit (not yet times 株価単位).
struct DailyBar {
    std::optional<Date> date; // nothing when the stored 日付 is not a date
    std::int64_t open = 0, high = 0, low = 0, close = 0, change = 0;
    Currency volume;
};
// The daily bar of code with the greatest 日付 (its close is the current price); null fields
// read as 0. Nothing when the issue has no daily bar; the error is the database's message.
Result<std::optional<DailyBar>> latestDailyBar(Database& db, std::int64_t code);

// The same query for one issue after another: prepared on the first call and kept, so a walk over
// many issues does not prepare it each time. db must outlive it.
class LatestDailyBars {
public:
    explicit LatestDailyBars(Database& db) : m_db(db) {}
    // latestDailyBar(db, code).
    Result<std::optional<DailyBar>> of(std::int64_t code);

private:
    Database& m_db;
    Statement m_query;
};

} // namespace kestrel::db
