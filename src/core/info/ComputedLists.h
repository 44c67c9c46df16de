#pragma once
// Stock-information lists computed from the stored prices instead of downloaded from the data server.
//
// Contract: for every trading day D of daydata in a range, the daily kinds; for the last trading day D
// of every week with weekly bars, the weekly kinds (computed on the weekly bar of D's week). Each list
// is the top kComputedListSize issues, ties broken by the smaller code, and holds only issues with a bar
// at D whose volume is above 0. Every value is the chart's own (MarketBars::chartAt, split-adjusted as
// the chart shows bars; the averages with periods 5 and 25 whatever the user's settings):
//   reference = close - change of D's bar; rate = change / reference (only issues with reference > 0);
//   値上がり率 rate > 0 descending, 値下がり率 rate < 0 ascending; 出来高 volume; 売買代金 close x volume;
//   年初来高値更新 high above every high of the earlier bars of D's year (at least one), by rate
//   descending; 年初来安値更新 a non-zero low below every non-zero earlier low of the year, by rate ascending;
//   出来高急増 volume / the average volume of the 25 bars before D (> 0), ratio >= 2, descending;
//   25日線乖離率 the chart's dev for period 25, > 0 descending / < 0 ascending;
//   ゴールデンクロス ma5 <= ma25 on the bar before and ma5 > ma25 on D (デッドクロス >= then <), both averages
//   defined on both bars, by volume; weekly: 週間値上がり率/値下がり率 as the daily rates; 信用買残増加 /
//   信用売残増加 the balance minus the previous week's, > 0, descending; 信用倍率 buy / sell balance with
//   sell > 0, descending / ascending; 予想PER（低位）, PBR（低位） ascending and 予想配当利回り（上位）
//   descending, the company figures as of D as a screen reads them (fins::figuresAsOf, close as traded),
//   only issues that have the figure (PER and PBR above 0, yield 0 or more).
// A row is stored as a download stores it: rank, code, price = D's close, volume in shares, change,
// value text ("+12.3%", "3.4倍", "1,234百万円"), title = the kind's name, Top種類コード = first letter.
// Each day's lists are stored in one transaction that first removes the rows of the same kinds and day,
// so a stopped run leaves whole days and a rerun replaces them. A row the database refuses rolls its
// day back whole; the run notes the day and goes on with the next one.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/info/DownloadInformation.h"
#include "core/info/InformationFiles.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrel::info {

inline constexpr int kComputedListSize = 50;

// The computed kinds in display order ("d…" daily, "w…" weekly); the shipped kinds file
// kComputedKindsFileName holds them.
const std::vector<KindLine>& computedKinds();

struct ComputedList {
    std::string kind;
    ListFile list; // date = D, title = the kind's name, rows ranked
};

struct ListsObserver {
    std::function<void(const std::string&)> status;
    std::function<void(int done, int total)> progress;
    std::function<bool()> cancelled; // asked between days
    // Called with each day's lists just before they are stored (a test's fault hook: it may spoil a row).
    std::function<void(Date, std::vector<ComputedList>&)> beforeStore;
};

struct ComputeListsResult {
    int dailyDays = 0;  // days whose daily lists were stored
    int weeklyDays = 0; // days whose weekly lists were stored
    bool cancelled = false;
    // One line per day whose lists could not be stored ("20200228: d33 順位 1 コード 1301 値 …: why",
    // weekly lists "20200228 週: …"); that day keeps the rows it had before and the run goes on.
    std::vector<std::string> failures;
    std::vector<Date> failedDays; // the days of failures, in order (a day may come twice: daily, weekly)
};

// Computes and stores the lists of the range first..last. splitAdjust follows the chart's setting. The
// computed kinds are added to informationClass when missing.
Result<ComputeListsResult> computeLists(db::Database& db, Date first, Date last, bool splitAdjust,
                                        const ListsObserver& observer = {});

inline constexpr const char* kComputeFinished = "株価から情報を作成しました。";
inline constexpr const char* kNoPricesInRange = "期間内に株価データーがありません。";
inline constexpr const char* kDaysNotStored = "保存できなかった日:";

// The list command of the information window and of fetch-info when the lists are computed: checks the
// dates and asks as the download does (options.ask), then computes the range on the program's database.
// The message is kComputeFinished with the number of days, or kNoPricesInRange; a cancelled run says
// how many days were finished. cancelled is asked between days. Days that could not be stored are
// shown through prompt one by one, named after the message ("保存できなかった日: 20200228 …") and
// counted in failedFiles.
InfoDownloadResult ComputeInformation(const ProgramPaths& paths, const InfoDownloadOptions& options, bool splitAdjust,
                                      Prompt& prompt, const InfoDownloadObserver& observer = {},
                                      const std::function<bool()>& cancelled = {});

// Replaces the rows of each list's kind on `day` with its rows, all in one transaction; a refused row
// leaves the day as it was, and the error names the kind, the rank, the code and the value.
Status storeDayLists(db::Database& db, Date day, const std::vector<ComputedList>& lists);

// What a list value counts, and so how its text reads.
enum class ListValue {
    Shares,       // a volume: "1,234,500株", "4,667万株", "12.3億株"
    SignedShares, // a change of a balance: "+300株", "-1,234万株"
    Yen,          // a trading value: "9,228百万円" up to 999,999百万円, then "1.5兆円"
    Ratio1,       // a ratio with one decimal: "3.4倍"
    Ratio2,       // a ratio with two decimals: "0.33倍"
    Rate,         // a signed percent with one decimal: "+12.3%", "-0.5%", "0.0%" (no sign once rounded to 0)
    Percent2,     // a percent with two decimals, unsigned when positive: "2.45%"
};

// The value text of a list row for num / den (den > 0; shares and yen pass den = 1).
// Contract: the text is never longer than kValueLength characters for any num and den a list can
// give (every long long), and it is exact as long as the plain form fits: shares and ratios grouped by
// thousands, yen as whole millions, halves rounded away from zero. A figure whose plain form is too long
// is given in the larger Japanese units, rounded: shares in 万 (whole, below 1億) and then 億, 兆, 京
// (one decimal below 1,000 of the unit, whole above); yen in 兆 and 京 the same way; ratios and rates
// first lose their decimals, then go on to 万, 億, ... as shares do. So volumes to 10,000,000,000 shares,
// trading values to 10 trillion yen, ratios to 99,999倍 and rates to ±9,999.9% all keep their unit.
std::string listValueText(ListValue what, long long num, long long den = 1);

} // namespace kestrel::info
