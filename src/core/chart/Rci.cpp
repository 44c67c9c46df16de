// RCI (順位相関指数) over the n closes ending at t: date rank 1 = the newest bar, price rank 1 = the highest
// close, tied closes take the average of their ranks; d = date rank − price rank;
// RCI = (1 − 6·Σd² / (n(n² − 1))) × 100, from −100 to +100.
#include "core/chart/Indicators.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace kestrel::chart {

static_assert(4.0 * kMaxPeriod * (static_cast<double>(kMaxPeriod) * kMaxPeriod - 1) / 3 < 2147483647.0);

namespace {

// The closes as small integers of the same order (equal closes equal), so that ties are exact and a
// window compares four closes at a time; -1 before the first close. Returns the first bar with a close.
int closeKeys(const BarSeries& series, std::vector<std::int32_t>& keys) {
    const int size = series.size();
    std::vector<std::int64_t> raw(size);
    int first = -1;
    std::int64_t lo = INT64_MAX, hi = 0;
    for (int i = 0; i < size; ++i) {
        raw[i] = (series.bars[i].traded() ? series.bars[i].close : series.bars[i].closeCarried).raw();
        if (first < 0 && raw[i] > 0)
            first = i;
        if (first >= 0) {
            lo = std::min(lo, raw[i]);
            hi = std::max(hi, raw[i]);
        }
    }
    keys.assign(size, -1);
    if (first < 0)
        return first;
    // Whole yen (or tenths, hundredths) of prices up to a few billion yen: the closes themselves, scaled
    // down exactly. Otherwise their ranks among the distinct closes.
    std::int64_t unit = Currency::kScale;
    for (int i = first; i < size && unit > 1; ++i)
        while (raw[i] % unit != 0)
            unit /= 10;
    if ((hi - lo) / unit < INT32_MAX) {
        for (int i = first; i < size; ++i)
            keys[i] = static_cast<std::int32_t>((raw[i] - lo) / unit);
        return first;
    }
    std::vector<std::pair<std::int64_t, int>> order;
    order.reserve(size - first);
    for (int i = first; i < size; ++i)
        order.emplace_back(raw[i], i);
    std::sort(order.begin(), order.end());
    std::int32_t key = 0;
    for (std::size_t j = 0; j < order.size(); ++j) {
        key += j > 0 && order[j].first != order[j - 1].first ? 1 : 0;
        keys[order[j].second] = key;
    }
    return first;
}

// RCI_n from the keys of closeKeys(); rank2 is scratch of keys.size().
void rciOfKeys(const std::vector<std::int32_t>& keys, int first, int n, std::vector<std::int32_t>& rank2, Series& out) {
    const int size = static_cast<int>(keys.size());
    out.assign(size, kMissing);
    if (n < 2 || first < 0)
        return;
    // For each bar of the window twice its price rank: q = 1 + 2·(closes above it) + (closes equal to it,
    // itself included), the tied average doubled. Each step adjusts every q of the window for the close
    // entering and the one leaving, and in the same pass sums (2·date rank − q)², one branch-free pass.
    // The sum stays below 4·n(n² − 1)/3: within 32 bits for n up to kMaxPeriod.
    rank2.assign(size, 0);
    const std::int32_t* k = keys.data();
    std::int32_t* r = rank2.data();
    const double scale = 6.0 / (4.0 * n * (static_cast<double>(n) * n - 1)); // 4: the doubled ranks
    for (int t = first; t < size; ++t) {
        const std::int32_t x = k[t];
        // Twice the entering close's rank: 2 for itself, 2 for each close above it, 1 for each equal.
        std::int32_t qx = 2;
        if (t - first < n) { // filling the first window: nothing leaves
            for (int i = first; i < t; ++i) {
                const std::int32_t p = k[i];
                r[i] += static_cast<std::int32_t>(x > p) + static_cast<std::int32_t>(x >= p);
                qx += static_cast<std::int32_t>(p > x) + static_cast<std::int32_t>(p >= x);
            }
            r[t] = qx;
            if (t - first + 1 == n) {
                std::int32_t sum = 0;
                for (int i = first; i <= t; ++i) {
                    const std::int32_t d = 2 * (t - i + 1) - r[i];
                    sum += d * d;
                }
                out[t] = (1 - scale * static_cast<double>(sum)) * 100;
            }
            continue;
        }
        const std::int32_t z = k[t - n]; // leaving
        const std::int32_t top = 2 * (t + 1);
        std::int32_t sum = 0;
        for (int i = t - n + 1; i < t; ++i) {
            const std::int32_t p = k[i];
            const std::int32_t q = r[i] + static_cast<std::int32_t>(x > p) + static_cast<std::int32_t>(x >= p) -
                                   static_cast<std::int32_t>(z > p) - static_cast<std::int32_t>(z >= p);
            r[i] = q;
            qx += static_cast<std::int32_t>(p > x) + static_cast<std::int32_t>(p >= x);
            const std::int32_t d = top - 2 * i - q;
            sum += d * d;
        }
        r[t] = qx;
        sum += (2 - qx) * (2 - qx);
        out[t] = (1 - scale * static_cast<double>(sum)) * 100;
    }
}

} // namespace

Series rci(const BarSeries& series, int n) {
    std::vector<std::int32_t> keys, rank2;
    const int first = closeKeys(series, keys);
    Series out;
    rciOfKeys(keys, first, n, rank2, out);
    return out;
}

std::array<Series, 3> rci3(const BarSeries& series, const std::array<int, 3>& periods) {
    std::vector<std::int32_t> keys, rank2;
    const int first = closeKeys(series, keys);
    std::array<Series, 3> out;
    for (int i = 0; i < 3; ++i)
        rciOfKeys(keys, first, periods[i], rank2, out[i]);
    return out;
}

} // namespace kestrel::chart
