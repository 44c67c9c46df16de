#pragma once
// The market calendar kept in the table Calendar: for each day the exchange named, whether the market
// was open (休日区分 1 open, 2 half day, 3 trading on a closed day) or closed (0). A day the stored
// calendar does not name counts as open on a weekday and closed on Saturday and Sunday, so a database
// without a calendar (or a range the exchange would not give) behaves as it did before there was one.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <map>
#include <vector>

namespace kestrel::db {

inline constexpr int kHolidayClosed = 0;

struct CalendarDay {
    Date date;
    int holDiv = 1;
};

class MarketCalendar {
public:
    void set(Date d, int holDiv) { m_days[d.ymd()] = holDiv; }
    bool knows(Date d) const { return m_days.count(d.ymd()) > 0; }
    // Whether every day of from..to is named.
    bool covers(Date from, Date to) const;
    bool isOpen(Date d) const;
    std::vector<Date> openDays(Date from, Date to) const;

private:
    std::map<long long, int> m_days; // YYYYMMDD -> 休日区分
};

// Writes the days into Calendar in one transaction, replacing what was stored for them.
Status storeCalendar(Database& db, const std::vector<CalendarDay>& days);
// The stored days of from..to; none from a file that predates the table.
Result<MarketCalendar> loadCalendar(Database& db, Date from, Date to);

} // namespace kestrel::db
