#include "core/db/LatestDate.h"

#include <array>
#include <strings.h>

namespace kestrel::db {

Result<std::optional<Date>> latestStoredDate(Database& db, const std::string& table) {
    static constexpr std::array<const char*, 3> kTables = {"daydata", "weekdata", "informationData"};
    for (const char* t : kTables) {
        if (::strcasecmp(t, table.c_str()) != 0)
            continue;
        auto max = db.queryInt(std::string("SELECT Max(日付) AS MaxDate FROM ") + t + " ;");
        if (!max)
            return max.status();
        if (!*max)
            return std::optional<Date>();
        auto d = Date::fromYmdInt(**max);
        if (!d)
            return Result<std::optional<Date>>::error(db.path() + ": " + t + " に日付でない値があります");
        return std::optional<Date>(*d);
    }
    return Result<std::optional<Date>>::error("日付のある表ではありません: " + table);
}

} // namespace kestrel::db
