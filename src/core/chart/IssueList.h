#pragma once
// The issue selection of the main window: the market short names by market code, the rows of the
// issue list (code, market short name, name), which issues a typed code lists, the issue a code shows,
// and the search by name. Rows are text because the list shows them as they are; the code of a row is
// its leading digits.
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/db/IssueMarkets.h"
#include "core/db/MarketNames.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel::chart {

using db::issueListRow;
using db::loadMarketNames;
using db::marketName;
using db::MarketNames;

// One row of the name search's list: the same fields separated by two full-width spaces.
std::string issueFindRow(std::int64_t code, std::string_view market, std::string_view name);
// The issue code a row starts with: its first 4 characters, cut at a separator when the code is
// shorter than 4 digits ("72 東1 …" gives "72").
std::string rowCode(std::string_view row);

// A code text of only ASCII digits (at least one).
bool isCodeText(std::string_view text);
// Whether typing `text` refills a list of rowCount rows: always for up to 2 characters, an empty list
// or a list of 35 rows or more; so 3 or 4 digits typed into a short list leave it as it is.
bool issueListRefills(std::string_view text, int rowCount);
// The codes that begin with the typed digits: "7" gives 7000..7999, "72" 7200..7299, "7203"
// 7203..7203. Nothing unless the text is digits only and at most 4 characters long.
std::optional<std::pair<std::int32_t, std::int32_t>> issueCodeBounds(std::string_view text);

// The issue list rows for codes lower..upper, in market then code order.
Result<std::vector<std::string>> issueRowsInRange(db::Database& db, std::int32_t lower, std::int32_t upper,
                                                  const MarketNames& names);
// The same, each issue's market named as markets names it (TOKYO PRO included).
Result<std::vector<std::string>> issueRowsInRange(db::Database& db, std::int32_t lower, std::int32_t upper,
                                                  const db::IssueMarkets& markets);
// The search rows (issueFindRow) of the issues whose name contains `text` as typed: quotes, "%", "_",
// "*" and "?" are plain characters; letters match without regard to ASCII case. An empty text lists
// every issue. Market then code order.
Result<std::vector<std::string>> issueRowsByName(db::Database& db, std::string_view text, const MarketNames& names);
Result<std::vector<std::string>> issueRowsByName(db::Database& db, std::string_view text,
                                                 const db::IssueMarkets& markets);

// The issue a code text shows: its market short name and name. Nothing when the text is not a code,
// the issue is not in Mei, or its market code lies outside the market names.
struct ShownIssue {
    std::string market;
    std::string name;
};
Result<std::optional<ShownIssue>> lookUpShownIssue(db::Database& db, std::string_view codeText,
                                                   const MarketNames& names);
// The same for a chart dated day: the market named by issueMarketNameOn with the issue's J-Quants code.
Result<std::optional<ShownIssue>> lookUpShownIssue(db::Database& db, std::string_view codeText,
                                                   const MarketNames& names, const db::JQuantsMarketCodes& jquants,
                                                   Date day);

// The address (without "http://") of an information page of the data server: MURL + "default.asp?tp="
// + page letter + "&co=" + code.
std::string informationPageAddress(std::string_view murl, std::string_view pageLetter, std::string_view codeText);

} // namespace kestrel::chart
