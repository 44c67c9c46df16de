// Series memory bench: the resident memory of the main chart widget showing the whole history of one
// issue (25 years, 6,250 daily bars, three overlays beside the three averages, three panes) at
// 1920×1080, offscreen, after 200 zoom and scroll steps each drawn. Target: under 150 MB (VmHWM, the
// process's peak). The figures before the widget exists are printed for comparison.
// The database is series_view_bench's (built once under the build folder by either bench).
// Run: build/bench/series_memory_bench
#include "BenchMarket.h"
#include "core/chart/SeriesLoad.h"
#include "core/chart/SeriesNavigation.h"
#include "core/db/Schema.h"
#include "core/db/SplitTable.h"
#include "ui/chart/SeriesChartView.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestrel;
using bench::must;

namespace {

constexpr int kIssues = 8;
constexpr int kDays = 6250;
constexpr int kCode = 1300;
constexpr int kWidth = 1920, kHeight = 1080;
constexpr double kLimitMb = 150;

std::vector<Date> tradingDays() {
    return bench::longHistoryDays(kDays);
}

bool build(const std::string& path) {
    return bench::buildLongHistory(path, kIssues, kDays, kCode);
}

// A field of /proc/self/status in MB.
double statusMb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::stod(line.substr(key.size())) / 1024.0; // kB
    return 0;
}

void print(const char* when) {
    std::printf("%-52s VmRSS %7.1f MB   VmHWM %7.1f MB\n", when, statusMb("VmRSS"), statusMb("VmHWM"));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string folder = std::string(KESTREL_BUILD_DIR) + "/bench-data";
    ::mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/view-8x6250.mdb";
    if (::access(path.c_str(), F_OK) != 0 && !build(path))
        return 1;
    auto opened = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
    if (!opened)
        return 1;
    const Date to = tradingDays().back();
    print("application and database open");

    auto series = chart::loadSeries(**opened, kCode, {chart::BarMode::Daily, std::nullopt, to, true});
    must(series.status());
    chart::SceneOptions options;
    options.overlays = {"bbMid", "bbUp2", "bbLo2"};
    options.panes = {chart::PaneKind::Volume, chart::PaneKind::Macd, chart::PaneKind::Rsi};

    ui::SeriesChartView view;
    view.resize(kWidth, kHeight);
    view.show();
    view.setChart(std::move(*series), options, to);
    view.setView(chart::SeriesView{0, view.totalBars() - 1});
    view.canvas()->repaint();
    QApplication::processEvents();
    std::printf("chart widget %dx%d, canvas %dx%d, %d bars\n", view.width(), view.height(), view.canvas()->width(),
                view.canvas()->height(), view.totalBars());
    print("25-year chart shown, whole history drawn");

    // 200 steps: zoom in and out between 20 bars and every bar, scrolling between, each one drawn.
    const int total = view.totalBars();
    int narrowest = total, widest = 0;
    for (int i = 0; i < 200; ++i) {
        chart::SeriesView v = view.view();
        switch (i % 4) {
        case 0:
            view.zoom(i % 80 < 40 ? 1 / 1.25 : 1.25);
            break;
        case 1:
            v = chart::scrollBars(v, total, -std::max(1, v.count() / 10));
            view.setView(v);
            break;
        case 2:
            view.zoom(i % 80 < 40 ? 1 / 1.25 : 1.25, v.first + v.count() / 3);
            break;
        default:
            v = chart::scrollBars(v, total, std::max(1, v.count() / 10));
            view.setView(v);
            break;
        }
        narrowest = std::min(narrowest, view.view().count());
        widest = std::max(widest, view.view().count());
        view.setCrosshairBar(view.view().first + view.view().count() / 2);
        view.canvas()->repaint();
        QApplication::processEvents();
    }
    std::printf("views of %d to %d bars drawn\n", narrowest, widest);
    print("after 200 zoom and scroll steps");
    const double peak = statusMb("VmHWM");
    std::printf("peak resident memory %.1f MB (target < %.0f MB)%s\n", peak, kLimitMb,
                peak < kLimitMb ? "   (within target)" : "   (OVER TARGET)");
    return 0;
}
