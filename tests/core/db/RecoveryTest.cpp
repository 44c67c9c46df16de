// A damaged Kestrel.mdb: told apart from a sound one, kept aside, and replaced only as the user chooses.
#include "core/db/Recovery.h"

#include "core/app/Files.h"
#include "core/db/FileCare.h"
#include "core/db/Schema.h"
#include "support/TestSupport.h"

#include <dirent.h>
#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::db;

namespace {

// A database with n bars of 1301 and one Mei row named name.
void makeDatabase(const std::string& path, int bars, const std::string& name) {
    ASSERT_TRUE(CreateDatabaseFile(path).isOk());
    std::string sql = "BEGIN; INSERT INTO Mei(コード,市場コード,銘柄) VALUES (1301,1,'" + name + "');";
    for (int i = 0; i < bars; ++i)
        sql += "INSERT INTO dayData(コード,日付,終値) VALUES (1301," + std::to_string(20000101 + i) + ",1);";
    test::execSql(path, sql + "COMMIT;");
}

std::vector<std::string> keptAside(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    while (dirent* e = ::readdir(d))
        if (std::string(e->d_name).find(".damaged-") != std::string::npos)
            names.push_back(e->d_name);
    ::closedir(d);
    return names;
}

TEST(Recovery, TheCheckTellsDamageFromForeignAndNewerFiles) {
    test::TempDir dir;
    const std::string good = dir.file("good.mdb");
    makeDatabase(good, 2000, "極洋");
    const std::string bytes = test::readFile(good);
    ASSERT_GT(bytes.size(), 40000u);
    const std::string foreign = dir.file("foreign.mdb");
    ASSERT_TRUE((*Database::create(foreign))->exec("CREATE TABLE t(x)").isOk());
    const std::string older = dir.file("older.mdb");
    test::writeFile(older, bytes);
    test::execSql(older, "DROP TABLE Bunkatu; PRAGMA user_version = 2");
    const std::string newer = dir.file("newer.mdb");
    test::writeFile(newer, bytes);
    test::execSql(newer, "PRAGMA user_version = 99");

    std::string overwritten = bytes;
    overwritten.replace(8192, 16384, std::string(16384, '\x55'));
    struct {
        std::string name, content; // content written to the file, unless empty
        FileState state;
        const char* message;
    } cases[] = {
        {"good.mdb", "", FileState::Sound, ""},
        {"older.mdb", "", FileState::Sound, ""},
        {"overwritten.mdb", overwritten, FileState::Damaged, "が壊れています。"},
        {"half.mdb", bytes.substr(0, bytes.size() / 2), FileState::Damaged, "が壊れています。"},
        {"random.mdb", std::string(20000, '\x9b'), FileState::Damaged, "はデータベースではありません。"},
        {"foreign.mdb", "", FileState::Foreign, "は株価ケストレルのデータベースではありません。"},
        {"newer.mdb", "", FileState::Newer, "新しいバージョン"},
        {"missing.mdb", "", FileState::Missing, "が見つかりません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        if (!c.content.empty())
            test::writeFile(path, c.content);
        FileCheck check = checkDatabaseFile(path, true, true);
        EXPECT_EQ(check.state, c.state) << check.message;
        EXPECT_NE(check.message.find(c.message), std::string::npos) << check.message;
        if (c.state != FileState::Missing) {
            EXPECT_NE(check.message.find(path), c.state == FileState::Sound ? 0u : std::string::npos);
            EXPECT_FALSE(fileExists(path + "-wal")) << "the check left a log beside the file";
        }
    }
    // Row counts; a table the file predates counts as missing, not as an error.
    FileCheck older2 = checkDatabaseFile(older, false, true);
    ASSERT_EQ(older2.rows.size(), schemaTables().size());
    for (const TableRows& t : older2.rows) {
        SCOPED_TRACE(t.table);
        if (t.table == "dayData")
            EXPECT_EQ(t.rows, 2000);
        else if (t.table == "Mei")
            EXPECT_EQ(t.rows, 1);
        else if (t.table == "Shijyo")
            EXPECT_EQ(t.rows, 6);
        else if (t.table == "Bunkatu")
            EXPECT_FALSE(t.rows.has_value());
        else
            EXPECT_EQ(t.rows, 0);
    }
}

TEST(Recovery, TheUsersChoiceReplacesTheDamagedFileWhichIsKeptAside) {
    const std::string damagedBytes(12000, '\x9b');
    struct {
        bool soundOld, soundBackup;
        std::vector<bool> answers;
        Recovery outcome;
        const char* meiName; // the Mei row of the database afterwards; "" when there is none
        size_t questions;
    } cases[] = {
        {true, true, {true}, Recovery::Restored, "old", 1},
        {true, true, {false, true}, Recovery::Restored, "backup", 2},
        {true, true, {false, false, true}, Recovery::CreatedEmpty, "", 3},
        {false, true, {true}, Recovery::Restored, "backup", 1}, // a damaged Kestrel.old is not offered
        {false, false, {true}, Recovery::CreatedEmpty, "", 1},
        {true, true, {false, false, false}, Recovery::Declined, nullptr, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.soundOld << c.soundBackup << c.answers.size());
        test::TempDir home, media;
        const std::string path = home.file("Kestrel.mdb");
        test::writeFile(path, damagedBytes);
        if (c.soundOld)
            makeDatabase(oldCopyPath(path), 1, "old");
        else
            test::writeFile(oldCopyPath(path), damagedBytes);
        if (c.soundBackup)
            makeDatabase(media.file("Kestrel.mdb"), 1, "backup");

        test::ScriptedPrompt prompt;
        for (bool a : c.answers)
            prompt.answer(a);
        auto r = offerRecovery(path, checkDatabaseFile(path), backupFilePath(media.path()), prompt);
        ASSERT_TRUE(r.isOk()) << r.message();
        EXPECT_EQ(*r, c.outcome);
        EXPECT_EQ(prompt.questions.size(), c.questions);
        ASSERT_FALSE(prompt.notices.empty());
        EXPECT_NE(prompt.notices[0].find("はデータベースではありません。"), std::string::npos) << prompt.notices[0];
        if (c.outcome == Recovery::Declined) {
            EXPECT_EQ(test::readFile(path), damagedBytes);
            EXPECT_TRUE(keptAside(home.path()).empty());
            continue;
        }
        auto aside = keptAside(home.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(test::readFile(home.file(aside[0])), damagedBytes);
        EXPECT_NE(prompt.notices.back().find(aside[0]), std::string::npos) << prompt.notices.back();
        EXPECT_EQ(checkDatabaseFile(path).state, FileState::Sound);
        EXPECT_EQ(test::queryText(path, "SELECT 銘柄 FROM Mei"), c.meiName);
        EXPECT_EQ(test::queryCount(path, "SELECT count(*) FROM Shijyo"), 6);
    }
}

} // namespace
