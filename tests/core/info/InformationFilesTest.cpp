// Stock-information kinds and list files: parsing and storing, one transaction per file.
#include "core/info/InformationFiles.h"

#include "core/app/Encoding.h"
#include "core/info/InformationStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::info;

namespace {

std::string rowsOf(db::Database& db, const std::string& sql) {
    auto st = db.prepare(sql);
    std::string out;
    for (auto r = st->step(); r && *r; r = st->step()) {
        for (int c = 0; c < st->columnCount(); ++c)
            out += (c ? "," : "") + (st->isNull(c) ? std::string("NULL") : st->text(c));
        out += ";";
    }
    return out;
}

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
    ASSERT_EQ(f->rows.size(), 3u);
    EXPECT_EQ(f->rows[0].rank, 1);
    EXPECT_EQ(f->rows[0].code, 1301);
    EXPECT_EQ(f->rows[0].price, 250);
    EXPECT_EQ(f->rows[0].volume, Currency::fromWhole(1234000));
    EXPECT_EQ(f->rows[0].change, 15);
    EXPECT_EQ(f->rows[0].value, "12.5%");
    EXPECT_EQ(f->rows[1].price, 0) << "a price that is no number reads as 0";
    EXPECT_EQ(f->rows[1].volume, Currency::fromWhole(500));
    EXPECT_EQ(f->rows[1].value, "");
    EXPECT_EQ(f->rows[2].change, 0);
    EXPECT_EQ(f->rows[2].value, "1.2") << "the value ends at a further comma";
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
    };
    const Case cases[] = {
        {"<html>404</html>\r\n", "1行目: 日付で始まっていません"},
        {"00/07/14 2,    t\r\n1,1,1,1,1,a\r\n1,2,3\r\n", "3行目: 順位,コード,株価,出来高,前日比,値 の形ではありません"},
        {"00/07/14 1,    t\r\nfirst,1,1,1,1,a\r\n", "2行目: 順位: 型が一致しません。"},
        {"00/07/14 1,    t\r\n40000,1,1,1,1,a\r\n", "2行目: 順位: オーバーフローしました。"},
        {"00/07/14 1,    t\r\n1,ABC,1,1,1,a\r\n", "2行目: コード: 型が一致しません。"},
        {"00/07/14 1,    t\r\n1,1,1,many,1,a\r\n", "2行目: 出来高: 型が一致しません。"},
        {"00/07/14 1,    t\r\n1,1,1,99999999999999,1,a\r\n", "2行目: 出来高: オーバーフローしました。"},
    };
    for (const Case& c : cases) {
        auto f = parseListFile(c.text);
        ASSERT_FALSE(f.isOk()) << c.text;
        EXPECT_EQ(f.message(), c.error);
    }
    auto k = parseKindsFile("00/07/14 2\r\nd01,値上がり,1\r\nd02,値下がり,two\r\n");
    ASSERT_FALSE(k.isOk());
    EXPECT_EQ(k.message(), "3行目: 表示順: 型が一致しません。");
    k = parseKindsFile("00/07/14 1\r\nd01 値上がり 1\r\n");
    ASSERT_FALSE(k.isOk());
    EXPECT_EQ(k.message(), "2行目: 種類コード,種類名,表示順 の形ではありません");
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
    auto& db = t.db;
    auto first = parseKindsFile("00/07/14 2\r\nd01,値上がり率,1\r\nw01,週間,2\r\n");
    ASSERT_EQ(storeKinds(*db, *first).value(), true);

    // Twelve declared, eleven present (one of them renaming d01): nothing changes anywhere.
    std::string eleven = "00/07/15 12\r\n";
    for (int i = 1; i <= 11; ++i)
        eleven += "d" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ",新" + std::to_string(i) + "," +
                  std::to_string(i) + "\r\n";
    auto partial = parseKindsFile(eleven);
    ASSERT_TRUE(partial.isOk());
    ASSERT_EQ(storeKinds(*db, *partial).value(), false);
    EXPECT_EQ(rowsOf(*db, "select * from informationClass order by 表示順"), "d01,値上がり率,1;w01,週間,2;");
    EXPECT_EQ(rowsOf(*db, "select count(*) from wrkinformationClass"), "2;");

    // A complete file renames and reorders d01, adds d02 and keeps w01.
    auto second = parseKindsFile("00/07/16 2\r\nd02,出来高,3\r\nd01,値上り,5\r\n");
    ASSERT_EQ(storeKinds(*db, *second).value(), true);
    EXPECT_EQ(rowsOf(*db, "select * from informationClass order by 表示順"), "w01,週間,2;d02,出来高,3;d01,値上り,5;");
    EXPECT_EQ(rowsOf(*db, "select 種類コード from wrkinformationClass order by 種類コード"), "d01;d02;");

    // A code too long for the field is refused and the file changes nothing.
    auto bad = parseKindsFile("00/07/17 2\r\nd03,x,1\r\nd0004,y,2\r\n");
    auto refused = storeKinds(*db, *bad);
    ASSERT_FALSE(refused.isOk());
    EXPECT_NE(refused.message().find("d0004"), std::string::npos);
    EXPECT_EQ(rowsOf(*db, "select count(*) from informationClass"), "3;");
    EXPECT_EQ(rowsOf(*db, "select 種類コード from wrkinformationClass order by 種類コード"), "d01;d02;");
}

TEST(InformationStore, AListReplacesItsDayAndARefusedListChangesNothing) {
    test::KestrelDb t;
    auto& db = t.db;
    auto list = parseListFile(kList);
    ASSERT_TRUE(list.isOk());
    const Date day = *Date::fromYmd(2000, 7, 14);
    ASSERT_TRUE(storeList(*db, "d01", day, *list).isOk());
    ASSERT_TRUE(storeList(*db, "d01", day, *list).isOk());
    EXPECT_EQ(rowsOf(*db,
                     "select 種類コード, 日付, 順位, コード, 株価, 出来高, 前日比, 値, 現株価, コメント, Top種類コード "
                     "from informationData order by 順位"),
              "d01,20000714,1,1301,250,1234000,15,12.5%,NULL,値上がり率ランキング,d;"
              "d01,20000714,2,9984,0,500,-3,,NULL,値上がり率ランキング,d;"
              "d01,20000714,3,7203,4000,20000,0,1.2,NULL,値上がり率ランキング,d;");

    // A list fetched under the next day's name but dated the 14th replaces the 14th's rows too.
    auto moved = parseListFile("00/07/14 1,    t\r\n1,1301,260,1,0,a\r\n");
    ASSERT_TRUE(storeList(*db, "d01", day.addDays(1), *moved).isOk());
    EXPECT_EQ(rowsOf(*db, "select 日付, 順位, 株価 from informationData"), "20000714,1,260;");

    // Two rows with one rank, or a value longer than the field: the earlier rows stay as they were.
    auto twice = parseListFile("00/07/14 2,    t\r\n1,1,1,1,1,a\r\n1,2,2,2,2,b\r\n");
    EXPECT_FALSE(storeList(*db, "d01", day, *twice).isOk());
    auto longValue = parseListFile("00/07/14 1,    t\r\n1,1,1,1,1,12345678901\r\n");
    EXPECT_FALSE(storeList(*db, "d01", day, *longValue).isOk());
    EXPECT_EQ(rowsOf(*db, "select 日付, 順位, 株価 from informationData"), "20000714,1,260;");
}
