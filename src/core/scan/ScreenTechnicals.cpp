// The families a scan computes and the history each needs.
#include "core/scan/ScreenTechnicals.h"

#include <algorithm>
#include <cctype>

namespace kestrel::scan {

unsigned technicalFamily(int index) {
    // By the order of chart::technicalSeriesNames().
    constexpr unsigned kOf[] = {kIchimoku,   kIchimoku,   kIchimoku,   kIchimoku,  kBollinger, kBollinger, kBollinger,
                                kBollinger,  kBollinger,  kBollinger,  kBollinger, kMacd,      kMacd,      kMacd,
                                kStochastic, kStochastic, kStochastic, kRci1,      kRci2,      kRci3,      kDmi,
                                kDmi,        kDmi,        kSar,        kEnvelope,  kEnvelope,  kHlBand,    kHlBand};
    static_assert(std::size(kOf) == 28);
    if (index < 0 || index >= static_cast<int>(std::size(kOf)) ||
        index >= static_cast<int>(chart::technicalSeriesNames().size()))
        return 0;
    return kOf[index];
}

std::string_view technicalCaption(int index) {
    constexpr std::string_view kCaptions[] = {
        "転換線", "基準線", "先行スパン1", "先行スパン2", "BB中心", "BB+1σ", "BB+2σ", "BB+3σ", "BB-1σ", "BB-2σ",
        "BB-3σ",  "MACD",   "シグナル",    "MACDヒスト",  "%K",     "%D",    "SD",    "RCI1",  "RCI2",  "RCI3",
        "+DI",    "-DI",    "ADX",         "SAR",         "ENV上",  "ENV下", "HL上",  "HL下"};
    if (index < 0 || index >= static_cast<int>(std::size(kCaptions)))
        return {};
    return kCaptions[index];
}

int technicalIndex(std::string_view name) {
    const auto names = chart::technicalSeriesNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view n = names[i];
        if (n.size() == name.size() && std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return static_cast<int>(i);
    }
    return -1;
}

TechnicalHistory technicalHistory(unsigned f, const chart::TechnicalSettings& s) {
    TechnicalHistory h;
    auto window = [&](unsigned family, int bars) {
        if (f & family) {
            h.bars = std::max(h.bars, bars);
            h.tradedStart = true;
        }
    };
    // Every window reads the high and low of traded bars only, but the closes of all: n bars, and the
    // carried close before them. 一目均衡表 reads no close, yet its window must hold its n bars.
    window(kIchimoku, std::max({s.tenkanPeriod, s.kijunPeriod, s.span2Period}));
    window(kBollinger, s.bbPeriod);
    window(kStochastic, s.stochK + s.stochD + s.stochSD);
    window(kRci1, s.rci1);
    window(kRci2, s.rci2);
    window(kRci3, s.rci3);
    window(kEnvelope, s.envPeriod);
    window(kHlBand, s.hlPeriod + 1);
    const int warmup = chart::warmupBars(s) + 1;
    window(kMacd, warmup);
    if (f & (kDmi | kSar)) {
        h.bars = std::max(h.bars, warmup);
        h.tradedBars = warmup;
    }
    return h;
}

void computeTechnicals(const chart::BarSeries& series, const chart::TechnicalSettings& s, unsigned f,
                       chart::TechnicalValues& v) {
    v = chart::TechnicalValues{};
    if (f & kIchimoku)
        v.ichimoku = chart::ichimoku(series, s.tenkanPeriod, s.kijunPeriod, s.span2Period);
    if (f & kBollinger)
        v.bollinger = chart::bollinger(series, s.bbPeriod, s.bbSigma);
    if (f & kMacd)
        v.macd = chart::macd(series, s.macdFast, s.macdSlow, s.macdSignal, s.macdSignalKind);
    if (f & kStochastic)
        v.stochastic = chart::stochastic(series, s.stochK, s.stochD, s.stochSD);
    if (f & kRci1)
        v.rci[0] = chart::rci(series, s.rci1);
    if (f & kRci2)
        v.rci[1] = chart::rci(series, s.rci2);
    if (f & kRci3)
        v.rci[2] = chart::rci(series, s.rci3);
    if (f & kDmi)
        v.dmi = chart::dmi(series, s.dmiPeriod);
    if (f & kSar)
        v.sar = chart::parabolicSar(series, s.sarStep, s.sarMax);
    if (f & kEnvelope)
        v.envelope = chart::envelope(series, s.envPeriod, s.envPercent);
    if (f & kHlBand)
        v.hlBand = chart::hlBand(series, s.hlPeriod);
}

} // namespace kestrel::scan
