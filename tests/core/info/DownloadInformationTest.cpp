// DownloadInformation against a table of server answers: passes, skips, questions, the final message.
#include "core/info/DownloadInformation.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

using namespace kestrel;
using namespace kestrel::info;
using net::FetchResult;

namespace {

const std::string kServer = "127.0.0.1:9/kabu";
const std::string kBase = "http://127.0.0.1:9/kabu/";

FetchResult answer(FetchResult::Outcome outcome, int status = 0, const std::string& bytes = "") {
    FetchResult r;
    r.outcome = outcome;
    r.httpStatus = status;
    r.body = bytes;
    return r;
}

FetchResult body(const std::string& utf8) {
    return answer(FetchResult::Outcome::Body, 200, *utf8ToCp932(utf8));
}

std::string listFor(const std::string& yymmdd) {
    return yymmdd + " 2,    上昇\r\n1,1301,100,10,1,a\r\n2,1332,200,20,-1,b\r\n";
}

struct Fixture {
    test::TempDir dir;
    ProgramPaths paths = ProgramPaths::forFolder(dir.path());
    std::map<std::string, FetchResult> answers; // by address; others are 404 pages
    std::vector<std::string> fetched;
    test::ScriptedPrompt prompt;

    Fixture() {
        EXPECT_TRUE(makeDir(paths.dataFolder));
        EXPECT_TRUE(db::CreateDatabaseFile(paths.databasePath).isOk());
    }
    void kinds(const char* sql) { test::execSql(paths.databasePath, sql); }
    long long count(const std::string& sql) { return test::queryCount(paths.databasePath, sql); }
    net::Fetcher fetcher() {
        return [this](const std::string& url) {
            fetched.push_back(url.substr(kBase.size()));
            auto it = answers.find(url);
            return it != answers.end() ? it->second
                                       : answer(FetchResult::Outcome::HttpError, 404, "<html>Not Found</html>");
        };
    }
    InfoDownloadResult lists(const std::string& from, const std::string& to, int mode = 0, bool ask = false,
                             const InfoDownloadObserver& observer = {}) {
        InfoDownloadOptions o;
        o.mode = mode;
        o.ask = ask;
        o.startText = from;
        o.endText = to;
        return DownloadInformation(paths, kServer, o, fetcher(), prompt, observer);
    }
};

} // namespace

TEST(DownloadInformation, WeekdaysForDailyKindsAndFridaysForWeeklyOnes) {
    Fixture f;
    f.kinds("INSERT INTO informationClass VALUES ('w01','週',1),('d02','下落',3),('d01','上昇',2)");
    for (int day = 9; day <= 15; ++day) {
        const std::string ymd = "200007" + std::to_string(day);
        const std::string yymmdd = "00/07/" + std::to_string(day);
        for (const char* kind : {"d01", "d02", "w01"})
            f.answers[kBase + "jyhodata/" + ymd + "." + kind] = body(listFor(yymmdd));
    }
    // Sunday the 9th to Saturday the 15th: five weekdays, one Friday.
    InfoDownloadResult r = f.lists("00/07/09", "00/07/15");
    const std::vector<std::string> expected = {
        "jyhodata/20000710.d01", "jyhodata/20000710.d02", "jyhodata/20000711.d01", "jyhodata/20000711.d02",
        "jyhodata/20000712.d01", "jyhodata/20000712.d02", "jyhodata/20000713.d01", "jyhodata/20000713.d02",
        "jyhodata/20000714.d01", "jyhodata/20000714.d02", "jyhodata/20000714.w01"};
    EXPECT_EQ(f.fetched, expected);
    EXPECT_TRUE(r.ran);
    EXPECT_EQ(r.message, kDownloadFinished);
    EXPECT_EQ(r.completeFiles, 11);
    EXPECT_EQ(f.count("select count(*) from informationData"), 22);
    EXPECT_EQ(f.count("select count(*) from informationData where Top種類コード='w' and 日付=20000714"), 2);
    EXPECT_EQ(f.count("select 出来高 from informationData where 種類コード='d02' and 日付=20000713 and 順位=2"), 20000);
    EXPECT_TRUE(f.prompt.log.empty());
}

TEST(DownloadInformation, EmptyAnswerEndsThePassAndErrorPagesAreSkipped) {
    Fixture f;
    f.kinds("INSERT INTO informationClass VALUES ('d01','a',1),('d02','b',2),('w01','c',3)");
    f.answers[kBase + "jyhodata/20000710.d01"] = body(listFor("00/07/10"));
    f.answers[kBase + "jyhodata/20000710.d02"] = body("00/07/10 5,    rows missing\r\n1,1,1,1,1,x\r\n");
    f.answers[kBase + "jyhodata/20000711.d02"] = body("");
    f.answers[kBase + "jyhodata/20000714.w01"] = answer(FetchResult::Outcome::TimedOut);
    f.answers[kBase + "jyhodata/20000714.w01"].timeoutSeconds = 30;

    InfoDownloadResult r = f.lists("00/07/10", "00/07/14");
    // 11th d01 is a 404 page (skipped), 11th d02 is empty: no more daily kinds; the weekly pass still runs.
    EXPECT_EQ(f.fetched,
              (std::vector<std::string>{"jyhodata/20000710.d01", "jyhodata/20000710.d02", "jyhodata/20000711.d01",
                                        "jyhodata/20000711.d02", "jyhodata/20000714.w01"}));
    EXPECT_EQ(r.storedFiles, 2);
    EXPECT_EQ(r.completeFiles, 1) << "a list with fewer rows than declared is stored but not complete";
    EXPECT_EQ(r.message, std::string(kDownloadFinished) + "\nサーバーから30秒応答がありません: " + kBase +
                             "jyhodata/20000714.w01");
    EXPECT_EQ(f.count("select count(*) from informationData where 種類コード='d02'"), 1);

    // Nothing complete: the not-found message.
    Fixture g;
    g.kinds("INSERT INTO informationClass VALUES ('d01','a',1)");
    EXPECT_EQ(g.lists("00/07/10", "00/07/10").message, "取得するファイルが見つかりません。");
}

TEST(DownloadInformation, DateChecksAndQuestionsComeFirst) {
    struct Case {
        int mode;
        const char* kindsSql;
        std::string from, to;
        bool answer;
        std::string log; // what was shown, in order
        bool ran;
    };
    const Case cases[] = {
        {0, "", "00/07/1x", "00/07/14", true, "!日付を入力して下さい。", false},
        {1, "", "00/07/14", "", true, "!日付を入力して下さい。", false},
        {0, "", "00/07/14", "00/07/10", true, "!日付範囲が誤っています。", false},
        {0, "", "00/07/10", "00/07/10", false, "?データーを取得します　よろしいですか？", false},
        {1, "", "00/07/10", "00/07/10", false, "?種類データーを取得します　よろしいですか？", false},
        {1, "INSERT INTO informationClass VALUES ('d01','a',1)", "00/07/10", "00/07/10", true,
         "?種類データーはすでに読込みされています　再読込みを行いますか？", true},
    };
    for (const Case& c : cases) {
        Fixture f;
        if (*c.kindsSql)
            f.kinds(c.kindsSql);
        f.prompt.answer(c.answer);
        bool started = false;
        InfoDownloadObserver obs;
        obs.transferStarted = [&] { started = true; };
        InfoDownloadResult r = f.lists(c.from, c.to, c.mode, true, obs);
        ASSERT_EQ(f.prompt.log.size(), 1u) << c.log;
        EXPECT_EQ(f.prompt.log[0], c.log);
        EXPECT_EQ(r.ran, c.ran) << c.log;
        EXPECT_EQ(started, c.ran) << c.log;
        EXPECT_EQ(f.fetched.size(), c.ran ? 1u : 0u) << c.log;
    }
}

TEST(DownloadInformation, KindsFromTheServerAndFromTheShippedFile) {
    Fixture f;
    f.answers[kBase + "kabumei/infodata"] = body("00/07/14 2\r\nd01,値上がり率,1\r\nw01,週間出来高,2\r\n");
    InfoDownloadResult r = f.lists("", "", 1);
    EXPECT_EQ(r.message, kDownloadFinished);
    EXPECT_EQ(f.count("select count(*) from informationClass"), 2);

    // Twelve declared, eleven present: no kind changes and nothing counts as fetched.
    std::string eleven = "00/07/15 12\r\n";
    for (int i = 1; i <= 11; ++i)
        eleven += "x" + std::to_string(i) + ",n,1\r\n";
    f.answers[kBase + "kabumei/infodata"] = body(eleven);
    r = f.lists("", "", 1);
    EXPECT_EQ(r.message.substr(0, r.message.find('\n')), "取得するファイルが見つかりません。");
    EXPECT_EQ(f.count("select count(*) from informationClass"), 2);

    // First start: the file shipped in the program folder is copied, loaded, and its copy deleted.
    Fixture g;
    test::writeFile(g.paths.programFolder + "/infodata", *utf8ToCp932("00/07/14 1\r\nd09,出来高上位,4\r\n"));
    r = loadShippedKinds(g.paths, kServer, g.prompt);
    EXPECT_EQ(r.message, kDownloadFinished);
    EXPECT_TRUE(g.fetched.empty());
    EXPECT_EQ(g.count("select 表示順 from informationClass where 種類コード='d09'"), 4);
    EXPECT_FALSE(fileExists(g.paths.dataFolder + "/infodata"));
    EXPECT_TRUE(fileExists(g.paths.programFolder + "/infodata"));
    Fixture h;
    EXPECT_EQ(loadShippedKinds(h.paths, kServer, h.prompt).message, "取得するファイルが見つかりません。");

    // An installed program: the kinds come from its shipped folder unless the program folder has its own.
    h.paths.shippedFolder = h.paths.programFolder + "/shipped";
    std::filesystem::create_directories(h.paths.shippedFolder);
    test::writeFile(h.paths.shippedFolder + "/infodata", *utf8ToCp932("00/07/14 1\r\nd07,値下がり率,2\r\n"));
    EXPECT_EQ(loadShippedKinds(h.paths, kServer, h.prompt).message, kDownloadFinished);
    EXPECT_EQ(h.count("select count(*) from informationClass where 種類コード='d07'"), 1);
    g.paths.shippedFolder = h.paths.shippedFolder;
    loadShippedKinds(g.paths, kServer, g.prompt);
    EXPECT_EQ(g.count("select count(*) from informationClass where 種類コード='d07'"), 0);
}

TEST(DownloadInformation, ACancelledTransferStopsAtOnce) {
    Fixture f;
    f.kinds("INSERT INTO informationClass VALUES ('d01','a',1),('d02','b',2)");
    f.answers[kBase + "jyhodata/20000710.d01"] = answer(FetchResult::Outcome::Cancelled);
    InfoDownloadResult r = f.lists("00/07/10", "00/07/14");
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(f.fetched.size(), 1u);
}
