// The series of a loaded chart: five running-window passes, the extremes, the scale bounds, the
// slope angles with the Ito ratio, and the quadratic fit. Every value is computed exactly from the
// whole-yen prices; only the angles go through floating point.
#include "core/chart/ChartData.h"
#include "core/chart/ChartMath.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace kestrel::chart {

using detail::Int128;

namespace {

constexpr std::int64_t kScale = Currency::kScale;

Currency& maOf(ChartBar& b, int k) {
    return k == 1 ? b.ma1 : k == 2 ? b.ma2 : b.ma3;
}
std::int16_t& devOf(ChartBar& b, int k) {
    return k == 1 ? b.dev1 : k == 2 ? b.dev2 : b.dev3;
}
Currency& angleOf(ChartBar& b, int k) {
    return k == 1 ? b.maAngle1 : k == 2 ? b.maAngle2 : b.maAngle3;
}

// A period outside 1..110 has no full window within the array: its series stays empty.
bool usablePeriod(int p) {
    return p >= 1 && p <= kMaxBars;
}

// The 1-based bar at which a running window of p bars starts so that its values are whole from the
// 0-based bar `from` on.
int passStart(int from, int p) {
    return std::max(1, from + 2 - p);
}

// Moving average k of closeCarried over p bars, its deviation, and (for the whole chart, from 0) its
// change over the period; bars before `from` are left alone.
void averagePass(ChartData& d, int k, int p, int from) {
    if (!usablePeriod(p))
        return;
    const int n = d.barCount;
    const int start = passStart(from, p);
    std::int64_t sum = 0; // raw Currency
    int count = 0;        // bars with a non-zero carried close
    for (int i = start; i <= n; ++i) {
        ChartBar& bar = d.bars[i - 1];
        sum += bar.closeCarried.raw();
        count += bar.closeCarried.raw() != 0;
        if (i - p >= start) {
            const ChartBar& leaving = d.bars[i - p - 1];
            sum -= leaving.closeCarried.raw();
            count -= leaving.closeCarried.raw() != 0;
        }
        if (i < p || i <= from || count == 0)
            continue;
        // The average plus one half, truncated: a whole number of yen.
        // (Sums of 110 closes below 2^61 stay within 64 bits; larger ones take 128.)
        Int128 whole = sum < (std::int64_t{1} << 61) && sum > -(std::int64_t{1} << 61)
                           ? static_cast<Int128>((sum * 2 + count * kScale) / (count * 2 * kScale))
                           : (static_cast<Int128>(sum) * 2 + static_cast<Int128>(count) * kScale) /
                                 (static_cast<Int128>(count) * 2 * kScale);
        Currency ma = Currency::fromWhole(static_cast<std::int64_t>(whole));
        maOf(bar, k) = ma;
        if (ma.raw() != 0) {
            // closeCarried / ma * 1000 - 1000, in per mille; held at the 16-bit limits.
            Int128 dev = detail::divRoundHalfEven(static_cast<Int128>(bar.closeCarried.raw() - ma.raw()) * 1000,
                                                  static_cast<Int128>(ma.raw()));
            devOf(bar, k) = detail::clampInt16(dev);
        }
        if (from == 0 && i > 2 * p) {
            // The short average changes over p bars, the medium and long ones over p - 1.
            int back = k == 1 ? p : p - 1;
            angleOf(bar, k) = ma - maOf(d.bars[i - back - 1], k);
        }
    }
}

// Psychological line: the share of rising bars in the window, in percent.
void psychPass(ChartData& d, int p, int from) {
    const int n = d.barCount;
    if (!usablePeriod(p)) {
        for (int i = from; i < n; ++i)
            d.bars[i].psych = -1;
        return;
    }
    const int start = passStart(from, p);
    int up = 0;
    for (int i = start; i <= n; ++i) {
        ChartBar& bar = d.bars[i - 1];
        up += bar.change.raw() > 0;
        if (i - p >= start)
            up -= d.bars[i - p - 1].change.raw() > 0;
        if (i <= from)
            continue;
        if (i < p) {
            bar.psych = -1;
            continue;
        }
        bar.psych = static_cast<std::int16_t>(up == 0 ? 0 : detail::divRoundHalfEven(up * 100, p));
    }
}

struct FlowSums {
    Int128 gain = 0, absolute = 0; // raw Currency
    Int128 volUp = 0, volFlat = 0, volDown = 0;
    void add(const ChartBar& b, int sign) {
        std::int64_t c = b.change.raw();
        if (c > 0) {
            gain += sign * static_cast<Int128>(c);
            volUp += sign * static_cast<Int128>(b.volume);
        } else if (c == 0) {
            volFlat += sign * static_cast<Int128>(b.volume);
        } else {
            volDown += sign * static_cast<Int128>(b.volume);
        }
        absolute += sign * static_cast<Int128>(c < 0 ? -c : c);
    }
};

// RSI (rising share of the absolute changes) and volume ratio (rising volume plus half the unchanged
// volume, as a share of the window's volume).
void flowPass(ChartData& d, int p, int from) {
    const int n = d.barCount;
    if (!usablePeriod(p)) {
        for (int i = from; i < n; ++i)
            d.bars[i].rsi = d.bars[i].vr = -1;
        return;
    }
    const int start = passStart(from, p);
    FlowSums s;
    for (int i = start; i <= n; ++i) {
        ChartBar& bar = d.bars[i - 1];
        s.add(bar, 1);
        if (i - p >= start)
            s.add(d.bars[i - p - 1], -1);
        if (i <= from)
            continue;
        if (i < p) {
            bar.rsi = bar.vr = -1;
            continue;
        }
        bar.rsi = static_cast<std::int16_t>(s.absolute == 0 ? 0 : detail::divRoundHalfEven(s.gain * 100, s.absolute));
        Int128 total = s.volUp + s.volFlat + s.volDown;
        bar.vr = static_cast<std::int16_t>(
            total == 0 ? 0 : detail::divRoundHalfEven((s.volUp * 2 + s.volFlat) * 100, total * 2));
    }
}

void extremes(ChartData& d) {
    for (int i = 0; i < d.barCount; ++i) {
        const ChartBar& b = d.bars[i];
        if (b.high > d.maxHigh)
            d.maxHigh = b.high;
        if (b.low.raw() != 0 && b.low < d.minLow)
            d.minLow = b.low;
        Currency volume = Currency::fromWhole(b.volume);
        if (volume > d.maxVolume)
            d.maxVolume = volume;
        if (volume < d.minVolume)
            d.minVolume = volume;
        Currency balance = Currency::fromWhole(b.sellBalance <= b.buyBalance ? b.buyBalance : b.sellBalance);
        if (balance > d.maxBalance)
            d.maxBalance = balance;
    }
    // The price scale runs from a multiple of 10 at or below the lowest low to the next multiple of 10
    // strictly above the highest high.
    std::int64_t top = static_cast<std::int64_t>(detail::divFloor(d.maxHigh.raw(), 10 * kScale)) * 10 + 10;
    d.priceTop = Currency::fromWhole(top);
    // With no non-zero low at all the scale starts at zero, never above its top.
    if (d.minLow == Currency::fromWhole(1000000000))
        d.priceBottom = Currency();
    else
        d.priceBottom = Currency::fromWhole(d.minLow.raw() / (10 * kScale) * 10);
}

void slopeAngles(ChartData& d, const IndicatorSettings& s) {
    const int periods[3] = {s.move1, s.move2, s.move3};
    // Price per pixel of the 256-pixel price panel, to four decimals.
    Currency unit = (d.priceTop - d.priceBottom).dividedBy(kPricePanelHeight);
    Currency largest[3];
    if (unit.raw() > 0) {
        for (int i = 0; i < d.barCount; ++i) {
            for (int k = 1; k <= 3; ++k) {
                Currency& a = angleOf(d.bars[i], k);
                if (a.raw() == 0)
                    continue;
                double run = kBarWidth * unit.toDouble() * periods[k - 1];
                double degrees = std::atan(a.toDouble() / run) * 180.0 / std::numbers::pi;
                a = Currency::fromDouble(degrees);
                Currency magnitude = a.raw() < 0 ? -a : a;
                if (magnitude > largest[k - 1])
                    largest[k - 1] = magnitude;
            }
        }
    }
    // Shift each series by its largest angle, so it runs from 0 to twice that with level at the middle.
    for (int i = 1; i <= d.barCount; ++i)
        for (int k = 1; k <= 3; ++k)
            if (usablePeriod(periods[k - 1]) && i > 2 * periods[k - 1])
                angleOf(d.bars[i - 1], k) += largest[k - 1];
    if (s.ITORSO >= 1 && s.ITORSO <= 3) {
        for (int i = 0; i < d.barCount; ++i)
            d.bars[i].itoRatio = angleOf(d.bars[i], s.ITORSO);
        d.itoMax = largest[s.ITORSO - 1];
    }
}

void quadraticFit(ChartData& d) {
    std::vector<Currency> closes;
    closes.reserve(static_cast<std::size_t>(d.barCount));
    for (int i = 0; i < d.barCount; ++i)
        closes.push_back(d.bars[static_cast<std::size_t>(i)].closeCarried);
    const QuadraticFit fit = fitQuadratic(closes);
    d.fitC = fit.c;
    d.fitB = fit.b;
    d.fitA = fit.a;
}

} // namespace

QuadraticFit fitQuadratic(std::span<const Currency> closes) {
    QuadraticFit fit;
    const int n = static_cast<int>(closes.size());
    fit.center = n % 2 == 1 ? (n + 1) / 2 : n / 2;
    std::int64_t sx2 = 0, sx4 = 0;
    Int128 sy = 0, sxy = 0, sx2y = 0; // raw Currency
    for (int i = 1; i <= n; ++i) {
        std::int64_t x = i - fit.center;
        Int128 y = closes[static_cast<std::size_t>(i - 1)].raw();
        sx2 += x * x;
        sx4 += x * x * x * x;
        sy += y;
        sxy += x * y;
        sx2y += x * x * y;
    }
    const Int128 bigN = n % 2 == 1 ? n : n - 1;
    const Int128 det = bigN * sx4 - static_cast<Int128>(sx2) * sx2;
    auto store = [](Currency& out, Int128 num, Int128 den) {
        Int128 raw = detail::divRoundHalfEven(num, den);
        if (detail::fitsInt64(raw))
            out = Currency::fromRaw(static_cast<std::int64_t>(raw));
    };
    if (det > 0) {
        store(fit.c, bigN * sx2y - sy * sx2, det);
        store(fit.a, sy * sx4 - sx2 * sx2y, det);
    }
    if (sx2 > 0)
        store(fit.b, sxy, sx2);
    return fit;
}

Currency QuadraticFit::valueAt(int i) const {
    const std::int64_t dx = i - center;
    return c * (dx * dx) + b * dx + a;
}

IndicatorSettings IndicatorSettings::from(const Settings& s) {
    return {s.move1, s.move2, s.move3, s.SaicoL, s.RSIVR, s.ITORSO};
}

std::int16_t scrollSmallChange(int days) {
    if (days <= 1)
        return kScrollMax;
    return static_cast<std::int16_t>(divRoundHalfEven(kScrollMax, days));
}

std::int16_t scrollLargeChange(int days) {
    if (days <= 5)
        return kScrollMax;
    return static_cast<std::int16_t>(divRoundHalfEven(5LL * kScrollMax, days));
}

void computeSeries(ChartData& d, const IndicatorSettings& s, int from) {
    if (d.barCount < 0 || d.barCount > kMaxBars)
        d.barCount = 0;
    const int n = d.barCount;
    from = std::clamp(from, 0, n);
    d.center = static_cast<std::int16_t>(n % 2 == 1 ? (n + 1) / 2 : n / 2);
    averagePass(d, 1, s.move1, from);
    averagePass(d, 2, s.move2, from);
    averagePass(d, 3, s.move3, from);
    psychPass(d, s.SaicoL, from);
    flowPass(d, s.RSIVR, from);
}

void computeIndicators(ChartData& d, const IndicatorSettings& s) {
    computeSeries(d, s, 0);
    extremes(d);
    slopeAngles(d, s);
    quadraticFit(d);
}

} // namespace kestrel::chart
