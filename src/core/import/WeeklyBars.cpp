#include "core/import/WeeklyBars.h"

#include "core/app/DateText.h"
#include "core/db/SplitRatio.h"
#include "core/db/SplitTable.h"
#include "core/import/CacheSize.h"

#include <array>
#include <limits>
#include <optional>
#include <unordered_map>

namespace kestrel::import {
namespace {

struct Week {
    std::int32_t open = 0, high = 0, low = 0, close = 0;
    Currency volume;
};

// One daily row of the week being built, as stored.
struct Day {
    Date date;
    std::int32_t open = 0, high = 0, low = 0, close = 0;
    Currency volume;
};

// A stored price times before/after, halves to even; a positive price stays at least 1 yen.
std::int32_t adjustPrice(std::int32_t v, const db::SplitRatio& ratio) {
    if (v <= 0)
        return v;
    const std::int64_t r = ratio.price(v);
    return static_cast<std::int32_t>(r < 1 ? 1
                                     : r > std::numeric_limits<std::int32_t>::max()
                                         ? std::numeric_limits<std::int32_t>::max()
                                         : r);
}

// The week of rows in date order, each day first brought to the basis after every event of its issue
// dated after it and on or before the week's date: the week of an event is built as the adjusted daily
// bars show it, and a reader adjusts the week only for the events after it.
Week accumulate(const std::vector<Day>& days, Date weekDate, const std::vector<db::SplitEvent>* events) {
    Week w;
    for (Day d : days) {
        const db::SplitRatio ratio = events ? db::ratioBetween(*events, d.date, weekDate) : db::SplitRatio();
        if (!ratio.one()) {
            d.open = adjustPrice(d.open, ratio);
            d.high = adjustPrice(d.high, ratio);
            d.low = adjustPrice(d.low, ratio);
            d.close = adjustPrice(d.close, ratio);
            d.volume = Currency::fromRaw(ratio.count(d.volume.raw()));
        }
        if (w.open == 0 && d.open != 0)
            w.open = d.open;
        if (d.close != 0 && w.open != 0) {
            w.close = d.close;
            if (w.high == 0 || d.high > w.high)
                w.high = d.high;
            if (w.low == 0 || (d.low != 0 && d.low < w.low))
                w.low = d.low;
            w.volume += d.volume;
        }
    }
    return w;
}

// The date a week is stored under: the Friday of its Sunday-to-Saturday span, so a Saturday session joins
// the week it ends instead of taking the next week's Friday.
Date weekDateOf(Date lastDay) {
    return lastDay.weekday() == 7 ? lastDay.addDays(-1) : NextFriday(lastDay);
}

class WeeklyBuilder {
public:
    // code 0 builds every issue; another code that issue only. carry: the weeks after end were built
    // before and are brought into the span's chain (BuildWeeklyBarsBefore).
    WeeklyBuilder(db::Database& db, Date start, Date end, std::int32_t code = 0, bool carry = false)
        : m_db(db), m_start(start), m_end(end), m_only(code), m_carry(carry) {}
    Status prepare();
    Status buildIssue(std::int32_t code);

private:
    Status readDays(std::int32_t code, Date from, Date to, bool& traded);
    Status carryForward(std::int32_t code, bool traded);
    Status flushWeek(std::int32_t code);
    Status writeWeek(std::int32_t code, Date weekDate, const Week& w);
    Result<std::optional<std::int32_t>> previousReference(std::int32_t code, Date weekDate);
    Result<std::pair<std::int32_t, std::int32_t>> margins(std::int32_t code, Date weekDate);

    db::Database& m_db;
    Date m_start, m_end;
    std::int32_t m_only = 0;
    bool m_carry = false;
    bool m_past = false; // writing the weeks after end, in date order
    // The confirmed split events by issue.
    std::unordered_map<std::int32_t, std::vector<db::SplitEvent>> m_events;
    const std::vector<db::SplitEvent>* m_issueEvents = nullptr;
    std::vector<Day> m_week;
    db::Statement m_days, m_prevWeek, m_shinyo, m_insert, m_update, m_delete, m_later, m_after, m_relink;
    // The rows the span held before the run, by code and date, and whether the run wrote them again.
    // A row the run gives unchanged is left as it is, a changed one is updated, and those the run did
    // not give are deleted at the end: the same table as deleting the span first, with fewer writes.
    struct Stored {
        std::array<std::int64_t, 8> values{}; // 始値, 高値, 安値, 終値, 前日比, 基準前日比, 売残, 買残
        Currency volume;
        bool whole = false; // no column NULL or of another type
        bool kept = false;
    };
    std::unordered_map<long long, Stored> m_stored;
    // Margin rows of the span, keyed by code and date.
    std::unordered_map<long long, std::tuple<std::int64_t, std::int64_t, std::int64_t>> m_margins;
    // The reference close of the week written last for the current issue.
    std::optional<std::int32_t> m_carried;
    Date m_carriedDate;
    bool m_haveCarried = false;

public:
    Status deleteStale();
};

long long marginKey(std::int64_t code, Date d) {
    return code * 100000000LL + d.ymd();
}

Status WeeklyBuilder::prepare() {
    struct {
        db::Statement* st;
        const char* sql;
    } statements[] = {
        {&m_days, "SELECT 日付, 始値, 高値, 安値, 終値, 出来高 FROM dayData WHERE コード = ? AND 日付 BETWEEN ? AND ? "
                  "ORDER BY 日付"},
        // The span's rows are the run's own: those before it are left out here (see previousReference).
        {&m_prevWeek, "SELECT 終値, 日付, 基準前日比 FROM weekData WHERE コード = ?1 AND 日付 < ?2 "
                      "AND (日付 < ?3 OR 日付 > ?4) ORDER BY 日付 DESC LIMIT 1"},
        {&m_shinyo, "SELECT 売残, 買残, 単位 FROM shinyo WHERE コード = ? AND 日付 = ?"},
        // A week after the span (BuildWeeklyBarsBefore) replaces the row it finds.
        {&m_insert, "INSERT OR REPLACE INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, "
                    "基準前日比, 売残, 買残) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"},
        {&m_update, "UPDATE weekData SET 始値 = ?3, 高値 = ?4, 安値 = ?5, 終値 = ?6, 前日比 = ?7, 出来高 = ?8, "
                    "基準前日比 = ?9, 売残 = ?10, 買残 = ?11 WHERE コード = ?1 AND 日付 = ?2"},
        {&m_delete, "DELETE FROM weekData WHERE コード = ? AND 日付 = ?"},
        {&m_later, "SELECT 1 FROM dayData WHERE コード = ? AND 日付 > ? LIMIT 1"},
        {&m_after, "SELECT 日付, 終値, 前日比, 基準前日比 FROM weekData WHERE コード = ? AND 日付 > ? ORDER BY 日付"},
        {&m_relink, "UPDATE weekData SET 前日比 = ?3, 基準前日比 = ?4 WHERE コード = ?1 AND 日付 = ?2"},
    };
    for (auto& s : statements) {
        auto st = m_db.prepare(s.sql);
        if (!st)
            return st.status();
        *s.st = std::move(*st);
    }
    auto events = db::listSplits(m_db, m_only, true);
    if (!events)
        return events.status();
    for (const auto& e : *events)
        m_events[e.code].push_back(e);
    auto stored = m_db.prepare("SELECT コード, 日付, 始値, 高値, 安値, 終値, 前日比, 基準前日比, 売残, 買残, 出来高 "
                               "FROM weekData WHERE 日付 BETWEEN ?1 AND ?2 AND (?3 = 0 OR コード = ?3)");
    if (!stored)
        return stored.status();
    stored->bindAll(m_start, m_end, static_cast<std::int64_t>(m_only));
    if (Status st = stored->forEachRow([&] {
            Stored row;
            std::int64_t key[2];
            if (!stored->integers(0, 2, key))
                return;
            row.whole = stored->integers(2, 8, row.values.data()) && !stored->isNull(10);
            row.volume = stored->currency(10);
            m_stored[marginKey(key[0], *Date::fromYmdInt(key[1]))] = row;
        });
        !st)
        return st;
    auto all = m_db.prepare("SELECT コード, 日付, 売残, 買残, 単位 FROM shinyo WHERE 日付 BETWEEN ?1 AND ?2 "
                            "AND (?3 = 0 OR コード = ?3)");
    if (!all)
        return all.status();
    all->bindAll(m_start, m_end, static_cast<std::int64_t>(m_only));
    for (;;) {
        auto row = all->step();
        if (!row)
            return row.status();
        if (!*row)
            break;
        if (auto d = all->date(1))
            m_margins[marginKey(all->int64(0), *d)] = {all->int64(2), all->int64(3), all->int64(4)};
    }
    return Status::ok();
}

Result<std::optional<std::int32_t>> WeeklyBuilder::previousReference(std::int32_t code, Date weekDate) {
    using R = Result<std::optional<std::int32_t>>;
    // Weeks are written in date order, so after the first week the previous one is the week just
    // written; only a week past the span's end can have stored weeks in between.
    if (m_haveCarried && (weekDate <= m_end || m_past))
        return m_carried;
    m_prevWeek.reset();
    auto row = m_prevWeek.bindAll(code, weekDate, m_start, m_end).step();
    if (!row)
        return R(row.status());
    std::optional<std::int32_t> ref;
    std::optional<Date> date;
    if (*row) {
        ref = m_prevWeek.isNull(2) ? 0 : m_prevWeek.int32(2);
        date = m_prevWeek.date(1);
    }
    m_prevWeek.reset();
    // Of the span's rows only those this run wrote count, and the last of them is the one carried.
    if (m_haveCarried && (!date || *date < m_carriedDate))
        return m_carried;
    return ref;
}

Result<std::pair<std::int32_t, std::int32_t>> WeeklyBuilder::margins(std::int32_t code, Date weekDate) {
    using R = Result<std::pair<std::int32_t, std::int32_t>>;
    std::int64_t sell = 0, buy = 0, unit = 0;
    bool found = false;
    if (weekDate <= m_end) {
        auto it = m_margins.find(marginKey(code, weekDate));
        if (it != m_margins.end()) {
            std::tie(sell, buy, unit) = it->second;
            found = true;
        }
    } else {
        m_shinyo.reset();
        auto row = m_shinyo.bindAll(code, weekDate).step();
        if (!row)
            return R(row.status());
        if (*row) {
            sell = m_shinyo.int64(0);
            buy = m_shinyo.int64(1);
            unit = m_shinyo.int64(2);
            found = true;
        }
        m_shinyo.reset();
    }
    if (!found)
        return std::pair<std::int32_t, std::int32_t>(0, 0);
    std::int64_t s = sell * unit, b = buy * unit;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    if (s > kMax || s < kMin || b > kMax || b < kMin)
        return R::error("銘柄コード " + std::to_string(code) + " の " + shownDate(weekDate) +
                        " の信用残が大きすぎます（オーバーフローしました。）");
    return std::pair<std::int32_t, std::int32_t>(static_cast<std::int32_t>(s), static_cast<std::int32_t>(b));
}

Status WeeklyBuilder::writeWeek(std::int32_t code, Date weekDate, const Week& w) {
    auto prev = previousReference(code, weekDate);
    if (!prev)
        return prev.status();
    std::int32_t change = 0, reference = w.close;
    if (prev->has_value()) {
        if (w.close == 0)
            reference = **prev; // a week without trading carries the reference forward
        else if (**prev != 0)
            change = w.close - **prev;
    }
    auto m = margins(code, weekDate);
    if (!m)
        return m.status();
    auto there = weekDate >= m_start && weekDate <= m_end ? m_stored.find(marginKey(code, weekDate)) : m_stored.end();
    if (there != m_stored.end()) {
        Stored& old = there->second;
        old.kept = true;
        const std::array<std::int64_t, 8> now{w.open, w.high, w.low, w.close, change, reference, m->first, m->second};
        if (!old.whole || old.values != now || old.volume != w.volume)
            if (Status st = m_update
                                .bindAll(code, weekDate, w.open, w.high, w.low, w.close, change, w.volume, reference,
                                         m->first, m->second)
                                .run();
                !st)
                return st;
    } else if (Status st = m_insert
                               .bindAll(code, weekDate, w.open, w.high, w.low, w.close, change, w.volume, reference,
                                        m->first, m->second)
                               .run();
               !st) {
        return st;
    }
    m_carried = reference;
    m_carriedDate = weekDate;
    m_haveCarried = true;
    return Status::ok();
}

// Writes the week of the rows gathered so far (none: nothing) and starts the next one.
Status WeeklyBuilder::flushWeek(std::int32_t code) {
    if (m_week.empty())
        return Status::ok();
    const Date weekDate = weekDateOf(m_week.back().date);
    const Week w = accumulate(m_week, weekDate, m_issueEvents);
    m_week.clear();
    return writeWeek(code, weekDate, w);
}

Status WeeklyBuilder::buildIssue(std::int32_t code) {
    m_carried.reset();
    m_haveCarried = false;
    m_past = false;
    auto found = m_events.find(code);
    m_issueEvents = found == m_events.end() ? nullptr : &found->second;
    m_week.clear();
    bool traded = false;
    if (Status st = readDays(code, m_start, m_end, traded); !st)
        return st;
    if (m_week.empty())
        return Status::ok();
    // The span's last week is not the issue's last when days follow it: it is written as a week between.
    bool later = false;
    if (m_carry && !traded) {
        m_later.reset();
        auto row = m_later.bindAll(code, m_end).step();
        if (!row)
            return row.status();
        later = *row;
        m_later.reset();
    }
    if (!traded && !later) {
        m_week.clear();
        return Status::ok();
    }
    if (Status st = flushWeek(code); !st)
        return st;
    return m_carry ? carryForward(code, traded) : Status::ok();
}

// Reads the issue's days of from..to in date order, writing each week as the next one begins; the last
// week read is left in m_week. traded is set once a day with a close follows (or is) a day with an open
// within a week, and is not reset at a week change.
Status WeeklyBuilder::readDays(std::int32_t code, Date from, Date to, bool& traded) {
    int prevWeekday = 0;
    std::optional<Date> prevDate;
    bool weekOpen = false;
    m_days.reset();
    m_days.bindAll(code, from, to);
    for (;;) {
        auto row = m_days.step();
        if (!row)
            return row.status();
        if (!*row)
            break;
        auto d = m_days.date(0);
        if (!d)
            continue;
        const int weekday = d->weekday();
        // A new week begins when the weekday number falls, or when a whole week or more was skipped.
        if (prevDate && (prevWeekday > weekday || prevDate->daysUntil(*d) >= 7)) {
            if (Status st = flushWeek(code); !st)
                return st;
            weekOpen = false;
        }
        prevWeekday = weekday;
        prevDate = *d;
        Day day{*d, m_days.int32(1), m_days.int32(2), m_days.int32(3), m_days.int32(4), m_days.currency(5)};
        weekOpen = weekOpen || day.open != 0;
        traded = traded || (weekOpen && day.close != 0);
        m_week.push_back(day);
    }
    m_days.reset();
    return Status::ok();
}

// The weeks after the span, built before it from their own days, as one build from the span's start
// gives them: the weeks without trading up to the first week with trading take the reference close
// carried out of the span, and that week its change against it. An issue that traded in the span and
// in no later week has every later week written again, its last one included.
Status WeeklyBuilder::carryForward(std::int32_t code, bool traded) {
    const std::int32_t carried = m_carried.value_or(0);
    struct Relink {
        Date date;
        std::int32_t change, reference;
    };
    std::vector<Relink> relinks;
    bool tradedAfter = false;
    m_after.reset();
    m_after.bindAll(code, m_end);
    for (;;) {
        auto row = m_after.step();
        if (!row)
            return row.status();
        if (!*row)
            break;
        auto date = m_after.date(0);
        if (!date)
            continue;
        const std::int32_t close = m_after.int32(1);
        const bool whole = !m_after.isNull(2) && !m_after.isNull(3);
        const std::int32_t change = close != 0 && carried != 0 ? close - carried : 0;
        const std::int32_t reference = close != 0 ? close : carried;
        if (!whole || m_after.int32(2) != change || m_after.int32(3) != reference)
            relinks.push_back({*date, change, reference});
        if (close != 0) {
            tradedAfter = true;
            break;
        }
    }
    m_after.reset();
    for (const Relink& r : relinks)
        if (Status st = m_relink.bindAll(code, r.date, r.change, r.reference).run(); !st)
            return st;
    if (tradedAfter || !traded)
        return Status::ok();
    m_past = true;
    bool unused = true;
    if (Status st = readDays(code, m_end.addDays(1), *Date::fromYmd(9999, 12, 31), unused); !st)
        return st;
    return flushWeek(code);
}

Status WeeklyBuilder::deleteStale() {
    for (const auto& [key, row] : m_stored) {
        if (row.kept)
            continue;
        if (Status st = m_delete.bindAll(key / 100000000LL, key % 100000000LL).run(); !st)
            return st;
    }
    return Status::ok();
}

Status buildMarket(db::Database& db, Date start, Date end, const ImportProgress& progress, bool carry) {
    auto count = db.queryInt("SELECT Count(コード) AS wcount FROM Mei");
    if (!count)
        return count.status();
    const long long issues = count->value_or(0);
    ScopedCacheSize cache(db, kBulkCacheKib);
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    WeeklyBuilder builder(db, start, end, 0, carry);
    if (Status st = builder.prepare(); !st)
        return st;
    auto list = db.prepare("SELECT コード FROM Mei ORDER BY 市場コード, コード");
    if (!list)
        return list.status();
    if (progress.percent)
        progress.percent(0);
    PercentCounter counter(progress, issues);
    for (;;) {
        auto row = list->step();
        if (!row)
            return row.status();
        if (!*row)
            break;
        counter.next();
        if (Status st = builder.buildIssue(list->int32(0)); !st)
            return st;
    }
    list->reset();
    if (Status st = builder.deleteStale(); !st)
        return st;
    return tx.commit();
}

} // namespace

Status BuildWeeklyBars(db::Database& db, Date start, Date end, const ImportProgress& progress) {
    return buildMarket(db, start, end, progress, false);
}

Status BuildWeeklyBarsBefore(db::Database& db, Date start, Date end) {
    return buildMarket(db, start, end, {}, true);
}

Status buildIssueWeeklyBars(db::Database& db, std::int32_t code, Date start, Date end) {
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    WeeklyBuilder builder(db, start, end, code);
    if (Status st = builder.prepare(); !st)
        return st;
    if (Status st = builder.buildIssue(code); !st)
        return st;
    if (Status st = builder.deleteStale(); !st)
        return st;
    return tx.commit();
}

} // namespace kestrel::import
