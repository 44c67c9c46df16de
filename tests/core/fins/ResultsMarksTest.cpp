#include "core/fins/ResultsMarks.h"

#include "DisclosureRows.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::fins;
using F = DisclosureField;
using test::day;

namespace {

const char* kFy = "FYFinancialStatements_Consolidated_JP";
const char* kRevision = "EarnForecastRevision";

Disclosure row(const char* no, const char* date, const char* type, const char* per, const char* perEnd,
               const char* time = "15:00:00") {
    return test::row(no, date, type, per, perEnd, "2025-03-31", "", {}, time);
}

Disclosure quarter(const char* no, const char* date, const char* per, const char* perEnd) {
    return row(no, date, (std::string(per) + "FinancialStatements_Consolidated_IFRS").c_str(), per, perEnd);
}

db::MarketCalendar calendar() {
    db::MarketCalendar c;
    c.set(day("2024-04-29"), db::kHolidayClosed);
    c.set(day("2024-08-12"), db::kHolidayClosed); // a closed Monday
    return c;
}

// The open days from..to, or their Fridays (weekly bars are dated the week's Friday).
std::vector<Date> bars(const char* from, const char* to, bool weekly) {
    std::vector<Date> out;
    const db::MarketCalendar c = calendar();
    for (Date d = day(from); d <= day(to); d = d.addDays(1))
        if (weekly ? d.weekday() == 6 : c.isOpen(d))
            out.push_back(d);
    return out;
}

} // namespace

TEST(ResultsMarks, MarkAtTheBarTheDisclosureCountsFrom) {
    struct Case {
        const char* name;
        std::vector<Disclosure> rows;
        bool weekly;
        std::vector<std::pair<const char*, const char*>> marks; // bar date, label
    } cases[] = {
        {"results and a revision the same day",
         {row("20", "2024-05-10", kFy, "FY", "2024-03-31"), row("21", "2024-05-10", kRevision, "FY", "")},
         false,
         {{"2024-05-13", "決"}}},
        {"a revision alone", {row("22", "2024-11-20", kRevision, "2Q", "")}, false, {}},
        {"on a Saturday", {quarter("30", "2024-08-03", "1Q", "2024-06-30")}, false, {{"2024-08-05", "1Q"}}},
        {"before a closed Monday", {quarter("31", "2024-08-09", "1Q", "2024-06-30")}, false, {{"2024-08-13", "1Q"}}},
        {"an old quarter disclosed again",
         {quarter("30", "2024-08-02", "1Q", "2024-06-30"), quarter("40", "2024-11-08", "2Q", "2024-09-30"),
          quarter("41", "2024-12-02", "1Q", "2024-06-30")},
         false,
         {{"2024-08-05", "1Q"}, {"2024-11-11", "2Q"}}},
        {"a long fiscal year",
         {quarter("50", "2024-05-14", "4Q", "2024-03-31"), quarter("51", "2024-08-14", "5Q", "2024-06-30")},
         false,
         {{"2024-05-15", "4Q"}, {"2024-08-15", "5Q"}}},
        {"at the ends of the bars",
         {row("60", "2024-04-26", kFy, "FY", "2024-03-31"), quarter("61", "2024-04-30", "4Q", "2024-04-15"),
          quarter("62", "2024-12-30", "3Q", "2024-12-31")},
         false,
         {{"2024-05-01", "4Q"}}},
        {"weekly bars",
         {quarter("70", "2024-08-07", "1Q", "2024-06-30"), quarter("71", "2024-11-08", "2Q", "2024-09-30"),
          quarter("72", "2024-12-27", "3Q", "2024-12-31")},
         true,
         {{"2024-08-09", "1Q"}, {"2024-11-15", "2Q"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Date> dates =
            c.weekly ? bars("2024-05-03", "2024-12-27", true) : bars("2024-05-01", "2024-12-30", false);
        const Date first = c.weekly ? day("2024-04-29") : day("2024-05-01");
        const auto marks = resultsMarks(c.rows, dates, first, calendar());
        ASSERT_EQ(marks.size(), c.marks.size());
        for (size_t k = 0; k < marks.size(); ++k) {
            EXPECT_EQ(dates[static_cast<size_t>(marks[k].bar)], day(c.marks[k].first)) << k;
            EXPECT_EQ(marks[k].label, c.marks[k].second) << k;
        }
    }
}

TEST(ResultsMarks, TwoResultsOfOneWeekShareItsMark) {
    std::vector<Disclosure> rows = {row("80", "2024-05-13", kFy, "FY", "2024-03-31"),
                                    quarter("81", "2024-05-15", "1Q", "2024-04-30")};
    const std::vector<Date> dates = bars("2024-05-03", "2024-06-28", true);
    const auto marks = resultsMarks(rows, dates, day("2024-04-29"), calendar());
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(dates[static_cast<size_t>(marks[0].bar)], day("2024-05-17"));
    EXPECT_EQ(marks[0].label, "1Q");
    EXPECT_EQ(marks[0].tooltip, resultsTooltip(rows[0]) + "\n\n" + resultsTooltip(rows[1]));
}

TEST(ResultsMarks, TooltipShowsTheDisclosuresFigures) {
    Disclosure fy = row("90", "2024-05-10", "FYFinancialStatements_NonConsolidated_JP", "FY", "2024-03-31");
    fy.curFYEn = day("2024-03-31");
    fy.nxtFYEn = day("2025-03-31");
    fy[F::Sales] = figureOf("1234567890123");
    fy[F::OP] = figureOf("-5400000");
    fy[F::NP] = figureOf("-");
    fy[F::EPS] = figureOf("70.5");
    fy[F::DivAnn] = figureOf("20");
    fy[F::NxFEPS] = figureOf("-12.346");
    EXPECT_EQ(resultsTooltip(fy), "2024年3月期 本決算（単独・日本基準）\n開示 2024-05-10 15:00\n"
                                  "実績 売上高 1,234,568百万円  営業益 ▲5百万円  経常益 −  最終益 未定  1株益 70.50円  "
                                  "1株配 20.00円\n"
                                  "予想（2025年3月期） 売上高 −  営業益 −  経常益 −  最終益 −  1株益 ▲12.35円");
    Disclosure q = quarter("91", "2024-08-01", "1Q", "2024-06-30");
    q.discTime = "";
    EXPECT_EQ(resultsTooltip(q), "2025年3月期 第1四半期（連結・IFRS）\n開示 2024-08-01");
}
