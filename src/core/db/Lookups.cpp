#include "core/db/Lookups.h"

namespace kestrel::db {

std::int16_t GetMarketCode(Database& db, std::int32_t code, Prompt* prompt) {
    auto r = db.queryInt("SELECT 市場コード FROM Mei WHERE コード = ?", code);
    if (!r) {
        if (prompt)
            prompt->notify(r.message());
        return 0;
    }
    return static_cast<std::int16_t>(r->value_or(0));
}

std::string GetIssueName(Database& db, std::int32_t code, Prompt* prompt) {
    auto st = db.prepare("SELECT 銘柄 FROM Mei WHERE コード = ?");
    if (st) {
        st->bind(1, code);
        auto row = st->step();
        if (row)
            return *row ? st->text(0) : std::string();
        st = Result<Statement>(row.status());
    }
    if (prompt)
        prompt->notify(st.message());
    return "";
}

} // namespace kestrel::db
