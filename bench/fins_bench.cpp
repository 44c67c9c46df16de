// Company disclosures at scale: ten years of them for 4,000 issues (four a year, about 160,000 rows) stored
// in a fresh Kestrel.mdb, its size on disk, the figures of one issue as of a day, warm (limit 1 ms), and a
// market screen naming fper, pbr and yield as of a day: the company figures of every issue alone and the
// whole screen over half a year of bars (limit 0.3 s warm; the cost of the bars alone on the 25-year
// market is scan_bench's). Run: build/bench/fins_bench [ISSUES]
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

int main(int argc, char** argv) {
    const int issues = argc > 1 ? std::atoi(argv[1]) : 4000;
    const std::string folder = std::filesystem::temp_directory_path() / "fins_bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/Kestrel.mdb";
    must(db::CreateDatabaseFile(path));
    auto db = db::openKestrelDatabase(path);
    must(db.status());
    auto t0 = Clock::now();
    const char* types[] = {"1QFinancialStatements_Consolidated_JP", "2QFinancialStatements_Consolidated_JP",
                           "3QFinancialStatements_Consolidated_JP", "FYFinancialStatements_Consolidated_JP"};
    const char* pers[] = {"1Q", "2Q", "3Q", "FY"};
    long long rows = 0;
    for (int year = 2015; year < 2025; ++year) {
        for (int q = 0; q < 4; ++q) {
            std::vector<fins::Disclosure> day; // one day of every issue, stored in one transaction
            // A quarter closes every three months from June; its results come about 40 days later.
            Date disclosed = Date::fromYmd(year + 1, 3, 31)->addDays(-273 + 91 * q + 40);
            for (int c = 0; c < issues; ++c) {
                fins::Disclosure d;
                char no[32];
                std::snprintf(no, sizeof no, "%d%02d%05d", year, q, c);
                d.discNo = no;
                d.code = codeOf(c);
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
            auto n = fins::storeDisclosures(**db, day, "2025-01-01 00:00:00");
            must(n.status());
            rows += *n;
        }
    }
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
    fins::FieldSet reads; // what fper, pbr and yield read
    for (F f : {F::FEPS, F::NxFEPS, F::BPS, F::FDivAnn, F::NxFDivAnn})
        reads.set(static_cast<size_t>(f));
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
