#include "core/fins/FinsPages.h"

#include "DisclosureRows.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::fins;
using F = DisclosureField;
using test::day;

namespace {

// A full-year results row of a March filer.
Disclosure yearRow(const char* no, const char* date, const char* fyEnd, const char* type,
                   std::initializer_list<std::pair<F, const char*>> values) {
    const std::string next = std::to_string(day(fyEnd).year() + 1) + "-03-31";
    return test::row(no, date, type, "FY", fyEnd, fyEnd, next.c_str(), values);
}

const char* kJp = "FYFinancialStatements_Consolidated_JP";
const char* kIfrs = "FYFinancialStatements_Consolidated_IFRS";

} // namespace

TEST(FinsPages, AmountsInMillionsWithTriangleForNegatives) {
    const struct {
        std::optional<double> yen;
        const char* want;
    } cases[] = {
        {1234567890, "1,235"},          // rounded to the nearest million
        {1234499999, "1,234"},          //
        {-56400000, "▲56"},             // a loss
        {-56500000, "▲57"},             // half away from zero
        {-400000, "0"},                 // rounds to nothing: no ▲
        {0, "0"},                       //
        {1e12, "1,000,000"},            // a trillion yen
        {45095325000000, "45,095,325"}, // a large issuer's sales
        {std::nullopt, "−"},            // no value
    };
    for (const auto& c : cases)
        EXPECT_EQ(millionsText(c.yen), c.want) << (c.yen ? *c.yen : -1);
    EXPECT_EQ(numberText(-12.25, 1), "▲12.3");
    EXPECT_EQ(numberText(365.94, 1), "365.9");
    EXPECT_EQ(numberText(1234.5, 2), "1,234.50");
    EXPECT_EQ(numberText(std::nullopt, 2), "−");
}

// An IFRS filer (no ordinary profit) with no forecast, and a 1:2 split between its years: every year's
// per-share figures stand on D's basis.
TEST(FinsPages, ResultsByYearOnTheSharesOfTheDay) {
    std::vector<Disclosure> rows = {
        yearRow("1", "2023-05-12", "2023-03-31", kIfrs,
                {{F::Sales, "800000000000"},
                 {F::OP, "-1500000"},
                 {F::NP, "-2500000"},
                 {F::EPS, "-12.5"},
                 {F::DivAnn, "10"}}),
        yearRow("2", "2024-05-10", "2024-03-31", kIfrs,
                {{F::Sales, "1000000000000"},
                 {F::OP, "90000000000"},
                 {F::NP, "60000000000"},
                 {F::EPS, "80"},
                 {F::DivAnn, "20"},
                 {F::TA, "3000000000000"},
                 {F::Eq, "1200000000000"},
                 {F::EqAR, "0.4"},
                 {F::BPS, "1500"},
                 {F::CFO, "150000000000"},
                 {F::CFI, "-70000000000"},
                 {F::CFF, ""}}),
    };
    db::SplitEvent split{7203, day("2024-07-01"), 1, 2, db::SplitSource::Entered, db::SplitState::Confirmed};
    db::MarketCalendar calendar;
    FinsFigures f = figuresAsOf(rows, {split}, day("2024-08-01"), 1000, calendar);
    PageTable t = resultsPage(f);
    ASSERT_EQ(t.rows.size(), 2u); // no forecast: no 予 row
    EXPECT_EQ(t.heads[2], "営業益");
    EXPECT_EQ(t.rows[0],
              (std::vector<std::string>{"2023/03", "800,000", "▲2", "−", "▲3", "▲6.3", "5.0", "2023-05-12"}));
    EXPECT_EQ(t.rows[1], (std::vector<std::string>{"2024/03", "1,000,000", "90,000", "−", "60,000", "40.0", "10.0",
                                                   "2024-05-10"}));
    PageTable b = balancePage(f);
    ASSERT_EQ(b.rows.size(), 2u);
    // ROE from NP / Eq (the row gives none), BPS halved by the split.
    EXPECT_EQ(b.rows[1], (std::vector<std::string>{"2024/03", "3,000,000", "1,200,000", "40.0", "750.00", "5.00",
                                                   "150,000", "▲70,000", "−", "−"}));
    EXPECT_EQ(b.rows[0][3], "−");
}

TEST(FinsPages, TheForecastYearIsMarkedWithTheDayOfTheForecastInForce) {
    std::vector<Disclosure> rows = {
        yearRow("1", "2024-05-10", "2024-03-31", kJp,
                {{F::Sales, "500000000"}, {F::NxFSales, "550000000"}, {F::NxFEPS, "30"}}),
    };
    Disclosure revision = yearRow("2", "2024-09-20", "2025-03-31", "EarnForecastRevision", {{F::FEPS, "33"}});
    revision.curPerEn.reset();
    rows.push_back(revision);
    db::MarketCalendar calendar;
    PageTable t = resultsPage(figuresAsOf(rows, {}, day("2024-10-01"), 1000, calendar));
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[1], (std::vector<std::string>{"2025/03 予", "550", "−", "−", "−", "33.0", "−", "2024-09-20"}));
}

// Growth on hand-worked figures: sales grow 10% a year (100 → 133.1 is 10% a year over three years);
// operating profit starts from a loss, so neither its growth from that year nor its average exists.
TEST(FinsPages, GrowthYearOnYearAndThreeYearAverage) {
    FinsFigures f;
    const struct {
        const char* fyEnd;
        double sales, op, np, eps;
    } years[] = {{"2021-03-31", 100e6, -10e6, 5e6, 10},
                 {"2022-03-31", 110e6, 20e6, 6e6, 12},
                 {"2023-03-31", 121e6, 25e6, 3e6, 9},
                 {"2024-03-31", 133.1e6, 30e6, 6e6, 0}};
    for (const auto& y : years) {
        FiscalYearFigures fy;
        fy.fyEnd = day(y.fyEnd);
        fy.sales = y.sales;
        fy.op = y.op;
        fy.np = y.np;
        fy.eps = y.eps;
        f.years.push_back(fy);
    }
    std::vector<YearGrowth> g = growthByYear(f);
    ASSERT_EQ(g.size(), 4u);
    EXPECT_FALSE(g[0].sales);
    EXPECT_NEAR(*g[1].sales, 10, 1e-9);
    EXPECT_FALSE(g[1].op); // from a loss
    EXPECT_NEAR(*g[2].np, -50, 1e-9);
    EXPECT_NEAR(*g[3].sales3, 10, 1e-9);
    EXPECT_FALSE(g[3].op3);                  // the base year was a loss
    EXPECT_NEAR(*g[3].np3, 6.2658569, 1e-6); // (6/5)^(1/3) − 1
    EXPECT_NEAR(*g[3].eps, -100, 1e-9);
    EXPECT_FALSE(g[3].eps3); // the year itself is zero
    PageTable t = growthPage(f);
    EXPECT_EQ(t.rows[3],
              (std::vector<std::string>{"2024/03", "10.0", "20.0", "100.0", "▲100.0", "10.0", "−", "6.3", "−"}));
}

// The quarters: each period's latest row (a 2Q disclosed again replaces the first), the latest first,
// EPS on the day's share basis, forecast revisions left out.
TEST(FinsPages, QuartersLatestFirstWithTheirLatestRow) {
    auto quarter = [](const char* no, const char* date, const char* per, const char* perEnd, const char* eps) {
        Disclosure d = yearRow(no, date, "2025-03-31", "", {{F::Sales, "250000000"}, {F::EPS, eps}});
        d.docType = std::string(per) + "FinancialStatements_Consolidated_JP";
        d.perType = per;
        d.curPerEn = day(perEnd);
        return d;
    };
    std::vector<Disclosure> rows = {quarter("1", "2024-08-09", "1Q", "2024-06-30", "20"),
                                    quarter("2", "2024-11-08", "2Q", "2024-09-30", "40"),
                                    quarter("3", "2024-11-20", "2Q", "2024-09-30", "42"),
                                    yearRow("4", "2024-12-02", "2025-03-31", "EarnForecastRevision", {{F::FEPS, "9"}}),
                                    quarter("5", "2025-02-07", "3Q", "2024-12-31", "60")};
    db::SplitEvent split{7203, day("2024-12-01"), 1, 2, db::SplitSource::Entered, db::SplitState::Confirmed};
    db::MarketCalendar calendar;
    std::vector<QuarterFigures> q = quartersAsOf(rows, {split}, day("2025-02-07"), calendar); // 3Q not yet counted
    PageTable t = quartersPage(q);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0], (std::vector<std::string>{"2025/03", "2Q", "250", "−", "−", "−", "21.0", "2024-11-20"}));
    EXPECT_EQ(t.rows[1][1], "1Q");
    EXPECT_EQ(t.rows[1][6], "10.0");
}
