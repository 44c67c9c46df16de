// RCI (順位相関指数) over the n closes ending at t: date rank 1 = the newest bar, price rank 1 = the highest
// close, tied closes take the average of their ranks; d = date rank − price rank;
// RCI = (1 − 6·Σd² / (n(n² − 1))) × 100, from −100 to +100.
#include "core/chart/Indicators.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

namespace kestrel::chart {

Series rci(const BarSeries& series, int n) {
    const int size = series.size();
    Series out(size, kMissing);
    if (n < 2)
        return out;
    // The closes as exact raw Currency values, so ties are exact; 0 = no close yet.
    std::vector<std::int64_t> c(size, 0);
    int first = -1;
    for (int i = 0; i < size; ++i) {
        c[i] = (series.bars[i].traded() ? series.bars[i].close : series.bars[i].closeCarried).raw();
        if (first < 0 && c[i] > 0)
            first = i;
    }
    if (first < 0)
        return out;
    // A ring of the window's closes; for each, how many closes of the window are higher and how many
    // equal (itself included). Twice its price rank is then 1 + 2·higher + equal (the tied average), and
    // every update is one branch-free pass over the ring.
    std::vector<std::int64_t> price(n);
    std::vector<std::int32_t> higher(n), equal(n), bar(n);
    const double scale = 6.0 / (4.0 * n * (static_cast<double>(n) * n - 1)); // 4: the doubled ranks
    for (int t = first; t < size; ++t) {
        const int count = std::min(t - first, n); // closes in the ring before t enters
        const int slot = (t - first) % n;
        const bool leaving = t - first >= n; // the close of bar t − n leaves from this slot
        const std::int64_t x = c[t], z = leaving ? price[slot] : INT64_MIN; // INT64_MIN: compares as nothing
        std::int32_t gx = 0, ex = 1;
        auto update = [&](int from, int to) {
            for (int k = from; k < to; ++k) {
                const std::int64_t p = price[k];
                higher[k] += static_cast<std::int32_t>(x > p) - static_cast<std::int32_t>(z > p);
                equal[k] += static_cast<std::int32_t>(x == p) - static_cast<std::int32_t>(z == p);
                gx += static_cast<std::int32_t>(p > x);
                ex += static_cast<std::int32_t>(p == x);
            }
        };
        update(0, std::min(slot, count));
        update(slot + 1, count);
        price[slot] = x;
        higher[slot] = gx;
        equal[slot] = ex;
        bar[slot] = t;
        if (t - first + 1 < n)
            continue;
        std::int64_t sum = 0;
        for (int k = 0; k < n; ++k) {
            const std::int64_t d2 = 2 * static_cast<std::int64_t>(t - bar[k] + 1) - (1 + 2 * higher[k] + equal[k]);
            sum += d2 * d2;
        }
        out[t] = (1 - scale * static_cast<double>(sum)) * 100;
    }
    return out;
}

} // namespace kestrel::chart
