// Running screens: the day a screen runs on, the statistics of a held run and their text, stopping a
// run, and the issue-list rows of the matches.
#include "core/scan/ScreenRun.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::scan;
using test::ymd;

namespace {

TEST(HeldRun, SummaryOfTheReturns) {
    struct Case {
        const char* what;
        std::vector<std::optional<double>> returns;
        int count;
        double mean, median, winShare, worst, best;
        const char* text;
    } cases[] = {
        {"odd count, a match without an exit left out",
         {5.0, -2.0, std::nullopt, 0.5},
         3,
         3.5 / 3,
         0.5,
         200.0 / 3,
         -2,
         5,
         "営業日数 7  該当 4  うち 20 営業日後の終値あり 3\n"
         "平均 +1.17%  中央値 +0.50%  勝率 66.67%  最悪 -2.00%  最良 +5.00%\n"},
        {"even count: the median halfway; an unchanged close is no win",
         {-10.0, 0.0, 4.0, 30.0},
         4,
         6,
         2,
         50,
         -10,
         30,
         "営業日数 7  該当 4  うち 20 営業日後の終値あり 4\n"
         "平均 +6.00%  中央値 +2.00%  勝率 50.00%  最悪 -10.00%  最良 +30.00%\n"},
        {"no exit yet: counts only",
         {std::nullopt},
         0,
         0,
         0,
         0,
         0,
         0,
         "営業日数 7  該当 1  うち 20 営業日後の終値あり 0\n"},
        {"no match", {}, 0, 0, 0, 0, 0, 0, "営業日数 7  該当 0  うち 20 営業日後の終値あり 0\n"},
    };
    for (const Case& c : cases) {
        HoldSummary s;
        s.days = 7;
        for (const auto& r : c.returns) {
            HeldMatch m;
            m.returnPercent = r;
            s.rows.push_back(m);
        }
        summarizeHeld(s);
        EXPECT_EQ(s.matches, static_cast<int>(c.returns.size())) << c.what;
        EXPECT_EQ(s.count, c.count) << c.what;
        EXPECT_NEAR(s.mean, c.mean, 1e-9) << c.what;
        EXPECT_NEAR(s.median, c.median, 1e-9) << c.what;
        EXPECT_NEAR(s.winShare, c.winShare, 1e-9) << c.what;
        EXPECT_EQ(s.worst, c.worst) << c.what;
        EXPECT_EQ(s.best, c.best) << c.what;
        EXPECT_EQ(heldSummaryText(s, 20), c.text) << c.what;
    }
}

struct SmallMarket : ::testing::Test, test::KestrelDb {
    // Two issues on Mon 2024-03-04 .. Fri 03-08 (closes 100, 102, ... and 200 flat), weekly bars on the Fridays.
    void SetUp() override {
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, '極洋', 1, 1),"
             " (1332, 2, '日水', 1, 1);");
        for (int d = 4; d <= 8; ++d) {
            const int date = 20240300 + d;
            const int c = 100 + 2 * (d - 4);
            exec("INSERT INTO dayData VALUES (1301," + std::to_string(date) + "," + std::to_string(c) + "," +
                 std::to_string(c) + "," + std::to_string(c) + "," + std::to_string(c) + ",2,1000," +
                 std::to_string(c) + ");");
            exec("INSERT INTO dayData VALUES (1332," + std::to_string(date) + ",200,200,200,200,0,500,200);");
        }
        exec("INSERT INTO weekData VALUES (1301, 20240301, 98, 98, 98, 98, 0, 5000, 98, 0, 0),"
             " (1301, 20240308, 100, 108, 100, 108, 10, 5000, 0, 0, 108);");
    }
};

TEST_F(SmallMarket, DayOfAScreen) {
    struct Case {
        const char* what;
        bool weekly;
        std::optional<Date> asked;
        std::optional<Date> day;
    } cases[] = {
        {"no date: the latest stored", false, std::nullopt, ymd(2024, 3, 8)},
        {"a Sunday: the Friday before", false, ymd(2024, 3, 10), ymd(2024, 3, 8)},
        {"a stored day itself", false, ymd(2024, 3, 5), ymd(2024, 3, 5)},
        {"before every stored day", false, ymd(2024, 3, 1), std::nullopt},
        {"weekly: the week's stored day on or before", true, ymd(2024, 3, 7), ymd(2024, 3, 1)},
    };
    for (const Case& c : cases) {
        auto day = screenDay(*db, c.weekly ? chart::BarMode::Weekly : chart::BarMode::Daily, c.asked);
        ASSERT_TRUE(day) << c.what << ": " << day.message();
        EXPECT_EQ(*day, c.day) << c.what;
    }
}

TEST_F(SmallMarket, HeldRunFollowsTheMatchesAndStopsWhenAsked) {
    auto screen = Screen::parse("change > 0");
    ASSERT_TRUE(screen);
    ScanOptions o;
    // 1301 rises every day (stored change 2); held 2 days: 3/4 100→104, 3/5 102→106, 3/6 104→108; 3/7
    // and 3/8 have no trading day two days on.
    auto s = runHeld(*db, o, *screen, ymd(2024, 3, 4), ymd(2024, 3, 8), 2);
    ASSERT_TRUE(s) << s.message();
    EXPECT_EQ(s->days, 5);
    EXPECT_EQ(s->matches, 5);
    EXPECT_EQ(s->count, 3);
    EXPECT_NEAR(s->best, 4.0, 1e-9);
    EXPECT_NEAR(s->worst, 100.0 * 4 / 104, 1e-9); // 104 → 108

    std::vector<int> told;
    auto stopped = runHeld(*db, o, *screen, ymd(2024, 3, 4), ymd(2024, 3, 8), 2, {}, [&](int done, int total) {
        told.push_back(done * 10 + total);
        return done < 2;
    });
    EXPECT_EQ(stopped.status().code(), StatusCode::Cancelled);
    EXPECT_EQ(told, (std::vector<int>{15, 25}));
}

TEST_F(SmallMarket, IssueListRowsOfTheMatches) {
    auto rows = screenIssueListRows(*db, {{1332, "日水"}, {1301, "極洋"}, {9999, "消えた銘柄"}});
    ASSERT_TRUE(rows) << rows.message();
    // Bars of 2024: the markets under the names they have carried since April 2022.
    EXPECT_EQ(*rows, (std::vector<std::string>{"1332 スタンダード 日水", "1301 プライム 極洋", "9999  消えた銘柄"}));
}

} // namespace
