// The settings of the technical set, the building blocks every family shares (closes, SMA, EMA, the
// rolling highest high and lowest low) and the name table of the JSON and the screens.
#include "core/chart/Indicators.h"

#include <algorithm>
#include <limits>
#include <string>

namespace kestrel::chart {

namespace {

struct Check {
    std::string_view field;
    bool ok;
    const char* rule;
};

constexpr const char* kPeriodRule = "期間は 1 から 1000 の整数で入力して下さい。";

std::vector<Check> checks(const TechnicalSettings& s) {
    auto period = [](int v) { return v >= 1 && v <= kMaxPeriod; };
    return {
        {"tenkanPeriod", period(s.tenkanPeriod), kPeriodRule},
        {"kijunPeriod", period(s.kijunPeriod), kPeriodRule},
        {"span2Period", period(s.span2Period), kPeriodRule},
        {"ichimokuShift", s.ichimokuShift >= 0 && s.ichimokuShift <= kMaxPeriod,
         "ずらす本数は 0 から 1000 の整数で入力して下さい。"},
        {"bbPeriod", period(s.bbPeriod), kPeriodRule},
        {"macdFast", period(s.macdFast), kPeriodRule},
        {"macdSlow", period(s.macdSlow), kPeriodRule},
        {"macdSignal", period(s.macdSignal), kPeriodRule},
        {"stochK", period(s.stochK), kPeriodRule},
        {"stochD", period(s.stochD), kPeriodRule},
        {"stochSD", period(s.stochSD), kPeriodRule},
        {"rci1", period(s.rci1), kPeriodRule},
        {"rci2", period(s.rci2), kPeriodRule},
        {"rci3", period(s.rci3), kPeriodRule},
        {"dmiPeriod", period(s.dmiPeriod), kPeriodRule},
        {"sarStep", s.sarStep > 0 && s.sarStep <= 1, "加速因数は 0 より大きく 1 以下で入力して下さい。"},
        {"sarMax", s.sarMax >= s.sarStep && s.sarMax <= 1, "加速因数の上限は加速因数以上 1 以下で入力して下さい。"},
        {"envPercent", s.envPercent >= 0 && s.envPercent < 100, "乖離率は 0 以上 100 未満で入力して下さい。"},
        {"envPeriod", period(s.envPeriod), kPeriodRule},
        {"hlPeriod", period(s.hlPeriod), kPeriodRule},
        {"vpBins", s.vpBins >= 1 && s.vpBins <= 200, "価格帯の数は 1 から 200 の整数で入力して下さい。"},
    };
}

} // namespace

std::string_view TechnicalSettings::invalidField() const {
    for (const Check& c : checks(*this))
        if (!c.ok)
            return c.field;
    return {};
}

Status TechnicalSettings::validate() const {
    for (const Check& c : checks(*this))
        if (!c.ok)
            return Status::error(StatusCode::InvalidInput, std::string(c.field) + ": " + c.rule);
    return Status::ok();
}

int warmupBars(const TechnicalSettings& s) {
    // An EMA forgets its seed as (1 − 2/(n + 1))^k and a Wilder sum as (1 − 1/n)^k: e^−16 of the seed's
    // error is left after 8(n + 1) and 16n bars, far below 0.01 at any price.
    const int ema = 8 * (std::max(s.macdFast, s.macdSlow) + 1) + s.macdSignal;
    const int wilder = 16 * s.dmiPeriod + s.dmiPeriod;
    const int window = std::max({s.kijunPeriod, s.span2Period, s.tenkanPeriod, s.bbPeriod, s.rci1, s.rci2, s.rci3,
                                 s.stochK + s.stochD + s.stochSD, s.envPeriod, s.hlPeriod + 1});
    return std::max({250, ema, wilder, window});
}

Series closes(const BarSeries& series) {
    Series c(series.bars.size(), kMissing);
    for (std::size_t i = 0; i < c.size(); ++i) {
        const Currency v = series.bars[i].traded() ? series.bars[i].close : series.bars[i].closeCarried;
        if (v.raw() > 0)
            c[i] = v.toDouble();
    }
    return c;
}

Series sma(const Series& x, int n) {
    Series out(x.size(), kMissing);
    if (n < 1)
        return out;
    double sum = 0;
    int present = 0;
    for (std::size_t t = 0; t < x.size(); ++t) {
        if (!isMissing(x[t])) {
            sum += x[t];
            ++present;
        }
        if (t >= static_cast<std::size_t>(n) && !isMissing(x[t - n])) {
            sum -= x[t - n];
            --present;
        }
        if (present == n)
            out[t] = sum / n;
    }
    return out;
}

Series ema(const Series& x, int n) {
    Series out(x.size(), kMissing);
    if (n < 1)
        return out;
    const double alpha = 2.0 / (n + 1);
    double value = 0;
    int seen = 0;
    for (std::size_t t = 0; t < x.size(); ++t) {
        if (isMissing(x[t]))
            continue;
        if (seen < n) {
            value += x[t];
            if (++seen == n) {
                value /= n;
                out[t] = value;
            }
            continue;
        }
        value += alpha * (x[t] - value);
        out[t] = value;
    }
    return out;
}

namespace detail {

std::vector<int> tradedBars(const BarSeries& series) {
    std::vector<int> idx;
    idx.reserve(series.bars.size());
    for (int i = 0; i < series.size(); ++i)
        if (series.bars[i].traded())
            idx.push_back(i);
    return idx;
}

namespace {

// out[j] = the best of value(j − n + 1 .. j) for j >= n − 1 (by `better`), in passes without a branch on
// the data: the bars are cut into blocks of n; a window then spans the tail of one block (its suffix best)
// and the head of the next (its prefix best). suffix is scratch.
template <typename Value, typename Better>
void slidingBest(int size, int n, Value value, Better better, Series& out, Series& suffix) {
    suffix.resize(size);
    for (int b0 = 0; b0 < size; b0 += n) {
        const int b1 = std::min(b0 + n, size);
        double run = value(b0);
        out[b0] = run;
        for (int i = b0 + 1; i < b1; ++i)
            out[i] = run = better(run, value(i));
        run = value(b1 - 1);
        suffix[b1 - 1] = run;
        for (int i = b1 - 2; i >= b0; --i)
            suffix[i] = run = better(run, value(i));
    }
    for (int j = size - 1; j >= n - 1; --j)
        out[j] = better(suffix[j - n + 1], out[j]);
}

// Moves the window bests `lag` bars right and turns them into prices: missing where the window starts
// before bar 0 or held no traded bar (its best is still `none`).
void toPrices(Series& v, int n, int lag, double none) {
    for (int t = static_cast<int>(v.size()) - 1; t >= 0; --t) {
        const double raw = t - lag >= n - 1 ? v[t - lag] : none;
        // As Currency::toDouble: the raw value is exact in a double.
        v[t] = raw == none ? kMissing : raw / static_cast<double>(Currency::kScale);
    }
}

} // namespace

void rollingHighLow(const BarSeries& series, int n, int lag, Series& highest, Series& lowest) {
    const int size = series.size();
    if (n < 1 || size == 0) {
        highest.assign(size, kMissing);
        lowest.assign(size, kMissing);
        return;
    }
    highest.resize(size);
    lowest.resize(size);
    // An untraded bar takes part as a high below every price and a low above every price. Raw prices are
    // whole numbers far below 2^53: exact as doubles.
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const SeriesBar* bars = series.bars.data();
    Series suffix;
    slidingBest(
        size, n, [&](int i) { return bars[i].traded() ? static_cast<double>(bars[i].high.raw()) : -kInf; },
        [](double a, double b) { return std::max(a, b); }, highest, suffix);
    slidingBest(
        size, n, [&](int i) { return bars[i].traded() ? static_cast<double>(bars[i].low.raw()) : kInf; },
        [](double a, double b) { return std::min(a, b); }, lowest, suffix);
    toPrices(highest, n, lag, -kInf);
    toPrices(lowest, n, lag, kInf);
}

} // namespace detail

TechnicalValues computeAll(const BarSeries& series, const TechnicalSettings& s) {
    TechnicalValues v;
    v.ichimoku = ichimoku(series, s.tenkanPeriod, s.kijunPeriod, s.span2Period);
    v.bollinger = bollinger(series, s.bbPeriod, s.bbSigma);
    v.macd = macd(series, s.macdFast, s.macdSlow, s.macdSignal, s.macdSignalKind);
    v.stochastic = stochastic(series, s.stochK, s.stochD, s.stochSD);
    v.rci = rci3(series, {s.rci1, s.rci2, s.rci3});
    v.dmi = dmi(series, s.dmiPeriod);
    v.sar = parabolicSar(series, s.sarStep, s.sarMax);
    v.envelope = envelope(series, s.envPeriod, s.envPercent);
    v.hlBand = hlBand(series, s.hlPeriod);
    return v;
}

namespace {
constexpr std::array<std::string_view, 28> kNames = {
    "tenkan", "kijun", "span1",      "span2",    "bbMid",  "bbUp1",  "bbUp2",   "bbUp3", "bbLo1", "bbLo2",
    "bbLo3",  "macd",  "macdSignal", "macdHist", "stochK", "stochD", "stochSD", "rci1",  "rci2",  "rci3",
    "pdi",    "mdi",   "adx",        "sar",      "envUp",  "envLo",  "hlHigh",  "hlLow"};
} // namespace

std::span<const std::string_view> technicalSeriesNames() {
    return kNames;
}

const Series* TechnicalValues::find(std::string_view name) const {
    const Series* table[] = {
        &ichimoku.tenkan, &ichimoku.kijun,  &ichimoku.span1,  &ichimoku.span2,  &bollinger.mid,   &bollinger.up[0],
        &bollinger.up[1], &bollinger.up[2], &bollinger.lo[0], &bollinger.lo[1], &bollinger.lo[2], &macd.macd,
        &macd.signal,     &macd.hist,       &stochastic.k,    &stochastic.d,    &stochastic.sd,   &rci[0],
        &rci[1],          &rci[2],          &dmi.pdi,         &dmi.mdi,         &dmi.adx,         &sar,
        &envelope.up,     &envelope.lo,     &hlBand.high,     &hlBand.low};
    static_assert(sizeof(table) / sizeof(table[0]) == kNames.size());
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name)
            return table[i];
    return nullptr;
}

} // namespace kestrel::chart
