#pragma once
// Unsold lots across split events: a lot bought before a confirmed event of its issue holds count x ratio
// shares at price / ratio (ratio = shares after per share before, cumulative over the events after the
// purchase day). The stored row keeps what was traded; only what is shown (count, prices, break-even and
// profit) is adjusted. Sold lots are history and stay as they are.
#include "core/trade/Ledger.h"

namespace kestrel::trade {

inline constexpr const char* kSplitAdjustedNote = "分割調整済";

// The rows as shown: each unsold lot bought before a confirmed event of its issue has 購入数 times the
// ratio and 購入額 and 損益分岐点 divided by it (halves to even), and 利益 recomputed from 現在額; adjusted[i]
// says whether row i was. An error only for a database failure.
Status adjustLotsForSplits(db::Database& db, std::vector<LedgerRow>& rows, std::vector<bool>& adjusted);

} // namespace kestrel::trade
