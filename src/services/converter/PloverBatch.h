#pragma once
// The converter without windows: "--batch --source N FROM TO [--download-only|--convert-only]
// [--keep-files]" runs one job, answers its questions with yes and prints the log lines and notices.
#include <QString>
#include <QStringList>

namespace kestrel::services {

// args without the program name and without "--home DIR"; returns the exit code (0 when the job ran).
int runPloverBatch(const QStringList& args, const QString& converterFolder, const QString& mainFolder);

} // namespace kestrel::services
