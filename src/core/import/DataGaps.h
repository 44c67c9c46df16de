#pragma once
// The open market days of a range that have no stored daily bars, named after every daily import so a
// missing day is never silent. Open days come from the stored market calendar, or, for the days it
// does not name, are the weekdays. Days after today are not counted: they have not traded yet.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/CalendarTable.h"
#include "core/db/Database.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrel::import {

struct DataGaps {
    std::vector<Date> open;    // the open days of the range
    std::vector<Date> missing; // those without a bar in dayData
    // "休場日でない日のデータがありません: 2024-01-04, 2024-01-09～2024-01-19（9 日）": runs of three or
    // more consecutive open days as one span, and after eight entries "ほか N 日"; empty without a gap.
    std::string notice() const;
};

// The open days of from..min(to, today) by the calendar, and those for which has(day) is false.
DataGaps findGaps(const db::MarketCalendar& calendar, Date from, Date to, Date today,
                  const std::function<bool(Date)>& has);

// The open days of from..min(to, today) and those on which dayData holds no bar.
Result<DataGaps> findDataGaps(db::Database& db, Date from, Date to, Date today);

} // namespace kestrel::import
