// Compaction, backup and restore: the database is never lost, copies are consistent while it is open.
#include "core/db/FileCare.h"

#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "support/TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::db;

namespace {

class FileCareTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("Kestrel.mdb");
        ASSERT_TRUE(CreateDatabaseFile(path).isOk());
    }
    void addBars(const std::string& file, int code, int n) {
        auto db = Database::open(file);
        ASSERT_TRUE(db.isOk()) << db.message();
        Transaction tx(**db);
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE((*db)
                            ->run("insert into dayData(コード,日付,終値) values (?,?,?)", code,
                                  Date::fromYmd(2020, 1, 1)->addDays(i), i)
                            .isOk());
        ASSERT_TRUE(tx.commit().isOk());
    }
    static long long bars(const std::string& file, int code) {
        return test::queryCount(file, "select count(*) from dayData where コード=" + std::to_string(code));
    }
    static long long size(const std::string& file) {
        struct stat st {};
        return ::stat(file.c_str(), &st) == 0 ? st.st_size : -1;
    }

    test::TempDir dir;
    std::string path;
};

TEST_F(FileCareTest, PathsOfTheOldCopyAndOfABackupFolder) {
    EXPECT_EQ(oldCopyPath("/home/k/Kestrel.mdb"), "/home/k/Kestrel.old");
    EXPECT_EQ(backupFilePath("/media/usb"), "/media/usb/Kestrel.mdb");
    EXPECT_EQ(backupFilePath("/media/usb/"), "/media/usb/Kestrel.mdb");
    EXPECT_EQ(backupFilePath("/"), "/Kestrel.mdb");
}

TEST_F(FileCareTest, EachCompactionKeepsThePreviousDatabaseAsOld) {
    addBars(path, 1301, 2000);
    test::execSql(path, "delete from dayData where 終値 >= 100");
    long long before = size(path);
    ASSERT_TRUE(compactDatabase(path).isOk());
    EXPECT_EQ(bars(path, 1301), 100);
    EXPECT_EQ(bars(dir.file("Kestrel.old"), 1301), 100);
    EXPECT_LT(size(path), before);
    EXPECT_FALSE(fileExists(path + ".compacting"));

    addBars(path, 1332, 10);
    ASSERT_TRUE(compactDatabase(path).isOk());
    EXPECT_EQ(bars(path, 1332), 10);
    EXPECT_EQ(bars(dir.file("Kestrel.old"), 1332), 10); // the old copy is the database before this compaction
    EXPECT_FALSE(fileExists(path + "-wal"));
}

static ino_t inode(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST_F(FileCareTest, ACompactionStoppedAtAnyStepKeepsTwoSeparateFiles) {
    // Each run adds a bar of a new issue to Kestrel.mdb; Kestrel.old is the database before that.
    const std::string old = oldCopyPath(path);
    addBars(path, 1301, 3);
    ASSERT_TRUE(compactDatabase(path).isOk());
    struct {
        const char* step;
        bool databaseIsNew; // Kestrel.mdb is the compacted copy
        bool oldIsNew;      // Kestrel.old is the database before this run
    } cases[] = {{"open", false, false},     {"copy", false, false},   {"check", false, false},
                 {"keep-old", false, false}, {"replace", true, false}, {"done", true, true}};
    int code = 2000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        addBars(path, ++code, 1);
        test::writeFile(old + ".keeping", "left by an earlier version");
        ino_t before = inode(path);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::setenv("KESTREL_TEST_FILECARE_ABORT", c.step, 1);
            (void)compactDatabase(path);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        ASSERT_TRUE(fileExists(path));
        ASSERT_TRUE(fileExists(old));
        EXPECT_NE(inode(path), inode(old));
        EXPECT_EQ(inode(path) != before, c.databaseIsNew);
        EXPECT_EQ(bars(path, code), 1);
        EXPECT_EQ(bars(old, code), c.oldIsNew ? 1 : 0);
        // The next compaction finishes cleanly and leaves nothing of ours behind.
        ASSERT_TRUE(compactDatabase(path).isOk());
        EXPECT_NE(inode(path), inode(old));
        EXPECT_EQ(bars(old, code), 1);
        for (const char* leftover : {".compacting", ".compacting-journal", "-wal"})
            EXPECT_FALSE(fileExists(path + leftover)) << leftover;
        EXPECT_FALSE(fileExists(old + ".keeping"));
    }
    // Stopped between the two renames where names cannot be exchanged: the database is missing and
    // the checked copy beside it takes its place.
    ASSERT_EQ(std::rename(path.c_str(), (path + ".compacting").c_str()), 0);
    ASSERT_TRUE(compactDatabase(path).isOk());
    EXPECT_EQ(bars(path, code), 1);
    EXPECT_EQ(bars(path, 1301), 3);
}

TEST_F(FileCareTest, CompactionLeavesTheDatabaseWhenItCannotBeDone) {
    // Another connection still open: the database is in use and stays untouched.
    addBars(path, 1301, 5);
    {
        auto other = Database::open(path);
        ASSERT_TRUE(other.isOk());
        Status st = compactDatabase(path);
        EXPECT_FALSE(st.isOk());
        EXPECT_NE(st.message().find("使用中"), std::string::npos) << st.message();
        EXPECT_FALSE(fileExists(dir.file("Kestrel.old")));
    }
    EXPECT_EQ(bars(path, 1301), 5);
    // A damaged file is neither compacted nor replaced.
    std::string damaged = dir.file("damaged.mdb");
    test::writeFile(damaged, std::string(8192, 'x'));
    EXPECT_FALSE(compactDatabase(damaged).isOk());
    EXPECT_EQ(test::readFile(damaged), std::string(8192, 'x'));
    EXPECT_FALSE(fileExists(dir.file("damaged.old")));
}

TEST_F(FileCareTest, BackupWhileOpenCarriesRowsStillInTheLog) {
    test::TempDir media;
    addBars(path, 1301, 3);
    auto writer = Database::open(path);
    ASSERT_TRUE(writer.isOk());
    EXPECT_TRUE((*writer)->exec("PRAGMA wal_autocheckpoint=0"));
    ASSERT_TRUE((*writer)->run("insert into Mei(コード,市場コード,銘柄) values (1301,1,'極洋')").isOk());
    ASSERT_TRUE(fileExists(path + "-wal"));

    // With and without the trailing separator the backup goes to the same file, replacing it.
    ASSERT_TRUE(backupDatabase(path, backupFilePath(media.path())).isOk());
    ASSERT_TRUE((*writer)->run("insert into Mei(コード,市場コード,銘柄) values (1332,1,'日水')").isOk());
    ASSERT_TRUE(backupDatabase(path, backupFilePath(media.path() + "/")).isOk());
    std::string backup = media.file("Kestrel.mdb");
    EXPECT_FALSE(fileExists(backup + "-wal"));
    EXPECT_EQ(test::queryCount(backup, "select count(*) from Mei"), 2);
    EXPECT_EQ(bars(backup, 1301), 3);

    EXPECT_FALSE(backupDatabase(path, backupFilePath(media.file("missing"))).isOk());
    EXPECT_FALSE(backupDatabase(path, path).isOk()); // onto itself
}

TEST_F(FileCareTest, RestoreReplacesTheDatabaseOnlyFromAGoodCopy) {
    test::TempDir media;
    addBars(path, 1301, 4);
    ASSERT_TRUE(backupDatabase(path, backupFilePath(media.path())).isOk());
    addBars(path, 1332, 2);

    std::string notKestrel = media.file("other.mdb");
    ASSERT_TRUE((*Database::create(notKestrel))->exec("create table t(x)").isOk());
    test::writeFile(media.file("garbage.mdb"), std::string(4096, '\1'));
    for (const std::string& source : {media.file("none.mdb"), media.file("garbage.mdb"), notKestrel, path}) {
        EXPECT_FALSE(restoreDatabase(source, path).isOk()) << source;
        EXPECT_EQ(bars(path, 1332), 2) << source;
        EXPECT_FALSE(fileExists(path + ".restoring"));
    }

    ASSERT_TRUE(restoreDatabase(media.file("Kestrel.mdb"), path).isOk());
    EXPECT_EQ(bars(path, 1301), 4);
    EXPECT_EQ(bars(path, 1332), 0);
    EXPECT_TRUE(fileExists(media.file("Kestrel.mdb")));

    // From the copy compaction keeps.
    addBars(path, 1333, 1);
    ASSERT_TRUE(compactDatabase(path).isOk());
    addBars(path, 1334, 1);
    ASSERT_TRUE(restoreDatabase(oldCopyPath(path), path).isOk());
    EXPECT_EQ(bars(path, 1333), 1);
    EXPECT_EQ(bars(path, 1334), 0);
    EXPECT_TRUE(fileExists(oldCopyPath(path)));
    EXPECT_FALSE(fileExists(path + "-wal"));
    EXPECT_FALSE(fileExists(oldCopyPath(path) + "-wal")); // reading it left nothing beside it
}

} // namespace
