// Import speed: a year of daily files for 4,000 issues into an empty database (against the raw insert
// rate of the same rows with the same commit grouping), weekly bars and change recomputation for that
// year, peak memory and database size per million rows; each step runs three times (--rounds N) and
// the best is reported. With --ten-year, one more day added to a database of ten years (built once and
// cached in the build folder).
#include "DataGenerator.h"
#include "core/app/Files.h"
#include "core/db/BarTable.h"
#include "core/db/LatestDate.h"
#include "core/db/Schema.h"
#include "core/import/DailyImport.h"
#include "core/import/Recompute.h"
#include "core/import/WeeklyBars.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace kestrel;
namespace fs = std::filesystem;

namespace {

// A step of the set-up that fails leaves no figure worth printing.
void must(const kestrel::Status& st) {
    if (!st) {
        std::fprintf(stderr, "bench: %s\n", st.message().c_str());
        std::exit(1);
    }
}

// CPU seconds of this process so far (user + system): less disturbed than wall time on a busy machine.
double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double peakMiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024.0;
}

struct Timing {
    double wall = 0, cpu = 0;
};

Timing best(const Timing& a, const Timing& b) {
    return a.wall == 0 || b.wall < a.wall ? b : a;
}

Timing timed(const std::function<void()>& job) {
    auto t0 = std::chrono::steady_clock::now();
    double cpu0 = cpuSeconds();
    job();
    return {seconds(t0), cpuSeconds() - cpu0};
}

void die(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(1);
}

std::unique_ptr<db::Database> freshDatabase(const std::string& path) {
    fs::remove(path);
    fs::remove(path + "-wal");
    fs::remove(path + "-shm");
    if (Status st = db::CreateDatabaseFile(path); !st)
        die(st.message());
    auto db = db::openKestrelDatabase(path);
    if (!db)
        die(db.message());
    return std::move(*db);
}

long long fileSize(const std::string& path) {
    std::error_code ec;
    long long total = 0;
    for (const char* suffix : {"", "-wal"})
        total += static_cast<long long>(fs::file_size(path + suffix, ec)) * !ec;
    return total;
}

struct Row {
    std::int32_t code, date, o, h, l, c, change, reference;
    double volume;
};

// Inserts the rows of db's dayData into a fresh database with the import's grouping: whole days until
// a group holds rowsPerCommit rows, each group stored in (コード, 日付) order and committed.
Timing rawInsert(db::Database& from, const std::string& path, long long rowsPerCommit) {
    std::vector<Row> rows;
    auto st = from.prepare(
        "SELECT コード, 日付, 始値, 高値, 安値, 終値, 前日比, 基準前日比, 出来高 FROM dayData ORDER BY 日付, "
        "コード");
    while (*st->step())
        rows.push_back({st->int32(0), st->int32(1), st->int32(2), st->int32(3), st->int32(4), st->int32(5),
                        st->int32(6), st->int32(7), st->real(8)});
    auto to = freshDatabase(path);
    must(to->exec("PRAGMA cache_size = -65536; PRAGMA wal_autocheckpoint = 16384"));
    auto t0 = std::chrono::steady_clock::now();
    double cpu0 = cpuSeconds();
    auto ins = to->prepare(
        "INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 基準前日比) VALUES (?, ?, "
        "?, ?, ?, ?, ?, ?, ?)");
    for (size_t begin = 0; begin < rows.size();) {
        size_t end = std::min(rows.size(), begin + static_cast<size_t>(rowsPerCommit));
        while (end < rows.size() && rows[end].date == rows[end - 1].date)
            ++end;
        std::stable_sort(rows.begin() + static_cast<std::ptrdiff_t>(begin),
                         rows.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const Row& a, const Row& b) { return a.code < b.code; });
        must(to->exec("BEGIN IMMEDIATE"));
        for (size_t i = begin; i < end; ++i) {
            const Row& r = rows[i];
            ins->bindAll(r.code, r.date, r.o, r.h, r.l, r.c, r.change, Currency::fromDouble(r.volume), r.reference);
            if (Status s = ins->run(); !s)
                die(s.message());
        }
        must(to->exec("COMMIT"));
        begin = end;
    }
    return {seconds(t0), cpuSeconds() - cpu0};
}

// Ten years of 4,000 issues written straight into dayData, cached next to the benchmark.
std::string tenYearDatabase(const std::string& cacheDir) {
    std::string path = cacheDir + "/ten-year.mdb";
    if (fileExists(path))
        return path;
    std::printf("building the ten-year database (once; cached in %s)...\n", cacheDir.c_str());
    std::fflush(stdout);
    auto db = freshDatabase(path + ".tmp");
    auto ins = db->prepare(
        "INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 基準前日比) VALUES (?, ?, "
        "?, ?, ?, ?, 0, ?, ?)");
    auto t0 = std::chrono::steady_clock::now();
    Date d = *Date::fromYmd(2016, 1, 4);
    long long n = 0;
    must(db->exec("BEGIN IMMEDIATE"));
    for (int days = 0; days < 2500; d = d.addDays(1)) {
        if (d.isWeekend())
            continue;
        ++days;
        for (int i = 0; i < 4000; ++i) {
            int code = 1301 + i * 2;
            int price = 500 + (code * 7 + days * 13) % 3000;
            ins->bindAll(code, d, price, price + 5, price - 5, price, Currency::fromWhole(1000 + i), price);
            if (Status s = ins->run(); !s)
                die(s.message());
            ++n;
        }
        if (days % 50 == 0) {
            must(db->exec("COMMIT"));
            must(db->exec("BEGIN IMMEDIATE"));
        }
    }
    must(db->exec("COMMIT"));
    must(db->exec("PRAGMA wal_checkpoint(TRUNCATE)"));
    db.reset();
    fs::rename(path + ".tmp", path);
    std::printf("  %lld rows in %.1f s\n", n, seconds(t0));
    return path;
}

void addOneDay(const std::string& cacheDir, const std::string& work) {
    std::string cached = tenYearDatabase(cacheDir);
    std::string path = work + "/ten.mdb";
    fs::copy_file(cached, path, fs::copy_options::overwrite_existing);
    auto db = db::openKestrelDatabase(path);
    if (!db)
        die(db.message());
    auto last = db::latestStoredDate(**db, db::barTableName(db::BarTable::Daily));
    if (!last || !*last)
        die(last ? "the ten-year database has no daily bars" : last.message());
    Date next = (*last)->addDays(1);
    while (next.isWeekend())
        next = next.addDays(1);
    std::string folder = work + "/one";
    fs::create_directories(folder);
    gen::GenOptions o;
    o.issues = 3998;
    o.from = o.to = next;
    o.dailyFolder = folder;
    o.holidays = false;
    o.listingRate = o.delistingRate = 0;
    auto sum = gen::generateData(o);
    if (!sum)
        die(sum.message());
    // Warm the cache as a running program would have it, then time the import of the day.
    (void)(*db)->queryInt("SELECT count(*) FROM Mei"); // a warm-up read: only its time matters
    import::DailyImportOptions options;
    options.dailyFolder = folder;
    auto t0 = std::chrono::steady_clock::now();
    double cpu0 = cpuSeconds();
    auto r = import::ImportDailyFiles(**db, next, next, options);
    double t = seconds(t0), cpu = cpuSeconds() - cpu0;
    if (!r.status)
        die(r.status.message());
    std::printf("one day (%lld rows) added to a ten-year database: %.3f s (%.3f s CPU) (limit 0.3 s)\n", r.rowsStored,
                t, cpu);
}

} // namespace

int main(int argc, char** argv) {
    bool tenYear = false, keep = false, importOnly = false;
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        if (std::string(argv[i]) == "--ten-year")
            tenYear = true;
        if (std::string(argv[i]) == "--keep") // leave the work folder for a look with sqlite3
            keep = true;
        if (std::string(argv[i]) == "--import-only") // for a profile of the import alone
            importOnly = true;
    }
    std::string cacheDir = std::string(KESTREL_BENCH_CACHE);
    fs::create_directories(cacheDir);
    std::string work = cacheDir + "/work";
    fs::remove_all(work);
    fs::create_directories(work + "/files");

    gen::GenOptions o;
    o.seed = 42;
    o.issues = 3998; // with the two indices, 4,000 issues a day
    o.from = *Date::fromYmd(2025, 1, 6);
    o.to = *Date::fromYmd(2026, 1, 2);
    o.dailyFolder = work + "/files";
    o.listingRate = o.delistingRate = 0;
    auto t0 = std::chrono::steady_clock::now();
    auto sum = gen::generateData(o);
    if (!sum)
        die(sum.message());
    std::printf("generated %d daily files, %lld records in %.1f s\n", sum->dailyFiles, sum->records, seconds(t0));

    // The machine's speed drifts from minute to minute: every step runs `rounds` times, the import and
    // the raw insert alternately, and the best time of each is compared (with the ratio of each pair).
    const long long rowsPerCommit = import::DailyImportOptions().rowsPerCommit;
    std::string path = work + "/year.mdb";
    import::DailyImportOptions options;
    options.dailyFolder = o.dailyFolder;
    std::unique_ptr<db::Database> db;
    Timing bestImport, bestRaw;
    long long stored = 0;
    std::vector<double> pairRatios;
    for (int round = 0; round < rounds; ++round) {
        db.reset();
        db = freshDatabase(path);
        import::DailyImportResult r;
        Timing t = timed([&] { r = import::ImportDailyFiles(*db, o.from, o.to, options); });
        if (!r.status)
            die(r.status.message());
        stored = r.rowsStored;
        std::printf("import of one year: %lld rows from %d files in %.2f s (%.2f s CPU)\n", r.rowsStored, r.filesRead,
                    t.wall, t.cpu);
        bestImport = best(bestImport, t);
        if (round == 0)
            std::printf("peak memory after the first import: %.1f MiB (limit 150 MB)\n", peakMiB());
        if (importOnly)
            continue;
        Timing raw = rawInsert(*db, work + "/raw.mdb", rowsPerCommit);
        std::printf("raw insert of the same rows, same grouping: %.2f s (%.2f s CPU)\n", raw.wall, raw.cpu);
        bestRaw = best(bestRaw, raw);
        pairRatios.push_back(t.wall / raw.wall);
    }
    std::printf("import of one year, best of %d: %.2f s = %.0f rows/s (limit 8 s)\n", rounds, bestImport.wall,
                static_cast<double>(stored) / bestImport.wall);
    if (importOnly)
        return 0;
    std::sort(pairRatios.begin(), pairRatios.end());
    std::printf("raw insert, best of %d: %.2f s = %.0f rows/s; import is %.2fx slower (median of the pairs %.2fx) "
                "(limit 1.5x)\n",
                rounds, bestRaw.wall, static_cast<double>(stored) / bestRaw.wall, bestImport.wall / bestRaw.wall,
                pairRatios[pairRatios.size() / 2]);

    must(db->exec("PRAGMA wal_checkpoint(TRUNCATE)"));
    double mbPerMillion = static_cast<double>(fileSize(path)) / 1048576.0 / (static_cast<double>(stored) / 1e6);
    std::printf("database size: %.1f MiB per million daily rows (limit 60 MB)\n", mbPerMillion);

    auto report = [&](const char* what, const std::function<void()>& prepare, const std::function<Status()>& job) {
        Timing b;
        for (int round = 0; round < rounds; ++round) {
            prepare();
            Status st;
            b = best(b, timed([&] { st = job(); }));
            if (!st)
                die(st.message());
        }
        std::printf("%s, best of %d: %.2f s (%.2f s CPU) (limit %s)\n", what, rounds, b.wall, b.cpu,
                    std::strstr(what, "weekly") ? "1 s" : "3 s");
    };
    report(
        "weekly bars of one year for 4,000 issues", [] {},
        [&] { return import::BuildWeeklyBars(*db, PrevMonday(o.from), NextFriday(o.to)); });
    auto recompute = [&] { return import::recomputeChanges(*db, db::BarTable::Daily, o.from); };
    report(
        "recomputation of one year of daily changes, nothing to change", [] {}, recompute);
    report(
        "recomputation of one year of daily changes, every change rewritten",
        [&] { must(db->exec("UPDATE dayData SET 前日比 = 前日比 + 1")); }, recompute);
    report(
        "recomputation of one year of daily changes, changes and references rewritten",
        [&] { must(db->exec("UPDATE dayData SET 前日比 = 前日比 + 1, 基準前日比 = 基準前日比 + 1")); }, recompute);
    db.reset();

    if (tenYear)
        addOneDay(cacheDir, work);
    else
        std::printf("(run with --ten-year to time one day added to a ten-year database)\n");

    std::printf("peak memory of the whole benchmark (two databases open in the raw insert): %.1f MiB\n", peakMiB());
    if (!keep)
        fs::remove_all(work);
    return 0;
}
