#include "core/fins/FinsFigures.h"

#include "core/db/SplitRatio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace kestrel::fins {

using F = DisclosureField;

namespace {

// Only a disclosure of the last weeks can wait for an open day; the calendar of that span suffices.
constexpr int kCalendarDays = 31;

// A counted row is within the window of the rules; rows come sorted in disclosure order.
struct Context {
    std::vector<const Disclosure*> rows; // counted, in disclosure order
    std::vector<db::SplitEvent> splits;  // confirmed splits
    Date d;
};

// The factor a per-share figure of a row disclosed on discDate is multiplied by to stand on d's basis.
double perShareFactor(const Context& c, Date discDate) {
    db::SplitRatio r = db::ratioBetween(c.splits, discDate, c.d);
    if (r.one())
        return 1;
    return static_cast<double>(r.before()) / static_cast<double>(r.after());
}

std::optional<double> number(const Disclosure& row, F f) {
    const Figure& v = row[f];
    if (!v.isNumber())
        return std::nullopt;
    return v.value;
}

std::optional<double> perShare(const Context& c, const Disclosure& row, F f) {
    auto v = number(row, f);
    if (v)
        *v *= perShareFactor(c, row.discDate);
    return v;
}

std::optional<double> divide(std::optional<double> a, std::optional<double> b) {
    if (!a || !b || *b <= 0)
        return std::nullopt;
    return *a / *b;
}

// Growth in percent of now against before; none when before is zero or negative.
std::optional<double> growth(std::optional<double> now, std::optional<double> before) {
    if (!now || !before || *before <= 0)
        return std::nullopt;
    return (*now - *before) / *before * 100;
}

bool isFullYearResults(const Disclosure& r) {
    return r.perType == "FY" && r.isResults() && r.curFYEn;
}

// The counted row that has field f with the latest CurPerEn, ties by disclosure order.
const Disclosure* latestPeriodWith(const Context& c, F f) {
    const Disclosure* best = nullptr;
    for (const Disclosure* r : c.rows) {
        if (!(*r)[f].isNumber() || !r->curPerEn)
            continue;
        if (!best || *r->curPerEn >= *best->curPerEn)
            best = r;
    }
    return best;
}

struct InForce {
    std::optional<double> value;
    std::optional<Date> fyEnd;
    Date disclosed;
};

// The forecast in force of a field whose current-year form is cur and next-year form is next.
InForce forecastInForce(const Context& c, F cur, F next, bool perShareFigure) {
    const Disclosure* best = nullptr;
    F bestField = cur;
    Date bestYear;
    for (const Disclosure* r : c.rows) { // disclosure order: a later row of the same year wins
        for (auto [f, year] : {std::pair{cur, r->curFYEn}, std::pair{next, r->nxtFYEn}}) {
            if ((*r)[f].kind == FigureKind::None || !year)
                continue;
            if (!best || *year >= bestYear) {
                best = r;
                bestField = f;
                bestYear = *year;
            }
        }
    }
    InForce out;
    if (!best)
        return out;
    out.fyEnd = bestYear;
    out.disclosed = best->discDate;
    out.value = perShareFigure ? perShare(c, *best, bestField) : number(*best, bestField);
    return out;
}

FiscalYearFigures actualYear(const Context& c, const Disclosure& r) {
    FiscalYearFigures y;
    y.fyEnd = *r.curFYEn;
    y.sales = number(r, F::Sales);
    y.op = number(r, F::OP);
    y.odp = number(r, F::OdP);
    y.np = number(r, F::NP);
    y.eps = perShare(c, r, F::EPS);
    y.div = perShare(c, r, F::DivAnn);
    y.disclosed = r.discDate;
    y.ta = number(r, F::TA);
    y.eq = number(r, F::Eq);
    if (auto ratio = number(r, F::EqAR))
        y.equityRatio = *ratio * 100;
    y.bps = perShare(c, r, F::BPS);
    if (auto roe = number(r, F::ROE))
        y.roe = *roe * 100;
    else if (auto ratio = divide(y.np, y.eq))
        y.roe = *ratio * 100;
    y.cfo = number(r, F::CFO);
    y.cfi = number(r, F::CFI);
    y.cff = number(r, F::CFF);
    y.cashEq = number(r, F::CashEq);
    return y;
}

} // namespace

bool countsOn(Date discDate, Date d, const db::MarketCalendar& calendar) {
    for (Date t = discDate.addDays(1); t <= d; t = t.addDays(1))
        if (calendar.isOpen(t))
            return true;
    return false;
}

FinsFigures figuresAsOf(std::span<const Disclosure> rows, const std::vector<db::SplitEvent>& splits, Date d,
                        std::optional<double> close, const db::MarketCalendar& calendar) {
    FinsFigures out;
    out.date = d;
    if (close && *close > 0)
        out.close = close;
    Context c;
    c.d = d;
    for (const db::SplitEvent& e : splits)
        if (e.state == db::SplitState::Confirmed && e.kind == db::SplitKind::Split)
            c.splits.push_back(e);
    // A row counts when an open day lies after its day and on or before d: when its day is before the
    // last open day on or before d (looked for only as far back as the earliest row).
    std::optional<Date> lastOpen;
    if (!rows.empty()) {
        Date earliest = rows.front().discDate;
        for (const Disclosure& r : rows)
            earliest = std::min(earliest, r.discDate);
        for (Date t = d; t > earliest; t = t.addDays(-1))
            if (calendar.isOpen(t)) {
                lastOpen = t;
                break;
            }
    }
    c.rows.reserve(rows.size());
    for (const Disclosure& r : rows)
        if (lastOpen && r.discDate < *lastOpen)
            c.rows.push_back(&r);
    auto before = [](const Disclosure* a, const Disclosure* b) { return disclosedBefore(*a, *b); };
    if (!std::is_sorted(c.rows.begin(), c.rows.end(), before))
        std::stable_sort(c.rows.begin(), c.rows.end(), before);

    // The years of the counted full-year results, each from its latest row.
    std::vector<const Disclosure*> yearRows;
    for (const Disclosure* r : c.rows) {
        if (!isFullYearResults(*r))
            continue;
        auto same = std::find_if(yearRows.begin(), yearRows.end(),
                                 [r](const Disclosure* y) { return *y->curFYEn == *r->curFYEn; });
        if (same != yearRows.end())
            *same = r;
        else
            yearRows.push_back(r);
    }
    std::sort(yearRows.begin(), yearRows.end(),
              [](const Disclosure* a, const Disclosure* b) { return *a->curFYEn < *b->curFYEn; });
    for (const Disclosure* r : yearRows)
        out.years.push_back(actualYear(c, *r));

    if (!yearRows.empty()) {
        const Disclosure& a = *yearRows.back();
        const FiscalYearFigures& y = out.years.back();
        out.fyEnd = y.fyEnd;
        out.sales = y.sales;
        out.op = y.op;
        out.odp = y.odp;
        out.np = y.np;
        out.eps = y.eps;
        out.div = y.div;
        if (auto roe = number(a, F::ROE))
            out.roe = *roe * 100;
        else if (auto ratio = divide(out.np, number(a, F::Eq)))
            out.roe = *ratio * 100;
        if (out.years.size() >= 2) {
            const FiscalYearFigures& p = out.years[out.years.size() - 2];
            out.salesGrowth = growth(y.sales, p.sales);
            out.opGrowth = growth(y.op, p.op);
            out.epsGrowth = growth(y.eps, p.eps);
        }
    }
    for (auto it = c.rows.rbegin(); it != c.rows.rend(); ++it) {
        if ((*it)->isResults()) {
            const std::string& t = (*it)->docType;
            out.basis = t.find("NonConsolidated") != std::string::npos ? "単" : "連";
            out.standard = t.find("IFRS") != std::string::npos ? "IFRS"
                           : t.find("US") != std::string::npos ? "US"
                                                               : "JP";
            break;
        }
    }

    if (const Disclosure* r = latestPeriodWith(c, F::BPS))
        out.bps = perShare(c, *r, F::BPS);
    if (const Disclosure* r = latestPeriodWith(c, F::EqAR))
        out.equityRatio = *number(*r, F::EqAR) * 100;
    if (const Disclosure* r = latestPeriodWith(c, F::ShOutFY)) {
        db::SplitRatio ratio = db::ratioBetween(c.splits, r->discDate, d);
        double factor = static_cast<double>(ratio.after()) / static_cast<double>(ratio.before());
        out.issued = *number(*r, F::ShOutFY) * factor;
        out.treasury = number(*r, F::TrShFY).value_or(0) * factor;
    }

    InForce sales = forecastInForce(c, F::FSales, F::NxFSales, false);
    InForce op = forecastInForce(c, F::FOP, F::NxFOP, false);
    InForce odp = forecastInForce(c, F::FOdP, F::NxFOdP, false);
    InForce np = forecastInForce(c, F::FNP, F::NxFNp, false);
    InForce eps = forecastInForce(c, F::FEPS, F::NxFEPS, true);
    InForce div = forecastInForce(c, F::FDivAnn, F::NxFDivAnn, true);
    out.fsales = sales.value;
    out.fop = op.value;
    out.fodp = odp.value;
    out.fnp = np.value;
    out.feps = eps.value;
    out.fdiv = div.value;
    out.forecastFyEnd = eps.fyEnd;

    // The forecast year in the table: the year of the forecasts in force past the last actual one.
    std::optional<Date> fy;
    for (const InForce* f : {&sales, &op, &odp, &np, &eps, &div})
        if (f->fyEnd && (!fy || *f->fyEnd > *fy))
            fy = f->fyEnd;
    if (fy && (!out.fyEnd || *fy > *out.fyEnd)) {
        FiscalYearFigures y;
        y.fyEnd = *fy;
        y.forecast = true;
        auto take = [&](const InForce& f, std::optional<double>& into) {
            if (f.fyEnd == fy) {
                into = f.value;
                y.disclosed = std::max(y.disclosed, f.disclosed);
            }
        };
        take(sales, y.sales);
        take(op, y.op);
        take(odp, y.odp);
        take(np, y.np);
        take(eps, y.eps);
        take(div, y.div);
        out.years.push_back(y);
    }

    out.fper = divide(out.close, out.feps);
    out.per = divide(out.close, out.eps);
    out.pbr = divide(out.close, out.bps);
    if (out.close && out.fdiv && *out.fdiv >= 0)
        out.yield = *out.fdiv * 100 / *out.close;
    if (out.close && out.issued) {
        double shares = *out.issued - *out.treasury;
        if (shares > 0)
            out.mktcap = *out.close * shares;
    }
    return out;
}

Result<std::optional<StoredClose>> closeOnOrBefore(db::Database& db, int code, Date d) {
    auto st = db.cached("SELECT 日付, 終値 FROM dayData WHERE コード = ? AND 日付 <= ? AND 終値 > 0 "
                        "ORDER BY 日付 DESC LIMIT 1");
    if (!st)
        return st.status();
    (*st)->bind(1, code).bind(2, d);
    auto row = (*st)->step();
    if (!row)
        return row.status();
    std::optional<StoredClose> out;
    if (*row)
        out = StoredClose{(*st)->date(0).value_or(d), static_cast<double>((*st)->int64(1))};
    (*st)->reset();
    if (!out)
        return out;
    // Prices are stored in the issue's price unit, as the chart reads them (1 when Mei names none).
    auto unit = db.cached("SELECT 株価単位 FROM Mei WHERE コード = ? AND 株価単位 > 0 LIMIT 1");
    if (!unit)
        return unit.status();
    db::ResetOnExit done(**unit);
    (*unit)->bind(1, code);
    auto unitRow = (*unit)->step();
    if (!unitRow)
        return unitRow.status();
    if (*unitRow)
        out->close *= static_cast<double>((*unit)->int64(0));
    return out;
}

Result<FinsFigures> figuresOfIssue(db::Database& db, int code, Date d) {
    auto rows = loadDisclosures(db, code);
    if (!rows)
        return rows.status();
    auto splits = db::listSplits(db, code, true);
    if (!splits)
        return splits.status();
    auto close = closeOnOrBefore(db, code, d);
    if (!close)
        return close.status();
    auto calendar = db::loadCalendar(db, d.addDays(-kCalendarDays), d);
    if (!calendar)
        return calendar.status();
    std::optional<double> price;
    if (*close)
        price = (*close)->close;
    FinsFigures f = figuresAsOf(*rows, *splits, d, price, *calendar);
    if (*close)
        f.closeDate = (*close)->date;
    return f;
}

Status forEachIssueFigures(db::Database& db, Date d, const FieldSet& fields,
                           const std::function<std::optional<IssueBasis>(int code)>& basisOf,
                           const std::function<void(int code, const FinsFigures&)>& visit) {
    auto calendar = db::loadCalendar(db, d.addDays(-kCalendarDays), d);
    if (!calendar)
        return calendar.status();
    const std::vector<db::SplitEvent> none;
    return forEachIssueDisclosures(db, d, fields, [&](int code, std::span<const Disclosure> rows) {
        std::optional<IssueBasis> basis = basisOf(code);
        if (!basis)
            return;
        visit(code, figuresAsOf(rows, basis->splits ? *basis->splits : none, d, basis->close, *calendar));
    });
}

namespace {

// A whole number of yen as an integer, anything else as it is.
nlohmann::ordered_json numberJson(double v) {
    if (v == std::floor(v) && std::fabs(v) < 9e15)
        return static_cast<std::int64_t>(v);
    return v;
}

} // namespace

std::string figuresJson(int code, const FinsFigures& f) {
    nlohmann::ordered_json j;
    char code4[8];
    std::snprintf(code4, sizeof code4, "%04d", code);
    j["code"] = code4;
    j["date"] = f.date.toIso();
    auto put = [&j](const char* name, const std::optional<double>& v) {
        if (v && std::isfinite(*v))
            j[name] = numberJson(*v);
    };
    put("close", f.close);
    put("fper", f.fper);
    put("per", f.per);
    put("pbr", f.pbr);
    put("yield", f.yield);
    put("mktcap", f.mktcap);
    put("roe", f.roe);
    put("equityRatio", f.equityRatio);
    put("eps", f.eps);
    put("feps", f.feps);
    put("bps", f.bps);
    put("fdiv", f.fdiv);
    put("salesGrowth", f.salesGrowth);
    put("opGrowth", f.opGrowth);
    put("epsGrowth", f.epsGrowth);
    nlohmann::ordered_json years = nlohmann::ordered_json::array();
    for (const FiscalYearFigures& y : f.years) {
        nlohmann::ordered_json e;
        e["fyEnd"] = y.fyEnd.toIso();
        e["forecast"] = y.forecast;
        auto add = [&e](const char* name, const std::optional<double>& v) {
            if (v && std::isfinite(*v))
                e[name] = numberJson(*v);
        };
        add("sales", y.sales);
        add("op", y.op);
        add("odp", y.odp);
        add("np", y.np);
        add("eps", y.eps);
        add("div", y.div);
        e["disclosed"] = y.disclosed.toIso();
        years.push_back(std::move(e));
    }
    j["years"] = std::move(years);
    return j.dump();
}

} // namespace kestrel::fins
