// Stock-information lists computed from the prices: a year of daily and weekly lists (the last DAYS
// trading days, 17 kinds) on a generated market, stored as a run of 情報取込 stores them.
// Run: build/bench/lists_bench [ISSUES [DAYS]] (default 4000 issues, 245 days; the market holds 150 more
// trading days before them). The database is built once per size and cached under the build folder;
// each run works on a copy.
#include "BenchMarket.h"
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
    auto day = db.prepare("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
                          "(?,?,?,?,?,?,?,?)");
    auto week = db.prepare("INSERT INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 売残, 買残) "
                           "VALUES (?,?,?,?,?,?,?,?,?,?)");
    auto mei =
        db.prepare("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, 1, 'bench', 100, 1)");
    if (!day || !week || !mei)
        return false;
    bench::Xorshift rng;
    auto next = [&rng](long long m) { return rng.below(m); };
    const auto t0 = Clock::now();
    for (int issue = 0; issue < issues; ++issue) {
        if (issue % 200 == 0)
            must(db.exec(issue ? "COMMIT; BEGIN" : "BEGIN"));
        const int code = 1300 + issue * 2;
        mei->reset();
        mei->bind(1, code);
        must(mei->run());
        long long close = 200 + next(5000), reference = 0, weekRef = 0;
        long long wOpen = 0, wHigh = 0, wLow = 0, wVolume = 0, sell = 1000 + next(5000), buy = 1000 + next(5000);
        for (size_t i = 0; i < days.size(); ++i) {
            const Date d = days[i];
            const long long open = close;
            close = std::max(1LL, close + next(41) - 20);
            const long long high = std::max(open, close) + next(10);
            const long long low = std::max(1LL, std::min(open, close) - next(10));
            const long long volume = next(20) == 0 ? 0 : next(500) * (next(30) == 0 ? 8 : 1);
            day->reset();
            day->bindAll(code, d, open, high, low, close, reference ? close - reference : 0, volume);
            must(day->run());
            reference = close;
            wOpen = wOpen ? wOpen : open;
            wHigh = std::max(wHigh, high);
            wLow = wLow ? std::min(wLow, low) : low;
            wVolume += volume;
            if (d.weekday() == 6 || i + 1 == days.size()) {
                sell = std::max(0LL, sell + next(401) - 200);
                buy = std::max(0LL, buy + next(401) - 200);
                week->reset();
                week->bindAll(code, d, wOpen, wHigh, wLow, close, weekRef ? close - weekRef : 0, wVolume, sell, buy);
                must(week->run());
                weekRef = close;
                wOpen = wHigh = wLow = wVolume = 0;
            }
        }
    }
    must(db.exec("COMMIT"));
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
    const std::string cached = std::string(KESTREL_BUILD_DIR) + "/lists_bench_" + std::to_string(issues) + "_" +
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
    std::printf("lists of %s..%s: %d issues, %d daily days, %d weekly days, %lld rows\n", first.toIso().c_str(),
                last.toIso().c_str(), issues, r->dailyDays, r->weeklyDays, rows && *rows ? **rows : -1LL);
    std::printf("time %.2f s (target under 60 s for about 245 days x 17 kinds of 4000 issues); %.1f ms per day\n",
                seconds, seconds * 1000 / std::max(1, r->dailyDays + r->weeklyDays));
    std::printf("peak memory %.0f MB\n", static_cast<double>(usage.ru_maxrss) / 1024);
    opened->reset();
    std::filesystem::remove(path);
    return 0;
}
