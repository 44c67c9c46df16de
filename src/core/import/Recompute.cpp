#include "core/import/Recompute.h"

#include "core/import/CacheSize.h"

#include <vector>

namespace kestrel::import {

namespace {
constexpr int kPreviousDayWindow = 60;

struct Bar {
    Date date;
    std::int32_t change = 0, close = 0, reference = 0;
    bool storedNull = false; // a change column held no value
};
} // namespace

Status recomputeChanges(db::Database& db, BarTable table, Date start, const ImportProgress& progress) {
    const std::string t = db::barTableName(table);
    auto count = db.queryInt("SELECT Count(コード) AS wcount FROM Mei");
    if (!count)
        return count.status();
    ScopedCacheSize cache(db, kBulkCacheKib);
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    auto issues = db.prepare("SELECT コード FROM Mei ORDER BY コード");
    auto rows =
        db.prepare("SELECT 日付, 前日比, 終値, 基準前日比 FROM " + t + " WHERE コード = ? AND 日付 >= ? ORDER BY 日付");
    auto update = db.prepare("UPDATE " + t + " SET 前日比 = ?, 基準前日比 = ? WHERE コード = ? AND 日付 = ?");
    for (auto* st : {&issues, &rows, &update})
        if (!*st)
            return st->status();
    std::vector<std::int32_t> codes;
    if (Status read = issues->forEachRow([&] { codes.push_back(issues->int32(0)); }); !read)
        return read;
    PercentCounter counter(progress, count->value_or(0));
    std::vector<Bar> bars;
    for (std::int32_t code : codes) {
        counter.next();
        bars.clear();
        rows->reset();
        rows->bindAll(code, start);
        for (;;) {
            auto r = rows->step();
            if (!r)
                return r.status();
            if (!*r)
                break;
            auto d = rows->date(0);
            if (!d)
                continue;
            bars.push_back({*d, rows->isNull(1) ? 0 : rows->int32(1), rows->isNull(2) ? 0 : rows->int32(2),
                            rows->isNull(3) ? 0 : rows->int32(3), rows->isNull(1) || rows->isNull(3)});
        }
        rows->reset();
        std::int32_t ref = 0;
        for (size_t i = 0; i < bars.size(); ++i) {
            Bar b = bars[i];
            if (i == 0) {
                // The first bar keeps its change; without trading it keeps the reference it carries.
                if (b.close != 0)
                    b.reference = b.close;
                ref = b.reference;
            } else if (table == BarTable::Daily && bars[i - 1].date.daysUntil(b.date) > kPreviousDayWindow) {
                // As on import: a bar more than 60 days after the one before it has no previous day.
                b.change = 0;
                b.reference = b.close;
                ref = b.close;
            } else if (b.close != 0) {
                b.change = ref != 0 ? b.close - ref : 0;
                b.reference = b.close;
                ref = b.close;
            } else {
                b.change = 0;
                b.reference = ref;
            }
            if (!b.storedNull && b.change == bars[i].change && b.reference == bars[i].reference)
                continue;
            if (Status st = update->bindAll(b.change, b.reference, code, b.date).run(); !st)
                return st;
        }
    }
    return tx.commit();
}

} // namespace kestrel::import
