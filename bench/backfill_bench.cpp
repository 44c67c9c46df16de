// The market's history filled in the background, against a market served from memory at no pace:
// a month of the whole market (4,000 issues, 20 open days) read from its bulk file (gzip CSV) and
// imported day by day, and a day of 4,000 issues fetched by date and imported. Limits: a month under
// 10 s, a day under 0.1 s. The answers (pages, the gzip file) are made before the clock starts: a step
// is timed from the request to the commit, i.e. reading the page or file, the day's file written and
// imported, the day after relinked, the week's bars and margin balances, the commit and the database
// closed. Run: build/bench/backfill_bench [ISSUES]
#include "core/app/Files.h"
#include "core/converter/JQuantsBulk.h"
#include "core/converter/JQuantsHistory.h"
#include "core/db/Schema.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <time.h>
#include <vector>

using namespace kestrel;
using namespace kestrel::converter::jquants;

namespace {

int g_issues = 4000;

struct Market : JQuantsApi {
    // March 2026, weekdays open but 3/20.
    static bool open(Date d) { return !d.isWeekend() && d != *Date::fromYmd(2026, 3, 20); }
    static double closeOf(int code, int day) { return 100 + (code * 7 + day * 13) % 900000 + (day % 2) * 0.5; }
    std::string row(int code, Date d, bool csv) const {
        const int n = d.day();
        const double c = closeOf(code, n);
        char buf[300];
        if (csv)
            std::snprintf(buf, sizeof buf, "%s,%d0,%.1f,%.1f,%.1f,%.1f,%d,1\n", d.toIso().c_str(), code, c - 3, c + 5,
                          c - 6, c, 1000 + code * n);
        else
            std::snprintf(buf, sizeof buf,
                          R"({"Date":"%s","Code":"%d0","O":%.1f,"H":%.1f,"L":%.1f,"C":%.1f,"Vo":%d,"AdjFactor":1})",
                          d.toIso().c_str(), code, c - 3, c + 5, c - 6, c, 1000 + code * n);
        return buf;
    }
    // Every answer the job will ask for, made up front so that its making is not timed.
    void prepare() {
        for (Date d = *Date::fromYmd(2026, 3, 1); d <= *Date::fromYmd(2026, 3, 31); d = d.addDays(1))
            m_days[d] = *make("/equities/bars/daily", {{"date", d.toIso()}});
        m_bulk = *makeDownload();
    }
    Result<std::vector<std::string>> getPages(const std::string& path, const Query& q, const std::string&) override {
        if (path == "/equities/bars/daily" && q.size() == 1 && q[0].first == "date")
            if (auto it = m_days.find(*Date::parse(q[0].second)); it != m_days.end())
                return it->second;
        return make(path, q);
    }
    Result<std::string> download(const std::string&, const std::string&) override {
        return m_bulk.empty() ? makeDownload() : m_bulk;
    }
    Result<std::vector<std::string>> make(const std::string& path, const Query& q) const {
        std::map<std::string, std::string> a(q.begin(), q.end());
        std::string page = R"({"data": [)";
        auto add = [&](const std::string& r) { page += (page.back() == '[' ? "" : ",") + r; };
        if (path == "/markets/calendar") {
            for (Date d = *Date::parse(a["from"]); d <= *Date::parse(a["to"]); d = d.addDays(1))
                add(R"({"Date":")" + d.toIso() + R"(","HolDiv":")" + (open(d) ? "1" : "0") + "\"}");
        } else if (path == "/equities/master") {
            for (int code = 1300; code < 1300 + g_issues; ++code)
                add(R"({"Code":")" + std::to_string(code) + R"(0","CoName":"銘柄)" + std::to_string(code) +
                    R"(","Mkt":"0111"})");
        } else if (path == "/bulk/list") {
            add(R"({"Key":"equities_bars_daily_202603.csv.gz","LastModified":"2026-04-01","Size":1})");
        } else if (path == "/bulk/get") {
            return std::vector<std::string>{R"({"url":"https://files.example/)" + a["key"] + "\"}"};
        } else if (path == "/equities/bars/daily") {
            Date d = *Date::parse(a["date"]);
            for (int code = 1300; code < 1300 + g_issues && open(d); ++code)
                add(row(code, d, false));
        }
        return std::vector<std::string>{page + "]}"};
    }
    Result<std::string> makeDownload() const {
        std::string text = "Date,Code,O,H,L,C,Vo,AdjFactor\n";
        for (Date d = *Date::fromYmd(2026, 3, 1); d <= *Date::fromYmd(2026, 3, 31); d = d.addDays(1))
            for (int code = 1300; code < 1300 + g_issues && open(d); ++code)
                text += row(code, d, true);
        return gzip(text);
    }
    bool cancelled() const override { return false; }

private:
    std::map<Date, std::vector<std::string>> m_days;
    std::string m_bulk;
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The processor time this process has used (user and system): on a shared machine the wall clock also
// counts the other programs' turns, so both are printed.
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Fills March 2026 (bulk or by date); prints the month and the slowest and mean day.
bool run(const std::filesystem::path& dir, bool bulk) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string db = (dir / "Kestrel.mdb").string();
    if (!db::CreateDatabaseFile(db))
        return false;
    Market market;
    market.prepare();
    BackfillRequest req;
    req.plan = Plan::Light;
    req.today = *Date::fromYmd(2026, 3, 31);
    req.until = *Date::fromYmd(2026, 3, 2);
    req.databasePath = db;
    req.workFolder = (dir / "work").string();
    req.statePath = (dir / "state").string();
    req.bulk = bulk;
    HistoryBackfill job(req, market, 60);
    if (!job.start()) {
        std::printf("start failed: %s\n", job.lastStatus().message().c_str());
        return false;
    }
    // The first step also reads the issue list (and, in bulk, the month's file): timed apart.
    // The job fills the open days newest first; a day whose older neighbour lies in another week ends
    // its week (in the job's order): it builds that week's bars and relinks the later weeks to them.
    std::vector<Date> order;
    for (Date d = req.today; d >= *req.until; d = d.addDays(-1))
        if (Market::open(d))
            order.push_back(d);
    auto endsWeek = [&](size_t i) { return i + 1 >= order.size() || PrevMonday(order[i + 1]) != PrevMonday(order[i]); };
    auto began = std::chrono::steady_clock::now();
    double first = 0, slowest = 0, rest = 0, cpuRest = 0, cpuSlowest = 0;
    double slowestWeek = 0, slowestOther = 0;
    size_t slowestDay = 0;
    int days = 0;
    for (;;) {
        auto t = std::chrono::steady_clock::now();
        const double c = cpuSeconds();
        StepResult r = job.step();
        const double s = seconds(t);
        const double cpu = cpuSeconds() - c;
        if (r == StepResult::Finished)
            break;
        if (r != StepResult::Day) {
            std::printf("step failed: %s\n", job.lastStatus().message().c_str());
            return false;
        }
        const size_t i = static_cast<size_t>(days);
        if (days++ == 0) {
            first = s;
        } else {
            rest += s;
            if (s > slowest)
                slowestDay = i;
            slowest = std::max(slowest, s);
            double& kind = i < order.size() && endsWeek(i) ? slowestWeek : slowestOther;
            kind = std::max(kind, s);
            cpuRest += cpu;
            cpuSlowest = std::max(cpuSlowest, cpu);
        }
    }
    const double month = seconds(began);
    std::printf("%-8s %d issues, %d days: month %.2f s (limit 10 s), first step %.3f s, later days mean %.3f s, "
                "slowest %.3f s (limit 0.1 s a day); processor time of later days mean %.3f s, slowest %.3f s\n",
                bulk ? "bulk" : "by date", g_issues, days, month, first, rest / std::max(days - 1, 1), slowest,
                cpuRest / std::max(days - 1, 1), cpuSlowest);
    if (slowestDay < order.size())
        std::printf("         slowest day %s (%s); slowest week-ending day %.3f s, slowest other day %.3f s\n",
                    order[slowestDay].toIso().c_str(),
                    endsWeek(slowestDay) ? "week-ending: the week's bars rebuilt" : "not week-ending", slowestWeek,
                    slowestOther);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1)
        g_issues = std::max(1, std::atoi(argv[1]));
    auto dir = std::filesystem::temp_directory_path() / "kestrel_backfill_bench";
    bool ok = run(dir / "bulk", true) && run(dir / "bydate", false);
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
