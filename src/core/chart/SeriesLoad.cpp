// loadSeries: one ordered range scan of the bar table, the chart's own row reader and split adjustment,
// and for monthly bars the aggregation of the adjusted days.
#include "core/chart/SeriesLoad.h"

#include "core/chart/ChartRead.h"
#include "core/db/BarTable.h"
#include "core/db/SplitRatio.h"
#include "core/db/SplitTable.h"

#include <algorithm>
#include <string>

namespace kestrel::chart {
namespace {

Result<BarUnits> readUnits(db::Database& db, std::int32_t code) {
    auto st = db.cached("SELECT 出来高単位, 株価単位 FROM Mei WHERE コード=?1");
    if (!st)
        return st.status();
    db::ResetOnExit done(**st);
    (*st)->bindAll(static_cast<std::int64_t>(code));
    auto row = (*st)->step();
    if (!row)
        return row.status();
    BarUnits units;
    if (*row)
        units = {unitValue(**st, 0), unitValue(**st, 1)};
    return units;
}

// The stored bars of the range as read, closeCarried following the closes.
Status readSeriesBars(db::Database& db, std::int32_t code, bool weekly, BarUnits units, Date from, Date to,
                      std::vector<SeriesBar>& out) {
    const std::string sql = std::string("SELECT 日付, 始値, 高値, 安値, 終値, 前日比, 出来高") +
                            (weekly ? ", 売残, 買残 FROM weekData" : " FROM dayData") +
                            " WHERE コード=?1 AND 日付 BETWEEN ?2 AND ?3 ORDER BY 日付";
    auto st = db.cached(sql);
    if (!st)
        return st.status();
    db::ResetOnExit done(**st);
    (*st)->bindAll(static_cast<std::int64_t>(code), from, to);
    Currency lastClose;
    for (;;) {
        auto more = (*st)->step();
        if (!more)
            return more.status();
        if (!*more)
            break;
        SeriesBar& bar = out.emplace_back();
        if (Status s = readBarRow(**st, 0, units, weekly, bar); !s)
            return s;
        if (bar.close.raw() != 0)
            lastClose = bar.close;
        bar.closeCarried = lastClose;
    }
    return Status::ok();
}

// The weekly balances of the range, adjusted as the weekly chart adjusts them.
Result<std::vector<MarginWeek>> readMarginWeeks(db::Database& db, std::int32_t code, Date from, Date to,
                                                const std::vector<db::SplitEvent>& events, bool splitAdjust) {
    auto st =
        db.cached("SELECT 日付, 売残, 買残 FROM weekData WHERE コード=?1 AND 日付 BETWEEN ?2 AND ?3 ORDER BY 日付");
    if (!st)
        return st.status();
    db::ResetOnExit done(**st);
    (*st)->bindAll(static_cast<std::int64_t>(code), from, to);
    std::vector<MarginWeek> weeks;
    for (;;) {
        auto more = (*st)->step();
        if (!more)
            return more.status();
        if (!*more)
            break;
        auto date = (*st)->date(0);
        if (!date)
            continue;
        MarginWeek w{*date, unitValue(**st, 1), unitValue(**st, 2)};
        if (splitAdjust && !events.empty()) {
            const db::SplitRatio f = db::ratioAfter(events, w.date);
            w.sellBalance = f.count(w.sellBalance);
            w.buyBalance = f.count(w.buyBalance);
        }
        weeks.push_back(w);
    }
    return weeks;
}

Result<std::optional<Date>> oneDate(db::Database& db, const char* sql, Date day) {
    auto st = db.cached(sql);
    if (!st)
        return st.status();
    db::ResetOnExit done(**st);
    (*st)->bindAll(day);
    auto row = (*st)->step();
    if (!row)
        return row.status();
    return *row ? (*st)->date(0) : std::nullopt;
}

int monthKey(Date d) {
    return d.year() * 12 + d.month() - 1;
}

Date firstOfMonth(int key) {
    return *Date::fromYmd(key / 12, key % 12 + 1, 1);
}

} // namespace

std::vector<SeriesBar> monthlyBars(std::span<const SeriesBar> days, std::span<const MarginWeek> weeks) {
    std::vector<SeriesBar> months;
    std::size_t w = 0;
    Currency carried; // the last non-zero close of the months before
    std::size_t i = 0;
    while (i < days.size()) {
        const int key = monthKey(days[i].date);
        SeriesBar m;
        m.date = days[i].date;
        Currency open;
        bool traded = false;
        for (; i < days.size() && monthKey(days[i].date) == key; ++i) {
            const SeriesBar& d = days[i];
            if (open.raw() == 0 && d.open.raw() != 0)
                open = d.open;
            if (!traded)
                m.date = d.date; // the last stored day, while nothing traded
            if (d.close.raw() == 0 || open.raw() == 0)
                continue;
            if (!traded || d.high > m.high)
                m.high = d.high;
            if (m.low.raw() == 0 || (d.low.raw() != 0 && d.low < m.low))
                m.low = d.low;
            traded = true;
            m.close = d.close;
            m.date = d.date;
            m.volume += d.volume;
        }
        if (traded) {
            m.open = open;
            if (carried.raw() != 0)
                m.change = Currency::fromRaw(m.close.raw() - carried.raw());
            carried = m.close;
        } else {
            m.high = m.low = Currency();
        }
        m.closeCarried = carried;
        // The month's last weekly balances: the last week dated within the month (weeks are in order).
        while (w < weeks.size() && monthKey(weeks[w].date) < key)
            ++w;
        for (; w < weeks.size() && monthKey(weeks[w].date) == key; ++w) {
            m.sellBalance = weeks[w].sellBalance;
            m.buyBalance = weeks[w].buyBalance;
        }
        months.push_back(m);
    }
    return months;
}

bool monthForming(Date lastBar, std::optional<Date> nextMarketDay, Date latestMarketDay) {
    const int key = monthKey(lastBar);
    if (nextMarketDay)
        return monthKey(*nextMarketDay) == key;
    if (monthKey(latestMarketDay) > key)
        return false;
    for (Date d = std::max(lastBar, latestMarketDay).addDays(1); monthKey(d) == key; d = d.addDays(1))
        if (!d.isWeekend() && !(d.month() == 12 && d.day() == 31))
            return true;
    return false;
}

Result<BarSeries> loadSeries(db::Database& db, std::int32_t code, const SeriesRequest& request) {
    BarSeries series;
    series.code = code;
    series.mode = request.mode;
    const bool weekly = request.mode == BarMode::Weekly;
    const bool monthly = request.mode == BarMode::Monthly;
    // A month is taken whole, with the month before it as the reference of its change.
    Date from = request.from.value_or(Date::fromSerial(0));
    if (monthly && request.from)
        from = firstOfMonth(monthKey(*request.from) - 1);
    if (request.to < from)
        return series;

    auto units = readUnits(db, code);
    if (!units)
        return units.status();
    std::vector<SeriesBar> bars;
    bars.reserve(request.from ? 256 : weekly ? 1400 : 6600); // room for 25 years of days
    if (Status st = readSeriesBars(db, code, weekly, *units, from, request.to, bars); !st)
        return st;
    if (bars.empty())
        return series;

    std::vector<db::SplitEvent> events;
    if (request.splitAdjust || weekly) {
        auto listed = db::listSplits(db, code, true);
        if (!listed)
            return listed.status();
        events = std::move(*listed);
        if (Status st = adjustBars(db, code, weekly, request.splitAdjust, *units, events, std::span<SeriesBar>(bars),
                                   std::span<std::uint8_t>());
            !st)
            return st;
    }
    if (!monthly) {
        series.bars = std::move(bars);
        return series;
    }

    auto weeks = readMarginWeeks(db, code, from, request.to, events, request.splitAdjust);
    if (!weeks)
        return weeks.status();
    series.bars = monthlyBars(bars, *weeks);
    if (request.from) {
        const int firstKey = monthKey(*request.from);
        auto keep = std::find_if(series.bars.begin(), series.bars.end(),
                                 [&](const SeriesBar& b) { return monthKey(b.date) >= firstKey; });
        series.bars.erase(series.bars.begin(), keep);
        if (series.bars.empty())
            return series;
    }
    auto next = oneDate(db, "SELECT min(日付) FROM dayData WHERE 日付 > ?1", request.to);
    if (!next)
        return next.status();
    auto latest = oneDate(db, "SELECT max(日付) FROM dayData WHERE 日付 <= ?1", request.to);
    if (!latest)
        return latest.status();
    SeriesBar& last = series.bars.back();
    last.forming = monthForming(last.date, *next, latest->value_or(last.date));
    return series;
}

SeriesView viewLastBars(const BarSeries& series, Date chartDate, int bars) {
    const auto& b = series.bars;
    const auto end =
        std::upper_bound(b.begin(), b.end(), chartDate, [](Date d, const SeriesBar& bar) { return d < bar.date; });
    SeriesView v;
    v.last = static_cast<int>(end - b.begin()) - 1;
    v.first = std::max(0, v.last - std::max(bars, 1) + 1);
    if (v.last < 0)
        v.first = 0;
    return v;
}

SeriesView viewFromDate(const BarSeries& series, Date from, Date chartDate) {
    const auto& b = series.bars;
    SeriesView v = viewLastBars(series, chartDate, series.size());
    const auto start =
        std::lower_bound(b.begin(), b.end(), from, [](const SeriesBar& bar, Date d) { return bar.date < d; });
    v.first = static_cast<int>(start - b.begin());
    return v;
}

} // namespace kestrel::chart
