#pragma once
// Column-to-field mapping of ledger rows, shared by the ledger's own sources.
#include "core/trade/Ledger.h"

namespace kestrel::trade {

// The member of a number column (コード, 市場コード, prices, counts, 利益), or nullptr.
std::optional<std::int64_t> LedgerRow::*numberField(int column);
// The member of a text column (銘柄, 購入日, 売却日), or nullptr.
std::optional<std::string> LedgerRow::*textField(int column);

} // namespace kestrel::trade
