#include "services/converter/ConverterPlatform.h"

#include "core/app/Files.h"
#include "core/db/BarTable.h"
#include "core/db/Database.h"
#include "core/db/FolderLock.h"
#include "core/db/LatestDate.h"
#include "platform/UserRegistry.h"

#include <QProcess>

namespace kestrel::services {

ConverterPaths converterPaths(const QString& converterFolder, const QString& mainFolder) {
    ConverterPaths p;
    p.iniPath = joinPath(converterFolder.toStdString(), "Plover.ini");
    p.mainFolder = (mainFolder.isEmpty() ? platform::readProgramPath() : mainFolder).toStdString();
    if (p.mainFolder.empty()) // the main program never ran for this user: it will use the same folder
        p.mainFolder = converterFolder.toStdString();
    p.databasePath = p.mainFolder + "/Kestrel.mdb";
    auto data = findFileNoCase(p.mainFolder.empty() ? "/" : p.mainFolder, "Data");
    p.dataFolder = data ? *data : p.mainFolder + "/Data";
    return p;
}

void installPlatformHooks(converter::JobHooks& hooks, platform::HttpTransfer& transfer,
                          std::function<void(const std::string&)> openPage) {
    hooks.fetch = [&transfer](const std::string& url) { return transfer.OpenURL(QString::fromStdString(url)); };
    hooks.attemptConnect = [] { return true; };
    hooks.openPage = [openPage = std::move(openPage)](const std::string& address) {
        if (openPage)
            openPage(address);
    };
    hooks.startProgram = [](const std::string& commandLine, const std::string& folder) {
        QStringList parts = QProcess::splitCommand(QString::fromStdString(commandLine));
        if (parts.isEmpty())
            return Status::error("起動するプログラムがありません。");
        QString program = parts.takeFirst();
        if (!QProcess::startDetached(program, parts, QString::fromStdString(folder)))
            return Status::error(commandLine + " を起動できませんでした。");
        return Status::ok();
    };
}

std::optional<Date> latestStoredDate(const std::string& databasePath) {
    auto lock = db::FolderLock::take(folderOfFile(databasePath), db::LockMode::Shared, db::lockWaitMs());
    if (!lock)
        return std::nullopt;
    auto db = db::Database::open(databasePath, db::OpenMode::ReadOnly);
    if (!db)
        return std::nullopt;
    auto latest = db::latestStoredDate(**db, db::barTableName(db::BarTable::Daily));
    return latest ? *latest : std::nullopt;
}

Date proposedStartDate(std::optional<Date> latest, Date today) {
    if (!latest)
        return today;
    Date next = latest->addDays(1);
    return next.weekday() == 7 ? NextMonday(next) : next;
}

} // namespace kestrel::services
