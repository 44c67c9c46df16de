#include "core/boards/BoardFiles.h"

#include "core/app/Encoding.h"
#include "core/boards/BoardEntries.h"
#include "core/boards/BoardStore.h"
#include "core/settings/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::boards;
using kestrel::test::readFile;
using kestrel::test::ScriptedPrompt;
using kestrel::test::writeFile;

namespace {

class BoardFilesTest : public ::testing::Test, protected test::KestrelDb {
protected:
    void SetUp() override {
        for (auto [code, market, name] : {std::tuple{7203, 1, "ＡＢＣ自動車"}, {6758, 1, "ＸＹＺ"}, {1301, 2, "極洋"}})
            ASSERT_TRUE(database->run(
                "INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, ?, ?, 1000, 1)", code,
                market, name));
    }
    void addRow(int kind, int code, int market, const char* name) {
        ASSERT_TRUE(database->run("INSERT INTO board (区分, コード, 市場コード, 銘柄) VALUES (?, ?, ?, ?)", kind, code,
                                  market, name));
    }
    std::string boardCodes(int kind) {
        auto rows = readBoard(*database, kind, BoardOrder::CodeMarket);
        std::string out;
        for (const BoardRow& r : *rows)
            out += std::to_string(r.code) + ":" + r.name + " ";
        return out;
    }
    static std::string sjis(const std::string& utf8) { return *utf8ToCp932(utf8); }

    db::Database* database = db.get();
    const std::string ini = dir.file("Kestrel.ini");
    ScriptedPrompt prompt;
};

} // namespace

TEST_F(BoardFilesTest, SavedTextIsCp932WithCrLfInCodeOrder) {
    const std::string empty = dir.file("empty.A");
    ASSERT_TRUE(SaveBoardText(*database, empty, 1));
    EXPECT_EQ(readFile(empty), "\r\n");

    addRow(1, 7203, 1, "ＡＢＣ自動車");
    addRow(1, 1301, 2, "極洋");
    addRow(2, 6758, 1, "ＸＹＺ");
    const std::string path = dir.file("x.A");
    ASSERT_TRUE(saveBoardToFile(*database, ini, 1, path, prompt));
    EXPECT_EQ(readFile(path), sjis("1,1301,2,極洋\r\n1,7203,1,ＡＢＣ自動車\r\n"));
    EXPECT_EQ(readProfileString(ini, "Kestrel", "boardA"), "x.A");
    EXPECT_EQ(prompt.notices, std::vector<std::string>{"保存しました。"});

    // An existing file is replaced only after the question.
    prompt.answer(false);
    EXPECT_EQ(saveBoardToFile(*database, ini, 2, path, prompt).code(), StatusCode::Cancelled);
    EXPECT_EQ(prompt.questions.back(), "|" + path + "のファイルは存在します 上書きしますか？");
    EXPECT_EQ(readFile(path), sjis("1,1301,2,極洋\r\n1,7203,1,ＡＢＣ自動車\r\n"));

    // A name with no CP932 form: the message names the file, which is not written.
    addRow(2, 1111, 1, "絵\U0001F600");
    const std::string bad = dir.file("bad.B");
    Status refused = SaveBoardText(*database, bad, 2);
    EXPECT_EQ(refused.message(), bad + " に書けません。株価ボードの銘柄名に CP932 で表せない文字があります。");
    EXPECT_FALSE(fileExists(bad));
}

TEST_F(BoardFilesTest, LoadReplacesTheBoardLineByLine) {
    addRow(1, 9999, 1, "旧");
    addRow(2, 8888, 1, "B");
    const std::string path = dir.file("in.A");
    // The later line starting with 2 lands on board B, as the file says.
    writeFile(path, sjis("1,7203,1,ＡＢＣ自動車\r\n1,1301,2,極洋,余り\r\n2,6758,1,ＸＹＺ\r\n"));
    ASSERT_TRUE(loadBoardFromFile(*database, ini, 1, path, prompt));
    EXPECT_EQ(boardCodes(1), "1301:極洋 7203:ＡＢＣ自動車 ");
    EXPECT_EQ(boardCodes(2), "6758:ＸＹＺ 8888:B ");
    EXPECT_EQ(readProfileString(ini, "Kestrel", "boardA"), "in.A");

    // A board-A file is refused for board B before any question.
    prompt.questions.clear();
    EXPECT_EQ(loadBoardFromFile(*database, ini, 2, path, prompt).code(), StatusCode::InvalidInput);
    EXPECT_EQ(prompt.notices.back(), "株価ボードＢに株価ボードＡのデーターを読み込もうとしています。");
    EXPECT_TRUE(prompt.questions.empty());
    EXPECT_EQ(boardCodes(2), "6758:ＸＹＺ 8888:B ");
}

TEST_F(BoardFilesTest, BadFilesLeaveTheBoardAsItWas) {
    addRow(1, 9999, 1, "旧");
    addRow(2, 8888, 1, "B");
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"1,7203,1,ＡＢＣ\r\n1,1301\r\n", "株価ボードファイルの 2 行目を読み込めません。"},
        {"1,7203,1\r\n", "株価ボードファイルの 1 行目を読み込めません。"},
        {"1,abc,1,X\r\n", "株価ボードファイルの 1 行目を読み込めません。"},
        // A line repeating an earlier line's board and code (the blank line counts).
        {"1,7203,1,ＡＢＣ\r\n\r\n1,7203,2,ＡＢＣ\r\n",
         "株価ボードファイルの 3 行目の銘柄コード 7203 は 1 行目と重なっています。"},
        // Found only while loading, after the first line went in: nothing is kept.
        {"1,7203,1,ＡＢＣ\r\n1,1301,2,あいうえおかきくけこさしすせそたちつてとな\r\n",
         "株価ボードファイルの 2 行目の銘柄名が 20 文字を超えています。"},
        {"1,7203,1,ＡＢＣ\r\n2,8888,1,B\r\n",
         "株価ボードファイルの 2 行目の銘柄コード 8888 はすでに登録されています。"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("bad.A");
        writeFile(path, sjis(c.text));
        prompt.notices.clear();
        EXPECT_FALSE(loadBoardFromFile(*database, ini, 1, path, prompt)) << c.text;
        ASSERT_EQ(prompt.notices.size(), 1u) << c.text;
        EXPECT_EQ(prompt.notices[0], c.message);
        EXPECT_EQ(boardCodes(1), "9999:旧 ") << c.text;
        EXPECT_EQ(boardCodes(2), "8888:B ") << c.text;
    }
    EXPECT_EQ(readProfileString(ini, "Kestrel", "boardA"), "");
}

TEST_F(BoardFilesTest, ProposedListNames) {
    const Date day = *Date::fromYmd(2001, 5, 18);
    const std::string data = dir.path();
    EXPECT_EQ(proposedListName(data, day), "010518_0.Lis");
    writeFile(dir.file("010518_0.Lis"), "");
    writeFile(dir.file("010518_1.LIS"), ""); // names are matched without regard to case
    EXPECT_EQ(proposedListName(data, day), "010518_2.Lis");
    for (int n = 2; n < 10; ++n)
        writeFile(dir.file("010518_" + std::to_string(n) + ".Lis"), "");
    EXPECT_EQ(proposedListName(data, day), "01051810.Lis");
    for (int n = 10; n < 100; ++n)
        writeFile(dir.file("010518" + std::to_string(n) + ".Lis"), "");
    EXPECT_EQ(proposedListName(data, day), "01051899.Lis");
}

TEST_F(BoardFilesTest, IssueListFiles) {
    const std::string path = dir.file("a.Lis");
    // A code of fewer than four digits is written alone, so the list reads back.
    ASSERT_TRUE(writeIssueListFile(path, {"7203 東１ ＡＢＣ自動車", "1301 東２ 極洋", "7 東１ 短い"}, prompt));
    EXPECT_EQ(readFile(path), "7203\r\n1301\r\n7\r\n");

    writeFile(path, sjis("7203\r\n6758,ＸＹＺ\r\nabcd\r\n4444\r\n1,1301,2,極洋\r\n1301"));
    auto rows = readIssueListFile(*database, path);
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows, (std::vector<std::string>{"7203 東１ ＡＢＣ自動車", "6758 東１ ＸＹＺ", "1301 東２ 極洋"}));
}

TEST_F(BoardFilesTest, RegisterRemoveAndMove) {
    const Date today = *Date::fromYmd(2001, 5, 18);
    const ShownIssue shown{"7203", "東１", "ＡＢＣ自動車"};
    EXPECT_EQ(registerShownIssue(*database, 1, {"7203", "", ""}, today, prompt).code(), StatusCode::InvalidInput);
    EXPECT_EQ(prompt.notices.back(), "銘柄コードを入力して下さい。");
    ASSERT_TRUE(registerShownIssue(*database, 1, shown, today, prompt));
    EXPECT_EQ(prompt.questions.back(), "登録確認|ＡＢＣ自動車 を株価ボードＡに登録します　よろしいですか？");
    EXPECT_EQ(registerShownIssue(*database, 1, shown, today, prompt).code(), StatusCode::Failed);
    EXPECT_EQ(prompt.notices.back(), "すでに登録されています。");
    EXPECT_EQ(*database->queryInt("SELECT 日付 FROM board WHERE 区分 = 1 AND コード = 7203"), 20010518);
    ASSERT_TRUE(registerShownIssue(*database, 2, shown, today, prompt));

    // The destination holds the code: nothing moves.
    EXPECT_FALSE(MoveBetweenBoards(*database, 1, "7203", "株価ボードAからBへ移動", prompt));
    EXPECT_EQ(prompt.questions.back(), "確認|コード=7203 銘柄を 株価ボードAからBへ移動 しますよろしいですか？");
    EXPECT_EQ(prompt.notices.back(), "すでに登録されています。");
    EXPECT_EQ(boardCodes(1), "7203:ＡＢＣ自動車 ");

    ASSERT_TRUE(removeShownIssue(*database, 2, shown, prompt));
    EXPECT_EQ(prompt.questions.back(), "削除確認|ＡＢＣ自動車 を株価ボードＢから削除します　よろしいですか？");
    EXPECT_EQ(removeShownIssue(*database, 2, shown, prompt).code(), StatusCode::NotFound);
    EXPECT_EQ(prompt.notices.back(), "株価ボードに登録されていません。");

    EXPECT_EQ(MoveBetweenBoards(*database, 2, "6758", "株価ボードBからAへ移動", prompt).code(), StatusCode::NotFound);
    EXPECT_EQ(prompt.notices.back(), "ボードBに登録されていません。");
    EXPECT_EQ(MoveBetweenBoards(*database, 1, "ab12", "x", prompt).code(), StatusCode::InvalidInput);
    EXPECT_EQ(prompt.notices.back(), "株価ボードデーターを移動できません。");
    ASSERT_TRUE(MoveBetweenBoards(*database, 1, "7203", "株価ボードAからBへ移動", prompt));
    EXPECT_EQ(prompt.notices.back(), "移動しました。");
    EXPECT_EQ(boardCodes(1), "");
    EXPECT_EQ(boardCodes(2), "7203:ＡＢＣ自動車 ");

    // Only issues of Mei reach the list, by market then code.
    addRow(2, 1301, 2, "極洋");
    addRow(2, 4444, 1, "無い銘柄");
    addRow(2, 6758, 1, "ＸＹＺ");
    auto rows = boardIssueListRows(*database, 2);
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows, (std::vector<std::string>{"6758 東１ ＸＹＺ", "7203 東１ ＡＢＣ自動車", "1301 東２ 極洋"}));
}

// A name typed without an extension gets the board's; any other name is kept as typed.
TEST(BoardFileNames, BoardExtensionOnlyWhenTheNameHasNone) {
    const struct {
        const char* path;
        int board;
        const char* saved;
    } cases[] = {
        {"/d/mine", 1, "/d/mine.A"},       {"/d/mine", 2, "/d/mine.B"},  {"/d/mine.A", 1, "/d/mine.A"},
        {"/d/mine.txt", 2, "/d/mine.txt"}, {"/d/mine.", 1, "/d/mine.A"}, {"/d.old/mine", 2, "/d.old/mine.B"},
        {"/d/.mine", 1, "/d/.mine.A"},     {"mine", 1, "mine.A"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withBoardExtension(c.path, c.board), c.saved) << c.path;
}
