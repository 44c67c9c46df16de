#pragma once
// Start-up of the main program without any window: the program folder and the paths fixed from it,
// the folders, the database and the settings file created when missing, the settings loaded and the
// version recorded. The GUI and the command line both run it; the per-user registry value is written
// by the caller's platform layer through the callback.
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/settings/Settings.h"

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

// What the start does with a Kestrel.mdb that is damaged or not this program's database.
enum class DamagedDatabase {
    Stop,  // the start fails with a message saying what is wrong and which commands bring a database back
    Offer, // the ways back are offered through the prompt (the start fails when all are declined)
    Go,    // the start goes on and leaves the file to the caller (check, restore)
};

// Runs the start-up steps in order: what a stopped compaction, backup or restore or an earlier
// settings write left is cleared; folders Data and htm; Kestrel.mdb (created when missing, checked
// when present: a file that is damaged or not this program's database is never overwritten and is
// handled as onDamaged says); Kestrel.ini with defaults when missing, LoadSettings into settings,
// writeRegistryPath(programFolder), then the Version key (written only when it changed). Messages of
// the settings code go through prompt.
Result<StartupReport> runStartup(const ProgramPaths& paths, Settings& settings, Prompt& prompt,
                                 const std::function<void(const std::string&)>& writeRegistryPath,
                                 DamagedDatabase onDamaged = DamagedDatabase::Stop);

} // namespace kestrel
