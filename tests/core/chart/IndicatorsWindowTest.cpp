// The window machinery under the indicators against plain recomputation from each window: the rolling
// highest high and lowest low, and RCI with tied, decimal and carried closes, on random series with
// untraded stretches of weeks, bars before the first trade and zero lows.
#include "core/chart/Indicators.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace kestrel;
using namespace kestrel::chart;

namespace {

// `bars` bars of prices drawn from `prices` (few values: many ties), `leading` bars before the first
// trade, untraded stretches of up to 15 bars, and now and then a zero low.
BarSeries randomSeries(std::mt19937& rng, int bars, const std::vector<std::int64_t>& prices, int leading) {
    std::uniform_int_distribution<std::size_t> pick(0, prices.size() - 1);
    std::uniform_int_distribution<int> percent(0, 99), gap(1, 15);
    BarSeries s;
    Date d = *Date::fromYmd(2001, 1, 4);
    Currency carried;
    int untraded = 0;
    for (int i = 0; i < bars; ++i) {
        SeriesBar b;
        b.date = d = d.addDays(1);
        if (i >= leading && untraded == 0 && percent(rng) < 3)
            untraded = gap(rng);
        if (i < leading || untraded > 0) {
            untraded = std::max(untraded - 1, 0);
            b.closeCarried = carried;
            s.bars.push_back(b);
            continue;
        }
        std::int64_t c = prices[pick(rng)], x = prices[pick(rng)], y = prices[pick(rng)];
        b.close = b.open = carried = b.closeCarried = Currency::fromRaw(c);
        b.high = Currency::fromRaw(std::max({c, x, y}));
        b.low = Currency::fromRaw(percent(rng) < 2 ? 0 : std::min({c, x, y}));
        s.bars.push_back(b);
    }
    return s;
}

std::vector<std::int64_t> wholeYen(std::initializer_list<long long> yen) {
    std::vector<std::int64_t> v;
    for (long long y : yen)
        v.push_back(Currency::fromWhole(y).raw());
    return v;
}

void expectSame(const Series& got, const Series& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t t = 0; t < want.size(); ++t) {
        if (isMissing(want[t]))
            EXPECT_TRUE(isMissing(got[t])) << what << " bar " << t << " = " << got[t];
        else
            EXPECT_EQ(got[t], want[t]) << what << " bar " << t;
    }
}

// RCI from its definition: average ranks by counting, in doubles.
double rciOfWindow(const std::vector<double>& c) {
    const int n = static_cast<int>(c.size());
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        double higher = 0, equal = 0;
        for (double p : c) {
            higher += p > c[i] ? 1 : 0;
            equal += p == c[i] ? 1 : 0;
        }
        const double priceRank = higher + (equal + 1) / 2, dateRank = n - i;
        sum += (dateRank - priceRank) * (dateRank - priceRank);
    }
    return (1 - 6 * sum / (n * (static_cast<double>(n) * n - 1))) * 100;
}

struct Market {
    const char* what;
    std::vector<std::int64_t> prices;
};

std::vector<Market> markets() {
    std::vector<std::int64_t> decimals; // split-adjusted closes with four decimals from 1 to 900,000 yen
    for (std::int64_t raw : {10001LL, 25003LL, 1234567LL, 98765432LL, 3333333333LL, 9000000000LL, 9000000001LL})
        decimals.push_back(raw);
    return {{"ties at 1 to 3 yen", wholeYen({1, 2, 3})},
            {"a 900,000-yen issue", wholeYen({899000, 899500, 900000, 900000, 901000})},
            {"tenths", {10000, 11000, 12000, 15000, 9000}},
            {"decimals over the whole range", decimals}};
}

} // namespace

TEST(IndicatorWindows, RollingHighLowEqualsEachWindowsOwn) {
    std::mt19937 rng(341);
    for (const Market& m : markets()) {
        const BarSeries s = randomSeries(rng, 700, m.prices, 5);
        for (int n : {1, 2, 3, 9, 26, 52, 699, 700, 701}) {
            for (int lag : {0, 1}) {
                Series hi, lo;
                detail::rollingHighLow(s, n, lag, hi, lo);
                Series wantHi(s.size(), kMissing), wantLo(s.size(), kMissing);
                for (int t = n - 1 + lag; t < s.size(); ++t) {
                    bool any = false;
                    std::int64_t h = 0, l = 0;
                    for (int i = t - lag - n + 1; i <= t - lag; ++i) {
                        const SeriesBar& b = s.bars[i];
                        if (!b.traded())
                            continue;
                        h = any ? std::max(h, b.high.raw()) : b.high.raw();
                        l = any ? std::min(l, b.low.raw()) : b.low.raw();
                        any = true;
                    }
                    if (any) {
                        wantHi[t] = Currency::fromRaw(h).toDouble();
                        wantLo[t] = Currency::fromRaw(l).toDouble();
                    }
                }
                const std::string what =
                    std::string(m.what) + " n " + std::to_string(n) + " lag " + std::to_string(lag);
                expectSame(hi, wantHi, what + " high");
                expectSame(lo, wantLo, what + " low");
            }
        }
    }
}

TEST(IndicatorWindows, RciEqualsItsDefinitionOnEveryWindow) {
    std::mt19937 rng(342);
    for (const Market& m : markets()) {
        const BarSeries s = randomSeries(rng, 400, m.prices, 7);
        const std::array<int, 3> periods = {2, 9, 52};
        const std::array<Series, 3> all = rci3(s, periods);
        for (int k = 0; k < 3; ++k) {
            const int n = periods[k];
            const Series one = rci(s, n);
            expectSame(all[k], one, std::string(m.what) + " rci3 against rci " + std::to_string(n));
            for (int t = 0; t < s.size(); ++t) {
                std::vector<double> window;
                for (int i = std::max(0, t - n + 1); i <= t; ++i)
                    if (s.bars[i].closeCarried.raw() > 0)
                        window.push_back(static_cast<double>(s.bars[i].closeCarried.raw()));
                if (static_cast<int>(window.size()) < n) {
                    EXPECT_TRUE(isMissing(one[t])) << m.what << " n " << n << " bar " << t;
                    continue;
                }
                EXPECT_NEAR(one[t], rciOfWindow(window), 1e-9) << m.what << " n " << n << " bar " << t;
            }
        }
    }
}
