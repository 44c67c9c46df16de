// The editing rules of the table grids on a real database file: what a field takes, what it refuses,
// and which stored row an edit reaches.
#include "core/db/TableEdit.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::db;

namespace {

class TableEditTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateDatabaseFile(path).isOk()); }
    void exec(const std::string& sql) { test::execSql(path, sql); }
    // The value of what as SQL shows it ("NULL", "2", "'text'") in the first row of from ("table where
    // ..."), or "none" without such a row.
    std::string stored(const std::string& what, const std::string& from) {
        auto db = Database::open(path);
        auto st = (*db)->prepare("select quote(" + what + ") from " + from);
        auto found = st->step();
        return found && *found ? st->text(0) : "none";
    }
    // The rows of the source, which must be readable.
    std::vector<TableRow> rows() {
        auto r = edit.readRows();
        EXPECT_TRUE(r.isOk()) << r.message();
        return r ? *r : std::vector<TableRow>();
    }

    test::TempDir dir;
    std::string path = dir.file("Kestrel.mdb");
    TableEdit edit{path};
};

// Every case edits the one Mei row (1301, 市場 1, "極洋", 出来高単位 1000, 更新Flg 0) and then reads the
// stored field back; a refused value keeps both the stored value and the grid's row.
TEST_F(TableEditTest, AFieldStoresItsOwnFormOrRefusesTheValue) {
    const std::string kMei = "(1301, 1, '極洋', 1000, 0)";
    const std::string twenty = "あいうえおかきくけこさしすせそたちつてと";
    struct Case {
        const char* column;
        std::string typed;
        StatusCode code;
        std::string after; // the field as stored after the edit
        std::string message;
    } cases[] = {
        {"市場コード", "2", StatusCode::Ok, "2", ""},
        {"市場コード", "-32768", StatusCode::Ok, "-32768", ""},
        {"市場コード", "32768", StatusCode::InvalidInput, "1",
         "「市場コード」に「32768」は入力できません。(範囲または桁数を超えています)"},
        // Whole-number fields round half to even.
        {"出来高単位", "2.5", StatusCode::Ok, "2", ""},
        {"出来高単位", "3.5", StatusCode::Ok, "4", ""},
        {"出来高単位", "2147483647", StatusCode::Ok, "2147483647", ""},
        {"出来高単位", "2147483648", StatusCode::InvalidInput, "1000",
         "「出来高単位」に「2147483648」は入力できません。(範囲または桁数を超えています)"},
        {"出来高単位", "1e19", StatusCode::InvalidInput, "1000",
         "「出来高単位」に「1e19」は入力できません。(範囲または桁数を超えています)"},
        {"出来高単位", "abc", StatusCode::InvalidInput, "1000",
         "「出来高単位」に「abc」は入力できません。(型が一致しません。)"},
        {"出来高単位", "  ", StatusCode::Ok, "NULL", ""},
        // Text keeps what was typed, blanks included, up to the field's size in characters.
        {"銘柄", " 極洋 ", StatusCode::Ok, "' 極洋 '", ""},
        {"銘柄", twenty, StatusCode::Ok, "'" + twenty + "'", ""},
        {"銘柄", twenty + "な", StatusCode::InvalidInput, "'極洋'",
         "「銘柄」に「" + twenty + "な」は入力できません。(範囲または桁数を超えています)"},
        {"更新Flg", "True", StatusCode::Ok, "1", ""},
        {"更新Flg", "-1", StatusCode::Ok, "1", ""},
        {"更新Flg", "False", StatusCode::Ok, "0", ""},
        {"更新Flg", "0", StatusCode::Ok, "0", ""},
        {"無い", "1", StatusCode::Failed, "", "「無い」は編集できません。"},
    };
    for (const Case& c : cases) {
        exec("delete from Mei");
        exec("insert into Mei(コード,市場コード,銘柄,出来高単位,更新Flg) values " + kMei);
        edit.setSource("Mei", {"コード", "市場コード", "銘柄", "出来高単位", "更新Flg", "無い"});
        auto read = rows();
        ASSERT_EQ(read.size(), 1u);
        TableRow row = read[0];
        const int column = edit.columnOf(c.column);
        std::string text = c.typed;
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(' ') + 1);
        Status st = edit.writeCell(row, column, c.typed, text);
        EXPECT_EQ(st.code(), c.code) << c.column << " " << c.typed << ": " << st.message();
        EXPECT_EQ(st.message(), c.message) << c.column << " " << c.typed;
        if (c.after.empty())
            continue;
        EXPECT_EQ(stored(c.column, "Mei where コード=1301"), c.after) << c.typed;
        if (!st) {
            EXPECT_EQ(row.cells, read[0].cells) << c.typed;
        }
    }
}

// A row is found by its key as read: a changed key moves the row the later edits reach, a key that
// collides is refused, and a row deleted elsewhere is reported instead of pretending it was written.
TEST_F(TableEditTest, EditsReachTheRowOfTheKeyAsReadAndNoOther) {
    exec("insert into dayData(コード,日付,終値,出来高) values (1301,20260105,100,1000),(1301,20260106,110,2000)");
    edit.setSource("dayData", {"コード", "日付", "終値", "出来高"}, "where コード=? order by 日付", {1301});
    auto read = rows();
    ASSERT_EQ(read.size(), 2u);
    TableRow first = read[0];
    const int date = edit.columnOf("日付"), close = edit.columnOf("終値"), volume = edit.columnOf("出来高");
    EXPECT_EQ(edit.displayText(date, first.cells[1]), "2026/01/05");

    // Onto the other row's key: refused, nothing moves.
    Status st = edit.writeCell(first, date, "2026-01-06", "2026-01-06");
    EXPECT_EQ(st.code(), StatusCode::InvalidInput);
    EXPECT_EQ(st.message().rfind("「日付」の「2026-01-06」はすでに登録されています。", 0), 0u) << st.message();
    EXPECT_EQ(first.key, read[0].key);
    EXPECT_EQ(edit.writeCell(first, date, "26/02/30", "26/02/30").code(), StatusCode::InvalidInput);

    // A new key: the next edit of this row reaches the moved row, the other row keeps its close.
    ASSERT_TRUE(edit.writeCell(first, date, "26/01/07", "26/01/07").isOk());
    EXPECT_EQ(first.key, (std::vector<Cell>{std::int64_t{1301}, std::int64_t{20260107}}));
    ASSERT_TRUE(edit.writeCell(first, close, "120", "120").isOk());
    ASSERT_TRUE(edit.writeCell(first, volume, "1234.5", "1234.5").isOk());
    EXPECT_EQ(stored("終値", "dayData where 日付=20260107"), "120");
    EXPECT_EQ(stored("出来高", "dayData where 日付=20260107"), "1234.5");
    EXPECT_EQ(stored("終値", "dayData where 日付=20260106"), "110");
    EXPECT_EQ(stored("終値", "dayData where 日付=20260105"), "none");

    // The grid still holds the row as first read (key 20260105): that row is gone.
    TableRow stale = read[0];
    st = edit.writeCell(stale, close, "130", "130");
    EXPECT_EQ(st.code(), StatusCode::NotFound);
    EXPECT_EQ(st.message(), kRowGone);
    EXPECT_EQ(stale.cells, read[0].cells);
    EXPECT_EQ(stored("count(*)", "dayData where 終値=130"), "0");
}

// A key field cannot be emptied; the autonumber and a column the table lacks take no edits.
TEST_F(TableEditTest, KeysStayFilledAndTheAutonumberIsNotEditable) {
    exec("insert into board(区分,コード,市場コード,銘柄) values (1,7203,1,'b')");
    edit.setSource("board", {"区分", "コード", "銘柄", "無い"});
    auto read = rows();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(edit.writeCell(read[0], edit.columnOf("コード"), " ", "").code(), StatusCode::InvalidInput);
    EXPECT_EQ(stored("count(*)", "board where コード=7203"), "1");
    EXPECT_EQ(read[0].key, (std::vector<Cell>{std::int64_t{1}, std::int64_t{7203}}));
    EXPECT_TRUE(edit.editable(1));
    EXPECT_FALSE(edit.editable(3));
    EXPECT_EQ(edit.displayText(3, read[0].cells[3]), "");

    edit.setSource("stockmarket", {"ID", "コード"});
    EXPECT_FALSE(edit.editable(0));
    EXPECT_TRUE(edit.editable(1));
}

} // namespace
