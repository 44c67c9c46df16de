// Split detection over a small database: true splits are proposed, limit moves, market-wide falls,
// dismissed proposals and zero-volume gaps are not.
#include "core/chart/SplitDetect.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;

namespace {

struct SplitDetectDb : ::testing::Test, test::KestrelDb {
    // Two bars of an issue: close `close` on 2024-01-04, open `open` on `day` (January 2024).
    void pair(int code, long long close, long long open, int day = 5) {
        exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES (" +
             std::to_string(code) + ", 20240104, " + std::to_string(close) + ", 1, 1, " + std::to_string(close) +
             ", 0, 1), (" + std::to_string(code) + ", 202401" + (day < 10 ? "0" : "") + std::to_string(day) + ", " +
             std::to_string(open) + ", 1, 1, " + std::to_string(open) + ", 0, 1)");
    }
};

TEST_F(SplitDetectDb, ProposesTrueSplitsOnly) {
    // Index 1001: flat on Jan 5, down 20 % on Jan 9 (a crash day).
    exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
         "(1001, 20240104, 2000, 1, 1, 2000, 0, 1), (1001, 20240105, 2000, 1, 1, 2000, 0, 1), "
         "(1001, 20240109, 1600, 1, 1, 1600, 0, 1)");
    pair(1301, 3000, 1510);    // 1:2, within the band of 1500
    pair(1302, 900, 301);      // 1:3
    pair(1303, 250, 2480);     // 10:1 reverse
    pair(1304, 1200, 795);     // 1:1.5 (800 expected)
    pair(1305, 1000, 1300);    // limit move up, no split
    pair(1306, 4000, 2000, 9); // halved on the crash day: the market fell too
    pair(1307, 2000, 1000);    // 1:2, but already dismissed
    exec("INSERT INTO Bunkatu (コード, 日付, 分割前, 分割後, 出所, 状態) VALUES (1307, 20240105, 1, 2, 2, 2)");
    // Zero-volume day between: the reference stays the close of Jan 4 (500 -> 250 is 1:2).
    exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
         "(1308, 20240104, 500, 1, 1, 500, 0, 1), (1308, 20240105, 0, 0, 0, 0, 0, 0), "
         "(1308, 20240110, 250, 1, 1, 250, 0, 1)");

    auto found = chart::detectSplits(*db, 0);
    ASSERT_TRUE(found) << found.message();
    EXPECT_EQ(rows("SELECT コード, 日付, 分割前, 分割後, 出所, 状態 FROM Bunkatu ORDER BY コード"),
              "1301|20240105|1|2|2|0\n"
              "1302|20240105|1|3|2|0\n"
              "1303|20240105|10|1|2|0\n"
              "1304|20240105|2|3|2|0\n"
              "1307|20240105|1|2|2|2\n"
              "1308|20240110|1|2|2|0\n");
    EXPECT_EQ(found->size(), 5u);
    // A second run proposes nothing again.
    auto again = chart::detectSplits(*db, 1301);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->empty());
}

} // namespace
