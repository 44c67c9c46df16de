// MACD = EMA_12(close) − EMA_26(close); signal = EMA_9(MACD), or SMA_9 when chosen; histogram = MACD −
// signal. Each EMA is seeded with the simple average of its own first n inputs: the fast one on the
// first 12 closes, the slow one on the first 26, the signal on the first 9 MACD values.
#include "core/chart/Indicators.h"

namespace kestrel::chart {

Macd macd(const BarSeries& series, int fast, int slow, int signal, SignalKind kind) {
    const Series c = closes(series);
    const Series f = ema(c, fast);
    const Series s = ema(c, slow);
    Macd r;
    r.macd.resize(c.size());
    for (std::size_t t = 0; t < c.size(); ++t)
        r.macd[t] = f[t] - s[t]; // missing when either is
    r.signal = kind == SignalKind::Ema ? ema(r.macd, signal) : sma(r.macd, signal);
    r.hist.resize(c.size());
    for (std::size_t t = 0; t < c.size(); ++t)
        r.hist[t] = r.macd[t] - r.signal[t];
    return r;
}

} // namespace kestrel::chart
