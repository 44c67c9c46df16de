#include "core/fins/FinsPages.h"

#include "core/db/SplitRatio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestrel::fins {

namespace {

const char* kNone = "−";

// digits with a comma every three from the right.
std::string grouped(const std::string& digits) {
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::optional<double> growthOf(std::optional<double> now, std::optional<double> before) {
    if (!now || !before || *before <= 0)
        return std::nullopt;
    return (*now - *before) / *before * 100;
}

// The compound yearly growth over three years; none unless both ends are positive.
std::optional<double> averageGrowthOf(std::optional<double> now, std::optional<double> base) {
    if (!now || !base || *base <= 0 || *now <= 0)
        return std::nullopt;
    return (std::cbrt(*now / *base) - 1) * 100;
}

} // namespace

std::string numberText(std::optional<double> v, int decimals) {
    if (!v || !std::isfinite(*v))
        return kNone;
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(std::fabs(*v) * scale) / scale; // half away from zero
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, rounded);
    std::string text = b;
    const size_t point = text.find('.');
    std::string out = grouped(text.substr(0, point)) + (point == std::string::npos ? "" : text.substr(point));
    return (*v < 0 && rounded > 0 ? "▲" : "") + out;
}

std::string millionsText(std::optional<double> yen) {
    if (!yen)
        return kNone;
    return numberText(*yen / 1e6, 0);
}

std::string fiscalPeriodText(const FiscalYearFigures& y) {
    char b[32];
    std::snprintf(b, sizeof b, "%04d/%02d", y.fyEnd.year(), y.fyEnd.month());
    return std::string(b) + (y.forecast ? " 予" : "");
}

PageTable resultsPage(const FinsFigures& f) {
    PageTable t;
    t.heads = {"決算期", "売上高", "営業益", "経常益", "最終益", "1株益", "1株配", "発表日"};
    for (const FiscalYearFigures& y : f.years)
        t.rows.push_back({fiscalPeriodText(y), millionsText(y.sales), millionsText(y.op), millionsText(y.odp),
                          millionsText(y.np), numberText(y.eps, 1), numberText(y.div, 1),
                          y.disclosed != Date() ? y.disclosed.toIso() : kNone});
    return t;
}

std::vector<YearGrowth> growthByYear(const FinsFigures& f) {
    std::vector<YearGrowth> out;
    const std::vector<FiscalYearFigures>& ys = f.years;
    for (size_t i = 0; i < ys.size(); ++i) {
        YearGrowth g;
        g.fyEnd = ys[i].fyEnd;
        g.forecast = ys[i].forecast;
        if (i >= 1) {
            const FiscalYearFigures& p = ys[i - 1];
            g.sales = growthOf(ys[i].sales, p.sales);
            g.op = growthOf(ys[i].op, p.op);
            g.np = growthOf(ys[i].np, p.np);
            g.eps = growthOf(ys[i].eps, p.eps);
        }
        if (i >= 3) {
            const FiscalYearFigures& b = ys[i - 3];
            g.sales3 = averageGrowthOf(ys[i].sales, b.sales);
            g.op3 = averageGrowthOf(ys[i].op, b.op);
            g.np3 = averageGrowthOf(ys[i].np, b.np);
            g.eps3 = averageGrowthOf(ys[i].eps, b.eps);
        }
        out.push_back(g);
    }
    return out;
}

PageTable growthPage(const FinsFigures& f) {
    PageTable t;
    t.heads = {"決算期",          "売上高(前年比)",  "営業益(前年比)",  "最終益(前年比)", "1株益(前年比)",
               "売上高(3年平均)", "営業益(3年平均)", "最終益(3年平均)", "1株益(3年平均)"};
    const std::vector<YearGrowth> gs = growthByYear(f);
    for (size_t i = 0; i < gs.size(); ++i) {
        const YearGrowth& g = gs[i];
        t.rows.push_back({fiscalPeriodText(f.years[i]), numberText(g.sales, 1), numberText(g.op, 1),
                          numberText(g.np, 1), numberText(g.eps, 1), numberText(g.sales3, 1), numberText(g.op3, 1),
                          numberText(g.np3, 1), numberText(g.eps3, 1)});
    }
    return t;
}

PageTable balancePage(const FinsFigures& f) {
    PageTable t;
    t.heads = {"決算期", "総資産", "純資産", "自己資本比率", "BPS", "ROE", "営業CF", "投資CF", "財務CF", "現金同等物"};
    for (const FiscalYearFigures& y : f.years) {
        if (y.forecast)
            continue;
        t.rows.push_back({fiscalPeriodText(y), millionsText(y.ta), millionsText(y.eq), numberText(y.equityRatio, 1),
                          numberText(y.bps, 2), numberText(y.roe, 2), millionsText(y.cfo), millionsText(y.cfi),
                          millionsText(y.cff), millionsText(y.cashEq)});
    }
    return t;
}

std::vector<QuarterFigures> quartersAsOf(std::span<const Disclosure> rows, const std::vector<db::SplitEvent>& splits,
                                         Date d, const db::MarketCalendar& calendar) {
    std::vector<db::SplitEvent> confirmed;
    for (const db::SplitEvent& e : splits)
        if (e.state == db::SplitState::Confirmed && e.kind == db::SplitKind::Split)
            confirmed.push_back(e);
    std::vector<const Disclosure*> counted;
    for (const Disclosure& r : rows)
        if (r.isResults() && r.curFYEn && !r.perType.empty() && r.discDate < d && countsOn(r.discDate, d, calendar))
            counted.push_back(&r);
    std::stable_sort(counted.begin(), counted.end(),
                     [](const Disclosure* a, const Disclosure* b) { return disclosedBefore(*a, *b); });
    // The latest row of each fiscal year and period.
    std::vector<const Disclosure*> latest;
    for (const Disclosure* r : counted) {
        auto same = std::find_if(latest.begin(), latest.end(), [r](const Disclosure* q) {
            return *q->curFYEn == *r->curFYEn && q->perType == r->perType;
        });
        if (same != latest.end())
            *same = r;
        else
            latest.push_back(r);
    }
    std::vector<QuarterFigures> out;
    for (const Disclosure* r : latest) {
        auto value = [r](DisclosureField f) -> std::optional<double> {
            const Figure& v = (*r)[f];
            return v.isNumber() ? std::optional<double>(v.value) : std::nullopt;
        };
        QuarterFigures q;
        q.fyEnd = *r->curFYEn;
        q.period = r->perType;
        q.periodEnd = r->curPerEn;
        q.sales = value(DisclosureField::Sales);
        q.op = value(DisclosureField::OP);
        q.odp = value(DisclosureField::OdP);
        q.np = value(DisclosureField::NP);
        q.eps = value(DisclosureField::EPS);
        if (q.eps) {
            db::SplitRatio ratio = db::ratioBetween(confirmed, r->discDate, d);
            *q.eps *= static_cast<double>(ratio.before()) / static_cast<double>(ratio.after());
        }
        q.disclosed = r->discDate;
        out.push_back(std::move(q));
    }
    std::sort(out.begin(), out.end(), [](const QuarterFigures& a, const QuarterFigures& b) {
        Date x = a.periodEnd.value_or(a.fyEnd), y = b.periodEnd.value_or(b.fyEnd);
        return x != y ? x > y : a.fyEnd > b.fyEnd;
    });
    return out;
}

PageTable quartersPage(const std::vector<QuarterFigures>& quarters) {
    PageTable t;
    t.heads = {"決算期", "期", "売上高", "営業益", "経常益", "最終益", "1株益", "発表日"};
    for (const QuarterFigures& q : quarters) {
        FiscalYearFigures y;
        y.fyEnd = q.fyEnd;
        t.rows.push_back({fiscalPeriodText(y), q.period, millionsText(q.sales), millionsText(q.op), millionsText(q.odp),
                          millionsText(q.np), numberText(q.eps, 1), q.disclosed.toIso()});
    }
    return t;
}

Result<IssuePages> pagesOfIssue(db::Database& db, int code, Date d) {
    IssuePages out;
    auto figures = figuresOfIssue(db, code, d);
    if (!figures)
        return figures.status();
    out.figures = std::move(*figures);
    auto rows = loadDisclosures(db, code);
    if (!rows)
        return rows.status();
    auto splits = db::listSplits(db, code, true);
    if (!splits)
        return splits.status();
    auto calendar = db::loadCalendar(db, d.addDays(-31), d);
    if (!calendar)
        return calendar.status();
    out.quarters = quartersAsOf(*rows, *splits, d, *calendar);
    return out;
}

} // namespace kestrel::fins
