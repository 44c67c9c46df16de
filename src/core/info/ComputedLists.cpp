// The ranking lists of a range of days from every issue's chart, stored as downloaded lists are.
#include "core/info/ComputedLists.h"

#include "core/app/Encoding.h"
#include "core/chart/SplitAdjust.h"
#include "core/db/Schema.h"
#include "core/scan/MarketScan.h"
#include "core/scan/ScreenRun.h"
#include "core/scan/ScreenTechnicals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace kestrel::info {
namespace {

__extension__ typedef __int128 Wide;

enum Kind {
    Rise,
    Fall,
    Volume,
    Value,
    YearHigh,
    YearLow,
    VolumeSurge,
    DevUp,
    DevDown,
    GoldenCross,
    DeadCross,
    MacdCross,
    Sanyaku,
    FperLow,
    PbrLow,
    YieldHigh,
    WeekRise,
    WeekFall,
    BuyUp,
    SellUp,
    RatioHigh,
    RatioLow,
    KindCount
};
constexpr int kFirstWeekly = WeekRise;

// What ranks a candidate: num / den (den > 0), and how its value reads.
struct Candidate {
    std::int32_t code = 0;
    Wide num = 0, den = 1;
    std::int32_t price = 0, change = 0;
    std::int64_t volume = 0;
};

__extension__ typedef unsigned __int128 UWide;

std::string grouped(UWide v) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v > 0);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

Wide power10(int n) {
    Wide p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

// num / den * scale to the nearest whole, halves away from zero (den > 0).
Wide scaledRound(Wide num, Wide den, Wide scale) {
    const Wide n = num * scale;
    Wide q = (n < 0 ? -n : n) * 2 + den;
    q /= den * 2;
    return n < 0 ? -q : q;
}

std::string decimalText(Wide v, int decimals, bool sign) {
    const UWide p = static_cast<UWide>(power10(decimals));
    const UWide a = static_cast<UWide>(v < 0 ? -v : v);
    std::string s = v < 0 ? "-" : (sign && v > 0 ? "+" : "");
    s += grouped(a / p);
    if (decimals > 0) {
        std::string frac = grouped(a % p);
        s += "." + std::string(static_cast<size_t>(decimals) - frac.size(), '0') + frac;
    }
    return s;
}

// One way of writing a figure: in units of 10^exp with `decimals` decimals, taken only while the rounded
// whole part stays below `below` (0: whenever the text fits).
struct Step {
    int exp;
    int decimals;
    const char* unit;
    long long below;
};

constexpr Step kLargeUnits[] = {{4, 0, "万", 10000},  {8, 1, "億", 1000},  {8, 0, "億", 10000}, {12, 1, "兆", 1000},
                                {12, 0, "兆", 10000}, {16, 1, "京", 1000}, {16, 0, "京", 0}};

// The first step whose text fits the field (kValueLength characters).
std::string fitted(Wide num, Wide den, bool sign, const char* suffix, std::initializer_list<Step> first) {
    std::string text;
    auto tryStep = [&](const Step& st) {
        const Wide v = scaledRound(num, den * power10(st.exp), power10(st.decimals));
        const Wide whole = (v < 0 ? -v : v) / power10(st.decimals);
        if (st.below > 0 && whole >= st.below)
            return false;
        text = decimalText(v, st.decimals, sign) + st.unit + suffix;
        return utf8Length(text) <= static_cast<size_t>(kValueLength);
    };
    for (const Step& st : first)
        if (tryStep(st))
            return text;
    for (const Step& st : kLargeUnits)
        if (tryStep(st))
            return text;
    return utf8Left(text, static_cast<size_t>(kValueLength)); // not reached for any long long figure
}

std::string valueText(int kind, const Candidate& c) {
    const auto num = static_cast<long long>(c.num), den = static_cast<long long>(c.den);
    switch (kind) {
    case Volume:
    case GoldenCross:
    case DeadCross:
    case MacdCross:
    case Sanyaku:
        return listValueText(ListValue::Shares, c.volume);
    case Value:
        return listValueText(ListValue::Yen, num);
    case VolumeSurge:
        return listValueText(ListValue::Ratio1, num, den);
    case BuyUp:
    case SellUp:
        return listValueText(ListValue::SignedShares, num);
    case RatioHigh:
    case RatioLow:
    case PbrLow:
        return listValueText(ListValue::Ratio2, num, den);
    case FperLow:
        return listValueText(ListValue::Ratio1, num, den);
    case YieldHigh:
        return listValueText(ListValue::Percent2, num, den);
    default: // rates and deviations
        return listValueText(ListValue::Rate, num, den);
    }
}

bool descending(int kind) {
    return kind != Fall && kind != YearLow && kind != DevDown && kind != WeekFall && kind != RatioLow &&
           kind != FperLow && kind != PbrLow;
}

// The top of each kind's candidates, as list rows.
std::vector<ComputedList> rank(Date day, std::vector<Candidate> (&cands)[KindCount], int from, int to) {
    std::vector<ComputedList> out;
    for (int k = from; k < to; ++k) {
        std::vector<Candidate>& v = cands[k];
        const bool desc = descending(k);
        auto before = [desc](const Candidate& a, const Candidate& b) {
            const Wide l = a.num * b.den, r = b.num * a.den;
            if (l != r)
                return desc ? l > r : l < r;
            return a.code < b.code;
        };
        const size_t n = std::min(v.size(), static_cast<size_t>(kComputedListSize));
        std::partial_sort(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n), v.end(), before);
        ComputedList& list = out.emplace_back();
        const KindLine& kind = computedKinds()[static_cast<size_t>(k)];
        list.kind = kind.code;
        list.list.date = day;
        list.list.title = kind.name;
        for (size_t i = 0; i < n; ++i) {
            ListRow r;
            r.rank = static_cast<std::int16_t>(i + 1);
            r.code = v[i].code;
            r.price = v[i].price;
            r.volume = Currency::fromWhole(v[i].volume);
            r.change = v[i].change;
            r.value = valueText(k, v[i]);
            list.list.rows.push_back(std::move(r));
        }
        list.list.declared = static_cast<int>(n);
        v.clear();
    }
    return out;
}

std::int32_t whole(Currency c) {
    return static_cast<std::int32_t>(c.roundToWhole());
}

// The running extremes of an issue's bars of one year, up to a bar.
struct YearRun {
    size_t next = 0;
    int year = 0;
    bool anyHigh = false, anyLow = false;
    Currency maxHigh, minLow;
    bool adjusted = false;
    std::vector<Currency> highs, lows; // the bars' high and low as the chart shows them
};

void prepareYearRun(const scan::MarketBars& market, int issue, YearRun& run) {
    const auto& bars = market.storedBars(issue);
    run.highs.resize(bars.size());
    run.lows.resize(bars.size());
    for (size_t i = 0; i < bars.size(); ++i) {
        run.highs[i] = Currency::fromRaw(bars[i].high);
        run.lows[i] = Currency::fromRaw(bars[i].low);
    }
    const auto& events = market.splitEvents(issue);
    if (!market.options().splitAdjust || events.empty())
        return;
    chart::ChartData chunk;
    for (size_t start = 0; start < bars.size(); start += chart::kMaxBars) {
        chunk = chart::ChartData{};
        const size_t n = std::min(bars.size() - start, static_cast<size_t>(chart::kMaxBars));
        for (size_t i = 0; i < n; ++i) {
            chart::ChartBar& b = chunk.bars[i];
            b.date = bars[start + i].date;
            b.high = run.highs[start + i];
            b.low = run.lows[start + i];
        }
        chunk.barCount = static_cast<std::int16_t>(n);
        chart::adjustForSplits(chunk, events, false);
        for (size_t i = 0; i < n; ++i) {
            run.highs[start + i] = chunk.bars[i].high;
            run.lows[start + i] = chunk.bars[i].low;
        }
    }
}

// Folds the issue's bars before `upTo` into the run of their year.
void advance(const scan::MarketBars& market, int issue, size_t upTo, YearRun& run) {
    const auto& bars = market.storedBars(issue);
    for (; run.next < upTo; ++run.next) {
        const int y = bars[run.next].date.year();
        if (y != run.year) {
            run.year = y;
            run.anyHigh = run.anyLow = false;
        }
        const Currency h = run.highs[run.next], l = run.lows[run.next];
        if (!run.anyHigh || h > run.maxHigh)
            run.maxHigh = h;
        run.anyHigh = true;
        if (l != Currency() && (!run.anyLow || l < run.minLow)) {
            run.minLow = l;
            run.anyLow = true;
        }
    }
}

scan::ScanOptions listOptions(bool weekly, bool splitAdjust) {
    scan::ScanOptions o;
    o.mode = weekly ? chart::BarMode::Weekly : chart::BarMode::Daily;
    o.splitAdjust = splitAdjust;
    o.settings.move1 = 5;
    o.settings.move2 = 25;
    o.settings.move3 = 25;
    o.settings.SaicoL = 12;
    o.settings.RSIVR = 12;
    o.settings.ITORSO = 1;
    return o;
}

// The technical kinds of one issue on each of its bars up to `to`, with the default periods: bit 0 a MACD
// golden cross (macd at or below its signal on the bar before, above it on the bar), bit 1 三役好転
// (tenkan above kijun, the close above span1 and span2 of 25 bars back, and above the carried close of
// 25 bars back). The bars' dates index the flags.
struct TechnicalRun {
    std::vector<Date> dates;
    std::vector<std::uint8_t> flags;
};
constexpr unsigned kListFamilies = scan::kMacd | scan::kIchimoku;

void technicalRun(const scan::MarketBars& market, int issue, Date to, TechnicalRun& run) {
    run = {};
    const auto& stored = market.storedBars(issue);
    auto last =
        std::upper_bound(stored.begin(), stored.end(), to, [](Date d, const scan::StoredBar& b) { return d < b.date; });
    if (last == stored.begin())
        return;
    chart::BarSeries series;
    auto has = market.barSeriesAt(issue, (last - 1)->date, series);
    if (!has || !*has)
        return; // the chart refuses a bar: no technical kinds (the chart's own kinds skip it too)
    const chart::TechnicalSettings settings;
    chart::TechnicalValues v;
    scan::computeTechnicals(series, settings, kListFamilies, v);
    const int n = series.size(), shift = settings.ichimokuShift;
    run.dates.resize(static_cast<size_t>(n));
    run.flags.assign(static_cast<size_t>(n), 0);
    auto at = [](const chart::Series& s, int i) { return i >= 0 ? s[static_cast<size_t>(i)] : chart::kMissing; };
    for (int t = 0; t < n; ++t) {
        const chart::SeriesBar& b = series.bars[static_cast<size_t>(t)];
        run.dates[static_cast<size_t>(t)] = b.date;
        const double m0 = at(v.macd.macd, t), s0 = at(v.macd.signal, t);
        const double m1 = at(v.macd.macd, t - 1), s1 = at(v.macd.signal, t - 1);
        // A comparison with a missing (NaN) value is false.
        if (m1 <= s1 && m0 > s0)
            run.flags[static_cast<size_t>(t)] |= 1;
        if (!b.traded() || t < shift)
            continue;
        const double close = b.close.toDouble();
        const double back = series.bars[static_cast<size_t>(t - shift)].closeCarried.toDouble();
        if (at(v.ichimoku.tenkan, t) > at(v.ichimoku.kijun, t) && close > at(v.ichimoku.span1, t - shift) &&
            close > at(v.ichimoku.span2, t - shift) && back > 0 && close > back)
            run.flags[static_cast<size_t>(t)] |= 2;
    }
}

// The candidates of one issue's chart at D for the daily or the weekly kinds.
void collect(const chart::ChartData& c, std::int32_t code, bool weekly, const YearRun* year, Date day,
             std::vector<Candidate> (&cands)[KindCount], const TechnicalRun* technical = nullptr) {
    const int n = c.barCount;
    const chart::ChartBar& b = c.bars[static_cast<size_t>(n - 1)];
    if (b.volume <= 0)
        return;
    Candidate base;
    base.code = code;
    base.price = whole(b.close);
    base.change = whole(b.change);
    base.volume = b.volume;
    auto add = [&](int kind, Wide num, Wide den) {
        Candidate x = base;
        x.num = num;
        x.den = den;
        cands[kind].push_back(x);
    };
    const Wide ref = (b.close - b.change).raw();
    const Wide chg = b.change.raw();
    const chart::ChartBar* prev = n >= 2 ? &c.bars[static_cast<size_t>(n - 2)] : nullptr;
    if (weekly) {
        if (ref > 0 && chg > 0)
            add(WeekRise, chg, ref);
        if (ref > 0 && chg < 0)
            add(WeekFall, chg, ref);
        if (prev) {
            if (b.buyBalance > prev->buyBalance)
                add(BuyUp, Wide(b.buyBalance) - prev->buyBalance, 1);
            if (b.sellBalance > prev->sellBalance)
                add(SellUp, Wide(b.sellBalance) - prev->sellBalance, 1);
        }
        if (b.sellBalance > 0) {
            add(RatioHigh, b.buyBalance, b.sellBalance);
            add(RatioLow, b.buyBalance, b.sellBalance);
        }
        return;
    }
    if (ref > 0 && chg > 0)
        add(Rise, chg, ref);
    if (ref > 0 && chg < 0)
        add(Fall, chg, ref);
    add(Volume, b.volume, 1);
    add(Value, Wide(b.close.raw()) * b.volume / 10000, 1);
    if (year && ref > 0 && year->year == day.year()) {
        if (year->anyHigh && b.high > year->maxHigh)
            add(YearHigh, chg, ref);
        if (year->anyLow && b.low != Currency() && b.low < year->minLow)
            add(YearLow, chg, ref);
    }
    if (n >= 26) {
        Wide sum = 0;
        for (int i = n - 26; i <= n - 2; ++i)
            sum += c.bars[static_cast<size_t>(i)].volume;
        if (sum > 0 && Wide(b.volume) * 25 >= sum * 2)
            add(VolumeSurge, Wide(b.volume) * 25, sum);
    }
    // The chart writes ma and dev from bar 25 on, and only when the window has a non-zero close.
    if (n >= 25 && b.ma2 != Currency()) {
        if (b.dev2 > 0)
            add(DevUp, b.dev2, 1000);
        if (b.dev2 < 0)
            add(DevDown, b.dev2, 1000);
    }
    if (prev && n >= 26 && b.ma1 != Currency() && b.ma2 != Currency() && prev->ma1 != Currency() &&
        prev->ma2 != Currency()) {
        if (prev->ma1 <= prev->ma2 && b.ma1 > b.ma2)
            add(GoldenCross, b.volume, 1);
        if (prev->ma1 >= prev->ma2 && b.ma1 < b.ma2)
            add(DeadCross, b.volume, 1);
    }
    if (technical) {
        const auto it = std::lower_bound(technical->dates.begin(), technical->dates.end(), day);
        if (it != technical->dates.end() && *it == day) {
            const std::uint8_t f = technical->flags[static_cast<size_t>(it - technical->dates.begin())];
            if (f & 1)
                add(MacdCross, b.volume, 1);
            if (f & 2)
                add(Sanyaku, b.volume, 1);
        }
    }
}

// The company figures the lists rank, as the screen names them.
constexpr int kFinsFper = 0, kFinsPbr = 2, kFinsYield = 3;

// The valuation candidates of one issue at D: its figures as of D (fins, nothing without disclosures),
// ranked in ten-thousandths; a figure the issue lacks leaves it out of that list.
void collectFins(const chart::ChartData& c, std::int32_t code, const scan::ScreenFins& fins,
                 std::vector<Candidate> (&cands)[KindCount]) {
    const chart::ChartBar& b = c.bars[static_cast<size_t>(c.barCount - 1)];
    if (b.volume <= 0)
        return;
    auto add = [&](int kind, const std::optional<double>& v, bool zeroCounts) {
        if (!v || !std::isfinite(*v) || *v < 0 || (!zeroCounts && *v == 0) || *v > 1e14)
            return;
        Candidate x;
        x.code = code;
        x.price = whole(b.close);
        x.change = whole(b.change);
        x.volume = b.volume;
        // A yield is in percent and its text reads a fraction (2.45 -> 0.0245 -> "2.45%").
        x.num = static_cast<Wide>(std::llround(*v * 10000));
        x.den = kind == YieldHigh ? 1000000 : 10000;
        cands[kind].push_back(x);
    };
    add(FperLow, fins[kFinsFper], false);
    add(PbrLow, fins[kFinsPbr], false);
    add(YieldHigh, fins[kFinsYield], true);
}

Status ensureKinds(db::Database& db) {
    auto insert = db.prepare("INSERT INTO informationClass (種類コード, 種類名, 表示順) VALUES (?, ?, ?) "
                             "ON CONFLICT (種類コード) DO NOTHING");
    if (!insert)
        return insert.status();
    for (const KindLine& k : computedKinds()) {
        insert->reset();
        insert->bindAll(k.code, k.name, k.order);
        if (Status s = insert->run(); !s)
            return s;
    }
    return Status::ok();
}

} // namespace

const std::vector<KindLine>& computedKinds() {
    static const std::vector<KindLine> kinds = {
        {"d31", "値上がり率", 101},
        {"d32", "値下がり率", 102},
        {"d33", "出来高", 103},
        {"d34", "売買代金", 104},
        {"d35", "年初来高値更新", 105},
        {"d36", "年初来安値更新", 106},
        {"d37", "出来高急増", 107},
        {"d38", "25日線乖離率（上）", 108},
        {"d39", "25日線乖離率（下）", 109},
        {"d40", "ゴールデンクロス", 110},
        {"d41", "デッドクロス", 111},
        {"d42", "MACDゴールデンクロス", 118},
        {"d43", "一目均衡表 三役好転", 119},
        {"d44", "予想PER（低位）", 120},
        {"d45", "PBR（低位）", 121},
        {"d46", "予想配当利回り（上位）", 122},
        {"w31", "週間値上がり率", 112},
        {"w32", "週間値下がり率", 113},
        {"w33", "信用買残増加", 114},
        {"w34", "信用売残増加", 115},
        {"w35", "信用倍率（高）", 116},
        {"w36", "信用倍率（低）", 117},
    };
    return kinds;
}

std::string listValueText(ListValue what, long long num, long long den) {
    if (den == 0)
        return "";
    Wide n = num, d = den;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    switch (what) {
    case ListValue::Shares:
        return fitted(n, d, false, "株", {{0, 0, "", 0}});
    case ListValue::SignedShares:
        return fitted(n, d, true, "株", {{0, 0, "", 0}});
    case ListValue::Yen:
        return fitted(n, d, false, "円", {{6, 0, "百万", 0}, {12, 1, "兆", 1000}});
    case ListValue::Ratio1:
        return fitted(n, d, false, "倍", {{0, 1, "", 0}, {0, 0, "", 0}});
    case ListValue::Ratio2:
        return fitted(n, d, false, "倍", {{0, 2, "", 0}, {0, 1, "", 0}, {0, 0, "", 0}});
    case ListValue::Rate:
        return fitted(n * 100, d, true, "%", {{0, 1, "", 0}, {0, 0, "", 0}});
    case ListValue::Percent2:
        return fitted(n * 100, d, false, "%", {{0, 2, "", 0}, {0, 1, "", 0}, {0, 0, "", 0}});
    }
    return "";
}

Status storeDayLists(db::Database& db, Date day, const std::vector<ComputedList>& lists) {
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    auto remove = db.prepare("delete from informationData where 種類コード = ? and 日付 = ? ;");
    auto insert = db.prepare("INSERT INTO informationData (種類コード, 日付, 順位, コード, 株価, 出来高, 前日比, 値, "
                             "コメント, Top種類コード) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (!remove)
        return remove.status();
    if (!insert)
        return insert.status();
    for (const ComputedList& l : lists) {
        remove->reset();
        remove->bindAll(l.kind, day);
        if (Status s = remove->run(); !s)
            return s;
        const std::string comment = utf8Left(l.list.title, kCommentLength);
        const std::string top = utf8Left(l.kind, 1);
        for (const ListRow& r : l.list.rows) {
            insert->reset();
            insert->bindAll(l.kind, day, r.rank, r.code, r.price, r.volume, r.change, r.value, comment, top);
            if (Status s = insert->run(); !s)
                return Status::error(l.kind + " 順位 " + std::to_string(r.rank) + " コード " + std::to_string(r.code) +
                                     " 値 「" + r.value + "」: " + s.message());
        }
    }
    return tx.commit();
}

Result<ComputeListsResult> computeLists(db::Database& db, Date first, Date last, bool splitAdjust,
                                        const ListsObserver& observer) {
    ComputeListsResult result;
    if (Status s = ensureKinds(db); !s)
        return s;
    auto status = [&](const std::string& t) {
        if (observer.status)
            observer.status(t);
    };
    auto stop = [&] { return observer.cancelled && observer.cancelled(); };
    // Stores one day's lists; a day refused is noted (the day keeps its earlier rows) and the run goes on.
    auto store = [&](Date day, std::vector<ComputedList> lists, const char* what) {
        if (observer.beforeStore)
            observer.beforeStore(day, lists);
        Status s = storeDayLists(db, day, lists);
        if (s)
            return true;
        result.failures.push_back(day.toYYYYMMDD() + what + ": " + s.message());
        result.failedDays.push_back(day);
        status(result.failures.back());
        return false;
    };

    // The weeks: each weekly bar date with the last trading day of its week inside the range.
    auto weekDays = scan::tradingDays(db, chart::BarMode::Weekly, first.addDays(-6), last.addDays(6));
    if (!weekDays)
        return weekDays.status();
    std::vector<std::pair<Date, Date>> weeks; // (weekly bar date, list day)
    for (Date f : *weekDays) {
        const Date monday = f.addDays(-((f.weekday() + 5) % 7));
        auto inWeek = scan::tradingDays(db, chart::BarMode::Daily, monday, monday.addDays(6));
        if (!inWeek)
            return inWeek.status();
        const Date d = inWeek->empty() ? f : inWeek->back();
        if (first <= d && d <= last)
            weeks.emplace_back(f, d);
    }
    auto dailyDays = scan::tradingDays(db, chart::BarMode::Daily, first, last);
    if (!dailyDays)
        return dailyDays.status();
    const int total = static_cast<int>(dailyDays->size() + weeks.size());
    int done = 0;
    auto progress = [&] {
        if (observer.progress)
            observer.progress(done, total);
    };
    progress();

    std::vector<Candidate> cands[KindCount];
    chart::ChartData chart;
    std::bitset<scan::kFinsFieldCount> listedFins;
    listedFins.set(kFinsFper).set(kFinsPbr).set(kFinsYield);
    // Daily kinds, one calendar year at a time (the 年初来 lists need the year's earlier bars).
    for (int y = first.year(); y <= last.year() && !dailyDays->empty(); ++y) {
        const Date yearStart = *Date::fromYmd(y, 1, 1), yearEnd = *Date::fromYmd(y, 12, 31);
        const Date to = std::min(last, yearEnd);
        if (to < std::max(first, yearStart))
            continue;
        status(std::to_string(y) + "年 株価読込中...");
        auto market = scan::MarketBars::read(db, listOptions(false, splitAdjust), yearStart, to, 0,
                                             scan::technicalHistory(kListFamilies, chart::TechnicalSettings{}));
        if (!market)
            return market.status();
        std::vector<YearRun> runs(static_cast<size_t>(market->issueCount()));
        std::vector<TechnicalRun> technical(static_cast<size_t>(market->issueCount()));
        for (int i = 0; i < market->issueCount(); ++i) {
            prepareYearRun(*market, i, runs[static_cast<size_t>(i)]);
            technicalRun(*market, i, to, technical[static_cast<size_t>(i)]);
        }
        for (Date day : market->days()) {
            if (day < first || day > to)
                continue;
            if (stop()) {
                result.cancelled = true;
                return result;
            }
            status(day.toYYYYMMDD() + " 計算中");
            auto finsByCode = scan::marketFins(db, *market, day, listedFins);
            if (!finsByCode)
                return finsByCode.status();
            for (int i = 0; i < market->issueCount(); ++i) {
                auto has = market->chartAt(i, day, chart);
                if (!has || !*has)
                    continue;
                const auto& bars = market->storedBars(i);
                const size_t at =
                    static_cast<size_t>(std::lower_bound(bars.begin(), bars.end(), day,
                                                         [](const scan::StoredBar& b, Date d) { return b.date < d; }) -
                                        bars.begin());
                YearRun& run = runs[static_cast<size_t>(i)];
                advance(*market, i, at, run);
                collect(chart, market->code(i), false, &run, day, cands, &technical[static_cast<size_t>(i)]);
                if (auto f = finsByCode->find(market->code(i)); f != finsByCode->end())
                    collectFins(chart, market->code(i), f->second, cands);
            }
            if (store(day, rank(day, cands, 0, kFirstWeekly), ""))
                ++result.dailyDays;
            ++done;
            progress();
        }
    }

    if (!weeks.empty()) {
        status("週データー読込中...");
        auto market =
            scan::MarketBars::read(db, listOptions(true, splitAdjust), weeks.front().first, weeks.back().first);
        if (!market)
            return market.status();
        for (const auto& [f, day] : weeks) {
            if (stop()) {
                result.cancelled = true;
                return result;
            }
            status(day.toYYYYMMDD() + " 週 計算中");
            for (int i = 0; i < market->issueCount(); ++i) {
                auto has = market->chartAt(i, f, chart);
                if (has && *has)
                    collect(chart, market->code(i), true, nullptr, day, cands);
            }
            if (store(day, rank(day, cands, kFirstWeekly, KindCount), " 週"))
                ++result.weeklyDays;
            ++done;
            progress();
        }
    }
    return result;
}

InfoDownloadResult ComputeInformation(const ProgramPaths& paths, const InfoDownloadOptions& options, bool splitAdjust,
                                      Prompt& prompt, const InfoDownloadObserver& observer,
                                      const std::function<bool()>& cancelled) {
    InfoDownloadResult r;
    const auto start = Date::parse(options.startText), end = Date::parse(options.endText);
    if (!start || !end) {
        prompt.notify("日付を入力して下さい。");
        return r;
    }
    if (*end < *start) {
        prompt.notify("日付範囲が誤っています。");
        return r;
    }
    if (options.ask && !prompt.askYesNo("データーを取得します　よろしいですか？"))
        return r;
    auto db = db::openKestrelDatabase(paths.databasePath);
    if (!db) {
        prompt.notify(db.message());
        return r;
    }
    r.ran = true;
    if (observer.transferStarted)
        observer.transferStarted();
    if (observer.status)
        observer.status("株価から情報作成...");
    ListsObserver lo;
    lo.status = observer.status;
    lo.progress = observer.progress;
    lo.cancelled = cancelled;
    auto done = computeLists(**db, *start, *end, splitAdjust, lo);
    if (!done) {
        prompt.notify(done.message());
        r.message = done.message();
        return r;
    }
    const int days = done->dailyDays + done->weeklyDays;
    r.completeFiles = r.storedFiles = days;
    r.failedFiles = static_cast<int>(done->failures.size());
    for (const std::string& f : done->failures) {
        prompt.notify(f);
        r.notes.push_back(f);
    }
    if (done->cancelled) {
        r.cancelled = true;
        return r;
    }
    if (observer.progress)
        observer.progress(1, 1);
    r.message = days > 0 || r.failedFiles > 0
                    ? std::string(kComputeFinished) + "（日次 " + std::to_string(done->dailyDays) + " 日、週次 " +
                          std::to_string(done->weeklyDays) + " 日）"
                    : std::string(kNoPricesInRange);
    if (!done->failedDays.empty()) {
        r.message += "\n" + std::string(kDaysNotStored);
        std::vector<Date> failed = done->failedDays;
        std::sort(failed.begin(), failed.end());
        failed.erase(std::unique(failed.begin(), failed.end()), failed.end());
        for (Date d : failed)
            r.message += " " + d.toYYYYMMDD();
    }
    return r;
}

} // namespace kestrel::info
