#include "core/db/MarketNames.h"

namespace kestrel::db {

Result<MarketNames> loadMarketNames(Database& db) {
    auto st = db.prepare("SELECT コード, 略称 FROM Shijyo ORDER BY コード");
    if (!st)
        return st.status();
    MarketNames names;
    for (;;) {
        auto r = st->step();
        if (!r)
            return r.status();
        if (!*r)
            break;
        if (st->isNull(0))
            continue;
        std::int64_t code = st->int64(0);
        if (code >= 0 && code < kMarketNameCount)
            names[static_cast<size_t>(code)] = st->isNull(1) ? std::string() : st->text(1);
    }
    return names;
}

std::string marketName(const MarketNames& names, std::int64_t marketCode) {
    if (marketCode < 0 || marketCode >= kMarketNameCount)
        return {};
    return names[static_cast<size_t>(marketCode)];
}

std::string issueListRow(std::int64_t code, std::string_view market, std::string_view name) {
    return std::to_string(code) + " " + std::string(market) + " " + std::string(name);
}

} // namespace kestrel::db
