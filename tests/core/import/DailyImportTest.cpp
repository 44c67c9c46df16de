#include "core/import/DailyImport.h"

#include "DataGenerator.h"
#include "ImportFixture.h"
#include "core/import/DailyFile.h"

#include <sys/wait.h>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::import;
using kestrel::test::day;

namespace {

struct DailyImport : test::ImportFixture {
    DailyImportOptions options() {
        DailyImportOptions o;
        o.dailyFolder = data;
        return o;
    }
    void seedMei() {
        addMei(1301, 1, "極洋");
        addMei(1305, 2, "旧名");
        addMei(9999, 1, "消える");
    }
    // Three trading days, a duplicate record, a new issue, an index, a 大証 record, a zero-volume day,
    // an empty volume, and a Saturday file last.
    void writeWeek(const std::string& folder = "") {
        writeText("Ds202601.05",
                  "20260105\n5,Kestrel\n"
                  "1301,0,極洋,100,110,90,100,5000\n"
                  "1305,1, 新名 ,50.5,51,49,50.5,100\n"
                  "1302,2,大証株,1,1,1,1,1\n"
                  "1303,5,新規,200,200,200,200,10\n"
                  "1001,0,平均株価,20000.5,20100,19900,20050.5,1523.25\n",
                  folder);
        writeText("Ds202601.06",
                  "20260106\n4,Kestrel\n"
                  "1301,0,極洋,101,106,100,105,3000\n"
                  "1303,5,新規,200,200,200,200,0\n"
                  "1301,0,極洋,1,1,1,1,1\n"
                  "1305,1,新名,50,52,50,51.5,10\n",
                  folder);
        writeText("Ds202601.07",
                  "20260107\n2,Kestrel\n"
                  "1303,5,新規,190,190,190,190,5\n"
                  "1301,0,極洋,105,105,105,105,\n",
                  folder);
        writeText("Ds202601.10", "20260110\n1,Kestrel\n1301,0,極洋,1,1,1,999,1\n", folder);
    }
};

const char* const kWeekRows = "1001|20260105|20000|20100|19900|20050|0|1523.25|20050\n"
                              "1301|20260105|100|110|90|100|0|5000|100\n"
                              "1301|20260106|101|106|100|105|5|3000|105\n"
                              "1301|20260107|0|0|0|0|0|0|105\n"
                              "1303|20260105|200|200|200|200|0|10|200\n"
                              "1303|20260106|0|0|0|0|0|0|200\n"
                              "1303|20260107|190|190|190|190|-10|5|190\n"
                              "1305|20260105|50|51|49|50|0|100|50\n"
                              "1305|20260106|50|52|50|52|2|10|52\n";

} // namespace

TEST_F(DailyImport, StoresBarsWithChangesAndKeepsMeiInStep) {
    seedMei();
    writeWeek();
    auto r = ImportDailyFiles(*db, day(1, 5), day(1, 11), options());
    ASSERT_TRUE(r.status) << r.status.message();
    EXPECT_EQ(r.message, "読み込み終了");
    EXPECT_EQ(r.rowsStored, 9);
    EXPECT_EQ(rows("SELECT * FROM dayData ORDER BY コード, 日付"), kWeekRows);
    // New issues enter with units 1000 and 1; a renamed issue keeps its units; 更新Flg follows the last
    // file with trading days (the Saturday file stores nothing and changes no flag).
    EXPECT_EQ(rows("SELECT * FROM Mei ORDER BY コード"), "1001|1|平均株価|1000|1|0\n"
                                                         "1301|1|極洋|1000|1|1\n"
                                                         "1303|3|新規|1000|1|1\n"
                                                         "1305|2|新名|1000|1|0\n"
                                                         "9999|1|消える|1000|1|0\n");

    // Rerunning with RDel 0 changes nothing and reports that nothing was stored.
    std::string before = dump();
    auto again = ImportDailyFiles(*db, day(1, 5), day(1, 11), options());
    ASSERT_TRUE(again.status);
    EXPECT_EQ(again.message, "株式データーが存在しません｡");
    EXPECT_EQ(dump(), before);

    // With RDel 1 a day is replaced; later days are not recomputed.
    writeText("Ds202601.06", "20260106\n1,Kestrel\n1301,0,極洋,101,108,100,107,3000\n");
    auto o = options();
    o.deleteExisting = true;
    auto replaced = ImportDailyFiles(*db, day(1, 6), day(1, 6), o);
    ASSERT_TRUE(replaced.status) << replaced.status.message();
    EXPECT_EQ(rows("SELECT * FROM dayData WHERE 日付 = 20260106"), "1301|20260106|101|108|100|107|7|3000|107\n");
    EXPECT_EQ(rows("SELECT 基準前日比 FROM dayData WHERE 日付 = 20260107 AND コード = 1301"), "105\n");
    EXPECT_EQ(rows("SELECT コード FROM Mei WHERE 更新Flg = 1"), "1301\n");
}

TEST_F(DailyImport, LooksForThePreviousDayAtMostSixtyDaysBack) {
    // From Friday 9 January: 60 days later is Tuesday 10 March, 61 days Wednesday 11 March.
    struct {
        Date later;
        const char* expect;
    } cases[] = {{day(3, 10), "1301|20260310|103|103|103|103|3|1|103\n"},
                 {day(3, 11), "1301|20260311|103|103|103|103|0|1|103\n"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(db->exec("DELETE FROM dayData"));
        std::string name = dailyFileName(c.later);
        writeText("Ds202601.09", "20260109\n1,Kestrel\n1301,0,極洋,100,100,100,100,1\n");
        writeText(name, c.later.toYYYYMMDD() + "\n1,Kestrel\n1301,0,極洋,103,103,103,103,1\n");
        auto r = ImportDailyFiles(*db, day(1, 9), c.later, options());
        ASSERT_TRUE(r.status) << r.status.message();
        EXPECT_EQ(rows("SELECT * FROM dayData WHERE 日付 = " + c.later.toYYYYMMDD()), c.expect);
        std::remove(joinPath(data, name).c_str());
    }
}

TEST_F(DailyImport, NothingToReadReportsNoData) {
    auto r = ImportDailyFiles(*db, day(1, 5), day(1, 9), options());
    ASSERT_TRUE(r.status);
    EXPECT_EQ(r.message, "株式データーが存在しません｡");
    writeWeek();
    auto noFolder = ImportDailyFiles(*db, day(1, 5), day(1, 9), DailyImportOptions());
    EXPECT_TRUE(noFolder.status);
    EXPECT_EQ(noFolder.rowsStored, 0);
    DailyImportResult missing = ImportDailyFiles(*db, day(1, 5), day(1, 9), [&] {
        DailyImportOptions o = options();
        o.dailyFolder += "gone/";
        return o;
    }());
    EXPECT_EQ(missing.message,
              "株式データーが存在しません｡(日々データーフォルダ " + options().dailyFolder + "gone/ がありません。)");
    EXPECT_EQ(rows("SELECT count(*) FROM dayData"), "0\n");
}

TEST_F(DailyImport, ABadFileRollsBackAloneAndARerunCompletesTheRange) {
    seedMei();
    writeWeek();
    writeText("Ds202601.06", "20260106\n4,Kestrel\n"
                             "1301,0,極洋,101,106,100,105,3000\n"
                             "1303,5,新規,200,200,200,200,0\n"
                             "1301,0,極洋,1,1,1,1,1\n"
                             "13x5,1,新名,50,52,50,51.5,10\n");
    auto r = ImportDailyFiles(*db, day(1, 5), day(1, 11), options());
    ASSERT_FALSE(r.status);
    EXPECT_NE(r.status.message().find("Ds202601.06 の 6 行目"), std::string::npos) << r.status.message();
    EXPECT_EQ(stoppedImportMessage(r),
              "Ds202601.05: 読み込み済み (1 ファイル)。Ds202601.06で中止しました: " + r.status.message());
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(rows("SELECT DISTINCT 日付 FROM dayData"), "20260105\n");
    EXPECT_EQ(rows("SELECT コード FROM Mei WHERE 更新Flg = 0"), "9999\n"); // from the first file

    writeWeek(); // the file repaired
    auto rerun = ImportDailyFiles(*db, day(1, 5), day(1, 11), options());
    ASSERT_TRUE(rerun.status) << rerun.status.message();
    EXPECT_EQ(rows("SELECT * FROM dayData ORDER BY コード, 日付"), kWeekRows);
    EXPECT_EQ(rows("SELECT コード FROM Mei WHERE 更新Flg = 1"), "1301\n1303\n");
}

// A run killed at any point (here: in the middle of the last file, with every file in its own commit
// or all in one) and then rerun gives the same tables as a run that was never interrupted.
TEST_F(DailyImport, AKilledRunAndARerunEqualAnUninterruptedRun) {
    test::TempDir cleanDir;
    std::string reference;
    {
        ASSERT_TRUE(db::CreateDatabaseFile(cleanDir.file("Kestrel.mdb")));
        auto clean = db::openKestrelDatabase(cleanDir.file("Kestrel.mdb"));
        ASSERT_TRUE(clean);
        for (int code : {1301, 1305, 9999})
            ASSERT_TRUE((*clean)->run("INSERT INTO Mei VALUES (?, 1, 'x', 1000, 1, 1)", code));
        writeWeek();
        auto r = ImportDailyFiles(**clean, day(1, 5), day(1, 11), options());
        ASSERT_TRUE(r.status);
        std::swap(db, *clean);
        reference = dump();
        std::swap(db, *clean);
    }
    for (long long perCommit : {1LL, 1000000LL}) {
        SCOPED_TRACE(perCommit);
        ASSERT_TRUE(db->exec("DELETE FROM dayData; DELETE FROM Mei"));
        for (int code : {1301, 1305, 9999})
            ASSERT_TRUE(db->run("INSERT INTO Mei VALUES (?, 1, 'x', 1000, 1, 1)", code));
        db.reset();
        pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            auto own = db::openKestrelDatabase(dbPath);
            if (!own)
                _exit(3);
            ImportProgress p;
            p.step = [](const std::string& s) {
                if (s == "Ds202601.07 処理中.....")
                    _exit(0); // killed: no commit, no clean-up
            };
            auto o = options();
            o.rowsPerCommit = perCommit;
            ImportDailyFiles(**own, day(1, 5), day(1, 11), o, p);
            _exit(4);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        reopen();
        EXPECT_EQ(rows("SELECT count(DISTINCT 日付) FROM dayData"), perCommit == 1 ? "2\n" : "0\n");
        auto o = options();
        o.rowsPerCommit = perCommit;
        auto rerun = ImportDailyFiles(*db, day(1, 5), day(1, 11), o);
        ASSERT_TRUE(rerun.status) << rerun.status.message();
        EXPECT_EQ(dump(), reference);
    }
}

// Bars wait in memory for their group's commit, so the previous day of a file may be one that is not
// stored yet; over generated data with holidays, a 70-day gap, listings, delistings, zero-volume and
// duplicate days, one commit for everything gives the same tables as a commit per file.
TEST_F(DailyImport, GroupedCommitsEqualOneCommitPerFile) {
    gen::GenOptions g;
    g.seed = 7;
    g.issues = 40;
    g.from = day(1, 5);
    g.to = *Date::fromYmd(2026, 6, 30);
    g.dailyFolder = data;
    g.gapFrom = day(3, 2);
    g.gapDays = 70;
    g.duplicateDays = {day(1, 7), day(5, 20)};
    g.zeroVolumeRate = 0.1;
    ASSERT_TRUE(gen::generateData(g));
    std::string perFile;
    for (long long perCommit : {1LL, 1000000LL, 30LL}) {
        SCOPED_TRACE(perCommit);
        ASSERT_TRUE(db->exec("DELETE FROM dayData; DELETE FROM Mei"));
        auto o = options();
        o.rowsPerCommit = perCommit;
        auto r = ImportDailyFiles(*db, g.from, g.to, o);
        ASSERT_TRUE(r.status) << r.status.message();
        if (perFile.empty())
            perFile = dump();
        else
            EXPECT_EQ(dump(), perFile);
    }
}

// When the database refuses a bar while a group is stored, the group is read again bar by bar: the
// message names the file and line, the files before it stay stored, and a rerun completes the range.
TEST_F(DailyImport, ARefusedBarIsMetAtItsFileAndLine) {
    seedMei();
    writeWeek();
    ASSERT_TRUE(db->exec("CREATE TRIGGER refuse BEFORE INSERT ON dayData WHEN NEW.コード = 1303 AND NEW.日付 = "
                         "20260107 BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    auto r = ImportDailyFiles(*db, day(1, 5), day(1, 11), options());
    ASSERT_FALSE(r.status);
    EXPECT_NE(r.status.message().find("Ds202601.07 の 3 行目"), std::string::npos) << r.status.message();
    EXPECT_EQ(r.storedFiles, (std::vector<std::string>{"Ds202601.05", "Ds202601.06"}));
    EXPECT_EQ(r.stoppedAt, "Ds202601.07");
    EXPECT_EQ(rows("SELECT DISTINCT 日付 FROM dayData"), "20260105\n20260106\n");
    EXPECT_EQ(r.rowsStored, 7);

    ASSERT_TRUE(db->exec("DROP TRIGGER refuse"));
    auto rerun = ImportDailyFiles(*db, day(1, 5), day(1, 11), options());
    ASSERT_TRUE(rerun.status) << rerun.status.message();
    EXPECT_EQ(rows("SELECT * FROM dayData ORDER BY コード, 日付"), kWeekRows);
}
