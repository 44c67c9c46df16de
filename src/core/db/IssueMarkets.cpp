#include "core/db/IssueMarkets.h"

#include "core/db/LatestDate.h"

namespace kestrel::db {

Status ensureJQuantsMarketTable(Database& db) {
    return db.exec("CREATE TABLE IF NOT EXISTS JQuantsMarket (コード INT PRIMARY KEY, MarketCode TEXT NOT NULL)");
}

Result<JQuantsMarketCodes> loadJQuantsMarketCodes(Database& db) {
    auto n = db.queryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='JQuantsMarket'");
    if (!n)
        return n.status();
    JQuantsMarketCodes codes;
    if (n->value_or(0) == 0)
        return codes;
    auto st = db.prepare("SELECT コード, MarketCode FROM JQuantsMarket");
    if (!st)
        return st.status();
    if (Status read = st->forEachRow([&] {
            if (!st->isNull(0) && !st->isNull(1))
                codes[st->int32(0)] = st->text(1);
        });
        !read)
        return read;
    return codes;
}

Status replaceJQuantsMarketCodes(Database& db, const JQuantsMarketCodes& codes) {
    if (Status st = ensureJQuantsMarketTable(db); !st)
        return st;
    if (Status st = db.exec("DELETE FROM JQuantsMarket"); !st)
        return st;
    auto insert = db.prepare("INSERT INTO JQuantsMarket (コード, MarketCode) VALUES (?, ?)");
    if (!insert)
        return insert.status();
    for (const auto& [code, market] : codes)
        if (Status st = insert->bindAll(code, market).run(); !st)
            return st;
    return Status::ok();
}

std::string IssueMarkets::nameOf(std::int32_t code, std::int64_t marketCode) const {
    if (!day)
        return marketName(names, marketCode);
    auto it = jquants.find(code);
    return issueMarketNameOn(names, marketCode, it == jquants.end() ? std::string_view() : it->second, *day);
}

Result<IssueMarkets> loadIssueMarkets(Database& db) {
    IssueMarkets out;
    auto names = loadShownMarketNames(db);
    if (!names)
        return names.status();
    out.names = *names;
    auto latest = latestStoredDate(db, "daydata");
    if (!latest)
        return latest.status();
    out.day = *latest;
    auto codes = loadJQuantsMarketCodes(db);
    if (!codes)
        return codes.status();
    out.jquants = std::move(*codes);
    return out;
}

} // namespace kestrel::db
