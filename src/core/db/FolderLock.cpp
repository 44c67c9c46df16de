#include "core/db/FolderLock.h"

#include "core/app/Files.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <unistd.h>
#include <utility>

namespace kestrel::db {
namespace {

struct Held {
    int fd = -1;
    bool writable = false;
    int shared = 0;
    int exclusive = 0;
};

std::mutex& guard() {
    static std::mutex m;
    return m;
}
std::map<std::string, Held>& heldLocks() {
    static std::map<std::string, Held> m;
    return m;
}
std::string& holderName() {
    static std::string name = "kestrel";
    return name;
}

bool setLock(int fd, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    while (::fcntl(fd, F_OFD_SETLK, &fl) != 0)
        if (errno != EINTR)
            return false;
    return true;
}

// Tries every 20 ms until waitMs has passed.
bool setLockWaiting(int fd, short type, int waitMs) {
    for (int waited = 0;; waited += 20) {
        if (setLock(fd, type))
            return true;
        if (waited >= waitMs)
            return false;
        ::usleep(20000);
    }
}

std::string ownLine() {
    return std::to_string(::getpid()) + " " + holderName() + "\n";
}

// The only holder starts the list again; a further shared holder adds itself to it.
void writeOwnLine(const Held& h, bool alone) {
    if (!h.writable)
        return;
    std::string line = ownLine();
    if (alone) {
        if (::ftruncate(h.fd, 0) != 0)
            return;
        (void)::pwrite(h.fd, line.data(), line.size(), 0); // the list only names holders in messages
        return;
    }
    off_t end = ::lseek(h.fd, 0, SEEK_END);
    if (end >= 0)
        (void)::pwrite(h.fd, line.data(), line.size(), end);
}

Status busy(const std::string& folder) {
    return Status::error(StatusCode::Busy, folderBusyMessage(folder));
}

} // namespace

void setLockHolderName(const std::string& name) {
    std::lock_guard<std::mutex> lock(guard());
    holderName() = name;
}

int lockWaitMs() {
    if (const char* v = std::getenv("KESTREL_LOCK_WAIT_MS"); v && *v)
        return std::atoi(v);
    return 3000;
}

std::string lockFilePath(const std::string& programFolder) {
    return joinPath(programFolder, "Kestrel.lock");
}

std::string folderBusyMessage(const std::string& programFolder) {
    auto text = readWholeFile(lockFilePath(programFolder));
    std::istringstream in(text ? *text : std::string());
    std::set<std::string> names;
    long pid = 0;
    std::string name;
    while (in >> pid >> name)
        if (pid > 0 && pid != ::getpid() && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM))
            names.insert(name + " (pid " + std::to_string(pid) + ")");
    std::string who;
    for (const std::string& n : names)
        who += (who.empty() ? "" : "、") + n;
    if (who.empty())
        who = "他のプログラム";
    return "フォルダ " + programFolder + " の株価データーは " + who +
           " が使用中です。しばらくしてからやり直してください。";
}

Result<FolderLock> FolderLock::take(const std::string& folder, LockMode mode, int waitMs) {
    std::lock_guard<std::mutex> lock(guard());
    Held& h = heldLocks()[folder];
    if (h.fd < 0) {
        const std::string path = lockFilePath(folder);
        h.fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        h.writable = h.fd >= 0;
        if (h.fd < 0)
            h.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (h.fd < 0 || (!h.writable && mode == LockMode::Exclusive)) {
            if (h.fd >= 0)
                ::close(h.fd);
            heldLocks().erase(folder);
            if (mode == LockMode::Exclusive)
                return Result<FolderLock>(Status::error(StatusCode::Io, readOnlyFolderMessage(folder)));
            FolderLock none(folder, mode, false);
            return Result<FolderLock>(std::move(none));
        }
        bool got = false;
        if (mode == LockMode::Exclusive) {
            got = setLockWaiting(h.fd, F_WRLCK, waitMs);
            if (got)
                writeOwnLine(h, true);
        } else if (h.writable && setLock(h.fd, F_WRLCK)) {
            // Alone for a moment: the list of holders starts again, then the lock turns shared.
            writeOwnLine(h, true);
            got = setLock(h.fd, F_RDLCK);
        } else {
            got = setLockWaiting(h.fd, F_RDLCK, waitMs);
            if (got)
                writeOwnLine(h, false);
        }
        if (!got) {
            ::close(h.fd);
            heldLocks().erase(folder);
            return Result<FolderLock>(busy(folder));
        }
    } else if (mode == LockMode::Exclusive && h.exclusive == 0) {
        if (!h.writable)
            return Result<FolderLock>(Status::error(StatusCode::Io, readOnlyFolderMessage(folder)));
        // Turning the shared lock exclusive: a refusal leaves it shared.
        if (!setLockWaiting(h.fd, F_WRLCK, waitMs))
            return Result<FolderLock>(busy(folder));
        writeOwnLine(h, true);
    }
    ++(mode == LockMode::Exclusive ? h.exclusive : h.shared);
    FolderLock taken(folder, mode, true);
    taken.m_active = true;
    return Result<FolderLock>(std::move(taken));
}

FolderLock::FolderLock(FolderLock&& o) noexcept
    : m_folder(std::move(o.m_folder)), m_mode(o.m_mode), m_real(o.m_real), m_active(o.m_active) {
    o.m_active = false;
}

FolderLock& FolderLock::operator=(FolderLock&& o) noexcept {
    if (this != &o) {
        FolderLock gone(std::move(*this));
        m_folder = std::move(o.m_folder);
        m_mode = o.m_mode;
        m_real = o.m_real;
        m_active = std::exchange(o.m_active, false);
    }
    return *this;
}

FolderLock::~FolderLock() {
    if (!m_active)
        return;
    std::lock_guard<std::mutex> lock(guard());
    auto it = heldLocks().find(m_folder);
    if (it == heldLocks().end())
        return;
    Held& h = it->second;
    int& count = m_mode == LockMode::Exclusive ? h.exclusive : h.shared;
    --count;
    if (h.exclusive > 0)
        return;
    if (h.shared > 0) {
        if (m_mode == LockMode::Exclusive)
            (void)setLock(h.fd, F_RDLCK); // exclusive to shared never conflicts
        return;
    }
    ::close(h.fd);
    heldLocks().erase(it);
}

} // namespace kestrel::db
