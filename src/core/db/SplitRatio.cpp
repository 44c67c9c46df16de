#include "core/db/SplitRatio.h"

#include "core/db/SplitTable.h"

#include <limits>

namespace kestrel::db {
namespace {

using Wide = SplitRatio::Wide;

Wide gcdWide(Wide a, Wide b) {
    while (b != 0) {
        const Wide r = a % b;
        a = b;
        b = r;
    }
    return a < 0 ? -a : a;
}

// a * b when neither is beyond kMaxTerm and the product is not either.
bool mulWithin(Wide a, Wide b, Wide& out) {
    return !__builtin_mul_overflow(a, b, &out) && out <= SplitRatio::kMaxTerm;
}

} // namespace

bool SplitRatio::times(std::int64_t before, std::int64_t after) {
    if (before <= 0 || after <= 0)
        return false;
    // Reduce crosswise first, so a cancelling pair (2:1 then 1:2) never grows the terms.
    const Wide g1 = gcdWide(m_before, after), g2 = gcdWide(m_after, before);
    Wide b = 0, a = 0;
    if (!mulWithin(m_before / g1, before / g2, b) || !mulWithin(m_after / g2, after / g1, a))
        return false;
    const Wide g = gcdWide(b, a);
    m_before = b / g;
    m_after = a / g;
    return true;
}

std::int64_t SplitRatio::scale(std::int64_t value, Wide num, Wide den) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (num == den)
        return value;
    Wide n = 0;
    if (__builtin_mul_overflow(static_cast<Wide>(value), num, &n))
        return value < 0 ? -kMax : kMax;
    Wide q = n / den, r = n % den;
    if (r < 0)
        r = -r;
    if (2 * r > den || (2 * r == den && q % 2 != 0))
        q += n < 0 ? -1 : 1;
    if (q > kMax)
        return kMax;
    if (q < -kMax)
        return -kMax;
    return static_cast<std::int64_t>(q);
}

SplitRatio ratioBetween(const std::vector<SplitEvent>& events, Date after, Date upTo) {
    SplitRatio r;
    for (const SplitEvent& e : events)
        if (e.date > after && e.date <= upTo)
            (void)r.times(e.before, e.after);
    return r;
}

SplitRatio ratioAfter(const std::vector<SplitEvent>& events, Date day) {
    SplitRatio r;
    for (const SplitEvent& e : events)
        if (e.date > day)
            (void)r.times(e.before, e.after);
    return r;
}

bool withinSplitBound(const std::vector<SplitEvent>& confirmed, std::int64_t before, std::int64_t after) {
    Wide b = before, a = after;
    for (const SplitEvent& e : confirmed)
        if (!mulWithin(b, e.before, b) || !mulWithin(a, e.after, a))
            return false;
    return b <= SplitRatio::kMaxTerm && a <= SplitRatio::kMaxTerm;
}

} // namespace kestrel::db
