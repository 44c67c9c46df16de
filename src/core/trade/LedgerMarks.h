#pragma once
// The ledger on the chart: for the issue shown, each unsold lot's break-even price (labelled with the
// price, "損益分岐 2,964円") and the target price the user set for it, and a mark on the bar of each purchase and
// each sale. Prices and counts are those of the lot as held now: a lot bought before a confirmed split
// event shows its count times the ratio of the events after the purchase day and its prices divided by
// it, which is how a bar of the purchase day is shown; with adjustment off they show as traded.
#include "core/chart/ChartOverlay.h"
#include "core/db/Database.h"

#include <optional>
#include <string>

namespace kestrel::trade {

// Fills overlay.levels and overlay.trades from the lots of `code` for the loaded chart `data` (marks
// only on bars of the window; in weekly mode on the week's bar). Dates that are not dates ("00/00/00"
// for a lot not sold) give no mark. A file without 目標株価 (an older version read-only) has no targets.
Status ledgerOverlay(db::Database& db, std::int32_t code, const chart::ChartData& data, bool weekly, bool adjusted,
                     chart::ChartOverlay& overlay);

// The same for a chart of any span (core/chart/SeriesOverlay.h): the levels, and a mark for every
// purchase and sale of the issue with its date (TradeMark::bar 0; the chart places it by date).
Status ledgerMarks(db::Database& db, std::int32_t code, bool adjusted, chart::ChartOverlay& overlay);

// A level as the chart labels it: "損益分岐 2,964円", or "目標 3,600円" for a target.
chart::PriceLevel levelOf(std::int64_t yen, bool target);

// Everything drawn over the loaded chart of `code` in chartMode: the user's lines placed on the window's
// bars and, when ledgerShown, the ledger's levels and marks. selectedLine is kept.
Status loadChartOverlay(db::Database& db, std::int32_t code, int chartMode, const chart::ChartData& data, bool adjusted,
                        bool ledgerShown, chart::ChartOverlay& overlay);

// Sets (or with nothing clears) the target price of lot `id`, given in yen as the lot is held now
// (split-adjusted when adjusted); stored as traded. InvalidInput with a message for a price that is not
// a positive whole number of yen within 32 bits; NotFound with a message when there is no such lot.
Status setLotTarget(db::Database& db, std::int64_t id, std::optional<std::int64_t> target, bool adjusted);
// The same from the text typed in the ledger window: empty clears the target, "1250" or "1,250" sets it;
// other text is refused (InvalidInput) with a message and stores nothing.
Status setLotTargetText(db::Database& db, std::int64_t id, const std::string& text, bool adjusted);
// The lot's target price in yen as the lot is held now; nothing when none is set, the file has no
// 目標株価 or there is no such lot.
Result<std::optional<std::int64_t>> lotTarget(db::Database& db, std::int64_t id, bool adjusted);

} // namespace kestrel::trade
