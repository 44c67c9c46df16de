#include "core/trade/LedgerSplits.h"

#include "core/chart/SplitAdjust.h"
#include "core/db/SplitTable.h"

#include <map>
#include <numeric>

namespace kestrel::trade {

Status adjustLotsForSplits(db::Database& db, std::vector<LedgerRow>& rows, std::vector<bool>& adjusted) {
    adjusted.assign(rows.size(), false);
    std::map<std::int64_t, std::vector<db::SplitEvent>> byCode;
    for (size_t i = 0; i < rows.size(); ++i) {
        LedgerRow& r = rows[i];
        if (r.sellCount.value_or(0) != 0 || !r.code || !r.buyDate)
            continue;
        auto bought = Date::parse(*r.buyDate);
        if (!bought)
            continue;
        auto found = byCode.find(*r.code);
        if (found == byCode.end()) {
            auto events = db::listSplits(db, static_cast<std::int32_t>(*r.code), true);
            if (!events)
                return events.status();
            found = byCode.emplace(*r.code, std::move(*events)).first;
        }
        // Shares after per share before over every event from the day after the purchase on.
        std::int64_t before = 1, after = 1;
        for (const auto& e : found->second) {
            if (e.date <= *bought)
                continue;
            before *= e.before;
            after *= e.after;
            const std::int64_t g = std::gcd(before, after);
            before /= g;
            after /= g;
        }
        if (before == after)
            continue;
        r.buyCount = chart::splitDivide(r.buyCount.value_or(0), after, before);
        r.buyPrice = chart::splitDivide(r.buyPrice.value_or(0), before, after);
        r.breakEven = chart::splitDivide(r.breakEven.value_or(0), before, after);
        if (auto p = lotProfit(*r.buyCount, r.currentPrice.value_or(0), *r.breakEven))
            r.profit = *p;
        adjusted[i] = true;
    }
    return Status::ok();
}

} // namespace kestrel::trade
