#pragma once
// The market short names (略称 of Shijyo) by market code, and the row every issue list shows:
// code, market short name, name.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::db {

inline constexpr int kMarketNameCount = 11; // 市場コード 0..10
// Market short names indexed by market code 0..10; codes without a market are "".
using MarketNames = std::array<std::string, kMarketNameCount>;

// Reads every market of Shijyo; markets whose code lies outside 0..10 are left out, a null short
// name reads as "". The error is the database's message.
Result<MarketNames> loadMarketNames(Database& db);
// The short name of a market code, "" for a code outside 0..10.
std::string marketName(const MarketNames& names, std::int64_t marketCode);

// The day the exchange renamed its markets: 東証１部, 東証２部 and the rest of the cash markets became
// プライム, スタンダード and グロース. Stored market codes keep their numbers (1, 2, 3); only the
// names shown change.
Date marketReformDay();
// The short name shown for a market code on a day: from the reform day on, a market that still carries
// its seeded short name (東１, 東２, 店頭) shows プライム, スタンダード or グロース, as the issue master
// of J-Quants places an issue in codes 1, 2 and 3; before it, and for every other name, the stored one.
std::string marketNameOn(const MarketNames& names, std::int64_t marketCode, Date day);
// The J-Quants master's market code of TOKYO PRO Market. Its issues are stored with the code of the
// other markets (6, その他), as before; only the name shown tells them apart.
inline constexpr std::string_view kTokyoProMarket = "0105";
// The market name shown for one issue on a day, given the market the J-Quants master places it in (""
// when unknown): "TOKYO PRO" from the reform day on for an issue of TOKYO PRO Market stored under a
// market 6 that still carries its seeded name その他; marketNameOn for every other issue.
std::string issueMarketNameOn(const MarketNames& names, std::int64_t marketCode, std::string_view jquantsMarket,
                              Date day);
// All eleven names as marketNameOn gives them on day.
MarketNames marketNamesOn(const MarketNames& names, Date day);
// loadMarketNames as shown for the latest stored daily bar (the stored names when there is none): the
// names an issue list, a board or a chart title shows.
Result<MarketNames> loadShownMarketNames(Database& db);

// One row of an issue list: code, " ", market short name, " ", name.
std::string issueListRow(std::int64_t code, std::string_view market, std::string_view name);

} // namespace kestrel::db
