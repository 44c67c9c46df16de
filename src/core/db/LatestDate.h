#pragma once
// The latest date stored in a dated table: the one query every screen and job uses for it.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <optional>
#include <string>

namespace kestrel::db {

// SELECT Max(日付) of one of the dated tables (daydata, weekdata, informationData in any case; any
// other name is refused); nothing when the table is empty, an error when the value is not a date.
Result<std::optional<Date>> latestStoredDate(Database& db, const std::string& table);

} // namespace kestrel::db
