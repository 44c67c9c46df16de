// Company disclosures at scale: ten years of them for 4,000 issues (four a year, about 160,000 rows) stored
// in a fresh Kestrel.mdb, its size on disk, the figures of one issue as of a day, warm (limit 1 ms), and a
// market screen naming fper, pbr and yield as of a day: the company figures of every issue alone and the
// whole screen over half a year of bars (limit 0.3 s warm; the cost of the bars alone on the 25-year
// market is scan_bench's). Run: build/bench/fins_bench [ISSUES]
//
// FINS_BENCH_DB=FILE: the screen on a copy of scan_bench's 25-year market instead (a file the bench may
// write into: ten years of disclosures up to its last day are added to its issues once, when it holds
// none), as of its last day, five and ten years back, next to the bare read of what the screen needs
// (the disclosures before the day and the bars of the day).
#include "BenchMarket.h"
#include "core/db/Schema.h"
#include "core/fins/FinsFigures.h"
#include "core/scan/ScreenRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

using namespace kestrel;
using F = fins::DisclosureField;
using Clock = std::chrono::steady_clock;
using bench::must;

namespace {

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// CPU time of the process in ms: on a machine shared with other work, steadier than the wall clock.
double cpuMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int codeOf(int issue) {
    return 1300 + 2 * issue; // as bench::fillDailyBars numbers them
}

} // namespace

// Ten fiscal years of disclosures from the year closing in March firstYear + 1 for the issues: four a
// year (three quarters and the year's results about 40 days after each quarter closes), each day of
// every issue stored in one transaction. The number of rows stored.
long long addDisclosures(db::Database& db, const std::vector<int>& codes, int firstYear) {
    const char* types[] = {"1QFinancialStatements_Consolidated_JP", "2QFinancialStatements_Consolidated_JP",
                           "3QFinancialStatements_Consolidated_JP", "FYFinancialStatements_Consolidated_JP"};
    const char* pers[] = {"1Q", "2Q", "3Q", "FY"};
    long long rows = 0;
    for (int year = firstYear; year < firstYear + 10; ++year) {
        for (int q = 0; q < 4; ++q) {
            std::vector<fins::Disclosure> day; // one day of every issue, stored in one transaction
            // A quarter closes every three months from June; its results come about 40 days later.
            Date disclosed = Date::fromYmd(year + 1, 3, 31)->addDays(-273 + 91 * q + 40);
            for (size_t i = 0; i < codes.size(); ++i) {
                const int c = static_cast<int>(i);
                fins::Disclosure d;
                char no[32];
                std::snprintf(no, sizeof no, "%d%02d%05d", year, q, c);
                d.discNo = no;
                d.code = codes[i];
                d.code5 = std::to_string(d.code) + "0";
                d.discDate = disclosed;
                d.discTime = "15:00:00";
                d.docType = types[q];
                d.perType = pers[q];
                d.curFYEn = *Date::fromYmd(year + 1, 3, 31);
                d.nxtFYEn = *Date::fromYmd(year + 2, 3, 31);
                d.curPerEn = d.curFYEn->addDays(-273 + 91 * q);
                for (F f : {F::Sales, F::OP, F::OdP, F::NP, F::TA, F::Eq, F::CFO, F::CFI, F::CFF, F::CashEq, F::AvgSh})
                    d[f] = fins::figureOf(std::to_string(12345678901LL + c * 1000LL + year));
                for (F f : {F::EPS, F::BPS, F::DivAnn})
                    d[f] = fins::figureOf(std::to_string(100 + c % 50) + ".25");
                d[F::EqAR] = fins::figureOf("0.4" + std::to_string(c % 10));
                d[F::ROE] = fins::figureOf("0.0" + std::to_string(c % 10));
                d[F::ShOutFY] = fins::figureOf(std::to_string(10000000 + c * 1000LL));
                d[F::TrShFY] = fins::figureOf(std::to_string(10000 + c));
                static const F next[] = {F::NxFSales, F::NxFOP, F::NxFOdP, F::NxFNp, F::NxFEPS, F::NxFDivAnn};
                static const F current[] = {F::FSales, F::FOP, F::FOdP, F::FNP, F::FEPS, F::FDivAnn};
                for (F f : q == 3 ? next : current)
                    d[f] = fins::figureOf(std::to_string(98765432100LL + c));
                d[q == 3 ? F::NxFEPS : F::FEPS] = fins::figureOf(std::to_string(20 + c % 90) + ".5");
                d[q == 3 ? F::NxFDivAnn : F::FDivAnn] = fins::figureOf(std::to_string(c % 60));
                day.push_back(std::move(d));
            }
            auto n = fins::storeDisclosures(db, day, "2025-01-01 00:00:00");
            must(n.status());
            rows += *n;
        }
    }
    return rows;
}

// What fper, pbr and yield read of the disclosures.
fins::FieldSet screenReads() {
    fins::FieldSet reads;
    for (F f : {F::FEPS, F::NxFEPS, F::BPS, F::FDivAnn, F::NxFDivAnn})
        reads.set(static_cast<size_t>(f));
    return reads;
}

// The bare read of what the screen needs as of d: the disclosures before d (the fields it reads) and the
// close of every bar of d. The time in ms, wall and CPU.
std::pair<double, double> bareRead(db::Database& db, Date d) {
    const auto t = Clock::now();
    const double c = cpuMs();
    size_t seen = 0;
    must(fins::forEachIssueDisclosures(db, d, screenReads(),
                                       [&](int, std::span<const fins::Disclosure> r) { seen += r.size(); }));
    auto st = db.prepare("SELECT コード, 終値 FROM daydata WHERE 日付=?1");
    must(st.status());
    st->bind(1, d);
    long long sum = 0;
    must(st->forEachRow([&] { sum += st->int64(0) + st->int64(1); }));
    if (seen == 0 && sum == 42)
        std::printf("nothing read\n");
    return {msSince(t), cpuMs() - c};
}

// The screen on FILE, a copy of scan_bench's market, as of its last day, five and ten years back.
int marketScreens(const std::string& path) {
    auto db = db::openKestrelDatabase(path);
    must(db.status());
    long long stored = 0;
    {
        auto counted = (*db)->prepare("SELECT count(*) FROM Kessan");
        must(counted.status());
        must(counted->forEachRow([&] { stored = counted->int64(0); }));
    }
    auto last = scan::screenDay(**db, chart::BarMode::Daily, std::nullopt);
    must(last.status());
    if (!*last) {
        std::fprintf(stderr, "%s holds no bars\n", path.c_str());
        return 1;
    }
    if (stored == 0) {
        std::vector<int> codes;
        auto st = (*db)->prepare("SELECT コード FROM Mei ORDER BY コード");
        must(st.status());
        must(st->forEachRow([&] { codes.push_back(st->int32(0)); }));
        const auto t0 = Clock::now();
        const long long rows = addDisclosures(**db, codes, (*last)->year() - 10);
        must((*db)->exec("PRAGMA wal_checkpoint(TRUNCATE)"));
        std::printf("added %lld disclosures of %zu issues in %.1f s\n", rows, codes.size(),
                    std::chrono::duration<double>(Clock::now() - t0).count());
    }
    auto screen = scan::Screen::parse("fper < 15 and pbr < 1.5 and yield > 1");
    must(screen.status());
    scan::ScanOptions options;
    for (int yearsBack : {0, 5, 10}) {
        auto day = scan::screenDay(**db, chart::BarMode::Daily, (*last)->addDays(-365 * yearsBack - yearsBack / 4));
        must(day.status());
        if (!*day)
            continue;
        const Date d = **day;
        std::vector<double> wall, cpu, bareWall, bareCpu, barsWall, finsWall, matchWall;
        size_t matches = 0;
        must(scan::runScreen(**db, options, *screen, d).status()); // the first run reads the pages
        for (int i = 0; i < 7; ++i) {
            const auto t = Clock::now();
            const double c = cpuMs();
            auto found = scan::runScreen(**db, options, *screen, d);
            must(found.status());
            wall.push_back(msSince(t));
            cpu.push_back(cpuMs() - c);
            matches = found->size();
            const auto [bw, bc] = bareRead(**db, d);
            bareWall.push_back(bw);
            bareCpu.push_back(bc);
            // Its parts: the day's bar and the one before of every issue, the company figures, and the
            // matches' whole charts (110 bars each).
            auto t1 = Clock::now();
            auto market = scan::MarketBars::read(**db, options, d, d, 0, {}, scan::ReadScope{2});
            must(market.status());
            barsWall.push_back(msSince(t1));
            t1 = Clock::now();
            must(scan::marketFins(**db, *market, d, screen->finsNamed()).status());
            finsWall.push_back(msSince(t1));
            std::vector<std::int32_t> codes;
            for (const scan::ScreenMatch& m : *found)
                codes.push_back(m.code);
            t1 = Clock::now();
            must(scan::MarketBars::read(**db, options, d, d, 0, {}, scan::ReadScope{chart::kMaxBars, &codes}).status());
            matchWall.push_back(msSince(t1));
        }
        std::printf("screen as of %s: %zu matches, warm %.0f ms (CPU %.0f ms; limit 300 ms); bare read of the "
                    "disclosures and the day's bars %.0f ms (CPU %.0f ms)\n",
                    d.toIso().c_str(), matches, median(wall), median(cpu), median(bareWall), median(bareCpu));
        std::printf("  its parts: the day's bars %.0f ms, the company figures %.0f ms, the matches' whole charts' bars "
                    "%.0f ms\n",
                    median(barsWall), median(finsWall), median(matchWall));
    }
    return 0;
}

int main(int argc, char** argv) {
    if (const char* market = std::getenv("FINS_BENCH_DB"))
        return marketScreens(market);
    const int issues = argc > 1 ? std::atoi(argv[1]) : 4000;
    const std::string folder = std::filesystem::temp_directory_path() / "fins_bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/Kestrel.mdb";
    must(db::CreateDatabaseFile(path));
    auto db = db::openKestrelDatabase(path);
    must(db.status());
    std::vector<int> codes;
    for (int c = 0; c < issues; ++c)
        codes.push_back(codeOf(c));
    auto t0 = Clock::now();
    const long long rows = addDisclosures(**db, codes, 2015);
    const double storeSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    must((*db)->exec("PRAGMA wal_checkpoint(TRUNCATE)"));
    const double mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::printf("stored %lld disclosures in %.1f s: %.1f MB (limit 150 MB)\n", rows, storeSeconds, mb);

    // Half a year of bars for every issue, up to the day of the figures.
    const std::vector<Date> days = bench::weekdays(*Date::fromYmd(2023, 12, 1), 130);
    bench::fillDailyBars(**db, issues, days, 1);
    const Date d = days.back();

    const int one = codeOf(issues / 2);
    must(fins::figuresOfIssue(**db, one, d).status());
    const int runs = 2000;
    auto t1 = Clock::now();
    double c1 = cpuMs();
    for (int i = 0; i < runs; ++i)
        must(fins::figuresOfIssue(**db, one, d).status());
    std::printf("figures of one issue as of %s, warm: %.3f ms (CPU %.3f ms; limit 1 ms)\n", d.toIso().c_str(),
                msSince(t1) / runs, (cpuMs() - c1) / runs);
    t1 = Clock::now();
    c1 = cpuMs();
    for (int i = 0; i < runs; ++i)
        must(fins::figuresOfIssue(**db, codeOf(i % issues), d).status());
    std::printf("figures of %d different issues in turn: %.3f ms each (CPU %.3f ms)\n", runs, msSince(t1) / runs,
                (cpuMs() - c1) / runs);

    // The market screen: the figures of every issue, then the whole run.
    auto screen = scan::Screen::parse("fper < 15 and pbr < 1.5 and yield > 1");
    must(screen.status());
    scan::ScanOptions options;
    auto market = scan::MarketBars::read(**db, options, d, d);
    must(market.status());
    std::vector<double> finsMs, finsCpu, screenMs, screenCpu;
    size_t withFigures = 0, matches = 0;
    for (int i = 0; i < 5; ++i) {
        t1 = Clock::now();
        c1 = cpuMs();
        auto figures = scan::marketFins(**db, *market, d, screen->finsNamed());
        must(figures.status());
        finsMs.push_back(msSince(t1));
        finsCpu.push_back(cpuMs() - c1);
        withFigures = figures->size();
        t1 = Clock::now();
        c1 = cpuMs();
        auto found = scan::runScreen(**db, options, *screen, d);
        must(found.status());
        screenMs.push_back(msSince(t1));
        screenCpu.push_back(cpuMs() - c1);
        matches = found->size();
    }
    const fins::FieldSet reads = screenReads();
    std::vector<double> readMs;
    for (int i = 0; i < 5; ++i) {
        t1 = Clock::now();
        size_t seen = 0;
        must(fins::forEachIssueDisclosures(**db, d, reads,
                                           [&](int, std::span<const fins::Disclosure> r) { seen += r.size(); }));
        readMs.push_back(msSince(t1));
        if (seen == 0)
            std::printf("no disclosures read\n");
    }
    std::printf("reading the disclosures those figures need, warm: %.0f ms\n", median(readMs));
    std::printf("company figures (fper, pbr, yield) of %zu issues as of %s, warm: %.0f ms (CPU %.0f ms; the first "
                "run, that reads the table: %.0f ms)\n",
                withFigures, d.toIso().c_str(), median(finsMs), median(finsCpu), finsMs.front());
    std::printf("screen \"%s\" on %d issues: %zu matches, warm: %.0f ms (CPU %.0f ms; limit 300 ms)\n",
                screen->text().c_str(), issues, matches, median(screenMs), median(screenCpu));
    db->reset();
    if (!std::getenv("FINS_BENCH_KEEP")) // set: the database stays for a look
        std::filesystem::remove_all(folder);
    return 0;
}
