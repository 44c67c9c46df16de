// Market scan benchmark: one scan of every issue as of one date (every chart with every indicator),
// warm and right after opening the database with a cold page cache, next to the bare SQLite read of the
// same bars (the scan reads a large market with two connections at once, the bare read with one, as the
// anchor); the cost per bar; the peak memory; screens naming the technical set (MACD, ADX, SAR, 一目均衡表)
// as of the last day next to the bare read of the bars they need; and a screen run over three years held
// 20 days.
// Run: build/bench/scan_bench [ISSUES [DAYS]] (default 4000 issues x 6250 trading days, 25 years). The
// database is built once per size and cached under the build folder.
#include "BenchMarket.h"
#include "core/db/Schema.h"
#include "core/scan/ScreenRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace kestrel;
using Clock = std::chrono::steady_clock;
using bench::must;

namespace {

std::vector<Date> tradingDays(int count) {
    return bench::weekdays(*Date::fromYmd(2000, 1, 3), count);
}

bool build(const std::string& path, int issues, const std::vector<Date>& days) {
    const std::string tmp = path + ".building";
    auto db = bench::newMarket(tmp);
    const auto t0 = Clock::now();
    bench::fillDailyBars(*db, issues, days, 100);
    // A few issues with split events inside the last windows.
    for (int i = 0; i < 40 && i < issues; ++i)
        must(db::addSplit(*db, 1300 + i * 2 * (issues / 40 ? issues / 40 : 1),
                          days[days.size() - 1 - static_cast<size_t>(i)], 1, 2)
                 .status());
    std::printf("built %d issues x %zu days in %.1f s\n", issues, days.size(),
                std::chrono::duration<double>(Clock::now() - t0).count());
    return bench::finishMarket(std::move(db), tmp, path);
}

void dropCache(const std::string& path) {
    for (const std::string& f : {path, path + "-wal", path + "-shm"}) {
        int fd = ::open(f.c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// CPU time of the process: on a machine shared with other work, steadier than the wall clock.
double cpuNow() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The bars a scan reads, read bare by one connection: the same query, every column fetched, nothing computed.
long long bareRead(db::Database& db, Date low, Date high) {
    auto st =
        db.prepare("WITH RECURSIVE c(x) AS (SELECT (SELECT min(コード) FROM daydata) UNION ALL SELECT "
                   "(SELECT min(コード) FROM daydata WHERE コード>c.x) FROM c WHERE c.x IS NOT NULL) SELECT "
                   "b.コード, b.日付, b.始値, b.高値, b.安値, b.終値, b.前日比, b.出来高 FROM c CROSS JOIN daydata "
                   "AS b WHERE b.コード=c.x AND b.日付 BETWEEN ?1 AND ?2");
    if (!st)
        must(st.status());
    st->bind(1, low).bind(2, high);
    long long rows = 0, sum = 0;
    must(st->forEachRow([&] {
        ++rows;
        for (int c = 0; c < 8; ++c)
            sum += st->int64(c);
    }));
    return rows + (sum == 42 ? 1 : 0);
}

} // namespace

int main(int argc, char** argv) {
    const int issues = argc > 1 ? std::atoi(argv[1]) : 4000;
    const int dayCount = argc > 2 ? std::atoi(argv[2]) : 6250;
    if (issues < 1 || dayCount < 200) {
        std::fprintf(stderr, "usage: scan_bench [ISSUES [DAYS>=200]]\n");
        return 2;
    }
    std::string folder = std::string(KESTREL_BUILD_DIR) + "/bench-data";
    ::mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/scan-real-" + std::to_string(issues) + "x" + std::to_string(dayCount) + ".mdb";
    const std::vector<Date> days = tradingDays(dayCount);
    if (::access(path.c_str(), F_OK) != 0 && !build(path, issues, days))
        return 1;

    scan::ScanOptions options;
    options.settings.move1 = 5;
    options.settings.move2 = 25;
    options.settings.move3 = 75;
    options.settings.SaicoL = 12;
    options.settings.RSIVR = 14;
    options.settings.ITORSO = 2;
    const Date day = days.back();
    const Date low = days[days.size() - 110];
    long long charts = 0, bars = 0;
    auto scanOnce = [&](db::Database& db) {
        charts = bars = 0;
        must(scan::scanMarket(db, options, day, [&](std::int32_t, const std::string&, const chart::ChartData& d) {
            ++charts;
            bars += d.barCount;
        }));
    };

    // SCAN_BENCH_TECHNICAL=1: the technical screens alone.
    const bool technicalOnly = std::getenv("SCAN_BENCH_TECHNICAL") != nullptr;
    // After opening, with the file's pages dropped from the cache.
    std::vector<double> cold, coldBare;
    for (int i = 0; i < (technicalOnly ? 0 : 5); ++i) {
        dropCache(path);
        auto db = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
        if (!db)
            return 1;
        auto t = Clock::now();
        scanOnce(**db);
        cold.push_back(since(t));
        dropCache(path);
        auto db2 = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
        t = Clock::now();
        bareRead(**db2, low, day);
        coldBare.push_back(since(t));
    }
    auto db = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
    if (!db)
        return 1;
    std::vector<double> warm, warmBare, warmCpu, warmBareCpu;
    long long bareRows = 0;
    for (int i = 0; i < (technicalOnly ? 1 : 15); ++i) {
        auto t = Clock::now();
        double cpu = cpuNow();
        scanOnce(**db);
        warm.push_back(since(t));
        warmCpu.push_back(cpuNow() - cpu);
        t = Clock::now();
        cpu = cpuNow();
        bareRows = bareRead(**db, low, day);
        warmBare.push_back(since(t));
        warmBareCpu.push_back(cpuNow() - cpu);
    }
    if (technicalOnly) {
        cold.push_back(0);
        coldBare.push_back(1);
    }
    const double w = median(warm), wb = median(warmBare), c = median(cold), cb = median(coldBare);
    std::printf("market %d issues x %d days; scan as of %s: %lld charts, %lld bars (bare read %lld rows)\n", issues,
                dayCount, day.toIso().c_str(), charts, bars, bareRows);
    std::printf("scan, warm:               %.3f s   (target 0.3 s)   %.1f ns/bar (anchor 6 ns/bar)\n", w,
                w * 1e9 / static_cast<double>(bars));
    std::printf("bare read, warm:          %.3f s   %.1f ns/bar   scan / bare %.2f (target <= 1.5)\n", wb,
                wb * 1e9 / static_cast<double>(bars), w / wb);
    const double wc = median(warmCpu), wbc = median(warmBareCpu);
    std::printf("scan, warm, CPU time:     %.3f s   %.1f ns/bar;  bare read %.3f s;  scan / bare %.2f\n", wc,
                wc * 1e9 / static_cast<double>(bars), wbc, wc / wbc);
    std::printf("scan, cold after open:    %.3f s   (target 1 s; two connections)\n", c);
    std::printf("bare read, cold:          %.3f s   (one connection)   scan / bare %.2f\n", cb, c / cb);
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    std::printf("peak memory after scans:  %.1f MB (target 200 MB)\n", static_cast<double>(ru.ru_maxrss) / 1024);

    // Screens on the technical set as of the last day, each next to the bare read of the days it needs
    // (its history before the day, as MarketBars reads it), alternated in the same run.
    {
        const struct {
            const char* what;
            const char* text;
        } techScreens[] = {
            {"MACD cross", "macd[1] <= macdSignal[1] and macd > macdSignal"},
            {"ADX", "adx > 25 and pdi > mdi"},
            {"SAR", "close > sar and close[1] <= sar[1]"},
            {"一目 above the cloud", "close > span1[25] and close > span2[25] and tenkan > kijun"},
            {"all four", "macd > macdSignal and adx > 20 and close > sar and close > span1[25] and close > span2[25]"},
        };
        // SCAN_BENCH_SCREEN=TEXT: only the screens whose label contains TEXT.
        const char* only = std::getenv("SCAN_BENCH_SCREEN");
        for (const auto& ts : techScreens) {
            if (only && !std::strstr(ts.what, only))
                continue;
            auto screen = scan::Screen::parse(ts.text);
            must(screen.status());
            scan::TechnicalHistory h = scan::technicalHistory(screen->technicalFamilies(), options.technical);
            const int need = std::max(chart::kMaxBars, h.bars + screen->technicalBack());
            const Date techLow = days[days.size() - static_cast<size_t>(std::min(need, dayCount))];
            std::vector<double> t1, t2, c1, c2;
            size_t matches = 0;
            long long rows = 0;
            for (int i = 0; i < 7; ++i) {
                auto t = Clock::now();
                double cpu = cpuNow();
                auto got = scan::runScreen(**db, options, *screen, day);
                must(got.status());
                t1.push_back(since(t));
                c1.push_back(cpuNow() - cpu);
                matches = got->size();
                t = Clock::now();
                cpu = cpuNow();
                rows = bareRead(**db, techLow, day);
                t2.push_back(since(t));
                c2.push_back(cpuNow() - cpu);
            }
            const double a = median(t1), b = median(t2);
            const double ca = median(c1), cb = median(c2);
            std::printf("screen %s: warm %.3f s (target 0.5 s); bare read of its %d days (%lld rows) %.3f s; "
                        "screen / bare %.2f (target <= 2); CPU %.3f s vs %.3f s (%.2f); %zu matches\n",
                        ts.what, a, need, rows, b, a / b, ca, cb, ca / cb, matches);
        }
    }

    if (dayCount >= 3 * 245 + 200 && !technicalOnly) {
        auto screen = scan::Screen::parse("close > ma2 and ma1[1] <= ma2[1] and ma1 > ma2");
        const Date from = days[days.size() - 3 * 245 - 20], to = days[days.size() - 21];
        auto t = Clock::now();
        const double cpu = cpuNow();
        auto held = scan::runHeld(**db, options, *screen, from, to, 20);
        must(held.status());
        ::getrusage(RUSAGE_SELF, &ru);
        std::printf("three years held 20 days: %.1f s (target 60 s; CPU %.1f s), %d days, %d matches, mean %+.2f%%; "
                    "peak %.1f MB\n",
                    since(t), cpuNow() - cpu, held->days, held->matches, held->mean,
                    static_cast<double>(ru.ru_maxrss) / 1024);
    }

    // A screen of monthly bars as of the last day: each issue's months put together from the daily bars
    // of 111 months, read for the whole market at once.
    if (!technicalOnly) {
        auto screen = scan::Screen::parse("close > ma1 and ma1 > ma2");
        must(screen.status());
        scan::ScanOptions monthly = options;
        monthly.mode = chart::BarMode::Monthly;
        ::getrusage(RUSAGE_SELF, &ru);
        const double before = static_cast<double>(ru.ru_maxrss) / 1024;
        auto t = Clock::now();
        const double cpu = cpuNow();
        auto got = scan::runScreen(**db, monthly, *screen, day);
        must(got.status());
        ::getrusage(RUSAGE_SELF, &ru);
        std::printf("monthly screen: %.3f s (CPU %.3f s), %zu matches; peak %.1f MB (%.1f MB before it)\n", since(t),
                    cpuNow() - cpu, got->size(), static_cast<double>(ru.ru_maxrss) / 1024, before);
    }
    return 0;
}
