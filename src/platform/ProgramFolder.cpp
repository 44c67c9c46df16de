#include "platform/ProgramFolder.h"

#include <QDir>

namespace kestrel::platform {

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
    if (folder.isEmpty())
        folder = executableFolder;
    c.folder = QDir::cleanPath(QDir(folder).absolutePath());
    return c;
}

} // namespace kestrel::platform
