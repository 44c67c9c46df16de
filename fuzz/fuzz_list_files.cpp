// Any bytes as an issue list file: never a crash; every row read is an issue of Mei in the row format
// (code, blank, market, blank, name); writing the rows and reading the file back gives the same rows.
#include "FuzzHome.h"
#include "core/app/Prompt.h"
#include "core/boards/BoardFiles.h"
#include "core/db/Schema.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string_view>

using fuzzing::check;

namespace {

class NoPrompt : public kestrel::Prompt {
public:
    bool askYesNo(const std::string&, const std::string&) override { return true; }
    void notify(const std::string&, const std::string&) override {}
};

struct Home {
    fuzzing::ScratchFolder folder{"list"};
    std::unique_ptr<kestrel::db::Database> db;
    const std::set<std::string> codes{"7", "1001", "1301", "7203", "9999"};
    Home() {
        const std::string path = folder.file("Kestrel.mdb");
        check(static_cast<bool>(kestrel::db::CreateDatabaseFile(path)));
        db = std::move(*kestrel::db::openKestrelDatabase(path));
        for (const std::string& code : codes)
            check(static_cast<bool>(db->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位, 更新Flg) "
                                            "VALUES (?, 1, '銘柄', 1000, 1, 1)",
                                            std::stoi(code))));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Home home;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string file = home.folder.file("list.Lis");
    check(static_cast<bool>(kestrel::writeFileAtomically(file, bytes)));
    auto rows = kestrel::boards::readIssueListFile(*home.db, file);
    check(static_cast<bool>(rows));
    for (const std::string& row : *rows)
        check(home.codes.count(row.substr(0, row.find(' '))) == 1);

    NoPrompt prompt;
    const std::string copy = home.folder.file("copy.Lis");
    check(static_cast<bool>(kestrel::boards::writeIssueListFile(copy, *rows, prompt)));
    auto again = kestrel::boards::readIssueListFile(*home.db, copy);
    check(again && *again == *rows);
    return 0;
}
