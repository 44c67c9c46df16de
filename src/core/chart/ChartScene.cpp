#include "core/chart/ChartScene.h"

#include "core/db/BarTable.h"

namespace kestrel::chart {
namespace {

constexpr Rgb kTextColor{0, 0, 0};

struct Point {
    int x = 0, y = 0;
};

// One polyline that may be interrupted: a point joins the previous one when there is one.
class Trace {
public:
    void to(std::vector<Primitive>& out, Point p, Rgb color) {
        if (m_has)
            out.push_back({Shape::Line, m_prev.x, m_prev.y, p.x, p.y, color, {}});
        m_prev = p;
        m_has = true;
    }
    void clear() { m_has = false; }

private:
    Point m_prev;
    bool m_has = false;
};

void line(std::vector<Primitive>& out, Shape s, int x1, int y1, int x2, int y2, Rgb c) {
    out.push_back({s, x1, y1, x2, y2, c, {}});
}

void text(std::vector<Primitive>& out, int x, int y, std::string t) {
    out.push_back({Shape::Text, x, y, x, y, kTextColor, std::move(t)});
}

} // namespace

Rgb plotBackColor(int screenMode) {
    return screenMode == 1 ? Rgb{0, 0, 0} : Rgb{64, 64, 64};
}

Rgb upColor(int screenMode) {
    return screenMode == 1 ? Rgb{255, 0, 0} : Rgb{255, 128, 128};
}

Rgb windowBackColor(int chartMode) {
    return db::isWeeklyMode(chartMode) ? kWeeklyBack : kDailyBack;
}

std::string toggleAverages(ChartColors& colors) {
    bool shown =
        colors[kMa1] == kShownColors[kMa1] && colors[kMa2] == kShownColors[kMa2] && colors[kMa3] == kShownColors[kMa3];
    for (int k = kMa1; k <= kMa3; ++k)
        colors[k] = shown ? Rgb{} : kShownColors[k];
    return shown ? "移動平均無" : "移動平均有";
}

std::vector<Primitive> DrawChartFrame(const ChartDisplay& display) {
    std::vector<Primitive> out;
    const Rgb back = plotBackColor(display.ScreenMode);
    line(out, Shape::FillRect, kClearLeft, kClearTop, kClearRight, kClearBottom, windowBackColor(display.chartMode));
    line(out, Shape::FillRect, kPlotLeft, kPlotTop, kPlotRight, kPlotBottom, back);

    line(out, Shape::DottedLine, kPlotLeft, kPriceBottomY, kPlotRight, kPriceBottomY, kWhite);
    for (int y : {164, 228, 292, 376, 396, 416})
        line(out, Shape::DottedLine, kPlotLeft, y, kPlotRight, y, kGrid);
    for (int x = 250; x <= 750; x += 50)
        line(out, Shape::DottedLine, x, kPlotTop, x, kLowerBottomY, kGrid);

    // Ticks just outside the plot area, in the plot's colour.
    for (int x = 250; x <= 750; x += 50)
        line(out, Shape::Line, x, kLowerBottomY, x, kLowerBottomY + 4, back);
    line(out, Shape::Line, 194, kPriceBottomY, kPlotLeft, kPriceBottomY, back);
    for (int y : {376, 396, 416, 292, 228, 164, 100})
        line(out, Shape::Line, kPlotLeft - 3, y, kPlotLeft - 1, y, back);
    for (int y : {292, 228, 164, 100, 356, 376, 396, 416})
        line(out, Shape::Line, kPlotRight + 1, y, kPlotRight + 3, y, back);
    return out;
}

ChartPicture DrawChart(const ChartData& d, const ChartDisplay& display) {
    ChartPicture pic;
    pic.items = DrawChartFrame(display);
    const int n = d.barCount < 0 ? 0 : d.barCount > kMaxBars ? kMaxBars : d.barCount;
    if (d.maxVolume.raw() <= 0 || n == 0 || d.priceTop <= d.priceBottom)
        return pic;
    std::vector<Primitive>& out = pic.items;
    for (const AxisLabel& l : axisLabels(d))
        text(out, l.x, l.y, l.text);

    const Scale sP = quantisedScale(d.priceTop - d.priceBottom, kPricePanelHeight);
    const Scale sV = quantisedScale(d.maxVolume, kLowerPanelHeight);
    const bool weekly = db::isWeeklyMode(display.chartMode);
    const Scale sB = weekly ? balanceScale(d.maxBalance) : Scale{};
    const Rgb up = upColor(display.ScreenMode);
    const ChartColors& colors = display.chartColors;
    const bool averagesOn = !colors[kMa1].isZero() && !colors[kMa2].isZero() && !colors[kMa3].isZero();
    const int mode = display.lowerPanelMode;
    const bool margins = weekly && (mode == 0 || mode == 3) && sB.num > 0;
    const bool ito = !weekly && ((mode == 0 && display.ALLITORSO == 2) || mode == 3);
    auto y = [&](Currency p) { return priceY(sP, d.priceTop, p); };

    Trace ma[3], curve, psych, rsi, vr, sell, buy, itoTrace;
    for (int i = 1; i <= n; ++i) {
        const ChartBar& b = d.bars[i - 1];
        const int x = barX(i);
        if (display.volume) {
            const Currency v = Currency::fromWhole(b.volume);
            if (sV.num != 0 && b.volume != 0)
                line(out, Shape::FilledBox, x - 1, kLowerBottomY, x + 1, kLowerBottomY - sV.offset(v), kWhite);
        }
        if (b.close.raw() != 0) {
            Rgb c = b.open >= b.close ? kCandleDown : up;
            line(out, Shape::Line, x, y(b.low), x, y(b.high), c);
            line(out, Shape::Box, x - 1, y(b.open), x + 1, y(b.close), c);
        }
        if (d.splitFlags[i - 1] & kSplitEventBar) {
            // A small triangle pointing up at the bar; when the bar reaches the foot of the price panel,
            // just under the panel's divider.
            const int underLow = b.close.raw() != 0 ? y(b.low) + 3 : kPriceBottomY;
            const int top = underLow + 2 < kPriceBottomY ? underLow : kPriceBottomY + 2;
            for (int k = 0; k < 3; ++k)
                line(out, Shape::Line, x - k, top + k, x + k, top + k, kSplitMarkColor);
        }
        if (averagesOn) {
            const Currency values[3] = {b.ma1, b.ma2, b.ma3};
            for (int k = 0; k < 3; ++k) {
                if (values[k].raw() == 0)
                    ma[k].clear();
                else
                    ma[k].to(out, {x, y(values[k])}, colors[k]);
            }
        }
        const std::int64_t dx = i - d.center;
        const Currency f = d.fitC * (dx * dx) + d.fitB * dx + d.fitA;
        if (display.curve && f.raw() != 0)
            curve.to(out, {x, y(f)}, kCurveColor);
        else
            curve.clear();
        if (mode < 3) {
            // One step of each oscillator line; -1 (no full window yet) keeps the previous point.
            if ((mode == 0 || mode == 2) && b.psych >= 0)
                psych.to(out, {x, oscillatorY(b.psych)}, colors[kPsych]);
            if (mode == 0 || mode == 1) {
                if (b.rsi >= 0)
                    rsi.to(out, {x, oscillatorY(b.rsi)}, colors[kRsi]);
                if (b.vr >= 0)
                    vr.to(out, {x, oscillatorY(b.vr)}, colors[kVr]);
            }
        }
        if (i % 10 == 0)
            text(out, 5 * i + 180, 441, barDateLabel(b));
        if (margins) {
            if (b.sellBalance != 0)
                sell.to(out, {x, kLowerBottomY - sB.offset(Currency::fromWhole(b.sellBalance))}, colors[kSell]);
            if (b.buyBalance != 0)
                buy.to(out, {x, kLowerBottomY - sB.offset(Currency::fromWhole(b.buyBalance))}, colors[kBuy]);
        }
        if (ito && b.itoRatio.raw() > 0 && d.itoMax.raw() > 0)
            itoTrace.to(out, {x, itoY(b.itoRatio, d.itoMax)}, kItoColor);
        pic.rows.push_back(kabukaListRow(b));
    }
    return pic;
}

int barMarkWidth(const BarMark& mark) {
    int w = 0;
    for (unsigned char c : mark.label)
        if (c < 0x80)
            w += 6;
        else if (c >= 0xC0)
            w += 12; // a lead byte: one full-width character
    return w;
}

int barMarkLeft(const BarMark& mark, int x) {
    return x - barMarkWidth(mark) / 2;
}

namespace {

// The marks drawn (indices into marks), each with its left edge.
std::vector<std::pair<int, int>> placedMarks(const ChartData& d, const std::vector<BarMark>& marks) {
    std::vector<std::pair<int, int>> out;
    int right = -1;
    for (size_t k = 0; k < marks.size(); ++k) {
        const BarMark& m = marks[k];
        if (m.bar < 0 || m.bar >= d.barCount || m.label.empty())
            continue;
        const int left = barMarkLeft(m, barX(m.bar + 1));
        if (left <= right)
            continue;
        out.emplace_back(static_cast<int>(k), left);
        right = left + barMarkWidth(m);
    }
    return out;
}

} // namespace

std::vector<Primitive> drawBarMarks(const ChartData& d, const std::vector<BarMark>& marks) {
    std::vector<Primitive> out;
    for (const auto& [k, left] : placedMarks(d, marks)) {
        const BarMark& m = marks[static_cast<size_t>(k)];
        const int x = barX(m.bar + 1);
        line(out, Shape::Line, x, kPriceBottomY - 3, x, kPriceBottomY - 1, kBarMarkColor);
        text(out, left, kPriceBottomY - 17, m.label);
        out.back().color = kBarMarkColor;
    }
    return out;
}

int barMarkAt(const ChartData& d, const std::vector<BarMark>& marks, int clientX) {
    for (const auto& [k, left] : placedMarks(d, marks))
        if (clientX >= left - 2 && clientX <= left + barMarkWidth(marks[static_cast<size_t>(k)]) + 2)
            return k;
    return -1;
}

} // namespace kestrel::chart
