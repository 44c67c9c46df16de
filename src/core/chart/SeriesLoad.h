#pragma once
// Loading a BarSeries: the whole stored history of an issue (or the part from a given day) in daily,
// weekly or monthly mode, up to the chart date, split-adjusted exactly as the 110-bar chart adjusts its
// bars (the same row reader and the same adjustment), with closeCarried and change filled and volumes in
// 64 bits. And the view of a series: which of its bars a span of the chart shows.
//
// Monthly bars are put together from the adjusted daily bars when they are asked for (no table holds
// them), with the rules the weekly bars are built by: the open is the first non-zero open of the month;
// a day counts once it has an open and a non-zero close, and then gives the close, the highest high, the
// lowest non-zero low and its volume to the sum. The bar is dated the month's last traded day. A month
// whose stored days all lack trading is a bar without trading (zero prices, the carried close, no
// volume) dated its last stored day, as the daily chart shows those days; a month without any stored
// day has no bar. The margin balances are those of the month's last weekly bar (dated within the month,
// on or before the chart date), adjusted as the weekly chart adjusts them; 0 when the month has none.
// The change of a month is its close against the previous month's carried close, 0 without trading or
// without a previous traded month.
//
// The last month is `forming` while more trading days of it may still come (monthForming): the market
// calendar is the set of days stored in the daily table for any issue.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/chart/BarSeries.h"
#include "core/db/Database.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kestrel::chart {

struct SeriesRequest {
    BarMode mode = BarMode::Daily;
    std::optional<Date> from; // the first day wanted; none: from the first stored bar
    Date to;                  // the chart date: the last day (inclusive)
    bool splitAdjust = true;  // false: the bars as traded (a weekly event week still from its days)
};

// Loads the bars of issue `code` dated from..to in the request's mode. A month is taken whole when `from`
// falls inside it (its bar starts at the month's first day), and its change still has the month before
// it as reference. An issue without bars in the range gives an empty series (not an error). An error
// when the database cannot be read, a price field is empty or a value exceeds its field.
Result<BarSeries> loadSeries(db::Database& db, std::int32_t code, const SeriesRequest& request);

// The weekly margin balances a monthly bar takes: the week's date and its (adjusted) balances.
struct MarginWeek {
    Date date;
    std::int64_t sellBalance = 0, buyBalance = 0;
};

// Monthly bars from daily bars (adjusted, oldest first, closeCarried and change as loaded) and the weekly
// balances (oldest first), by the rules above; forming is left false. Pure.
std::vector<SeriesBar> monthlyBars(std::span<const SeriesBar> days, std::span<const MarginWeek> weeks = {});

// Whether the month of `lastBar` (the series' last bar, on or before the chart date) may still gain
// trading days, as of the chart date: `nextMarketDay` is the first day stored for any issue after the
// chart date (none when the table ends there), `latestMarketDay` the last stored day on or before it.
// A later stored day decides: the month is forming when that day lies in the same month. Without one,
// the month is closed when the stored days have already passed into a later month, or when no weekday
// is left in it after the latest stored day (31 December is never a trading day); forming otherwise.
bool monthForming(Date lastBar, std::optional<Date> nextMarketDay, Date latestMarketDay);

// The bars of a series a span of the chart shows: indexes first..last (inclusive) into series.bars, the
// right edge at the last bar on or before the chart date. Empty (count 0) when no bar lies on or before
// the chart date.
struct SeriesView {
    int first = 0, last = -1;
    int count() const { return last - first + 1; }
    bool empty() const { return last < first; }
};

// The fewest bars a span shows.
inline constexpr int kMinViewBars = 20;

// The last `bars` bars up to the chart date (all there are when fewer).
SeriesView viewLastBars(const BarSeries& series, Date chartDate, int bars);
// The bars dated from `from` up to the chart date (none when `from` lies after the last of them).
SeriesView viewFromDate(const BarSeries& series, Date from, Date chartDate);

} // namespace kestrel::chart
