// Company disclosures at scale: ten years of them for 4,000 issues (four a year, about 160,000 rows) stored
// in a fresh Kestrel.mdb, its size on disk, and the figures of one issue as of a day, warm (limit 1 ms).
// Run: build/bench/fins_bench [ISSUES]
#include "core/db/Schema.h"
#include "core/fins/FinsFigures.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace kestrel;
using F = fins::DisclosureField;

int main(int argc, char** argv) {
    const int issues = argc > 1 ? std::atoi(argv[1]) : 4000;
    const std::string folder = std::filesystem::temp_directory_path() / "fins_bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/Kestrel.mdb";
    if (Status st = db::CreateDatabaseFile(path); !st) {
        std::fprintf(stderr, "%s\n", st.message().c_str());
        return 1;
    }
    auto db = db::openKestrelDatabase(path);
    if (!db)
        return 1;
    auto t0 = std::chrono::steady_clock::now();
    const char* types[] = {"1QFinancialStatements_Consolidated_JP", "2QFinancialStatements_Consolidated_JP",
                           "3QFinancialStatements_Consolidated_JP", "FYFinancialStatements_Consolidated_JP"};
    const char* pers[] = {"1Q", "2Q", "3Q", "FY"};
    long long rows = 0;
    for (int year = 2015; year < 2025; ++year) {
        for (int q = 0; q < 4; ++q) {
            std::vector<fins::Disclosure> day; // one day of every issue, stored in one transaction
            // A quarter closes every three months from June; its results come about 40 days later.
            Date disclosed = Date::fromYmd(year + 1, 3, 31)->addDays(-273 + 91 * q + 40);
            for (int c = 1; c <= issues; ++c) {
                fins::Disclosure d;
                char no[32];
                std::snprintf(no, sizeof no, "%d%02d%05d", year, q, c);
                d.discNo = no;
                d.code = 1000 + c;
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
                for (F f : {F::EPS, F::BPS, F::EqAR, F::ShOutFY, F::TrShFY, F::DivAnn, F::ROE})
                    d[f] = fins::figureOf(std::to_string(100 + c % 50) + ".25");
                static const F next[] = {F::NxFSales, F::NxFOP, F::NxFOdP, F::NxFNp, F::NxFEPS, F::NxFDivAnn};
                static const F current[] = {F::FSales, F::FOP, F::FOdP, F::FNP, F::FEPS, F::FDivAnn};
                for (F f : q == 3 ? next : current)
                    d[f] = fins::figureOf(std::to_string(98765432100LL + c));
                day.push_back(std::move(d));
            }
            auto n = fins::storeDisclosures(**db, day, "2025-01-01 00:00:00");
            if (!n) {
                std::fprintf(stderr, "%s\n", n.message().c_str());
                return 1;
            }
            rows += *n;
        }
    }
    double storeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    (void)(*db)->exec("PRAGMA wal_checkpoint(TRUNCATE)");
    double mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::printf("stored %lld disclosures in %.1f s: %.1f MB (limit 150 MB)\n", rows, storeSeconds, mb);

    Date d = *Date::fromYmd(2024, 6, 3);
    auto warm = fins::figuresOfIssue(**db, 1000 + issues / 2, d);
    if (!warm)
        return 1;
    const int runs = 2000;
    auto t1 = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        (void)fins::figuresOfIssue(**db, 1000 + issues / 2, d);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t1).count() / runs;
    std::printf("figures of one issue as of %s, warm: %.3f ms (limit 1 ms)\n", d.toIso().c_str(), ms);
    t1 = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        (void)fins::figuresOfIssue(**db, 1001 + i % issues, d);
    ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t1).count() / runs;
    std::printf("figures of %d different issues in turn: %.3f ms each\n", runs, ms);
    db->reset();
    std::filesystem::remove_all(folder);
    return 0;
}
