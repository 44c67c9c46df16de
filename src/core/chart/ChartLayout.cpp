#include "core/chart/ChartLayout.h"

#include "core/app/DateText.h"
#include "core/chart/ChartMath.h"
#include "core/db/BarTable.h"

namespace kestrel::chart {

using detail::Int128;

namespace {

constexpr std::int64_t kScale = Currency::kScale;

Int128 pow10(int d) {
    Int128 p = 1;
    for (int i = 0; i < d; ++i)
        p *= 10;
    return p;
}

// d for a positive value: the characters of its plain text.
int plainDigits(Currency v) {
    return static_cast<int>(v.toString().size());
}

std::string padLeft(const std::string& s, size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

Scale makeScale(Int128 num, int d) {
    Int128 den = pow10(d);
    if (!detail::fitsInt64(num) || !detail::fitsInt64(den))
        return {};
    return {static_cast<std::int64_t>(num), static_cast<std::int64_t>(den)};
}

} // namespace

int Scale::offset(Currency v) const {
    Int128 px = detail::divRoundHalfEven(static_cast<Int128>(num) * v.raw(), static_cast<Int128>(den) * kScale);
    // Far outside any window; keeps the painter's integers sane for absurd values.
    if (px > 1000000)
        px = 1000000;
    if (px < -1000000)
        px = -1000000;
    return static_cast<int>(px);
}

Scale quantisedScale(Currency range, int pixels) {
    if (range.raw() <= 0)
        return {};
    int d = plainDigits(range);
    // 10^d * H / V to the nearest whole number, over 10^d.
    Int128 num = detail::divRoundHalfEven(pow10(d) * pixels * kScale, range.raw());
    return makeScale(num, d);
}

Scale balanceScale(Currency maxBalance) {
    if (maxBalance < Currency::fromWhole(1))
        return {};
    int d = plainDigits(maxBalance);
    // 10^d * 80 / (maxBalance * 1.05)
    Int128 num = detail::divRoundHalfEven(pow10(d) * kLowerPanelHeight * kScale * 100,
                                          static_cast<Int128>(maxBalance.raw()) * 105);
    return makeScale(num, d);
}

int priceY(const Scale& sP, Currency priceTop, Currency price) {
    return kPriceTopY + sP.offset(priceTop - price);
}

int oscillatorY(int value) {
    // 436 - 0.8 * value; 0.8 * value is never a half.
    return kLowerBottomY - static_cast<int>(detail::divRoundHalfEven(static_cast<Int128>(value) * 4, 5));
}

int itoY(Currency itoRatio, Currency itoMax) {
    if (itoMax.raw() <= 0)
        return kLowerBottomY;
    Int128 px = detail::divRoundHalfEven(static_cast<Int128>(itoRatio.raw()) * kLowerPanelHeight,
                                         static_cast<Int128>(itoMax.raw()) * 2);
    return kLowerBottomY - static_cast<int>(px > 1000000 ? 1000000 : px < -1000000 ? -1000000 : px);
}

std::string numberWithSign(Currency v) {
    std::string s = v.toString();
    bool negative = !s.empty() && s[0] == '-';
    std::string digits = negative ? s.substr(1) : s;
    if (digits.size() > 1 && digits[0] == '0' && digits[1] == '.')
        digits.erase(0, 1);
    return (negative ? "-" : " ") + digits;
}

int leftLabelX(const std::string& text) {
    return kClearLeft + (9 - static_cast<int>(text.size())) * kCharWidth;
}

std::vector<AxisLabel> axisLabels(const ChartData& d) {
    std::vector<AxisLabel> out;
    if (d.maxVolume.raw() <= 0)
        return out;
    auto left = [&](Currency v, int y) {
        std::string t = numberWithSign(v);
        out.push_back({leftLabelX(t), y, t});
    };
    auto right = [&](Currency v, int y) { out.push_back({kPlotRight, y, numberWithSign(v)}); };
    left(d.priceTop, 100);
    right(d.priceTop, 100);
    out.push_back({185, 112, "円"});
    out.push_back({762, 112, "円"});
    left(d.priceBottom, 346);
    // A quarter of the range plus one half, truncated.
    Currency range = d.priceTop - d.priceBottom;
    Int128 quarter = (static_cast<Int128>(range.raw()) * 2 + 4 * kScale) / (8 * kScale);
    for (int k = 1; k <= 3; ++k) {
        Currency v = d.priceBottom + Currency::fromWhole(static_cast<std::int64_t>(quarter * k));
        int y = kPriceBottomY - 64 * k - 5;
        left(v, y);
        right(v, y);
    }
    // Volumes in whole thousands: maxVolume / 1000 + 0.5 truncated.
    Int128 top = (static_cast<Int128>(d.maxVolume.raw()) * 2 + 1000 * kScale) / (2000 * kScale);
    left(Currency::fromWhole(static_cast<std::int64_t>(top * 1000)), 356);
    out.push_back({185, 425, "株"});
    out.push_back({192, 437, "0"});
    Int128 step = (static_cast<Int128>(d.maxVolume.raw()) * 2 + 4000 * kScale) / (8000 * kScale);
    for (int k = 1; k <= 3; ++k)
        left(Currency::fromWhole(static_cast<std::int64_t>(step * 1000 * k)), kLowerBottomY - 20 * k - 5);
    out.push_back({759, 350, "100%"});
    out.push_back({765, 431, " 0%"});
    out.push_back({765, 411, "25%"});
    out.push_back({765, 391, "50%"});
    out.push_back({765, 371, "75%"});
    return out;
}

std::string barDateLabel(const ChartBar& b) {
    std::string s = listDate(b.date);
    for (char& c : s)
        if (c == '/')
            c = ',';
    return s;
}

std::string kabukaListRow(const ChartBar& b) {
    std::string row = listDate(b.date) + " ";
    for (Currency v : {b.open, b.high, b.low, b.close, b.change})
        row += padLeft(numberWithSign(v), 11);
    row += padLeft(numberWithSign(Currency::fromWhole(b.volume)), 12);
    return row;
}

DetailLabels detailLabels(const ChartBar& b) {
    auto tenth = [](std::int16_t v) { return Currency::fromRaw(static_cast<std::int64_t>(v) * 1000).toString(); };
    DetailLabels l;
    l.Lbltankairi = tenth(b.dev1);
    l.Lbltyukairi = tenth(b.dev2);
    l.Lbltyokairi = tenth(b.dev3);
    l.Lbltanidoheikn = b.ma1.toString();
    l.Lbltyuidoheikn = b.ma2.toString();
    l.Lbltyoidoheikn = b.ma3.toString();
    l.Lblowarine = b.close.toString();
    l.LblDate = listDate(b.date);
    l.LblSRL = std::to_string(b.psych);
    l.LblRSI = std::to_string(b.rsi);
    l.LblVR = std::to_string(b.vr);
    return l;
}

std::string splitNote(std::uint8_t flags) {
    if (flags & kSplitOneYen)
        return "分割調整で1円未満を1円に";
    if (flags & kSplitEventBar)
        return "株式分割（この足から新しい株価）";
    return "";
}

int rowAtX(int x, int rowCount) {
    // (x - 200) / 5 - 1 = (x - 205) / 5; never a half for a whole x.
    int row = static_cast<int>(detail::divRoundHalfEven(static_cast<Int128>(x) - 205, 5));
    return row >= 0 && row < rowCount ? row : -1;
}

LowerPanelStep nextLowerPanelMode(int mode, int chartMode) {
    switch (mode) {
    case 0:
        return {1, "RSI VR"};
    case 1:
        return {2, "ｻｲｺﾛｼﾞｶﾙ"};
    case 2:
        return {3, db::isWeeklyMode(chartMode) ? "信用取引" : "伊藤ﾚｼｵ"};
    case 3:
        return {4, "表示なし"};
    default:
        return {0, "ALL"};
    }
}

} // namespace kestrel::chart
