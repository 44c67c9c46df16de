// One trading day of about 4,000 issues as J-Quants JSON (two pages) turned into a daily file: parse
// plus write, the work of one day of a J-Quants run. Limit: under 30 ms a day.
#include "core/app/Files.h"
#include "core/converter/JQuantsData.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace kestrel;
using namespace kestrel::converter::jquants;

int main() {
    const int issues = 4000;
    std::vector<MasterRow> masterRows;
    std::vector<std::string> pages(2);
    for (int i = 0; i < issues; ++i) {
        int code = 1300 + i;
        masterRows.push_back({code, i % 3 == 0 ? 1 : 3, "銘柄" + std::to_string(code)});
        char row[400];
        std::snprintf(row, sizeof row,
                      R"({"Date":"2024-01-05","Code":"%d0","O":%d,"H":%d.5,"L":%d,"C":%d,"UL":"0","LL":"0",)"
                      R"("Vo":%d,"Va":123456789.0,"AdjFactor":1.0,"AdjO":%d,"AdjH":%d,"AdjL":%d,"AdjC":%d,"AdjVo":%d})",
                      code, 1000 + i, 1010 + i, 990 + i, 1005 + i, 10000 + i * 7, 1000 + i, 1010 + i, 990 + i, 1005 + i,
                      10000 + i * 7);
        std::string& page = pages[i < issues / 2 ? 0 : 1];
        page += page.empty() ? "{\"data\":[" : ",";
        page += row;
    }
    pages[0] += "],\"pagination_key\":\"next\"}";
    pages[1] += "]}";
    converter::IssueMaster master = snapshotMaster(nullptr, masterRows);
    auto dir = std::filesystem::temp_directory_path() / "kestrel_jquants_bench";
    std::filesystem::create_directories(dir);
    TopixRow topix{Date::fromYmd(2024, 1, 5).value(), 2310, 2330, 2300, 2320};

    const int runs = 50;
    std::vector<double> parseMs, writeMs, totalMs;
    int records = 0;
    for (int r = 0; r < runs; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        auto bars = parseBars(pages, "bench");
        if (!bars)
            return std::fprintf(stderr, "%s\n", bars.message().c_str()), 1;
        auto t1 = std::chrono::steady_clock::now();
        auto written = writeDailyFile(master, topix.date, bars->rows, topix, dir.string());
        if (!written)
            return std::fprintf(stderr, "%s\n", written.message().c_str()), 1;
        auto t2 = std::chrono::steady_clock::now();
        parseMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        writeMs.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
        totalMs.push_back(std::chrono::duration<double, std::milli>(t2 - t0).count());
        records = written->records;
    }
    // The median: the machine's other work shows in the mean, not in what a day costs.
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    double day = median(totalMs);
    std::filesystem::remove_all(dir);
    std::printf("J-Quants day of %d issues (%zu + %zu bytes of JSON) -> daily file of %d records\n", issues,
                pages[0].size(), pages[1].size(), records);
    std::printf("  median %.2f ms a day (reading %.2f ms, writing %.2f ms) over %d runs (limit 30 ms): %s\n", day,
                median(parseMs), median(writeMs), runs, day < 30 ? "ok" : "TOO SLOW");
    return day < 30 ? 0 : 1;
}
