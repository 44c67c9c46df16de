// Chart benchmark: LoadChartData with every indicator for one issue out of 25 million daily rows, with
// a warm and with a cold page cache, for an issue with three confirmed split events in the window
// against one without, and drawing one chart onto an offscreen image.
// The database is built once (4000 issues x 6250 trading days, 25 years, of synthetic bars) and cached
// under the build folder. Prints medians and 90th percentiles in milliseconds. "Cold" runs flush the file's pages
// from the page cache (fdatasync, then posix_fadvise DONTNEED on the file, -wal and -shm) and open a
// new connection before each load; the time of the open is shown separately. The chart with every
// overlay of the technical set and the MACD panel at the default 110 bars: its values loaded (limit 1 ms)
// and drawn (limit 5 ms).
// Run: build/bench/chart_bench; CHART_BENCH_TECHNICAL=1 CHART_BENCH_DB=build/bench-data/scan-real-4000x6250.mdb
// build/bench/chart_bench for the technical figures alone on the scan bench's market.
#include "BenchMarket.h"
#include "DataGenerator.h"
#include "core/chart/ChartData.h"
#include "core/chart/ChartTechnical.h"
#include "core/db/Schema.h"
#include "core/db/SplitTable.h"
#include "core/import/DailyImport.h"
#include "core/import/WeeklyBars.h"
#include "core/startup/AppContext.h"
#include "services/render/ChartPainter.h"

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace kestrel;
using Clock = std::chrono::steady_clock;
using bench::must;

namespace {

constexpr int kIssues = 4000;
constexpr int kDays = 6250;
// The issue with three confirmed split events within the last 110 bars, and one without.
constexpr int kSplitCode = 1300;
constexpr int kPlainCode = 1302;

class QuietPrompt : public Prompt {
public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notify(const std::string&, const std::string&) override {}
};

std::vector<Date> tradingDays() {
    return bench::weekdays(*Date::fromYmd(2000, 1, 3), kDays);
}

bool build(const std::string& path) {
    const std::string tmp = path + ".building";
    auto db = bench::newMarket(tmp);
    const std::vector<Date> days = tradingDays();
    const auto t0 = Clock::now();
    bench::fillDailyBars(*db, kIssues, days, 1000);
    must(db::addSplit(*db, kSplitCode, days[kDays - 20], 1, 2).status());
    must(db::addSplit(*db, kSplitCode, days[kDays - 50], 1, 3).status());
    must(db::addSplit(*db, kSplitCode, days[kDays - 80], 10, 1).status());
    std::printf("built %d rows in %.1f s\n", kIssues * kDays, std::chrono::duration<double>(Clock::now() - t0).count());
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

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %8.3f ms   p90 %8.3f ms   (%zu runs)\n", what, ms[ms.size() / 2], ms[ms.size() * 9 / 10],
                ms.size());
}

double since(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    std::string folder = std::string(KESTREL_BUILD_DIR) + "/bench-data";
    ::mkdir(folder.c_str(), 0755);
    // CHART_BENCH_DB=FILE: another market of 4000 issues x 6250 days (the scan bench's) instead of building
    // this one; CHART_BENCH_TECHNICAL=1: the chart with the technical set alone.
    const char* other = std::getenv("CHART_BENCH_DB");
    const bool technicalOnly = std::getenv("CHART_BENCH_TECHNICAL") != nullptr;
    std::string path = other ? other : folder + "/chart-25m-real.mdb";
    if (::access(path.c_str(), F_OK) != 0 && !build(path))
        return 1;

    AppContext ctx;
    ctx.settings.move1 = 5;
    ctx.settings.move2 = 25;
    ctx.settings.move3 = 75;
    ctx.settings.SaicoL = 12;
    ctx.settings.RSIVR = 14;
    ctx.settings.ITORSO = 2;
    QuietPrompt prompt;
    std::vector<Date> days = tradingDays();
    std::srand(7);
    auto pick = [&] {
        int code = 1300 + (std::rand() % kIssues) * 2;
        std::string date = days[static_cast<size_t>(200 + std::rand() % (kDays - 200))].toYYMMDD();
        return std::make_pair(code, date);
    };
    chart::ChartData data;
    data.latestDate = days.back();

    {
        // The technical set: the values of the 110 bars shown, computed over enough of the stored history
        // that they equal the whole history's, then the chart with every overlay and the MACD panel drawn.
        auto db = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
        if (!db)
            return 1;
        chart::TechnicalView view;
        view.overlays = {true, true, true, true, true, true};
        chart::ChartTechnical tech;
        std::vector<double> load, both;
        std::int32_t lastCode = 0;
        for (int i = 0; i < 500; ++i) {
            auto [code, date] = pick();
            auto t = Clock::now();
            must(chart::LoadChartData(**db, ctx, code, date, data, prompt));
            auto t1 = Clock::now();
            must(chart::loadChartTechnical(**db, code, false, true, data, view.settings, tech));
            load.push_back(since(t1));
            both.push_back(since(t));
            lastCode = code;
        }
        report("technical values of 110 bars, warm (target 1 ms)", load);
        report("chart load + technical values, warm", both);
        std::printf("(issue %d last; %d bars before the view read for the warm-up)\n", lastCode,
                    chart::warmupBars(view.settings));
        chart::ChartDisplay display;
        display.lowerPanelMode = chart::kLowerMacd;
        std::vector<double> prims, draw;
        for (int i = 0; i < 300; ++i) {
            auto t = Clock::now();
            chart::ChartPicture pic = chart::DrawChartWide(data, display, chart::futureWidth(view));
            std::vector<chart::Primitive> more = chart::drawTechnical(data, display, tech, view);
            prims.push_back(since(t));
            auto t1 = Clock::now();
            QImage image = services::renderChartImage(data, display, nullptr, &tech, &view);
            draw.push_back(since(t1));
        }
        report("technical primitives, all overlays + MACD", prims);
        report("draw with all overlays + MACD (target 5 ms)", draw);
    }
    if (technicalOnly)
        return 0;

    {
        auto db = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
        if (!db)
            return 1;
        std::vector<double> warm;
        for (int i = 0; i < 2000; ++i) {
            auto [code, date] = pick();
            auto t = Clock::now();
            must(chart::LoadChartData(**db, ctx, code, date, data, prompt));
            warm.push_back(since(t));
            if (data.barCount != 110)
                std::printf("unexpected bar count %d\n", data.barCount);
        }
        report("load + indicators, warm, open connection", warm);
    }
    {
        // The same window of one issue with three split events and of one without, alternating.
        auto db = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
        if (!db)
            return 1;
        std::string last = days.back().toYYMMDD();
        std::vector<double> split, plain;
        for (int i = 0; i < 4000; ++i) {
            int code = i % 2 ? kPlainCode : kSplitCode;
            auto t = Clock::now();
            must(chart::LoadChartData(**db, ctx, code, last, data, prompt));
            (i % 2 ? plain : split).push_back(since(t));
        }
        report("load + indicators, 3 split events, warm", split);
        report("load + indicators, no events, warm", plain);
        std::sort(split.begin(), split.end());
        std::sort(plain.begin(), plain.end());
        std::printf("split / no events (medians): %.2f\n", split[split.size() / 2] / plain[plain.size() / 2]);
        std::vector<double> cold;
        for (int i = 0; i < 40; ++i) {
            dropCache(path);
            auto c = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
            auto t = Clock::now();
            must(chart::LoadChartData(**c, ctx, kSplitCode, last, data, prompt));
            cold.push_back(since(t));
        }
        report("load + indicators, 3 split events, cold", cold);
    }
    {
        // Weekly: the two issues' weeks (built once into the database), the split issue's three event
        // weeks put together from their days at every load.
        {
            auto db = db::openKestrelDatabase(path);
            if (!db)
                return 1;
            auto have = (*db)->queryInt("SELECT count(*) FROM weekData WHERE コード = 1300");
            if (have && have->value_or(0) == 0)
                for (int code : {kSplitCode, kPlainCode})
                    must(import::buildIssueWeeklyBars(**db, code, days.front(), days.back().addDays(7)));
        }
        auto db = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
        if (!db)
            return 1;
        AppContext weeklyCtx = ctx;
        weeklyCtx.chartMode = 2;
        chart::ChartData weeks;
        weeks.latestDate = days.back();
        std::string last = days.back().addDays(7).toYYMMDD();
        std::vector<double> split, plain;
        for (int i = 0; i < 4000; ++i) {
            int code = i % 2 ? kPlainCode : kSplitCode;
            auto t = Clock::now();
            must(chart::LoadChartData(**db, weeklyCtx, code, last, weeks, prompt));
            (i % 2 ? plain : split).push_back(since(t));
        }
        report("weekly load + indicators, 3 events, warm", split);
        report("weekly load + indicators, no events, warm", plain);
        std::sort(split.begin(), split.end());
        std::sort(plain.begin(), plain.end());
        std::printf("weekly split / no events (medians): %.2f\n", split[split.size() / 2] / plain[plain.size() / 2]);
    }
    {
        std::vector<double> reopen;
        for (int i = 0; i < 500; ++i) {
            auto [code, date] = pick();
            auto t = Clock::now();
            auto db = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
            must(chart::LoadChartData(**db, ctx, code, date, data, prompt));
            reopen.push_back(since(t));
        }
        report("open + load + indicators, warm", reopen);
    }
    {
        std::vector<double> cold, coldOpen;
        for (int i = 0; i < 60; ++i) {
            auto [code, date] = pick();
            dropCache(path);
            auto t = Clock::now();
            auto db = db::openKestrelDatabase(path, db::OpenMode::ReadOnly);
            auto t1 = Clock::now();
            must(chart::LoadChartData(**db, ctx, code, date, data, prompt));
            cold.push_back(since(t1));
            coldOpen.push_back(since(t));
        }
        report("load + indicators, cold (after open)", cold);
        report("open + load + indicators, cold", coldOpen);
    }
    {
        chart::ChartDisplay display;
        display.curve = true;
        std::vector<double> draw;
        for (int i = 0; i < 300; ++i) {
            auto t = Clock::now();
            QImage image = services::renderChartImage(data, display);
            draw.push_back(since(t));
        }
        report("draw one chart onto an offscreen image", draw);
    }
    {
        // One daily file of about 4000 issues through the normal import into a copy of the database,
        // its pages warm as in a running program.
        namespace fs = std::filesystem;
        std::string copy = folder + "/daily-import.mdb", daily = folder + "/daily-import";
        fs::copy_file(path, copy, fs::copy_options::overwrite_existing);
        fs::create_directories(daily);
        Date next = days.back().addDays(1);
        while (next.isWeekend())
            next = next.addDays(1);
        gen::GenOptions o;
        o.issues = 3998;
        o.from = o.to = next;
        o.dailyFolder = daily;
        o.holidays = false;
        o.listingRate = o.delistingRate = 0;
        if (auto sum = gen::generateData(o); !sum)
            return 1;
        {
            auto db = db::openKestrelDatabase(copy);
            if (!db)
                return 1;
            (void)(*db)->queryInt("SELECT count(*) FROM Mei");
            import::DailyImportOptions options;
            options.dailyFolder = daily;
            auto t = Clock::now();
            auto r = import::ImportDailyFiles(**db, next, next, options);
            double ms = since(t);
            must(r.status);
            std::printf("one daily file (%lld rows) added to the database: %.3f s (target 0.15 s)\n", r.rowsStored,
                        ms / 1000);
        }
        fs::remove_all(daily);
        for (const char* side : {"", "-wal", "-shm"})
            fs::remove(copy + side);
    }
    return 0;
}
