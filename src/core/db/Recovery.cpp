#include "core/db/Recovery.h"

#include "core/app/Files.h"
#include "core/db/DataDeletion.h"
#include "core/db/FileCare.h"
#include "core/db/ReadOnlyOpen.h"
#include "core/db/Schema.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrel::db {
namespace {

using Connection = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

FileCheck failed(FileState state, std::string message) {
    FileCheck c;
    c.state = state;
    c.message = std::move(message);
    return c;
}

// The state of a file whose open or first read gave the SQLite result code rc.
FileCheck fromCode(const std::string& path, sqlite3* db, int rc) {
    std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return failed(FileState::Busy, "データベース " + path +
                                           " は他のプログラムが使用中です。しばらくしてからやり直してください。(" +
                                           detail + ")");
    case SQLITE_NOTADB:
        return failed(FileState::Damaged, "ファイル " + path + " はデータベースではありません。(" + detail + ")");
    case SQLITE_CORRUPT:
        return failed(FileState::Damaged, "データベース " + path + " が壊れています。(" + detail + ")");
    default:
        return failed(FileState::Unusable, "データベース " + path + " を読めません。(" + detail + ")");
    }
}

// The first column of the first row of sql, or the failed check.
std::optional<std::string> firstText(sqlite3* db, const std::string& sql, const std::string& path, FileCheck& bad) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> st(raw, &sqlite3_finalize);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(raw);
    if (rc == SQLITE_ROW) {
        const unsigned char* t = sqlite3_column_text(raw, 0);
        return std::string(t ? reinterpret_cast<const char*>(t) : "");
    }
    if (rc == SQLITE_DONE)
        return std::string();
    bad = fromCode(path, db, rc);
    return std::nullopt;
}

bool isSound(const std::string& path) {
    return checkDatabaseFile(path).state == FileState::Sound;
}

bool emptyOrMissing(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) != 0 || st.st_size == 0;
}

std::string folderOfFile(const std::string& file) {
    auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash == 0 ? 1 : slash);
}

} // namespace

FileCheck checkDatabaseFile(const std::string& path, bool thorough, bool counts) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return failed(FileState::Missing, "データベース " + path + " が見つかりません。");
    // Reading a file in WAL mode creates its side files; the empty ones this check made go again.
    struct SideFiles {
        std::string path;
        bool had;
        ~SideFiles() {
            if (!had && emptyOrMissing(path + "-wal"))
                removeSideFiles(path);
        }
    };
    SideFiles sides{path, ::access((path + "-wal").c_str(), F_OK) == 0 || ::access((path + "-shm").c_str(), F_OK) == 0};
    sqlite3* raw = nullptr;
    const ReadOnlyName name = readOnlyOpenName(path);
    int rc =
        sqlite3_open_v2(name.name.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | name.extraFlags, nullptr);
    Connection db(raw, &sqlite3_close_v2);
    if (rc != SQLITE_OK)
        return fromCode(path, raw, rc);
    sqlite3_busy_timeout(raw, 5000);
    sqlite3_extended_result_codes(raw, 1);
    FileCheck bad;
    auto verdict = firstText(raw, thorough ? "PRAGMA integrity_check(1)" : "PRAGMA quick_check(1)", path, bad);
    if (!verdict)
        return bad;
    if (*verdict != "ok")
        return failed(FileState::Damaged, "データベース " + path + " が壊れています。(" + *verdict + ")");
    FileCheck c;
    c.state = FileState::Sound;
    for (const TableDef& t : schemaTables()) {
        auto present = firstText(raw, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='" + t.name + "'",
                                 path, bad);
        if (!present)
            return bad;
        if (*present != "1") {
            if (t.sinceVersion == 1)
                return failed(FileState::Foreign,
                              "ファイル " + path + " は株価ケストレルのデータベースではありません。");
            c.rows.push_back({t.name, std::nullopt});
            continue;
        }
        if (!counts)
            continue;
        auto n = firstText(raw, "SELECT count(*) FROM \"" + t.name + "\"", path, bad);
        if (!n)
            return bad;
        c.rows.push_back({t.name, std::stoll(*n)});
    }
    if (!counts)
        c.rows.clear();
    auto version = firstText(raw, "PRAGMA user_version", path, bad);
    if (!version)
        return bad;
    if (std::stoll(*version) > kSchemaVersion)
        return failed(FileState::Newer, "データベース " + path + " は新しいバージョンのプログラムで作成されています。");
    return c;
}

Result<std::string> keepAside(const std::string& path) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string base = path + ".damaged-" + stamp, aside = base;
    for (int n = 1; ::access(aside.c_str(), F_OK) == 0; ++n)
        aside = base + "." + std::to_string(n);
    if (std::rename(path.c_str(), aside.c_str()) != 0)
        return Result<std::string>::error(path + " の名前を変えられません。(" + std::strerror(errno) + ")");
    // A log that holds something belongs to the file; empty side files carry nothing.
    if (emptyOrMissing(path + "-wal"))
        removeSideFiles(path);
    for (const char* side : {"-wal", "-shm"})
        std::rename((path + side).c_str(), (aside + side).c_str());
    return aside;
}

std::string lastBackupFile(const std::string& iniPath) {
    std::string folder = readProfileString(iniPath, kIniSection, "BackPath");
    return folder.empty() ? std::string() : backupFilePath(folder);
}

Result<Recovery> offerRecovery(const std::string& databasePath, const FileCheck& check, const std::string& backupFile,
                               Prompt& prompt) {
    prompt.notify(check.message + "\n壊れたファイルは消さずに別名で残します。");
    const std::string old = oldCopyPath(databasePath);
    std::string source;
    if (isSound(old) && prompt.askYesNo("最適化のﾊﾞｯｸｱｯﾌﾟ " + old + " から復元しますか？"))
        source = old;
    else if (!backupFile.empty() && isSound(backupFile) &&
             prompt.askYesNo("ﾊﾞｯｸｱｯﾌﾟ " + backupFile + " から復元しますか？"))
        source = backupFile;
    std::string aside;
    if (!source.empty()) {
        if (Status st = restoreDatabase(source, databasePath, &aside); !st)
            return st;
        prompt.notify("復元終了しました。壊れたファイルは " + aside + " に残しました。");
        return Recovery::Restored;
    }
    if (!prompt.askYesNo("新しい空のデータベースで始めますか？"))
        return Recovery::Declined;
    auto kept = keepAside(databasePath);
    if (!kept)
        return kept.status();
    if (Status st = CreateDatabaseFile(databasePath); !st)
        return st;
    prompt.notify("新しいデータベースを作成しました。壊れたファイルは " + *kept + " に残しました。");
    return Recovery::CreatedEmpty;
}

std::string recoveryAdvice(const std::string& databasePath, const FileCheck& check, const std::string& backupFile) {
    const std::string old = oldCopyPath(databasePath);
    std::string text = check.message + "\n次のいずれかで戻せます (壊れたファイルは消さずに別名で残します):\n";
    if (isSound(old))
        text += "  kestrel restore --old      最適化のﾊﾞｯｸｱｯﾌﾟ " + old + " から復元\n";
    if (!backupFile.empty() && isSound(backupFile))
        text += "  kestrel restore " + folderOfFile(backupFile) + "      ﾊﾞｯｸｱｯﾌﾟ " + backupFile + " から復元\n";
    else
        text += "  kestrel restore DIR        フォルダ DIR のﾊﾞｯｸｱｯﾌﾟから復元\n";
    text += "  kestrel restore --empty    新しい空のデータベースで始める\n"
            "  kestrel check              データベースの状態を調べる";
    return text;
}

} // namespace kestrel::db
