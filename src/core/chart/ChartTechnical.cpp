#include "core/chart/ChartTechnical.h"

#include "core/chart/ChartLayout.h"
#include "core/chart/ChartOverlay.h"
#include "core/chart/SeriesLoad.h"

#include <algorithm>
#include <cmath>

namespace kestrel::chart {
namespace {

constexpr std::string_view kLowerNames[kLowerPanelModes] = {"all",  "rsi",   "psych", "margin", "none",
                                                            "macd", "stoch", "rci",   "dmi"};
constexpr std::string_view kOverlayNames[] = {"ichimoku", "bb", "env", "hl", "sar", "vp"};
constexpr std::string_view kColorKeys[kTechnicalColorCount] = {"ColorTenkan",
                                                               "ColorKijun",
                                                               "ColorCloudUp",
                                                               "ColorCloudDown",
                                                               "ColorChikou",
                                                               "ColorBollinger",
                                                               "ColorEnvelope",
                                                               "ColorHlBand",
                                                               "ColorSar",
                                                               "ColorVolumeProfile",
                                                               "ColorVolumeProfileLast",
                                                               "ColorMacd",
                                                               "ColorMacdSignal",
                                                               "ColorMacdHist",
                                                               "ColorStochK",
                                                               "ColorStochD",
                                                               "ColorStochSD",
                                                               "ColorRci1",
                                                               "ColorRci2",
                                                               "ColorRci3",
                                                               "ColorPdi",
                                                               "ColorMdi",
                                                               "ColorAdx"};

// The middle line of the lower panel (a value of 0 on the symmetric scales).
constexpr int kLowerMidY = (kLowerBottomY + kPriceBottomY) / 2;

void add(std::vector<Primitive>& out, Shape s, int x1, int y1, int x2, int y2, Rgb c) {
    out.push_back({s, x1, y1, x2, y2, c, {}});
}

// A polyline over slots that breaks at every missing value, clipped to a panel.
class Polyline {
public:
    Polyline(std::vector<Primitive>& out, Rgb color, int top, int bottom, int right)
        : m_out(out), m_color(color), m_top(top), m_bottom(bottom), m_right(right) {}
    void to(int x, std::optional<int> y) {
        if (!y) {
            m_has = false;
            return;
        }
        if (m_has)
            if (auto s = clipSegment({m_x, m_y, x, *y}, kPlotLeft, m_top, m_right, m_bottom))
                add(m_out, Shape::Line, s->x1, s->y1, s->x2, s->y2, m_color);
        m_x = x;
        m_y = *y;
        m_has = true;
    }

private:
    std::vector<Primitive>& m_out;
    Rgb m_color;
    int m_top, m_bottom, m_right;
    int m_x = 0, m_y = 0;
    bool m_has = false;
};

double at(const Series& s, int i) {
    return i >= 0 && i < static_cast<int>(s.size()) ? s[static_cast<std::size_t>(i)] : kMissing;
}

// A value mapped linearly from [low, high] onto the lower panel (high at its top).
std::optional<int> lowerY(double v, double low, double high) {
    if (isMissing(v) || !(high > low))
        return std::nullopt;
    const double y = kLowerBottomY - (v - low) * kLowerPanelHeight / (high - low);
    return static_cast<int>(std::lround(std::clamp(y, -1e6, 1e6)));
}

Series slice(const Series& s, const std::vector<int>& index) {
    Series out(index.size(), kMissing);
    for (std::size_t i = 0; i < index.size(); ++i)
        out[i] = at(s, index[i]);
    return out;
}

void sliceAll(TechnicalValues& v, const std::vector<int>& index) {
    for (Series* s : {&v.ichimoku.tenkan, &v.ichimoku.kijun,  &v.ichimoku.span1,  &v.ichimoku.span2,
                      &v.bollinger.mid,   &v.bollinger.up[0], &v.bollinger.up[1], &v.bollinger.up[2],
                      &v.bollinger.lo[0], &v.bollinger.lo[1], &v.bollinger.lo[2], &v.macd.macd,
                      &v.macd.signal,     &v.macd.hist,       &v.stochastic.k,    &v.stochastic.d,
                      &v.stochastic.sd,   &v.rci[0],          &v.rci[1],          &v.rci[2],
                      &v.dmi.pdi,         &v.dmi.mdi,         &v.dmi.adx,         &v.sar,
                      &v.envelope.up,     &v.envelope.lo,     &v.hlBand.high,     &v.hlBand.low})
        *s = slice(*s, index);
}

} // namespace

std::string_view lowerPanelName(int mode) {
    return mode >= 0 && mode < kLowerPanelModes ? kLowerNames[mode] : std::string_view();
}

int lowerPanelFromText(std::string_view text) {
    for (int m = 0; m < kLowerPanelModes; ++m)
        if (text == kLowerNames[m] || (text.size() == 1 && text[0] == '0' + m))
            return m;
    return -1;
}

bool overlaysFromText(std::string_view text, TechnicalOverlays& o, std::string& bad) {
    bool* flags[] = {&o.ichimoku, &o.bollinger, &o.envelope, &o.hlBand, &o.sar, &o.volumeProfile};
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view name = text.substr(0, comma);
        bool known = false;
        for (std::size_t k = 0; k < std::size(kOverlayNames); ++k)
            if (name == kOverlayNames[k])
                known = *flags[k] = true;
        if (!known) {
            bad = std::string(name);
            return false;
        }
        if (comma == std::string_view::npos)
            return true;
        text.remove_prefix(comma + 1);
    }
}

std::string_view technicalColorKey(int color) {
    return color >= 0 && color < kTechnicalColorCount ? kColorKeys[color] : std::string_view();
}

int futureWidth(const TechnicalView& view) {
    return view.overlays.ichimoku ? kFutureSlots * kBarWidth : 0;
}

std::vector<Date> futureBarDates(BarMode mode, Date last, int count) {
    std::vector<Date> out;
    Date d = last;
    for (int k = 0; k < count; ++k) {
        if (mode == BarMode::Monthly) {
            // The day before the first of the month after next, back to a weekday.
            const int m = d.month() + 2;
            d = Date::fromYmd(d.year() + (m > 12 ? 1 : 0), m > 12 ? m - 12 : m, 1)->addDays(-1);
            while (d.isWeekend())
                d = d.addDays(-1);
        } else {
            d = d.addDays(mode == BarMode::Weekly ? 7 : 1);
            while (mode == BarMode::Daily && d.isWeekend())
                d = d.addDays(1);
        }
        out.push_back(d);
    }
    return out;
}

void technicalFromSeries(const BarSeries& series, const ChartData& data, const TechnicalSettings& settings,
                         ChartTechnical& out) {
    out = ChartTechnical{};
    out.settings = settings;
    out.shift = settings.ichimokuShift;
    const int n = std::clamp<int>(data.barCount, 0, kMaxBars);
    out.barCount = n;
    // The series index of every bar shown, matched by date (both ascending).
    std::vector<int> index(static_cast<std::size_t>(n), -1);
    int j = 0;
    for (int i = 0; i < n; ++i) {
        while (j < series.size() && series.bars[static_cast<std::size_t>(j)].date < data.bars[i].date)
            ++j;
        if (j < series.size() && series.bars[static_cast<std::size_t>(j)].date == data.bars[i].date)
            index[static_cast<std::size_t>(i)] = j;
    }
    out.values = computeAll(series, settings);
    const Series span1 = out.values.ichimoku.span1, span2 = out.values.ichimoku.span2;
    sliceAll(out.values, index);
    // The cloud: slot s shows the spans of the bar shift slots before it; future slots continue from the
    // last bar shown.
    const int slots = n + out.shift;
    out.cloudSpan1.assign(static_cast<std::size_t>(slots), kMissing);
    out.cloudSpan2.assign(static_cast<std::size_t>(slots), kMissing);
    const int lastIndex = n > 0 ? index[static_cast<std::size_t>(n - 1)] : -1;
    for (int s = 0; s < slots; ++s) {
        int src = -1;
        if (s < n && index[static_cast<std::size_t>(s)] >= 0)
            src = index[static_cast<std::size_t>(s)] - out.shift;
        else if (s >= n && lastIndex >= 0)
            src = lastIndex + (s - n + 1) - out.shift;
        if (src >= 0) {
            out.cloudSpan1[static_cast<std::size_t>(s)] = at(span1, src);
            out.cloudSpan2[static_cast<std::size_t>(s)] = at(span2, src);
        }
    }
    if (n > 0) {
        out.futureDates = futureBarDates(series.mode == BarMode::Weekly ? BarMode::Weekly : BarMode::Daily,
                                         data.bars[n - 1].date, out.shift);
        const int first = index[0], last = index[static_cast<std::size_t>(n - 1)];
        if (first >= 0 && last >= first)
            out.profile = volumeProfile(series, first, last, settings.vpBins);
    }
}

Status loadChartTechnical(db::Database& db, std::int32_t code, bool weekly, bool splitAdjust, const ChartData& data,
                          const TechnicalSettings& settings, ChartTechnical& out) {
    const int n = std::clamp<int>(data.barCount, 0, kMaxBars);
    if (n == 0) {
        out = ChartTechnical{};
        out.settings = settings;
        return Status::ok();
    }
    SeriesRequest request;
    request.mode = weekly ? BarMode::Weekly : BarMode::Daily;
    request.to = data.bars[n - 1].date;
    request.splitAdjust = splitAdjust;
    // Enough calendar days for the warm-up bars before the first bar shown (a trading week is five days
    // of seven, a year loses about twenty more to holidays); a sparse history is read whole.
    const int warmup = warmupBars(settings);
    const int days = weekly ? warmup * 7 + 14 : warmup * 3 / 2 + 30;
    request.from = data.bars[0].date.addDays(-days);
    auto series = loadSeries(db, code, request);
    if (!series)
        return series.status();
    int before = 0;
    while (before < series->size() && series->bars[static_cast<std::size_t>(before)].date < data.bars[0].date)
        ++before;
    if (before < warmup) {
        request.from.reset();
        series = loadSeries(db, code, request);
        if (!series)
            return series.status();
    }
    technicalFromSeries(*series, data, settings, out);
    return Status::ok();
}

int technicalPriceY(const ChartData& d, double price) {
    const Scale sP = quantisedScale(d.priceTop - d.priceBottom, kPricePanelHeight);
    return priceY(sP, d.priceTop, Currency::fromDouble(std::clamp(price, -1e12, 1e12)));
}

ChartPicture DrawChartWide(const ChartData& data, const ChartDisplay& display, int extra) {
    ChartPicture pic = DrawChart(data, display);
    if (extra <= 0)
        return pic;
    std::vector<Primitive> grid;
    for (Primitive& p : pic.items) {
        if (p.x1 >= kPlotRight)
            p.x1 += extra;
        if (p.x2 >= kPlotRight)
            p.x2 += extra;
    }
    // The grid and ticks go on into the new slots, drawn right after the plot's background.
    const Rgb back = plotBackColor(display.ScreenMode);
    for (int x = 800; x <= kPlotRight + extra - 7; x += 50) {
        grid.push_back({Shape::DottedLine, x, kPlotTop, x, kLowerBottomY, kGrid, {}});
        grid.push_back({Shape::Line, x, kLowerBottomY, x, kLowerBottomY + 4, back, {}});
    }
    grid.push_back({Shape::DottedLine, kPlotRight, kPriceBottomY, kPlotRight + extra, kPriceBottomY, kWhite, {}});
    pic.items.insert(pic.items.begin() + std::min<std::ptrdiff_t>(2, std::ssize(pic.items)), grid.begin(), grid.end());
    return pic;
}

std::vector<Primitive> drawTechnical(const ChartData& d, const ChartDisplay& display, const ChartTechnical& t,
                                     const TechnicalView& view) {
    std::vector<Primitive> out;
    const int n = std::min(t.barCount, static_cast<int>(std::clamp<int>(d.barCount, 0, kMaxBars)));
    if (n == 0 || d.priceTop <= d.priceBottom || d.maxVolume.raw() <= 0)
        return out;
    const int right = kPlotRight + futureWidth(view);
    const TechnicalColors& c = view.colors;
    const TechnicalValues& v = t.values;
    auto py = [&](double p) -> std::optional<int> {
        if (isMissing(p))
            return std::nullopt;
        return technicalPriceY(d, p);
    };
    auto priceLine = [&](const Series& s, Rgb color, int slots, int offset = 0) {
        Polyline line(out, color, kPriceTopY, kPriceBottomY, right);
        for (int i = 0; i < slots; ++i)
            line.to(barX(i + 1 + offset), py(at(s, i)));
    };
    const TechnicalOverlays& o = view.overlays;

    if (o.volumeProfile && !t.profile.bins.empty()) {
        // Horizontal bars from the left price axis, the longest a fifth of the plot's width.
        double most = 0;
        for (const VolumeBin& b : t.profile.bins)
            most = std::max(most, b.volume);
        const int longest = (kPlotRight - kPlotLeft) / 5;
        for (std::size_t k = 0; k < t.profile.bins.size(); ++k) {
            const VolumeBin& b = t.profile.bins[k];
            if (most <= 0 || b.volume <= 0)
                continue;
            int yTop = std::clamp(technicalPriceY(d, b.high), kPriceTopY, kPriceBottomY);
            int yBottom = std::clamp(technicalPriceY(d, b.low), kPriceTopY, kPriceBottomY);
            if (yBottom - yTop >= 2)
                --yBottom; // a pixel between neighbouring bins
            const int len = static_cast<int>(std::lround(b.volume / most * longest));
            const Rgb color =
                static_cast<int>(k) == t.profile.lastCloseBin ? c[kColVolumeProfileLast] : c[kColVolumeProfile];
            if (len > 0)
                add(out, Shape::TranslucentBox, kPlotLeft + 1, yTop, kPlotLeft + len, yBottom, color);
        }
    }
    if (o.ichimoku) {
        // The cloud, one pixel column at a time between the slots' spans, coloured by which span is on top.
        const int slots = static_cast<int>(t.cloudSpan1.size());
        for (int s = 0; s + 1 < slots; ++s) {
            const double a1 = t.cloudSpan1[static_cast<std::size_t>(s)], a2 = t.cloudSpan2[static_cast<std::size_t>(s)];
            const double b1 = t.cloudSpan1[static_cast<std::size_t>(s + 1)],
                         b2 = t.cloudSpan2[static_cast<std::size_t>(s + 1)];
            if (isMissing(a1) || isMissing(a2) || isMissing(b1) || isMissing(b2))
                continue;
            const int x0 = barX(s + 1);
            for (int dx = 0; dx < kBarWidth; ++dx) {
                const double f = static_cast<double>(dx) / kBarWidth;
                const double s1 = a1 + (b1 - a1) * f, s2 = a2 + (b2 - a2) * f;
                const int y1 = std::clamp(technicalPriceY(d, s1), kPriceTopY, kPriceBottomY);
                const int y2 = std::clamp(technicalPriceY(d, s2), kPriceTopY, kPriceBottomY);
                add(out, Shape::TranslucentBox, x0 + dx, std::min(y1, y2), x0 + dx, std::max(y1, y2),
                    s1 >= s2 ? c[kColCloudUp] : c[kColCloudDown]);
            }
        }
        priceLine(t.cloudSpan1, c[kColCloudUp], slots);
        priceLine(t.cloudSpan2, c[kColCloudDown], slots);
        priceLine(v.ichimoku.tenkan, c[kColTenkan], n);
        priceLine(v.ichimoku.kijun, c[kColKijun], n);
        // 遅行スパン: the close of bar i drawn shift slots to its left.
        Polyline chikou(out, c[kColChikou], kPriceTopY, kPriceBottomY, right);
        for (int i = t.shift; i < n; ++i) {
            const Currency close = d.bars[i].closeCarried;
            chikou.to(barX(i + 1 - t.shift),
                      close.raw() > 0 ? std::optional<int>(technicalPriceY(d, close.toDouble())) : std::nullopt);
        }
    }
    if (o.bollinger) {
        priceLine(v.bollinger.mid, c[kColBollinger], n);
        for (int k = 0; k < std::clamp(view.bbBands, 1, 3); ++k) {
            priceLine(v.bollinger.up[static_cast<std::size_t>(k)], c[kColBollinger], n);
            priceLine(v.bollinger.lo[static_cast<std::size_t>(k)], c[kColBollinger], n);
        }
    }
    if (o.envelope) {
        priceLine(v.envelope.up, c[kColEnvelope], n);
        priceLine(v.envelope.lo, c[kColEnvelope], n);
    }
    if (o.hlBand) {
        priceLine(v.hlBand.high, c[kColHlBand], n);
        priceLine(v.hlBand.low, c[kColHlBand], n);
    }
    if (o.sar)
        for (int i = 0; i < n; ++i)
            if (auto y = py(at(v.sar, i)); y && *y >= kPriceTopY && *y <= kPriceBottomY)
                add(out, Shape::FilledBox, barX(i + 1) - 1, *y - 1, barX(i + 1) + 1, *y + 1, c[kColSar]);

    // The technical lower panels.
    auto lowerLine = [&](const Series& s, Rgb color, double low, double high) {
        Polyline line(out, color, kPriceBottomY + 1, kLowerBottomY, kPlotRight);
        for (int i = 0; i < n; ++i)
            line.to(barX(i + 1), lowerY(at(s, i), low, high));
    };
    auto guide = [&](int y) { add(out, Shape::DottedLine, kPlotLeft, y, kPlotRight, y, kWhite); };
    switch (display.lowerPanelMode) {
    case kLowerMacd: {
        double most = 0;
        for (const Series* s : {&v.macd.macd, &v.macd.signal, &v.macd.hist})
            for (int i = 0; i < n; ++i)
                if (!isMissing(at(*s, i)))
                    most = std::max(most, std::abs(at(*s, i)));
        if (most <= 0)
            break;
        guide(kLowerMidY);
        for (int i = 0; i < n; ++i)
            if (auto y = lowerY(at(v.macd.hist, i), -most * 1.05, most * 1.05))
                add(out, Shape::Line, barX(i + 1), kLowerMidY, barX(i + 1), *y, c[kColMacdHist]);
        lowerLine(v.macd.macd, c[kColMacd], -most * 1.05, most * 1.05);
        lowerLine(v.macd.signal, c[kColMacdSignal], -most * 1.05, most * 1.05);
        break;
    }
    case kLowerStoch:
        guide(*lowerY(20, 0, 100));
        guide(*lowerY(80, 0, 100));
        if (view.stochFast)
            lowerLine(v.stochastic.k, c[kColStochK], 0, 100);
        lowerLine(v.stochastic.d, c[kColStochD], 0, 100);
        if (!view.stochFast)
            lowerLine(v.stochastic.sd, c[kColStochSD], 0, 100);
        break;
    case kLowerRci:
        guide(*lowerY(80, -100, 100));
        guide(*lowerY(-80, -100, 100));
        for (int k = 0; k < 3; ++k)
            lowerLine(v.rci[static_cast<std::size_t>(k)], c[kColRci1 + k], -100, 100);
        break;
    case kLowerDmi:
        lowerLine(v.dmi.pdi, c[kColPdi], 0, 100);
        lowerLine(v.dmi.mdi, c[kColMdi], 0, 100);
        lowerLine(v.dmi.adx, c[kColAdx], 0, 100);
        break;
    default:
        break;
    }
    // The date axis goes on under the future slots.
    if (o.ichimoku)
        for (int k = 0; k < static_cast<int>(t.futureDates.size()); ++k) {
            const int slot = n + k + 1;
            if (slot % 10 == 0) {
                ChartBar b;
                b.date = t.futureDates[static_cast<std::size_t>(k)];
                out.push_back({Shape::Text, 5 * slot + 180, 441, 5 * slot + 180, 441, Rgb{0, 0, 0}, barDateLabel(b)});
            }
        }
    return out;
}

} // namespace kestrel::chart
