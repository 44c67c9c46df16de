#pragma once
// Each issue's market as the J-Quants issue master names it (MarketCode, e.g. "0111" Prime, "0105"
// TOKYO PRO Market). Mei keeps only the market code of Shijyo, which puts TOKYO PRO Market under その他;
// the table JQuantsMarket keeps the master's own code so the names shown can tell them apart. The table
// is made by the first master import that brings such codes; a file without it reads as "no codes".
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/db/MarketNames.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace kestrel::db {

// issue code → J-Quants MarketCode
using JQuantsMarketCodes = std::map<std::int32_t, std::string>;

// Creates JQuantsMarket when the file has none (inside the caller's transaction, if any).
Status ensureJQuantsMarketTable(Database& db);
// The stored codes; empty when the table does not exist. The error is the database's message.
Result<JQuantsMarketCodes> loadJQuantsMarketCodes(Database& db);
// Replaces every stored code with codes (the table made when needed), inside the caller's transaction.
Status replaceJQuantsMarketCodes(Database& db, const JQuantsMarketCodes& codes);

// What a list needs to name each issue's market: the names shown, the day they are shown for and the
// J-Quants codes. An issue without a code is named by its market code alone.
struct IssueMarkets {
    MarketNames names;
    std::optional<Date> day; // none: no stored bar, the stored names are shown
    JQuantsMarketCodes jquants;

    // The market name of an issue stored under marketCode, as the list shows it.
    std::string nameOf(std::int32_t code, std::int64_t marketCode) const;
};
// The names as loadShownMarketNames gives them, for the latest stored daily bar, with the stored codes.
Result<IssueMarkets> loadIssueMarkets(Database& db);

} // namespace kestrel::db
