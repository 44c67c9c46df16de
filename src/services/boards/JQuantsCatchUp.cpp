#include "services/boards/JQuantsCatchUp.h"

#include "core/boards/BoardPrices.h"
#include "core/converter/JQuantsRun.h"
#include "core/converter/JQuantsSettings.h"
#include "core/db/LatestDate.h"
#include "core/db/Schema.h"
#include "core/import/DailyImport.h"
#include "platform/JQuantsClient.h"

#include <algorithm>

namespace kestrel::services {

std::optional<std::string> catchUpFromJQuants(AppContext& context, Date lastOpenDay,
                                              const std::function<void(const std::string&)>& log) {
    const Settings& s = context.settings;
    if (s.hibiPath.empty())
        return std::string("日々データーフォルダが登録されていません");
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
    platform::JQuantsClient client(*options);
    converter::jquants::RunHooks hooks;
    hooks.log = log;
    hooks.warn = log;
    const converter::jquants::RunOutcome out = converter::jquants::runJQuants(req, client, hooks);
    if (out.cancelled)
        return std::string("中止しました。");
    if (!out.status)
        return out.status.message();
    auto db = db::openKestrelDatabase(context.paths.databasePath);
    if (!db)
        return db.message();
    import::DailyImportOptions imp;
    imp.dailyFolder = s.hibiPath;
    imp.deleteExisting = s.RDel == 1;
    imp.buildWeekly = true;
    const import::DailyImportResult r = import::ImportDailyFiles(**db, from, lastOpenDay, imp);
    if (!r.status)
        return import::stoppedImportMessage(r);
    if (log && !r.message.empty())
        log(r.message);
    return std::nullopt;
}

} // namespace kestrel::services
