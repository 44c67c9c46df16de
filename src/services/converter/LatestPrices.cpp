#include "services/converter/LatestPrices.h"

#include "core/app/DateText.h"
#include "core/converter/JQuantsRun.h"
#include "core/converter/JQuantsSettings.h"
#include "core/db/Schema.h"
#include "core/import/DailyImport.h"
#include "core/import/IssueMaster.h"
#include "services/converter/JQuantsHook.h"

#include <memory>

namespace kestrel::services {

namespace jq = converter::jquants;

namespace {

// The client, counting its requests for the progress bar: the bar moves from the first one.
struct CountingApi : jq::JQuantsApi {
    jq::JQuantsApi& inner;
    std::function<void()> asked;
    explicit CountingApi(jq::JQuantsApi& api) : inner(api) {}
    Result<std::vector<std::string>> getPages(const std::string& path, const jq::Query& query,
                                              const std::string& context) override {
        auto pages = inner.getPages(path, query, context);
        if (asked)
            asked();
        return pages;
    }
    bool cancelled() const override { return inner.cancelled(); }
    jq::Failure lastFailure() const override { return inner.lastFailure(); }
};

} // namespace

LatestPricesRun::LatestPricesRun(const AppContext& context, const platform::JQuantsClient::Options& options)
    : m_context(context), m_client(options) {
    m_client.onWait = [this](int seconds, bool limited) {
        if (seconds > 0 || limited)
            tell(waitText(seconds, limited));
    };
}

void LatestPricesRun::cancel() {
    m_cancelled = true;
    m_client.cancel();
}

void LatestPricesRun::tell(const std::string& text) {
    m_step = text;
    if (progress)
        progress(text, m_done, m_total);
}

LatestPricesOutcome LatestPricesRun::run(int days, Prompt& prompt) {
    LatestPricesOutcome out;
    const Settings& s = m_context.settings;
    const ProgramPaths& paths = m_context.paths;
    if (s.hibiPath.empty()) {
        out.status = Status::error("日々データーフォルダが登録されていません。");
        return out;
    }
    jq::RunRequest req;
    req.master = true;
    req.latest = days;
    const jq::JQuantsSettings settings = jq::loadJQuantsSettings(paths.iniPath);
    req.plan = settings.plan;
    // The plan's newest day, not today: a range the plan hides (Free: the last twelve weeks) would cost
    // a refused request first.
    req.from = req.to = Date::today().addDays(-jq::planDelayDays(req.plan));
    req.dataFolder = paths.dataFolder;
    req.dailyFolder = s.hibiPath;
    req.databasePath = paths.databasePath;
    jq::RunHooks hooks;
    hooks.log = [this](const std::string& line) { tell(line); };
    hooks.warn = [&](const std::string& line) {
        out.notes.push_back(line);
        tell(line);
    };
    hooks.progress = [&](int done, int total) {
        tell("株価を取得しています（" + std::to_string(done) + "/" + std::to_string(total) + " 日）");
    };
    // The progress counts requests against the estimate, which is said before the first one.
    const jq::RunEstimate estimate = jq::estimateLatest(req.plan, days, settings.pace(), req.fins);
    m_done = 0;
    m_total = estimate.requests;
    CountingApi api(m_client);
    api.asked = [this] {
        m_total = std::max(m_total, m_done + 2);
        ++m_done;
        tell(m_step);
    };
    tell("J-Quants から約 " + std::to_string(estimate.requests) + " 回に分けて取得します（ご契約のプラン " +
         jq::planName(req.plan) + " の速さで" + jq::aboutTime(estimate.requests, settings.pace()) + "）");
    const jq::RunOutcome fetched = jq::runJQuants(req, api, hooks);
    m_done = m_total = 0;
    out.from = fetched.from;
    out.to = fetched.to;
    out.days = fetched.daysWritten + fetched.daysKept;
    out.status = fetched.status;
    if (fetched.cancelled || m_cancelled) {
        out.cancelled = true;
        return out;
    }
    if (out.days == 0) {
        if (out.status)
            out.status = Status::error("J-Quants から取得できる株価がありませんでした。");
        return out;
    }

    auto db = db::openKestrelDatabase(paths.databasePath, db::OpenMode::ReadWrite);
    if (!db) {
        out.status = db.status();
        return out;
    }
    tell("銘柄登録を取り込んでいます");
    // An error of the master import has been shown through prompt; the prices still go in.
    (void)import::ImportIssueMaster(**db, paths.dataFolder, prompt, [this](int percent) {
        tell("銘柄登録を取り込んでいます " + std::to_string(percent) + "%");
    });
    import::DailyImportOptions options;
    options.dailyFolder = s.hibiPath;
    options.deleteExisting = s.RDel == 1;
    options.buildWeekly = s.MakeSyu != 0;
    import::ImportProgress steps;
    auto step = std::make_shared<std::string>();
    steps.step = [this, step](const std::string& text) {
        *step = text;
        tell(text);
    };
    steps.percent = [this, step](int percent) { tell(*step + " " + std::to_string(percent) + "%"); };
    import::DailyImportResult imported = import::ImportDailyFiles(**db, out.from, out.to, options, steps);
    out.rows = imported.rowsStored;
    for (const std::string& w : imported.warnings)
        out.notes.push_back(w);
    if (!imported.status)
        out.status = Status::error(import::stoppedImportMessage(imported));
    auto first = (*db)->queryInt(
        "SELECT min(m.コード) FROM Mei m WHERE EXISTS (SELECT 1 FROM daydata d WHERE d.コード = m.コード)");
    if (first && *first)
        out.firstCode = static_cast<int>(**first);
    return out;
}

std::string latestPricesMessage(const LatestPricesOutcome& o) {
    if (o.cancelled)
        return "中止しました。取得済みの日のファイルはそのまま残っています。";
    std::string text;
    if (o.rows > 0)
        text = "J-Quants から " + shownDateRange(o.from, o.to) + " の株価（" + std::to_string(o.days) +
               " 日分）を取り込みました。";
    for (const std::string& note : o.notes)
        text += (text.empty() ? "" : "\n") + note;
    if (!o.status)
        text += (text.empty() ? "" : "\n") + o.status.message();
    else if (o.rows == 0)
        text += (text.empty() ? "" : "\n") + std::string("取り込める株価がありませんでした。");
    return text;
}

} // namespace kestrel::services
