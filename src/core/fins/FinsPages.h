#pragma once
// The company pages of the 株式情報 menu as tables of text: 業績推移 (one row per fiscal year, the
// forecast year marked 予), 成長率 (year-on-year and three-year average growth) and BS・PL情報 (the
// balance sheet and cash flows of each year). Amounts in 百万円 rounded half away from zero, negatives
// with ▲, "−" where there is no value.
#include "core/fins/FinsFigures.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel::fins {

// What the window shows: the column heads and the rows of text, each as long as the heads.
struct PageTable {
    std::vector<std::string> heads;
    std::vector<std::vector<std::string>> rows;
};

// An amount in yen as whole 百万円 with thousands separators ("1,234", "▲56"), "−" for none.
std::string millionsText(std::optional<double> yen);
// A number with `decimals` decimals and thousands separators, negatives with ▲, "−" for none.
std::string numberText(std::optional<double> v, int decimals);

// 決算期 "2024/03", with " 予" for the forecast year.
std::string fiscalPeriodText(const FiscalYearFigures& y);

// 業績推移: 決算期, 売上高, 営業益, 経常益, 最終益, 1株益, 1株配, 発表日; the forecast year's 発表日 is that of
// the forecast in force.
PageTable resultsPage(const FinsFigures& f);

// Growth of one year in percent: against the year before, and the three-year average (compound) against
// the year three before. None without both values, or when the base (or, for the average, the year
// itself) is zero or negative.
struct YearGrowth {
    Date fyEnd;
    bool forecast = false;
    std::optional<double> sales, op, np, eps;     // year on year
    std::optional<double> sales3, op3, np3, eps3; // three-year average
};
std::vector<YearGrowth> growthByYear(const FinsFigures& f);
// 成長率: 決算期 and the eight growths with one decimal.
PageTable growthPage(const FinsFigures& f);

// BS・PL情報 of the actual years: 決算期, 総資産, 純資産, 自己資本比率, BPS, ROE, 営業CF, 投資CF, 財務CF, 現金同等物.
PageTable balancePage(const FinsFigures& f);

// One quarter's results as disclosed (figures cumulative from the start of the fiscal year): the latest
// counted results row of each fiscal year and period, per-share figures on d's share basis.
struct QuarterFigures {
    Date fyEnd;
    std::string period; // 1Q 2Q 3Q FY (4Q 5Q as given)
    std::optional<Date> periodEnd;
    std::optional<double> sales, op, odp, np, eps;
    Date disclosed;
};
// The quarters of rows counted on d, by period end (then fiscal year end), the latest first.
std::vector<QuarterFigures> quartersAsOf(std::span<const Disclosure> rows, const std::vector<db::SplitEvent>& splits,
                                         Date d, const db::MarketCalendar& calendar);
// 四半期: 決算期, 期, 売上高, 営業益, 経常益, 最終益, 1株益, 発表日.
PageTable quartersPage(const std::vector<QuarterFigures>& quarters);

// What the pages of one issue show as of d.
struct IssuePages {
    FinsFigures figures;
    std::vector<QuarterFigures> quarters;
};
Result<IssuePages> pagesOfIssue(db::Database& db, int code, Date d);

} // namespace kestrel::fins
