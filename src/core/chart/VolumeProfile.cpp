// 価格帯別出来高 over a range of bars: equal bins over [lowest low, highest high]; each bar's volume spread
// over the bins its [low, high] overlaps in proportion to the overlap, all into one bin when high = low.
#include "core/chart/Indicators.h"

#include <algorithm>
#include <cmath>

namespace kestrel::chart {

VolumeProfile volumeProfile(const BarSeries& series, int first, int last, int bins) {
    VolumeProfile r;
    first = std::max(first, 0);
    last = std::min(last, series.size() - 1);
    if (bins < 1 || first > last)
        return r;
    double lo = 0, hi = 0;
    bool any = false;
    for (int t = first; t <= last; ++t) {
        const SeriesBar& b = series.bars[t];
        if (!b.traded())
            continue;
        lo = any ? std::min(lo, b.low.toDouble()) : b.low.toDouble();
        hi = any ? std::max(hi, b.high.toDouble()) : b.high.toDouble();
        any = true;
    }
    if (!any)
        return r;
    const double width = (hi - lo) / bins;
    r.bins.resize(bins);
    for (int i = 0; i < bins; ++i) {
        r.bins[i].low = lo + i * width;
        r.bins[i].high = i == bins - 1 ? hi : lo + (i + 1) * width;
    }
    // The bin of a price: a price on an edge goes up, the highest high into the last bin.
    auto binOf = [&](double p) {
        if (width <= 0)
            return 0;
        return std::clamp(static_cast<int>(std::floor((p - lo) / width)), 0, bins - 1);
    };
    for (int t = first; t <= last; ++t) {
        const SeriesBar& b = series.bars[t];
        if (!b.traded() || b.volume <= 0)
            continue;
        const double l = b.low.toDouble(), h = b.high.toDouble(), v = static_cast<double>(b.volume);
        if (h <= l) {
            r.bins[binOf(l)].volume += v;
            continue;
        }
        for (int i = binOf(l), end = binOf(h); i <= end; ++i) {
            const double overlap = std::min(h, r.bins[i].high) - std::max(l, r.bins[i].low);
            if (overlap > 0)
                r.bins[i].volume += v * overlap / (h - l);
        }
    }
    const SeriesBar& end = series.bars[last];
    const double close = (end.traded() ? end.close : end.closeCarried).toDouble();
    if (close > 0 && close >= lo && close <= hi)
        r.lastCloseBin = binOf(close);
    return r;
}

} // namespace kestrel::chart
