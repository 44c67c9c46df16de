// The information rows of one issue: the kinds offered, the two orders, kinds missing from the kinds.
#include "core/info/IssueInformation.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::info;

namespace {

std::string keys(const std::vector<IssueInfoRow>& rows) {
    std::string s;
    for (const auto& r : rows)
        s += (s.empty() ? "" : " ") + r.kind + "@" + std::to_string(r.date.ymd() % 100);
    return s;
}

} // namespace

TEST(IssueInformation, KindsAndOrders) {
    test::KestrelDb t;
    auto& db = t.db;
    ASSERT_TRUE(
        db->exec("INSERT INTO informationClass VALUES ('w01','週間',1), ('S01','特別',2), ('d01','日々',3),"
                 " ('s02','小文字',4);"
                 "INSERT INTO Mei (コード, 市場コード, 銘柄) VALUES (1301, 1, '極洋');"
                 "INSERT INTO informationData (種類コード, 日付, 順位, コード, 株価, 出来高, Top種類コード) VALUES"
                 " ('d01', 20000712, 1, 1301, 1, 1, 'd'), ('w01', 20000707, 2, 1301, 1, 1, 'w'),"
                 " ('d01', 20000710, 3, 1301, 1, 1, 'd'), ('x09', 20000711, 1, 1301, 1, 1, 'x'),"
                 " ('d01', 20000713, 1, 1332, 1, 1, 'd');")
            .isOk());
    auto kinds = listableKinds(*db);
    ASSERT_TRUE(kinds.isOk());
    ASSERT_EQ(kinds->size(), 2u);
    EXPECT_EQ((*kinds)[0].code, "w01");
    EXPECT_EQ((*kinds)[1].code, "d01");

    struct Case {
        const char* kind;
        InfoOrder order;
        const char* want;
    } cases[] = {
        {"ALL", InfoOrder::ByDate, "d01@12 x09@11 d01@10 w01@7"},
        {"", InfoOrder::ByDate, "d01@12 x09@11 d01@10 w01@7"},
        {"ALL", InfoOrder::ByKind, "x09@11 w01@7 d01@12 d01@10"}, // a kind without a class row first
        {"d01", InfoOrder::ByDate, "d01@12 d01@10"},
        {"d01' OR '1'='1", InfoOrder::ByDate, ""},
    };
    for (const Case& c : cases) {
        auto rows = loadIssueInformation(*db, 1301, c.kind, c.order);
        ASSERT_TRUE(rows.isOk());
        EXPECT_EQ(keys(*rows), c.want) << c.kind;
    }
    auto rows = *loadIssueInformation(*db, 1301, "w01", InfoOrder::ByDate);
    EXPECT_EQ(rows[0].name, "極洋");
    EXPECT_EQ(rows[0].kindName, "週間");
    EXPECT_TRUE(loadIssueInformation(*db, 4444, "ALL", InfoOrder::ByDate)->empty());

    EXPECT_EQ(issueCodeOf("1301"), 1301);
    EXPECT_EQ(issueCodeOf(" 1301 "), 1301);
    for (const char* bad : {"", "abc", "1301.5", "1301;drop", "99999999999"})
        EXPECT_FALSE(issueCodeOf(bad).has_value()) << bad;
}
