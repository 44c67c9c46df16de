// DMI/ADX (Wilder, as TA-Lib): +DM = H − H₋₁ when it is > 0 and > L₋₁ − L, else 0; −DM likewise with
// L₋₁ − L (equal moves give both 0); TR = max(H − L, |H − C₋₁|, |L − C₋₁|). The first sums are of the
// first n − 1 one-bar values, then S = S − S/n + x; ±DI = 100·DM/TR; DX = 100·|+DI − −DI|/(+DI + −DI);
// the first ADX is the mean of the first n DX, then ADX = (ADX·(n − 1) + DX)/n. Untraded bars are
// stepped over: the next traded bar continues from the last traded one.
#include "core/chart/Indicators.h"

#include <algorithm>
#include <cmath>

namespace kestrel::chart {

Dmi dmi(const BarSeries& series, int n) {
    const std::size_t size = series.bars.size();
    Dmi r;
    r.pdi.assign(size, kMissing);
    r.mdi.assign(size, kMissing);
    r.adx.assign(size, kMissing);
    if (n < 1)
        return r;
    // The previous traded bar's high, low and close; p counts the traded bars from 0.
    double h1 = 0, l1 = 0, c1 = 0;
    int p = -1;
    double sp = 0, sm = 0, str = 0, adx = 0;
    for (std::size_t t = 0; t < size; ++t) {
        const SeriesBar& b = series.bars[t];
        if (!b.traded())
            continue;
        const double h = b.high.toDouble(), l = b.low.toDouble(), c = b.close.toDouble();
        const double up = h - h1, down = l1 - l;
        const double pdm = up > 0 && up > down ? up : 0;
        const double mdm = down > 0 && down > up ? down : 0;
        const double tr = std::max({h - l, std::abs(h - c1), std::abs(l - c1)});
        h1 = h;
        l1 = l;
        c1 = c;
        if (++p == 0)
            continue;
        if (p < n) {
            sp += pdm;
            sm += mdm;
            str += tr;
            continue;
        }
        sp += pdm - sp / n;
        sm += mdm - sm / n;
        str += tr - str / n;
        double dx = kMissing;
        if (str > 0) {
            const double pdi = 100 * sp / str, mdi = 100 * sm / str;
            r.pdi[t] = pdi;
            r.mdi[t] = mdi;
            if (pdi + mdi > 0)
                dx = 100 * std::abs(pdi - mdi) / (pdi + mdi);
        }
        if (p < 2 * n - 1) {
            adx += isMissing(dx) ? 0 : dx;
        } else if (p == 2 * n - 1) {
            adx = (adx + (isMissing(dx) ? 0 : dx)) / n;
            r.adx[t] = adx;
        } else {
            if (!isMissing(dx))
                adx = (adx * (n - 1) + dx) / n;
            r.adx[t] = adx;
        }
    }
    return r;
}

} // namespace kestrel::chart
