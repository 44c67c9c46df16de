#pragma once
// Running a screen: the matching issues as of one trading day, and what a screen would have found over a
// period (each match's close a number of trading days later).
#include "core/scan/MarketScan.h"
#include "core/scan/Screen.h"

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kestrel::scan {

// One matching issue: its values at the day, by screenFields() index (nullopt where there is none; the
// company figures of a screen that names none are left empty), and the technical values the screen names,
// in Screen::technicalNames() order.
struct ScreenMatch {
    std::int32_t code = 0;
    std::string name;
    std::vector<std::optional<Currency>> values;
    std::vector<std::pair<ScreenTechnicalName, double>> technical;
};

// The day a screen runs on: the latest stored trading day on or before `date` (the latest stored one
// when no date is given); nullopt when the bar table holds no such day.
Result<std::optional<Date>> screenDay(db::Database& db, chart::BarMode mode, std::optional<Date> date);

// The company figures of the market's issues as of day, those named in `named` (a bit per figure from
// kFirstFinsField; the others are left empty), by code: each issue's disclosures before day read once,
// its close the latest on or before day as traded (prices times the issue's unit, as the chart reads
// them), its confirmed splits. An issue without disclosures has none.
Result<std::unordered_map<std::int32_t, ScreenFins>> marketFins(db::Database& db, const MarketBars& market, Date day,
                                                                std::bitset<kFinsFieldCount> named);

// The issues with a bar at `day` whose chart satisfies the screen, in code order. Issues whose chart
// fails to load are left out and passed to `fault` when given. A daily screen of company figures and
// stored bar values alone (Screen::storedBars) is judged on the bars it names and the one before, and
// only its matches' whole charts are read: an issue that does not match is then passed to `fault` only
// when a bar the chart refuses lies among those it was judged on.
Result<std::vector<ScreenMatch>> runScreen(db::Database& db, const ScanOptions& options, const Screen& screen, Date day,
                                           const std::function<void(std::int32_t, const Status&)>& fault = {});

// {"date": "YYYY-MM-DD", "weekly": bool, ("monthly": true of monthly bars), "rows": [{"code", "name", the bar fields
// under the chart's JSON names, "fitA", "fitB", "fitC", "vertexBars", "vertexPrice", then the technical values the
// screen names under their labels ("macd", "span1[25]")}]}; a value that does not exist is null.
std::string screenToJson(Date day, chart::BarMode mode, const std::vector<ScreenMatch>& rows);

// A match of a run over a period with its outcome: the close `hold` trading days later (the issue's
// last bar on or before that day), both split-adjusted as the chart shows them.
struct HeldMatch {
    Date date;
    std::int32_t code = 0;
    std::string name;
    Currency entry;
    std::optional<Date> exitDate;
    std::optional<Currency> exit;
    std::optional<double> returnPercent; // none without an exit or with an entry close of 0
};
struct HoldSummary {
    int days = 0;                                                   // trading days screened
    int matches = 0;                                                // all matches
    int count = 0;                                                  // matches with a return
    double mean = 0, median = 0, winShare = 0, worst = 0, best = 0; // percent
    std::vector<HeldMatch> rows;
};

// Told after each trading day screened (done of total); returning false stops the run.
using HeldProgress = std::function<bool(int done, int total)>;

// Runs the screen on every trading day from..to and follows each match `hold` trading days on. The
// market is read in blocks of trading days, so memory stays that of a few hundred days. The technical
// values of an issue are computed once per block over its bars up to the block's end (each value reads
// only bars up to its own day). Stopped by
// `progress`, the run returns Cancelled and nothing else.
Result<HoldSummary> runHeld(db::Database& db, const ScanOptions& options, const Screen& screen, Date from, Date to,
                            int hold, const std::function<void(std::int32_t, const Status&)>& fault = {},
                            const HeldProgress& progress = {});

// Fills count, mean, median, winShare, worst and best of s from the returns of its rows (those with
// one); all stay 0 when none has a return.
void summarizeHeld(HoldSummary& s);

// The summary as people read it, two lines (the second only when some match has a return):
// "営業日数 D  該当 M  うち N 営業日後の終値あり C" and "平均 +x.xx%  中央値 …  勝率 x.xx%  最悪 …  最良 …".
std::string heldSummaryText(const HoldSummary& s, int hold);

// The issue-list rows (code, market short name, name as in Mei) of the codes, in their order; a code
// missing from Mei is listed with the name the scan gave and no market.
Result<std::vector<std::string>> screenIssueListRows(db::Database& db,
                                                     const std::vector<std::pair<std::int32_t, std::string>>& issues);

// The matches as CSV (UTF-8, a header line): date, code, name, close, exit date, exit close, return %.
std::string heldToCsv(const HoldSummary& s);

} // namespace kestrel::scan
