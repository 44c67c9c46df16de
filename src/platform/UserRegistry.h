#pragma once
// The per-user value through which the converter finds the main program: organisation "KestrelApp",
// section "software", key "path" = the main program's folder.
#include <QString>

namespace kestrel::platform {

void writeProgramPath(const QString& programFolder);
// The folder written last, or "" when the main program never ran for this user.
QString readProgramPath();

} // namespace kestrel::platform
