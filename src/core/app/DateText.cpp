#include "core/app/DateText.h"

namespace kestrel {

std::string listDate(Date d) {
    return d.toYYMMDD();
}

std::string shownDate(Date d) {
    return d.toSlashed();
}

std::string shownDateRange(Date from, Date to) {
    return from == to ? shownDate(from) : shownDate(from) + "～" + shownDate(to);
}

std::string shownStamp(std::string_view stored) {
    if (stored.size() < 8)
        return std::string(stored);
    auto d = Date::parse(stored.substr(0, 8));
    if (!d || (stored.size() > 8 && stored[8] != ' '))
        return std::string(stored);
    return shownDate(*d) + std::string(stored.substr(8));
}

} // namespace kestrel
