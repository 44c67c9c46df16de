#pragma once
// The program folder: "--home DIR" on the command line, else the KESTREL_HOME variable, else the
// folder of the running executable. Portable installs and tests use the first two.
#include <QString>
#include <QStringList>

namespace kestrel::platform {

struct HomeChoice {
    QString folder;   // absolute, without a trailing separator
    QStringList rest; // the arguments without "--home DIR"
    QString error;    // set when "--home" has no value
};

HomeChoice chooseProgramFolder(const QStringList& arguments, const QString& executableFolder);

} // namespace kestrel::platform
