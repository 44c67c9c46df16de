// One issue's history by code and the market's history filled newest day first, against a market
// served from memory: both must leave the tables a straight daily import of the same days leaves.
#include "core/converter/JQuantsHistory.h"

#include "core/app/Files.h"
#include "core/converter/JQuantsBulk.h"
#include "core/db/Schema.h"
#include "core/import/BarChain.h"
#include "core/import/DailyImport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace kestrel::converter::jquants {
namespace {

Date ymd(int m, int d) {
    return *Date::fromYmd(2026, m, d);
}

// January and February 2026: weekdays open except 1/12, 2/11 and 2/23. Five issues: 9984 is listed
// from 2/2; 6758 does not trade on every fourth day; 7203 splits 1:2 on 2/16; 1332 does not trade in
// the weeks of 1/19 and 1/26, 1301 in the week of 2/9.
struct Market : JQuantsApi {
    const Date first = ymd(1, 5), last = ymd(2, 27);
    const std::vector<int> codes{1301, 1332, 6758, 7203, 9984};
    int budget = -1; // requests left before the run is "killed"; -1 without end
    bool cutPages = false;
    int requests = 0;
    Failure failure;
    std::vector<std::string> asked;

    bool open(Date d) const { return !d.isWeekend() && d != ymd(1, 12) && d != ymd(2, 11) && d != ymd(2, 23); }
    static bool untraded(int code, Date d, long n) {
        return (code == 6758 && n % 4 == 1) || (code == 1332 && d >= ymd(1, 19) && d <= ymd(1, 30)) ||
               (code == 1301 && d >= ymd(2, 9) && d <= ymd(2, 13));
    }
    // The month's bulk file: CSV with its columns in an order of its own, then gzip.
    std::string csv(int month) const {
        std::string out = "Code,Date,AdjFactor,Vo,C,L,H,O,ExRT\n";
        for (Date d = first; d <= last; d = d.addDays(1))
            for (int code : codes)
                if (d.month() == month && open(d) && listed(code, d)) {
                    const long n = d.serial() - first.serial();
                    out += std::to_string(code) + "0," + d.toIso() + ",";
                    out += code == 7203 && d == ymd(2, 16) ? "0.5," : "1,";
                    if (untraded(code, d, n)) {
                        out += ",,,,,\n";
                        continue;
                    }
                    const double c = closeOf(code, d, n);
                    auto num = [](double v) { return std::to_string(v); };
                    out += std::to_string(1000000 + code * n) + "," + num(c) + "," + num(c - 6) + "," + num(c + 5) +
                           "," + num(c - 3) + ",\n";
                }
        return out;
    }
    double closeOf(int code, Date d, long n) const {
        double close = code * 0.5 + static_cast<double>((n * 37 + code) % 23) - 11 + 0.5 * (n % 2);
        return code == 7203 && d >= ymd(2, 16) ? close / 2 : close;
    }
    int damaged = 0; // bulk files still to come damaged (cut short)
    Result<std::string> download(const std::string& url, const std::string&) override {
        ++requests;
        asked.push_back("download " + url);
        auto bytes = gzip(csv(url.find("_202601.") != std::string::npos ? 1 : 2));
        if (damaged > 0 && bytes) {
            --damaged;
            bytes->resize(bytes->size() * 2 / 3);
        }
        return bytes;
    }
    std::string bar(int code, Date d) const {
        const long n = d.serial() - first.serial();
        std::string head = R"({"Date": ")" + d.toIso() + R"(", "Code": ")" + std::to_string(code) + "0\", ";
        if (untraded(code, d, n))
            return head + R"("O": null, "H": null, "L": null, "C": null, "Vo": null, "AdjFactor": 1})";
        double close = code * 0.5 + static_cast<double>((n * 37 + code) % 23) - 11 + 0.5 * (n % 2);
        if (code == 7203 && d >= ymd(2, 16))
            close /= 2;
        auto num = [](double v) { return std::to_string(v); };
        return head + "\"O\": " + num(close - 3) + ", \"H\": " + num(close + 5) + ", \"L\": " + num(close - 6) +
               ", \"C\": " + num(close) + ", \"Vo\": " + std::to_string(1000000 + code * n) +
               ", \"AdjFactor\": " + (code == 7203 && d == ymd(2, 16) ? "0.5" : "1") + "}";
    }
    bool listed(int code, Date d) const { return code != 9984 || d >= ymd(2, 2); }
    static std::string page(const std::vector<std::string>& rows, const std::string& key = "") {
        std::string s = R"({"data": [)";
        for (size_t i = 0; i < rows.size(); ++i)
            s += (i ? ", " : "") + rows[i];
        return s + "]" + (key.empty() ? "" : R"(, "pagination_key": ")" + key + "\"") + "}";
    }
    Result<std::vector<std::string>> getPages(const std::string& path, const Query& q, const std::string&) override {
        using R = Result<std::vector<std::string>>;
        failure = {};
        if (budget == 0)
            return R::error("中止しました");
        if (budget > 0)
            --budget;
        ++requests;
        std::map<std::string, std::string> a(q.begin(), q.end());
        asked.push_back(path + (a.count("code") ? "?code=" + a["code"] : "?date=" + a["date"]));
        Date from = a.count("from") ? *Date::parse(a["from"]) : first,
             to = a.count("to") ? *Date::parse(a["to"]) : last;
        std::vector<std::string> rows;
        if (path == "/markets/calendar") {
            if (from < first) {
                failure = {FailureKind::Window, DateWindow{first, last}, "window"};
                return R::error("window");
            }
            for (Date d = from; d <= to; d = d.addDays(1))
                rows.push_back(R"({"Date": ")" + d.toIso() + R"(", "HolDiv": ")" + (open(d) ? "1" : "0") + "\"}");
            return std::vector<std::string>{page(rows)};
        }
        if (path == "/equities/master") {
            for (int code : codes)
                if (!a.count("code") || a["code"] == std::to_string(code) + "0")
                    rows.push_back(R"({"Code": ")" + std::to_string(code) + R"(0", "CoName": "銘柄)" +
                                   std::to_string(code) + R"(", "Mkt": "0111"})");
            return std::vector<std::string>{page(rows)};
        }
        if (path == "/markets/margin-interest") {
            // Weekly balances dated Friday; the week of 1/30 dated its Thursday (the Friday's answer is empty).
            auto balances = [&](int code, Date d) {
                const long n = d.serial() - first.serial();
                return R"({"Date": ")" + d.toIso() + R"(", "Code": ")" + std::to_string(code) + R"(0", "LongVol": )" +
                       std::to_string(code * 150000LL + n * 1000) + R"(, "ShrtVol": )" + std::to_string(code * 7 + n) +
                       R"(, "IssType": "2"})";
            };
            auto dated = [&](Date d) { return d.weekday() == 5 ? d != ymd(1, 30) : d == ymd(1, 29); };
            for (Date d = a.count("date") ? *Date::parse(a["date"]) : std::max(from, first);
                 d <= (a.count("date") ? *Date::parse(a["date"]) : std::min(to, last)); d = d.addDays(1))
                for (int code : codes)
                    if (dated(d) && listed(code, d) && (!a.count("code") || a["code"] == std::to_string(code) + "0"))
                        rows.push_back(balances(code, d));
            return std::vector<std::string>{page(rows)};
        }
        if (path == "/bulk/list")
            return std::vector<std::string>{
                R"({"data": [{"Key": "daily/2026/equities_bars_daily_202601.csv.gz", "LastModified": "2026-02-01T00:00:00Z", "Size": 1},
                              {"Key": "daily/2026/equities_bars_daily_202602.csv.gz", "LastModified": "2026-03-01T00:00:00Z", "Size": 1}]})"};
        if (path == "/bulk/get")
            return std::vector<std::string>{R"({"url": "https://files.example/)" + a["key"] + "?sig=1\"}"};
        if (path != "/equities/bars/daily") {
            // TOPIX and the disclosures: refused for the plan, as the service answers an endpoint it lacks.
            failure = {FailureKind::Plan, std::nullopt, "plan"};
            return R::error("plan");
        }
        if (a.count("date")) {
            Date d = *Date::parse(a["date"]);
            for (int code : codes)
                if (open(d) && listed(code, d) && d >= first && d <= last)
                    rows.push_back(bar(code, d));
            return std::vector<std::string>{page(rows)};
        }
        const int code = std::stoi(a["code"].substr(0, 4));
        for (Date d = std::max(from, first); d <= std::min(to, last); d = d.addDays(1))
            if (open(d) && listed(code, d) && std::count(codes.begin(), codes.end(), code))
                rows.push_back(bar(code, d));
        // Two pages, as the service cuts a long answer.
        const size_t half = rows.size() / 2;
        std::vector<std::string> one(rows.begin(), rows.begin() + half), two(rows.begin() + half, rows.end());
        std::string second = page(two);
        if (cutPages)
            second.resize(second.size() / 2);
        return std::vector<std::string>{page(one, "k.1"), second};
    }
    bool cancelled() const override { return budget == 0; }
    Failure lastFailure() const override { return failure; }
};

struct History : ::testing::Test {
    test::TempDir dir;
    std::string fresh(const std::string& name) {
        std::string path = dir.file(name);
        EXPECT_TRUE(db::CreateDatabaseFile(path));
        return path;
    }
    static std::string dump(const std::string& path) {
        auto db = db::openKestrelDatabase(path);
        EXPECT_TRUE(db);
        std::string out;
        for (const char* sql :
             {"SELECT * FROM dayData ORDER BY コード, 日付", "SELECT * FROM weekData ORDER BY コード, 日付",
              "SELECT * FROM Mei ORDER BY コード", "SELECT * FROM Bunkatu ORDER BY コード, 日付",
              "SELECT * FROM shinyo ORDER BY コード, 日付"}) {
            auto st = (*db)->prepare(sql);
            EXPECT_TRUE(st);
            EXPECT_TRUE(st->forEachRow([&] {
                for (int c = 0; c < st->columnCount(); ++c)
                    out += (st->isNull(c) ? "NULL" : st->text(c)) + "|";
                out += "\n";
            }));
            out += "--\n";
        }
        return out;
    }
    // The daily road: the range's daily files, imported in date order with the weekly bars.
    std::string straight(Plan plan = Plan::Free) {
        std::string path = fresh("straight" + std::string(planName(plan)) + ".mdb");
        Market market;
        RunRequest req;
        req.plan = plan;
        req.margin = planHasMargin(plan);
        req.marginFolder = dir.file("margin");
        req.from = market.first;
        req.to = market.last;
        req.dataFolder = dir.file("data");
        req.dailyFolder = dir.file("daily" + std::string(planName(plan)));
        req.databasePath = path;
        RunOutcome out = runJQuants(req, market, {});
        EXPECT_TRUE(out.status) << out.status.message();
        auto db = db::openKestrelDatabase(path);
        import::DailyImportOptions o;
        o.dailyFolder = req.dailyFolder;
        o.buildWeekly = true;
        o.readMargin = req.margin;
        o.marginFolder = req.marginFolder;
        auto r = import::ImportDailyFiles(**db, market.first, market.last, o);
        EXPECT_TRUE(r.status) << r.status.message();
        EXPECT_EQ(r.marginStored, req.margin);
        db->reset();
        return path;
    }
    BackfillRequest backfill(const std::string& path, Plan plan = Plan::Free) {
        BackfillRequest req;
        req.plan = plan;
        req.today = ymd(5, 22); // the Free plan's newest day is twelve weeks back: 2/27
        req.databasePath = path;
        req.workFolder = dir.file("work");
        req.statePath = dir.file("backfill.state");
        return req;
    }
};

TEST(IssueCode, TypedCodes) {
    const struct {
        const char* text;
        std::optional<int> code;
    } cases[] = {{"7203", 7203},          {"72030", 7203},         {"0001", 1},
                 {"72031", std::nullopt}, {"130A0", std::nullopt}, {"720", std::nullopt},
                 {"0000", std::nullopt},  {"7203 ", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(issueCodeArgument(c.text), c.code) << c.text;
}

// Two full years of a Free window hold about 490 open days (2024 had 245, 2025 244); a listing of
// last month, ten bars, or a year of them, lack history; 25 years stored never do.
TEST(IssueCode, HistoryWantedBelowThePlansWindow) {
    const struct {
        long long stored;
        Plan plan;
        bool wanted;
    } cases[] = {{0, Plan::Free, true},       {10, Plan::Free, true},        {479, Plan::Free, true},
                 {480, Plan::Free, false},    {490, Plan::Free, false},      {490, Plan::Light, true},
                 {1225, Plan::Light, false},  {2400, Plan::Standard, false}, {2399, Plan::Standard, true},
                 {4799, Plan::Premium, true}, {6125, Plan::Premium, false}};
    for (const auto& c : cases)
        EXPECT_EQ(issueHistoryWanted(c.stored, c.plan), c.wanted) << c.stored << " " << planName(c.plan);
}

// The times said before a first start and before the market's history: requests over the plan's pace,
// rounded up, never under a minute. A first start of 10 days on Free: the calendar, one master, then the
// prices and the disclosures of each day, 22 requests at 5 a minute.
TEST(IssueCode, TimesSaidUpFront) {
    const struct {
        int requests, pace;
        const char* text;
    } times[] = {{0, 5, "約 1 分"},      {1, 5, "約 1 分"},    {5, 5, "約 1 分"},     {6, 5, "約 2 分"},
                 {22, 5, "約 5 分"},     {295, 5, "約 59 分"}, {300, 5, "約 1 時間"}, {480, 5, "約 1 時間 36 分"},
                 {3000, 500, "約 6 分"}, {10, 0, "約 10 分"}};
    for (const auto& t : times)
        EXPECT_EQ(aboutTime(t.requests, t.pace), t.text) << t.requests << " at " << t.pace;

    const struct {
        Plan plan;
        int days, pace, requests, minutes;
    } latest[] = {{Plan::Free, 10, 5, 22, 5}, {Plan::Light, 10, 60, 23, 1}, {Plan::Premium, 0, 500, 3, 1}};
    for (const auto& l : latest) {
        RunEstimate e = estimateLatest(l.plan, l.days, l.pace);
        EXPECT_EQ(e.requests, l.requests) << planName(l.plan);
        EXPECT_EQ(e.minutes, l.minutes) << planName(l.plan);
    }
    // The whole window: two years of days on Free; ten years of days and weeks on Standard.
    EXPECT_EQ(backfillRequests(Plan::Free), 480);
    EXPECT_EQ(backfillRequests(Plan::Standard), 2400 + 520);
    const std::string free = backfillQuestion(Plan::Free, 5);
    EXPECT_NE(free.find("約 2 年分"), std::string::npos) << free;
    EXPECT_NE(free.find("毎分 5 回の上限で約 1 時間 36 分かかります"), std::string::npos) << free;
    EXPECT_NE(backfillQuestion(Plan::Standard, 120).find("約 25 分"), std::string::npos);
}

TEST_F(History, ByCodeEqualsByDayAndADayImportedBothWaysIsStoredOnce) {
    // Free: bars only; Standard: the margin balances too, into shinyo and the weekly bars.
    for (Plan plan : {Plan::Free, Plan::Standard}) {
        SCOPED_TRACE(planName(plan));
        const std::string expected = dump(straight(plan));
        EXPECT_EQ(expected.ends_with("--\n--\n"), plan == Plan::Free) << "shinyo rows only from Standard";
        std::string path = fresh("bycode" + std::string(planName(plan)) + ".mdb");
        Market market;
        for (int code : market.codes) {
            IssueHistoryOutcome out = fetchIssueHistory(market, {code, std::nullopt, std::nullopt, path, plan});
            ASSERT_TRUE(out.status) << out.status.message();
            EXPECT_GT(out.stored, 0) << out.message;
            EXPECT_EQ(out.marginWeeks, plan == Plan::Free ? 0 : code == 9984 ? 4 : 8) << out.message;
        }
        // Every bar as the daily road stores it, the weekly bars of each issue with their balances, the
        // split proposal and the balances; not Mei, which the daily road's master file writes.
        auto without = [](std::string s) {
            size_t mei = s.find("--\n", s.find("--\n") + 3) + 3;
            return s.erase(mei, s.find("--\n", mei) + 3 - mei);
        };
        EXPECT_EQ(without(dump(path)), without(expected));
        // The days' whole files over the same days replace the partial days: no row twice, none lost.
        auto db = db::openKestrelDatabase(path);
        import::DailyImportOptions o;
        o.dailyFolder = dir.file("daily" + std::string(planName(plan)));
        o.buildWeekly = true;
        auto r = import::ImportDailyFiles(**db, market.first, market.last, o);
        ASSERT_TRUE(r.status) << r.status.message();
        EXPECT_EQ((*db)->queryInt("SELECT count(*) FROM PartialDays")->value_or(-1), 0);
        db->reset();
        EXPECT_EQ(dump(path), expected);

        // Fetched by code once more over bars already stored from the daily files: nothing changes.
        IssueHistoryOutcome again = fetchIssueHistory(market, {7203, market.first, market.last, path, plan});
        EXPECT_TRUE(again.status);
        EXPECT_EQ(again.stored, 0);
        EXPECT_EQ(again.alreadyThere, 37);
        EXPECT_EQ(dump(path), expected);
    }
}

TEST_F(History, ByCodeRefusesOrSkipsWithAMessage) {
    Market market;
    std::string path = fresh("bad.mdb");
    // An issue the service does not know: nothing stored, said so.
    IssueHistoryOutcome unknown = fetchIssueHistory(market, {4444, std::nullopt, std::nullopt, path});
    EXPECT_TRUE(unknown.status);
    EXPECT_EQ(unknown.stored, 0);
    EXPECT_NE(unknown.message.find("株価がありません"), std::string::npos) << unknown.message;
    // A page cut in the middle: an error, nothing of the first page kept.
    market.cutPages = true;
    IssueHistoryOutcome cut = fetchIssueHistory(market, {1301, std::nullopt, std::nullopt, path});
    EXPECT_FALSE(cut.status);
    EXPECT_EQ(test::queryCount(path, "SELECT count(*) FROM dayData"), 0);
    market.cutPages = false;
    // A day the stored calendar names closed is left out and counted.
    {
        auto db = db::openKestrelDatabase(path);
        ASSERT_TRUE(db::storeCalendar(**db, {{ymd(1, 6), 0}}));
    }
    IssueHistoryOutcome closed = fetchIssueHistory(market, {1301, ymd(1, 5), ymd(1, 9), path});
    EXPECT_TRUE(closed.status);
    EXPECT_EQ(closed.stored, 4);
    EXPECT_EQ(closed.closedDays, 1);
    EXPECT_NE(closed.message.find("休場日の 1 本"), std::string::npos) << closed.message;
    // Asked again without a range: only the part before the oldest bar (the window starts there).
    market.asked.clear();
    IssueHistoryOutcome older = fetchIssueHistory(market, {1301, std::nullopt, std::nullopt, path});
    EXPECT_TRUE(older.status);
    EXPECT_EQ(older.stored, 0);
    EXPECT_EQ(test::queryCount(path, "SELECT count(*) FROM dayData"), 4);
}

TEST_F(History, BackfillKilledAtRandomPointsEqualsAStraightImport) {
    // The first round on Free (bars only), the others on Standard (with the weeks' margin balances).
    const std::string free = dump(straight()), standard = dump(straight(Plan::Standard));
    std::mt19937 random(35);
    for (int round = 0; round < 3; ++round) {
        const Plan plan = round == 0 ? Plan::Free : Plan::Standard;
        const std::string& expected = round == 0 ? free : standard;
        std::string path = fresh("backfill" + std::to_string(round) + ".mdb");
        std::remove(dir.file("backfill.state").c_str());
        int starts = 0, days = 0;
        std::string jobStatus;
        for (bool finished = false; !finished && starts < 200; ++starts) {
            Market market;
            market.budget = std::uniform_int_distribution<int>(1, 6)(random);
            HistoryBackfill job(backfill(path, plan), market, 5);
            if (!job.start())
                continue; // killed while asking the calendar
            for (;;) {
                StepResult r = job.step();
                if (r == StepResult::Day)
                    ++days;
                if (r == StepResult::Finished)
                    finished = true;
                if (r != StepResult::Day && r != StepResult::Issue) {
                    jobStatus = job.lastStatus().message();
                    break;
                }
            }
        }
        EXPECT_EQ(days, 37) << jobStatus;
        EXPECT_GT(starts, 5);
        EXPECT_EQ(dump(path), expected) << "round " << round;
        auto status = backfillStatus(dir.file("backfill.state"), path, 5);
        ASSERT_TRUE(status);
        EXPECT_EQ(status->text(), "履歴: 取得済み");
    }
}

TEST_F(History, BackfillFollowsAFileReplacedBetweenDaysAndLeavesItWhole) {
    const std::string expected = dump(straight());
    std::string path = fresh("replaced.mdb");
    Market market;
    HistoryBackfill job(backfill(path), market, 5);
    ASSERT_TRUE(job.start());
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(job.step(), StepResult::Day);
    // Between two days a compaction puts a copy in the file's place, as the folder's upkeep does.
    {
        auto db = db::openKestrelDatabase(path);
        ASSERT_TRUE(db);
        ASSERT_TRUE((*db)->exec("PRAGMA wal_checkpoint(TRUNCATE)"));
        ASSERT_TRUE((*db)->run("VACUUM INTO ?", dir.file("compacted.mdb")));
    }
    ASSERT_EQ(std::rename(dir.file("compacted.mdb").c_str(), path.c_str()), 0);
    StepResult r;
    while ((r = job.step()) == StepResult::Day) {
    }
    ASSERT_EQ(r, StepResult::Finished) << job.lastStatus().message();
    EXPECT_EQ(dump(path), expected);
    // At the end every day is in the file itself, not only in its log.
    const std::string alone = dir.file("alone.mdb");
    ASSERT_TRUE(writeFileAtomically(alone, *readWholeFile(path)));
    EXPECT_EQ(dump(alone), expected);
}

TEST_F(History, BulkFilesGiveTheStraightImportAndADamagedFileIsFetchedOnce) {
    const std::string expected = dump(straight());
    std::string path = fresh("bulk.mdb");
    Market market;
    market.damaged = 1;
    BackfillRequest req = backfill(path);
    req.bulk = true;
    HistoryBackfill job(req, market, 60);
    std::vector<std::string> lines;
    job.log = [&](const std::string& line) { lines.push_back(line); };
    ASSERT_TRUE(job.start());
    market.asked.clear();
    StepResult r;
    while ((r = job.step()) == StepResult::Day) {
    }
    ASSERT_EQ(r, StepResult::Finished) << job.lastStatus().message();
    EXPECT_EQ(dump(path), expected);
    // No day asked for by date; February's file twice (the first came cut short), January's once.
    std::string downloads;
    for (const std::string& a : market.asked) {
        EXPECT_FALSE(a.starts_with("/equities/bars/daily?date=")) << a;
        if (a.starts_with("download"))
            downloads += a.substr(a.rfind('_') + 1, 6) + " ";
    }
    EXPECT_EQ(downloads, "202602 202602 202601 ");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find("equities_bars_daily_202602.csv.gz"), std::string::npos) << lines.front();
    EXPECT_NE(lines.front().find("破棄してもう一度取得します"), std::string::npos) << lines.front();

    // Damaged twice: the run stops naming the file, and nothing of the month is stored.
    std::string other = fresh("bulk2.mdb");
    Market twice;
    twice.damaged = 2;
    BackfillRequest req2 = backfill(other);
    req2.bulk = true;
    std::remove(req2.statePath.c_str());
    HistoryBackfill job2(req2, twice, 60);
    ASSERT_TRUE(job2.start());
    EXPECT_EQ(job2.step(), StepResult::Failed);
    EXPECT_NE(job2.lastStatus().message().find("equities_bars_daily_202602.csv.gz"), std::string::npos)
        << job2.lastStatus().message();
    EXPECT_EQ(test::queryCount(other, "SELECT count(*) FROM dayData"), 0);
}

TEST(Bulk, KeyMonthsAndFilesThatAreRefused) {
    const struct {
        const char* key;
        std::optional<int> month;
    } keys[] = {{"equities_bars_daily_202401.csv.gz", 202401},
                {"daily/2024/2024-03.csv.gz", 202403},
                {"bars_2024_12.csv.gz", 202412},
                {"bars_202413.csv.gz", std::nullopt},
                {"2024/bars.csv.gz", std::nullopt},
                {"bars_20240105.csv.gz", std::nullopt}};
    for (const auto& k : keys)
        EXPECT_EQ(bulkKeyMonth(k.key), k.month) << k.key;

    const std::string good = "Date,Code,O,H,L,C,Vo\n2024-01-04,13010,1,2,1,2,10\n2024-01-05,13010,,,,,\n"
                             "2024-01-05,130A0,1,1,1,1,1\n";
    auto read = readBulkFile(*gzip(good), "f");
    ASSERT_TRUE(read) << read.message();
    EXPECT_EQ(read->days.size(), 2u);
    EXPECT_EQ(read->skippedCodes, 1);
    EXPECT_FALSE(read->days.rbegin()->second.front().close);
    const struct {
        std::string bytes;
        const char* says;
    } bad[] = {
        {good, "gzip"},
        {gzip(good)->substr(0, 30), "壊れているか途中で切れています"},
        {*gzip("Date,Code,O,H,L,C\n2024-01-04,13010,1,2,1,2\n"), "項目 Vo がありません"},
        {*gzip("Date,Code,O,H,L,C,Vo\n2024-01-04,13010,1,2,1\n"), "2 行目の項目の数"},
        {*gzip("Date,Code,O,H,L,C,Vo\n2024-01-04,13010,1,2,1,x,3\n"), "項目 C が数値ではありません"},
        {*gzip("Date,Code,O,H,L,C,Vo\n2024-01-31,13010,1,2,1,2,3\n2024-02-01,13010,1,2,1,2,3\n"),
         "ひと月分のファイルではありません"},
        {*gzip("Date,Code,O,H,L,C,Vo\n"), "株価の行がありません"},
    };
    for (const auto& b : bad) {
        auto r = readBulkFile(b.bytes, "f");
        ASSERT_FALSE(r) << b.says;
        EXPECT_NE(r.message().find(b.says), std::string::npos) << r.message();
    }
}

TEST_F(History, BackfillYieldsToAnIssueAndTellsItsProgress) {
    std::string path = fresh("yield.mdb");
    Market market;
    HistoryBackfill job(backfill(path), market, 5);
    ASSERT_TRUE(job.start());
    EXPECT_EQ(job.progress().text(), "履歴: 0%・残り約 8 分");
    ASSERT_EQ(job.step(), StepResult::Day); // 2/27
    ASSERT_EQ(job.step(), StepResult::Day); // 2/26
    job.requestIssue(9984);
    market.asked.clear();
    ASSERT_EQ(job.step(), StepResult::Issue);
    EXPECT_EQ(market.asked.front(), "/equities/bars/daily?code=99840");
    EXPECT_EQ(job.lastIssue().stored, 16); // 2/2..2/25 less the holidays
    EXPECT_EQ(job.progress().text(), "履歴: 2026/02/26 まで 5%・残り約 7 分");
    auto status = backfillStatus(dir.file("backfill.state"), path, 5);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->text(), "履歴: 2026/02/26 まで 5%・残り約 7 分");
}

} // namespace
} // namespace kestrel::converter::jquants
