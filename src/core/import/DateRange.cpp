#include "core/import/DateRange.h"

namespace kestrel::import {

RangeCheck checkDateRange(const std::optional<Date>& start, const std::optional<Date>& end, bool weekSpan) {
    if (!start)
        return {kBadDate, DateBox::Start};
    if (!end)
        return {kBadDate, DateBox::End};
    if (*end < *start)
        return {kBadRange, DateBox::End};
    if (weekSpan && start->weekday() != 2)
        return {kStartNotMonday, DateBox::Start};
    if (weekSpan && end->weekday() != 6)
        return {kEndNotFriday, DateBox::End};
    return {};
}

} // namespace kestrel::import
