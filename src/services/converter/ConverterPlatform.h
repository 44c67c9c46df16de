#pragma once
// What the converter's job needs from the platform, shared by the window and the batch mode: the
// paths (Plover.ini in the converter's folder; Kestrel.mdb and the data folder in the main program's
// folder, read from the per-user value the main program writes) and the hooks of a job (HTTP through
// the transfer control, the browser, the collector started with its folder as current folder).
#include "core/converter/ConverterJob.h"
#include "platform/HttpTransfer.h"

#include <QString>
#include <functional>

namespace kestrel::services {

struct ConverterPaths {
    std::string iniPath;      // converter folder + "/Plover.ini"
    std::string mainFolder;   // the main program's folder ("" when it never ran)
    std::string databasePath; // mainFolder + "/Kestrel.mdb"
    std::string dataFolder;   // mainFolder + "/Data" (an existing "data" of any case is used)
};

// mainFolder: the main program's folder when known (a --home given to the converter), else "" to read
// the per-user value; without one (the main program never ran) the converter's own folder.
ConverterPaths converterPaths(const QString& converterFolder, const QString& mainFolder);

// Fills fetch, startProgram and openPage (pages are opened by openPage; none when it is empty).
void installPlatformHooks(converter::JobHooks& hooks, platform::HttpTransfer& transfer,
                          std::function<void(const std::string&)> openPage = {});

// The latest daily date stored in Kestrel.mdb, if any.
std::optional<Date> latestStoredDate(const std::string& databasePath);
// The start date the window proposes: the day after the latest stored date (the next Monday when
// that is a Saturday), or today when nothing is stored.
Date proposedStartDate(std::optional<Date> latest, Date today);

} // namespace kestrel::services
