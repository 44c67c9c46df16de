// The technical indicators against values worked by hand: the Japanese %D and SD, RCI with tied closes,
// the sample σ, the 一目 lines, the HL band, the volume profile, flat windows, a three-bar issue and an
// untraded stretch; and the settings' refusals.
#include "core/chart/Indicators.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::chart;

namespace {

struct B {
    double h, l, c;
    long long v = 0;
};

// Bars with open = close; a bar with c = 0 did not trade and carries the last close.
BarSeries makeSeries(const std::vector<B>& bars) {
    BarSeries s;
    Currency carried;
    Date d = *Date::fromYmd(2024, 1, 4);
    for (const B& b : bars) {
        SeriesBar bar;
        bar.date = d;
        d = d.addDays(1);
        bar.close = Currency::fromDouble(b.c);
        bar.open = bar.close;
        bar.high = b.c == 0 ? Currency() : Currency::fromDouble(b.h);
        bar.low = b.c == 0 ? Currency() : Currency::fromDouble(b.l);
        if (b.c != 0)
            carried = bar.close;
        bar.closeCarried = carried;
        bar.volume = b.v;
        s.bars.push_back(bar);
    }
    return s;
}

constexpr double M = kMissing;

void expectSeries(const Series& got, const std::vector<double>& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (isMissing(want[i]))
            EXPECT_TRUE(isMissing(got[i])) << what << " bar " << i << " = " << got[i];
        else
            EXPECT_NEAR(got[i], want[i], 0.0001) << what << " bar " << i;
    }
}

TEST(Indicators, JapaneseStochasticIsARatioOfSums) {
    const BarSeries s = makeSeries({{12, 8, 10}, {14, 9, 13}, {15, 10, 11}, {13, 9, 12}, {16, 11, 16}});
    const Stochastic st = stochastic(s, 3, 2, 2);
    // K: 3/7, 3/6, 7/7; D: (3 + 3)/(7 + 6) and (3 + 7)/(6 + 7), not the mean of K (75 at the last bar).
    expectSeries(st.k, {M, M, 300.0 / 7, 50, 100}, "K");
    expectSeries(st.d, {M, M, M, 600.0 / 13, 1000.0 / 13}, "D");
    expectSeries(st.sd, {M, M, M, M, (600.0 / 13 + 1000.0 / 13) / 2}, "SD");
}

TEST(Indicators, FlatWindowsHaveNoStochasticButKeepTheirBands) {
    // A limit-locked stretch: HH = LL.
    const BarSeries s = makeSeries({{100, 100, 100}, {100, 100, 100}, {100, 100, 100}, {100, 100, 100}});
    const Stochastic st = stochastic(s, 3, 2, 1);
    expectSeries(st.k, {M, M, M, M}, "K");
    expectSeries(st.d, {M, M, M, M}, "D");
    const Bollinger bb = bollinger(s, 3);
    expectSeries(bb.up[2], {M, M, 100, 100}, "+3σ of a flat window");
    const Ichimoku ich = ichimoku(s, 2, 3, 4);
    expectSeries(ich.span2, {M, M, M, 100}, "span2");
    // Tied closes take the average rank: a flat window is +50 by the formula.
    expectSeries(rci(s, 3), {M, M, 50, 50}, "RCI");
}

TEST(Indicators, RciRanksTiesByTheirAverage) {
    struct Case {
        std::vector<double> closes;
        double want;
    } cases[] = {
        // dates 5..1, prices 5, 2.5, 2.5, 4, 1: d = 0, 1.5, 0.5, −2, 0; Σd² = 6.5; 1 − 39/120.
        {{10, 12, 12, 11, 15}, 67.5},
        {{10, 11, 12, 13, 14}, 100},
        {{14, 13, 12, 11, 10}, -100},
        // price ranks 3, 1.5, 1.5, 5, 4 against dates 5, 4, 3, 2, 1: Σd² = 4 + 6.25 + 2.25 + 9 + 9 = 30.5.
        {{12, 13, 13, 10, 11}, (1 - 6 * 30.5 / 120) * 100},
    };
    for (const Case& c : cases) {
        std::vector<B> bars;
        for (double x : c.closes)
            bars.push_back({x, x, x});
        const Series r = rci(makeSeries(bars), 5);
        EXPECT_TRUE(isMissing(r[3]));
        EXPECT_NEAR(r[4], c.want, 1e-9) << c.closes[0];
    }
}

TEST(Indicators, BollingerPopulationAndSampleSigma) {
    const BarSeries s = makeSeries({{1000, 1000, 1000}, {1002, 1002, 1002}, {1004, 1004, 1004}, {1006, 1006, 1006}});
    const Bollinger pop = bollinger(s, 4, SigmaKind::Population);
    const Bollinger smp = bollinger(s, 4, SigmaKind::Sample);
    // Mean 1003, squares 9 + 1 + 1 + 9 = 20: σ = √5 by n, √(20/3) by n − 1.
    EXPECT_NEAR(pop.mid[3], 1003, 1e-9);
    EXPECT_NEAR(pop.up[0][3], 1003 + std::sqrt(5.0), 1e-9);
    EXPECT_NEAR(pop.lo[2][3], 1003 - 3 * std::sqrt(5.0), 1e-9);
    EXPECT_NEAR(smp.up[1][3], 1003 + 2 * std::sqrt(20.0 / 3), 1e-9);
    EXPECT_NEAR(smp.lo[0][3], 1003 - std::sqrt(20.0 / 3), 1e-9);
    EXPECT_TRUE(isMissing(pop.up[0][2]));
    // One close has no sample σ: the bands are missing, the mid is the close.
    const Bollinger one = bollinger(s, 1, SigmaKind::Sample);
    EXPECT_NEAR(one.mid[0], 1000, 1e-9);
    EXPECT_TRUE(isMissing(one.up[0][0]));
}

TEST(Indicators, IchimokuLinesAtTheBarWhereComputed) {
    const BarSeries s = makeSeries({{110, 100, 105}, {120, 105, 118}, {115, 95, 100}, {118, 108, 110}});
    const Ichimoku ich = ichimoku(s, 2, 3, 4);
    expectSeries(ich.tenkan, {M, 110, 107.5, 106.5}, "tenkan");
    expectSeries(ich.kijun, {M, M, 107.5, 107.5}, "kijun");
    expectSeries(ich.span1, {M, M, 107.5, 107}, "span1");
    expectSeries(ich.span2, {M, M, M, 107.5}, "span2");
}

TEST(Indicators, UntradedBarsTakeNoPartInHighsAndLows) {
    const BarSeries s = makeSeries({{110, 100, 105}, {0, 0, 0}, {0, 0, 0}, {116, 95, 100}, {0, 0, 0}});
    expectSeries(closes(s), {105, 105, 105, 100, 100}, "carried closes");
    expectSeries(ichimoku(s, 2, 2, 2).tenkan, {M, 105, M, 105.5, 105.5}, "tenkan over an untraded stretch");
    const Dmi d = dmi(s, 1);
    // DMI steps over the stretch: bar 3 continues from bar 0 (up 6 > down 5: +DM 6; TR max(21, 11, 10)).
    expectSeries(d.pdi, {M, M, M, 100.0 * 6 / 21, M}, "+DI");
    expectSeries(d.mdi, {M, M, M, 0, M}, "−DI");
    // Long from bar 0's low 100 with EP 116; bar 3's low 95 reverses it at once, to the EP.
    expectSeries(parabolicSar(s), {M, M, M, 116, M}, "SAR");
}

TEST(Indicators, HlBandIsTheWindowBeforeTheBar) {
    const BarSeries s = makeSeries({{10, 5, 8}, {12, 6, 9}, {11, 4, 10}, {13, 7, 12}});
    const HlBand hl = hlBand(s, 2);
    expectSeries(hl.high, {M, M, 12, 12}, "hlHigh");
    expectSeries(hl.low, {M, M, 5, 4}, "hlLow");
}

TEST(Indicators, VolumeProfileSpreadsByOverlap) {
    const BarSeries s = makeSeries({{110, 100, 105, 1000}, {105, 105, 105, 500}, {120, 110, 118, 200}});
    const VolumeProfile vp = volumeProfile(s, 0, 2, 4);
    ASSERT_EQ(vp.bins.size(), 4u);
    const double want[][3] = {{100, 105, 500}, {105, 110, 1000}, {110, 115, 100}, {115, 120, 100}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(vp.bins[i].low, want[i][0], 1e-9) << i;
        EXPECT_NEAR(vp.bins[i].high, want[i][1], 1e-9) << i;
        EXPECT_NEAR(vp.bins[i].volume, want[i][2], 1e-6) << i;
    }
    EXPECT_EQ(vp.lastCloseBin, 3);

    // Bars 1–2 only: bins of 3.75 over [105, 120].
    const VolumeProfile part = volumeProfile(s, 1, 2, 4);
    const double partWant[] = {500, 50, 75, 75};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(part.bins[i].volume, partWant[i], 1e-6) << i;

    // One price throughout: every bin is that price, bin 0 holds it all.
    const VolumeProfile flat = volumeProfile(makeSeries({{100, 100, 100, 7}, {100, 100, 100, 3}}), 0, 1, 24);
    ASSERT_EQ(flat.bins.size(), 24u);
    EXPECT_EQ(flat.bins[0].volume, 10);
    EXPECT_EQ(flat.bins[23].volume, 0);
    EXPECT_EQ(flat.lastCloseBin, 0);

    EXPECT_TRUE(volumeProfile(makeSeries({{0, 0, 0, 0}}), 0, 0, 24).bins.empty());
    EXPECT_TRUE(volumeProfile(s, 2, 1, 24).bins.empty());
}

TEST(Indicators, ThreeBarIssueHasOnlyTheValuesItCanHave) {
    const BarSeries s = makeSeries({{102, 98, 100}, {104, 99, 103}, {106, 101, 105}});
    const TechnicalValues all = computeAll(s, TechnicalSettings{});
    for (std::string_view name : technicalSeriesNames()) {
        const Series* v = all.find(name);
        ASSERT_NE(v, nullptr) << name;
        ASSERT_EQ(v->size(), 3u) << name;
        if (name == "sar")
            continue;
        for (double x : *v)
            EXPECT_TRUE(isMissing(x)) << name;
    }
    // Long (−DM 0): SAR 98, then 98 + 0.02·(104 − 98); the new high 106 comes after.
    expectSeries(all.sar, {M, 98, 98.12}, "sar");
}

TEST(Indicators, NamesFindTheirSeries) {
    const TechnicalValues all = computeAll(makeSeries({{10, 9, 9.5}}), TechnicalSettings{});
    EXPECT_EQ(technicalSeriesNames().size(), 28u);
    EXPECT_EQ(all.find("bbUp2"), &all.bollinger.up[1]);
    EXPECT_EQ(all.find("rci3"), &all.rci[2]);
    EXPECT_EQ(all.find("hlLow"), &all.hlBand.low);
    EXPECT_EQ(all.find("macdHist"), &all.macd.hist);
    EXPECT_EQ(all.find("volumeProfile"), nullptr);
    EXPECT_EQ(all.find("Tenkan"), nullptr);
}

TEST(Indicators, SettingsNameTheBadField) {
    EXPECT_TRUE(TechnicalSettings{}.validate().isOk());
    EXPECT_EQ(warmupBars(TechnicalSettings{}), 250);
    struct Case {
        void (*edit)(TechnicalSettings&);
        std::string_view field;
    } cases[] = {
        {[](TechnicalSettings& s) { s.tenkanPeriod = 0; }, "tenkanPeriod"},
        {[](TechnicalSettings& s) { s.span2Period = -5; }, "span2Period"},
        {[](TechnicalSettings& s) { s.bbPeriod = kMaxPeriod + 1; }, "bbPeriod"},
        {[](TechnicalSettings& s) { s.stochSD = 0; }, "stochSD"},
        {[](TechnicalSettings& s) { s.rci2 = 0; }, "rci2"},
        {[](TechnicalSettings& s) { s.ichimokuShift = -1; }, "ichimokuShift"},
        {[](TechnicalSettings& s) { s.sarStep = 0; }, "sarStep"},
        {[](TechnicalSettings& s) { s.sarMax = 0.01; }, "sarMax"},
        {[](TechnicalSettings& s) { s.envPercent = 100; }, "envPercent"},
        {[](TechnicalSettings& s) { s.vpBins = 0; }, "vpBins"},
        {[](TechnicalSettings& s) { s.sarStep = std::nan(""); }, "sarStep"},
    };
    for (const Case& c : cases) {
        TechnicalSettings s;
        c.edit(s);
        const Status st = s.validate();
        EXPECT_TRUE(st.is(StatusCode::InvalidInput)) << c.field;
        EXPECT_EQ(s.invalidField(), c.field);
        EXPECT_EQ(st.message().rfind(std::string(c.field) + ":", 0), 0u) << st.message();
    }
}

} // namespace
