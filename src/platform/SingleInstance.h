#pragma once
// One running instance per program and program folder. The lock is a file that names the holder's
// process; a lock left by a process that no longer runs is taken over, so a crash never blocks the
// next start.
#include <QLockFile>
#include <QString>
#include <memory>

namespace kestrel::platform {

class SingleInstance {
public:
    SingleInstance(const QString& programName, const QString& programFolder);
    // True when this process now holds the lock (kept until destruction).
    bool tryAcquire();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace kestrel::platform
