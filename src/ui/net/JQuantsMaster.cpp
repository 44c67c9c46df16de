#include "ui/net/JQuantsMaster.h"

#include "core/app/Files.h"
#include "core/converter/ConverterSettings.h"
#include "core/converter/JQuantsRun.h"
#include "core/db/BarTable.h"
#include "core/db/LatestDate.h"
#include "core/import/IssueMaster.h"
#include "platform/JQuantsClient.h"

namespace kestrel::ui {

bool jquantsSelected(const AppContext& context) {
    const std::string ini = joinPath(context.paths.programFolder, "Plover.ini");
    return fileExists(ini) && converter::LoadConverterSettings(ini).setNo + 1 == converter::kJQuantsSource;
}

net::MasterDownload downloadJQuantsMaster(const AppContext& context) {
    net::MasterDownload r;
    r.path = joinPath(context.paths.dataFolder, import::kMasterFileName);
    QString why;
    auto options = platform::jquantsOptions(context.paths.iniPath, &why);
    if (!options) {
        r.note = why.toStdString();
        return r;
    }
    Date date = Date::today();
    if (auto db = db::Database::open(context.paths.databasePath, db::OpenMode::ReadOnly)) {
        if (auto latest = db::latestStoredDate(**db, db::barTableName(db::BarTable::Daily)); latest && *latest)
            date = **latest;
    }
    platform::JQuantsClient client(*options);
    auto got = converter::jquants::fetchJQuantsMaster(client, date, context.paths.dataFolder);
    r.written = static_cast<bool>(got);
    if (!got)
        r.note = got.message();
    return r;
}

} // namespace kestrel::ui
