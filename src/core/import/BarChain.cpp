#include "core/import/BarChain.h"

#include "core/app/Encoding.h"

#include <algorithm>
#include <map>
#include <set>

namespace kestrel::import {

namespace {

constexpr int kPreviousDayWindow = 60;
constexpr size_t kMeiNameLength = 20;

Result<bool> hasPartialTable(db::Database& db) {
    auto n = db.queryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='PartialDays'");
    if (!n)
        return n.status();
    return n->value_or(0) > 0;
}

// The change and reference close of a bar against the issue's reference on the previous day (none when
// the issue had no row there), as the daily import takes them.
std::pair<std::int32_t, std::int32_t> chain(std::int32_t close, bool traded, std::optional<std::int32_t> prevRef) {
    if (!prevRef)
        return {0, close};
    if (!traded)
        return {0, *prevRef};
    if (*prevRef == 0)
        return {0, close};
    return {close - *prevRef, close};
}

Result<std::optional<Date>> nextStoredDay(db::Database& db, Date d) {
    auto st = db.prepare("SELECT Min(日付) FROM dayData WHERE 日付 > ?");
    if (!st)
        return st.status();
    st->bind(1, d);
    auto row = st->step();
    if (!row)
        return row.status();
    return *row ? st->date(0) : std::nullopt;
}

} // namespace

Status ensurePartialDays(db::Database& db) {
    return db.exec("CREATE TABLE IF NOT EXISTS PartialDays (日付 INT PRIMARY KEY)");
}

Result<bool> isPartialDay(db::Database& db, Date d) {
    auto has = hasPartialTable(db);
    if (!has || !*has)
        return has;
    auto n = db.queryInt("SELECT count(*) FROM PartialDays WHERE 日付 = ?", d);
    if (!n)
        return n.status();
    return n->value_or(0) > 0;
}

Status clearPartialDay(db::Database& db, Date d) {
    auto has = hasPartialTable(db);
    if (!has)
        return has.status();
    return *has ? db.run("DELETE FROM PartialDays WHERE 日付 = ?", d) : Status::ok();
}

Result<std::optional<Date>> previousStoredDay(db::Database& db, Date d) {
    auto st = db.prepare("SELECT Max(日付) FROM dayData WHERE 日付 BETWEEN ? AND ?");
    if (!st)
        return st.status();
    st->bind(1, d.addDays(-kPreviousDayWindow)).bind(2, d.addDays(-1));
    auto row = st->step();
    if (!row)
        return row.status();
    return *row ? st->date(0) : std::nullopt;
}

Status relinkAfter(db::Database& db, Date d, const std::vector<std::int32_t>* codes) {
    std::optional<std::set<std::int32_t>> only;
    if (codes)
        only.emplace(codes->begin(), codes->end());
    auto rowsOf = db.prepare("SELECT コード, 終値, 出来高, 前日比, 基準前日比 FROM dayData WHERE 日付 = ?");
    auto refsOf = db.prepare("SELECT コード, 基準前日比 FROM dayData WHERE 日付 = ?");
    auto update = db.prepare("UPDATE dayData SET 前日比 = ?, 基準前日比 = ? WHERE コード = ? AND 日付 = ?");
    for (auto* st : {&rowsOf, &refsOf, &update})
        if (!*st)
            return st->status();
    Date after = d;
    while (!only || !only->empty()) {
        auto next = nextStoredDay(db, after);
        if (!next)
            return next.status();
        if (!*next)
            return Status::ok();
        const Date n = **next;
        auto p = previousStoredDay(db, n);
        if (!p)
            return p.status();
        std::map<std::int32_t, std::int32_t> prev;
        if (*p) {
            refsOf->reset();
            refsOf->bind(1, **p);
            if (Status st =
                    refsOf->forEachRow([&] { prev[refsOf->int32(0)] = refsOf->isNull(1) ? 0 : refsOf->int32(1); });
                !st)
                return st;
        }
        struct Change {
            std::int32_t code, change, reference;
        };
        std::vector<Change> changes;
        std::set<std::int32_t> moved;
        rowsOf->reset();
        rowsOf->bind(1, n);
        Status read = rowsOf->forEachRow([&] {
            const std::int32_t code = rowsOf->int32(0);
            if (only && !only->count(code))
                return;
            auto it = prev.find(code);
            const std::int32_t close = rowsOf->isNull(1) ? 0 : rowsOf->int32(1);
            const bool traded = !rowsOf->isNull(2) && rowsOf->currency(2) != Currency();
            auto [change, reference] =
                chain(close, traded, it == prev.end() ? std::nullopt : std::optional<std::int32_t>(it->second));
            const bool changeDiffers = rowsOf->isNull(3) || rowsOf->int32(3) != change;
            const bool refDiffers = rowsOf->isNull(4) || rowsOf->int32(4) != reference;
            if (changeDiffers || refDiffers)
                changes.push_back({code, change, reference});
            if (refDiffers)
                moved.insert(code);
        });
        rowsOf->reset();
        if (!read)
            return read;
        for (const Change& c : changes)
            if (Status st = update->bindAll(c.change, c.reference, c.code, n).run(); !st)
                return st;
        if (moved.empty())
            return Status::ok();
        only = std::move(moved);
        after = n;
    }
    return Status::ok();
}

Result<IssueImportResult> importIssueRecords(db::Database& db, const std::vector<std::pair<Date, DailyRecord>>& days) {
    IssueImportResult out;
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    if (Status st = ensurePartialDays(db); !st)
        return st;
    auto hasBar = db.prepare("SELECT 1 FROM dayData WHERE コード = ? AND 日付 = ?");
    auto hasDay = db.prepare("SELECT 1 FROM dayData WHERE 日付 = ? LIMIT 1");
    auto prevRef = db.prepare("SELECT 基準前日比 FROM dayData WHERE コード = ? AND 日付 = ?");
    auto insert = db.prepare("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 基準前日比) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    auto mark = db.prepare("INSERT OR IGNORE INTO PartialDays (日付) VALUES (?)");
    for (auto* st : {&hasBar, &hasDay, &prevRef, &insert, &mark})
        if (!*st)
            return st->status();
    auto exists = [](db::Statement& st) -> Result<bool> {
        auto row = st.step();
        st.reset();
        return row;
    };
    const DailyRecord* latest = nullptr;
    for (const auto& [day, r] : days) {
        if (!isStoredFileMarket(r.fileMarket) || day.isWeekend())
            continue;
        const std::int32_t code = r.code;
        hasBar->bindAll(code, day);
        auto there = exists(*hasBar);
        if (!there)
            return there.status();
        if (*there) {
            ++out.alreadyThere;
            continue;
        }
        std::int32_t open = r.open, high = r.high, low = r.low, close = r.close;
        const bool traded = r.volume != Currency();
        if (!traded)
            open = high = low = close = 0;
        auto p = previousStoredDay(db, day);
        if (!p)
            return p.status();
        std::optional<std::int32_t> ref;
        if (*p) {
            prevRef->bindAll(code, **p);
            auto row = prevRef->step();
            if (!row)
                return row.status();
            if (*row)
                ref = prevRef->isNull(0) ? 0 : prevRef->int32(0);
            prevRef->reset();
        }
        auto [change, reference] = chain(close, traded, ref);
        hasDay->bindAll(day);
        auto dayThere = exists(*hasDay);
        if (!dayThere)
            return dayThere.status();
        if (!*dayThere)
            if (Status st = mark->bindAll(day).run(); !st)
                return st;
        mark->reset();
        if (Status st = insert->bindAll(code, day, open, high, low, close, change, r.volume, reference).run(); !st)
            return st;
        insert->reset();
        const std::vector<std::int32_t> one{code};
        if (Status st = relinkAfter(db, day, &one); !st)
            return st;
        ++out.stored;
        out.first = out.first ? std::min(*out.first, day) : day;
        out.last = out.last ? std::max(*out.last, day) : day;
        latest = &r;
    }
    if (latest) {
        // Mei in step with the latest record's market and name, as the daily import keeps it.
        const std::int32_t code = latest->code;
        const std::int16_t market = marketFromFileCode(latest->fileMarket);
        const std::string name = utf8Left(latest->name, kMeiNameLength);
        auto known = db.queryInt("SELECT count(*) FROM Mei WHERE コード = ?", code);
        if (!known)
            return known.status();
        Status st = known->value_or(0) == 0
                        ? db.run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位, 更新Flg) "
                                 "VALUES (?, ?, ?, 1000, 1, 0)",
                                 code, market, name)
                        : db.run("UPDATE Mei SET 市場コード = ?, 銘柄 = ? WHERE コード = ? AND "
                                 "(市場コード IS NOT ? OR 銘柄 IS NOT ?)",
                                 market, name, code, market, name);
        if (!st)
            return st;
    }
    if (Status st = tx.commit(); !st)
        return st;
    return out;
}

} // namespace kestrel::import
