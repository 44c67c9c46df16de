#pragma once
// Weekly margin balances: one file "Ys" + YYYYMM + "." + DD per week in the margin folder, line 1 the
// balance date (the Friday of its week), line 2 the record count, then code, two unused fields, the
// selling balance, the buying balance and their unit. The rows go into shinyo as read and into the
// weekly bars of that Friday multiplied by their unit.
//
// Reading a file replaces that Friday's shinyo rows and first clears 売残 and 買残 of every weekly
// bar on it, so rereading is safe. Each file is one transaction.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/import/ImportProgress.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::import {

inline constexpr const char* kMarginDone = "信用データーの読込み終了しました。";
inline constexpr const char* kMarginNone = "信用データーが存在しませんでした。";

struct MarginRecord {
    std::int32_t code = 0;
    std::int32_t sell = 0, buy = 0, unit = 0;
    int line = 0;
};

struct MarginFile {
    Date date; // line 1 as written
    int count = 0;
    std::vector<MarginRecord> records; // up to the count, ending early at a record whose code is not a number
};

// Reads a margin file. Errors name the file and line: a bad date or count, a record line with fewer
// than five commas, a code outside 1 to 9999, a balance or unit that is not a whole number, bytes that
// are not CP932, a cut-off last line, or a file that ends before the count without an end record.
Result<MarginFile> parseMarginFile(std::string_view bytes, const std::string& fileName);

// Stores one week's balances on its Friday as a margin file of that week does: the Friday's shinyo rows
// (of onlyCode alone when given, the others kept) replaced and the weekly bars' 売残 and 買残 set, in one
// transaction (a savepoint inside the caller's). name names the source in errors. True when a row was stored.
Result<bool> storeMarginWeek(db::Database& db, Date friday, const std::vector<MarginRecord>& records,
                             std::optional<std::int32_t> onlyCode, const std::string& name,
                             const ImportProgress* progress = nullptr);

// Reads every margin file dated from..to found in folder. True when at least one shinyo row was
// stored; false at once when folder is empty. Balances are stored on the Friday of the file's date
// (the file's own date when it is a Friday). An error stops the run; files before it stay stored.
Result<bool> ImportMarginBalances(db::Database& db, const std::string& folder, Date from, Date to,
                                  const ImportProgress& progress = {});

} // namespace kestrel::import
