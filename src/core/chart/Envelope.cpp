// エンベロープ: SMA_n(close) × (1 ± p/100). HLバンド: the highest high and the lowest low of the n bars
// before t (t excluded, so a close can break out above the band).
#include "core/chart/Indicators.h"

namespace kestrel::chart {

Envelope envelope(const BarSeries& series, int n, double percent) {
    Envelope r;
    const Series mid = sma(closes(series), n);
    r.up.resize(mid.size());
    r.lo.resize(mid.size());
    const double up = 1 + percent / 100, lo = 1 - percent / 100;
    for (std::size_t t = 0; t < mid.size(); ++t) {
        r.up[t] = mid[t] * up;
        r.lo[t] = mid[t] * lo;
    }
    return r;
}

HlBand hlBand(const BarSeries& series, int n) {
    HlBand r;
    detail::rollingHighLow(series, n, 1, r.high, r.low);
    return r;
}

} // namespace kestrel::chart
