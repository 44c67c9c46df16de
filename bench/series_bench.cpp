// Series bench: the whole stored history of one issue (25 years, 6,250 daily bars) loaded as a BarSeries,
// daily with and without three split events, weekly and monthly, warm; and the monthly bars of those 25
// years put together from the daily bars alone. Targets: the monthly bars under 2 ms; the load is part of
// the 5 ms a whole-history chart may take to load and compute.
// The database (40 issues x 6,250 weekdays, their weekly bars) is built once under the build folder.
// Run: build/bench/series_bench
#include "BenchMarket.h"
#include "core/chart/SeriesLoad.h"
#include "core/db/Schema.h"
#include "core/db/SplitTable.h"
#include "core/import/WeeklyBars.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace kestrel;
using Clock = std::chrono::steady_clock;
using bench::must;

namespace {

constexpr int kIssues = 40;
constexpr int kDays = 6250;
constexpr int kSplitCode = 1300;
constexpr int kPlainCode = 1302;
constexpr int kRuns = 200;

std::vector<Date> tradingDays() {
    return bench::longHistoryDays(kDays);
}

bool build(const std::string& path) {
    return bench::buildLongHistory(
        path, kIssues, kDays, kSplitCode, [](db::Database& db, const std::vector<Date>& days) {
            for (int code : {kSplitCode, kPlainCode})
                must(import::buildIssueWeeklyBars(db, code, days.front(), days.back().addDays(7)));
        });
}

template <class F> void report(const char* what, F&& run, double target) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = Clock::now();
        run();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-52s median %7.3f ms   p90 %7.3f ms   max %7.3f ms%s\n", what, ms[ms.size() / 2],
                ms[ms.size() * 9 / 10], ms.back(),
                target > 0 ? (ms[ms.size() / 2] < target ? "   (within target)" : "   (OVER TARGET)") : "");
}

chart::BarSeries loaded(db::Database& db, int code, chart::BarMode mode, Date to) {
    auto s = chart::loadSeries(db, code, {mode, std::nullopt, to, true});
    must(s.status());
    return std::move(*s);
}

} // namespace

int main() {
    const std::string folder = std::string(KESTREL_BUILD_DIR) + "/bench-data";
    ::mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/series-40x6250.mdb";
    if (::access(path.c_str(), F_OK) != 0 && !build(path))
        return 1;
    auto opened = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
    if (!opened)
        return 1;
    db::Database& db = **opened;
    const Date to = tradingDays().back();

    const chart::BarSeries daily = loaded(db, kPlainCode, chart::BarMode::Daily, to);
    std::printf("one issue: %d daily bars, %d weekly, %d monthly\n", daily.size(),
                loaded(db, kPlainCode, chart::BarMode::Weekly, to).size(),
                loaded(db, kPlainCode, chart::BarMode::Monthly, to).size());

    report(
        "monthly bars from 6,250 daily bars (target < 2 ms)", [&] { (void)chart::monthlyBars(daily.bars); }, 2.0);
    report(
        "load 6,250 daily bars, warm", [&] { (void)loaded(db, kPlainCode, chart::BarMode::Daily, to); }, 5.0);
    report(
        "load 6,250 daily bars, 3 split events, warm", [&] { (void)loaded(db, kSplitCode, chart::BarMode::Daily, to); },
        5.0);
    report(
        "load 1,250 weekly bars, 3 split events, warm",
        [&] { (void)loaded(db, kSplitCode, chart::BarMode::Weekly, to); }, 5.0);
    report(
        "load 288 monthly bars (days, weeks, forming), warm",
        [&] { (void)loaded(db, kSplitCode, chart::BarMode::Monthly, to); }, 5.0);
    return 0;
}
