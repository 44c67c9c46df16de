// One trading day of about 4,000 issues as J-Quants JSON (two pages) turned into a daily file: parse
// plus write, the work of one day of a J-Quants run. Limit: under 30 ms a day.
#include "core/app/Files.h"
#include "core/converter/JQuantsData.h"

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
    double best = 1e9, total = 0;
    int records = 0;
    for (int r = 0; r < runs; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        auto bars = parseBars(pages, "bench");
        if (!bars)
            return std::fprintf(stderr, "%s\n", bars.message().c_str()), 1;
        auto written = writeDailyFile(master, topix.date, bars->rows, topix, dir.string());
        if (!written)
            return std::fprintf(stderr, "%s\n", written.message().c_str()), 1;
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, ms);
        total += ms;
        records = written->records;
    }
    std::filesystem::remove_all(dir);
    std::printf("J-Quants day of %d issues (%zu + %zu bytes of JSON) -> daily file of %d records\n", issues,
                pages[0].size(), pages[1].size(), records);
    std::printf("  best %.2f ms, mean %.2f ms over %d runs (limit 30 ms): %s\n", best, total / runs, runs,
                total / runs < 30 ? "ok" : "TOO SLOW");
    return total / runs < 30 ? 0 : 1;
}
