#pragma once
// A company's figures as of a day D, from its stored disclosures, with only what was disclosed by then:
//  1. a disclosure counts from the first open day after its DiscDate, so nothing disclosed during or
//     after D's session is used on D; the close is that of the latest stored day on or before D;
//  2. the actuals come from the counted full-year results row (FY, a …FinancialStatements… type) with
//     the latest CurFYEn, ties by disclosure order; BPS, EqAR and the share counts from the counted row
//     that has them with the latest CurPerEn (a missing TrShFY is 0);
//  3. the forecast in force for a field: among the counted rows whose value is a number or 未定 (F… for
//     their CurFYEn, NxF… for their NxtFYEn) the latest fiscal year, and for it the latest row; 未定 there
//     means no forecast, an empty value never withdraws one;
//  4. a per-share figure disclosed before a confirmed split whose ex-date lies after the disclosure and on
//     or before D is divided by its ratio; share counts are multiplied by it;
//  5. 予想PER = close / forecast EPS, 実績PER = close / EPS, PBR = close / BPS, 予想配当利回り = forecast
//     dividend / close × 100, 時価総額 = close × (issued − treasury), ROE = NP / Eq × 100 when the row has
//     no ROE; a zero or negative divisor gives no value.
// Money is in yen, ratios in percent (ROE, 自己資本比率, yield, growth).
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/CalendarTable.h"
#include "core/db/Database.h"
#include "core/db/SplitTable.h"
#include "core/fins/Disclosure.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel::fins {

// One fiscal year of the yearly table: the actuals of its latest results row, or (forecast) the
// forecasts in force for the year after the last actual one.
struct FiscalYearFigures {
    Date fyEnd;
    bool forecast = false;
    std::optional<double> sales, op, odp, np, eps, div; // yen; per-share on D's share basis
    Date disclosed; // the row's DiscDate; for a forecast the latest of the rows in force
    // The balance sheet and cash flows of an actual year: yen, BPS on D's share basis, ratios in percent
    // (ROE from the row, else NP / Eq).
    std::optional<double> ta, eq, equityRatio, bps, roe, cfo, cfi, cff, cashEq;
};

struct FinsFigures {
    Date date;                     // D
    std::optional<Date> closeDate; // the stored day whose close is used
    std::optional<double> close;
    // Actuals (rule 2) and the fiscal year they close.
    std::optional<Date> fyEnd;
    std::optional<double> sales, op, odp, np, eps, div;
    // Forecasts in force (rule 3) and the fiscal year of the forecast EPS.
    std::optional<Date> forecastFyEnd;
    std::optional<double> fsales, fop, fodp, fnp, feps, fdiv;
    std::optional<double> bps, issued, treasury; // treasury 0 when the row gives issued shares only
    std::optional<double> equityRatio, roe;      // percent
    std::optional<double> fper, per, pbr, yield, mktcap;
    std::optional<double> salesGrowth, opGrowth, epsGrowth; // percent against the year before
    std::string basis;                    // "連" or "単" (of the latest counted results row), "" without one
    std::string standard;                 // "JP", "IFRS", "US" or ""
    std::vector<FiscalYearFigures> years; // by fyEnd, the forecast year last
};

// Whether a disclosure of discDate counts on d: an open day of calendar lies after discDate and on or
// before d (a day the calendar does not name is open on a weekday).
bool countsOn(Date discDate, Date d, const db::MarketCalendar& calendar);

// The figures as of d. rows in any order; splits of the issue (only confirmed splits are used);
// close the close of d as the chart reads it (nothing when no day on or before d is stored).
// Never fails: what the rows do not give is left empty.
FinsFigures figuresAsOf(std::span<const Disclosure> rows, const std::vector<db::SplitEvent>& splits, Date d,
                        std::optional<double> close, const db::MarketCalendar& calendar);
inline FinsFigures figuresAsOf(const std::vector<Disclosure>& rows, const std::vector<db::SplitEvent>& splits, Date d,
                               std::optional<double> close, const db::MarketCalendar& calendar) {
    return figuresAsOf(std::span<const Disclosure>(rows), splits, d, close, calendar);
}

// The close of the latest stored daily bar of code on or before d with a price, and its day.
struct StoredClose {
    Date date;
    double close = 0;
};
Result<std::optional<StoredClose>> closeOnOrBefore(db::Database& db, int code, Date d);

// The figures of one issue as of d read from the database: its disclosures, confirmed splits, close and
// the calendar around d.
Result<FinsFigures> figuresOfIssue(db::Database& db, int code, Date d);

// What a reader of the whole market knows of an issue: its close as of d (as the chart reads it) and its
// split events.
struct IssueBasis {
    std::optional<double> close;
    const std::vector<db::SplitEvent>* splits = nullptr;
};
// Every issue's figures as of d in code order, from one read of the disclosures before d (only the
// figures of fields: values that need others stay empty) and of the calendar around d. basisOf names an
// issue's close and splits, or nothing to leave the issue out.
Status forEachIssueFigures(db::Database& db, Date d, const FieldSet& fields,
                           const std::function<std::optional<IssueBasis>(int code)>& basisOf,
                           const std::function<void(int code, const FinsFigures&)>& visit);

// The figures as JSON: {"code", "date", "close", "fper", …, "years": [...]}, values as numbers, absent
// ones left out, money in yen.
std::string figuresJson(int code, const FinsFigures& f);

} // namespace kestrel::fins
