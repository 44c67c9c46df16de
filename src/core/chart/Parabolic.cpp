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
    const std::vector<int> idx = detail::tradedBars(series);
    if (idx.size() < 2 || step <= 0)
        return out;
    step = std::min(step, maxStep); // a step above the largest factor starts at it
    auto H = [&](int p) { return series.bars[idx[p]].high.toDouble(); };
    auto L = [&](int p) { return series.bars[idx[p]].low.toDouble(); };

    const double up = H(1) - H(0), down = L(0) - L(1);
    bool isLong = !(down > 0 && down > up);
    double af = step;
    double ep = isLong ? H(1) : L(1);
    double sar = isLong ? L(0) : H(0);
    // On the first step "yesterday" is the second bar itself, as TA-Lib starts.
    double newLow = L(1), newHigh = H(1);
    for (int p = 1; p < static_cast<int>(idx.size()); ++p) {
        const double prevLow = newLow, prevHigh = newHigh;
        newLow = L(p);
        newHigh = H(p);
        double& value = out[idx[p]];
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
