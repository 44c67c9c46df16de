#pragma once
// Compaction, backup and restore of Kestrel.mdb without ever losing it.
//
// Every copy is made by SQLite itself (VACUUM INTO a temporary file), so it is consistent even while
// the database is open and being written; the copy is checked (integrity check, this program's tables
// present) before it replaces anything, and it replaces its target by rename. At every moment
// Kestrel.mdb is either the database as it was or the complete new one; a write-ahead log (-wal) is
// never left beside a file it does not belong to. The caller must hold no connection to Kestrel.mdb
// while compacting or restoring (screens open the database per action), and another program holding it
// open makes these refuse, changing nothing.
//
// Tests may set KESTREL_TEST_FILECARE_ABORT=<step> to end the process abruptly at a named step, or
// KESTREL_TEST_FILECARE_DELAY_MS=<n> to pause n ms before each step (so a test can kill it in between).
#include "core/app/Status.h"

#include <string>

namespace kestrel::db {

// Kestrel.old beside the database: the path with its last three characters replaced by "old".
std::string oldCopyPath(const std::string& databasePath);
// The backup file of a folder: folder + "/" (unless it ends in "/") + "Kestrel.mdb".
std::string backupFilePath(const std::string& folder);

// Compacts the database: a compacted, checked copy replaces it, and the database as it was before is
// kept as Kestrel.old (replacing an earlier one). On error Kestrel.mdb is the database it was.
Status compactDatabase(const std::string& databasePath);
// Writes a consistent, checked copy of the database to backupFile, replacing it. On error an earlier
// backup file stays as it was.
Status backupDatabase(const std::string& databasePath, const std::string& backupFile);
// Replaces the database with a checked copy of sourceFile (a backup or Kestrel.old). A missing or
// damaged source, or one that is not this program's database, leaves the database in place. A damaged
// or foreign database is not replaced but kept aside under a dated name, given in keptAside.
Status restoreDatabase(const std::string& sourceFile, const std::string& databasePath,
                       std::string* keptAside = nullptr);
// Clears what a stopped compaction, backup or restore left beside the database: puts the checked
// compacted copy in place of a missing database, removes temporary files and the empty side files of
// Kestrel.old. Compaction runs it first; so does every start. It does nothing unless it gets the
// folder's exclusive lock at once (a working file may belong to a live process).
void removeLeftovers(const std::string& databasePath);
// When the database is missing: the file that still holds its data (a compaction's checked copy, or
// Kestrel.old), or "" when there is none.
std::string keptDatabaseCopy(const std::string& databasePath);
// Lets SQLite remove a write-ahead log and its index left by read-only connections, when this process is
// alone in the folder (it gets the exclusive lock at once) and has no connection open; SQLite keeps them
// while any other connection has the file open.
void removeIdleSideFiles(const std::string& databasePath);

} // namespace kestrel::db
