#pragma once
// The schema of Kestrel.mdb: seventeen tables with fixed names, fields, sizes and indexes, and the six
// markets of Shijyo. Field rules a Jet file enforced are CHECK constraints here: Long and Integer ranges,
// Text(n) lengths in characters, no zero-length text unless allowed, Yes/No as 0 or 1, dates as YYYYMMDD.
// A constraint is named after its field, so a refused value reports which field refused it.
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <string>
#include <vector>

namespace kestrel::db {

// 2: the date index of dayData holds the date alone (version 1 also carried 基準前日比).
// 3: the table Bunkatu of split events. 4: the market calendar (Calendar) and the kind of a Bunkatu
// event (種類: a split, or a rights-issue adjustment kept as its exact factor). An older file is brought up
// to date when it is opened for writing; a reader of an older file finds no Bunkatu and sees no split
// events, and no Calendar (the weekdays then count as the trading days).
// 4 also: board rows carry the date and time of their current price, an upper and a lower alert price
// and why their last refresh failed (columns added to the table in place).
// 4 also: the table Hikisen of the user's chart lines and the field 目標株価 of stockmarket (a reader of
// an older file sees no lines and no targets).
// 5: the table Kessan of company disclosures (a reader of an older file finds no figures).
inline constexpr int kSchemaVersion = 5;
// The figure fields of Kessan, in the order of core/fins/Disclosure.h's DisclosureField.
inline constexpr const char* kDisclosureFigureNames[] = {
    "Sales", "OP",  "OdP",    "NP",      "EPS",      "TA",     "Eq",     "EqAR",  "BPS",    "CFO",
    "CFI",   "CFF", "CashEq", "DivAnn",  "ShOutFY",  "TrShFY", "AvgSh",  "ROE",   "FSales", "FOP",
    "FOdP",  "FNP", "FEPS",   "FDivAnn", "NxFSales", "NxFOP",  "NxFOdP", "NxFNp", "NxFEPS", "NxFDivAnn"};
inline constexpr int kApplicationId = 0x4B455354; // "KEST"

enum class FieldType { Long, Integer, Currency, Date, Text, YesNo, AutoLong };

struct FieldDef {
    std::string name;
    FieldType type;
    int size = 0; // characters, for Text
    bool allowZeroLength = false;
    int sinceVersion = 1; // the schema version that added the field to its table
};

struct IndexField {
    std::string name;
    bool descending = false;
};

struct IndexDef {
    std::string name; // "Primary" for the primary key
    std::vector<IndexField> fields;
    bool primary = false;
    bool unique = false;
};

struct TableDef {
    std::string name;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
    int sinceVersion = 1; // the schema version that added the table; older files lack it
};

// The tables in creation order.
const std::vector<TableDef>& schemaTables();
// The definition of a table by name (case-insensitive), or nullptr.
const TableDef* findTable(const std::string& name);
// The CREATE TABLE and CREATE INDEX statements of one table. SQLite index names are global, so the
// index named `日付` of dayData becomes "dayData_日付".
std::vector<std::string> tableDdl(const TableDef& t);

// Creates the database file at path with every table and the six Shijyo rows. Builds it under a
// temporary name and renames it into place, so a failure never leaves a half-built Kestrel.mdb.
// Fails when the file already exists.
Status CreateDatabaseFile(const std::string& path);

// Whether the open file's table holds the field (a field added by a later version may be missing from
// a file opened read-only).
Result<bool> hasField(Database& db, const std::string& table, const std::string& field);

// Opens Kestrel.mdb for the program: checks that it is this program's database (tables present,
// schema version known) and gives a clear message otherwise.
Result<std::unique_ptr<Database>> openKestrelDatabase(const std::string& path, OpenMode mode = OpenMode::ReadWrite);

} // namespace kestrel::db
