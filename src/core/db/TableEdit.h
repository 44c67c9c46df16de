#pragma once
// The editing rules of a grid over one table of Kestrel.mdb, in the manner of a data control: a
// record source (table, columns, condition), rows read on demand, and edits written straight through.
//
// The database is opened for each read and each edit and closed again, so no connection outlives an
// action. Rows are identified by the table's primary key as read, so an edit of a key field works.
// A value the field refuses (not a number, not a date, outside the field's range or size, a duplicate
// key) comes back as an error in the user's terms and the row keeps its stored values.
#include "core/app/Status.h"
#include "core/db/Schema.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kestrel::db {

// The message of an edit of a row that is no longer in the table under the key the grid read.
inline constexpr const char* kRowGone = "この行はほかで削除または変更されています。表示し直して下さい。";

// A stored value: null, a whole number (also dates as yyyymmdd and yes/no as 0/1), or a text (also
// currency values in their text form).
using Cell = std::variant<std::monostate, std::int64_t, std::string>;

struct TableRow {
    std::vector<Cell> cells; // one per column of the source
    std::vector<Cell> key;   // the primary key as read
};

class TableEdit {
public:
    explicit TableEdit(std::string databasePath) : m_path(std::move(databasePath)) {}

    // Shows columns of table for the rows chosen by condition ("where ... order by ...", with "?" bound
    // to args in order). A column the table lacks shows empty and cannot be edited.
    void setSource(std::string table, std::vector<std::string> columns, std::string condition = {},
                   std::vector<std::int64_t> args = {});
    const std::string& table() const { return m_table; }
    const std::vector<std::string>& columns() const { return m_columns; }
    // The field of a column; nullptr for a column the table lacks or one out of range.
    const FieldDef* field(int column) const;
    int columnOf(const std::string& column) const;
    // Whether a column takes edits (a field of the table, not an autonumber).
    bool editable(int column) const;

    // The rows of the source; none without a table. The error is the database's message.
    Result<std::vector<TableRow>> readRows() const;
    // A cell as the grid shows it: dates as yyyy/mm/dd, yes/no as True/False, null as "".
    std::string displayText(int column, const Cell& cell) const;
    // Writes typed into the column of row, then updates row (cells and key). typed is the text as
    // entered, text the same without its surrounding blanks; an empty text stores null. On error
    // the message is in the user's terms and row is unchanged: InvalidInput for a value the field
    // refuses, NotFound (kRowGone) when the row is no longer stored under its key as read, else the
    // database's failure.
    Status writeCell(TableRow& row, int column, const std::string& typed, const std::string& text) const;

private:
    std::string selectList() const;

    std::string m_path;
    std::string m_table;
    std::vector<std::string> m_columns;
    std::vector<const FieldDef*> m_fields;
    std::vector<std::string> m_key;
    std::string m_condition;
    std::vector<std::int64_t> m_args;
};

} // namespace kestrel::db
