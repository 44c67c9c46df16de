// The market's bars for a range of trading days in one ordered read, and each issue's chart from them.
#include "core/scan/MarketScan.h"

#include "core/chart/SplitAdjust.h"
#include "core/db/BarTable.h"
#include "core/db/SplitRatio.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <thread>
#include <unordered_map>

namespace kestrel::scan {
namespace {

// The market size from which the bars are read by two connections at once.
constexpr size_t kTwoReadersFrom = 300;

std::string columns(bool weekly, const char* prefix) {
    std::string s;
    for (const char* c : {"日付", "始値", "高値", "安値", "終値", "前日比", "出来高", "売残", "買残"}) {
        if (!weekly && (std::string(c) == "売残" || std::string(c) == "買残"))
            break;
        s += s.empty() ? "" : ", ";
        s += prefix;
        s += c;
    }
    return s;
}

StoredBar stored(const chart::ChartBar& b) {
    StoredBar s;
    s.date = b.date;
    s.volume = b.volume;
    s.sellBalance = b.sellBalance;
    s.buyBalance = b.buyBalance;
    s.open = b.open.raw();
    s.high = b.high.raw();
    s.low = b.low.raw();
    s.close = b.close.raw();
    s.change = b.change.raw();
    return s;
}

// A stored row read from its integers (日付, the five prices, 出来高, and for weekly bars 売残, 買残) as
// readBarRow reads it; false for a value near a field's limit, which readBarRow then reads and judges.
bool storedFromIntegers(const std::int64_t* v, chart::BarUnits units, bool weekly, StoredBar& s) {
    constexpr std::int64_t kWholeMax = std::numeric_limits<std::int64_t>::max() / Currency::kScale;
    constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
    std::int64_t* prices[5] = {&s.open, &s.high, &s.low, &s.close, &s.change};
    for (int f = 0; f < 5; ++f) {
        std::int64_t whole = 0;
        if (__builtin_mul_overflow(v[1 + f], static_cast<std::int64_t>(units.price), &whole) || whole > kWholeMax ||
            whole < -kWholeMax)
            return false;
        *prices[f] = whole * Currency::kScale;
    }
    if (__builtin_mul_overflow(v[6], static_cast<std::int64_t>(units.volume), &s.volume) || s.volume > kWholeMax ||
        s.volume < -kWholeMax)
        return false;
    if (weekly) {
        // The balances are 32-bit fields, read as readBarRow reads them.
        if (v[7] > kInt32Max || v[7] < -kInt32Max || v[8] > kInt32Max || v[8] < -kInt32Max)
            return false;
        s.sellBalance = v[7];
        s.buyBalance = v[8];
    } else {
        s.sellBalance = s.buyBalance = 0;
    }
    s.date = Date::fromYmdInt(v[0]).value_or(Date());
    return true;
}

const char* storedTable(chart::BarMode mode) {
    return db::barTableName(mode == chart::BarMode::Weekly ? db::BarTable::Weekly : db::BarTable::Daily);
}

int monthKey(Date d) {
    return d.year() * 12 + d.month() - 1;
}

// The last day of each month among ascending days.
std::vector<Date> monthEnds(const std::vector<Date>& days) {
    std::vector<Date> out;
    for (size_t i = 0; i < days.size(); ++i)
        if (i + 1 == days.size() || monthKey(days[i + 1]) != monthKey(days[i]))
            out.push_back(days[i]);
    return out;
}

Result<std::vector<Date>> dateList(db::Statement& st) {
    std::vector<Date> out;
    Status s = st.forEachRow([&] {
        if (auto d = st.date(0))
            out.push_back(*d);
    });
    if (!s)
        return s;
    return out;
}

} // namespace

Result<std::optional<Date>> tradingDayOnOrBefore(db::Database& db, chart::BarMode mode, Date day) {
    const char* table = storedTable(mode);
    auto st = db.prepare(std::string("SELECT max(日付) FROM ") + table + " WHERE 日付<=?1");
    if (!st)
        return st.status();
    st->bind(1, day);
    auto row = st->step();
    if (!row)
        return row.status();
    return *row ? st->date(0) : std::nullopt;
}

Result<std::vector<Date>> tradingDays(db::Database& db, chart::BarMode mode, Date first, Date last) {
    const std::string table = storedTable(mode);
    // One seek on the date index for each day.
    auto st = db.prepare("WITH RECURSIVE d(x) AS (SELECT (SELECT min(日付) FROM " + table +
                         " WHERE 日付>=?1) UNION ALL SELECT (SELECT min(日付) FROM " + table +
                         " WHERE 日付>d.x) FROM d WHERE d.x IS NOT NULL AND d.x<?2) "
                         "SELECT x FROM d WHERE x IS NOT NULL AND x<=?2");
    if (!st)
        return st.status();
    st->bind(1, first).bind(2, last);
    auto days = dateList(*st);
    if (days && mode == chart::BarMode::Monthly)
        return monthEnds(*days);
    return days;
}

Result<MarketBars> MarketBars::read(db::Database& db, const ScanOptions& options, Date first, Date last, int after,
                                    TechnicalHistory history, ReadScope scope) {
    MarketBars m;
    m.m_db = &db;
    m.m_options = options;
    m.m_windowBars = std::clamp(scope.windowBars, 1, chart::kMaxBars);
    const bool weekly = options.mode == chart::BarMode::Weekly;
    const bool monthly = options.mode == chart::BarMode::Monthly;
    const std::string table = storedTable(options.mode);
    // The bars (months when monthly) wanted up to the first day; a month more than the window holds gives
    // the oldest month's change its reference.
    const int wantBars = std::max(m.m_windowBars, history.bars) + (monthly ? 1 : 0);

    // The 110th trading day on or before `first`: the oldest bar a window of that day can hold. Each
    // step is one seek on the date index.
    auto lowSt = db.prepare("WITH RECURSIVE d(x, k) AS (SELECT (SELECT max(日付) FROM " + table +
                            " WHERE 日付<=?1), 1 UNION ALL SELECT (SELECT max(日付) FROM " + table +
                            " WHERE 日付<d.x), k+1 FROM d WHERE d.x IS NOT NULL AND k<?2) SELECT min(x) FROM d");
    if (!lowSt)
        return lowSt.status();
    lowSt->bind(1, first).bind(2, wantBars);
    auto lowRow = lowSt->step();
    if (!lowRow)
        return lowRow.status();
    Date low = (*lowRow ? lowSt->date(0) : std::nullopt).value_or(first);
    if (monthly) {
        const int key = monthKey(first) - (wantBars - 1);
        low = *Date::fromYmd(key / 12, key % 12 + 1, 1);
    }

    auto days = tradingDays(db, options.mode, first, last);
    if (!days)
        return days.status();
    m.m_days = std::move(*days);
    if (after > 0) {
        auto moreSt = db.prepare("WITH RECURSIVE d(x, k) AS (SELECT (SELECT min(日付) FROM " + table +
                                 " WHERE 日付>?1), 1 UNION ALL SELECT (SELECT min(日付) FROM " + table +
                                 " WHERE 日付>d.x), k+1 FROM d WHERE d.x IS NOT NULL AND k<?2) "
                                 "SELECT x FROM d WHERE x IS NOT NULL");
        if (!moreSt)
            return moreSt.status();
        // Monthly: the days of `after` more months (23 trading days at most each), their last days kept.
        moreSt->bind(1, last).bind(2, monthly ? after * 23 + 23 : after);
        auto more = dateList(*moreSt);
        if (!more)
            return more.status();
        if (monthly) {
            // The days of last's own month after it are left out: the range's month ends at last.
            std::erase_if(*more, [&](Date d) { return monthKey(d) == monthKey(last); });
            *more = monthEnds(*more);
            if (more->size() > static_cast<size_t>(after))
                more->resize(static_cast<size_t>(after));
        }
        m.m_days.insert(m.m_days.end(), more->begin(), more->end());
    }
    if (m.m_days.empty())
        return m;
    const Date firstDay = m.m_days.front();
    const Date high = m.m_days.back();

    struct MeiRow {
        chart::BarUnits units;
        std::string name;
    };
    std::unordered_map<std::int32_t, MeiRow> mei;
    auto meiSt = db.prepare("SELECT コード, 出来高単位, 株価単位, 銘柄 FROM Mei");
    if (!meiSt)
        return meiSt.status();
    if (Status s = meiSt->forEachRow([&] {
            mei[meiSt->int32(0)] = {{chart::unitValue(*meiSt, 1), chart::unitValue(*meiSt, 2)}, meiSt->text(3)};
        });
        !s)
        return s;

    std::unordered_map<std::int32_t, std::vector<db::SplitEvent>> events;
    if (options.splitAdjust || weekly) {
        auto all = db::listSplits(db, 0, true);
        if (!all)
            return all.status();
        for (const db::SplitEvent& e : *all)
            events[e.code].push_back(e);
    }

    // Every issue's bars of the needed days, for the codes from..to-1: the codes by a walk of the key (one
    // seek each), each code's days by a range of the key. Rows come by code, then date.
    // With scope.codes, the codes come from that list (a JSON array bound as ?5), in its order.
    std::string codesJson;
    if (scope.codes) {
        codesJson = "[";
        for (std::int32_t c : *scope.codes)
            codesJson += (codesJson.size() > 1 ? "," : "") + std::to_string(c);
        codesJson += "]";
    }
    const std::string codesSql = scope.codes
                                     ? "WITH c(x) AS (SELECT value FROM json_each(?5) WHERE value>=?3 AND value<?4)"
                                     : "WITH RECURSIVE c(x) AS (SELECT (SELECT min(コード) FROM " + table +
                                           " WHERE コード>=?3) UNION ALL SELECT (SELECT min(コード) FROM " + table +
                                           " WHERE コード>c.x) FROM c WHERE c.x IS NOT NULL AND c.x<?4)";
    const std::string barsSql = codesSql + " SELECT b.コード, " + columns(weekly, "b.") + " FROM c CROSS JOIN " +
                                table + " AS b WHERE c.x<?4 AND b.コード=c.x AND b.日付 BETWEEN ?1 AND ?2";
    auto readCodes = [&](db::Database& conn, std::int64_t from, std::int64_t to, std::vector<Issue>& out) -> Status {
        auto barsSt = conn.prepare(barsSql);
        if (!barsSt)
            return barsSt.status();
        barsSt->bind(1, low).bind(2, high).bind(3, from).bind(4, to);
        if (scope.codes)
            barsSt->bind(5, codesJson);
        Issue* cur = nullptr;
        chart::ChartBar bar;
        const int columnCount = weekly ? 10 : 8;
        std::int64_t values[10];
        for (;;) {
            auto more = barsSt->step();
            if (!more)
                return more.status();
            if (!*more)
                return Status::ok();
            const bool integers = barsSt->integers(0, columnCount, values);
            const std::int32_t code = integers ? static_cast<std::int32_t>(values[0]) : barsSt->int32(0);
            if (!cur || cur->code != code) {
                if (cur && code < cur->code)
                    return Status::error("株価データーの読み込み順が不正です。");
                Issue& is = out.emplace_back();
                is.code = code;
                if (auto it = mei.find(code); it != mei.end()) {
                    is.units = it->second.units;
                    is.name = it->second.name;
                }
                if (auto it = events.find(code); it != events.end())
                    is.events = it->second;
                cur = &is;
            }
            if (integers) {
                StoredBar& s = cur->bars.emplace_back();
                if (storedFromIntegers(values + 1, cur->units, weekly, s))
                    continue;
                cur->bars.pop_back();
            }
            bar = chart::ChartBar{};
            if (Status s = chart::readBarRow(*barsSt, 1, cur->units, weekly, bar); !s) {
                cur->faults.push_back(static_cast<int>(cur->bars.size()));
                cur->faultMessage = s.message();
                bar.date = barsSt->date(1).value_or(Date());
            }
            cur->bars.push_back(stored(bar));
        }
    };

    // A large market is read by two connections at once, the upper half of the codes by a second one on
    // its own thread, so that the disk has two reads to serve. The second connection sees only committed
    // data: inside a transaction of this one, or where no second connection opens, one reads it all.
    const std::int64_t lowest = options.codeFrom, beyond = options.codeTo;
    std::int64_t split = beyond;
    const size_t issuesRead = scope.codes ? scope.codes->size() : mei.size();
    if (issuesRead >= kTwoReadersFrom && db.inAutocommit()) {
        std::vector<std::int32_t> codes;
        codes.reserve(issuesRead);
        auto take = [&](std::int32_t code) {
            if (code >= lowest && code < beyond)
                codes.push_back(code);
        };
        if (scope.codes)
            for (std::int32_t code : *scope.codes)
                take(code);
        else
            for (const auto& [code, row] : mei)
                take(code);
        if (codes.size() >= kTwoReadersFrom) {
            std::nth_element(codes.begin(), codes.begin() + static_cast<std::ptrdiff_t>(codes.size() / 2), codes.end());
            split = codes[codes.size() / 2];
        }
    }
    std::vector<Issue> upper;
    bool upperRead = split == beyond;
    {
        std::jthread second;
        if (split != beyond)
            second = std::jthread([&] {
                try {
                    auto conn = db::Database::open(db.path(), db::OpenMode::ReadOnly);
                    upperRead = conn && readCodes(**conn, split, beyond, upper).isOk();
                } catch (...) {
                    upperRead = false;
                }
            });
        if (Status s = readCodes(db, lowest, split, m.m_issues); !s)
            return s;
    }
    if (!upperRead) {
        upper.clear();
        if (Status s = readCodes(db, split, beyond, upper); !s)
            return s;
    }
    if (!upper.empty() && !m.m_issues.empty() && upper.front().code <= m.m_issues.back().code)
        return Result<MarketBars>::error("株価データーの読み込み順が不正です。");
    m.m_issues.insert(m.m_issues.end(), std::make_move_iterator(upper.begin()), std::make_move_iterator(upper.end()));

    // An issue with fewer than the bars wanted up to the first day of the range may have older ones (a gap
    // in its trading): those are read by issue, as many as are missing, until the history asked for is
    // there or the issue has no older bar.
    auto olderSt = db.prepare("SELECT " + columns(weekly, "") + " FROM " + table +
                              " WHERE コード=?1 AND 日付<?2 ORDER BY 日付 DESC LIMIT ?3");
    if (!olderSt)
        return olderSt.status();
    chart::ChartBar bar;
    // Prepends up to `limit` bars older than the issue's first; the number read.
    auto readOlder = [&](Issue& is, int limit) -> Result<int> {
        olderSt->reset();
        olderSt->bind(1, static_cast<std::int64_t>(is.code)).bind(2, is.bars.front().date);
        olderSt->bind(3, limit);
        std::vector<StoredBar> older;
        std::vector<int> olderFaults;
        std::string olderMessage;
        Status s = olderSt->forEachRow([&] {
            bar = chart::ChartBar{};
            if (Status r = chart::readBarRow(*olderSt, 0, is.units, weekly, bar); !r) {
                olderFaults.push_back(static_cast<int>(older.size()));
                olderMessage = r.message();
                bar.date = olderSt->date(0).value_or(Date());
            }
            older.push_back(stored(bar));
        });
        if (!s)
            return s;
        const int n = static_cast<int>(older.size());
        if (n > 0) {
            for (int& f : is.faults)
                f += n;
            for (int f : olderFaults)
                is.faults.push_back(n - 1 - f);
            if (!olderMessage.empty())
                is.faultMessage = olderMessage;
            std::reverse(older.begin(), older.end());
            is.bars.insert(is.bars.begin(), older.begin(), older.end());
        }
        return n;
    };
    constexpr int kOlderStep = 64; // bars read at a time while looking for traded ones
    // Monthly: the months (and the traded ones) among bars [begin, end), and the daily rows a month takes.
    const int rowsPerBar = monthly ? 23 : 1;
    auto countBars = [&](auto begin, auto end, bool traded) {
        if (!monthly)
            return static_cast<int>(traded ? std::count_if(begin, end, [](const StoredBar& b) { return b.close != 0; })
                                           : end - begin);
        int n = 0, key = -1;
        bool counted = false;
        for (auto b = begin; b != end; ++b) {
            if (monthKey(b->date) != key) {
                key = monthKey(b->date);
                counted = false;
            }
            if (!counted && (!traded || b->close != 0)) {
                ++n;
                counted = true;
            }
        }
        return n;
    };
    std::vector<Issue> kept;
    kept.reserve(m.m_issues.size());
    for (Issue& is : m.m_issues) {
        if (is.bars.empty() || is.bars.back().date < firstDay)
            continue; // no bar on any day of the range
        for (;;) {
            const auto upTo = std::upper_bound(is.bars.begin(), is.bars.end(), firstDay,
                                               [](Date d, const StoredBar& b) { return d < b.date; });
            const int upToFirst = countBars(is.bars.begin(), upTo, false);
            int limit = 0;
            if (upToFirst < wantBars) {
                limit = (wantBars - upToFirst) * rowsPerBar;
            } else if (history.tradedBars > 0) {
                const int traded = countBars(is.bars.begin(), upTo, true);
                if (traded < history.tradedBars)
                    limit = std::max(history.tradedBars - traded, kOlderStep) * rowsPerBar;
            }
            if (limit == 0 && history.tradedStart && is.bars.front().close == 0)
                limit = kOlderStep;
            if (limit == 0)
                break;
            auto got = readOlder(is, limit);
            if (!got)
                return got.status();
            if (*got < limit)
                break; // the issue has no older bar
        }
        kept.push_back(std::move(is));
    }
    m.m_issues = std::move(kept);
    if (monthly)
        if (Status s = m.readMarginWeeks(db); !s)
            return s;
    return m;
}

Status MarketBars::readMarginWeeks(db::Database& db) {
    if (m_issues.empty() || m_days.empty())
        return Status::ok();
    Date from = m_days.front();
    for (const Issue& is : m_issues)
        from = std::min(from, is.bars.front().date);
    auto st =
        db.prepare("SELECT コード, 日付, 売残, 買残 FROM weekData WHERE 日付 BETWEEN ?1 AND ?2 ORDER BY コード, 日付");
    if (!st)
        return st.status();
    st->bind(1, from).bind(2, m_days.back());
    auto it = m_issues.begin();
    return st->forEachRow([&] {
        const std::int32_t code = st->int32(0);
        it = std::lower_bound(it, m_issues.end(), code, [](const Issue& is, std::int32_t c) { return is.code < c; });
        if (it == m_issues.end() || it->code != code) {
            it = m_issues.begin();
            return;
        }
        auto date = st->date(1);
        if (!date || *date < it->bars.front().date)
            return;
        chart::MarginWeek w{*date, chart::unitValue(*st, 2), chart::unitValue(*st, 3)};
        if (m_options.splitAdjust && !it->events.empty()) {
            const db::SplitRatio f = db::ratioAfter(it->events, w.date);
            w.sellBalance = f.count(w.sellBalance);
            w.buyBalance = f.count(w.buyBalance);
        }
        it->weeks.push_back(w);
    });
}

namespace {

// A chart as a fresh ChartData holds it, but for bars[0 .. n-1], which the caller fills whole: the bars
// beyond cleared, every other field set anew (a full clear would write 17 KB per chart).
void clearAllButBars(chart::ChartData& d, int n) {
    static const chart::ChartData fresh;
    std::fill(d.bars.begin() + n, d.bars.end(), chart::ChartBar{});
    d.splitFlags = fresh.splitFlags;
    d.barCount = fresh.barCount;
    d.center = fresh.center;
    d.latestDate = fresh.latestDate;
    d.scrollStartDate = fresh.scrollStartDate;
    d.maxHigh = fresh.maxHigh;
    d.minLow = fresh.minLow;
    d.maxVolume = fresh.maxVolume;
    d.minVolume = fresh.minVolume;
    d.maxBalance = fresh.maxBalance;
    d.priceTop = fresh.priceTop;
    d.priceBottom = fresh.priceBottom;
    d.itoMax = fresh.itoMax;
    d.fitC = fresh.fitC;
    d.fitB = fresh.fitB;
    d.fitA = fresh.fitA;
    d.lastLoadedCode = fresh.lastLoadedCode;
    d.lastLoadedMode = fresh.lastLoadedMode;
    d.scrollSmallChange = fresh.scrollSmallChange;
    d.scrollLargeChange = fresh.scrollLargeChange;
}

} // namespace

Result<bool> MarketBars::chartAt(int issue, Date day, chart::ChartData& out) const {
    return chartAt(issue, day, out, -1);
}

Result<bool> MarketBars::seriesAt(int issue, Date day, int bars, chart::ChartData& out) const {
    return chartAt(issue, day, out, std::max(bars, 0));
}

namespace {

// A stored bar's date, prices, volume and balances into a chart or series bar (closeCarried is the caller's).
template <typename Bar> void storedInto(const StoredBar& s, Bar& b) {
    b.date = s.date;
    b.open = Currency::fromRaw(s.open);
    b.high = Currency::fromRaw(s.high);
    b.low = Currency::fromRaw(s.low);
    b.close = Currency::fromRaw(s.close);
    b.change = Currency::fromRaw(s.change);
    b.volume = s.volume;
    b.sellBalance = s.sellBalance;
    b.buyBalance = s.buyBalance;
}

} // namespace

Result<bool> MarketBars::chartAt(int issue, Date day, chart::ChartData& out, int seriesBars) const {
    if (m_options.mode == chart::BarMode::Monthly) {
        thread_local chart::BarSeries months;
        auto has = barSeriesAt(issue, day, months);
        if (!has || !*has)
            return has;
        const int n = std::min(m_windowBars, months.size());
        const int start = months.size() - n;
        clearAllButBars(out, n);
        for (int i = 0; i < n; ++i) {
            const chart::SeriesBar& s = months.bars[static_cast<size_t>(start + i)];
            out.bars[static_cast<size_t>(i)] = chart::chartBarOf(s);
        }
        out.barCount = static_cast<std::int16_t>(n);
        if (seriesBars < 0)
            chart::computeIndicators(out, m_options.settings);
        else
            chart::computeSeries(out, m_options.settings, n - seriesBars);
        return true;
    }
    const bool weekly = m_options.mode == chart::BarMode::Weekly;
    const Issue& is = m_issues[static_cast<size_t>(issue)];
    auto it =
        std::upper_bound(is.bars.begin(), is.bars.end(), day, [](Date d, const StoredBar& b) { return d < b.date; });
    if (it == is.bars.begin() || (it - 1)->date != day)
        return false;
    const int end = static_cast<int>(it - is.bars.begin());
    const int start = std::max(0, end - m_windowBars);
    for (int f : is.faults)
        if (f >= start && f < end)
            return Result<bool>::error(is.faultMessage);
    const int n = end - start;
    clearAllButBars(out, n);
    Currency lastClose;
    for (int i = 0; i < n; ++i) {
        const StoredBar& s = is.bars[static_cast<size_t>(start + i)];
        chart::ChartBar b;
        storedInto(s, b);
        if (s.close != 0)
            lastClose = b.close;
        b.closeCarried = lastClose;
        out.bars[static_cast<size_t>(i)] = b;
    }
    out.barCount = static_cast<std::int16_t>(n);
    Status st = seriesBars < 0
                    ? chart::finishChart(*m_db, is.code, weekly, m_options.splitAdjust, is.units, is.events,
                                         m_options.settings, out)
                    : chart::adjustChart(*m_db, is.code, weekly, m_options.splitAdjust, is.units, is.events, out);
    if (!st)
        return st;
    if (seriesBars >= 0)
        chart::computeSeries(out, m_options.settings, n - seriesBars);
    return true;
}

Result<bool> MarketBars::barSeriesAt(int issue, Date day, chart::BarSeries& out) const {
    auto has = heldSeriesAt(issue, day, out);
    if (!has || !*has || m_options.mode != chart::BarMode::Monthly)
        return has;
    const auto& weeks = m_issues[static_cast<size_t>(issue)].weeks;
    const auto weeksEnd = std::upper_bound(weeks.begin(), weeks.end(), day,
                                           [](Date d, const chart::MarginWeek& w) { return d < w.date; });
    out.bars = chart::monthlyBars(out.bars, std::span<const chart::MarginWeek>(weeks.begin(), weeksEnd));
    out.mode = chart::BarMode::Monthly;
    return true;
}

Result<bool> MarketBars::heldSeriesAt(int issue, Date day, chart::BarSeries& out) const {
    const bool weekly = m_options.mode == chart::BarMode::Weekly;
    const Issue& is = m_issues[static_cast<size_t>(issue)];
    auto it =
        std::upper_bound(is.bars.begin(), is.bars.end(), day, [](Date d, const StoredBar& b) { return d < b.date; });
    if (it == is.bars.begin() || (it - 1)->date != day)
        return false;
    const auto end = static_cast<size_t>(it - is.bars.begin());
    for (int f : is.faults)
        if (static_cast<size_t>(f) < end)
            return Result<bool>::error(is.faultMessage);
    out.code = is.code;
    out.mode = weekly ? chart::BarMode::Weekly : chart::BarMode::Daily;
    out.bars.resize(end);
    Currency lastClose;
    for (size_t i = 0; i < end; ++i) {
        const StoredBar& s = is.bars[i];
        chart::SeriesBar& b = out.bars[i];
        b = chart::SeriesBar{};
        storedInto(s, b);
        if (s.close != 0)
            lastClose = b.close;
        b.closeCarried = lastClose;
    }
    if (m_options.splitAdjust || weekly) {
        if (Status st = chart::adjustBars(*m_db, is.code, weekly, m_options.splitAdjust, is.units, is.events,
                                          std::span<chart::SeriesBar>(out.bars), std::span<std::uint8_t>());
            !st)
            return st;
    }
    return true;
}

std::optional<Currency> MarketBars::closeOn(int issue, Date day) const {
    const Issue& is = m_issues[static_cast<size_t>(issue)];
    auto it =
        std::upper_bound(is.bars.begin(), is.bars.end(), day, [](Date d, const StoredBar& b) { return d < b.date; });
    if (it == is.bars.begin())
        return std::nullopt;
    const StoredBar& s = *(it - 1);
    if (!m_options.splitAdjust || is.events.empty())
        return Currency::fromRaw(s.close);
    chart::ChartData one;
    one.bars[0].date = s.date;
    one.bars[0].close = Currency::fromRaw(s.close);
    one.barCount = 1;
    chart::adjustForSplits(one, is.events, m_options.mode == chart::BarMode::Weekly);
    return one.bars[0].close;
}

Result<std::optional<Currency>> MarketBars::tradedClose(int issue, Date day) const {
    const Issue& is = m_issues[static_cast<size_t>(issue)];
    auto it =
        std::upper_bound(is.bars.begin(), is.bars.end(), day, [](Date d, const StoredBar& b) { return d < b.date; });
    const auto held = it - is.bars.begin();
    for (auto b = it; b != is.bars.begin();)
        if ((--b)->close > 0)
            return std::optional<Currency>(Currency::fromRaw(b->close));
    if (m_windowBars >= chart::kMaxBars || held < m_windowBars)
        return std::optional<Currency>(); // the window held is the chart's, or the issue's whole history
    const std::string table = storedTable(m_options.mode);
    auto st = m_db->prepare("SELECT 終値 FROM (SELECT 日付, 終値 FROM " + table +
                            " WHERE コード=?1 AND 日付<=?2 ORDER BY 日付 DESC LIMIT ?3) WHERE 終値>0 ORDER BY 日付 "
                            "DESC LIMIT 1");
    if (!st)
        return st.status();
    st->bind(1, static_cast<std::int64_t>(is.code)).bind(2, day).bind(3, chart::kMaxBars);
    auto row = st->step();
    if (!row)
        return row.status();
    std::int64_t whole = 0;
    if (!*row || __builtin_mul_overflow(st->int64(0), static_cast<std::int64_t>(is.units.price), &whole) ||
        whole > std::numeric_limits<std::int64_t>::max() / Currency::kScale)
        return std::optional<Currency>();
    return std::optional<Currency>(Currency::fromWhole(whole));
}

Status scanMarket(db::Database& db, const ScanOptions& options, Date day,
                  const std::function<void(std::int32_t, const std::string&, const chart::ChartData&)>& visit,
                  const std::function<void(std::int32_t, const Status&)>& fault) {
    auto market = MarketBars::read(db, options, day, day);
    if (!market)
        return market.status();
    chart::ChartData data;
    for (int i = 0; i < market->issueCount(); ++i) {
        auto has = market->chartAt(i, day, data);
        if (!has) {
            if (fault)
                fault(market->code(i), has.status());
            continue;
        }
        if (*has)
            visit(market->code(i), market->name(i), data);
    }
    return Status::ok();
}

} // namespace kestrel::scan
