#include "platform/UserRegistry.h"

#include <QSettings>

namespace kestrel::platform {

void writeProgramPath(const QString& programFolder) {
    QSettings s(QStringLiteral("KestrelApp"), QStringLiteral("KestrelApp"));
    s.setValue(QStringLiteral("software/path"), programFolder);
    s.sync();
}

QString readProgramPath() {
    QSettings s(QStringLiteral("KestrelApp"), QStringLiteral("KestrelApp"));
    return s.value(QStringLiteral("software/path")).toString();
}

} // namespace kestrel::platform
