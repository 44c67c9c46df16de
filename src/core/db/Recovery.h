#pragma once
// When Kestrel.mdb is damaged or not this program's database: the file is checked without being
// changed, a damaged one is kept aside under a dated name (never deleted), and the ways back are
// offered: a restore from Kestrel.old when it is sound, from the backup in the last backup folder when
// it is sound, or a new empty database.
#include "core/app/Prompt.h"
#include "core/app/Status.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::db {

enum class FileState {
    Missing, // no file
    Sound,   // this program's database, and the check found nothing wrong
    Damaged, // not a database, or a database with damaged pages
    Foreign, // a sound database without this program's tables
    Newer,   // written by a newer version of the program
    Busy,    // another program holds it locked
    Unusable // cannot be read for another reason (permissions, I/O error)
};

struct TableRows {
    std::string table;
    std::optional<std::int64_t> rows; // nothing for a table of a later schema version the file predates
};

struct FileCheck {
    FileState state = FileState::Missing;
    std::string message;         // why the file is not sound, naming it; empty when sound
    std::vector<TableRows> rows; // row counts of every table, when asked for and sound
    // Damaged or foreign: a file to keep aside and replace.
    bool replaceable() const { return state == FileState::Damaged || state == FileState::Foreign; }
};

// Checks the file at path read-only: opens it, runs quick_check (integrity_check when thorough) and
// looks for this program's tables and schema version; with counts, counts the rows of every table.
FileCheck checkDatabaseFile(const std::string& path, bool thorough = false, bool counts = false);

// Renames path to path + ".damaged-YYYYMMDD-HHMMSS" (".1", ".2" … added when that name is taken); its
// -wal and -shm files go with it. The new name, or an error naming the file (which then stays).
Result<std::string> keepAside(const std::string& path);

// The backup file of the folder in BackPath of the settings file, or "" when none is set.
std::string lastBackupFile(const std::string& iniPath);

enum class Recovery { Restored, CreatedEmpty, Declined };

// The start on a replaceable database: says what is wrong and asks, in this order, to restore from
// Kestrel.old (when sound), from backupFile (when given and sound), or to start with a new empty
// database. The first Yes keeps the damaged file aside and does it; the outcome is reported through
// prompt. All No changes nothing (Declined). An error when the chosen way failed; the damaged file is
// then kept aside or still in place, never lost.
Result<Recovery> offerRecovery(const std::string& databasePath, const FileCheck& check, const std::string& backupFile,
                               Prompt& prompt);

// The message of the command line for a replaceable database: what is wrong and the commands that
// bring a database back.
std::string recoveryAdvice(const std::string& databasePath, const FileCheck& check, const std::string& backupFile);

} // namespace kestrel::db
