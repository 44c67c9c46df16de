#include "platform/Keyring.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace kestrel::platform {

namespace {

bool runJob(QKeychain::Job& job, QString* error) {
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    if (job.error() == QKeychain::NoError)
        return true;
    if (error)
        *error = job.error() == QKeychain::EntryNotFound
                     ? QStringLiteral("キーリングにキーが登録されていません")
                     : QStringLiteral("キーリングを使えません: ") + job.errorString();
    return false;
}

} // namespace

QString readSecret(const QString& name, QString* error) {
    QKeychain::ReadPasswordJob job(QString::fromLatin1(kKeyringService));
    job.setKey(name);
    if (!runJob(job, error))
        return {};
    return job.textData();
}

bool writeSecret(const QString& name, const QString& secret, QString* error) {
    if (secret.isEmpty()) {
        QKeychain::DeletePasswordJob job(QString::fromLatin1(kKeyringService));
        job.setKey(name);
        QString ignored;
        return runJob(job, &ignored) || job.error() == QKeychain::EntryNotFound;
    }
    QKeychain::WritePasswordJob job(QString::fromLatin1(kKeyringService));
    job.setKey(name);
    job.setTextData(secret);
    return runJob(job, error);
}

} // namespace kestrel::platform
