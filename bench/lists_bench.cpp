// Stock-information lists computed from the prices: a year of daily and weekly lists (the last DAYS
// trading days, 17 kinds) on a generated market at real magnitudes (gen::writeRealMarket), stored as a
// run of 情報取込 stores them.
// Run: build/bench/lists_bench [ISSUES [DAYS]] (default 4000 issues, 245 days; the market holds 150 more
// trading days before them). The database is built once per size and cached under the build folder;
// each run works on a copy.
#include "BenchMarket.h"
#include "RealMarket.h"
#include "core/db/Schema.h"
#include "core/db/SplitTable.h"
#include "core/info/ComputedLists.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace kestrel;
using Clock = std::chrono::steady_clock;
using bench::must;

namespace {

bool build(const std::string& path, int issues, const std::vector<Date>& days) {
    const std::string tmp = path + ".building";
    auto opened = bench::newMarket(tmp);
    db::Database& db = *opened;
    const auto t0 = Clock::now();
    gen::RealMarketOptions o;
    o.issues = issues;
    o.firstCode = 1300;
    o.codeStep = 2;
    o.days = days;
    must(gen::writeRealMarket(db, o));
    for (int i = 0; i < 40 && i < issues; ++i)
        must(db::addSplit(db, 1300 + i * 2 * std::max(1, issues / 40),
                          days[days.size() - 1 - 3 * static_cast<size_t>(i)], 1, 2)
                 .status());
    std::printf("built %d issues x %zu days in %.1f s\n", issues, days.size(),
                std::chrono::duration<double>(Clock::now() - t0).count());
    return bench::finishMarket(std::move(opened), tmp, path);
}

} // namespace

int main(int argc, char** argv) {
    const int issues = argc > 1 ? std::atoi(argv[1]) : 4000;
    const int listDays = argc > 2 ? std::atoi(argv[2]) : 245;
    const std::vector<Date> days = bench::weekdays(*Date::fromYmd(2023, 1, 2), listDays + 150);
    const std::string cached = std::string(KESTREL_BUILD_DIR) + "/lists_bench_real_" + std::to_string(issues) + "_" +
                               std::to_string(days.size()) + ".mdb";
    if (!std::filesystem::exists(cached) && !build(cached, issues, days)) {
        std::fprintf(stderr, "bench: could not build %s\n", cached.c_str());
        return 1;
    }
    const std::string path = cached + ".run";
    std::filesystem::copy_file(cached, path, std::filesystem::copy_options::overwrite_existing);
    auto opened = db::openKestrelDatabase(path);
    if (!opened)
        must(opened.status());
    const Date first = days[days.size() - static_cast<size_t>(listDays)], last = days.back();
    const auto t0 = Clock::now();
    auto r = info::computeLists(**opened, first, last, true);
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    if (!r)
        must(r.status());
    auto rows = (*opened)->queryInt("SELECT count(*) FROM informationData");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (!r->failures.empty())
        std::printf("days not stored: %zu (first: %s)\n", r->failures.size(), r->failures.front().c_str());
    std::printf("lists of %s..%s: %d issues, %d daily days, %d weekly days, %lld rows\n", first.toIso().c_str(),
                last.toIso().c_str(), issues, r->dailyDays, r->weeklyDays, rows && *rows ? **rows : -1LL);
    std::printf("time %.2f s (target under 60 s for about 245 days x 17 kinds of 4000 issues); %.1f ms per day\n",
                seconds, seconds * 1000 / std::max(1, r->dailyDays + r->weeklyDays));
    std::printf("peak memory %.0f MB\n", static_cast<double>(usage.ru_maxrss) / 1024);
    opened->reset();
    std::filesystem::remove(path);
    return 0;
}
