#pragma once
// Exact integer arithmetic behind the chart's series: 128-bit intermediates for products of Currency
// sums, and the two roundings the chart uses (halves to even, and truncation toward zero).
#include "core/app/Currency.h"

#include <cstdint>

namespace kestrel::chart::detail {

__extension__ using Int128 = __int128;

// num / den rounded to the nearest whole number, a half going to the even neighbour. den != 0.
inline Int128 divRoundHalfEven(Int128 num, Int128 den) {
    // Chart values are far from the 64-bit limits: the division of libgcc's 128-bit helper is avoided.
    if (num > -INT64_MAX && num <= INT64_MAX && den > -INT64_MAX && den <= INT64_MAX)
        return kestrel::divRoundHalfEven(static_cast<std::int64_t>(num), static_cast<std::int64_t>(den));
    if (den < 0) {
        num = -num;
        den = -den;
    }
    Int128 q = num / den;
    Int128 r = num % den;
    if (r == 0)
        return q;
    Int128 absR = r < 0 ? -r : r;
    Int128 rest = den - absR;
    if (absR > rest || (absR == rest && q % 2 != 0))
        q += r < 0 ? -1 : 1;
    return q;
}

// num / den rounded toward minus infinity. den > 0.
inline Int128 divFloor(Int128 num, Int128 den) {
    if (num > -INT64_MAX && num <= INT64_MAX && den <= INT64_MAX) {
        const std::int64_t n = static_cast<std::int64_t>(num), d = static_cast<std::int64_t>(den);
        std::int64_t q = n / d;
        if (n % d != 0 && n < 0)
            --q;
        return q;
    }
    Int128 q = num / den;
    if (num % den != 0 && num < 0)
        --q;
    return q;
}

inline bool fitsInt64(Int128 v) {
    return v >= INT64_MIN && v <= INT64_MAX;
}

inline std::int16_t clampInt16(Int128 v) {
    return static_cast<std::int16_t>(v < INT16_MIN ? INT16_MIN : v > INT16_MAX ? INT16_MAX : v);
}

} // namespace kestrel::chart::detail
