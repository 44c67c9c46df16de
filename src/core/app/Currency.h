#pragma once
// Currency: a 64-bit fixed-point number with four decimals, the type of volumes and a few ratios.
// Arithmetic is exact; conversions from fractional values round halves to the even neighbour,
// as every conversion to a whole number or to four decimals does in this system.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// Nearest whole number of x, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double x);
// The same for a ratio of integers, exactly: num / den rounded half to even. den must not be 0.
std::int64_t divRoundHalfEven(std::int64_t num, std::int64_t den);

class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromRaw(std::int64_t raw) { return Currency(raw); }
    static constexpr Currency fromWhole(std::int64_t whole) { return Currency(whole * kScale); }
    // x rounded half to even to four decimals.
    static Currency fromDouble(double x);
    // Parses "123", "-12.5", "1234.5678", " 7 ". More than four decimals are rounded half to even.
    // Returns nothing for text that is not a plain decimal number or that exceeds the range.
    static std::optional<Currency> parse(std::string_view text);

    constexpr std::int64_t raw() const { return m_raw; }
    double toDouble() const { return static_cast<double>(m_raw) / kScale; }
    // Whole part rounded half to even (Currency to Long conversion).
    std::int64_t roundToWhole() const { return divRoundHalfEven(m_raw, kScale); }
    // Whole part truncated toward zero.
    constexpr std::int64_t truncToWhole() const { return m_raw / kScale; }
    constexpr bool isWhole() const { return m_raw % kScale == 0; }
    // Shortest decimal text: "1234", "12.34", "-0.5".
    std::string toString() const;

    constexpr Currency operator+(Currency o) const { return Currency(m_raw + o.m_raw); }
    constexpr Currency operator-(Currency o) const { return Currency(m_raw - o.m_raw); }
    constexpr Currency operator-() const { return Currency(-m_raw); }
    Currency& operator+=(Currency o) {
        m_raw += o.m_raw;
        return *this;
    }
    // Product with a whole number (for example a volume times its unit); exact.
    constexpr Currency operator*(std::int64_t k) const { return Currency(m_raw * k); }
    // Quotient by a whole number, rounded half to even to four decimals.
    Currency dividedBy(std::int64_t k) const { return Currency(divRoundHalfEven(m_raw, k)); }
    constexpr auto operator<=>(const Currency&) const = default;

private:
    constexpr explicit Currency(std::int64_t raw) : m_raw(raw) {}
    std::int64_t m_raw = 0;
};

} // namespace kestrel
