#pragma once
// Start-up of the main program without any window: the program folder and the paths fixed from it,
// the folders, the database and the settings file created when missing, the settings loaded and the
// version recorded. The GUI and the command line both run it; the per-user registry value is written
// by the caller's platform layer through the callback.
#include "core/app/Prompt.h"
#include "core/app/Settings.h"
#include "core/app/Status.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrel {

struct ProgramPaths {
    std::string programFolder; // without a trailing separator
    std::string databasePath;  // programFolder/Kestrel.mdb
    std::string iniPath;       // programFolder/Kestrel.ini
    std::string dataFolder;    // programFolder/Data
    std::string htmFolder;     // programFolder/htm
    // Where an installed program keeps the files it ships (infodata) when programFolder has none; "" for none.
    std::string shippedFolder;

    static ProgramPaths forFolder(std::string programFolder);
};

// The program's version: major.minor.revision.
std::string programVersion();

struct StartupReport {
    std::vector<std::string> created; // folders and files this start created, in order
    bool createdDatabase = false;
    bool createdSettings = false;
    std::string startState; // "3" when this start created the database, else ""
};

// Runs the start-up steps in order: folders Data and htm, Kestrel.mdb (created when missing, checked
// when present: a file that is not this program's database is never overwritten and stops the start),
// Kestrel.ini with defaults when missing, LoadSettings into settings, writeRegistryPath(programFolder),
// then the Version key. Messages of the settings code go through prompt.
Result<StartupReport> runStartup(const ProgramPaths& paths, Settings& settings, Prompt& prompt,
                                 const std::function<void(const std::string&)>& writeRegistryPath);

} // namespace kestrel
