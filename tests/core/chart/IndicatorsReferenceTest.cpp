// The Wilder and EMA families against TA-Lib's own output (tests/data/indicators, made once by
// tools/indicator_goldens.mjs), to 0.01; and the start-independence of every value: computed from a
// later bar, a value equals the from-the-first-bar one once warmupBars() bars lie before it.
#include "core/chart/Indicators.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>
#include <string>

using namespace kestrel;
using namespace kestrel::chart;

namespace {

std::vector<std::vector<std::string>> readCsv(const std::string& name) {
    std::ifstream in(std::string(KESTREL_TEST_DATA) + "/indicators/" + name);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream ss(line);
        std::string cell;
        while (std::getline(ss, cell, ','))
            cells.push_back(cell);
        if (!line.empty() && line.back() == ',')
            cells.emplace_back();
        rows.push_back(cells);
    }
    return rows;
}

// The fixed input; with `untraded`, untraded bars (zero prices, carried close) after the given bars.
BarSeries input(const std::vector<int>& untradedAfter = {}) {
    BarSeries s;
    Currency carried;
    for (const auto& row : readCsv("input.csv")) {
        SeriesBar b;
        b.date = *Date::fromYmdInt(std::stoll(row[0]));
        b.open = *Currency::parse(row[1]);
        b.high = *Currency::parse(row[2]);
        b.low = *Currency::parse(row[3]);
        b.close = *Currency::parse(row[4]);
        b.closeCarried = b.close;
        b.volume = std::stoll(row[5]);
        s.bars.push_back(b);
        for (int after : untradedAfter)
            if (after == s.size() - 1) {
                for (int k = 0; k < 4; ++k) {
                    SeriesBar u;
                    u.date = b.date.addDays(k + 1);
                    u.closeCarried = b.close;
                    s.bars.push_back(u);
                }
            }
    }
    return s;
}

// Compares one golden column with a series computed over the same bars (map: golden row -> bar).
void compare(const std::string& file, int column, const Series& got, const std::vector<int>& barOfRow,
             int fromRow = 0) {
    const auto rows = readCsv(file);
    ASSERT_EQ(rows.size(), barOfRow.size());
    int compared = 0;
    for (std::size_t r = fromRow; r < rows.size(); ++r) {
        const std::string& cell = rows[r][column];
        const double v = got[barOfRow[r]];
        if (cell.empty()) {
            EXPECT_TRUE(isMissing(v)) << file << " col " << column << " row " << r << " = " << v;
            continue;
        }
        ASSERT_FALSE(isMissing(v)) << file << " col " << column << " row " << r;
        EXPECT_NEAR(v, std::stod(cell), 0.01) << file << " col " << column << " row " << r;
        ++compared;
    }
    EXPECT_GT(compared, 30) << file;
}

std::vector<int> identity(int n) {
    std::vector<int> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = i;
    return v;
}

TEST(IndicatorsReference, EmaBollingerAndMacdMatchTaLib) {
    const BarSeries s = input();
    const std::vector<int> rows = identity(s.size());
    const Series c = closes(s);
    compare("ema.csv", 1, ema(c, 12), rows);
    compare("ema.csv", 2, ema(c, 26), rows);
    const Bollinger bb = bollinger(s, 20);
    compare("bbands.csv", 1, bb.up[1], rows);
    compare("bbands.csv", 2, bb.mid, rows);
    compare("bbands.csv", 3, bb.lo[1], rows);
    const Macd m = macd(s);
    compare("macd.csv", 1, m.macd, rows);
    compare("macd.csv", 2, m.signal, rows);
    compare("macd.csv", 3, m.hist, rows);
    // TA-Lib's MACD seeds its fast EMA later; past 250 bars the two agree.
    compare("macd_talib.csv", 1, m.macd, rows, 250);
    compare("macd_talib.csv", 2, m.signal, rows, 250);
    compare("macd_talib.csv", 3, m.hist, rows, 250);
}

TEST(IndicatorsReference, DmiAndSarMatchTaLibAndStepOverUntradedBars) {
    for (const std::vector<int>& untraded : {std::vector<int>{}, std::vector<int>{0, 20, 100, 101, 230}}) {
        const BarSeries s = input(untraded);
        const std::vector<int> rows = detail::tradedBars(s);
        const Dmi d = dmi(s, 14);
        compare("adx.csv", 1, d.pdi, rows);
        compare("adx.csv", 2, d.mdi, rows);
        compare("adx.csv", 3, d.adx, rows);
        const Series sar = parabolicSar(s);
        compare("sar.csv", 1, sar, rows);
        for (int t = 0; t < s.size(); ++t)
            if (!s.bars[t].traded()) {
                EXPECT_TRUE(isMissing(d.adx[t]) && isMissing(d.pdi[t]) && isMissing(sar[t])) << t;
            }
    }
}

// A random walk of whole-yen prices around `base` with untraded stretches of up to three weeks.
BarSeries walk(double base, int bars, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    BarSeries s;
    double close = base;
    Currency carried;
    Date d = *Date::fromYmd(2000, 1, 4);
    for (int i = 0; i < bars; ++i) {
        SeriesBar b;
        b.date = d = d.addDays(1);
        if (i % 400 == 399) { // an untraded stretch
            for (int k = 0; k < 15 && i < bars - 1; ++k, ++i) {
                b.closeCarried = carried;
                s.bars.push_back(b);
                b.date = d = d.addDays(1);
            }
        }
        const double step = std::max(1.0, std::round(base * 0.004));
        close = std::max(1.0, close + std::round((u(rng) - 0.5) * 6) * step);
        const double high = close + std::round(u(rng) * 3) * step,
                     low = std::max(1.0, close - std::round(u(rng) * 3) * step);
        b.open = Currency::fromDouble(close);
        b.close = b.closeCarried = carried = Currency::fromDouble(close);
        b.high = Currency::fromDouble(high);
        b.low = Currency::fromDouble(low);
        b.volume = 1'000'000 + static_cast<long long>(u(rng) * 1'999'000'000);
        s.bars.push_back(b);
    }
    return s;
}

TEST(IndicatorsReference, ValuesDoNotDependOnWhereTheSeriesStarts) {
    const TechnicalSettings settings;
    const int warm = warmupBars(settings);
    for (double base : {3.0, 900'000.0}) {
        const BarSeries full = walk(base, 1'600, static_cast<unsigned>(base));
        const TechnicalValues a = computeAll(full, settings);
        for (int start : {1, 137, 700}) {
            BarSeries later = full;
            later.bars.erase(later.bars.begin(), later.bars.begin() + start);
            const TechnicalValues b = computeAll(later, settings);
            for (std::string_view name : technicalSeriesNames()) {
                const Series& x = *a.find(name);
                const Series& y = *b.find(name);
                int present = 0;
                for (int t = start + warm; t < full.size(); ++t) {
                    ASSERT_EQ(isMissing(x[t]), isMissing(y[t - start])) << name << " base " << base << " t " << t;
                    if (isMissing(x[t]))
                        continue;
                    ASSERT_TRUE(std::isfinite(x[t])) << name;
                    ASSERT_NEAR(x[t], y[t - start], 0.01)
                        << name << " base " << base << " start " << start << " t " << t;
                    ++present;
                }
                EXPECT_GT(present, 100) << name;
            }
        }
    }
}

} // namespace
