#include "core/db/LatestDate.h"

#include "core/db/BarTable.h"

#include <array>
#include <strings.h>

namespace kestrel::db {

Result<std::optional<Date>> latestStoredDate(Database& db, const std::string& table) {
    static constexpr std::array<const char*, 3> kTables = {barTableName(BarTable::Daily),
                                                           barTableName(BarTable::Weekly), "informationData"};
    for (const char* t : kTables) {
        if (::strcasecmp(t, table.c_str()) != 0)
            continue;
        auto max = db.queryInt(std::string("SELECT Max(日付) AS MaxDate FROM ") + t + " ;");
        if (!max)
            return max.status();
        if (!*max)
            return std::optional<Date>();
        auto d = Date::fromYmdInt(**max);
        if (!d)
            return Result<std::optional<Date>>::error(db.path() + ": " + t + " に日付でない値があります");
        return std::optional<Date>(*d);
    }
    return Result<std::optional<Date>>::error("日付のある表ではありません: " + table);
}

Result<std::optional<DailyBar>> latestDailyBar(Database& db, std::int64_t code) {
    return LatestDailyBars(db).of(code);
}

Result<std::optional<DailyBar>> LatestDailyBars::of(std::int64_t code) {
    if (!m_query.valid()) {
        auto st = m_db.prepare(std::string("SELECT 日付, 始値, 高値, 安値, 終値, 前日比, 出来高 FROM ") +
                               barTableName(BarTable::Daily) + " WHERE コード = ? ORDER BY 日付 DESC LIMIT 1");
        if (!st)
            return st.status();
        m_query = std::move(*st);
    }
    Statement& st = m_query;
    st.reset();
    st.bind(1, code);
    auto row = st.step();
    if (!row)
        return row.status();
    if (!*row)
        return std::optional<DailyBar>();
    auto orZero = [&](int col) { return st.isNull(col) ? std::int64_t{0} : st.int64(col); };
    DailyBar bar;
    bar.date = st.date(0);
    bar.open = orZero(1);
    bar.high = orZero(2);
    bar.low = orZero(3);
    bar.close = orZero(4);
    bar.change = orZero(5);
    bar.volume = st.isNull(6) ? Currency() : st.currency(6);
    st.reset();
    return std::optional<DailyBar>(bar);
}

} // namespace kestrel::db
