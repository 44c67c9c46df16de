#include "services/boards/JQuantsCatchUp.h"

#include "core/app/DateText.h"
#include "core/boards/BoardPrices.h"
#include "core/converter/JQuantsRun.h"
#include "core/converter/JQuantsSettings.h"
#include "core/db/LatestDate.h"
#include "core/db/Schema.h"
#include "core/import/DailyImport.h"
#include "platform/JQuantsClient.h"
#include "services/converter/JQuantsHook.h"

#include <algorithm>

namespace kestrel::services {

JQuantsCatchUp::JQuantsCatchUp(AppContext& context) : m_context(context) {}

JQuantsCatchUp::~JQuantsCatchUp() = default;

void JQuantsCatchUp::cancel() {
    m_cancelled = true;
    if (m_client)
        m_client->cancel();
}

void JQuantsCatchUp::tell(const std::string& line) const {
    if (log)
        log(line);
}

std::optional<std::string> JQuantsCatchUp::run(Date lastOpenDay) {
    AppContext& context = m_context;
    const Settings& s = context.settings;
    if (s.hibiPath.empty())
        return std::string("日々データーフォルダが登録されていません。");
    Date from = lastOpenDay;
    {
        auto db = db::openKestrelDatabase(context.paths.databasePath, db::OpenMode::ReadOnly);
        if (!db)
            return db.message();
        // A plan whose bars come late gives nothing newer than its delay: the bars go up to its last open day.
        const auto plan = converter::jquants::loadJQuantsSettings(context.paths.iniPath).plan;
        if (const int delay = converter::jquants::planDelayDays(plan); delay > 0)
            lastOpenDay = std::min(lastOpenDay, boards::lastTradingDay(**db, lastOpenDay.addDays(-delay)));
        from = lastOpenDay;
        auto latest = db::latestStoredDate(**db, "dayData");
        if (!latest)
            return latest.message();
        if (*latest)
            from = (*latest)->addDays(1);
    }
    if (lastOpenDay < from)
        return std::nullopt;
    if (m_cancelled)
        return std::string("中止しました。");
    QString why;
    auto options = platform::jquantsOptions(context.paths.iniPath, &why);
    if (!options)
        return why.toStdString();
    converter::jquants::RunRequest req;
    req.from = from;
    req.to = lastOpenDay;
    req.dataFolder = context.paths.dataFolder;
    req.dailyFolder = s.hibiPath;
    req.marginFolder = s.sinyoPath;
    req.databasePath = context.paths.databasePath;
    m_client = std::make_unique<platform::JQuantsClient>(*options);
    m_client->onWait = [this](int seconds, bool limited) {
        if (seconds > 0 || limited)
            tell(waitText(seconds, limited));
    };
    converter::jquants::RunHooks hooks;
    hooks.log = [this](const std::string& line) { tell(line); };
    hooks.warn = hooks.log;
    hooks.progress = [this](int done, int total) {
        if (progress)
            progress(done, total);
    };
    tell("J-Quants から " + shownDateRange(from, lastOpenDay) + " の株価を取得しています");
    const converter::jquants::RunOutcome out = converter::jquants::runJQuants(req, *m_client, hooks);
    m_client.reset();
    std::optional<std::string> failed;
    if (out.cancelled || m_cancelled)
        failed = "中止しました。";
    else if (!out.status)
        failed = out.status.message();
    // Days written before a failure or a cancel are imported all the same: they are not fetched again.
    if (failed && out.daysWritten + out.daysKept == 0)
        return failed;
    auto db = db::openKestrelDatabase(context.paths.databasePath);
    if (!db)
        return failed ? failed : db.message();
    tell("株価を取り込んでいます");
    import::DailyImportOptions imp;
    imp.dailyFolder = s.hibiPath;
    imp.deleteExisting = s.RDel == 1;
    imp.buildWeekly = true;
    const import::DailyImportResult r = import::ImportDailyFiles(**db, from, lastOpenDay, imp);
    if (failed)
        return failed;
    if (!r.status)
        return import::stoppedImportMessage(r);
    if (!r.message.empty())
        tell(r.message);
    return std::nullopt;
}

std::optional<std::string> catchUpFromJQuants(AppContext& context, Date lastOpenDay,
                                              const std::function<void(const std::string&)>& log) {
    JQuantsCatchUp run(context);
    run.log = log;
    return run.run(lastOpenDay);
}

} // namespace kestrel::services
