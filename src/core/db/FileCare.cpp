#include "core/db/FileCare.h"

#include "core/app/Files.h"
#include "core/db/DataDeletion.h"
#include "core/db/FolderLock.h"
#include "core/db/Recovery.h"
#include "core/db/Schema.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrel::db {
namespace {

// The test hooks of the file header: a pause before each step, an abrupt end at a named one.
void step(const char* name) {
    if (const char* delay = std::getenv("KESTREL_TEST_FILECARE_DELAY_MS"))
        ::usleep(static_cast<useconds_t>(std::atoi(delay)) * 1000);
    if (const char* abortAt = std::getenv("KESTREL_TEST_FILECARE_ABORT"); abortAt && std::strcmp(abortAt, name) == 0)
        std::raise(SIGKILL);
}

std::string folderOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

Status syncPath(const std::string& path, bool directory) {
    int fd = ::open(path.c_str(), (directory ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Status::error(path + " を開けません。(" + std::strerror(errno) + ")");
    int rc = ::fsync(fd);
    int err = errno;
    ::close(fd);
    if (rc != 0 && !directory)
        return Status::error(path + " に書き込めません。(" + std::strerror(err) + ")");
    return Status::ok();
}

// A temporary file of ours goes with its log, its index and the rollback journal a copy into it writes.
void removeWithSideFiles(const std::string& path) {
    std::remove(path.c_str());
    removeSideFiles(path);
    std::remove((path + "-journal").c_str());
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Whether the file holds the table; a table added by a later schema version may be missing from an
// older file, which then counts as holding it empty.
Result<bool> hasTable(Database& db, const TableDef& t) {
    auto n = db.queryInt("select count(*) from sqlite_master where type='table' and name=?", t.name);
    if (!n)
        return n.status();
    return n->value_or(0) == 1;
}

// Row counts of every table, to compare a copy with its source.
Result<std::vector<std::int64_t>> rowCounts(Database& db) {
    std::vector<std::int64_t> counts;
    for (const TableDef& t : schemaTables()) {
        auto present = hasTable(db, t);
        if (!present)
            return present.status();
        if (!*present && t.sinceVersion > 1) {
            counts.push_back(0);
            continue;
        }
        auto n = db.queryInt("select count(*) from \"" + t.name + "\"");
        if (!n)
            return n.status();
        counts.push_back(n->value_or(0));
    }
    return counts;
}

// Copies the database open in source into the new file target (which must not exist), then checks the
// copy. expected, when given, are the source's row counts. A failure to write the copy names shownName,
// the file the user knows (the backup file, the database), not the temporary one.
Status copyAndCheck(Database& source, const std::string& target, const std::vector<std::int64_t>* expected,
                    bool journalDelete, const std::string& shownName) {
    removeWithSideFiles(target);
    step("copy");
    if (Status st = source.run("VACUUM INTO ?", target); !st) {
        int code = sqlite3_errcode(source.handle()) & 0xff;
        std::string detail = sqlite3_errmsg(source.handle());
        removeWithSideFiles(target);
        if (code == SQLITE_FULL || code == SQLITE_IOERR || code == SQLITE_CANTOPEN || code == SQLITE_READONLY ||
            code == SQLITE_PERM)
            return Status::error(shownName + " に書き込めません。(" + detail + ")");
        return st;
    }
    step("check");
    Status st;
    {
        auto copy = Database::open(target);
        if (!copy)
            st = copy.status();
        if (st) {
            auto check = (*copy)->prepare("PRAGMA integrity_check");
            if (!check) {
                st = check.status();
            } else {
                auto row = check->step();
                if (!row)
                    st = row.status();
                else if (!*row || check->text(0) != "ok")
                    st = Status::error("データベース " + target + " が壊れています。(" +
                                       (*row ? check->text(0) : std::string()) + ")");
            }
        }
        if (st) {
            for (const TableDef& t : schemaTables()) {
                auto present = hasTable(**copy, t);
                if (!present) {
                    st = present.status();
                    break;
                }
                if (!*present && t.sinceVersion == 1) {
                    st = Status::error("ファイル " + target + " は株価ケストレルのデータベースではありません。");
                    break;
                }
            }
        }
        if (st && expected) {
            auto counts = rowCounts(**copy);
            if (!counts)
                st = counts.status();
            else if (*counts != *expected)
                st = Status::error("データベース " + target + " の写しが元と一致しません。");
        }
        if (st && journalDelete)
            st = (*copy)->exec("PRAGMA journal_mode=DELETE");
    }
    if (st && !syncPath(target, false))
        st = Status::error(shownName + " に書き込めません。");
    if (!st)
        removeWithSideFiles(target);
    return st;
}

// Makes sure no connection to path is left (ours are closed): the last connection to close removes
// the write-ahead log, so one still there means another program has the database open.
Status checkNoConnection(const std::string& path) {
    if (fileExists(path + "-wal")) {
        // A log left by a program that ended abruptly is folded in by opening the file once.
        if (auto db = Database::open(path))
            // Best effort: a log that cannot be folded in is still read by SQLite.
            (void)(*db)->exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    if (fileExists(path + "-wal"))
        return Status::error(StatusCode::Busy, "データベース " + path +
                                                   " は他のプログラムが使用中です。データベースは元のままです。"
                                                   "しばらくしてからやり直してください。");
    return Status::ok();
}

// Puts the checked file ready in place of target by rename; target's old -shm goes with it.
Status replaceWith(const std::string& ready, const std::string& target) {
    if (std::rename(ready.c_str(), target.c_str()) != 0) {
        std::string why = std::strerror(errno);
        removeWithSideFiles(ready);
        return Status::error(target + " を置き換えられません。(" + why + ")");
    }
    std::remove((target + "-shm").c_str());
    // The file is in place; syncing its folder only hardens the rename against power loss.
    (void)syncPath(folderOf(target), true);
    return Status::ok();
}

// Swaps the names of two files in one step (Linux renameat2); false when the file system cannot.
bool exchangeNames(const std::string& a, const std::string& b) {
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

} // namespace

std::string oldCopyPath(const std::string& databasePath) {
    if (databasePath.size() < 3)
        return databasePath + "old";
    return databasePath.substr(0, databasePath.size() - 3) + "old";
}

std::string backupFilePath(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/')
        return folder + "Kestrel.mdb";
    return folder + "/Kestrel.mdb";
}

void removeLeftovers(const std::string& databasePath) {
    // A working file may belong to a live compaction, backup or restore: only a process alone in the
    // folder clears them.
    auto alone = FolderLock::take(folderOfFile(databasePath), LockMode::Exclusive, 0);
    if (!alone)
        return;
    const std::string oldPath = oldCopyPath(databasePath);
    std::string compacting = databasePath + ".compacting";
    // A compaction stopped between its two renames on a file system without name exchange: the
    // checked, compacted copy takes the empty place of the database.
    if (!fileExists(databasePath) && fileExists(compacting) && fileExists(oldPath))
        if (std::rename(compacting.c_str(), databasePath.c_str()) == 0)
            (void)syncPath(folderOf(databasePath), true); // best effort: the rename itself has succeeded
    for (const std::string& side : {compacting, databasePath + ".writing", databasePath + ".restoring",
                                    databasePath + ".cleared", databasePath + ".creating"})
        if (fileExists(databasePath))
            removeWithSideFiles(side);
    // Earlier versions kept the previous database under this name first.
    removeWithSideFiles(oldPath + ".keeping");
    // Kestrel.old is only ever read: an empty log and its index, left by a reader that ended abruptly,
    // carry nothing.
    struct stat wal {};
    bool walEmpty = ::stat((oldPath + "-wal").c_str(), &wal) != 0 || wal.st_size == 0;
    if (walEmpty)
        removeSideFiles(oldPath);
}

namespace {

// Another connection's commit since the last look: PRAGMA data_version on this connection changes.
Result<std::int64_t> dataVersion(Database& db) {
    auto v = db.queryInt("PRAGMA data_version");
    if (!v)
        return v.status();
    return v->value_or(0);
}

// One attempt: the compacted, checked copy in tmp, made from one state of the database. Busy when the
// database changed while it was copied (the copy is then removed).
Status makeCompactedCopy(const std::string& databasePath, const std::string& tmp) {
    auto db = openKestrelDatabase(databasePath);
    if (!db)
        return db.status();
    // Best effort: the counts below read through the log anyway.
    (void)(*db)->exec("PRAGMA wal_checkpoint(TRUNCATE)");
    auto before = dataVersion(**db);
    if (!before)
        return before.status();
    auto counts = rowCounts(**db);
    if (!counts)
        return counts.status();
    if (Status st = copyAndCheck(**db, tmp, &*counts, false, databasePath); !st)
        return st;
    // The counts and the copy read the same state only when no commit came in between, and the copy
    // may replace the database only when nothing has been written since.
    auto after = dataVersion(**db);
    if (!after || *after != *before) {
        removeWithSideFiles(tmp);
        return Status::error(StatusCode::Busy, "データベース " + databasePath + " が最適化の間に書き換えられました。");
    }
    // The last connection folds the log in and removes it.
    return (*db)->exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

} // namespace

std::string keptDatabaseCopy(const std::string& databasePath) {
    if (fileExists(databasePath))
        return {};
    for (const std::string& copy : {databasePath + ".compacting", oldCopyPath(databasePath)})
        if (fileExists(copy))
            return copy;
    return {};
}

void removeIdleSideFiles(const std::string& databasePath) {
    auto alone = FolderLock::take(folderOfFile(databasePath), LockMode::Exclusive, 0);
    if (!alone)
        return;
    if (!fileExists(databasePath + "-wal") && !fileExists(databasePath + "-shm"))
        return;
    // Another program may have the file open without taking the folder's lock (the sqlite3 shell, an
    // older version): the side files are never unlinked by hand. SQLite removes them itself when the
    // connection that closes is the last one on the file, which it knows from its own locks.
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(databasePath.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
        (void)sqlite3_exec(raw, "PRAGMA schema_version", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
}

Status compactDatabase(const std::string& databasePath) {
    auto lock = FolderLock::take(folderOfFile(databasePath), LockMode::Exclusive, lockWaitMs());
    if (!lock)
        return lock.status();
    step("open");
    removeLeftovers(databasePath);
    if (!fileExists(databasePath))
        return Status::error(StatusCode::NotFound, "データベース " + databasePath + " が見つかりません。");
    const std::string oldPath = oldCopyPath(databasePath);
    std::string tmp = databasePath + ".compacting";
    // A write that came in while the copy was made (a program that does not take the folder's lock)
    // makes the copy start again once; a second one gives up, leaving the database as it was.
    Status made = makeCompactedCopy(databasePath, tmp);
    if (made.code() == StatusCode::Busy)
        made = makeCompactedCopy(databasePath, tmp);
    if (made.code() == StatusCode::Busy)
        return Status::error(StatusCode::Busy,
                             "データベース " + databasePath +
                                 " は最適化の間に他のプログラムが書き換えたため、最適化しませんでした。"
                                 "データベースは元のままです。");
    if (!made)
        return made;
    step("keep-old");
    if (Status st = checkNoConnection(databasePath); !st) {
        removeWithSideFiles(tmp);
        return st;
    }
    // Kestrel.mdb and Kestrel.old stay two different files at every step: the compacted copy and the
    // database swap names, then the database (now under the copy's name) becomes Kestrel.old. Without
    // name exchange, the database is renamed to Kestrel.old first and the copy takes its place; a stop
    // in between leaves Kestrel.mdb missing, and the next start or compaction puts the copy in place.
    removeSideFiles(oldPath);
    if (exchangeNames(tmp, databasePath)) {
        std::remove((databasePath + "-shm").c_str());
        (void)syncPath(folderOf(databasePath), true); // best effort: the rename itself has succeeded
        step("replace");
        if (std::rename(tmp.c_str(), oldPath.c_str()) != 0) {
            // The database is the compacted copy already; the earlier Kestrel.old stays.
            std::string why = std::strerror(errno);
            removeWithSideFiles(tmp);
            return Status::error(oldPath + " を作成できません。(" + why + ")");
        }
        (void)syncPath(folderOf(databasePath), true); // best effort: the rename itself has succeeded
    } else {
        if (std::rename(databasePath.c_str(), oldPath.c_str()) != 0) {
            std::string why = std::strerror(errno);
            removeWithSideFiles(tmp);
            return Status::error(oldPath + " を作成できません。(" + why + ")");
        }
        std::remove((databasePath + "-shm").c_str());
        step("replace");
        if (Status st = replaceWith(tmp, databasePath); !st)
            return st;
    }
    step("done");
    return Status::ok();
}

Status backupDatabase(const std::string& databasePath, const std::string& backupFile) {
    std::string folder = folderOf(backupFile);
    if (!dirExists(folder))
        return Status::error("フォルダ " + folder + " が見つかりません。");
    if (sameFile(databasePath, backupFile))
        return Status::error("ﾊﾞｯｸｱｯﾌﾟ先 " + backupFile + " はデータベースそのものです。");
    // A folder that cannot be written has no lock file to take exclusively, and no writer at work.
    auto lock = FolderLock::take(folderOfFile(databasePath), LockMode::Exclusive, lockWaitMs());
    if (!lock && lock.code() == StatusCode::Io)
        lock = FolderLock::take(folderOfFile(databasePath), LockMode::Shared, 0);
    if (!lock)
        return lock.status();
    std::string tmp = backupFile + ".writing";
    {
        auto db = openKestrelDatabase(databasePath, OpenMode::ReadOnly);
        if (!db)
            return db.status();
        if (Status st = copyAndCheck(**db, tmp, nullptr, true, backupFile); !st)
            return st;
    }
    step("replace");
    removeSideFiles(backupFile);
    return replaceWith(tmp, backupFile);
}

Status restoreDatabase(const std::string& sourceFile, const std::string& databasePath, std::string* keptAside) {
    if (!fileExists(sourceFile))
        return Status::error("ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙ " + sourceFile + " が見つかりません。");
    if (sameFile(sourceFile, databasePath))
        return Status::error("ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙ " + sourceFile + " はデータベースそのものです。");
    auto lock = FolderLock::take(folderOfFile(databasePath), LockMode::Exclusive, lockWaitMs());
    if (!lock)
        return lock.status();
    std::string tmp = databasePath + ".restoring";
    // Reading a file in WAL mode creates its side files; empty ones (this read's or an earlier one's)
    // carry nothing and go again.
    {
        auto source = Database::open(sourceFile, OpenMode::ReadOnly);
        Status st = source ? copyAndCheck(**source, tmp, nullptr, false, databasePath) : source.status();
        source = Result<std::unique_ptr<Database>>(Status::error(""));
        struct stat wal {};
        if (::stat((sourceFile + "-wal").c_str(), &wal) != 0 || wal.st_size == 0)
            removeSideFiles(sourceFile);
        if (!st)
            return st;
    }
    step("replace");
    if (fileExists(databasePath)) {
        if (checkDatabaseFile(databasePath).replaceable()) {
            auto aside = keepAside(databasePath);
            if (!aside) {
                removeWithSideFiles(tmp);
                return aside.status();
            }
            if (keptAside)
                *keptAside = *aside;
        } else if (Status st = checkNoConnection(databasePath); !st) {
            removeWithSideFiles(tmp);
            return st;
        }
    }
    removeSideFiles(databasePath);
    return replaceWith(tmp, databasePath);
}

} // namespace kestrel::db
