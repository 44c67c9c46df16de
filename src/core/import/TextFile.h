#pragma once
// Reading the import files: CP932 text with CR LF line ends, split into numbered lines and decoded
// one line at a time, so an error names the line it was found on. The number readers accept what the
// converter and the data server write (plain decimals) and fall back to the runtime's conversions.
#include "core/app/Currency.h"
#include "core/app/Status.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::import {

struct TextLine {
    int number = 0;         // 1-based line number in the file
    std::string text;       // UTF-8, without the line end
    bool terminated = true; // false for a last line that ends without CR LF (a cut-off file)
    bool validBytes = true; // false when the bytes were not CP932 (text is then empty)
};

// Reads the lines of CP932 bytes one at a time, as splitCp932Lines does, into a TextLine whose text
// buffer is reused from line to line.
class Cp932LineReader {
public:
    explicit Cp932LineReader(std::string_view bytes) : m_bytes(bytes) {}
    // The next line; false after the last one.
    bool next(TextLine& line);

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
    int m_number = 0;
};

// Splits the bytes into lines at LF (a CR before it is dropped) and decodes each from CP932.
// A last line without a line end is kept with terminated = false; an empty remainder is no line.
// Only the first maxLines lines are read.
std::vector<TextLine> splitCp932Lines(std::string_view bytes, size_t maxLines = SIZE_MAX);

// "Ds202601.05 の 5 行目: reason" — the message of a refused line.
std::string lineError(const std::string& fileName, int line, const std::string& reason);

// Blanks (space, tab, ideographic space) removed from both ends.
std::string_view trimBlanks(std::string_view s);

// A price field: the nearest whole number, a half going to the even neighbour (123.5 -> 124,
// 122.5 -> 122); "" reads as 0. Nothing for text that is not a number or beyond the 32-bit range.
std::optional<std::int32_t> parseRoundedWhole(std::string_view text);
// A volume field as currency (four decimals, halves to even); "" reads as 0. Nothing for text
// that is not a number or beyond the currency range.
std::optional<Currency> parseVolume(std::string_view text);
// A count or code: a whole number written with digits only (blanks around it allowed). Nothing else.
std::optional<std::int64_t> parseDigits(std::string_view text);

// Reason texts shared by the file readers.
inline constexpr const char* kTooFewFields = "項目が足りません。";
inline constexpr const char* kNotCp932 = "文字コードがシフトJISではありません。";
inline constexpr const char* kCutOff = "行の終わり（改行）がありません。ファイルが途中で切れています。";

} // namespace kestrel::import
