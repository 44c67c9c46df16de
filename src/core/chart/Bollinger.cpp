// ボリンジャーバンド: mid = SMA_n(close); bands = mid ± k·σ for k = 1, 2, 3, σ the population standard
// deviation of the n closes (divided by n), or the sample one (divided by n − 1) when chosen.
#include "core/chart/Indicators.h"

#include <cmath>

namespace kestrel::chart {

Bollinger bollinger(const BarSeries& series, int n, SigmaKind sigma) {
    const Series c = closes(series);
    Bollinger r;
    r.mid = sma(c, n);
    for (int k = 0; k < 3; ++k) {
        r.up[k].assign(c.size(), kMissing);
        r.lo[k].assign(c.size(), kMissing);
    }
    const int divisor = sigma == SigmaKind::Population ? n : n - 1;
    if (divisor < 1)
        return r;
    for (std::size_t t = 0; t < c.size(); ++t) {
        const double mid = r.mid[t];
        if (isMissing(mid))
            continue;
        // Deviations from the window's own mean: no cancellation at 1,000,000 yen.
        double squares = 0;
        for (std::size_t i = t + 1 - n; i <= t; ++i)
            squares += (c[i] - mid) * (c[i] - mid);
        const double sd = std::sqrt(squares / divisor);
        for (int k = 0; k < 3; ++k) {
            r.up[k][t] = mid + (k + 1) * sd;
            r.lo[k][t] = mid - (k + 1) * sd;
        }
    }
    return r;
}

} // namespace kestrel::chart
