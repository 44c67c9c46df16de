#pragma once
// The technical values a market scan reads: the families of the technical set a screen names, computed
// over one issue's bars, and how much of the history a value at a bar needs so that it equals
// the chart's (computeAll over the whole series) at that bar.
//
// A window family (一目均衡表, ボリンジャーバンド, ストキャスティクス, RCI, エンベロープ, HLバンド) reads the n
// bars ending at the bar, and the carried close of an untraded bar reaches back to the last traded bar
// before it. MACD, DMI/ADX and SAR depend on where the computation starts; after warmupBars() bars
// before the bar (traded bars for DMI/ADX and SAR, which step over untraded ones) they equal the
// computation from the first bar.
#include "core/chart/Indicators.h"

#include <string_view>

namespace kestrel::scan {

// The families of the technical set, as bits.
enum TechnicalFamily : unsigned {
    kIchimoku = 1u << 0,
    kBollinger = 1u << 1,
    kMacd = 1u << 2,
    kStochastic = 1u << 3,
    kRci1 = 1u << 4,
    kRci2 = 1u << 5,
    kRci3 = 1u << 6,
    kDmi = 1u << 7,
    kSar = 1u << 8,
    kEnvelope = 1u << 9,
    kHlBand = 1u << 10,
};

// The family of name `index` of chart::technicalSeriesNames(); 0 for an index outside it.
unsigned technicalFamily(int index);
// The index of a technical name in chart::technicalSeriesNames() (ASCII case-insensitive); -1 when none.
int technicalIndex(std::string_view name);

// The short Japanese caption of name `index` (a column heading: "転換線", "BB+2σ", "MACD"); "" outside.
std::string_view technicalCaption(int index);

// What of an issue's history the values of `families` at a bar need, counting the bar itself.
struct TechnicalHistory {
    int bars = 0;             // the issue's own bars ending at the bar
    int tradedBars = 0;       // of them traded (DMI/ADX and SAR)
    bool tradedStart = false; // and a traded bar at or before the first of them (the carried close)
};
TechnicalHistory technicalHistory(unsigned families, const chart::TechnicalSettings& settings);

// Computes the series of `families` into `out` (the others left empty); the settings must be valid.
void computeTechnicals(const chart::BarSeries& series, const chart::TechnicalSettings& settings, unsigned families,
                       chart::TechnicalValues& out);

} // namespace kestrel::scan
