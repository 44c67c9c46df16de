#include "core/import/IssueMaster.h"

#include "ImportFixture.h"

using namespace kestrel;
using namespace kestrel::import;

namespace {
struct Master : test::ImportFixture {
    test::ScriptedPrompt prompt;
    std::string mei() { return rows("SELECT * FROM Mei ORDER BY コード"); }
};
} // namespace

TEST_F(Master, AddsNewIssuesRewritesChangedOnesAndDeletesTheFile) {
    addMei(1301, 1, "極洋", 1000, 1, false);
    addMei(1302, 1, "名前", 1000, 1, false);
    addMei(1303, 2, "日本", 100, 1, false);
    writeText("REGIST.MEI", "20260105,4\n"
                            "1301,1,極洋,1000,1\n"
                            "1302,1,新名前,100,10\n"
                            "\n"
                            "1303,2,日本,1000,1\n"
                            "1304,3, 空白 ,1000,1\n");
    std::vector<int> shown;
    auto r = ImportIssueMaster(*db, data, prompt, [&](int p) { shown.push_back(p); });
    EXPECT_EQ(r.message, "読み込み終了");
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.rewritten, 1);
    EXPECT_TRUE(prompt.log.empty());
    EXPECT_EQ(shown, (std::vector<int>{25, 50, 75, 100}));
    // Only the volume unit of 1303 changed: not rewritten. The name's blanks are kept.
    EXPECT_EQ(mei(), "1301|1|極洋|1000|1|0\n"
                     "1302|1|新名前|100|10|0\n"
                     "1303|2|日本|100|1|0\n"
                     "1304|3| 空白 |1000|1|1\n");
    EXPECT_FALSE(fileExists(joinPath(data, "REGIST.MEI")));
    auto again = ImportIssueMaster(*db, data, prompt);
    EXPECT_EQ(again.message, "銘柄ファイルが見つかりません。");
}

TEST_F(Master, HeaderFormsAndRepeatedCodesIntoAnEmptyTable) {
    struct {
        const char* header;
        const char* expectMei; // "" when refused
    } cases[] = {
        {"20260105\n2\n", "1301|1|a|1000|1|1\n1302|2|c|100|1|1\n"},
        {"\"20260105 銘柄,一覧\",2\n", "1301|1|a|1000|1|1\n1302|2|c|100|1|1\n"},
        {"20260105,0\n", ""},
        {"20260105,2,x\n", ""},
        {"20260105,zwei\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        ASSERT_TRUE(db->exec("DELETE FROM Mei"));
        prompt.notices.clear();
        // 1302 twice: the second line rewrites what the first one added.
        writeText("Regist.Mei", std::string(c.header) + "1301,1,a,1000,1\n1302,1,b,1000,1\n1302,2,c,100,1\n");
        auto r = ImportIssueMaster(*db, data, prompt);
        if (c.expectMei[0]) {
            EXPECT_EQ(r.message, "読み込み終了");
            EXPECT_EQ(mei(), c.expectMei);
        } else {
            EXPECT_EQ(r.message, "");
            ASSERT_EQ(prompt.notices.size(), 1u);
            EXPECT_NE(prompt.notices.back().find("Regist.Mei の "), std::string::npos) << prompt.notices.back();
            EXPECT_EQ(mei(), "");
            EXPECT_TRUE(fileExists(joinPath(data, "Regist.Mei")));
        }
    }
}

TEST_F(Master, AnErrorLeavesMeiAsItWasAndKeepsTheFile) {
    addMei(1301, 1, "極洋", 1000, 1, false);
    struct {
        std::string line;
        const char* expect;
    } cases[] = {
        {"10000,1,x,1000,1\n", "Regist.Mei の 3 行目: 銘柄コード \"10000\""},
        {"0,1,x,1000,1\n", "銘柄コード \"0\""},
        {"1305,x,x,1000,1\n", "市場コード \"x\": 型が一致しません。"},
        {"1305,1,x,1000\n", "Regist.Mei の 3 行目: 項目が足りません。"},
        {"1305,1,x,many,1\n", "出来高単位"},
        {"1305,1,x,1000,1", "行の終わり"},
        // Cut at a line end: one issue line of the two the header counts (an empty line is no issue).
        {"", "は途中で切れています。(見出しの件数 2 件に対し、銘柄の行は 1 件です)"},
        {"\n", "銘柄の行は 1 件です"},
        {"1305,1,あいうえおかきくけこさしすせそたちつてとな,1000,1\n", ""}, // a long name is cut to 20
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        prompt.notices.clear();
        writeText("Regist.Mei", "20260105,2\n1302,1,新規,1000,1\n" + c.line);
        auto r = ImportIssueMaster(*db, data, prompt);
        if (c.expect[0] == 0) {
            EXPECT_EQ(r.message, "読み込み終了");
            EXPECT_EQ(rows("SELECT 銘柄 FROM Mei WHERE コード = 1305"), "あいうえおかきくけこさしすせそたちつてと\n");
            continue;
        }
        EXPECT_EQ(r.message, "");
        ASSERT_EQ(prompt.notices.size(), 1u);
        EXPECT_NE(prompt.notices[0].find(c.expect), std::string::npos) << prompt.notices[0];
        EXPECT_EQ(mei(), "1301|1|極洋|1000|1|0\n");
        EXPECT_TRUE(fileExists(joinPath(data, "Regist.Mei")));
    }
}
