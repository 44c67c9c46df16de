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
    const std::vector<int> idx = detail::tradedBars(series);
    double sp = 0, sm = 0, str = 0, adx = 0;
    for (int p = 1; p < static_cast<int>(idx.size()); ++p) {
        const SeriesBar& b = series.bars[idx[p]];
        const SeriesBar& a = series.bars[idx[p - 1]];
        const double h = b.high.toDouble(), l = b.low.toDouble();
        const double up = h - a.high.toDouble(), down = a.low.toDouble() - l;
        const double pdm = up > 0 && up > down ? up : 0;
        const double mdm = down > 0 && down > up ? down : 0;
        const double c1 = a.close.toDouble();
        const double tr = std::max({h - l, std::abs(h - c1), std::abs(l - c1)});
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
            r.pdi[idx[p]] = pdi;
            r.mdi[idx[p]] = mdi;
            if (pdi + mdi > 0)
                dx = 100 * std::abs(pdi - mdi) / (pdi + mdi);
        }
        if (p < 2 * n - 1) {
            adx += isMissing(dx) ? 0 : dx;
        } else if (p == 2 * n - 1) {
            adx = (adx + (isMissing(dx) ? 0 : dx)) / n;
            r.adx[idx[p]] = adx;
        } else {
            if (!isMissing(dx))
                adx = (adx * (n - 1) + dx) / n;
            r.adx[idx[p]] = adx;
        }
    }
    return r;
}

} // namespace kestrel::chart
