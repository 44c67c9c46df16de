#include "core/scan/ScreenRun.h"

#include "core/db/IssueMarkets.h"
#include "core/db/MarketNames.h"
#include "core/fins/FinsFigures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>
#include <utility>

namespace kestrel::scan {
namespace {

using Json = nlohmann::ordered_json;

// The market size from which a screen judges its issues on two threads.
constexpr int kTwoJudgesFrom = 300;
// The issues (by Mei code) a monthly screen holds at a time.
constexpr int kMonthlyPart = 500;

// Whole values as integers, others to their four decimals (as the chart's JSON writes them).
Json number(const std::optional<Currency>& v) {
    if (!v)
        return Json(nullptr);
    if (v->isWhole())
        return Json(v->raw() / Currency::kScale);
    return Json(v->toDouble());
}

ScreenMatch matchOf(std::int32_t code, const std::string& name, const chart::ChartData& d, const Screen& screen,
                    const ScreenTechnicals& technicals, const ScreenFins* fins = nullptr) {
    ScreenMatch m{code, name, {}, {}};
    const int n = static_cast<int>(screenFields().size());
    m.values.reserve(static_cast<size_t>(n));
    for (int f = 0; f < n; ++f)
        m.values.push_back(screenValue(d, f, 0, fins));
    // A match has every value it names.
    for (const ScreenTechnicalName& t : screen.technicalNames())
        m.technical.emplace_back(t, technicals.value(t.index, t.back).value_or(chart::kMissing));
    return m;
}

// Technical values to four decimals, as the chart's JSON writes prices.
Json technicalNumber(double v) {
    if (!std::isfinite(v))
        return Json(nullptr);
    return Json(std::round(v * 10000) / 10000);
}

// The history a screen's technical values need before the first day it runs on.
TechnicalHistory historyOf(const Screen& screen, const ScanOptions& options) {
    if (screen.technicalFamilies() == 0)
        return {};
    TechnicalHistory h = technicalHistory(screen.technicalFamilies(), options.technical);
    h.bars += screen.technicalBack();
    if (h.tradedBars > 0)
        h.tradedBars += screen.technicalBack();
    return h;
}

// The disclosure figures each company figure of a screen reads.
fins::FieldSet fieldsOf(std::bitset<kFinsFieldCount> named) {
    using F = fins::DisclosureField;
    static const std::vector<std::vector<F>> kReads = {
        {F::FEPS, F::NxFEPS},       // fper
        {F::EPS},                   // per
        {F::BPS},                   // pbr
        {F::FDivAnn, F::NxFDivAnn}, // yield
        {F::ShOutFY, F::TrShFY},    // mktcap
        {F::ROE, F::NP, F::Eq},     // roe
        {F::EqAR},                  // equityRatio
        {F::Sales},                 // salesGrowth
        {F::OP},                    // opGrowth
        {F::EPS},                   // epsGrowth
    };
    fins::FieldSet fields;
    for (size_t i = 0; i < kReads.size(); ++i)
        if (named[i])
            for (F f : kReads[i])
                fields.set(static_cast<size_t>(f));
    return fields;
}

ScreenFins screenFinsOf(const fins::FinsFigures& f) {
    std::optional<double> oku;
    if (f.mktcap)
        oku = *f.mktcap / 1e8;
    return {f.fper, f.per, f.pbr, f.yield, oku, f.roe, f.equityRatio, f.salesGrowth, f.opGrowth, f.epsGrowth};
}

// What judging a range of issues gives: the matches (or only their codes), and the issues whose chart
// failed, in code order.
struct Judged {
    std::vector<ScreenMatch> rows;
    std::vector<std::int32_t> codes;
    std::vector<std::pair<std::int32_t, Status>> faults;
};

// Judges issues [0, count) with judge(from, to, out): a large market in two halves at once, the upper
// one on a second thread; the results come out in code order as from one pass.
Judged inHalves(int count, const std::function<void(int, int, Judged&)>& judge) {
    const int half = count >= kTwoJudgesFrom ? count / 2 : count;
    Judged lower, upper;
    {
        std::jthread second;
        bool upperDone = half == count;
        if (!upperDone) {
            try {
                second = std::jthread([&] {
                    try {
                        judge(half, count, upper);
                        upperDone = true;
                    } catch (...) {
                        upperDone = false;
                    }
                });
            } catch (...) { // no thread to be had: judged below, after the lower half
            }
        }
        judge(0, half, lower);
        if (second.joinable())
            second.join();
        if (!upperDone) {
            upper = Judged{};
            judge(half, count, upper);
        }
    }
    lower.rows.insert(lower.rows.end(), std::make_move_iterator(upper.rows.begin()),
                      std::make_move_iterator(upper.rows.end()));
    lower.codes.insert(lower.codes.end(), upper.codes.begin(), upper.codes.end());
    lower.faults.insert(lower.faults.end(), std::make_move_iterator(upper.faults.begin()),
                        std::make_move_iterator(upper.faults.end()));
    return lower;
}

std::string percent(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%+.2f%%", v);
    return b;
}

} // namespace

Result<std::optional<Date>> screenDay(db::Database& db, chart::BarMode mode, std::optional<Date> date) {
    return tradingDayOnOrBefore(db, mode, date.value_or(*Date::fromYmd(9999, 12, 31)));
}

Result<std::unordered_map<std::int32_t, ScreenFins>> marketFins(db::Database& db, const MarketBars& market, Date day,
                                                                std::bitset<kFinsFieldCount> named) {
    std::unordered_map<std::int32_t, ScreenFins> out;
    if (named.none())
        return out;
    auto splits = db::listSplits(db, 0, true);
    if (!splits)
        return splits.status();
    std::unordered_map<std::int32_t, std::vector<db::SplitEvent>> events;
    for (const db::SplitEvent& e : *splits)
        events[e.code].push_back(e);
    std::unordered_map<std::int32_t, int> issueOf;
    for (int i = 0; i < market.issueCount(); ++i)
        issueOf.emplace(market.code(i), i);
    Status closeFault;
    auto basisOf = [&](int code) -> std::optional<fins::IssueBasis> {
        auto it = issueOf.find(code);
        if (it == issueOf.end() || !closeFault)
            return std::nullopt;
        fins::IssueBasis b;
        auto close = market.tradedClose(it->second, day);
        if (!close) {
            closeFault = close.status();
            return std::nullopt;
        }
        if (*close)
            b.close = static_cast<double>((*close)->raw()) / static_cast<double>(Currency::kScale);
        if (auto e = events.find(code); e != events.end())
            b.splits = &e->second;
        return b;
    };
    Status s = fins::forEachIssueFigures(db, day, fieldsOf(named), basisOf,
                                         [&](int code, const fins::FinsFigures& f) { out[code] = screenFinsOf(f); });
    if (!s)
        return s;
    if (!closeFault)
        return closeFault;
    return out;
}

Result<std::vector<ScreenMatch>> runScreen(db::Database& db, const ScanOptions& options, const Screen& screen, Date day,
                                           const std::function<void(std::int32_t, const Status&)>& fault) {
    const unsigned families = screen.technicalFamilies();
    if (families != 0)
        if (Status st = options.technical.validate(); !st)
            return st;
    // Monthly bars hold nine years of every issue's days: a large market is screened in parts of codes,
    // one part held at a time, the rows and faults still in code order.
    if (options.mode == chart::BarMode::Monthly && options.codeFrom == std::numeric_limits<std::int64_t>::min() &&
        options.codeTo == std::numeric_limits<std::int64_t>::max()) {
        auto st = db.prepare("SELECT DISTINCT コード FROM Mei ORDER BY コード");
        if (!st)
            return st.status();
        std::vector<std::int64_t> bounds;
        int n = 0;
        if (Status s = st->forEachRow([&] {
                if (n++ % kMonthlyPart == 0 && n > 1)
                    bounds.push_back(st->int64(0));
            });
            !s)
            return s;
        if (!bounds.empty()) {
            std::vector<ScreenMatch> rows;
            ScanOptions part = options;
            for (size_t p = 0; p <= bounds.size(); ++p) {
                part.codeFrom = p == 0 ? options.codeFrom : bounds[p - 1];
                part.codeTo = p == bounds.size() ? options.codeTo : bounds[p];
                auto got = runScreen(db, part, screen, day, fault);
                if (!got)
                    return got.status();
                rows.insert(rows.end(), std::make_move_iterator(got->begin()), std::make_move_iterator(got->end()));
            }
            return rows;
        }
    }
    // A screen of company figures and stored bar values (daily) is judged on windows of the bars it names
    // and one more; its matches then get their whole charts from a second read of those issues alone.
    ReadScope scope;
    if (const std::optional<int> stored = screen.storedBars();
        stored && families == 0 && options.mode == chart::BarMode::Daily)
        scope.windowBars = std::min(*stored + 1, chart::kMaxBars);
    const bool narrow = scope.windowBars < chart::kMaxBars;
    auto market = MarketBars::read(db, options, day, day, 0, historyOf(screen, options), scope);
    if (!market)
        return market.status();
    const auto named = screen.finsNamed();
    auto finsByCode = marketFins(db, *market, day, named);
    if (!finsByCode)
        return finsByCode.status();
    auto finsOf = [&](std::int32_t code) -> const ScreenFins* {
        auto it = finsByCode->find(code);
        return it == finsByCode->end() ? nullptr : &it->second;
    };
    // A screen of the bars' own series is judged on those bars; a match then gets its whole chart.
    const std::optional<int> series = screen.seriesBars();
    // Judges issues [from, to) in code order into rows (or, narrow, the codes of the matches) and faults,
    // with its own working copies.
    auto judge = [&](int from, int to, Judged& out) {
        chart::ChartData data;
        chart::BarSeries bars;
        chart::TechnicalValues values;
        for (int i = from; i < to; ++i) {
            const ScreenFins* fins = finsOf(market->code(i));
            if (named.any() && !fins)
                continue; // a company figure it names is missing
            ScreenTechnicals technicals;
            auto has = series ? market->seriesAt(i, day, *series, data) : market->chartAt(i, day, data);
            if (has && *has && families != 0) {
                has = market->barSeriesAt(i, day, bars);
                if (has && *has) {
                    computeTechnicals(bars, options.technical, families, values);
                    technicals = {&values, bars.size() - 1};
                }
            }
            if (has && *has && narrow) {
                if (screen.matches(data, technicals, fins))
                    out.codes.push_back(market->code(i));
                continue;
            }
            if (has && *has && series && screen.matches(data, technicals, fins))
                has = market->chartAt(i, day, data);
            if (!has) {
                out.faults.emplace_back(market->code(i), has.status());
                continue;
            }
            if (*has && screen.matches(data, technicals, fins))
                out.rows.push_back(matchOf(market->code(i), market->name(i), data, screen, technicals, fins));
        }
    };
    Judged judged = inHalves(market->issueCount(), judge);
    if (narrow && !judged.codes.empty()) {
        // The matches' whole charts.
        auto whole = MarketBars::read(db, options, day, day, 0, {}, ReadScope{chart::kMaxBars, &judged.codes});
        if (!whole)
            return whole.status();
        Judged matched = inHalves(whole->issueCount(), [&](int from, int to, Judged& out) {
            chart::ChartData data;
            for (int i = from; i < to; ++i) {
                auto has = whole->chartAt(i, day, data);
                if (!has)
                    out.faults.emplace_back(whole->code(i), has.status());
                else if (*has)
                    out.rows.push_back(matchOf(whole->code(i), whole->name(i), data, screen, ScreenTechnicals{},
                                               finsOf(whole->code(i))));
            }
        });
        judged.rows = std::move(matched.rows);
        judged.faults.insert(judged.faults.end(), std::make_move_iterator(matched.faults.begin()),
                             std::make_move_iterator(matched.faults.end()));
        std::stable_sort(judged.faults.begin(), judged.faults.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    if (fault)
        for (const auto& [code, st] : judged.faults)
            fault(code, st);
    return std::move(judged.rows);
}

std::string screenToJson(Date day, chart::BarMode mode, const std::vector<ScreenMatch>& rows) {
    Json top;
    top["date"] = day.toIso();
    top["weekly"] = mode == chart::BarMode::Weekly;
    if (mode == chart::BarMode::Monthly)
        top["monthly"] = true;
    Json list = Json::array();
    for (const ScreenMatch& m : rows) {
        Json o;
        o["code"] = m.code;
        o["name"] = m.name;
        for (size_t f = 0; f < screenFields().size() && f < m.values.size(); ++f) {
            if (f == 0 && m.values[0])
                o["date"] = Date::fromYmdInt(m.values[0]->raw() / Currency::kScale).value_or(Date()).toIso();
            else
                o[screenFields()[f].name] = number(m.values[f]);
        }
        for (const auto& [name, value] : m.technical)
            o[name.label()] = technicalNumber(value);
        list.push_back(std::move(o));
    }
    top["rows"] = std::move(list);
    return top.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

Result<HoldSummary> runHeld(db::Database& db, const ScanOptions& options, const Screen& screen, Date from, Date to,
                            int hold, const std::function<void(std::int32_t, const Status&)>& fault,
                            const HeldProgress& progress) {
    HoldSummary s;
    auto allDays = tradingDays(db, options.mode, from, to);
    if (!allDays)
        return allDays.status();
    const unsigned families = screen.technicalFamilies();
    if (families != 0)
        if (Status st = options.technical.validate(); !st)
            return st;
    constexpr size_t kBlock = 250;
    const std::optional<int> series = screen.seriesBars();
    const auto named = screen.finsNamed();
    chart::ChartData data;
    chart::BarSeries bars;
    for (size_t b = 0; b < allDays->size(); b += kBlock) {
        const size_t e = std::min(allDays->size(), b + kBlock);
        auto market = MarketBars::read(db, options, (*allDays)[b], (*allDays)[e - 1], hold, historyOf(screen, options));
        if (!market)
            return market.status();
        const std::vector<Date>& days = market->days();
        // Each issue's technical values over its bars up to the block's last day, computed when first
        // asked for; the dates of those bars index them.
        struct Computed {
            bool done = false;
            Status status;
            std::vector<Date> dates;
            chart::TechnicalValues values;
        };
        std::vector<Computed> computed(families != 0 ? static_cast<size_t>(market->issueCount()) : 0);
        const Date blockEnd = (*allDays)[e - 1];
        auto technicalsOf = [&](int i, Date day) -> Result<ScreenTechnicals> {
            Computed& c = computed[static_cast<size_t>(i)];
            if (!c.done) {
                c.done = true;
                const auto& stored = market->storedBars(i);
                auto last = std::upper_bound(stored.begin(), stored.end(), blockEnd,
                                             [](Date d, const StoredBar& s) { return d < s.date; });
                if (last != stored.begin()) {
                    auto has = market->barSeriesAt(i, (last - 1)->date, bars);
                    if (!has)
                        c.status = has.status();
                    else if (*has) {
                        computeTechnicals(bars, options.technical, families, c.values);
                        c.dates.reserve(bars.bars.size());
                        for (const chart::SeriesBar& sb : bars.bars)
                            c.dates.push_back(sb.date);
                    }
                }
            }
            if (!c.status)
                return c.status;
            const auto at = std::lower_bound(c.dates.begin(), c.dates.end(), day);
            if (at == c.dates.end() || *at != day)
                return ScreenTechnicals{};
            return ScreenTechnicals{&c.values, static_cast<int>(at - c.dates.begin())};
        };
        for (size_t di = 0; di < e - b && di < days.size(); ++di) {
            const Date day = days[di];
            auto finsByCode = marketFins(db, *market, day, named);
            if (!finsByCode)
                return finsByCode.status();
            const std::optional<Date> exitDay = di + static_cast<size_t>(hold) < days.size()
                                                    ? std::optional<Date>(days[di + static_cast<size_t>(hold)])
                                                    : std::nullopt;
            ++s.days;
            for (int i = 0; i < market->issueCount(); ++i) {
                auto it = finsByCode->find(market->code(i));
                const ScreenFins* fins = it == finsByCode->end() ? nullptr : &it->second;
                if (named.any() && !fins)
                    continue;
                auto has = series ? market->seriesAt(i, day, *series, data) : market->chartAt(i, day, data);
                ScreenTechnicals technicals;
                if (has && *has && families != 0) {
                    auto t = technicalsOf(i, day);
                    if (t)
                        technicals = *t;
                    else
                        has = t.status();
                }
                if (!has) {
                    if (fault)
                        fault(market->code(i), has.status());
                    continue;
                }
                if (!*has || !screen.matches(data, technicals, fins))
                    continue;
                HeldMatch m;
                m.date = day;
                m.code = market->code(i);
                m.name = market->name(i);
                m.entry = data.bars[static_cast<size_t>(data.barCount - 1)].close;
                if (exitDay) {
                    m.exitDate = exitDay;
                    m.exit = market->closeOn(i, *exitDay);
                    if (m.exit && m.entry.raw() > 0)
                        m.returnPercent =
                            (static_cast<double>(m.exit->raw()) / static_cast<double>(m.entry.raw()) - 1) * 100;
                }
                s.rows.push_back(std::move(m));
            }
            if (progress && !progress(s.days, static_cast<int>(allDays->size())))
                return Status::cancelled("スクリーニングを中止しました。");
        }
    }
    summarizeHeld(s);
    return s;
}

void summarizeHeld(HoldSummary& s) {
    s.matches = static_cast<int>(s.rows.size());
    std::vector<double> r;
    for (const HeldMatch& m : s.rows)
        if (m.returnPercent)
            r.push_back(*m.returnPercent);
    s.count = static_cast<int>(r.size());
    if (!r.empty()) {
        std::sort(r.begin(), r.end());
        double sum = 0;
        int wins = 0;
        for (double v : r) {
            sum += v;
            wins += v > 0;
        }
        s.mean = sum / static_cast<double>(r.size());
        s.median = r.size() % 2 ? r[r.size() / 2] : (r[r.size() / 2 - 1] + r[r.size() / 2]) / 2;
        s.winShare = 100.0 * wins / static_cast<double>(r.size());
        s.worst = r.front();
        s.best = r.back();
    }
}

std::string heldSummaryText(const HoldSummary& s, int hold) {
    std::string text = "営業日数 " + std::to_string(s.days) + "  該当 " + std::to_string(s.matches) + "  うち " +
                       std::to_string(hold) + " 営業日後の終値あり " + std::to_string(s.count) + "\n";
    if (s.count > 0)
        text += "平均 " + percent(s.mean) + "  中央値 " + percent(s.median) + "  勝率 " +
                percent(s.winShare).substr(1) + "  最悪 " + percent(s.worst) + "  最良 " + percent(s.best) + "\n";
    return text;
}

Result<std::vector<std::string>> screenIssueListRows(db::Database& db,
                                                     const std::vector<std::pair<std::int32_t, std::string>>& issues) {
    auto markets = db::loadIssueMarkets(db);
    if (!markets)
        return markets.status();
    auto st = db.prepare("SELECT 市場コード, 銘柄 FROM Mei WHERE コード=?1 ORDER BY 市場コード LIMIT 1");
    if (!st)
        return st.status();
    std::vector<std::string> rows;
    for (const auto& [code, scanName] : issues) {
        st->reset();
        st->bind(1, static_cast<std::int64_t>(code));
        auto row = st->step();
        if (!row)
            return row.status();
        std::string market, name = scanName;
        if (*row) {
            market = markets->nameOf(code, st->isNull(0) ? 0 : st->int64(0));
            name = st->isNull(1) ? std::string() : st->text(1);
        }
        rows.push_back(db::issueListRow(code, market, name));
    }
    return rows;
}

std::string heldToCsv(const HoldSummary& s) {
    std::ostringstream out;
    out << "日付,コード,銘柄,終値,決済日,決済終値,騰落率(%)\n";
    auto price = [](const Currency& c) {
        return c.isWhole() ? std::to_string(c.raw() / Currency::kScale) : std::to_string(c.toDouble());
    };
    for (const HeldMatch& m : s.rows) {
        std::string name = m.name;
        const bool quote = name.find_first_of(",\"\r\n") != std::string::npos;
        if (quote) {
            std::string q = "\"";
            for (char c : name)
                q += c == '"' ? std::string("\"\"") : std::string(1, c);
            name = q + "\"";
        }
        char ret[32] = "";
        if (m.returnPercent)
            std::snprintf(ret, sizeof ret, "%.2f", *m.returnPercent);
        out << m.date.toIso() << ',' << m.code << ',' << name << ',' << price(m.entry) << ','
            << (m.exitDate ? m.exitDate->toIso() : "") << ',' << (m.exit ? price(*m.exit) : "") << ',' << ret << '\n';
    }
    return out.str();
}

} // namespace kestrel::scan
