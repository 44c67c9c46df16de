// Any bytes as Regist.Mei imported into a real database: never a crash; a refused file is kept and
// leaves Mei as it was; an accepted one is deleted and Mei holds exactly the issues it added.
#include "FuzzHome.h"
#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "core/import/IssueMaster.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

class SilentPrompt : public kestrel::Prompt {
public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notify(const std::string&, const std::string&) override { ++notices; }
    int notices = 0;
};

struct Home {
    fuzzing::ScratchFolder scratch{"master"};
    std::string folder = scratch.path;
    std::unique_ptr<kestrel::db::Database> db;
    Home() {
        if (!kestrel::db::CreateDatabaseFile(scratch.file("Kestrel.mdb")))
            std::abort(); // no harness without its database
        db = std::move(*kestrel::db::openKestrelDatabase(scratch.file("Kestrel.mdb")));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Home home;
    std::string file = home.folder + "/Regist.Mei";
    if (!home.db->exec("DELETE FROM Mei") ||
        !kestrel::writeFileAtomically(file, std::string_view(reinterpret_cast<const char*>(data), size)))
        std::abort(); // the harness's own set-up failed
    SilentPrompt prompt;
    auto r = kestrel::import::ImportIssueMaster(*home.db, home.folder, prompt);
    bool kept = kestrel::fileExists(file);
    if (r.message == kestrel::import::kReadFinished) {
        auto rows = home.db->queryInt("SELECT count(*) FROM Mei WHERE コード BETWEEN 1 AND 9999");
        if (kept || prompt.notices != 0 || !rows || rows->value_or(-1) != r.added)
            std::abort();
    } else {
        auto rows = home.db->queryInt("SELECT count(*) FROM Mei");
        if (!kept || prompt.notices != 1 || !rows || rows->value_or(-1) != 0)
            std::abort();
    }
    return 0;
}
