#pragma once
// Every stock-information row stored for one issue, across all kinds or for one kind, newest first
// (date order) or grouped by the kinds' display order (kind order). Rows of a kind missing from
// informationClass are still listed, with an empty kind name.
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/info/Screening.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::info {

inline constexpr const char* kAllKindsName = "すべて";
inline constexpr const char* kAllKindsCode = "ALL";

enum class InfoOrder : std::int16_t { ByDate = 1, ByKind = 2 };

struct IssueInfoRow {
    std::optional<std::int16_t> order; // 表示順 of the kind
    std::string kind;
    std::string kindName;
    Date date;
    std::int16_t rank = 0;
    std::int32_t code = 0;
    std::string name;
    std::optional<std::int16_t> market;
    std::int32_t price = 0;
    Currency volume;
    std::int32_t change = 0;
    std::string value;
};

// The kinds offered for choosing, in display order: every kind whose code does not start with "S"
// (either case); the caller puts "すべて"/"ALL" in front.
Result<std::vector<InfoKind>> listableKinds(db::Database& db);

// The rows of issue code, of kind (or of every kind when kind is "ALL" or empty), in order.
Result<std::vector<IssueInfoRow>> loadIssueInformation(db::Database& db, std::int32_t code, const std::string& kind,
                                                       InfoOrder order);

// The issue code of a hand-over text: a whole number in the Long range, else nothing.
std::optional<std::int32_t> issueCodeOf(const std::string& text);

} // namespace kestrel::info
