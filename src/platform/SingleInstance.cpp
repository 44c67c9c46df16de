#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace kestrel::platform {

SingleInstance::SingleInstance(const QString& programName, const QString& programFolder) {
    QByteArray key = QFileInfo(programFolder).absoluteFilePath().toUtf8();
    QString hash = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
    m_path = QDir::temp().filePath(programName + QLatin1Char('-') + hash + QStringLiteral(".lock"));
    m_lock = std::make_unique<QLockFile>(m_path);
    m_lock->setStaleLockTime(0); // only a dead holder makes the lock stale
}

bool SingleInstance::tryAcquire() {
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError && m_lock->removeStaleLockFile())
        return m_lock->tryLock(0);
    return false;
}

} // namespace kestrel::platform
