#pragma once
// The daily price file "Ds" + YYYYMM + "." + DD, the one format handed from the converter to the main
// program. Line 1 is the trading date YYYYMMDD, line 2 the record count and the marker "Kestrel", then
// one record per issue: code, file market code (0 to 5), name, open, high, low, close, volume.
// The reader refuses a file it cannot read completely, naming the line, so a day is stored whole or
// not at all. Price, volume and market cells that are not numbers (spreadsheet error cells such as
// "#VALUE!", "-", empty cells) read as 0 and are listed, so a day with error cells still imports.
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/import/TextFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::import {

// "Ds200105.07" for 7 May 2001.
std::string dailyFileName(Date d);
// "Ys200105.11" for 11 May 2001.
std::string marginFileName(Date d);

// 市場コード of a file market code: 0 -> 1 東証１部, 1 -> 2 東証２部, 2 -> 4 大証, 3 -> 5 名証,
// 4 -> 6 その他, 5 -> 3 店頭; any other value -> 0.
std::int16_t marketFromFileCode(std::int64_t fileCode);
// The file market code the converter writes for a 市場コード: 2 -> 1, 3 -> 5, 4 -> 2, 5 -> 3, 6 -> 4,
// every other value (1 included) -> 0.
int fileCodeFromMarket(std::int64_t market);
// Only 東証１部, 東証２部 and 店頭 records (file market codes 0, 1 and 5) are stored.
inline bool isStoredFileMarket(std::int64_t fileCode) {
    return fileCode == 0 || fileCode == 1 || fileCode == 5;
}

struct DailyRecord {
    std::int32_t code = 0; // 1 to 9999
    std::int64_t fileMarket = 0;
    std::string name; // trimmed
    std::int32_t open = 0, high = 0, low = 0, close = 0;
    Currency volume;
    int line = 0;
};

struct DailyFile {
    Date date;                        // from line 1
    int count = 0;                    // from line 2
    std::vector<DailyRecord> records; // the first `count` non-empty record lines
    std::vector<int> nonNumericLines; // record lines with a price, volume or market cell read as 0
};

// The warning for a file with cells that were not numbers: the file, its first ten such lines and
// how many more there were. Empty when lines is empty.
std::string nonNumericWarning(const std::string& fileName, const std::vector<int>& lines);

// Lines 1 and 2 of a daily or margin file: the date that readDate finds in line 1 (trimmed; "" when the
// line is missing or not CP932) and the record count before the first comma of line 2, a whole number
// from least to 100000. The error names line 1 or 2: a date not found, a count line that is missing, not
// CP932 or cut off, or another count.
struct FileHead {
    Date date;
    int count = 0;
};
// The two lines are read from reader into line.
Result<FileHead> parseFileHead(Cp932LineReader& reader, TextLine& line, const std::string& fileName,
                               std::optional<Date> (*readDate)(std::string_view), int least);

// Reads a daily file. With headerOnly the records are not read (days that are skipped or fall on a
// weekend). Errors name the file and the line: a bad date or count, a line with fewer than seven
// commas, a code that is not a whole number from 1 to 9999, bytes that are not CP932, fewer record
// lines than the count, or a cut-off last line. A market code or price that is not a number, or is
// beyond the 32-bit range, reads as 0, and so does a volume that is empty or not a number; such lines
// are listed in nonNumericLines. Full-width digits read as the number they write.
Result<DailyFile> parseDailyFile(std::string_view bytes, const std::string& fileName, bool headerOnly = false);

} // namespace kestrel::import
