// Drawing one chart of 110 daily bars to an image with 20 user lines and 50 ledger marks (levels and
// trade marks) over it, against the same chart without them. Target: within 1.2 times. The same for the
// whole history of one issue (6,250 daily bars) at 1920x1080: the overlay placed and painted over the
// scene, against the scene alone (the scene and overlay together within the 16 ms of a draw).
#include "core/chart/ChartOverlay.h"
#include "core/chart/SeriesOverlay.h"
#include "services/render/ChartPainter.h"
#include "services/render/SeriesPainter.h"

#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace kestrel;
using namespace kestrel::chart;
using Clock = std::chrono::steady_clock;

namespace {

ChartData sampleChart() {
    ChartData d;
    Date day = *Date::fromYmd(2024, 1, 4);
    Currency last = Currency::fromWhole(1000);
    for (int i = 0; i < kMaxBars; ++i) {
        ChartBar& b = d.bars[i];
        while (day.isWeekend())
            day = day.addDays(1);
        b.date = day;
        day = day.addDays(1);
        const std::int64_t step = (i * 37 % 21) - 10;
        b.open = last;
        b.close = last + Currency::fromWhole(step);
        b.high = std::max(b.open, b.close) + Currency::fromWhole(5);
        b.low = std::min(b.open, b.close) - Currency::fromWhole(5);
        b.change = b.close - last;
        b.closeCarried = b.close;
        b.volume = 1000 + i * 13 % 700;
        last = b.close;
    }
    d.barCount = kMaxBars;
    computeIndicators(d, IndicatorSettings{5, 25, 75, 12, 14, 1});
    return d;
}

ChartOverlay sampleOverlay(const ChartData& d) {
    ChartOverlay o;
    for (int k = 0; k < 20; ++k) {
        ChartLine l;
        l.id = k + 1;
        l.kind = k % 4 == 0 ? LineKind::Horizontal : LineKind::Trend;
        l.bar1 = k * 5 - 10; // some start left of the window
        l.bar2 = k * 5 + 30;
        l.price1 = d.priceBottom + Currency::fromWhole(k * 7);
        l.price2 = d.priceTop - Currency::fromWhole(k * 5);
        o.lines.push_back(l);
    }
    o.selectedLine = 3;
    for (int k = 0; k < 10; ++k)
        o.levels.push_back({d.priceBottom + Currency::fromWhole(k * 9), "1000株", k % 2 == 1});
    for (int k = 0; k < 40; ++k)
        o.trades.push_back({1 + k * 11 % kMaxBars, k % 3 != 0});
    return o;
}

double medianMs(const ChartData& d, const ChartDisplay& display, const ChartOverlay* o) {
    std::vector<double> ms;
    for (int run = 0; run < 200; ++run) {
        auto t0 = Clock::now();
        QImage image = services::renderChartImage(d, display, o);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (image.isNull())
            return -1;
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

BarSeries wholeHistory() {
    BarSeries s;
    Date day = *Date::fromYmd(2000, 1, 3);
    double last = 1000;
    for (int i = 0; i < 6250; ++i, day = day.addDays(1)) {
        while (day.isWeekend())
            day = day.addDays(1);
        SeriesBar b;
        b.date = day;
        const double next = std::max(50.0, last + ((i * 37 % 21) - 10) * last / 400);
        b.open = Currency::fromWhole(std::llround(last));
        b.close = b.closeCarried = Currency::fromWhole(std::llround(next));
        b.high = std::max(b.open, b.close) + Currency::fromWhole(5);
        b.low = std::min(b.open, b.close) - Currency::fromWhole(5);
        b.volume = 1000000 + i * 13 % 700000;
        s.bars.push_back(b);
        last = next;
    }
    return s;
}

ChartOverlay seriesOverlay(const BarSeries& s) {
    ChartOverlay o;
    for (int k = 0; k < 20; ++k) {
        ChartLine l;
        l.id = k + 1;
        l.kind = k % 4 == 0 ? LineKind::Horizontal : LineKind::Trend;
        l.date1 = s.bars[static_cast<std::size_t>(k * 300)].date;
        l.date2 = s.bars[static_cast<std::size_t>(k * 300 + 250)].date;
        l.price1 = s.bars[static_cast<std::size_t>(k * 300)].low;
        l.price2 = s.bars[static_cast<std::size_t>(k * 300 + 250)].high;
        o.lines.push_back(l);
    }
    o.selectedLine = 3;
    for (int k = 0; k < 10; ++k)
        o.levels.push_back({s.bars[static_cast<std::size_t>(6000 + k * 20)].close, "損益分岐 2,964円", k % 2 == 1});
    for (int k = 0; k < 40; ++k)
        o.trades.push_back({0, k % 3 != 0, s.bars[static_cast<std::size_t>(k * 150 + 7)].date});
    return o;
}

double seriesMs(const SeriesChart& chart, const ChartOverlay* o) {
    const SeriesView view{0, chart.series().size() - 1};
    std::vector<double> ms;
    for (int run = 0; run < 100; ++run) {
        auto t0 = Clock::now();
        QImage image = services::renderSeriesImage(chart, view, 1920, 1080);
        if (o) {
            QPainter painter(&image);
            services::paintPrimitives(painter, drawSeriesOverlay(overlayGeometry(chart, view, 1920, 1080), *o));
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const ChartData d = sampleChart();
    const ChartOverlay o = sampleOverlay(d);
    ChartDisplay display;
    medianMs(d, display, &o); // warm the font cache
    const double plain = medianMs(d, display, nullptr);
    const double with = medianMs(d, display, &o);
    std::printf("chart without overlay             median %8.3f ms\n", plain);
    std::printf("chart with 20 lines and 50 marks  median %8.3f ms\n", with);
    std::printf("with / without: %.2f (target at most 1.20)\n", with / plain);

    const SeriesChart series(wholeHistory(), SceneOptions{});
    const ChartOverlay so = seriesOverlay(series.series());
    seriesMs(series, &so);
    const double scene = seriesMs(series, nullptr);
    const double both = seriesMs(series, &so);
    std::printf("6,250 bars at 1920x1080, scene           median %8.3f ms\n", scene);
    std::printf("  with 20 lines and 50 marks            median %8.3f ms (target under 16 ms)\n", both);
    return with / plain <= 1.2 && both < 16 ? 0 : 1;
}
