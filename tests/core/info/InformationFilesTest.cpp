// Stock-information kinds and list files: parsing and storing, one transaction per file.
#include "core/info/InformationFiles.h"

#include "core/app/Encoding.h"
#include "core/info/InformationStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::info;

namespace {

const char* kList = "00/07/14 3,    値上がり率ランキング表\r\n"
                    "1,1301,250,1234,15,12.5%\r\n"
                    "2,9984, abc ,0.5,-3,\r\n"
                    "3,7203,4000,20,x,1.2,extra\r\n";

} // namespace

TEST(InformationFiles, ListFileFields) {
    auto f = parseListFile(kList);
    ASSERT_TRUE(f.isOk()) << f.message();
    EXPECT_EQ(f->date.ymd(), 20000714);
    EXPECT_EQ(f->declared, 3);
    EXPECT_EQ(f->title, "値上がり率ランキング表");
    // A price that is no number reads as 0; the value ends at a further comma.
    std::vector<std::string> rows;
    for (const auto& r : f->rows)
        rows.push_back(std::to_string(r.rank) + "," + std::to_string(r.code) + "," + std::to_string(r.price) + "," +
                       r.volume.toString() + "," + std::to_string(r.change) + "," + r.value);
    EXPECT_EQ(rows,
              (std::vector<std::string>{"1,1301,250,1234000,15,12.5%", "2,9984,0,500,-3,", "3,7203,4000,20000,0,1.2"}));
}

TEST(InformationFiles, WhereListsEnd) {
    struct Case {
        const char* what;
        std::string text;
        size_t rows;
        std::optional<int> declared;
    };
    const Case cases[] = {
        {"an empty line ends the list", "00/07/14 3,    t\r\n1,1,1,1,1,a\r\n\r\n2,2,2,2,2,b\r\n", 1, 3},
        {"a last line without a line break is not read", "00/07/14 2,    t\r\n1,1,1,1,1,a\r\n2,2,2,2,2,b", 1, 2},
        {"LF-only line ends are read too", "00/07/14 2,    t\n1,1,1,1,1,a\n2,2,2,2,2,b\n", 2, 2},
        {"a header alone", "00/07/14 0,    t", 0, 0},
        {"a count that is no number", "00/07/14 x,    t\r\n1,1,1,1,1,a\r\n", 1, std::nullopt},
        {"a header without a comma", "00/07/14 1\r\n1,1,1,1,1,a\r\n", 1, 1},
    };
    for (const Case& c : cases) {
        auto f = parseListFile(c.text);
        ASSERT_TRUE(f.isOk()) << c.what << ": " << f.message();
        EXPECT_EQ(f->rows.size(), c.rows) << c.what;
        EXPECT_EQ(f->declared, c.declared) << c.what;
    }
}

TEST(InformationFiles, BadFilesNameTheLine) {
    struct Case {
        std::string text;
        std::string error;
        bool kinds = false;
    };
    const Case cases[] = {
        {"00/07/14 2\r\nd01,値上がり,1\r\nd02,値下がり,two\r\n", "3行目: 表示順: 型が一致しません。", true},
        {"00/07/14 1\r\nd01 値上がり 1\r\n", "2行目: 種類コード,種類名,表示順 の形ではありません", true},
        {"<html>404</html>\r\n", "1行目: 日付で始まっていません"},
        {"00/07/14 2,    t\r\n1,1,1,1,1,a\r\n1,2,3\r\n", "3行目: 順位,コード,株価,出来高,前日比,値 の形ではありません"},
        {"00/07/14 1,    t\r\nfirst,1,1,1,1,a\r\n", "2行目: 順位: 型が一致しません。"},
        {"00/07/14 1,    t\r\n40000,1,1,1,1,a\r\n", "2行目: 順位: オーバーフローしました。"},
        {"00/07/14 1,    t\r\n1,ABC,1,1,1,a\r\n", "2行目: コード: 型が一致しません。"},
        {"00/07/14 1,    t\r\n1,1,1,many,1,a\r\n", "2行目: 出来高: 型が一致しません。"},
        {"00/07/14 1,    t\r\n1,1,1,99999999999999,1,a\r\n", "2行目: 出来高: オーバーフローしました。"},
    };
    for (const Case& c : cases) {
        Status st = c.kinds ? parseKindsFile(c.text).status() : parseListFile(c.text).status();
        ASSERT_FALSE(st.isOk()) << c.text;
        EXPECT_EQ(st.message(), c.error);
    }
}

TEST(InformationFiles, KindsFileFields) {
    auto k = parseKindsFile("00/07/14 3\r\nd01,値上がり率,2\r\nw01,週間,1,x\r\nd02,,3\r\n");
    ASSERT_TRUE(k.isOk()) << k.message();
    EXPECT_EQ(k->declared, 3);
    ASSERT_EQ(k->kinds.size(), 3u);
    EXPECT_EQ(k->kinds[0].code, "d01");
    EXPECT_EQ(k->kinds[0].name, "値上がり率");
    EXPECT_EQ(k->kinds[0].order, 2);
    EXPECT_EQ(k->kinds[1].order, 1) << "the order ends at a further comma";
    EXPECT_EQ(k->kinds[2].name, "");
}

TEST(InformationStore, KindsAreTakenOnlyFromACompleteFile) {
    test::KestrelDb t;
    auto first = parseKindsFile("00/07/14 2\r\nd01,値上がり率,1\r\nw01,週間,2\r\n");
    ASSERT_EQ(storeKinds(*t.db, *first).value(), true);

    // Twelve declared, eleven present (one of them renaming d01): nothing changes anywhere.
    std::string eleven = "00/07/15 12\r\n";
    for (int i = 1; i <= 11; ++i)
        eleven += "d" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ",新" + std::to_string(i) + "," +
                  std::to_string(i) + "\r\n";
    auto partial = parseKindsFile(eleven);
    ASSERT_TRUE(partial.isOk());
    ASSERT_EQ(storeKinds(*t.db, *partial).value(), false);
    EXPECT_EQ(t.rows("select * from informationClass order by 表示順"), "d01|値上がり率|1\nw01|週間|2\n");
    EXPECT_EQ(t.rows("select count(*) from wrkinformationClass"), "2\n");

    // A complete file renames and reorders d01, adds d02 and keeps w01.
    auto second = parseKindsFile("00/07/16 2\r\nd02,出来高,3\r\nd01,値上り,5\r\n");
    ASSERT_EQ(storeKinds(*t.db, *second).value(), true);
    EXPECT_EQ(t.rows("select * from informationClass order by 表示順"), "w01|週間|2\nd02|出来高|3\nd01|値上り|5\n");
    EXPECT_EQ(t.rows("select 種類コード from wrkinformationClass order by 種類コード"), "d01\nd02\n");

    // A code too long for the field is refused and the file changes nothing.
    auto bad = parseKindsFile("00/07/17 2\r\nd03,x,1\r\nd0004,y,2\r\n");
    auto refused = storeKinds(*t.db, *bad);
    ASSERT_FALSE(refused.isOk());
    EXPECT_NE(refused.message().find("d0004"), std::string::npos);
    EXPECT_EQ(t.rows("select count(*) from informationClass"), "3\n");
    EXPECT_EQ(t.rows("select 種類コード from wrkinformationClass order by 種類コード"), "d01\nd02\n");
}

TEST(InformationStore, AListReplacesItsDayAndARefusedListChangesNothing) {
    test::KestrelDb t;
    auto list = parseListFile(kList);
    ASSERT_TRUE(list.isOk());
    const Date day = *Date::fromYmd(2000, 7, 14);
    ASSERT_TRUE(storeList(*t.db, "d01", day, *list).isOk());
    ASSERT_TRUE(storeList(*t.db, "d01", day, *list).isOk());
    EXPECT_EQ(t.rows("select 種類コード, 日付, 順位, コード, 株価, 出来高, 前日比, 値, 現株価, コメント, Top種類コード "
                     "from informationData order by 順位"),
              "d01|20000714|1|1301|250|1234000|15|12.5%|NULL|値上がり率ランキング|d\n"
              "d01|20000714|2|9984|0|500|-3||NULL|値上がり率ランキング|d\n"
              "d01|20000714|3|7203|4000|20000|0|1.2|NULL|値上がり率ランキング|d\n");

    // A list fetched under the next day's name but dated the 14th replaces the 14th's rows too.
    auto moved = parseListFile("00/07/14 1,    t\r\n1,1301,260,1,0,a\r\n");
    ASSERT_TRUE(storeList(*t.db, "d01", day.addDays(1), *moved).isOk());
    EXPECT_EQ(t.rows("select 日付, 順位, 株価 from informationData"), "20000714|1|260\n");

    // Two rows with one rank: the earlier rows stay as they were.
    auto twice = parseListFile("00/07/14 2,    t\r\n1,1,1,1,1,a\r\n1,2,2,2,2,b\r\n");
    EXPECT_FALSE(storeList(*t.db, "d01", day, *twice).isOk());
    EXPECT_EQ(t.rows("select 日付, 順位, 株価 from informationData"), "20000714|1|260\n");
    // The longest texts a server may send are cut to their fields, never refusing the list: a value of
    // eleven characters (a real volume), a title of 30.
    auto longest =
        parseListFile("00/07/14 1,    " + std::string(30, 'T') + "\r\n1,1301,1000000,2000000,-999999,46,669,100株\r\n");
    ASSERT_TRUE(longest.isOk());
    longest->rows[0].value = "46,669,100株"; // "," ends the field as read; the value as a server means it
    ASSERT_TRUE(storeList(*t.db, "d01", day, *longest).isOk());
    EXPECT_EQ(t.rows("select 株価, 出来高, 前日比, 値, コメント from informationData"),
              "1000000|2000000000|-999999|46,669,100|TTTTTTTTTT\n");
}
