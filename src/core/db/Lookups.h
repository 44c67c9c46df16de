#pragma once
// Issue look-ups in Mei shared by many screens.
#include "core/app/Prompt.h"
#include "core/db/Database.h"

#include <cstdint>
#include <string>

namespace kestrel::db {

// 市場コード of the issue, or 0 when Mei has no such issue. A failed query is shown through prompt
// (when given) and gives 0.
std::int16_t GetMarketCode(Database& db, std::int32_t code, Prompt* prompt = nullptr);
// 銘柄 of the issue, or "" when Mei has no such issue (or the query failed, shown through prompt).
std::string GetIssueName(Database& db, std::int32_t code, Prompt* prompt = nullptr);

} // namespace kestrel::db
