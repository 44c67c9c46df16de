// ストキャスティクス, Japanese form: %K = 100·(C − LL_n)/(HH_n − LL_n); %D = 100·Σ_m(C − LL_n)/Σ_m(HH_n − LL_n)
// over the m bars ending at t (a ratio of sums, not an average of %K); SD = SMA_s(%D). A flat window
// (a zero denominator) has no value.
#include "core/chart/Indicators.h"

namespace kestrel::chart {

Stochastic stochastic(const BarSeries& series, int n, int m, int s) {
    const Series c = closes(series);
    Series hh, ll;
    detail::rollingHighLow(series, n, 0, hh, ll);
    const std::size_t size = c.size();
    Series num(size), den(size);
    Stochastic r;
    r.k.assign(size, kMissing);
    r.d.assign(size, kMissing);
    for (std::size_t t = 0; t < size; ++t) {
        num[t] = c[t] - ll[t];
        den[t] = hh[t] - ll[t];
        if (den[t] > 0)
            r.k[t] = 100 * num[t] / den[t];
    }
    if (m >= 1) {
        // Sums over the m bars ending at t, recomputed from the window: m is small and the sums stay exact
        // to the last digit at any start.
        for (std::size_t t = m - 1; t < size; ++t) {
            double sn = 0, sd = 0;
            for (std::size_t i = t + 1 - m; i <= t; ++i) {
                sn += num[i];
                sd += den[i];
            }
            if (sd > 0) // NaN when a term is missing
                r.d[t] = 100 * sn / sd;
        }
    }
    r.sd = sma(r.d, s);
    return r;
}

} // namespace kestrel::chart
