#include "core/chart/SplitWeeks.h"

#include "core/chart/SplitAdjust.h"

namespace kestrel::chart {

Result<std::vector<StoredDay>> readStoredDays(db::Database& db, std::int32_t code, Date after, Date upTo) {
    auto st = db.cached("SELECT 日付, 始値, 高値, 安値, 終値, 出来高 FROM dayData WHERE コード = ?1 AND 日付 > ?2 "
                        "AND 日付 <= ?3 ORDER BY 日付");
    if (!st)
        return st.status();
    db::ResetOnExit done(**st);
    (*st)->bindAll(static_cast<std::int64_t>(code), after, upTo);
    std::vector<StoredDay> days;
    for (;;) {
        auto row = (*st)->step();
        if (!row)
            return row.status();
        if (!*row)
            break;
        const db::Statement& r = **st;
        auto date = r.date(0);
        if (!date)
            continue;
        days.push_back({*date, r.int64(1), r.int64(2), r.int64(3), r.int64(4), r.currency(5)});
    }
    return days;
}

WeekFromDays weekFromDays(const std::vector<StoredDay>& days, std::int64_t priceUnit, std::int64_t volumeUnit,
                          const std::vector<db::SplitEvent>& events) {
    WeekFromDays w;
    for (const StoredDay& d : days) {
        const db::SplitRatio r = db::ratioAfter(events, d.date);
        auto adjust = [&](std::int64_t v) {
            v *= priceUnit;
            if (r.one() || v <= 0)
                return v;
            std::int64_t a = r.price(v);
            if (a < 1) {
                a = 1;
                w.raisedToOne = true;
            }
            return a;
        };
        const std::int64_t open = adjust(d.open), high = adjust(d.high), low = adjust(d.low), close = adjust(d.close);
        if (w.open == 0 && open != 0)
            w.open = open;
        if (close != 0 && w.open != 0) {
            w.traded = true;
            w.close = close;
            if (w.high == 0 || high > w.high)
                w.high = high;
            if (w.low == 0 || (low != 0 && low < w.low))
                w.low = low;
            std::int64_t raw = d.volume.raw() * volumeUnit;
            if (!r.one())
                raw = r.count(raw);
            w.volume = Currency::fromRaw(w.volume.raw() + raw);
        }
    }
    return w;
}

bool eventBetween(const std::vector<db::SplitEvent>& events, Date after, Date upTo) {
    for (const auto& e : events)
        if (e.date > after && e.date <= upTo)
            return true;
    return false;
}

} // namespace kestrel::chart
