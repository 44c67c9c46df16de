// RCI (順位相関指数) over the n closes ending at t: date rank 1 = the newest bar, price rank 1 = the highest
// close, tied closes take the average of their ranks; d = date rank − price rank;
// RCI = (1 − 6·Σd² / (n(n² − 1))) × 100, from −100 to +100.
#include "core/chart/Indicators.h"

#include <algorithm>
#include <utility>

namespace kestrel::chart {

Series rci(const BarSeries& series, int n) {
    const Series c = closes(series);
    Series out(c.size(), kMissing);
    if (n < 2)
        return out;
    // The window sorted by close, highest first (ties by bar index): one insertion and one removal per
    // bar, then one walk assigns the price ranks.
    using Entry = std::pair<double, int>;
    auto higher = [](const Entry& a, const Entry& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    };
    std::vector<Entry> window;
    window.reserve(n + 1);
    const double scale = 6.0 / (static_cast<double>(n) * (static_cast<double>(n) * n - 1));
    for (int t = 0; t < static_cast<int>(c.size()); ++t) {
        if (isMissing(c[t])) {
            window.clear(); // only before the first close
            continue;
        }
        const Entry in{c[t], t};
        window.insert(std::upper_bound(window.begin(), window.end(), in, higher), in);
        if (static_cast<int>(window.size()) > n) {
            const Entry old{c[t - n], t - n};
            window.erase(std::lower_bound(window.begin(), window.end(), old, higher));
        }
        if (static_cast<int>(window.size()) < n)
            continue;
        double sum = 0;
        for (int i = 0; i < n;) {
            int j = i + 1;
            while (j < n && window[j].first == window[i].first)
                ++j;
            const double priceRank = (i + 1 + j) / 2.0; // the average of ranks i + 1 … j
            for (int k = i; k < j; ++k) {
                const double d = (t - window[k].second + 1) - priceRank;
                sum += d * d;
            }
            i = j;
        }
        out[t] = (1 - scale * sum) * 100;
    }
    return out;
}

} // namespace kestrel::chart
