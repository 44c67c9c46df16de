// Screening of stored lists: rating, filtered views, deletion, pruning and the issue-list rows.
#include "core/info/Screening.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::info;

namespace {

Date ymd(long long v) {
    return *Date::fromYmdInt(v);
}

struct Db : test::KestrelDb {
    void row(const char* kind, long long date, int rank, int code, int price, long long volume) {
        ASSERT_TRUE(db->run("INSERT INTO informationData (種類コード, 日付, 順位, コード, 株価, 出来高, 前日比, 値, "
                            "コメント, Top種類コード) VALUES (?, ?, ?, ?, ?, ?, 0, '', 'c', substr(?, 1, 1))",
                            std::string(kind), date, rank, code, price, volume, std::string(kind))
                        .isOk());
    }
    void close(int code, long long date, int close) {
        ASSERT_TRUE(db->run("INSERT INTO dayData (コード, 日付, 終値) VALUES (?, ?, ?)", code, date, close).isOk());
    }
};

std::vector<int> codes(const std::vector<InfoRow>& rows) {
    std::vector<int> c;
    for (const auto& r : rows)
        c.push_back(r.code);
    return c;
}

} // namespace

TEST(ScreeningRatio, TruncatesTowardZeroToOneDecimal) {
    struct Case {
        int price, close;
        const char* ratio;
    } cases[] = {{1000, 1234, "23.4"},
                 {1000, 987, "-1.3"},
                 {1000, 1000, "0"},
                 {0, 500, "0"},
                 {-5, 500, "0"},
                 {3, 4, "33.3"},
                 {3, 2, "-33.3"},
                 {1000, 1009, "0.9"},
                 {1000, 999, "-0.1"},
                 {1000, 0, "-100"},
                 {7, 2147483647, "30678337714.2"}};
    for (const Case& c : cases)
        EXPECT_EQ(ratioOf(c.price, c.close).toString(), c.ratio) << c.price << " " << c.close;
}

TEST(Screening, RatingOneDateKeepsPositiveRowsByRatio) {
    Db t;
    t.exec("INSERT INTO Mei (コード, 市場コード, 銘柄) VALUES (1301, 1, '極洋'), (1332, 2, '日本水産')");
    t.row("d01", 20000714, 1, 1301, 1000, 5000);
    t.row("d01", 20000714, 2, 1332, 1000, 9000);
    t.row("d01", 20000714, 3, 1400, 0, 100);   // list price 0
    t.row("d01", 20000714, 4, 1500, 200, 100); // no stored close
    t.row("d01", 20000713, 1, 1301, 500, 100); // another date, not rated
    t.close(1301, 20000713, 1);
    t.close(1301, 20000714, 1234); // the latest close counts
    t.close(1332, 20000714, 987);
    t.close(1400, 20000714, 50);
    auto n = rateRows(*t.db, "d01", ymd(20000714), ymd(20000714));
    ASSERT_TRUE(n.isOk());
    EXPECT_EQ(*n, 3);
    EXPECT_EQ(t.count("SELECT 現比 * 10 FROM informationData WHERE 日付=20000714 AND 順位=2"), -13);
    EXPECT_EQ(t.count("SELECT 現株価 FROM informationData WHERE 日付=20000714 AND 順位=3"), 50);
    EXPECT_EQ(t.count("SELECT count(*) FROM informationData WHERE 現株価 IS NULL"), 2);

    RowView view = ratedView({}, "d01", std::nullopt, ymd(20000714), "", "");
    auto rows = loadRows(*t.db, view);
    ASSERT_TRUE(rows.isOk());
    ASSERT_EQ(codes(*rows), std::vector<int>{1301});
    EXPECT_EQ((*rows)[0].ratio->toString(), "23.4");
    EXPECT_EQ((*rows)[0].current, 1234);
    EXPECT_EQ((*rows)[0].name, "極洋");
}

TEST(Screening, FilterKeepsRangeAndRatingAndBindsTypedText) {
    Db t;
    for (int d : {20000710, 20000711, 20000712})
        for (int rank = 1; rank <= 3; ++rank)
            t.row("d01", d, rank, 1000 + rank, rank * 300, rank * 1000LL);
    RowView one{"d01", ymd(20000711)};
    auto all = loadRows(*t.db, one);
    EXPECT_EQ(codes(*all), (std::vector<int>{1001, 1002, 1003}));

    struct Case {
        const char* price;
        const char* volume;
        std::vector<int> want;
    } cases[] = {
        {"600", "", {1001, 1002}}, // an empty volume box adds no condition
        {"600", "2000", {1002}},   {"1,000", "abc", {1001, 1002, 1003}},
        {" 300 ", "0", {1001}},    {"900", "-5", {1001, 1002, 1003}},
        {"299", "", {}},
    };
    for (const Case& c : cases) {
        auto v = filterView(one, c.price, c.volume);
        ASSERT_TRUE(v.isOk()) << c.price;
        EXPECT_EQ(codes(*loadRows(*t.db, *v)), c.want) << c.price << "/" << c.volume;
    }
    for (const char* bad : {"", "abc", "1' OR '1'='1", "300 or 1=1"}) {
        auto v = filterView(one, bad, "");
        ASSERT_FALSE(v.isOk()) << bad;
        EXPECT_EQ(v.message(), kEnterAmount);
    }

    // A range of the last two dates, rated, then filtered: the range and the rating stay.
    for (int rank = 1; rank <= 3; ++rank)
        t.close(1000 + rank, 20000712, rank * 300 + 30);
    auto first = firstOfLastDates(*t.db, "d01", ymd(20000712), 2);
    ASSERT_EQ(first->value(), ymd(20000711));
    ASSERT_EQ(*rateRows(*t.db, "d01", ymd(20000711), ymd(20000712)), 6);
    RowView rated = ratedView(one, "d01", *first, ymd(20000712), "", "");
    EXPECT_FALSE(rated.maxPrice); // the previous view had no ceiling
    EXPECT_EQ(loadRows(*t.db, rated)->size(), 6u);
    auto filtered = filterView(rated, "600", "");
    auto rows = *loadRows(*t.db, *filtered);
    EXPECT_EQ(codes(rows), (std::vector<int>{1001, 1001, 1002, 1002})); // 10.0 before 5.0, newest first
    EXPECT_EQ(rows[0].date, ymd(20000712));
    // Rating again after the filter keeps a ceiling, from the box or, when it no longer holds a number,
    // from the view.
    EXPECT_EQ(ratedView(*filtered, "d01", std::nullopt, ymd(20000712), "900", "").maxPrice, 900.0);
    EXPECT_EQ(ratedView(*filtered, "d01", std::nullopt, ymd(20000712), "x", "").maxPrice, 600.0);
    // More dates asked for than stored: the oldest date.
    EXPECT_EQ(firstOfLastDates(*t.db, "d01", ymd(20000712), 30)->value(), ymd(20000710));
    EXPECT_FALSE(firstOfLastDates(*t.db, "d01", ymd(20000709), 5)->has_value());
    EXPECT_TRUE(loadRows(*t.db, RowView{})->empty()); // no date chosen
}

TEST(Screening, PruningCutoffsAndDeletion) {
    PruneCutoffs c = pruneCutoffs(ymd(20000731), 30);
    EXPECT_EQ(c.daily, ymd(20000701));
    EXPECT_EQ(c.weekly, ymd(20000103));

    Db t;
    test::ScriptedPrompt prompt;
    EXPECT_FALSE(offerPruning(*t.db, *ageReference(*t.db), 30, prompt).value()); // an empty database
    EXPECT_TRUE(prompt.questions.empty());
    // S01 is neither daily nor weekly: kept.
    for (auto [kind, date] : {std::pair{"d01", 20000731},
                              {"d01", 20000701},
                              {"d01", 20000630},
                              {"w01", 20000103},
                              {"w01", 20000102},
                              {"D02", 20000601},
                              {"S01", 19990101}})
        t.row(kind, date, 1, 1301, 1, 1);
    EXPECT_EQ(*ageReference(*t.db), ymd(20000731));
    EXPECT_FALSE(offerPruning(*t.db, ymd(20000731), 0, prompt).value());
    prompt.answer(false);
    EXPECT_EQ(offerPruning(*t.db, ymd(20000731), 30, prompt).code(), StatusCode::Cancelled);
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0],
              "削除確認|オプション設定で設定した30日以上の削除すべきデーターがあります　削除しますか？");
    EXPECT_EQ(t.count("SELECT count(*) FROM informationData"), 7);
    EXPECT_TRUE(offerPruning(*t.db, ymd(20000731), 30, prompt).value());
    EXPECT_EQ(t.rows("SELECT 種類コード || 日付 FROM informationData ORDER BY 日付"),
              "S0119990101\nw0120000103\nd0120000701\nd0120000731\n");

    ASSERT_TRUE(deleteDate(*t.db, "d01", ymd(20000701)).isOk());
    EXPECT_EQ(t.count("SELECT count(*) FROM informationData WHERE 種類コード='d01'"), 1);
    ASSERT_TRUE(deleteKind(*t.db, "w01").isOk());
    EXPECT_EQ(t.count("SELECT count(*) FROM informationData"), 2);
}

TEST(Screening, IssueListRows) {
    std::array<std::string, kMarketNameCount> names{};
    names[1] = "東1";
    names[3] = "店頭";
    const std::vector<InfoRow> rows = {
        {1, 1301, 1, "極洋"}, {2, 9999, 12, "外"}, {3, 1301, 1, "極洋"}, {4, 7203, std::nullopt, ""}};
    EXPECT_EQ(issueListRows(rows, names, false),
              (std::vector<std::string>{"1301 東1 極洋", "9999  外", "1301 東1 極洋", "7203  "}));
    EXPECT_EQ(issueListRows(rows, names, true), (std::vector<std::string>{"1301 東1 極洋", "9999  外", "7203  "}));
}
