#pragma once
// A main-program database with a small issue master, for the converter's tests.
#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace kestrel::test {

// Kestrel.mdb in dir with 1001 (index), 1301 (units 10 / 1000, 東証２部), 1332 (東証１部),
// 2000 (店頭) and 3000 (a broken unit of 0).
inline std::string makeKestrelWithMei(const TempDir& dir) {
    std::string path = dir.file("Kestrel.mdb");
    EXPECT_TRUE(db::CreateDatabaseFile(path).isOk());
    auto db = db::Database::open(path);
    EXPECT_TRUE(db.isOk());
    struct Row {
        int code, market;
        const char* name;
        int volumeUnit, priceUnit;
    } rows[] = {{1001, 1, "日経平均", 1, 1},
                {1301, 2, "極洋", 1000, 10},
                {1332, 1, "日本水産", 1000, 1},
                {2000, 3, "店頭銘柄", 1, 1},
                {3000, 6, "単位なし", 0, 0}};
    for (const Row& r : rows)
        EXPECT_TRUE((*db)
                        ->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位, 更新Flg) VALUES "
                              "(?, ?, ?, ?, ?, 0)",
                              r.code, r.market, r.name, r.volumeUnit, r.priceUnit)
                        .isOk());
    return path;
}

} // namespace kestrel::test
