#pragma once
// A J-Quants run over a date range: the issue master (of the first and the last day, and of any day
// that trades an issue neither lists), TOPIX for the range, then one request (and its pages) per open day of the
// market calendar (asked first, once, and kept in the database; the weekdays where it is refused), each day's
// daily file written atomically once all its pages arrived, and the weekly margin balances of the weeks in the range.
// A day whose file already exists is not fetched again unless refetch is set, so an interrupted run resumes where it
// stopped. The first error ends the run with a message naming the date; the days before it are kept.
// The plan decides what is asked: TOPIX only from Light, margin balances only from Standard; an endpoint the
// plan lacks (or that the service refuses for the plan) is said once in a warning and the run goes on without
// it (the days then carry no 1002). When the service names the plan's window (a 400), the run keeps to the
// days inside it and says how many weekdays of the range lay outside; the window is never guessed.
// With latest = N the range is the last N open days of the calendar up to req.to (weekdays where it is
// refused), moved back to end at the window's end when the service names one.
// Then (fins) the same days' company disclosures go into the database's Kessan (fetchFins by date); any
// failure there, a plan without the endpoint or a window included, is said once in a warning and never
// changes the run's status: the daily files stay written and are imported as usual.
// The transport (HTTP, pacing, retries, the key) comes in through JQuantsApi.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/converter/JQuantsErrors.h"
#include "core/converter/JQuantsSettings.h"
#include "core/converter/RecordWriter.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kestrel::converter::jquants {

using Query = std::vector<std::pair<std::string, std::string>>;

class JQuantsApi {
public:
    virtual ~JQuantsApi() = default;
    // Every page of path with query (following pagination_key), or the error; context names what is
    // asked for the messages ("2024-01-05 の株価").
    virtual Result<std::vector<std::string>> getPages(const std::string& path, const Query& query,
                                                      const std::string& context) = 0;
    // True once the user asked to stop; the run ends before its next request.
    virtual bool cancelled() const = 0;
    // What the last failed getPages meant.
    virtual Failure lastFailure() const { return {}; }
    // The bytes at a signed download address (a bulk file on another host): asked without the key,
    // outside the plan's pace. An error naming context when the address answers anything but 200.
    virtual Result<std::string> download(const std::string& url, const std::string& context) {
        (void)url;
        return Result<std::string>::error(context + ": ダウンロードに対応していません");
    }
};

struct RunRequest {
    Date from, to;
    bool master = false; // write Regist.Mei into dataFolder
    bool margin = false; // write the margin files into marginFolder
    bool refetch = false;
    Plan plan = Plan::Free;
    int latest = 0;   // > 0: the last this many open days up to `to` (from is then ignored)
    bool fins = true; // also the disclosures of the days fetched, into databasePath's Kessan
    std::string dataFolder, dailyFolder, marginFolder;
    std::string databasePath; // Kestrel.mdb: Mei for the snapshot, Bunkatu for the split proposals
};

struct RunOutcome {
    Status status; // the error that ended the run
    bool cancelled = false;
    Date from, to; // the range fetched (inside the window, when the service named one)
    std::optional<DateWindow> window;
    int daysOutside = 0; // weekdays of the asked range outside the window
    int daysTotal = 0;   // open days in the range
    int daysWritten = 0; // daily files written by this run
    int daysKept = 0;    // already complete, not fetched again
    int holidays = 0;    // closed weekdays, and open days without data
    int marginFiles = 0;
    int splitsProposed = 0;
    int skippedCodes = 0;    // distinct codes that cannot be held
    int finsRows = 0;        // disclosures stored
    bool finsFailed = false; // the disclosures could not all be fetched (said in a warning)
    // After a run that ended well: the open days of the range (up to today) without a daily file, as
    // "休場日でない日のデータがありません: …"; empty without a gap.
    std::string gapNotice;
};

struct RunHooks {
    LogFn log;
    std::function<void(const std::string&)> warn;      // a problem that does not end the run
    std::function<void(int done, int total)> progress; // days done of days total
};

RunOutcome runJQuants(const RunRequest& request, JQuantsApi& api, const RunHooks& hooks);

// What the key reaches, asked with one small request each over the last week (moved into the window when
// the service names one): the connection test's one message ("株価: 取得できます" ...), or the failure of
// the first request when that is not a plan matter (a wrong key, no connection).
std::string probeJQuants(JQuantsApi& api, Date today);

// The requests a run of the range will make at most when nothing is fetched yet (the masters, TOPIX and
// margin as the plan has them, one per weekday; pages not counted), and the minutes they take at pace.
struct RunEstimate {
    int requests = 0;
    int minutes = 0;
};
RunEstimate estimateRun(const RunRequest& request, int pace);
// The requests of a run of the latest days (a first start): the calendar, the master of the last day,
// TOPIX from Light, and per day its prices and, with fins, its disclosures; and the minutes at pace.
RunEstimate estimateLatest(Plan plan, int days, int pace, bool fins = true);
// The time requests take at pace requests a minute, as said to the user: "約 N 分", "約 H 時間 M 分"
// from an hour; never less than "約 1 分".
std::string aboutTime(int requests, int pace);
// The question asked before a range longer than a year, naming the requests and the time.
std::string longRangeQuestion(const RunRequest& request, int pace);

// The issue master of one day written as dataFolder/Regist.Mei (atomically); the number of issues.
Result<int> fetchJQuantsMaster(JQuantsApi& api, Date date, const std::string& dataFolder);

} // namespace kestrel::converter::jquants
