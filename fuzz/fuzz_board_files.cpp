// Any bytes as a board text file loaded into board A: never a crash; a refused file leaves the board as
// it was; a loaded one holds the file's board-A lines, and saving it writes a text that reads back to
// the same lines.
#include "FuzzHome.h"
#include "core/boards/BoardFiles.h"
#include "core/db/Schema.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <tuple>

using fuzzing::check;
using kestrel::boards::BoardLine;

namespace {

struct Home {
    fuzzing::ScratchFolder folder{"board"};
    std::unique_ptr<kestrel::db::Database> db;
    Home() {
        const std::string path = folder.file("Kestrel.mdb");
        check(static_cast<bool>(kestrel::db::CreateDatabaseFile(path)));
        db = std::move(*kestrel::db::openKestrelDatabase(path));
    }
};

std::vector<BoardLine> sorted(std::vector<BoardLine> lines) {
    std::sort(lines.begin(), lines.end(), [](const BoardLine& a, const BoardLine& b) {
        return std::tie(a.code, a.market, a.name) < std::tie(b.code, b.market, b.name);
    });
    return lines;
}

bool same(const std::vector<BoardLine>& a, const std::vector<BoardLine>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const BoardLine& x, const BoardLine& y) {
               return x.kind == y.kind && x.code == y.code && x.market == y.market && x.name == y.name;
           });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Home home;
    kestrel::db::Database& db = *home.db;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string file = home.folder.file("board.A");
    check(db.exec("DELETE FROM board") &&
          db.exec("INSERT INTO board (区分, コード, 市場コード, 銘柄) VALUES (1, 1, 1, 'x')") &&
          kestrel::writeFileAtomically(file, bytes));

    auto parsed = kestrel::boards::parseBoardText(bytes);
    if (parsed)
        for (const BoardLine& l : *parsed)
            check(l.name.find_first_of(",\n") == std::string::npos);
    kestrel::Status loaded = kestrel::boards::LoadBoardText(db, file, 1);
    check(parsed || !loaded); // a file that does not parse is never loaded

    auto text = kestrel::boards::boardText(db, 1);
    check(static_cast<bool>(text));
    auto board = kestrel::boards::parseBoardText(*text);
    check(static_cast<bool>(board));
    if (!loaded) {
        // All or nothing: the board is as it was.
        check(board->size() == 1 && (*board)[0].code == 1 && (*board)[0].name == "x");
        return 0;
    }
    std::vector<BoardLine> expected;
    for (const BoardLine& l : *parsed)
        if (l.kind == 1)
            expected.push_back(l);
    check(same(sorted(expected), sorted(*board)));
    return 0;
}
