// The texts and values of a chart of any span: pane names, the old oscillators over a series, the
// comparison percentages, number texts, and the price and date labels.
#include "core/chart/SeriesScene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace kestrel::chart {
namespace {

constexpr std::array<std::string_view, 10> kPaneNames = {"volume", "margin", "psych", "rsi", "vr",
                                                         "macd",   "stoch",  "rci",   "dmi", "ito"};

// "1,234,567" from a whole number.
std::string grouped(std::int64_t v) {
    std::string digits = std::to_string(v < 0 ? -v : v);
    std::string out;
    const int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += ',';
        out += digits[static_cast<std::size_t>(i)];
    }
    return v < 0 ? "-" + out : out;
}

// The smallest 1-2-5 step at least `raw`.
double niceStep(double raw) {
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= raw * (1 - 1e-9))
            return m * p;
    return 10 * p;
}

double position(double v, double low, double high, bool log) {
    return log ? (std::log(v) - std::log(low)) / (std::log(high) - std::log(low)) : (v - low) / (high - low);
}

// Whether consecutive labels lie at least minGap pixels apart.
bool spaced(const std::vector<ScaleLabel>& labels, double low, double high, int pixels, bool log, int minGap) {
    for (std::size_t i = 1; i < labels.size(); ++i)
        if ((position(labels[i].value, low, high, log) - position(labels[i - 1].value, low, high, log)) * pixels <
            minGap)
            return false;
    return true;
}

std::vector<ScaleLabel> linearLabels(double low, double high, double step) {
    std::vector<ScaleLabel> out;
    for (double k = std::ceil(low / step - 1e-9); k * step <= high * (1 + 1e-12) + 1e-12 && out.size() < 200; ++k) {
        const double v = k * step;
        out.push_back({v, priceText(v)});
    }
    return out;
}

bool monthStart(const BarSeries& s, int b) {
    return b > 0 &&
           (s.bars[static_cast<std::size_t>(b)].date.month() != s.bars[static_cast<std::size_t>(b - 1)].date.month() ||
            s.bars[static_cast<std::size_t>(b)].date.year() != s.bars[static_cast<std::size_t>(b - 1)].date.year());
}

bool yearStart(const BarSeries& s, int b) {
    return b > 0 &&
           s.bars[static_cast<std::size_t>(b)].date.year() != s.bars[static_cast<std::size_t>(b - 1)].date.year();
}

std::string twoDigits(int v) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02d", v % 100);
    return buf;
}

} // namespace

std::optional<PaneKind> paneByName(std::string_view name) {
    for (std::size_t i = 0; i < kPaneNames.size(); ++i)
        if (kPaneNames[i] == name)
            return static_cast<PaneKind>(i);
    return std::nullopt;
}

std::string_view paneName(PaneKind kind) {
    return kPaneNames[static_cast<std::size_t>(kind)];
}

Series psychLine(const BarSeries& s, int n) {
    Series out(s.bars.size(), kMissing);
    int up = 0;
    for (int t = 0; t < s.size() && n > 0; ++t) {
        up += s.bars[static_cast<std::size_t>(t)].change.raw() > 0;
        if (t >= n)
            up -= s.bars[static_cast<std::size_t>(t - n)].change.raw() > 0;
        if (t >= n - 1)
            out[static_cast<std::size_t>(t)] = 100.0 * up / n;
    }
    return out;
}

Series rsiLine(const BarSeries& s, int n) {
    Series out(s.bars.size(), kMissing);
    double gain = 0, absolute = 0;
    for (int t = 0; t < s.size() && n > 0; ++t) {
        auto add = [&](int i, int sign) {
            const double c = s.bars[static_cast<std::size_t>(i)].change.toDouble();
            gain += sign * std::max(c, 0.0);
            absolute += sign * std::abs(c);
        };
        add(t, 1);
        if (t >= n)
            add(t - n, -1);
        if (t >= n - 1)
            out[static_cast<std::size_t>(t)] = absolute > 1e-9 ? 100.0 * gain / absolute : 0.0;
    }
    return out;
}

Series volumeRatio(const BarSeries& s, int n) {
    Series out(s.bars.size(), kMissing);
    double rising = 0, total = 0; // rising volume plus half the unchanged
    for (int t = 0; t < s.size() && n > 0; ++t) {
        auto add = [&](int i, int sign) {
            const SeriesBar& b = s.bars[static_cast<std::size_t>(i)];
            const double v = static_cast<double>(b.volume);
            rising += sign * (b.change.raw() > 0 ? v : b.change.raw() == 0 ? v / 2 : 0.0);
            total += sign * v;
        };
        add(t, 1);
        if (t >= n)
            add(t - n, -1);
        if (t >= n - 1)
            out[static_cast<std::size_t>(t)] = total > 0.5 ? 100.0 * rising / total : 0.0;
    }
    return out;
}

Series alignCloses(const BarSeries& main, const BarSeries& other) {
    Series out(main.bars.size(), kMissing);
    std::size_t j = 0;
    double last = 0;
    for (std::size_t i = 0; i < main.bars.size(); ++i) {
        for (; j < other.bars.size() && other.bars[j].date <= main.bars[i].date; ++j)
            last = other.bars[j].closeCarried.toDouble();
        if (last > 0)
            out[i] = last;
    }
    return out;
}

Series percentFrom(const Series& values, SeriesView view) {
    Series out(values.size(), kMissing);
    double base = 0;
    for (int i = std::max(view.first, 0); i <= view.last && i < static_cast<int>(values.size()); ++i) {
        const double v = values[static_cast<std::size_t>(i)];
        if (isMissing(v) || v <= 0)
            continue;
        if (base == 0)
            base = v;
        out[static_cast<std::size_t>(i)] = (v / base - 1) * 100;
    }
    return out;
}

std::string volumeText(std::int64_t volume) {
    if (volume < 10000)
        return grouped(volume);
    if (volume < 100000000)
        return grouped((volume + 5000) / 10000) + "万";
    if (volume < 10000000000LL) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(volume) / 1e8);
        std::string t = buf;
        if (t.size() > 2 && t.compare(t.size() - 2, 2, ".0") == 0)
            t.resize(t.size() - 2);
        return t + "億";
    }
    return grouped((volume + 50000000) / 100000000) + "億";
}

std::string priceText(double price) {
    const double whole = std::round(price);
    if (std::abs(price - whole) < 1e-6 * std::max(1.0, std::abs(price)))
        return grouped(static_cast<std::int64_t>(whole));
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f", std::abs(price - std::trunc(price)));
    std::string frac = buf + 1; // ".50"
    while (frac.back() == '0')
        frac.pop_back();
    const auto integral = static_cast<std::int64_t>(std::trunc(price));
    return (price < 0 && integral == 0 ? "-" : "") + grouped(integral) + frac;
}

int textWidth(std::string_view utf8) {
    int w = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        w += len == 1 ? kCharWidth : 2 * kCharWidth;
        i += len;
    }
    return w;
}

std::vector<ScaleLabel> priceLabels(double low, double high, int pixels, bool log, int minGap) {
    if (!(high > low) || pixels < minGap)
        return {};
    if (log) {
        if (low <= 0)
            return {};
        // The densest set of round prices that keeps its labels apart.
        static const std::vector<std::vector<int>> sets = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 5}, {1}};
        for (const auto& set : sets) {
            std::vector<ScaleLabel> out;
            for (double p = std::pow(10.0, std::floor(std::log10(low))); p <= high && out.size() < 200; p *= 10)
                for (int m : set) {
                    const double v = m * p;
                    if (v >= low * (1 - 1e-9) && v <= high * (1 + 1e-9))
                        out.push_back({v, priceText(v)});
                }
            if (out.size() >= 2 && spaced(out, low, high, pixels, true, minGap))
                return out;
            if (set.size() == 1 && out.size() >= 2) {
                // Even the powers of ten crowd: every other one, then every third…
                for (std::size_t k = 2; k < out.size(); ++k) {
                    std::vector<ScaleLabel> thin;
                    for (std::size_t i = 0; i < out.size(); i += k)
                        thin.push_back(out[i]);
                    if (spaced(thin, low, high, pixels, true, minGap))
                        return thin;
                }
                return {out.front()};
            }
        }
        // A narrow range: a linear step, widened until the labels at the top are apart.
        for (double step = niceStep((high - low) / std::max(1, pixels / minGap));; step = niceStep(step * 1.01)) {
            std::vector<ScaleLabel> out = linearLabels(low, high, step);
            if (out.size() <= 1 || spaced(out, low, high, pixels, true, minGap))
                return out;
        }
    }
    const double step = niceStep((high - low) * minGap / pixels);
    return linearLabels(low, high, step);
}

std::vector<DateLabel> dateLabels(const BarSeries& series, SeriesView view, int plotLeft, int plotRight, int gap) {
    if (view.empty() || plotRight <= plotLeft)
        return {};
    const int n = view.count();
    const double slot = static_cast<double>(plotRight - plotLeft + 1) / n;
    auto xOf = [&](int b) { return plotLeft + static_cast<int>(std::floor((b - view.first + 0.5) * slot)); };
    auto dateOf = [&](int b) { return series.bars[static_cast<std::size_t>(b)].date; };

    enum class Unit { Day, Month, Year };
    struct Tier {
        Unit unit;
        int every;
    };
    static constexpr std::array<Tier, 17> tiers = {{{Unit::Day, 1},
                                                    {Unit::Day, 2},
                                                    {Unit::Day, 5},
                                                    {Unit::Day, 10},
                                                    {Unit::Month, 1},
                                                    {Unit::Month, 2},
                                                    {Unit::Month, 3},
                                                    {Unit::Month, 6},
                                                    {Unit::Year, 1},
                                                    {Unit::Year, 2},
                                                    {Unit::Year, 5},
                                                    {Unit::Year, 10},
                                                    {Unit::Year, 20},
                                                    {Unit::Year, 50},
                                                    {Unit::Year, 100},
                                                    {Unit::Year, 200},
                                                    {Unit::Year, 500}}};
    std::vector<DateLabel> out;
    for (const Tier& tier : tiers) {
        // Days apply to daily bars only; a weekly or monthly bar is never labelled by its day.
        if (tier.unit == Unit::Day && series.mode != BarMode::Daily)
            continue;
        if (tier.unit == Unit::Month && series.mode == BarMode::Monthly && tier.every == 1 && slot < 8)
            continue;
        out.clear();
        bool fits = true;
        int rightEnd = plotLeft - gap;
        for (int b = view.first; b <= view.last && fits; ++b) {
            const Date d = dateOf(b);
            std::string text;
            switch (tier.unit) {
            case Unit::Day:
                if (b % tier.every != 0)
                    continue;
                text = twoDigits(d.year()) + "/" + twoDigits(d.month()) + "/" + twoDigits(d.day());
                break;
            case Unit::Month:
                if (!monthStart(series, b) || (d.month() - 1) % tier.every != 0)
                    continue;
                text = out.empty() || d.month() == 1 ? std::to_string(d.year()) + "/" + std::to_string(d.month())
                                                     : std::to_string(d.month()) + "月";
                break;
            case Unit::Year:
                if (!yearStart(series, b) || d.year() % tier.every != 0)
                    continue;
                text = std::to_string(d.year());
                break;
            }
            // The text starts right of the grid line at the bar, so the line never runs through a digit.
            const int x = xOf(b) + 2;
            const int w = textWidth(text);
            if (x + w - 1 > plotRight)
                break; // would be cut at the right edge: left out
            if (x < rightEnd + gap) {
                fits = false;
                break;
            }
            out.push_back({b, x, std::move(text)});
            rightEnd = x + w - 1;
        }
        if (fits)
            return out;
    }
    out.clear();
    return out;
}

} // namespace kestrel::chart
