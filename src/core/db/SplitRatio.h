#pragma once
// SplitRatio: the cumulative ratio of split events, a reduced fraction in 128-bit integers. A price
// times before/after and a count times after/before give the basis after the events, exactly, halves
// to even. Each term stays at most kMaxTerm (10^24: nineteen 10:11 events or four 1000000:999999 ones
// fit); an event that would take a term beyond it is not taken (times() says so), and entering or
// confirming such an event is refused (checkSplitBound), so no reader ever sees a wrapped ratio. A
// product beyond 64 bits (only for absurd values) saturates instead of wrapping.
#include "core/app/Date.h"

#include <cstdint>
#include <vector>

namespace kestrel::db {

struct SplitEvent;

class SplitRatio {
public:
    __extension__ typedef __int128 Wide;
    static constexpr Wide kMaxTerm = static_cast<Wide>(1000000000000LL) * 1000000000000LL;

    // Takes one more event (before shares become after shares); false, and unchanged, when a term
    // would exceed kMaxTerm or the event is not positive.
    bool times(std::int64_t before, std::int64_t after);
    bool one() const { return m_before == m_after; }
    Wide before() const { return m_before; }
    Wide after() const { return m_after; }

    // value * before / after (a price) and value * after / before (a count), halves to even.
    std::int64_t price(std::int64_t value) const { return scale(value, m_before, m_after); }
    std::int64_t count(std::int64_t value) const { return scale(value, m_after, m_before); }

    // value * num / den halves to even, saturating at the 64-bit range.
    static std::int64_t scale(std::int64_t value, Wide num, Wide den);

private:
    Wide m_before = 1, m_after = 1;
};

// The cumulative ratio of the events dated after `after` up to `upTo` (inclusive).
SplitRatio ratioBetween(const std::vector<SplitEvent>& events, Date after, Date upTo);
// The cumulative ratio of the events dated after a day.
SplitRatio ratioAfter(const std::vector<SplitEvent>& events, Date day);

// Whether the confirmed events together with one more (before:after) keep every cumulative ratio of the
// issue within kMaxTerm: the products of all befores and of all afters must each fit.
bool withinSplitBound(const std::vector<SplitEvent>& confirmed, std::int64_t before, std::int64_t after);

} // namespace kestrel::db
