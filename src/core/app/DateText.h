#pragma once
// The forms a date is shown to a user in. Each window shows its dates in one of them:
// - listDate, "YY/MM/DD": the classic windows whose boxes and lists have always read that way: the main
//   window (price list, date labels, chart date box), the information lists, the import, split,
//   deletion and download windows, Plover's date boxes and the share ledger (it stores that text).
// - shownDate, "YYYY/MM/DD": everywhere else: messages and notices, boards, screening, tooltips.
// Stored texts keep their own forms; these are only for showing.
#include "core/app/Date.h"

#include <string>
#include <string_view>

namespace kestrel {

std::string listDate(Date d);  // "26/02/06"
std::string shownDate(Date d); // "2026/02/06"
// "2026/02/02～2026/02/06"; one date when from and to are the same day.
std::string shownDateRange(Date from, Date to);
// A stored refresh stamp "YY/MM/DD hh:mm" as "YYYY/MM/DD hh:mm"; text of any other shape comes back as
// it is.
std::string shownStamp(std::string_view stored);

} // namespace kestrel
