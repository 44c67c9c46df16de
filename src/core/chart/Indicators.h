#pragma once
// The technical indicators of the chart, the PNG, the JSON and the screens: pure functions over one
// BarSeries, each returning one value per bar (kMissing where the value is not defined). Nothing else
// computes these values; every view reads them from here.
//
// Rules shared by every function:
// - "The n bars ending at t" include t. A bar that did not trade (zero close) takes part with its carried
//   close wherever a close is used, and takes no part in a highest high, a lowest low, H or L; a window
//   without a traded bar gives kMissing. DMI/ADX and SAR step over such a bar: it gets kMissing and the
//   next traded bar continues from the last traded one.
// - Too few bars, or a zero denominator, give kMissing; no function returns an infinity, and a NaN only
//   as kMissing. Leading bars without any close yet (closeCarried 0) count as missing closes.
// - Prices are read as doubles (Currency::toDouble); values hold to 0.01 from 1 yen to 1,000,000 yen.
// - EMA, MACD, DMI/ADX and SAR depend on where the computation starts; once warmupBars() bars lie before
//   a bar its value equals the one computed from the first bar (to 0.01). A view of a short span
//   computes over the series from at least that many bars earlier (or the whole history) and shows its
//   slice, so the chart, the scan and the JSON agree at every span.
#include "core/app/Status.h"
#include "core/chart/BarSeries.h"

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace kestrel::chart {

enum class SigmaKind : int { Population = 0, Sample = 1 }; // divide by n, or by n - 1 (標本標準偏差)
enum class SignalKind : int { Ema = 0, Sma = 1 };          // the MACD signal line's average

// Every period, multiplier and kind of the technical set, with the defaults of the chart.
struct TechnicalSettings {
    int tenkanPeriod = 9;   // 転換線
    int kijunPeriod = 26;   // 基準線
    int span2Period = 52;   // 先行スパン2
    int ichimokuShift = 25; // slots the spans are drawn right (and 遅行スパン left); not used in values
    int bbPeriod = 20;      // ボリンジャーバンド
    SigmaKind bbSigma = SigmaKind::Population;
    int macdFast = 12;
    int macdSlow = 26;
    int macdSignal = 9;
    SignalKind macdSignalKind = SignalKind::Ema;
    int stochK = 9;  // n: the window of HH and LL
    int stochD = 3;  // m: the bars summed for %D
    int stochSD = 3; // s: the SMA of %D
    int rci1 = 9, rci2 = 26, rci3 = 52;
    int dmiPeriod = 14;
    double sarStep = 0.02; // the first acceleration factor and its step
    double sarMax = 0.2;   // the largest acceleration factor
    int envPeriod = 25;
    double envPercent = 5.0; // band distance in percent of the SMA
    int hlPeriod = 20;
    int vpBins = 24; // 価格帯別出来高

    // Ok, or InvalidInput with a message that starts with the bad field's name (as written above):
    // periods from 1 to kMaxPeriod, the shift from 0 to kMaxPeriod, 0 < sarStep <= sarMax <= 1,
    // 0 <= envPercent < 100, bins from 1 to 200.
    Status validate() const;
    // The name of the first bad field, empty when every field is valid.
    std::string_view invalidField() const;
    bool operator==(const TechnicalSettings&) const = default;
};
inline constexpr int kMaxPeriod = 1000;

// Bars before a date after which none of its values depends on where the computation started (to 0.01):
// 250 for the defaults, more for long EMA or DMI periods.
int warmupBars(const TechnicalSettings& settings);

// ---- building blocks over plain series (NaN = missing) ----

// The close each bar takes part with: close, or the carried close of an untraded bar; kMissing before
// the first traded bar.
Series closes(const BarSeries& series);
// SMA_n at t: the mean of the n values ending at t; kMissing unless all n are present.
Series sma(const Series& x, int n);
// EMA_n with alpha = 2 / (n + 1), seeded at the n-th present value with the mean of the first n present
// values (leading missing values are skipped); kMissing before the seed and wherever x is missing.
Series ema(const Series& x, int n);

// ---- the families ----

// 一目均衡表: tenkan = (HH_9 + LL_9) / 2, kijun = (HH_26 + LL_26) / 2, span1 = (tenkan + kijun) / 2,
// span2 = (HH_52 + LL_52) / 2, each at the bar where it is computed (drawn `shift` slots to the right).
struct Ichimoku {
    Series tenkan, kijun, span1, span2;
};
Ichimoku ichimoku(const BarSeries& series, int tenkanPeriod = 9, int kijunPeriod = 26, int span2Period = 52);

// ボリンジャーバンド: mid = SMA_n(close), up[k-1] = mid + k·σ, lo[k-1] = mid − k·σ for k = 1, 2, 3.
// A sample σ with n = 1 is undefined: the bands are missing, the mid is not.
struct Bollinger {
    Series mid;
    std::array<Series, 3> up, lo;
};
Bollinger bollinger(const BarSeries& series, int n = 20, SigmaKind sigma = SigmaKind::Population);

// MACD = EMA_fast(close) − EMA_slow(close), each EMA seeded on its own first inputs; signal = EMA or
// SMA of the MACD values; hist = MACD − signal.
struct Macd {
    Series macd, signal, hist;
};
Macd macd(const BarSeries& series, int fast = 12, int slow = 26, int signal = 9, SignalKind kind = SignalKind::Ema);

// ストキャスティクス (Japanese form): k = 100·(C − LL_n)/(HH_n − LL_n); d = 100·Σ_m(C − LL_n)/Σ_m(HH_n − LL_n);
// sd = SMA_s(d). A zero denominator (a flat window) gives kMissing.
struct Stochastic {
    Series k, d, sd;
};
Stochastic stochastic(const BarSeries& series, int n = 9, int m = 3, int s = 3);

// RCI over the n closes ending at t, from −100 to +100: date rank 1 = newest, price rank 1 = highest,
// tied closes take the average of their ranks; (1 − 6·Σd² / (n(n² − 1))) × 100. n = 1 gives kMissing.
Series rci(const BarSeries& series, int n);
// rci() for three periods at once (the closes ranked once).
std::array<Series, 3> rci3(const BarSeries& series, const std::array<int, 3>& periods);

// DMI/ADX (Wilder, as TA-Lib), over the traded bars: pdi, mdi from bar n, adx from bar 2n − 1 (counting
// traded bars from 0). A zero TR sum gives missing DIs; a DX with +DI + −DI = 0 leaves the ADX as it was
// (it counts as 0 in the first mean), as TA-Lib does.
struct Dmi {
    Series pdi, mdi, adx;
};
Dmi dmi(const BarSeries& series, int n = 14);

// パラボリック SAR with TA-Lib's start rule, over the traded bars; the first traded bar has no value.
Series parabolicSar(const BarSeries& series, double step = 0.02, double maxStep = 0.2);

// エンベロープ: SMA_n(close) × (1 ± percent / 100).
struct Envelope {
    Series up, lo;
};
Envelope envelope(const BarSeries& series, int n = 25, double percent = 5.0);

// HLバンド: the highest high and lowest low of the n bars before t (t excluded); kMissing for t < n.
struct HlBand {
    Series high, low;
};
HlBand hlBand(const BarSeries& series, int n = 20);

// 価格帯別出来高 over bars [first, last] (clamped to the series): `bins` equal bins over [lowest low,
// highest high] of the traded bars; each bar's volume spread over the bins its [low, high] overlaps in
// proportion to the overlap, all into one bin when high = low (a price on a bin edge goes to the upper
// bin, the highest high to the last). When the whole range is one price, every bin is that price and
// bin 0 holds all the volume. No traded bar in the range: no bins.
struct VolumeBin {
    double low = 0, high = 0, volume = 0;
};
struct VolumeProfile {
    std::vector<VolumeBin> bins; // lowest price first
    int lastCloseBin = -1;       // the bin of the last bar's (carried) close; -1 when outside or no bins
};
VolumeProfile volumeProfile(const BarSeries& series, int first, int last, int bins = 24);

// ---- every named series at once ----

// Every per-bar series of the technical set, computed with one settings value.
struct TechnicalValues {
    Ichimoku ichimoku;
    Bollinger bollinger;
    Macd macd;
    Stochastic stochastic;
    std::array<Series, 3> rci;
    Dmi dmi;
    Series sar;
    Envelope envelope;
    HlBand hlBand;

    // The series of a JSON and screen name (tenkan, kijun, span1, span2, bbMid, bbUp1..bbUp3,
    // bbLo1..bbLo3, macd, macdSignal, macdHist, stochK, stochD, stochSD, rci1..rci3, pdi, mdi, adx, sar,
    // envUp, envLo, hlHigh, hlLow); nullptr for any other name.
    const Series* find(std::string_view name) const;
};
// The settings must be valid (validate()); every series has series.size() values.
TechnicalValues computeAll(const BarSeries& series, const TechnicalSettings& settings);
// The names find() knows, in the order the JSON writes them.
std::span<const std::string_view> technicalSeriesNames();

namespace detail {
// Highest high and lowest low of the traded bars in [t - n + 1 - lag, t - lag] for every t; kMissing when
// the window starts before bar 0 or holds no traded bar. lag 0: the n bars ending at t; lag 1: before t.
void rollingHighLow(const BarSeries& series, int n, int lag, Series& highest, Series& lowest);
// The indexes of the traded bars, oldest first.
std::vector<int> tradedBars(const BarSeries& series);
} // namespace detail

} // namespace kestrel::chart
