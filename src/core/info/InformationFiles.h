#pragma once
// The data server's stock-information files, as UTF-8 text.
//
// Kinds file: a first line of the file date ("YY/MM/DD"), one separator and the number of kinds; then
// one line per kind "code,name,order" (the order ends at a further "," or at the line end).
// List file: a first line of the list date, one separator, the number of rows, ",", four characters
// that are not read and the list title; then one line per row "rank,code,price,volume in thousands,
// change,value" (the value ends at a further "," or at the line end).
// In both, a line counts only when a line break ends it, and the list ends at the first empty line.
// The declared number is kept apart from the lines read, so the caller decides what a mismatch means.
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Status.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::info {

inline constexpr int kCommentLength = 10;  // characters kept of a list title
inline constexpr int kValueLength = 10;    // characters of a row's value text (informationData.値)
inline constexpr int kKindNameLength = 40; // characters kept of a kind's name (informationClass.種類名)

struct KindLine {
    std::string code;
    std::string name;
    std::int16_t order = 0;
};

struct KindsFile {
    Date date;
    std::optional<int> declared; // nothing when the first line gives no number
    std::vector<KindLine> kinds;
};

struct ListRow {
    std::int16_t rank = 0;
    std::int32_t code = 0;
    std::int32_t price = 0;  // 0 when not a number
    Currency volume;         // shares: the file's thousands times 1000
    std::int32_t change = 0; // 0 when not a number
    std::string value;
};

struct ListFile {
    Date date;
    std::optional<int> declared;
    std::string title; // the whole title as the file gives it
    std::vector<ListRow> rows;
};

// Parses a kinds file. Errors name the line ("3行目: ...") for a file that does not start with a date,
// a kind line without its three fields, or an order that is not a 16-bit whole number.
Result<KindsFile> parseKindsFile(std::string_view text);
// Parses a list file. Errors name the line for a file that does not start with a date, a row without
// its six fields, or a rank, code or volume that is not a number in range.
Result<ListFile> parseListFile(std::string_view text);

} // namespace kestrel::info
