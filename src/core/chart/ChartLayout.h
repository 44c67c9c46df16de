#pragma once
// The fixed layout of the chart in the main window's client area (pixels, x right, y down), and the
// texts around it: scale factors quantised to the digits of the range, axis-label positions, the rows
// of the price list KabukaList, the detail labels, the lower-panel modes and the click-to-row mapping.
// Everything here is plain arithmetic on a loaded chart; the drawing itself is in ChartScene.h.
#include "core/app/Currency.h"
#include "core/chart/ChartData.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrel::chart {

// Cleared area and plot area (inclusive pixel bounds).
inline constexpr int kClearLeft = 145, kClearTop = 100, kClearRight = 812, kClearBottom = 452;
inline constexpr int kPlotLeft = 200, kPlotTop = 100, kPlotRight = 757, kPlotBottom = 437;
inline constexpr int kPriceTopY = 100, kPriceBottomY = 356; // price panel, 256 pixels
inline constexpr int kLowerBottomY = 436;                   // lower panel 356..436, 80 pixels
inline constexpr int kLowerPanelHeight = 80;
// The character width the right alignment of the left-side numbers assumes.
inline constexpr int kCharWidth = 6;

// Centre x of bar i (1-based).
constexpr int barX(int i) {
    return kPlotLeft + kBarWidth * i;
}

// A factor H / V quantised to steps of 1 / 10^d, d being the number of characters of V as plain text:
// factor = num / den with den = 10^d. A value v maps to num * v / den pixels. V <= 0 gives factor 0.
struct Scale {
    std::int64_t num = 0;
    std::int64_t den = 1;
    double factor() const { return static_cast<double>(num) / static_cast<double>(den); }
    // The pixel offset of v, to the nearest whole pixel (halves to even).
    int offset(Currency v) const;
};
// q(V, H): the price scale is quantisedScale(priceTop - priceBottom, 256), the volume scale
// quantisedScale(maxVolume, 80).
Scale quantisedScale(Currency range, int pixels);
// The margin-balance scale: 80 pixels hold the largest balance plus five percent. Factor 0 when
// maxBalance < 1.
Scale balanceScale(Currency maxBalance);

// y of a price on the price panel: 100 + sP * (priceTop - price), to the nearest pixel.
int priceY(const Scale& sP, Currency priceTop, Currency price);
// y of an oscillator value 0..100 on the lower panel.
int oscillatorY(int value);
// y of the Ito ratio: 436 - itoRatio * 80 / (2 * itoMax); 436 when itoMax is 0.
int itoY(Currency itoRatio, Currency itoMax);

// The runtime's Str(): a number with a sign position (a space before values >= 0), no leading zero
// before the decimal point (" 1240", "-5", " .5").
std::string numberWithSign(Currency v);
// x where a left-side axis number starts so that it ends at x 199 (6 pixels per character).
int leftLabelX(const std::string& text);

struct AxisLabel {
    int x = 0, y = 0;
    std::string text;
};
// Every axis text of a loaded chart (price on both sides, volume on the left, percent on the right),
// in drawing order. Empty when maxVolume <= 0.
std::vector<AxisLabel> axisLabels(const ChartData& d);
// The date text under bar i ("YY,MM,DD") when i is a multiple of 10.
std::string barDateLabel(const ChartBar& b);

// One row of KabukaList: "YY/MM/DD", a space, open, high, low, close and change right-aligned in 11
// characters and volume in 12, each written with its sign position. A number wider than its column
// widens the row rather than losing digits.
std::string kabukaListRow(const ChartBar& b);

// The detail labels of one bar, as plain number text.
struct DetailLabels {
    std::string Lbltankairi, Lbltyukairi, Lbltyokairi;          // dev1..3 / 10 (percent)
    std::string Lbltanidoheikn, Lbltyuidoheikn, Lbltyoidoheikn; // ma1..3
    std::string Lblowarine;                                     // close
    std::string LblDate;                                        // "YY/MM/DD"
    std::string LblSRL, LblRSI, LblVR;                          // psych, rsi, vr
};
DetailLabels detailLabels(const ChartBar& b);
// The note beside the detail labels for a bar's split flags: why its prices differ from the file.
std::string splitNote(std::uint8_t splitFlags);

// The list row a click at client x selects: (x - 200) / 5 - 1 to the nearest integer; -1 when that
// is below 0 or not below rowCount.
int rowAtX(int x, int rowCount);

// One click of CmdSRLRSI: the next lower-panel mode and the caption the button then shows.
struct LowerPanelStep {
    int mode = 0;
    std::string caption;
};
LowerPanelStep nextLowerPanelMode(int mode, int chartMode);

} // namespace kestrel::chart
