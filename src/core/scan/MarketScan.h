#pragma once
// Market scan: the chart of every issue as of a trading day, read from the bar table in one pass.
//
// Contract: for a trading day D and daily, weekly or monthly bars, chartAt gives for each issue with a bar at D
// exactly the ChartData that LoadChartData gives for that issue with the chart date D and the same
// settings: its last 110 bars on or before D, split-adjusted as the chart is, every series (close,
// change, volume, the three averages and deviations, psychological line, RSI, volume ratio, slope
// angles and Ito ratio, balances of weekly bars) and the curve's coefficients, bar for bar. The bars
// are read with one query over the bar table for the trading days the windows need (plus, per issue
// whose history has gaps there, one query for its older bars); the split events with one more. The
// values then come from the chart's own code (readBarRow, finishChart, computeIndicators).
//
// MarketBars holds the bars of every issue for a range of trading days, so that a walk over many days
// (a screen run over a period, a list per day) reads the table once. An issue whose stored bars the
// chart would refuse (an empty price, a value beyond its field) has no chart on the days whose window
// holds such a bar; chartAt returns the chart's error for it.
//
// Monthly bars are put together from the daily bars read (monthlyBars over the split-adjusted days, with
// the month's last weekly margin balances), as loadSeries gives them: the chart at D holds the months up
// to D, the last one as far as D. Its trading days are the daily table's; a range of days keeps the last
// stored day of each month in it.
#include "core/chart/ChartData.h"
#include "core/chart/ChartRead.h"
#include "core/chart/SeriesLoad.h"
#include "core/db/SplitTable.h"
#include "core/scan/ScreenTechnicals.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace kestrel::scan {

struct ScanOptions {
    chart::BarMode mode = chart::BarMode::Daily;
    bool splitAdjust = true;
    chart::IndicatorSettings settings;
    chart::TechnicalSettings technical; // the technical set's periods (must be valid)
    // The issues read: codeFrom <= code < codeTo (a market read in parts holds one part at a time).
    std::int64_t codeFrom = std::numeric_limits<std::int64_t>::min();
    std::int64_t codeTo = std::numeric_limits<std::int64_t>::max();
};

// The bar of a chart window as stored (prices and volume times the issue's units).
struct StoredBar {
    Date date;
    std::int64_t volume = 0, sellBalance = 0, buyBalance = 0;
    std::int64_t open = 0, high = 0, low = 0, close = 0, change = 0; // raw Currency
};

// Which bars MarketBars::read holds: windows of windowBars bars (at most chart::kMaxBars; a reader of
// fewer bars than the chart's, such as a screen of stored values, reads less), and only the issues of
// codes (ascending) when given.
struct ReadScope {
    int windowBars = chart::kMaxBars;
    const std::vector<std::int32_t>* codes = nullptr;
};

class MarketBars {
public:
    // Reads the bars every chart ending at a trading day first..last needs, and the bars of `after` more
    // trading days past last (for outcomes). Trading days are the dates of the bar table. `history` asks
    // for more of each issue's bars before first, as technical values need them (technicalHistory): at
    // least history.bars of its bars up to first, history.tradedBars traded ones among them, and with
    // tradedStart, older bars until the first one held is traded (or none is left).
    // `scope` narrows the windows or the issues read; chartAt and seriesAt then give charts of at most
    // scope.windowBars bars.
    static Result<MarketBars> read(db::Database& db, const ScanOptions& options, Date first, Date last, int after = 0,
                                   TechnicalHistory history = {}, ReadScope scope = {});

    // The trading days first..last and the `after` ones past it, ascending.
    const std::vector<Date>& days() const { return m_days; }

    int issueCount() const { return static_cast<int>(m_issues.size()); }
    std::int32_t code(int issue) const { return m_issues[issue].code; }
    const std::string& name(int issue) const { return m_issues[issue].name; }

    // The chart of the issue as of `day`: false when the issue has no bar at that day; an error when
    // the chart would fail to load.
    Result<bool> chartAt(int issue, Date day, chart::ChartData& out) const;
    // chartAt for a reader of the last `bars` bars' series alone (a screen that names no slope angle, Ito
    // ratio or curve value): every bar's stored values, the split adjustment, barCount and center as
    // chartAt gives them, and the series that computeSeries gives of the last `bars` bars.
    Result<bool> seriesAt(int issue, Date day, int bars, chart::ChartData& out) const;

    // The issue's bars held up to and including `day` as loadSeries gives them (split-adjusted as the
    // chart is, closeCarried following the closes, 64-bit volumes): false when the issue has no bar at
    // that day; the chart's error when a bar among them is one the chart refuses. The technical values
    // over it equal computeAll over the whole history at `day` when read() was given their history.
    Result<bool> barSeriesAt(int issue, Date day, chart::BarSeries& out) const;

    // The issue's close at the last of its bars on or before `day`, adjusted by the split events after
    // that bar as the chart adjusts it; nullopt when it has none.
    std::optional<Currency> closeOn(int issue, Date day) const;

    // The issue's latest close other than 0 among its last chart::kMaxBars bars up to `day`, as traded
    // (the stored price times the issue's unit, not split-adjusted); read from the table when the windows
    // held are narrower and hold none. nullopt when there is none.
    Result<std::optional<Currency>> tradedClose(int issue, Date day) const;

    // The issue's bars as stored (not split-adjusted), oldest first, and its confirmed split events.
    const std::vector<StoredBar>& storedBars(int issue) const { return m_issues[static_cast<size_t>(issue)].bars; }
    const std::vector<db::SplitEvent>& splitEvents(int issue) const {
        return m_issues[static_cast<size_t>(issue)].events;
    }
    const ScanOptions& options() const { return m_options; }
    // The bars of a chart window read (ReadScope::windowBars).
    int windowBars() const { return m_windowBars; }

private:
    Result<bool> chartAt(int issue, Date day, chart::ChartData& out, int seriesBars) const;
    struct Issue {
        std::int32_t code = 0;
        std::string name;
        chart::BarUnits units;
        std::vector<StoredBar> bars;
        std::vector<int> faults; // indexes into bars of rows the chart refuses
        std::string faultMessage;
        std::vector<db::SplitEvent> events;
        std::vector<chart::MarginWeek> weeks; // monthly: the weekly balances, adjusted as the chart shows them
    };
    // The issue's daily bars up to `day` (monthly) or its bars in the options' mode, adjusted as loadSeries
    // adjusts them; false when it has no bar at day.
    Result<bool> heldSeriesAt(int issue, Date day, chart::BarSeries& out) const;
    // Monthly: each issue's weekly balances from its first held bar to the last day.
    Status readMarginWeeks(db::Database& db);
    db::Database* m_db = nullptr;
    ScanOptions m_options;
    int m_windowBars = chart::kMaxBars;
    std::vector<Date> m_days;
    std::vector<Issue> m_issues;
};

// The latest trading day on or before `day` in the bar table of the mode (monthly: the daily table);
// nullopt when none.
Result<std::optional<Date>> tradingDayOnOrBefore(db::Database& db, chart::BarMode mode, Date day);

// The trading days first..last of the bar table of the mode, ascending; monthly: the last stored daily
// day of each month within first..last.
Result<std::vector<Date>> tradingDays(db::Database& db, chart::BarMode mode, Date first, Date last);

// Visits the chart of every issue with a bar at `day` in code order. An issue whose chart fails is
// passed to `fault` (when given) with the chart's error and left out.
Status scanMarket(db::Database& db, const ScanOptions& options, Date day,
                  const std::function<void(std::int32_t code, const std::string& name, const chart::ChartData&)>& visit,
                  const std::function<void(std::int32_t code, const Status&)>& fault = {});

} // namespace kestrel::scan
