#pragma once
// The results marks under a chart's bars: 決 for full-year results, 1Q/2Q/3Q (4Q/5Q in a long fiscal year)
// for a quarter, at the bar from which the disclosure counts (the first open day after its DiscDate,
// as the figures read it), with that disclosure's figures as a tooltip. A forecast revision alone makes
// no mark, nor does a period disclosed again after a newer one (a correction, not a results date).
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/CalendarTable.h"
#include "core/db/Database.h"
#include "core/fins/Disclosure.h"

#include <span>
#include <string>
#include <vector>

namespace kestrel::fins {

struct ResultsMark {
    int bar = 0;         // index into the bar dates
    std::string label;   // "決", "1Q" … ; the latest disclosure's when several count from one bar
    std::string tooltip; // the figures of each disclosure of the bar, a blank line between them
};

// The marks of rows (any order) over bars dated barDates (ascending; bar i covers the days after bar i-1
// up to its date, bar 0 the days from firstDay). Disclosures that count before firstDay or after the
// last bar get no mark. At most one mark a bar, in bar order.
std::vector<ResultsMark> resultsMarks(std::span<const Disclosure> rows, std::span<const Date> barDates, Date firstDay,
                                      const db::MarketCalendar& calendar);

// The marks of an issue's stored disclosures over its bars (as resultsMarks), with the stored calendar.
Result<std::vector<ResultsMark>> resultsMarksOfIssue(db::Database& db, int code, std::span<const Date> barDates,
                                                     Date firstDay);

// One disclosure's figures as the tooltip shows them: the period and when it was disclosed, then the
// actuals and the forecasts it gives (amounts in 百万円, ▲ for a negative, 未定 as such).
std::string resultsTooltip(const Disclosure& row);

} // namespace kestrel::fins
