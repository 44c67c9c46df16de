#include "core/import/DataGaps.h"

#include "core/app/DateText.h"

#include <algorithm>
#include <set>

namespace kestrel::import {

std::string DataGaps::notice() const {
    if (missing.empty())
        return {};
    constexpr size_t kShown = 8;
    std::string text = "休場日でない日のデータがありません: ";
    size_t entries = 0, shownDays = 0;
    for (size_t i = 0; i < missing.size();) {
        // A run: missing days that follow each other among the open days.
        auto at = std::lower_bound(open.begin(), open.end(), missing[i]);
        size_t j = i + 1;
        while (j < missing.size() && at + static_cast<long>(j - i) < open.end() &&
               *(at + static_cast<long>(j - i)) == missing[j])
            ++j;
        if (entries == kShown)
            break;
        if (j - i < 3)
            j = i + 1;
        text += entries ? ", " : "";
        if (j - i >= 3)
            text += shownDateRange(missing[i], missing[j - 1]) + "（" + std::to_string(j - i) + " 日）";
        else
            text += shownDate(missing[i]);
        shownDays += j - i;
        ++entries;
        i = j;
    }
    if (shownDays < missing.size())
        text += " ほか " + std::to_string(missing.size() - shownDays) + " 日";
    return text;
}

DataGaps findGaps(const db::MarketCalendar& calendar, Date from, Date to, Date today,
                  const std::function<bool(Date)>& has) {
    DataGaps gaps;
    to = std::min(to, today);
    if (to < from)
        return gaps;
    gaps.open = calendar.openDays(from, to);
    for (Date d : gaps.open)
        if (!has(d))
            gaps.missing.push_back(d);
    return gaps;
}

Result<DataGaps> findDataGaps(db::Database& db, Date from, Date to, Date today) {
    if (std::min(to, today) < from)
        return DataGaps();
    auto calendar = db::loadCalendar(db, from, to);
    if (!calendar)
        return calendar.status();
    std::set<long long> stored;
    auto st = db.prepare("SELECT DISTINCT 日付 FROM dayData WHERE 日付 BETWEEN ? AND ?");
    if (!st)
        return st.status();
    st->bindAll(from, to);
    if (Status s = st->forEachRow([&] { stored.insert(st->int64(0)); }); !s)
        return s;
    return findGaps(*calendar, from, to, today, [&](Date d) { return stored.count(d.ymd()) > 0; });
}

} // namespace kestrel::import
