// The exchange's adjustment factors as proposals: splits and reverse splits in the right direction,
// rights issues with their exact factor, and a recalculated factor replacing a pending proposal.
#include "core/converter/JQuantsAdjust.h"

#include "core/chart/SplitAdjust.h"
#include "core/converter/JQuantsData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::converter::jquants;
using db::SplitKind;

TEST(JQuantsAdjust, FactorsBecomeSplitsOrExactRightsIssues) {
    const struct {
        double factor;
        const char* exRt;
        bool any;
        SplitKind kind;
        int before, after;
        const char* shown;
    } cases[] = {
        {0.5, "1", true, SplitKind::Split, 1, 2, "1:2"},
        {0.5, "", true, SplitKind::Split, 1, 2, "1:2"},
        {5.0, "2", true, SplitKind::Split, 5, 1, "5:1"}, // five old shares become one: old prices times 5
        {10, "", true, SplitKind::Split, 10, 1, "10:1"},
        {0.333333, "1", true, SplitKind::Split, 1, 3, "1:3"},
        {0.3333, "", true, SplitKind::Split, 1, 3, "1:3"},
        {0.909091, "1", true, SplitKind::Split, 10, 11, "10:11"},
        {0.666667, "", true, SplitKind::Split, 2, 3, "2:3"},
        {0.01, "1", true, SplitKind::Split, 1, 100, "1:100"},
        // A rights issue keeps its factor, even one that is a simple fraction.
        {0.9747, "3", true, SplitKind::RightsIssue, 9747, 10000, "株主割当 係数 0.9747"},
        {0.5, "3", true, SplitKind::RightsIssue, 1, 2, "株主割当 係数 0.5"},
        // No ratio of small whole numbers: never made into one (77:79 lies within 2e-5 of 0.9747).
        {0.9747, "", true, SplitKind::RightsIssue, 9747, 10000, "株主割当 係数 0.9747"},
        {0.95, "1", true, SplitKind::RightsIssue, 19, 20, "株主割当 係数 0.95"},
        {0.987654, "", true, SplitKind::RightsIssue, 493827, 500000, "株主割当 係数 0.987654"},
        {1, "", false, SplitKind::Split, 0, 0, ""},
        {0, "1", false, SplitKind::Split, 0, 0, ""},
        {-0.5, "1", false, SplitKind::Split, 0, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.factor) + " " + c.exRt);
        auto a = classifyAdjustment(c.factor, c.exRt);
        ASSERT_EQ(a.has_value(), c.any);
        if (!a)
            continue;
        EXPECT_EQ(a->kind, c.kind);
        EXPECT_EQ(a->before, c.before);
        EXPECT_EQ(a->after, c.after);
        db::SplitEvent e{1301, {}, a->before, a->after, db::SplitSource::Exchange, db::SplitState::Proposed, a->kind};
        EXPECT_EQ(db::splitRatioText(e), c.shown);
    }
}

TEST(JQuantsAdjust, ProposalsAreRecordedOnceAndFollowARecalculatedFactor) {
    test::KestrelDb k;
    auto record = [&](const char* rows) {
        auto bars = parseBars({std::string(R"({"data": [)") + rows + "]}"}, "d").value();
        return recordSplits(*k.db, bars.rows).value();
    };
    const char* first = R"({"Date": "2024-01-05", "Code": "72030", "AdjFactor": 0.5, "ExRT": "1"},
        {"Date": "2024-01-05", "Code": "13010", "AdjFactor": 1, "ExRT": null},
        {"Date": "2024-01-05", "Code": "33500", "AdjFactor": 5.0, "ExRT": "2"},
        {"Date": "2024-01-05", "Code": "86010", "AdjFactor": 0.9747, "ExRT": "3"},
        {"Date": "2024-01-05", "Code": "99840", "AdjFactor": 0.9, "ExRT": "3"})";
    EXPECT_EQ(record(first), 4);
    EXPECT_EQ(record(first), 0);
    k.exec("UPDATE Bunkatu SET 状態 = 1 WHERE コード = 3350; UPDATE Bunkatu SET 状態 = 2 WHERE コード = 9984");
    // The exchange recalculates: the pending proposals follow, the answered ones stay as answered.
    EXPECT_EQ(record(R"({"Date": "2024-01-05", "Code": "86010", "AdjFactor": 0.9751, "ExRT": "3"},
        {"Date": "2024-01-05", "Code": "72030", "AdjFactor": 0.5, "ExRT": "1"},
        {"Date": "2024-01-05", "Code": "33500", "AdjFactor": 4.0, "ExRT": "2"},
        {"Date": "2024-01-05", "Code": "99840", "AdjFactor": 0.8, "ExRT": "3"})"),
              1);
    EXPECT_EQ(k.rows("select コード, 分割前, 分割後, 出所, 状態, 種類 from Bunkatu order by コード"),
              "3350|5|1|3|1|0\n7203|1|2|3|0|0\n8601|9751|10000|3|0|1\n9984|9|10|3|2|1\n");
}

// A confirmed rights issue is applied with its exact factor, rounded as a split is: 5000 * 0.9747 =
// 4873.5 goes to the even 4874, 3001 * 0.9747 = 2925.0747 to 2925; 100 shares / 0.9747 = 102.6 to 103.
TEST(JQuantsAdjust, AConfirmedRightsIssueAdjustsThePricesBeforeItExactly) {
    chart::ChartData d;
    const Date first = *Date::fromYmd(2026, 9, 25), exDate = *Date::fromYmd(2026, 9, 28);
    const long long prices[2][4] = {{5000, 5000, 3001, 5000}, {4900, 4950, 4880, 4900}};
    for (int i = 0; i < 2; ++i) {
        chart::ChartBar& b = d.bars[i];
        b.date = i == 0 ? first : exDate;
        b.open = Currency::fromWhole(prices[i][0]), b.high = Currency::fromWhole(prices[i][1]);
        b.low = Currency::fromWhole(prices[i][2]), b.close = Currency::fromWhole(prices[i][3]);
        b.volume = 100, b.closeCarried = b.close;
    }
    d.barCount = 2;
    auto a = classifyAdjustment(0.9747, "3").value();
    chart::adjustForSplits(
        d, {{1301, exDate, a.before, a.after, db::SplitSource::Exchange, db::SplitState::Confirmed, a.kind}}, false);
    EXPECT_EQ(d.bars[0].open, Currency::fromWhole(4874));
    EXPECT_EQ(d.bars[0].low, Currency::fromWhole(2925));
    EXPECT_EQ(d.bars[0].volume, 103);
    EXPECT_EQ(d.bars[1].close, Currency::fromWhole(4900));
}
