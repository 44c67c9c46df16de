// パラボリック SAR with TA-Lib's start rule: on the second bar the trend is short when −DM (first to second
// bar) > 0, else long; a long start has SAR = the first low and EP = the second high, a short one SAR =
// the first high and EP = the second low. SAR_{t+1} = SAR_t + AF·(EP − SAR_t), AF from `step` up by
// `step` at each new EP to `maxStep`; a long SAR is never above the last two lows (a short one never
// below the last two highs); a reversal puts the SAR at the last EP. Untraded bars are stepped over.
#include "core/chart/Indicators.h"

#include <algorithm>

namespace kestrel::chart {

Series parabolicSar(const BarSeries& series, double step, double maxStep) {
    Series out(series.bars.size(), kMissing);
    // The first two traded bars.
    const int size = series.size();
    int b0 = 0;
    while (b0 < size && !series.bars[b0].traded())
        ++b0;
    int b1 = b0 + 1;
    while (b1 < size && !series.bars[b1].traded())
        ++b1;
    if (b1 >= size || step <= 0)
        return out;
    step = std::min(step, maxStep); // a step above the largest factor starts at it
    auto H = [&](int t) { return series.bars[t].high.toDouble(); };
    auto L = [&](int t) { return series.bars[t].low.toDouble(); };

    const double up = H(b1) - H(b0), down = L(b0) - L(b1);
    bool isLong = !(down > 0 && down > up);
    double af = step;
    double ep = isLong ? H(b1) : L(b1);
    double sar = isLong ? L(b0) : H(b0);
    // On the first step "yesterday" is the second bar itself, as TA-Lib starts.
    double newLow = L(b1), newHigh = H(b1);
    for (int t = b1; t < size; ++t) {
        if (!series.bars[t].traded())
            continue;
        const double prevLow = newLow, prevHigh = newHigh;
        newLow = L(t);
        newHigh = H(t);
        double& value = out[t];
        if (isLong) {
            if (newLow <= sar) { // reverse to short
                isLong = false;
                sar = std::max({ep, prevHigh, newHigh});
                value = sar;
                af = step;
                ep = newLow;
                sar = std::max({sar + af * (ep - sar), prevHigh, newHigh});
            } else {
                value = sar;
                if (newHigh > ep) {
                    ep = newHigh;
                    af = std::min(af + step, maxStep);
                }
                sar = std::min({sar + af * (ep - sar), prevLow, newLow});
            }
        } else {
            if (newHigh >= sar) { // reverse to long
                isLong = true;
                sar = std::min({ep, prevLow, newLow});
                value = sar;
                af = step;
                ep = newHigh;
                sar = std::min({sar + af * (ep - sar), prevLow, newLow});
            } else {
                value = sar;
                if (newLow < ep) {
                    ep = newLow;
                    af = std::min(af + step, maxStep);
                }
                sar = std::max({sar + af * (ep - sar), prevHigh, newHigh});
            }
        }
    }
    return out;
}

} // namespace kestrel::chart
