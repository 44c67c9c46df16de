// The program folder's lock between processes: what coexists, what is refused, nesting in one process,
// the holders named in a refusal, and a folder where no lock file can be made.
#include "core/db/FolderLock.h"

#include "core/app/Files.h"
#include "support/TestSupport.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::db;

namespace {

// A child inherits this process's locks (the same open file); naming the folder another way makes it
// open the lock file afresh, as another program would.
std::string elsewhere(const std::string& folder) {
    return folder + "/.";
}

// A child process that takes the lock under a name and keeps it until it is killed.
struct Holder {
    pid_t pid = -1;
    bool got = false;
};

Holder holdInChild(const std::string& folder, LockMode mode, const char* name) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        setLockHolderName(name);
        auto lock = FolderLock::take(elsewhere(folder), mode, 0);
        char got = lock ? 1 : 0;
        (void)::write(fds[1], &got, 1);
        for (;;)
            ::pause();
    }
    ::close(fds[1]);
    char got = 0;
    bool read = pid > 0 && ::read(fds[0], &got, 1) == 1;
    ::close(fds[0]);
    return {pid, read && got == 1};
}

void killHolder(const Holder& h) {
    ::kill(h.pid, SIGKILL);
    int status = 0;
    ::waitpid(h.pid, &status, 0);
}

// Whether another process gets the lock at once ("ok", "busy" or "io").
std::string tryInChild(const std::string& folder, LockMode mode) {
    pid_t pid = ::fork();
    if (pid == 0) {
        auto lock = FolderLock::take(elsewhere(folder), mode, 0);
        ::_exit(lock ? 0 : lock.code() == StatusCode::Busy ? 1 : 2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    int rc = WIFEXITED(status) ? WEXITSTATUS(status) : 3;
    return rc == 0 ? "ok" : rc == 1 ? "busy" : "io";
}

std::string named(const char* name, pid_t pid) {
    return std::string(name) + " (pid " + std::to_string(pid) + ")";
}

TEST(FolderLockTest, SharedHoldersCoexistAndKeepOutAnExclusiveOneUntilTheyEnd) {
    test::TempDir dir;
    const std::string& f = dir.path();
    Holder reader = holdInChild(f, LockMode::Shared, "Plover");
    ASSERT_TRUE(reader.got);
    Holder command = holdInChild(f, LockMode::Shared, "kestrel");
    ASSERT_TRUE(command.got);
    EXPECT_EQ(tryInChild(f, LockMode::Exclusive), "busy");

    auto shared = FolderLock::take(f, LockMode::Shared, 0);
    ASSERT_TRUE(shared) << shared.message();
    EXPECT_TRUE(shared->real());
    // Refused upgrade: both holders are named, this process is not; its shared lock stays.
    auto refused = FolderLock::take(f, LockMode::Exclusive, 0);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.code(), StatusCode::Busy);
    EXPECT_EQ(refused.message(), "フォルダ " + f + " の株価データーは " + named("Plover", reader.pid) + "、" +
                                     named("kestrel", command.pid) +
                                     " が使用中です。しばらくしてからやり直してください。");
    killHolder(reader);
    EXPECT_EQ(folderBusyMessage(f).find("Plover"), std::string::npos); // a killed holder is not named
    killHolder(command);
    EXPECT_EQ(tryInChild(f, LockMode::Exclusive), "busy"); // still shared here

    // With the others gone, the upgrade is granted at once; giving it back leaves the shared lock.
    struct {
        const char* state;
        const char* otherShared;
        const char* otherExclusive;
    } expected[] = {{"shared", "ok", "busy"}, {"exclusive", "busy", "busy"}, {"back to shared", "ok", "busy"}};
    auto check = [&](int i) {
        SCOPED_TRACE(expected[i].state);
        EXPECT_EQ(tryInChild(f, LockMode::Shared), expected[i].otherShared);
        EXPECT_EQ(tryInChild(f, LockMode::Exclusive), expected[i].otherExclusive);
    };
    check(0);
    {
        auto alone = FolderLock::take(f, LockMode::Exclusive, 0);
        ASSERT_TRUE(alone) << alone.message();
        auto again = FolderLock::take(f, LockMode::Shared, 0); // nested inside the exclusive take
        ASSERT_TRUE(again);
        check(1);
    }
    check(2);
    { FolderLock givenBack(std::move(*shared)); }
    EXPECT_EQ(tryInChild(f, LockMode::Exclusive), "ok");
}

TEST(FolderLockTest, AnExclusiveHolderKeepsEveryoneOutUntilKilled) {
    test::TempDir dir;
    const std::string& f = dir.path();
    Holder compaction = holdInChild(f, LockMode::Exclusive, "kestrel");
    ASSERT_TRUE(compaction.got);
    for (LockMode mode : {LockMode::Shared, LockMode::Exclusive}) {
        auto lock = FolderLock::take(f, mode, 0);
        ASSERT_FALSE(lock);
        EXPECT_EQ(lock.code(), StatusCode::Busy);
        EXPECT_NE(lock.message().find(" " + named("kestrel", compaction.pid) + " が使用中です。"), std::string::npos)
            << lock.message();
    }
    killHolder(compaction);
    auto lock = FolderLock::take(f, LockMode::Exclusive, 0);
    EXPECT_TRUE(lock) << lock.message();
}

// What goes wrong on a folder this process cannot write ("" when nothing does).
std::string readOnlyFolderFaults(const std::string& f, bool real) {
    std::string faults;
    auto fault = [&](bool bad, const char* what) { faults += bad ? std::string(what) + "; " : ""; };
    {
        auto shared = FolderLock::take(f, LockMode::Shared, 0);
        fault(!shared, "shared take refused");
        fault(shared && shared->real() != real, "shared take real() wrong");
        auto exclusive = FolderLock::take(f, LockMode::Exclusive, 0);
        fault(exclusive || exclusive.code() != StatusCode::Io || exclusive.message() != readOnlyFolderMessage(f),
              "nested exclusive take not refused as unwritable");
    }
    auto alone = FolderLock::take(f, LockMode::Exclusive, 0);
    fault(alone || alone.code() != StatusCode::Io, "exclusive take not refused as unwritable");
    return faults;
}

// Runs the checks as this user, or, for the superuser (who may write anywhere), in a child that
// has given up its rights.
std::string faultsAsAnOrdinaryUser(const std::string& f, bool real) {
    if (::geteuid() != 0)
        return readOnlyFolderFaults(f, real);
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string faults =
            ::setgid(65534) == 0 && ::setuid(65534) == 0 ? readOnlyFolderFaults(f, real) : "cannot give up rights";
        (void)::write(fds[1], faults.data(), faults.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string faults;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        faults.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return faults;
}

TEST(FolderLockTest, AFolderThatCannotBeWrittenReadsOnButRefusesExclusiveTakes) {
    test::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    struct {
        const char* name;
        bool lockFileThere; // made (read-only) before the folder was closed
        bool real;
    } cases[] = {{"no lock file", false, false}, {"read-only lock file", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string f = dir.file(c.name);
        ASSERT_EQ(::mkdir(f.c_str(), 0755), 0);
        if (c.lockFileThere) {
            test::writeFile(lockFilePath(f), "");
            ::chmod(lockFilePath(f).c_str(), 0444);
        }
        ::chmod(f.c_str(), 0555);
        EXPECT_EQ(faultsAsAnOrdinaryUser(f, c.real), "");
        EXPECT_EQ(fileExists(lockFilePath(f)), c.lockFileThere);
        ::chmod(f.c_str(), 0755);
    }
}

} // namespace
