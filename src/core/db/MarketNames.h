#pragma once
// The market short names (略称 of Shijyo) by market code, and the row every issue list shows:
// code, market short name, name.
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

// One row of an issue list: code, " ", market short name, " ", name.
std::string issueListRow(std::int64_t code, std::string_view market, std::string_view name);

} // namespace kestrel::db
