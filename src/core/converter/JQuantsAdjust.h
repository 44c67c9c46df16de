#pragma once
// The exchange's adjustment factor of a day (AdjFactor, on the ex-rights date, the first day at the
// new price) and its kind (ExRT: "1" split or free allotment, "2" reverse split, "3" rights issue)
// turned into the event the user is asked to confirm. The factor multiplies the prices before the
// date: 0.5 is a 1:2 split, 5.0 a reverse split where five shares become one. A split keeps the
// ratio of small whole numbers the factor stands for; a rights issue, and any factor that is no such
// ratio, keeps the factor exactly as the decimal fraction it was given as, never a ratio made up to
// come near it.
#include "core/db/SplitTable.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrel::converter::jquants {

struct Adjustment {
    db::SplitKind kind = db::SplitKind::Split;
    std::int32_t before = 1, after = 1; // shares before per shares after; before/after is the factor
};

// The adjustment of a factor, or nothing for 1 and for a factor that is not a positive number.
std::optional<Adjustment> classifyAdjustment(double factor, std::string_view exRt);

} // namespace kestrel::converter::jquants
