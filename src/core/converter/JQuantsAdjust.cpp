#include "core/converter/JQuantsAdjust.h"

#include <cmath>
#include <limits>
#include <numeric>

namespace kestrel::converter::jquants {
namespace {

// A ratio of small whole numbers within the precision the factor is given to (six digits, or four
// as 0.3333): 1:2, 1:1.1 (10:11), 1:100, 5:1. The smaller side stays at most 10, so that a factor
// near 1 such as 0.9747 is never taken for 77:79.
std::optional<Adjustment> smallRatio(double f) {
    for (std::int32_t after = 1; after <= 100; ++after) {
        const double before = std::round(f * after);
        if (before < 1 || before > 100 || std::min<double>(before, after) > 10)
            continue;
        if (std::fabs(before / after - f) <= 2e-4 * f) {
            const auto b = static_cast<std::int32_t>(before);
            const std::int32_t g = std::gcd(b, after);
            return Adjustment{db::SplitKind::Split, b / g, after / g};
        }
    }
    return std::nullopt;
}

// The factor as the decimal fraction it was written as (0.9747 -> 9747/10000), reduced; at most eight
// places, fewer when the numerator would not fit.
Adjustment exactFactor(double f) {
    std::int64_t num = 0, den = 1;
    for (std::int64_t scale = 1, places = 0; places <= 8; ++places, scale *= 10) {
        const double n = std::round(f * static_cast<double>(scale));
        if (n > std::numeric_limits<std::int32_t>::max() || scale > std::numeric_limits<std::int32_t>::max())
            break;
        num = static_cast<std::int64_t>(n);
        den = scale;
        if (std::fabs(n / static_cast<double>(scale) - f) <= 1e-12 * f)
            break;
    }
    if (num < 1)
        num = 1;
    const std::int64_t g = std::gcd(num, den);
    return {db::SplitKind::RightsIssue, static_cast<std::int32_t>(num / g), static_cast<std::int32_t>(den / g)};
}

} // namespace

std::optional<Adjustment> classifyAdjustment(double factor, std::string_view exRt) {
    if (!(factor > 0) || !std::isfinite(factor) || factor == 1)
        return std::nullopt;
    if (exRt != "3")
        if (auto split = smallRatio(factor))
            return split;
    return exactFactor(factor);
}

} // namespace kestrel::converter::jquants
