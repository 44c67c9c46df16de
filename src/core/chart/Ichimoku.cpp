// 一目均衡表: 転換線 = (HH_9 + LL_9) / 2; 基準線 = (HH_26 + LL_26) / 2; 先行スパン1 = (転換線 + 基準線) / 2;
// 先行スパン2 = (HH_52 + LL_52) / 2. The spans are kept at the bar where they are computed; the chart draws
// them 25 slots to the right (and the close, as 遅行スパン, 25 slots to the left).
#include "core/chart/Indicators.h"

namespace kestrel::chart {

namespace {
Series midpoint(const BarSeries& series, int n) {
    Series hi, lo;
    detail::rollingHighLow(series, n, 0, hi, lo);
    for (std::size_t t = 0; t < hi.size(); ++t)
        hi[t] = (hi[t] + lo[t]) / 2; // missing stays missing
    return hi;
}
} // namespace

Ichimoku ichimoku(const BarSeries& series, int tenkanPeriod, int kijunPeriod, int span2Period) {
    Ichimoku r;
    r.tenkan = midpoint(series, tenkanPeriod);
    r.kijun = midpoint(series, kijunPeriod);
    r.span2 = midpoint(series, span2Period);
    r.span1.resize(r.tenkan.size());
    for (std::size_t t = 0; t < r.span1.size(); ++t)
        r.span1[t] = (r.tenkan[t] + r.kijun[t]) / 2;
    return r;
}

} // namespace kestrel::chart
