#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace kestrel::platform {

namespace {

// Folders that hold the system's programs: never a program folder, even for root who may write them.
bool isSystemProgramFolder(const QString& folder) {
    static const QStringList kSystem = {QStringLiteral("/bin"),           QStringLiteral("/sbin"),
                                        QStringLiteral("/usr/bin"),       QStringLiteral("/usr/sbin"),
                                        QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/local/sbin"),
                                        QStringLiteral("/usr/games"),     QStringLiteral("/usr/local/games")};
    return kSystem.contains(QDir::cleanPath(folder));
}

// A real write test: the permission bits alone say nothing on a read-only mount or for root.
bool canWriteIn(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.kestrel-write-test-XXXXXX"));
    return probe.open();
}

QString makePerUserFolder(const QString& folder) {
    if (QDir().mkpath(folder) && canWriteIn(folder))
        return {};
    return QStringLiteral("データフォルダー %1 を作成できないか、書き込みできません。\n"
                          "別のフォルダーを --home フォルダー で指定するか、変数 KESTREL_HOME に設定してください。")
        .arg(folder);
}

} // namespace

HomeChoice chooseProgramFolder(const QStringList& arguments, const QString& executableFolder) {
    HomeChoice c;
    QString folder;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QStringLiteral("--home")) {
            if (i + 1 >= arguments.size()) {
                c.error = QStringLiteral("--home needs a folder");
                return c;
            }
            folder = arguments[++i];
        } else if (a.startsWith(QStringLiteral("--home="))) {
            folder = a.mid(7);
        } else {
            c.rest << a;
        }
    }
    if (folder.isEmpty())
        folder = qEnvironmentVariable("KESTREL_HOME");
    if (folder.isEmpty() && !executableFolder.isEmpty()) {
        if (isInstalledFolder(executableFolder)) {
            folder = perUserDataFolder();
            c.perUser = true;
            c.error = makePerUserFolder(folder);
        } else {
            folder = executableFolder;
        }
    }
    if (!folder.isEmpty())
        c.folder = QDir::cleanPath(QDir(folder).absolutePath());
    return c;
}

bool isInstalledFolder(const QString& executableFolder) {
    QFileInfo info(executableFolder);
    return isSystemProgramFolder(info.absoluteFilePath()) || !canWriteIn(info.absoluteFilePath()) ||
           !installedDataFolder(executableFolder).isEmpty();
}

QString perUserDataFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/KabukaKestrel"));
}

QString installedDataFolder(const QString& executableFolder) {
    QFileInfo info(executableFolder);
    if (info.fileName() != QStringLiteral("bin"))
        return {};
    QDir shared(info.absoluteFilePath() + QStringLiteral("/../share/kabukakestrel"));
    return shared.exists() ? QDir::cleanPath(shared.absolutePath()) : QString();
}

} // namespace kestrel::platform
