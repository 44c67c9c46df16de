#include "core/startup/Startup.h"

#include "core/app/Files.h"
#include "core/db/FileCare.h"
#include "core/db/Recovery.h"
#include "core/db/Schema.h"
#include "core/settings/IniFile.h"

#include <unistd.h>

namespace kestrel {

ProgramPaths ProgramPaths::forFolder(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    ProgramPaths p;
    p.programFolder = folder;
    p.databasePath = joinPath(folder, "Kestrel.mdb");
    p.iniPath = joinPath(folder, "Kestrel.ini");
    p.dataFolder = joinPath(folder, "Data");
    p.htmFolder = joinPath(folder, "htm");
    return p;
}

std::string programVersion() {
    return std::to_string(KESTREL_VERSION_MAJOR) + "." + std::to_string(KESTREL_VERSION_MINOR) + "." +
           std::to_string(KESTREL_VERSION_PATCH);
}

namespace {

// Whether the database's schema version is older than this program's (read without writing).
bool schemaBehind(const std::string& databasePath) {
    auto db = db::Database::open(databasePath, db::OpenMode::ReadOnly);
    if (!db)
        return true; // the writing open then says what is wrong
    auto version = (*db)->queryInt("PRAGMA user_version");
    return !version || version->value_or(0) < db::kSchemaVersion;
}

} // namespace

Result<StartupReport> runStartup(const ProgramPaths& paths, Settings& settings, Prompt& prompt,
                                 const std::function<void(const std::string&)>& writeRegistryPath,
                                 DamagedDatabase onDamaged) {
    StartupReport report;
    if (!dirExists(paths.programFolder))
        return Result<StartupReport>::error("フォルダ " + paths.programFolder + " がありません。");
    const bool writable = ::access(paths.programFolder.c_str(), W_OK) == 0;
    if (writable)
        db::removeLeftovers(paths.databasePath);
    removeStaleTemporaries(paths.iniPath);
    // What the start has to make in a folder that cannot be written is refused in our words.
    const auto cannotWrite = [&] {
        return Result<StartupReport>(Status::error(StatusCode::Io, readOnlyFolderMessage(paths.programFolder)));
    };
    for (const std::string& folder : {paths.dataFolder, paths.htmFolder}) {
        if (dirExists(folder))
            continue;
        if (!writable)
            return cannotWrite();
        if (Status st = makeDir(folder); !st)
            return st;
        report.created.push_back(folder);
    }
    if (!fileExists(paths.databasePath)) {
        // A compaction or restore stopped part-way leaves the data under another name: a new empty
        // database would hide it (and a later compaction would make it Kestrel.old).
        if (std::string kept = db::keptDatabaseCopy(paths.databasePath); !kept.empty()) {
            if (onDamaged == DamagedDatabase::Go)
                return report;
            return Result<StartupReport>::error(
                StatusCode::NotFound, "データベース " + paths.databasePath + " がありません。データは " + kept +
                                          " に残っています。kestrel restore --old で戻すか、"
                                          "kestrel restore --empty で新しいデータベースを作成してください。");
        }
        if (!writable)
            return cannotWrite();
        if (Status st = db::CreateDatabaseFile(paths.databasePath); !st)
            return st;
        report.created.push_back(paths.databasePath);
        report.createdDatabase = true;
        report.startState = "3";
    } else if (onDamaged != DamagedDatabase::Go) {
        auto check = db::checkDatabaseFile(paths.databasePath);
        if (check.replaceable() && onDamaged == DamagedDatabase::Stop)
            return Result<StartupReport>::error(
                db::recoveryAdvice(paths.databasePath, check, db::lastBackupFile(paths.iniPath)));
        if (check.replaceable()) {
            auto chosen = db::offerRecovery(paths.databasePath, check, db::lastBackupFile(paths.iniPath), prompt);
            if (!chosen)
                return chosen.status();
            if (*chosen == db::Recovery::Declined)
                return Result<StartupReport>::error("データベース " + paths.databasePath +
                                                    " が使えないため、起動を中止します。");
            if (*chosen == db::Recovery::CreatedEmpty) {
                report.createdDatabase = true;
                report.startState = "3";
            }
        } else if (check.state != db::FileState::Sound) {
            return Result<StartupReport>::error(check.message);
        } else if (writable && schemaBehind(paths.databasePath)) {
            // An older file is brought up to date here, once; a current one is not opened for writing
            // (a command that only reads leaves the file and its journal mode as they were).
            auto db = db::openKestrelDatabase(paths.databasePath);
            if (!db)
                return db.status();
        }
    }
    // Kestrel.ini may be a link to a file kept elsewhere: that file's folder is the one written.
    const bool settingsWritable = folderWritable(writeTarget(paths.iniPath));
    if (!fileExists(paths.iniPath)) {
        if (!settingsWritable)
            return cannotWrite();
        SaveSettings(paths.iniPath, defaultSettingsText(paths.programFolder), true, prompt);
        report.created.push_back(paths.iniPath);
        report.createdSettings = true;
    }
    LoadSettings(paths.iniPath, settings, prompt);
    if (writeRegistryPath)
        writeRegistryPath(paths.programFolder);
    // A program folder that cannot be written is used for reading: the version is recorded by a later start.
    if (settingsWritable && readProfileString(paths.iniPath, kIniSection, "Version") != programVersion())
        if (Status st = writeProfileString(paths.iniPath, kIniSection, "Version", programVersion()); !st)
            prompt.notify(st.message());
    return report;
}

} // namespace kestrel
