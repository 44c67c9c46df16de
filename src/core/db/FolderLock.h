#pragma once
// One lock for the program folder, so that no program replaces or removes Kestrel.mdb (or a working
// file beside it) while another has it open.
//
// The lock is an open-file-description lock on the file Kestrel.lock in the program folder; the system
// drops it when the holder ends, however it ends, so a lock is never left stale. Every process that
// opens Kestrel.mdb holds it shared; compaction, backup, restore, deleting everything and the start's
// clean-up of leftovers hold it exclusively. A process holds at most one lock per folder: a second take
// in the same process nests (an exclusive take turns its shared lock exclusive, and giving it back turns
// it shared again, each without a moment unlocked).
//
// Each holder writes "pid kind" into the lock file, so that a refusal names the programs that hold the
// folder. A lock file that cannot be made (a folder that cannot be written) leaves a shared take held
// in name only (reading goes on: nothing can write there) and refuses an exclusive one.
#include "core/app/Status.h"

#include <string>

namespace kestrel::db {

enum class LockMode { Shared, Exclusive };

// The name this process gives itself in the lock file ("KabukaKestrel", "Plover", "kestrel").
void setLockHolderName(const std::string& name);
// How long a command waits for a lock others hold, in ms: KESTREL_LOCK_WAIT_MS when set, else 3000.
int lockWaitMs();
// The lock file of the program folder.
std::string lockFilePath(const std::string& programFolder);

class FolderLock {
public:
    // Takes the folder's lock in mode, trying for up to waitMs ms (0: once). Busy, with a message naming
    // the programs that hold the folder, when others still hold it then; an I/O error for an exclusive
    // take where the lock file cannot be made.
    static Result<FolderLock> take(const std::string& programFolder, LockMode mode, int waitMs);
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    // Gives the take back: the process then holds what it held before it.
    ~FolderLock();
    // False when the folder has no lock file and none could be made (a shared take only).
    bool real() const { return m_real; }

private:
    FolderLock(std::string folder, LockMode mode, bool real)
        : m_folder(std::move(folder)), m_mode(mode), m_real(real) {}
    std::string m_folder;
    LockMode m_mode = LockMode::Shared;
    bool m_real = false;
    bool m_active = false;
};

// The message of a folder others hold: which programs (from the lock file) use it.
std::string folderBusyMessage(const std::string& programFolder);

} // namespace kestrel::db
