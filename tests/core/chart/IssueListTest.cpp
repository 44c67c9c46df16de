// The issue list: which codes a typed text lists, the rows, the issue a code shows and the search by
// name with the characters a user may type into it.
#include "core/chart/IssueList.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::chart;

TEST(IssueList, TypedDigitsGiveTheirCodeRange) {
    using Bounds = std::optional<std::pair<std::int32_t, std::int32_t>>;
    struct {
        const char* text;
        Bounds expected;
    } cases[] = {
        {"7", std::make_pair(7000, 7999)},
        {"72", std::make_pair(7200, 7299)},
        {"720", std::make_pair(7200, 7209)},
        {"7203", std::make_pair(7203, 7203)},
        {"0", std::make_pair(0, 999)},
        {"", std::nullopt},
        {"72035", std::nullopt},
        {"7a", std::nullopt},
        {" 7", std::nullopt},
        {"-7", std::nullopt},
        {"7.5", std::nullopt},
        {"７２", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(issueCodeBounds(c.text), c.expected) << c.text;
}

TEST(IssueList, ShortListsKeepTheirRowsForLongerCodes) {
    struct {
        const char* text;
        int rows;
        bool refills;
    } cases[] = {
        {"7", 10, true},    {"72", 10, true},  {"720", 10, false}, {"7203", 10, false}, {"7203", 34, false},
        {"7203", 35, true}, {"7203", 0, true}, {"", 5, true},      {"ab", 5, true},     {"７２０", 5, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(issueListRefills(c.text, c.rows), c.refills) << c.text << " " << c.rows;
}

TEST(IssueList, RowsAndTheirCodes) {
    EXPECT_EQ(issueListRow(7203, "東１", "ＡＢＣ自動車"), "7203 東１ ＡＢＣ自動車");
    EXPECT_EQ(issueListRow(7203, "", "X"), "7203  X");
    EXPECT_EQ(issueFindRow(7203, "東１", "ＡＢＣ"), "7203　　東１　　ＡＢＣ");
    struct {
        const char* row;
        const char* code;
    } cases[] = {
        {"7203 東１ ＡＢＣ自動車", "7203"},
        {"7203　　東１　　ＡＢＣ", "7203"},
        {"72 東１ X", "72"},
        {"72　　東１　　X", "72"},
        {"", ""},
        {"1001", "1001"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rowCode(c.row), c.code) << c.row;
    EXPECT_EQ(informationPageAddress("www.example.jp/", "c", "7203"), "www.example.jp/default.asp?tp=c&co=7203");
}

namespace {

struct IssueDb : ::testing::Test, test::KestrelDb {
    MarketNames names;
    void SetUp() override {
        ASSERT_TRUE(db->run("INSERT INTO Shijyo (コード, 市場, 略称) VALUES (15, '遠く', '遠')"));
        struct {
            int code, market;
            const char* name;
        } mei[] = {
            {7203, 1, "ＡＢＣ自動車"}, {7201, 2, "O'Neil"},    {7205, 1, "100%ﾎﾟｲﾝﾄ"}, {7211, 1, "A_B"},
            {7999, 3, "abc Tech"},     {7000, 12, "遠い市場"}, {8000, 1, "DEF"},       {6999, 1, "GHI"},
        };
        for (const auto& m : mei)
            ASSERT_TRUE(
                db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, ?, ?, 1, 1)",
                        m.code, m.market, m.name));
        auto loaded = loadMarketNames(*db);
        ASSERT_TRUE(loaded) << loaded.message();
        names = *loaded;
    }
};

} // namespace

TEST_F(IssueDb, MarketNamesSkipCodesOutsideTheList) {
    EXPECT_EQ(names[1], "東１");
    EXPECT_EQ(names[3], "店頭");
    EXPECT_EQ(names[0], "");
    EXPECT_EQ(marketName(names, 15), "");
    EXPECT_EQ(marketName(names, -1), "");
}

TEST_F(IssueDb, RangeRowsInMarketThenCodeOrder) {
    auto rows = issueRowsInRange(*db, 7000, 7999, names);
    ASSERT_TRUE(rows) << rows.message();
    std::vector<std::string> expected = {"7203 東１ ＡＢＣ自動車", "7205 東１ 100%ﾎﾟｲﾝﾄ", "7211 東１ A_B",
                                         "7201 東２ O'Neil",       "7999 店頭 abc Tech",  "7000  遠い市場"};
    EXPECT_EQ(*rows, expected);
    auto none = issueRowsInRange(*db, 5000, 5999, names);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

TEST_F(IssueDb, NameSearchTakesTheTextLiterally) {
    struct {
        const char* text;
        std::vector<std::string> codes;
    } cases[] = {
        {"'", {"7201"}},
        {"%", {"7205"}},
        {"_", {"7211"}},
        {"*", {}},
        {"ABC", {"7999"}}, // ASCII letters match in either case; full-width ones are other letters
        {"自動車", {"7203"}},
        {"'; DROP TABLE Mei; --", {}},
        {"", {"6999", "7203", "7205", "7211", "8000", "7201", "7999", "7000"}},
    };
    for (const auto& c : cases) {
        auto rows = issueRowsByName(*db, c.text, names);
        ASSERT_TRUE(rows) << rows.message();
        std::vector<std::string> codes;
        for (const std::string& r : *rows)
            codes.push_back(rowCode(r));
        EXPECT_EQ(codes, c.codes) << c.text;
    }
    auto rows = issueRowsByName(*db, "O'", names);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ(rows->front(), "7201　　東２　　O'Neil");
    EXPECT_EQ(db->queryInt("SELECT count(*) FROM Mei")->value_or(0), 8);
}

TEST_F(IssueDb, ShownIssueNeedsACodeAndAMarketInTheList) {
    struct {
        const char* text;
        bool found;
        const char* market;
        const char* name;
    } cases[] = {
        {"7203", true, "東１", "ＡＢＣ自動車"},
        {"07203", true, "東１", "ＡＢＣ自動車"},
        {"7000", false, "", ""}, // market 12 lies outside the names
        {"7204", false, "", ""},
        {"72a", false, "", ""},
        {"", false, "", ""},
        {"99999999999999999999", false, "", ""},
    };
    for (const auto& c : cases) {
        auto shown = lookUpShownIssue(*db, c.text, names);
        ASSERT_TRUE(shown) << shown.message();
        ASSERT_EQ(shown->has_value(), c.found) << c.text;
        if (c.found) {
            EXPECT_EQ((*shown)->market, c.market);
            EXPECT_EQ((*shown)->name, c.name);
        }
    }
}
