// A board of 100 rows refreshed from the stored daily bars (limit 50 ms): 4,000 issues with a year of
// bars each, 100 of them on board A, ten with a confirmed split. Best of five rounds, wall time.
#include "core/boards/BoardPrices.h"
#include "core/db/Schema.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace kestrel;
namespace fs = std::filesystem;

namespace {

void must(const Status& st) {
    if (!st) {
        std::fprintf(stderr, "bench: %s\n", st.message().c_str());
        std::exit(1);
    }
}

} // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / ("board_bench." + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "Kestrel.mdb").string();
    must(db::CreateDatabaseFile(path));
    auto opened = db::openKestrelDatabase(path);
    must(opened.status());
    db::Database& db = **opened;
    {
        db::Transaction tx(db);
        for (int code = 1000; code < 5000; ++code) {
            must(db.run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, 1, ?, 100, 1)",
                        code, "銘柄" + std::to_string(code)));
            Date d = *Date::fromYmd(2025, 12, 1);
            for (int day = 0; day < 250; ++day, d = d.addDays(d.weekday() == 6 ? 3 : 1))
                must(db.run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES (?, ?, "
                            "1000, 1010, 990, 1000, 0, 500)",
                            code, d));
        }
        for (int i = 0; i < 100; ++i) {
            const int code = 1000 + i * 40;
            must(db.run("INSERT INTO board (区分, コード, 市場コード, 銘柄) VALUES (1, ?, 1, 'x')", code));
            if (i % 10 == 0)
                must(db.run("INSERT INTO Bunkatu (コード, 日付, 分割前, 分割後, 出所, 状態) VALUES (?, 20260601, 1, 2, "
                            "1, 1)",
                            code));
        }
        must(tx.commit());
    }
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        must(boards::fillFromStoredBars(db, 1));
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, ms);
    }
    std::printf("board of 100 rows from the stored bars: %.1f ms (limit 50 ms)\n", best);
    opened->reset();
    fs::remove_all(dir);
    return best < 50 ? 0 : 1;
}
