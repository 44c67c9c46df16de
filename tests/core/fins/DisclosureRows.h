#pragma once
// Disclosure rows of code 7203 written out for the tests of the company figures.
#include "core/fins/Disclosure.h"

#include <initializer_list>
#include <utility>

namespace kestrel::fins::test {

inline Date day(const char* iso) {
    return *Date::parse(iso);
}

// A disclosure at `date` and `time` with `values`; an empty period end, year end or next year end stays
// unknown.
inline Disclosure row(const char* no, const char* date, const char* type, const char* per, const char* perEnd,
                      const char* fyEnd, const char* nextFyEnd,
                      std::initializer_list<std::pair<DisclosureField, const char*>> values,
                      const char* time = "15:00:00") {
    Disclosure d;
    d.discNo = no;
    d.code = 7203;
    d.code5 = "72030";
    d.discDate = day(date);
    d.discTime = time;
    d.docType = type;
    d.perType = per;
    if (*perEnd)
        d.curPerEn = day(perEnd);
    if (*fyEnd)
        d.curFYEn = day(fyEnd);
    if (*nextFyEnd)
        d.nxtFYEn = day(nextFyEnd);
    for (auto [f, v] : values)
        d[f] = figureOf(v);
    return d;
}

} // namespace kestrel::fins::test
