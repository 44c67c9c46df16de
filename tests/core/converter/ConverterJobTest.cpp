#include "core/converter/ConverterJob.h"

#include "ConverterTestSupport.h"
#include "core/app/Files.h"
#include "core/import/DailyFile.h"

#include <algorithm>
#include <map>

using namespace kestrel;
using namespace kestrel::converter;
using kestrel::test::TempDir;

namespace {

net::FetchResult answer(net::FetchResult::Outcome outcome, const std::string& body, int status = 200) {
    net::FetchResult r;
    r.outcome = outcome;
    r.httpStatus = status;
    r.body = body;
    return r;
}

struct Fixture {
    TempDir dir;
    std::string kestrelPath = kestrel::test::makeKestrelWithMei(dir);
    kestrel::test::ScriptedPrompt prompt;
    std::vector<std::string> log, fetched, pages;
    std::map<std::string, net::FetchResult> answers;
    JobHooks hooks;
    JobRequest request;

    Fixture() {
        EXPECT_TRUE(makeDir(dir.file("data")));
        hooks.prompt = &prompt;
        hooks.log = [this](const std::string& s) { log.push_back(s); };
        hooks.fetch = [this](const std::string& url) {
            fetched.push_back(url);
            auto it = answers.find(url);
            return it != answers.end() ? it->second
                                       : answer(net::FetchResult::Outcome::HttpError, "<html>Not Found</html>", 404);
        };
        hooks.openPage = [this](const std::string& p) { pages.push_back(p); };
        hooks.attemptConnect = [] { return true; };
        request.settings = defaultConverterSettings();
        request.settings.data(1) = "http://127.0.0.1:1/kabudata/";
        request.databasePath = kestrelPath;
        request.dataFolder = dir.file("data");
    }
    void serve(const std::string& url, const std::string& fixture) {
        answers[url] =
            answer(net::FetchResult::Outcome::Body, kestrel::test::readFile(kestrel::test::testData(fixture)));
    }
};

} // namespace

TEST(ConverterJob, FridayToMondayFetchesTwoArchivesAndWritesTwoDailyFiles) {
    Fixture f;
    f.serve("http://127.0.0.1:1/kabudata/20010504.lzh", "converter/20010504.lzh");
    f.serve("http://127.0.0.1:1/kabudata/20010507.lzh", "converter/20010507.lzh");
    f.request.fromText = "01/05/04";
    f.request.toText = "01/05/08"; // Tuesday's archive is not there yet
    JobOutcome out = runConverterJob(f.request, f.hooks);
    EXPECT_TRUE(out.ran);
    EXPECT_EQ(out.extracted, 2);
    EXPECT_EQ(out.unavailable, 1);
    EXPECT_EQ(f.fetched.size(), 3u);
    EXPECT_EQ(f.pages, std::vector<std::string>{"http://kabudata.example/kabu.htm"});
    std::vector<std::string> expected = {
        "銘柄データ読込み中",
        "20010504.lzhを取得中",
        "20010504.lzhを取得済",
        "20010505　スキップ",
        "20010506　スキップ",
        "20010507.lzhを取得中",
        "20010507.lzhを取得済",
        "20010508.lzhを取得中",
        "20010508.lzhはまだ取得不能",
        "全ダウンロード終了",
        "ﾀﾞｲﾔﾙｱｯﾌﾟを切断していいですよ!!",
        "20010504.csvをファイル変換中",
        "20010504.csvをファイル変換終了",
        "20010507.csvをファイル変換中",
        "20010507.csvをファイル変換終了",
        "20010508.csvをファイル変換中",
        f.request.dataFolder + "/20010508.csvが存在しません　変換失敗",
        "20010508.csvをファイル変換終了",
    };
    EXPECT_EQ(f.log, expected);
    ASSERT_EQ(f.prompt.questions.size(), 1u);
    EXPECT_EQ(f.prompt.questions[0],
              "確認|株価データーをダウンロード 自動解凍　ファイル変換を行います　よろしいですか？");
    // The 404 page was reported, never written as an archive.
    ASSERT_EQ(f.prompt.notices.size(), 2u);
    EXPECT_EQ(f.prompt.notices.back(), kFinalMessage);
    // With Check1 only the daily files remain.
    auto friday = import::parseDailyFile(kestrel::test::readFile(f.dir.file("data/Ds200105.04")), "Ds200105.04");
    ASSERT_TRUE(friday.isOk()) << friday.message();
    EXPECT_EQ(friday->records.size(), 3u); // 1001, 1301, 1332; "abc" and 9999 dropped
    EXPECT_TRUE(fileExists(f.dir.file("data/Ds200105.07")));
    EXPECT_FALSE(findFileNoCase(f.dir.file("data"), "20010504.lzh"));
    EXPECT_FALSE(findFileNoCase(f.dir.file("data"), "20010504.csv"));
    EXPECT_FALSE(fileExists(f.dir.file("data/20010508.lzh")));
}

TEST(ConverterJob, ChecksAndOptionsDecideWhatRuns) {
    struct Case {
        const char* name;
        int setNo;
        const char* from;
        const char* to;
        const char* collector;
        JobPhases phases;
        bool answer;
        const char* message; // the notice or question that ends it
    } cases[] = {
        {"bad date", 0, "01/13/40", "01/05/07", "", JobPhases::All, true, "日付を入力して下さい。"},
        {"reversed", 0, "01/05/08", "01/05/07", "", JobPhases::All, true, "日付範囲が誤っています。"},
        {"no collector", 2, "01/05/07", "01/05/07", "c:/spg/spg.exe", JobPhases::All, true,
         "URL編集　で データー取得URLにＳＰＧパス spg.exe -b を入力して下さい。"},
        {"two dates", 2, "01/05/07", "01/05/08", "c:/spg/SPG.EXE -B", JobPhases::All, true,
         "同じ日付を入力して下さい。"},
        {"declined", 0, "01/05/07", "01/05/07", "", JobPhases::DownloadOnly, false,
         "確認|株価データーをダウンロードと解凍を行います　よろしいですか？"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.request.settings.setNo = c.setNo;
        f.request.settings.data(3) = c.collector;
        f.request.fromText = c.from;
        f.request.toText = c.to;
        f.request.phases = c.phases;
        f.prompt.answer(c.answer);
        EXPECT_FALSE(runConverterJob(f.request, f.hooks).ran);
        EXPECT_TRUE(f.fetched.empty());
        std::string last = !f.prompt.notices.empty()    ? f.prompt.notices.back()
                           : f.prompt.questions.empty() ? ""
                                                        : f.prompt.questions.back();
        EXPECT_EQ(last, c.message);
    }

    // Conversion only: no connection check, no download.
    Fixture f;
    bool connected = false;
    f.hooks.attemptConnect = [&] { return connected = true; };
    f.request.fromText = f.request.toText = "01/05/07";
    f.request.phases = JobPhases::ConvertOnly;
    kestrel::test::writeFile(f.dir.file("data/20010507.csv"),
                             kestrel::test::readFile(kestrel::test::testData("converter/20010507.csv")));
    EXPECT_TRUE(runConverterJob(f.request, f.hooks).ran);
    EXPECT_FALSE(connected);
    EXPECT_TRUE(f.fetched.empty());
    EXPECT_TRUE(fileExists(f.dir.file("data/Ds200105.07")));

    // A refused connection ends the job before any download.
    Fixture g;
    g.hooks.attemptConnect = [] { return false; };
    g.request.fromText = g.request.toText = "01/05/07";
    EXPECT_FALSE(runConverterJob(g.request, g.hooks).ran);
    EXPECT_EQ(g.prompt.notices, std::vector<std::string>{"接続に失敗しました。"});
    EXPECT_TRUE(g.fetched.empty());
}

TEST(ConverterJob, FailedDownloadNeverLeavesAStaleArchive) {
    Fixture f;
    // An older, valid archive of the day lies in the folder; the new transfer breaks off.
    kestrel::test::writeFile(f.dir.file("data/20010507.lzh"),
                             kestrel::test::readFile(kestrel::test::testData("converter/20010504.lzh")));
    net::FetchResult broken = answer(net::FetchResult::Outcome::Failed, "partial", 0);
    broken.error = "connection reset";
    f.answers["http://127.0.0.1:1/kabudata/20010507.lzh"] = broken;
    Status st = DownloadFile(f.dir.file("data"), "http://127.0.0.1:1/kabudata/", "20010507.lzh", f.hooks.fetch);
    EXPECT_FALSE(st.isOk());
    EXPECT_FALSE(fileExists(f.dir.file("data/20010507.lzh")));
    // A served 200 body that is an HTML page is written, then found not to be an archive and deleted.
    f.answers["http://127.0.0.1:1/kabudata/20010507.lzh"] =
        answer(net::FetchResult::Outcome::Body, "<html>maintenance</html>", 0);
    f.request.fromText = f.request.toText = "01/05/07";
    f.request.phases = JobPhases::DownloadOnly;
    JobOutcome out = runConverterJob(f.request, f.hooks);
    EXPECT_EQ(out.unavailable, 1);
    EXPECT_FALSE(fileExists(f.dir.file("data/20010507.lzh")));
}

TEST(ConverterJob, MonthArchiveGivesADailyFilePerTradingDay) {
    Fixture f;
    f.request.settings.setNo = 7;
    f.request.settings.data(8) = "http://127.0.0.1:1/";
    f.serve("http://127.0.0.1:1/kabudata.lzh", "converter/kabudata.lzh");
    f.request.fromText = "01/05/01";
    f.request.toText = "01/05/31";
    JobOutcome out = runConverterJob(f.request, f.hooks);
    EXPECT_TRUE(out.ran);
    EXPECT_EQ(f.fetched, std::vector<std::string>{"http://127.0.0.1:1/kabudata.lzh"});
    EXPECT_EQ(std::count(f.log.begin(), f.log.end(), "株式.mdbをファイル変換中"), 1);
    int files = 0;
    for (Date d = *Date::fromYmd(2001, 5, 1); d <= *Date::fromYmd(2001, 5, 31); d = d.addDays(1))
        files += fileExists(f.dir.file("data/" + import::dailyFileName(d))) ? 1 : 0;
    EXPECT_EQ(files, 20);
    EXPECT_FALSE(fileExists(f.dir.file("data/kabudata.lzh")));
    EXPECT_FALSE(fileExists(f.dir.file("data/株式.mdb")));
}
