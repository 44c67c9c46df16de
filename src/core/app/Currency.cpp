#include "core/app/Currency.h"

#include <cmath>
#include <limits>

namespace kestrel {

double roundHalfEven(double x) {
    if (!std::isfinite(x))
        return x;
    double r = std::nearbyint(x); // default FE_TONEAREST rounds halves to even
    return r;
}

std::int64_t divRoundHalfEven(std::int64_t num, std::int64_t den) {
    if (den < 0) {
        num = -num;
        den = -den;
    }
    std::int64_t q = num / den;
    std::int64_t r = num % den;
    if (r == 0)
        return q;
    // Compare 2|r| with den without overflow.
    std::int64_t absR = r < 0 ? -r : r;
    std::int64_t rest = den - absR;
    int sign = r < 0 ? -1 : 1;
    if (absR > rest || (absR == rest && (q % 2 != 0)))
        q += sign;
    return q;
}

Currency Currency::fromDouble(double x) {
    return Currency(static_cast<std::int64_t>(roundHalfEven(x * kScale)));
}

std::optional<Currency> Currency::parse(std::string_view text) {
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t' || text[n - 1] == '\r' || text[n - 1] == '\n'))
        --n;
    if (i >= n)
        return std::nullopt;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t whole = 0;
    bool digits = false;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        int d = text[i] - '0';
        if (whole > (kMax / kScale - d) / 10)
            return std::nullopt;
        whole = whole * 10 + d;
        digits = true;
        ++i;
    }
    std::int64_t frac = 0;
    int fracDigits = 0;
    int roundDigit = -1;
    bool stickyNonZero = false;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            int d = text[i] - '0';
            if (fracDigits < 4) {
                frac = frac * 10 + d;
                ++fracDigits;
            } else if (roundDigit < 0) {
                roundDigit = d;
            } else if (d != 0) {
                stickyNonZero = true;
            }
            digits = true;
            ++i;
        }
    }
    if (!digits || i != n)
        return std::nullopt;
    while (fracDigits < 4) {
        frac *= 10;
        ++fracDigits;
    }
    std::int64_t raw = whole * kScale + frac;
    if (roundDigit > 5 || (roundDigit == 5 && (stickyNonZero || raw % 2 != 0)))
        ++raw;
    return Currency(negative ? -raw : raw);
}

std::string Currency::toString() const {
    std::int64_t v = m_raw;
    bool negative = v < 0;
    // Work in unsigned to survive the minimum value.
    std::uint64_t u =
        negative ? static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    std::uint64_t whole = u / kScale;
    std::uint64_t frac = u % kScale;
    std::string s = negative ? "-" : "";
    s += std::to_string(whole);
    if (frac != 0) {
        std::string f = std::to_string(frac);
        f.insert(0, 4 - f.size(), '0');
        while (!f.empty() && f.back() == '0')
            f.pop_back();
        s += '.';
        s += f;
    }
    return s;
}

} // namespace kestrel
