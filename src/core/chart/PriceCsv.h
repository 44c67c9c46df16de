#pragma once
// The price CSV export: every stored bar of one issue in the bar table of the chart mode, oldest
// first, with prices and volumes multiplied out by the units, written as code + ".Csv" in the
// data folder (CP932, CR LF after every line, replacing the file of that name atomically).
//
// Layout: a title line (name, code, market short name, "日足データ" or "週足データ"), the column line
// "日付,出来高,始値,高値,安値,終値", then one line per bar with the date as YYYY/MM/DD. A Null field
// or unit gives an empty column; an issue that is not in Mei gives the two header lines only.
// The bars are written as traded; adjusted, the bars before each confirmed split event show as the
// chart shows them (prices divided and volumes multiplied by the ratio of the events after the bar,
// halves to even, a positive price at least 1 yen).
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <cstdint>
#include <string>

namespace kestrel::chart {

// What the title line names: the shown issue's name, its code as typed, its market short name.
struct PriceCsvTitle {
    std::string name;
    std::string codeText;
    std::string market;
};

inline constexpr const char* kPriceCsvQuestion = "株価データをCsv形式で出力します よろしいですか？";
// The notice after a successful export.
std::string priceCsvDoneMessage(const std::string& codeText);

// The file's text in UTF-8 with CR LF line ends. chartMode 2 reads weekdata, anything else daydata.
// An error when the code text is not digits, a query fails or a product exceeds its range.
Result<std::string> priceCsvText(db::Database& db, const PriceCsvTitle& title, int chartMode, bool adjusted = false);

// Builds the text and writes it as <codeText>.Csv into dataFolder (an existing file of that name in
// any letter case is the one replaced). Returns the path written, or an error naming what failed
// (the text has a character without a CP932 form, the folder is not writable); the old file is then
// unchanged.
Result<std::string> exportPriceCsv(db::Database& db, const std::string& dataFolder, const PriceCsvTitle& title,
                                   int chartMode, bool adjusted = false);

} // namespace kestrel::chart
