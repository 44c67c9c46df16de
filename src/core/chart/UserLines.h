#pragma once
// The user's own chart lines (table Hikisen): each belongs to one issue and one bar mode and is anchored
// on dates and prices. A price is stored as traded on its anchor date and shown divided by the ratio of
// the confirmed split events after that date, exactly as a bar of that date is; so a line stays on its
// bars when an event is confirmed or removed, and the chart, the list and the CLI all show one price.
// With split adjustment switched off (adjusted false) prices are shown as stored.
//
// Every write is one statement in one transaction. A line is never dropped because its dates have no
// bar: placeLines puts such an anchor on the nearest bar.
#include "core/chart/ChartOverlay.h"
#include "core/db/Database.h"

namespace kestrel::chart {

// Checks a line as typed or drawn (prices positive and below 10^10 yen, a trend line between two
// different dates) and orders a trend line's anchors oldest first. InvalidInput with a message otherwise.
Status checkLine(ChartLine& line);

// The lines of the issue in the mode (1 daily, 2 weekly), oldest first, prices as shown. A file without
// Hikisen (an older version opened read-only) has none.
Result<std::vector<ChartLine>> listLines(db::Database& db, std::int32_t code, int chartMode, bool adjusted);
// Stores a new line given with prices as shown; returns its id. Refused as checkLine refuses.
Result<std::int64_t> addLine(db::Database& db, std::int32_t code, int chartMode, ChartLine line, bool adjusted);
// Replaces the anchors of line.id (of that issue) with the ones given, prices as shown.
// NotFound with a message when the issue has no such line.
Status moveLine(db::Database& db, std::int32_t code, ChartLine line, bool adjusted);
// Removes line id of the issue; NotFound with a message when the issue has no such line.
Status removeLine(db::Database& db, std::int32_t code, std::int64_t id);

// Puts each anchor of the lines on a bar number of the loaded window (data holds the bars of
// the mode): the bar of its date, or the nearest stored bar by days when its date has none (the
// earlier one on a tie), counted in stored bars from the window's first bar, so an anchor outside the
// window lies below 1 or above barCount.
Status placeLines(db::Database& db, std::int32_t code, int chartMode, const ChartData& data,
                  std::vector<ChartLine>& lines);

// The line as one tab-separated row: id, kind ("trend" or "horizontal"), date1, price1, date2, price2
// (dates YYYY-MM-DD, prices in plain decimal).
std::string lineRow(const ChartLine& line);

} // namespace kestrel::chart
