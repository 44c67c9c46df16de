// kestrel-demo HOME: a program folder with a year of generated prices for about fifty issues, imported
// so that the charts show at once. Runs the start-up steps, writes the files into HOME/Data, and imports
// the issue master, the daily files, the margin balances and the weekly bars.
#include "DataGenerator.h"
#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "core/import/DailyImport.h"
#include "core/import/IssueMaster.h"
#include "core/import/MarginImport.h"
#include "core/import/WeeklyBars.h"
#include "core/startup/Startup.h"

#include <iostream>

using namespace kestrel;

namespace {

class QuietPrompt : public Prompt {
public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notify(const std::string& text, const std::string&) override { std::cerr << text << "\n"; }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kestrel-demo HOME\n";
        return 2;
    }
    std::string home = argv[1];
    if (Status st = makeDir(home); !st) {
        std::cerr << st.message() << "\n";
        return 1;
    }
    ProgramPaths paths = ProgramPaths::forFolder(home);
    if (fileExists(paths.databasePath)) {
        std::cerr << paths.databasePath << " already exists; nothing done\n";
        return 1;
    }
    Settings settings;
    QuietPrompt prompt;
    auto started = runStartup(paths, settings, prompt, [](const std::string&) {});
    if (!started) {
        std::cerr << started.message() << "\n";
        return 1;
    }
    // A year up to the last weekday before today.
    Date to = Date::today().addDays(-1);
    while (to.isWeekend())
        to = to.addDays(-1);
    gen::GenOptions o;
    o.seed = 2024;
    o.issues = 50;
    o.from = to.addDays(-364);
    o.to = to;
    o.dailyFolder = paths.dataFolder;
    o.marginFolder = paths.dataFolder;
    o.masterFolder = paths.dataFolder;
    auto sum = gen::generateData(o);
    if (!sum) {
        std::cerr << sum.message() << "\n";
        return 1;
    }
    auto db = db::openKestrelDatabase(paths.databasePath);
    if (!db) {
        std::cerr << db.message() << "\n";
        return 1;
    }
    auto master = import::ImportIssueMaster(**db, paths.dataFolder, prompt);
    if (master.message != import::kReadFinished)
        return 1;
    import::DailyImportOptions options;
    options.dailyFolder = paths.dataFolder;
    options.readMargin = true;
    options.marginFolder = paths.dataFolder;
    options.buildWeekly = true;
    auto daily = import::ImportDailyFiles(**db, o.from, o.to, options);
    if (!daily.status) {
        std::cerr << daily.status.message() << "\n";
        return 1;
    }
    std::cout << "demo home " << home << ": " << master.added << " issues, " << daily.rowsStored << " daily bars from "
              << o.from.toIso() << " to " << o.to.toIso() << "\n";
    return 0;
}
