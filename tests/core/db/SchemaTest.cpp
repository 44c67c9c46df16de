#include "core/db/Schema.h"

#include "core/app/Files.h"
#include "core/db/Lookups.h"
#include "core/db/SplitTable.h"
#include "core/settings/IniFile.h"
#include "core/startup/Startup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::db;

namespace {
struct Fresh : ::testing::Test, test::KestrelDb {};
} // namespace

TEST_F(Fresh, HoldsEveryTableWithItsFieldsAndSixMarkets) {
    EXPECT_EQ(rows("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY rowid"),
              "dayData\nweekData\nshinyo\nwrkData\nwrkReadFile\nwrkMei\nMei\nShijyo\nboard\ninformationClass\n"
              "wrkinformationClass\ninformationData\nstockmarket\nBunkatu\nCalendar\nHikisen\nKessan\n");
    EXPECT_EQ(rows("SELECT group_concat(name, ',') FROM pragma_table_info('weekData')"),
              "コード,日付,始値,高値,安値,終値,前日比,出来高,基準前日比,売残,買残\n");
    EXPECT_EQ(rows("SELECT コード, 市場, 略称 FROM Shijyo"),
              "1|東証１部|東１\n2|東証２部|東２\n4|大証|大証\n5|名証|名証\n6|その他|その他\n3|店頭|店頭\n");
    EXPECT_EQ(*db->queryInt("SELECT count(*) FROM dayData"), 0);
    // Table names match without regard to case, as the screens' SQL relies on.
    EXPECT_TRUE(db->exec("SELECT * FROM daydata, weekdata"));
}

TEST_F(Fresh, FieldRulesRefuseWhatTheFileFormatRefused) {
    ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄) VALUES (7203, 1, 'トヨタ自動車')"));
    EXPECT_FALSE(db->run("INSERT INTO Mei (コード, 市場コード) VALUES (7203, 4)")); // Primary
    EXPECT_FALSE(db->run("INSERT INTO Mei (コード, 市場コード) VALUES (7203, 1)")); // unique (市場コード, コード)
    EXPECT_FALSE(db->run("INSERT INTO Mei (コード, 銘柄) VALUES (1, ?)", std::string(21, 'a'))); // Text(20)
    EXPECT_TRUE(db->run("INSERT INTO Mei (コード, 銘柄) VALUES (2, ?)",
                        "二十文字の銘柄名二十文字の銘柄名二十文字"));                // 20 characters
    EXPECT_FALSE(db->run("INSERT INTO Mei (コード, 市場コード) VALUES (3, 40000)")); // Integer range
    EXPECT_FALSE(db->run("INSERT INTO Mei (コード, 更新Flg) VALUES (4, 2)"));        // Yes/No
    EXPECT_FALSE(db->run("INSERT INTO dayData (コード, 日付, 終値) VALUES (1, 20260101, 'abc')"));
    EXPECT_FALSE(db->run("INSERT INTO dayData (コード, 日付, 終値) VALUES (1, 20260101, 2147483648)"));
    EXPECT_FALSE(db->run("INSERT INTO informationClass (種類コード) VALUES ('')")); // no zero length there

    auto bad = db->run("INSERT INTO stockmarket (コード, 購入日) VALUES (1, '26/12/061')");
    EXPECT_FALSE(bad);
    EXPECT_NE(bad.message().find("購入日"), std::string::npos) << bad.message();
    ASSERT_TRUE(db->run("INSERT INTO stockmarket (コード, 購入日) VALUES (1, '26/12/06')"));
    ASSERT_TRUE(db->run("INSERT INTO stockmarket (コード, 購入日) VALUES (2, '')"));
    EXPECT_EQ(*db->queryInt("SELECT max(ID) FROM stockmarket"), 2);

    // Currency keeps four decimals exactly and whole values as integers.
    ASSERT_TRUE(
        db->run("INSERT INTO dayData (コード, 日付, 出来高) VALUES (1001, 20260105, ?)", *Currency::parse("12.34")));
    ASSERT_TRUE(
        db->run("INSERT INTO dayData (コード, 日付, 出来高) VALUES (1002, 20260105, ?)", Currency::fromWhole(1234000)));
    auto v = db->prepare("SELECT 出来高, typeof(出来高) FROM dayData ORDER BY コード");
    ASSERT_TRUE(*v->step());
    EXPECT_EQ(v->currency(0).toString(), "12.34");
    ASSERT_TRUE(*v->step());
    EXPECT_EQ(v->currency(0).toString(), "1234000");
    EXPECT_EQ(v->text(1), "integer");
}

TEST_F(Fresh, LookupsAndTransactions) {
    ASSERT_TRUE(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄) VALUES (7203, 1, 'トヨタ自動車')"));
    EXPECT_EQ(GetMarketCode(*db, 7203), 1);
    EXPECT_EQ(GetMarketCode(*db, 9999), 0);
    EXPECT_EQ(GetIssueName(*db, 7203), "トヨタ自動車");
    EXPECT_EQ(GetIssueName(*db, 9999), "");
    {
        Transaction tx(*db);
        ASSERT_TRUE(tx.began());
        ASSERT_TRUE(db->run("DELETE FROM Mei"));
        {
            Transaction inner(*db); // a savepoint inside the transaction
            ASSERT_TRUE(db->run("INSERT INTO Mei (コード) VALUES (1)"));
        } // rolled back alone
        EXPECT_EQ(*db->queryInt("SELECT count(*) FROM Mei"), 0);
    } // rolled back
    EXPECT_EQ(GetIssueName(*db, 7203), "トヨタ自動車");
}

// A file of the first version (its date index also carried 基準前日比) keeps its rows and is brought
// up to date when opened for writing; a reader leaves it as it is.
TEST_F(Fresh, AnOlderFileIsUpgradedWhenOpenedForWriting) {
    ASSERT_TRUE(db->exec("DROP INDEX \"dayData_日付\"; CREATE INDEX \"dayData_日付\" ON dayData (日付, 基準前日比); "
                         "PRAGMA user_version = 1"));
    ASSERT_TRUE(db->run("INSERT INTO dayData (コード, 日付, 終値, 基準前日比) VALUES (1301, 20260105, 100, 100)"));
    db.reset();
    auto indexColumns = [](Database& d) {
        auto n = d.queryInt("SELECT count(*) FROM pragma_index_info('dayData_日付')");
        return n && *n ? **n : -1;
    };
    {
        auto reader = openKestrelDatabase(path, OpenMode::ReadOnly);
        ASSERT_TRUE(reader) << reader.message();
        EXPECT_EQ(indexColumns(**reader), 2);
    }
    auto writer = openKestrelDatabase(path);
    ASSERT_TRUE(writer) << writer.message();
    EXPECT_EQ(indexColumns(**writer), 1);
    EXPECT_EQ(*(*writer)->queryInt("PRAGMA user_version"), kSchemaVersion);
    EXPECT_EQ(*(*writer)->queryInt("SELECT 基準前日比 FROM dayData WHERE 日付 = 20260105"), 100);
    // The upgrade also adds the split table, which a proposal then fills once per issue and day.
    SplitEvent e{1301, *Date::fromYmd(2026, 1, 5), 1, 2, SplitSource::Exchange};
    EXPECT_EQ(proposeSplit(**writer, e).value(), true);
    EXPECT_EQ(proposeSplit(**writer, e).value(), false);
    EXPECT_EQ(*(*writer)->queryInt("SELECT 分割後 * 10 + 状態 FROM Bunkatu"), 20);
}

// A file of version 3 keeps its split events, which become splits, and gains the calendar; read-only
// it still lists its events.
TEST_F(Fresh, AVersion3FileGainsTheEventKindAndTheCalendar) {
    ASSERT_TRUE(db->exec("DROP TABLE Calendar; DROP TABLE Bunkatu; CREATE TABLE Bunkatu (コード INT, 日付 DATE, "
                         "分割前 INT, 分割後 INT, 出所 SMALLINT, 状態 SMALLINT, PRIMARY KEY (コード, 日付)); "
                         "INSERT INTO Bunkatu VALUES (1301, 20260105, 1, 2, 3, 1); PRAGMA user_version = 3"));
    db.reset();
    {
        auto reader = openKestrelDatabase(path, OpenMode::ReadOnly);
        ASSERT_TRUE(reader) << reader.message();
        auto events = listSplits(**reader, 0, true).value();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(splitRatioText(events[0]), "1:2");
    }
    auto writer = openKestrelDatabase(path);
    ASSERT_TRUE(writer) << writer.message();
    EXPECT_EQ(*(*writer)->queryInt("PRAGMA user_version"), kSchemaVersion);
    EXPECT_TRUE((*writer)->run("INSERT INTO Calendar (日付, 休日区分) VALUES (20260105, 1)"));
    // The kind is a checked Integer like every other field.
    EXPECT_FALSE((*writer)->run("UPDATE Bunkatu SET 種類 = 'x'"));
    auto events = listSplits(**writer, 1301, false).value();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, SplitKind::Split);
    EXPECT_EQ(events[0].state, SplitState::Confirmed);
}

TEST(DatabaseFile, ANonDatabaseOrMissingFileIsNeverOverwritten) {
    test::TempDir dir;
    std::string path = dir.file("Kestrel.mdb");
    test::writeFile(path, "this is not a database, but the user's file");
    auto r = openKestrelDatabase(path);
    ASSERT_FALSE(r);
    EXPECT_NE(r.message().find(path), std::string::npos);
    EXPECT_FALSE(CreateDatabaseFile(path));
    EXPECT_EQ(test::readFile(path), "this is not a database, but the user's file");
    EXPECT_FALSE(openKestrelDatabase(dir.file("none.mdb")));
    EXPECT_FALSE(fileExists(dir.file("none.mdb")));
}

TEST(StartupSteps, FirstStartCreatesEverythingAndTheSecondOnlyRewritesTheVersion) {
    test::TempDir dir;
    ProgramPaths paths = ProgramPaths::forFolder(dir.path());
    test::ScriptedPrompt prompt;
    Settings s;
    std::string registry;
    auto r = runStartup(paths, s, prompt, [&](const std::string& p) { registry = p; });
    ASSERT_TRUE(r) << r.message();
    EXPECT_EQ(r->startState, "3");
    EXPECT_TRUE(dirExists(paths.dataFolder));
    EXPECT_TRUE(dirExists(paths.htmFolder));
    EXPECT_EQ(registry, dir.path());
    EXPECT_EQ(s.hibiPath, dir.path() + "/Data/");
    EXPECT_EQ(readProfileString(paths.iniPath, "Kestrel", "Version"), programVersion());
    EXPECT_TRUE(prompt.notices.empty());

    std::string iniBefore = test::readFile(paths.iniPath);
    std::string dbBefore = test::readFile(paths.databasePath);
    auto again = runStartup(paths, s, prompt, nullptr);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->startState, "");
    EXPECT_TRUE(again->created.empty());
    EXPECT_EQ(test::readFile(paths.iniPath), iniBefore);

    // Without the settings file only that file comes back; the database stays.
    std::remove(paths.iniPath.c_str());
    auto third = runStartup(paths, s, prompt, nullptr);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->created, std::vector<std::string>{paths.iniPath});
    EXPECT_FALSE(third->createdDatabase);
}
