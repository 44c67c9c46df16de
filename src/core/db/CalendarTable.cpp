#include "core/db/CalendarTable.h"

namespace kestrel::db {

bool MarketCalendar::covers(Date from, Date to) const {
    for (Date d = from; d <= to; d = d.addDays(1))
        if (!knows(d))
            return false;
    return true;
}

bool MarketCalendar::isOpen(Date d) const {
    auto it = m_days.find(d.ymd());
    if (it == m_days.end())
        return !d.isWeekend();
    return it->second != kHolidayClosed;
}

std::vector<Date> MarketCalendar::openDays(Date from, Date to) const {
    std::vector<Date> out;
    for (Date d = from; d <= to; d = d.addDays(1))
        if (isOpen(d))
            out.push_back(d);
    return out;
}

Status storeCalendar(Database& db, const std::vector<CalendarDay>& days) {
    Transaction tx(db);
    if (!tx.began())
        return tx.began();
    auto st = db.prepare("INSERT OR REPLACE INTO Calendar (日付, 休日区分) VALUES (?, ?)");
    if (!st)
        return st.status();
    for (const CalendarDay& day : days) {
        st->bindAll(day.date, static_cast<std::int16_t>(day.holDiv));
        if (Status s = st->run(); !s)
            return s;
    }
    return tx.commit();
}

Result<MarketCalendar> loadCalendar(Database& db, Date from, Date to) {
    MarketCalendar out;
    auto has = db.queryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='Calendar'");
    if (!has)
        return has.status();
    if (has->value_or(0) == 0)
        return out;
    auto st = db.prepare("SELECT 日付, 休日区分 FROM Calendar WHERE 日付 BETWEEN ? AND ?");
    if (!st)
        return st.status();
    st->bindAll(from, to);
    if (Status s = st->forEachRow([&] {
            if (auto d = st->date(0))
                out.set(*d, st->int32(1));
        });
        !s)
        return s;
    return out;
}

} // namespace kestrel::db
