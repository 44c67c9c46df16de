#include "core/chart/UserLines.h"

#include "core/chart/ChartMath.h"
#include "core/db/BarTable.h"
#include "core/db/SplitTable.h"

#include <algorithm>

namespace kestrel::chart {
namespace {

using detail::Int128;

constexpr const char* kColumns = "ID, 種類, 日付1, 株価1, 日付2, 株価2";
const Currency kPriceLimit = Currency::fromWhole(10000000000LL);

std::int16_t modeOf(int chartMode) {
    return db::isWeeklyMode(chartMode) ? 2 : 1;
}

// The cumulative ratio (shares after, before) of the events after `date`.
std::pair<Int128, Int128> ratioAfter(const std::vector<db::SplitEvent>& events, Date date) {
    Int128 before = 1, after = 1;
    for (const auto& e : events)
        if (e.date > date) {
            before *= e.before;
            after *= e.after;
        }
    return {before, after};
}

// Stored (as traded) to shown, or back (toStored).
Currency convert(Currency p, const std::vector<db::SplitEvent>& events, Date date, bool toStored) {
    auto [before, after] = ratioAfter(events, date);
    if (before == after)
        return p;
    const Int128 v = toStored ? detail::divRoundHalfEven(static_cast<Int128>(p.raw()) * after, before)
                              : detail::divRoundHalfEven(static_cast<Int128>(p.raw()) * before, after);
    return Currency::fromRaw(detail::fitsInt64(v) ? static_cast<std::int64_t>(v) : p.raw());
}

Result<std::vector<db::SplitEvent>> eventsFor(db::Database& db, std::int32_t code, bool adjusted) {
    if (!adjusted)
        return std::vector<db::SplitEvent>();
    return db::listSplits(db, code, true);
}

Status noSuchLine(std::int32_t code, std::int64_t id) {
    return Status::error(StatusCode::NotFound,
                         "コード=" + std::to_string(code) + " に線 ID=" + std::to_string(id) + " はありません。");
}

Status writeLine(db::Database& db, std::int32_t code, int chartMode, ChartLine& line, bool adjusted, bool insert) {
    if (Status st = checkLine(line); !st)
        return st;
    auto events = eventsFor(db, code, adjusted);
    if (!events)
        return events.status();
    const Currency p1 = convert(line.price1, *events, line.date1, true);
    const Currency p2 = convert(line.price2, *events, line.date2, true);
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    Status st =
        insert ? db.run("INSERT INTO Hikisen (コード, 足, 種類, 日付1, 株価1, 日付2, 株価2) VALUES "
                        "(?, ?, ?, ?, ?, ?, ?)",
                        code, modeOf(chartMode), static_cast<std::int16_t>(line.kind), line.date1, p1, line.date2, p2)
               : db.run("UPDATE Hikisen SET 種類=?, 日付1=?, 株価1=?, 日付2=?, 株価2=? WHERE ID=? AND コード=?",
                        static_cast<std::int16_t>(line.kind), line.date1, p1, line.date2, p2, line.id, code);
    if (!st)
        return st;
    if (insert)
        line.id = db.lastInsertRowid();
    else if (db.changes() == 0)
        return noSuchLine(code, line.id);
    return tx.commit();
}

// The stored bar dates nearest to d: the last on or before it and the first on or after it.
Result<std::optional<Date>> nearestBarDate(db::Database& db, const char* table, std::int32_t code, Date d) {
    auto st = db.prepare(std::string("SELECT (SELECT max(日付) FROM ") + table + " WHERE コード=?1 AND 日付<=?2), " +
                         "(SELECT min(日付) FROM " + table + " WHERE コード=?1 AND 日付>=?2)");
    if (!st)
        return st.status();
    st->bind(1, static_cast<std::int64_t>(code)).bind(2, d);
    auto row = st->step();
    if (!row)
        return row.status();
    const std::optional<Date> prev = st->date(0), next = st->date(1);
    if (!prev)
        return next;
    if (!next || *prev == d)
        return prev;
    return std::optional<Date>(prev->daysUntil(d) <= d.daysUntil(*next) ? *prev : *next);
}

} // namespace

Status checkLine(ChartLine& l) {
    if (l.kind != LineKind::Trend && l.kind != LineKind::Horizontal)
        return Status::error(StatusCode::InvalidInput, "線の種類が正しくありません。");
    if (l.kind == LineKind::Horizontal) {
        l.date2 = l.date1;
        l.price2 = l.price1;
    }
    for (Currency p : {l.price1, l.price2})
        if (p.raw() <= 0 || p >= kPriceLimit)
            return Status::error(StatusCode::InvalidInput, "線の株価は0より大きい数で入力して下さい。");
    if (l.kind == LineKind::Trend) {
        if (l.date1 == l.date2)
            return Status::error(StatusCode::InvalidInput, "トレンドラインの2つの日付が同じです。");
        if (l.date2 < l.date1) {
            std::swap(l.date1, l.date2);
            std::swap(l.price1, l.price2);
            std::swap(l.bar1, l.bar2);
        }
    }
    return Status::ok();
}

Result<std::vector<ChartLine>> listLines(db::Database& db, std::int32_t code, int chartMode, bool adjusted) {
    std::vector<ChartLine> lines;
    auto has = db.queryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='Hikisen'");
    if (!has)
        return has.status();
    if (has->value_or(0) == 0)
        return lines;
    auto events = eventsFor(db, code, adjusted);
    if (!events)
        return events.status();
    auto st = db.prepare(std::string("SELECT ") + kColumns + " FROM Hikisen WHERE コード=? AND 足=? ORDER BY ID");
    if (!st)
        return st.status();
    st->bindAll(static_cast<std::int64_t>(code), static_cast<std::int64_t>(modeOf(chartMode)));
    Status walked = st->forEachRow([&] {
        ChartLine l;
        l.id = st->int64(0);
        l.kind = st->int64(1) == 2 ? LineKind::Horizontal : LineKind::Trend;
        l.date1 = st->date(2).value_or(Date());
        l.date2 = st->date(4).value_or(l.date1);
        l.price1 = convert(st->currency(3), *events, l.date1, false);
        l.price2 = convert(st->currency(5), *events, l.date2, false);
        lines.push_back(l);
    });
    if (!walked)
        return walked;
    return lines;
}

Result<std::int64_t> addLine(db::Database& db, std::int32_t code, int chartMode, ChartLine line, bool adjusted) {
    if (Status st = writeLine(db, code, chartMode, line, adjusted, true); !st)
        return st;
    return line.id;
}

Status moveLine(db::Database& db, std::int32_t code, ChartLine line, bool adjusted) {
    return writeLine(db, code, 1, line, adjusted, false);
}

Status removeLine(db::Database& db, std::int32_t code, std::int64_t id) {
    if (Status st = db.run("DELETE FROM Hikisen WHERE ID=? AND コード=?", id, static_cast<std::int64_t>(code)); !st)
        return st;
    return db.changes() > 0 ? Status::ok() : noSuchLine(code, id);
}

Status placeLines(db::Database& db, std::int32_t code, int chartMode, const ChartData& data,
                  std::vector<ChartLine>& lines) {
    if (data.barCount <= 0)
        return Status::ok();
    const char* table = db::barTableName(db::barTableForMode(chartMode));
    const Date first = data.bars[0].date, last = data.bars[data.barCount - 1].date;
    auto count = db.prepare(std::string("SELECT count(*) FROM ") + table + " WHERE コード=?1 AND 日付>=?2 AND 日付<?3");
    if (!count)
        return count.status();
    auto barsBetween = [&](Date from, Date to) -> Result<int> {
        count->reset();
        count->bind(1, static_cast<std::int64_t>(code)).bind(2, from).bind(3, to);
        auto row = count->step();
        if (!row)
            return row.status();
        return static_cast<int>(count->int64(0));
    };
    auto place = [&](Date d) -> Result<int> {
        if (d >= first && d <= last) {
            // Inside the window every stored bar is loaded: the nearest one by days, earlier on a tie.
            int best = 1;
            for (int i = 1; i <= data.barCount; ++i) {
                const int gap = std::abs(d.daysUntil(data.bars[i - 1].date));
                if (gap < std::abs(d.daysUntil(data.bars[best - 1].date)))
                    best = i;
            }
            return best;
        }
        auto nearest = nearestBarDate(db, table, code, d);
        if (!nearest)
            return nearest.status();
        const Date n = nearest->value_or(d);
        if (n >= first) {
            auto k = barsBetween(first, n);
            return k ? Result<int>(1 + *k) : k;
        }
        auto k = barsBetween(n, first);
        return k ? Result<int>(1 - *k) : k;
    };
    for (ChartLine& l : lines) {
        auto b1 = place(l.date1);
        if (!b1)
            return b1.status();
        auto b2 = l.kind == LineKind::Horizontal ? b1 : place(l.date2);
        if (!b2)
            return b2.status();
        l.bar1 = *b1;
        l.bar2 = *b2;
    }
    return Status::ok();
}

std::string lineRow(const ChartLine& l) {
    return std::to_string(l.id) + "\t" + (l.kind == LineKind::Horizontal ? "horizontal" : "trend") + "\t" +
           l.date1.toIso() + "\t" + l.price1.toString() + "\t" + l.date2.toIso() + "\t" + l.price2.toString();
}

} // namespace kestrel::chart
