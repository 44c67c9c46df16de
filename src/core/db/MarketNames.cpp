#include "core/db/MarketNames.h"

#include "core/db/LatestDate.h"

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

Date marketReformDay() {
    return *Date::fromYmd(2022, 4, 4);
}

std::string marketNameOn(const MarketNames& names, std::int64_t marketCode, Date day) {
    std::string stored = marketName(names, marketCode);
    if (day < marketReformDay())
        return stored;
    static const struct {
        std::int64_t code;
        const char* seeded;
        const char* now;
    } kRenamed[] = {{1, "東１", "プライム"}, {2, "東２", "スタンダード"}, {3, "店頭", "グロース"}};
    for (const auto& r : kRenamed)
        if (r.code == marketCode && stored == r.seeded)
            return r.now;
    return stored;
}

std::string issueMarketNameOn(const MarketNames& names, std::int64_t marketCode, std::string_view jquantsMarket,
                              Date day) {
    if (marketCode == 6 && jquantsMarket == kTokyoProMarket && day >= marketReformDay() &&
        marketName(names, marketCode) == "その他")
        return "TOKYO PRO";
    return marketNameOn(names, marketCode, day);
}

MarketNames marketNamesOn(const MarketNames& names, Date day) {
    MarketNames shown;
    for (int code = 0; code < kMarketNameCount; ++code)
        shown[static_cast<size_t>(code)] = marketNameOn(names, code, day);
    return shown;
}

Result<MarketNames> loadShownMarketNames(Database& db) {
    auto names = loadMarketNames(db);
    if (!names)
        return names;
    auto latest = latestStoredDate(db, "daydata");
    if (!latest)
        return latest.status();
    return *latest ? marketNamesOn(*names, **latest) : *names;
}

std::string issueListRow(std::int64_t code, std::string_view market, std::string_view name) {
    return std::to_string(code) + " " + std::string(market) + " " + std::string(name);
}

} // namespace kestrel::db
