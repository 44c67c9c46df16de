#include "core/trade/LedgerSplits.h"

#include "core/chart/SplitAdjust.h"
#include "core/db/SplitRatio.h"
#include "core/db/SplitTable.h"

#include <map>

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
        const db::SplitRatio ratio = db::ratioAfter(found->second, *bought);
        if (ratio.one())
            continue;
        r.buyCount = ratio.count(r.buyCount.value_or(0));
        r.buyPrice = ratio.price(r.buyPrice.value_or(0));
        r.breakEven = ratio.price(r.breakEven.value_or(0));
        if (auto p = lotProfit(*r.buyCount, r.currentPrice.value_or(0), *r.breakEven))
            r.profit = *p;
        adjusted[i] = true;
    }
    return Status::ok();
}

} // namespace kestrel::trade
