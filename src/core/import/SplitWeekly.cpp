#include "core/import/SplitWeekly.h"

#include "core/db/LatestDate.h"
#include "core/import/WeeklyBars.h"

namespace kestrel::import {

std::string splitWeeklyQuestion(Date monday) {
    return "分割に合わせて週データーを " + monday.toYYMMDD() + " の週から作り直します よろしいですか？";
}

Result<bool> offerSplitWeeklyRebuild(db::Database& db, std::int32_t code, Date eventDate, Prompt& prompt) {
    const Date monday = PrevMonday(eventDate);
    auto weeks = db.queryInt("SELECT count(*) FROM weekData WHERE コード = ? AND 日付 >= ?", code, monday);
    if (!weeks)
        return weeks.status();
    auto last = db::latestDailyBar(db, code);
    if (!last)
        return last.status();
    const std::optional<Date> lastDay = *last ? (*last)->date : std::nullopt;
    if (weeks->value_or(0) == 0 || !lastDay)
        return false;
    if (!prompt.askYesNo(splitWeeklyQuestion(monday)))
        return false;
    const Date end = NextFriday(*lastDay);
    if (Status st = buildIssueWeeklyBars(db, code, monday, end); !st)
        return st;
    return true;
}

} // namespace kestrel::import
