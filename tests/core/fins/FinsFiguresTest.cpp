#include "core/fins/FinsFigures.h"

#include "DisclosureRows.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::fins;
using F = DisclosureField;
using test::day;
using test::row;

namespace {

const char* kFy = "FYFinancialStatements_Consolidated_JP";
const char* kQ1 = "1QFinancialStatements_Consolidated_JP";
const char* kRevision = "EarnForecastRevision";

// A March filer: results for the years to 2023-03 and 2024-03, a same-day revision of the year just
// ended, a first quarter, a revision between quarters, two revisions in the same second, and the
// 2024-03 results disclosed again in October.
std::vector<Disclosure> history() {
    return {
        row("10", "2023-05-12", kFy, "FY", "2023-03-31", "2023-03-31", "2024-03-31",
            {{F::Sales, "800000000"}, {F::OP, "80000000"}, {F::EPS, "56"}, {F::NxFEPS, "65"}}),
        row("20", "2024-05-10", kFy, "FY", "2024-03-31", "2024-03-31", "2025-03-31",
            {{F::Sales, "1000000000"},
             {F::OP, "100000000"},
             {F::OdP, "110000000"},
             {F::NP, "70000000"},
             {F::EPS, "70"},
             {F::Eq, "1000000000"},
             {F::EqAR, "0.5"},
             {F::BPS, "1000"},
             {F::DivAnn, "20"},
             {F::ShOutFY, "1100000"},
             {F::TrShFY, "100000"},
             {F::NxFSales, "1100000000"},
             {F::NxFOP, "120000000"},
             {F::NxFEPS, "80"},
             {F::NxFDivAnn, "24"}}),
        // The same afternoon: the year just ended revised; it must not replace next year's forecast.
        row("21", "2024-05-10", kRevision, "FY", "", "2024-03-31", "", {{F::FEPS, "72"}}),
        row("30", "2024-08-09", kQ1, "1Q", "2024-06-30", "2025-03-31", "",
            {{F::BPS, "1050"}, {F::EqAR, "0.52"}, {F::FEPS, "80"}, {F::FSales, ""}, {F::FDivAnn, "24"}}),
        row("40", "2024-09-20", kRevision, "FY", "", "2025-03-31", "", {{F::FEPS, "90"}, {F::FDivAnn, "-"}}),
        // Two revisions in the same second: disclosure number 100 comes after 99.
        row("100", "2024-09-27", kRevision, "FY", "", "2025-03-31", "", {{F::FEPS, "95"}}, "15:30:00"),
        row("99", "2024-09-27", kRevision, "FY", "", "2025-03-31", "", {{F::FEPS, "85"}}, "15:30:00"),
        // The old year disclosed again: its actuals are corrected, the newer quarter's BPS stays.
        row("50", "2024-10-15", kFy, "FY", "2024-03-31", "2024-03-31", "2025-03-31",
            {{F::Sales, "1000000000"}, {F::NP, "71000000"}, {F::Eq, "1000000000"}, {F::EPS, "71"}, {F::BPS, "900"}}),
    };
}

struct Expect {
    const char* date;
    double close;
    std::optional<double> eps, feps, fper, per, pbr, yield, mktcap, roe, equityRatio, epsGrowth, salesGrowth;
};

void near(const char* what, const char* date, std::optional<double> got, std::optional<double> want) {
    ASSERT_EQ(got.has_value(), want.has_value()) << what << " on " << date;
    if (want) {
        EXPECT_NEAR(*got, *want, 1e-9 * std::max(1.0, std::abs(*want))) << what << " on " << date;
    }
}

} // namespace

TEST(FinsFigures, ValuationsAsOfEachDayFollowTheRules) {
    std::vector<Disclosure> rows = history();
    db::MarketCalendar calendar; // weekdays open
    std::vector<db::SplitEvent> none;
    const Expect cases[] = {
        // The 2024-05-10 results are not yet counted on their own day nor on the Saturday after.
        {"2024-05-10", 1600, 56, 65, 1600 / 65.0, 1600 / 56.0, {}, {}, {}, {}, {}, {}, {}},
        {"2024-05-11", 1600, 56, 65, 1600 / 65.0, 1600 / 56.0, {}, {}, {}, {}, {}, {}, {}},
        // From Monday: next year's forecast 80 (the same-day revision's 72 is for the year just ended).
        {"2024-05-13", 1600, 70, 80, 20, 1600 / 70.0, 1.6, 1.5, 1.6e9, 7, 50, 25, 25},
        // After the first quarter: BPS 1050, 自己資本比率 52 %.
        {"2024-08-13", 2100, 70, 80, 2100 / 80.0, 30, 2, 24 / 21.0, 2.1e9, 7, 52, 25, 25},
        // A revision between quarters: EPS 90, the dividend 未定 (no yield), empty sales never withdraw.
        {"2024-09-24", 1800, 70, 90, 20, 1800 / 70.0, 1800 / 1050.0, {}, 1.8e9, 7, 52, 25, 25},
        // Two revisions the same second: number 100 is the later one.
        {"2024-09-30", 1900, 70, 95, 20, 1900 / 70.0, 1900 / 1050.0, {}, 1.9e9, 7, 52, 25, 25},
        // The old year disclosed again: EPS 71 (growth (71 - 56) / 56), BPS stays the quarter's.
        {"2024-10-16", 2100, 71, 95, 2100 / 95.0, 2100 / 71.0, 2, {}, 2.1e9, 7.1, 52, 15 / 56.0 * 100, 25},
    };
    for (const Expect& e : cases) {
        FinsFigures f = figuresAsOf(rows, none, day(e.date), e.close, calendar);
        near("eps", e.date, f.eps, e.eps);
        near("feps", e.date, f.feps, e.feps);
        near("fper", e.date, f.fper, e.fper);
        near("per", e.date, f.per, e.per);
        near("pbr", e.date, f.pbr, e.pbr);
        near("yield", e.date, f.yield, e.yield);
        near("mktcap", e.date, f.mktcap, e.mktcap);
        near("roe", e.date, f.roe, e.roe);
        near("equityRatio", e.date, f.equityRatio, e.equityRatio);
        near("epsGrowth", e.date, f.epsGrowth, e.epsGrowth);
        near("salesGrowth", e.date, f.salesGrowth, e.salesGrowth);
    }
    // The forecast year in the table and the sales forecast an empty value did not withdraw.
    FinsFigures f = figuresAsOf(rows, none, day("2024-09-24"), 1800, calendar);
    ASSERT_EQ(f.years.size(), 3u);
    EXPECT_TRUE(f.years[2].forecast);
    EXPECT_EQ(f.years[2].fyEnd, day("2025-03-31"));
    EXPECT_EQ(f.years[2].sales, 1100000000.0);
    EXPECT_EQ(f.years[2].eps, 90.0);
    EXPECT_FALSE(f.years[2].div);
    EXPECT_EQ(f.years[2].disclosed, day("2024-09-20"));
    EXPECT_EQ(f.basis, "連");
    EXPECT_EQ(f.standard, "JP");
}

TEST(FinsFigures, AConfirmedSplitAfterADisclosureHalvesItsPerShareFigures) {
    std::vector<Disclosure> rows = history();
    db::MarketCalendar calendar;
    db::SplitEvent split{7203, day("2024-07-01"), 1, 2, db::SplitSource::Entered, db::SplitState::Confirmed};
    db::SplitEvent proposed{7203, day("2024-06-03"), 1, 3, db::SplitSource::Exchange, db::SplitState::Proposed};
    // Before the ex-date the split does not apply; a proposal never does.
    FinsFigures before = figuresAsOf(rows, {split, proposed}, day("2024-06-28"), 1600, calendar);
    EXPECT_EQ(before.eps, 70.0);
    EXPECT_EQ(before.bps, 1000.0);
    // From the ex-date: EPS 35, forecast 40, BPS 500, dividend 12, shares doubled; growth on D's basis.
    FinsFigures f = figuresAsOf(rows, {split, proposed}, day("2024-07-02"), 800, calendar);
    EXPECT_EQ(f.eps, 35.0);
    EXPECT_EQ(f.feps, 40.0);
    EXPECT_EQ(f.bps, 500.0);
    EXPECT_EQ(f.fdiv, 12.0);
    EXPECT_EQ(f.issued, 2200000.0);
    EXPECT_EQ(f.treasury, 200000.0);
    EXPECT_EQ(f.fper, 20.0);
    EXPECT_EQ(f.pbr, 1.6);
    EXPECT_EQ(f.mktcap, 1.6e9);
    EXPECT_DOUBLE_EQ(*f.epsGrowth, 25);
    ASSERT_EQ(f.years.size(), 3u);
    EXPECT_EQ(f.years[0].eps, 28.0);
    // A quarter disclosed after the ex-date is already on the new basis.
    FinsFigures later = figuresAsOf(rows, {split}, day("2024-08-13"), 1050, calendar);
    EXPECT_EQ(later.bps, 1050.0);
    EXPECT_EQ(later.feps, 80.0);
}

TEST(FinsFigures, MissingAndNonPositiveValuesGiveNoValue) {
    db::MarketCalendar calendar;
    struct Case {
        const char* what;
        Disclosure r;
        std::optional<double> close;
        bool per, pbr, fper, roe, odp;
        const char* basis;
        const char* standard;
    };
    const char* ifrs = "FYFinancialStatements_Consolidated_IFRS";
    const char* single = "FYFinancialStatements_NonConsolidated_JP";
    Case cases[] = {
        {"IFRS without ordinary profit",
         row("1", "2024-05-10", ifrs, "FY", "2024-03-31", "2024-03-31", "2025-03-31",
             {{F::OdP, ""}, {F::EPS, "50"}, {F::BPS, "400"}, {F::NxFEPS, "60"}, {F::NP, "10"}, {F::Eq, "200"}}),
         1000, true, true, true, true, false, "連", "IFRS"},
        {"non-consolidated, a loss and no equity",
         row("1", "2024-05-10", single, "FY", "2024-03-31", "2024-03-31", "2025-03-31",
             {{F::OdP, "5"}, {F::EPS, "-12.5"}, {F::BPS, "0"}, {F::NxFEPS, "-"}, {F::NP, "-10"}, {F::Eq, "-3"}}),
         1000, false, false, false, false, true, "単", "JP"},
        {"text where numbers belong, no close",
         row("1", "2024-05-10", kFy, "FY", "2024-03-31", "2024-03-31", "2025-03-31",
             {{F::OdP, "abc"}, {F::EPS, "50"}, {F::BPS, "1e3"}, {F::NxFEPS, "60"}, {F::ROE, "0.1"}}),
         std::nullopt, false, false, false, true, false, "連", "JP"},
    };
    for (const Case& c : cases) {
        FinsFigures f = figuresAsOf({c.r}, {}, day("2024-05-14"), c.close, calendar);
        EXPECT_EQ(f.per.has_value(), c.per) << c.what;
        EXPECT_EQ(f.pbr.has_value(), c.pbr) << c.what;
        EXPECT_EQ(f.fper.has_value(), c.fper) << c.what;
        EXPECT_EQ(f.roe.has_value(), c.roe) << c.what;
        EXPECT_EQ(f.odp.has_value(), c.odp) << c.what;
        EXPECT_EQ(f.basis, c.basis) << c.what;
        EXPECT_EQ(f.standard, c.standard) << c.what;
        EXPECT_FALSE(f.mktcap) << c.what;
    }
    // ROE from NP / Eq when the row gives none (10 / 200), else the row's own fraction.
    EXPECT_DOUBLE_EQ(*figuresAsOf({cases[0].r}, {}, day("2024-05-14"), 1000, calendar).roe, 5);
    EXPECT_DOUBLE_EQ(*figuresAsOf({cases[2].r}, {}, day("2024-05-14"), 1000, calendar).roe, 10);
    // Growth against a year that lost money has no value.
    std::vector<Disclosure> two = {
        row("1", "2023-05-10", kFy, "FY", "2023-03-31", "2023-03-31", "", {{F::EPS, "-5"}, {F::Sales, "0"}}),
        row("2", "2024-05-10", kFy, "FY", "2024-03-31", "2024-03-31", "", {{F::EPS, "5"}, {F::Sales, "10"}})};
    FinsFigures g = figuresAsOf(two, {}, day("2024-05-14"), 100, calendar);
    EXPECT_FALSE(g.epsGrowth);
    EXPECT_FALSE(g.salesGrowth);
}

TEST(FinsFigures, ADisclosureCountsFromTheFirstOpenDayAfterIt) {
    db::MarketCalendar calendar;
    calendar.set(day("2024-04-29"), 0); // 昭和の日, a Monday
    const struct {
        const char* disclosed;
        const char* d;
        bool counts;
    } cases[] = {
        {"2024-04-26", "2024-04-26", false},                                     // its own day
        {"2024-04-26", "2024-04-29", false},                                     // Friday, then a weekend and a holiday
        {"2024-04-26", "2024-04-30", true},  {"2024-04-27", "2024-04-30", true}, // a Saturday disclosure
        {"2024-04-30", "2024-04-29", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(countsOn(day(c.disclosed), day(c.d), calendar), c.counts) << c.disclosed << " on " << c.d;
}

TEST(FinsFigures, JsonLeavesOutWhatIsAbsent) {
    std::vector<Disclosure> rows = history();
    FinsFigures f = figuresAsOf(rows, {}, day("2024-09-24"), 1800, db::MarketCalendar());
    std::string j = figuresJson(7203, f);
    EXPECT_NE(j.find(R"({"code":"7203","date":"2024-09-24","close":1800,"fper":20,)"), std::string::npos) << j;
    EXPECT_EQ(j.find("\"yield\""), std::string::npos) << j;
    EXPECT_EQ(j.find("\"fdiv\""), std::string::npos) << j;
    EXPECT_NE(j.find(R"("mktcap":1800000000)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"({"fyEnd":"2025-03-31","forecast":true,"sales":1100000000,"op":120000000,"eps":90,)"
                     R"("disclosed":"2024-09-20"})"),
              std::string::npos)
        << j;
}
