#pragma once
// TableSource: the rows of one table of an outside database, read whole. Two kinds satisfy it: Jet
// files (the collector's spg.mdb, the monthly 株式.mdb) read through libmdb, and files of our own
// database engine (SQLite) with the same table and field names. Jet files are read-only for us.
//
// A Jet reader runs in a child process with a time limit, after checking the file size against the
// page size, because a damaged Jet file can make the library loop or crash; a hang or a crash gives
// an error naming the file, never a stuck program.
#include "core/app/Date.h"
#include "core/app/Status.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::converter {

struct Cell {
    bool null = true;
    std::string text; // numbers as decimal text, dates as "YYYY-MM-DD[ HH:MM:SS]" or YYYYMMDD
};
using TableRows = std::vector<std::vector<Cell>>;

class TableSource {
public:
    virtual ~TableSource() = default;
    // Every row of table with the named columns, in that order; an error names the file, table or
    // column that is missing or unreadable.
    virtual Result<TableRows> readTable(const std::string& table, const std::vector<std::string>& columns) = 0;
    // Whether this file can be written by us (false for Jet files).
    virtual bool writable() const = 0;
    virtual const std::string& path() const = 0;
};

enum class TableFileKind { Jet, OwnEngine, Unknown };
// Tells a Jet file ("Standard Jet DB" signature) from a SQLite file by their first bytes.
TableFileKind tableFileKind(const std::string& path);

// Opens path as whichever kind of file it is; an error when it is missing or of neither kind.
Result<std::unique_ptr<TableSource>> openTableSource(const std::string& path, int timeLimitMs = 20000);

// The Jet page size of the file (2048 for Jet 3, 4096 for Jet 4), or an error when the header is not a
// Jet header or the size is not a whole number of pages of at least two.
Result<int> checkJetFile(const std::string& path);

// Reads the columns of table from a Jet file in a child process that is killed after timeLimitMs.
Result<TableRows> readJetTable(const std::string& path, const std::string& table,
                               const std::vector<std::string>& columns, int timeLimitMs);

// A cell's date: "YYYY-MM-DD" or "YYYY/MM/DD" with or without a time, or the integer YYYYMMDD.
std::optional<Date> cellDate(const Cell& cell);

} // namespace kestrel::converter
