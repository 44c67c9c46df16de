#pragma once
// The exchange's market calendar (/markets/calendar, rows Date and HolDiv: "0" closed, "1" open,
// "2" half day, "3" trading on a closed day) read from its pages, and the days a J-Quants run asks
// for: the open days of the calendar, the weekdays where it names nothing. The week's margin
// balances: the application date (normally Friday) until kDailyMarginFrom, the balances of every
// open day from then on, of which the week's file keeps the last open day's.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/CalendarTable.h"

#include <string>
#include <vector>

namespace kestrel::converter::jquants {

inline constexpr long long kDailyMarginFrom = 20260928;

Result<std::vector<db::CalendarDay>> parseCalendar(const std::vector<std::string>& pages, const std::string& context);

// The days on which the margin balances of the week ending friday are asked, in order: the open days
// of the week from the last backwards until kDailyMarginFrom; from then on the last open day alone
// (an earlier day's balances would pass for the week's). Empty for a week without an open day.
std::vector<Date> marginDaysOfWeek(const db::MarketCalendar& calendar, Date friday);

} // namespace kestrel::converter::jquants
