// Bulk deletion and the code change on a real database file.
#include "core/db/DataDeletion.h"

#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::db;

namespace {

class DataDeletionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateDatabaseFile(path).isOk()); }
    std::unique_ptr<Database> open() { return std::move(*Database::open(path)); }
    void exec(const std::string& sql) { test::execSql(path, sql); }
    long long count(const std::string& sql) { return test::queryCount(path, sql); }
    // One issue's rows in every per-issue table.
    void seedIssue(int code, int market, int firstDate = 20260105) {
        std::string c = std::to_string(code), d = std::to_string(firstDate), m = std::to_string(market);
        exec("insert into dayData(コード,日付,終値) values (" + c + "," + d + ",100)");
        exec("insert into weekData(コード,日付,終値) values (" + c + "," + d + ",100)");
        exec("insert into shinyo(コード,日付,売残) values (" + c + "," + d + ",5)");
        exec("insert into informationData(種類コード,日付,順位,コード,Top種類コード) values ('A'," + d + "," + c + "," +
             c + ",'d')");
        exec("insert into board(区分,コード,市場コード) values (1," + c + "," + m + ")");
        exec("insert into stockmarket(コード,市場コード) values (" + c + "," + m + ")");
        exec("insert into Mei(コード,市場コード,銘柄) values (" + c + "," + m + ",'x')");
    }
    long long rowsOf(int code) {
        long long n = 0;
        for (const char* t : {"dayData", "weekData", "shinyo", "informationData", "board", "Mei"})
            n += count(std::string("select count(*) from ") + t + " where コード=" + std::to_string(code));
        return n;
    }

    test::TempDir dir;
    std::string path = dir.file("Kestrel.mdb");
    test::ScriptedPrompt prompt;
};

TEST_F(DataDeletionTest, DeleteIssueRemovesEveryPerIssueRowButTheLedger) {
    seedIssue(1301, 1);
    seedIssue(1332, 1);
    DeletionTarget t{path, 1};
    EXPECT_EQ(deleteIssue(t, "1301", prompt).code(), StatusCode::Ok);
    EXPECT_EQ(rowsOf(1301), 0);
    EXPECT_EQ(rowsOf(1332), 6);
    EXPECT_EQ(count("select count(*) from stockmarket where コード=1301"), 1);
    EXPECT_EQ(prompt.log,
              (std::vector<std::string>{"?銘柄ｺｰﾄﾞ=1301 の及び株価ﾃﾞｰﾀｰをすべて削除します　よろしいですか？",
                                        "!削除終了しました。"}));
}

TEST_F(DataDeletionTest, DateRangeIsInclusiveAndTouchesMarginBalancesOnlyInWeeklyMode) {
    for (int d : {20260102, 20260109, 20260116, 20260123}) {
        exec("insert into dayData(コード,日付) values (1301," + std::to_string(d) + ")");
        exec("insert into weekData(コード,日付) values (1301," + std::to_string(d) + ")");
        exec("insert into shinyo(コード,日付) values (1301," + std::to_string(d) + ")");
    }
    EXPECT_EQ(deleteDateRange({path, 1}, "26/01/09", "2026/01/16", prompt).code(), StatusCode::Ok);
    auto db = open();
    auto days = db->prepare("select group_concat(日付) from (select 日付 from dayData order by 日付)");
    ASSERT_TRUE(days->step().value());
    EXPECT_EQ(days->text(0), "20260102,20260123");
    EXPECT_EQ(count("select count(*) from weekData"), 4);
    EXPECT_EQ(count("select count(*) from shinyo"), 4);

    EXPECT_EQ(deleteDateRange({path, 2}, "26/01/09", "26/01/23", prompt).code(), StatusCode::Ok);
    EXPECT_EQ(count("select count(*) from weekData"), 1);
    EXPECT_EQ(count("select count(*) from shinyo"), 1);
    EXPECT_EQ(count("select count(*) from dayData"), 2);
}

// Bad text is refused before any question; a number too large fails only after every text looks right.
TEST_F(DataDeletionTest, BadInputAndTooLargeNumbersAskNothingAndChangeNothing) {
    seedIssue(1301, 1);
    DeletionTarget t{path, 1};
    const std::string huge = "99999999999";
    const auto bad = StatusCode::InvalidInput, failed = StatusCode::OutOfRange;
    const char* date = "日付を入力して下さい。";
    const char* code = "銘柄コードを入力して下さい。";
    const char* market = "市場コードを入力して下さい。";
    const char* overflow = "オーバーフローしました。";
    struct Case {
        std::function<Status()> action;
        StatusCode result;
        const char* message;
    } cases[] = {
        {[&] { return deleteDateRange(t, "26/01/05", "", prompt); }, bad, date},
        {[&] { return deleteDateRange(t, "26/02/30", "26/03/01", prompt); }, bad, date},
        {[&] { return deleteInformationBefore(t, "abc", prompt); }, bad, date},
        {[&] { return deleteIssue(t, "", prompt); }, bad, code},
        {[&] { return deleteIssueBefore(t, "13O1", "26/01/05", prompt); }, bad, code},
        {[&] { return deleteIssueBefore(t, "1301", "26/13/05", prompt); }, bad, date},
        {[&] { return changeIssueCode(t, "1301", "x", std::string("1"), "1", prompt); }, bad, code},
        {[&] { return changeIssueCode(t, "1301", "1302", std::string("東"), "1", prompt); }, bad, market},
        {[&] { return changeIssueCode(t, "1301", "1302", std::nullopt, "", prompt); }, bad, market},
        {[&] { return deleteIssue(t, huge, prompt); }, failed, overflow},
        {[&] { return deleteIssueBefore(t, huge, "26/13/05", prompt); }, bad, date},
        {[&] { return deleteIssueBefore(t, huge, "26/01/05", prompt); }, failed, overflow},
        {[&] { return changeIssueCode(t, huge, "1302", std::string("東"), "1", prompt); }, bad, market},
        {[&] { return changeIssueCode(t, "1301", "1302", std::string("1"), huge, prompt); }, failed, overflow},
        {[&] { return changeIssueCode(t, "1301", huge, std::string(huge), "1", prompt); }, failed, overflow},
    };
    for (auto& c : cases) {
        prompt.log.clear();
        EXPECT_EQ(c.action().code(), c.result) << c.message;
        EXPECT_EQ(prompt.log, std::vector<std::string>{std::string("!") + c.message});
    }
    // The old market is only looked at as text: a huge one reaches the question.
    test::ScriptedPrompt no;
    no.answer(false);
    EXPECT_EQ(changeIssueCode(t, "1301", "1302", huge, "1", no).code(), StatusCode::Cancelled);
    EXPECT_EQ(rowsOf(1301), 6);
}

TEST_F(DataDeletionTest, InformationAndPerIssueDeletionsStopAtTheirDate) {
    for (int d : {20260105, 20260106, 20260107}) {
        exec("insert into informationData(種類コード,日付,順位,コード,Top種類コード) values ('A'," + std::to_string(d) +
             ",1,1301,'d')");
        exec("insert into dayData(コード,日付) values (1301," + std::to_string(d) + ")");
        exec("insert into dayData(コード,日付) values (1332," + std::to_string(d) + ")");
        exec("insert into shinyo(コード,日付) values (1301," + std::to_string(d) + ")");
    }
    EXPECT_EQ(deleteInformationBefore({path, 1}, "26/01/06", prompt).code(), StatusCode::Ok);
    EXPECT_EQ(prompt.questions.back(), "確認|26/01/06 日以前の株価ﾃﾞｰﾀｰをすべて削除します　よろしいですか？");
    EXPECT_EQ(count("select count(*) from informationData"), 1);
    EXPECT_EQ(deleteIssueBefore({path, 1}, "1301", "26/01/06", prompt).code(), StatusCode::Ok);
    EXPECT_EQ(count("select count(*) from dayData where コード=1301"), 1);
    EXPECT_EQ(count("select count(*) from dayData where コード=1332"), 3);
    EXPECT_EQ(count("select count(*) from shinyo"), 3);
    prompt.answer(false);
    EXPECT_EQ(deleteIssueBefore({path, 2}, "1301", "26/01/07", prompt).code(), StatusCode::Cancelled);
    EXPECT_EQ(count("select count(*) from shinyo"), 3);
}

TEST_F(DataDeletionTest, CodeChangeToAFreeCodeMovesEveryTableAndTheIssue) {
    seedIssue(1301, 1);
    EXPECT_EQ(changeIssueCode({path, 1}, "1301", "1302", std::string("1"), "2", prompt).code(), StatusCode::Ok);
    EXPECT_EQ(rowsOf(1301), 0);
    EXPECT_EQ(rowsOf(1302), 6);
    EXPECT_EQ(count("select count(*) from stockmarket where コード=1302"), 1);
    EXPECT_EQ(count("select 市場コード from Mei where コード=1302"), 2);
    // The board keeps its own market column; only the issue master takes the new market.
    EXPECT_EQ(count("select 市場コード from board where コード=1302"), 1);
    EXPECT_EQ(prompt.log,
              (std::vector<std::string>{"?コード　又は　市場　を変更します　よろしいですか？", "!変更終了しました。"}));
}

TEST_F(DataDeletionTest, CollisionQuestionsComeInTableOrderAndNoStopsEverything) {
    seedIssue(1301, 1);
    seedIssue(1302, 2, 20250106);
    const std::vector<std::string> questions = {
        "?コード　又は　市場　を変更します　よろしいですか？",
        "?日データに変更先のコードがすでに存在しますが　実行しますか？",
        "?週データに変更先のコードがすでに存在します　実行しますか？",
        "?株式情報データに変更先のコードがすでに存在します　実行しますか？",
        "?株価ボードＡデータに変更先のコードがすでに存在します　実行しますか？",
        "?銘柄データに変更先のコードがすでに存在します　実行しますか？",
    };
    // Answer No at each question in turn: the questions up to it are asked, nothing changes.
    for (size_t no = 0; no < questions.size(); ++no) {
        test::ScriptedPrompt p;
        for (size_t i = 0; i < no; ++i)
            p.answer(true);
        p.answer(false);
        EXPECT_EQ(changeIssueCode({path, 1}, "1301", "1302", std::string("1"), "2", p).code(), StatusCode::Cancelled);
        EXPECT_EQ(p.log, std::vector<std::string>(questions.begin(), questions.begin() + long(no) + 1));
        EXPECT_EQ(rowsOf(1301), 6);
        EXPECT_EQ(rowsOf(1302), 6);
    }
    // The Mei question is asked only when the new code is registered in the new market.
    test::ScriptedPrompt other;
    for (int i = 0; i < 5; ++i)
        other.answer(true);
    (void)changeIssueCode({path, 1}, "1301", "1302", std::string("1"), "3", other);
    EXPECT_EQ(other.questions.size(), 5u);
}

TEST_F(DataDeletionTest, ACodeChangeThatFailsChangesNothingAndReportsNoCompletion) {
    seedIssue(1301, 1);
    // 1302 exists only in Mei: every table updates until Mei refuses the duplicate key.
    exec("insert into Mei(コード,市場コード,銘柄) values (1302,2,'y')");
    EXPECT_EQ(changeIssueCode({path, 1}, "1301", "1302", std::string("1"), "2", prompt).code(), StatusCode::Database);
    EXPECT_EQ(prompt.questions.size(), 2u);
    ASSERT_EQ(prompt.notices.size(), 1u);
    EXPECT_NE(prompt.notices[0].find("Mei"), std::string::npos) << prompt.notices[0];
    EXPECT_EQ(rowsOf(1301), 6);
    EXPECT_EQ(count("select count(*) from stockmarket where コード=1301"), 1);
    EXPECT_EQ(count("select count(*) from dayData where コード=1302"), 0);

    // Same dates in the day table: the first update already fails, and again nothing moves.
    exec("delete from Mei where コード=1302");
    exec("insert into dayData(コード,日付) values (1302,20260105)");
    test::ScriptedPrompt yes;
    EXPECT_EQ(changeIssueCode({path, 1}, "1301", "1302", std::string("1"), "2", yes).code(), StatusCode::Database);
    EXPECT_EQ(rowsOf(1301), 6);
    EXPECT_EQ(yes.notices.size(), 1u);
}

TEST_F(DataDeletionTest, DeleteAllDataRecreatesTheFileAndLeavesNoOldLog) {
    seedIssue(1301, 1);
    {
        // Rows that sit only in the write-ahead log of an earlier connection.
        auto db = open();
        EXPECT_TRUE(db->exec("PRAGMA wal_autocheckpoint=0"));
        EXPECT_TRUE(db->exec("insert into dayData(コード,日付) values (9999,20260105)"));
    }
    EXPECT_EQ(deleteAllData(path, prompt).code(), StatusCode::Ok);
    EXPECT_EQ(prompt.notices, std::vector<std::string>{"株価データーをすべて削除しました。"});
    EXPECT_EQ(count("select count(*) from dayData"), 0);
    EXPECT_EQ(count("select count(*) from Mei"), 0);
    EXPECT_EQ(count("select count(*) from Shijyo"), 6);
    EXPECT_FALSE(test::readFile(path + ".cleared").size());

    std::remove(path.c_str());
    test::ScriptedPrompt none;
    EXPECT_EQ(deleteAllData(path, none).code(), StatusCode::Ok);
    EXPECT_EQ(none.notices, std::vector<std::string>{"株価データーが無い為削除しませんでした。"});
    EXPECT_FALSE(fileExists(path));

    test::ScriptedPrompt no;
    no.answer(false);
    EXPECT_EQ(deleteAllData(path, no).code(), StatusCode::Cancelled);
    EXPECT_TRUE(no.notices.empty());
}

} // namespace
