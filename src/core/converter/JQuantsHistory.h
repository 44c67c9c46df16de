#pragma once
// History from J-Quants beyond the daily road: one issue's bars by code (one request and its pages for
// the missing part of the plan's window), and the market's history filled in the background, newest
// day first, one day per step. Both store exactly what the daily road stores for the same days (the
// day's bars go through the record writer and the daily import, or, by code, through the same record
// and change rules) and keep dayData equal to a straight daily import of the days: see BarChain.h.
//
// HistoryBackfill is driven by its owner one step at a time (a window's timer or worker, the command
// line's loop): each step either serves a queued on-demand issue, or fetches and imports one day in
// one transaction together with the relinking of the day after it and, at a week's last day, the
// weekly bars of that week and the next. Nothing else needs to be remembered to resume: the days
// still to fill are read back from the database (a day is done once its whole file is stored); the
// small state file only keeps the window and the count for the status line. Cancelling goes through
// the JQuantsApi (its request in flight ends the step); pausing is the owner not calling step().
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/converter/JQuantsBulk.h"
#include "core/converter/JQuantsData.h"
#include "core/converter/JQuantsRun.h"
#include "core/db/CalendarTable.h"
#include "core/db/Database.h"
#include "core/import/MarginImport.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::converter::jquants {

// Our issue code of a code typed by the user: four digits ("7203"), or the service's five characters
// ending in 0 ("72030"); nothing for anything else (a fifth character other than 0, letters).
std::optional<int> issueCodeArgument(std::string_view text);

// The bars the plan's window holds for an issue that trades every open day, counted low (240 open days
// a year against the market's 243 to 248), so that a full window is never taken for a short one.
int planWindowBars(Plan plan);
// Whether an issue with this many stored daily bars lacks history the plan would give.
bool issueHistoryWanted(long long storedBars, Plan plan);

// The requests a backfill of the plan's whole window makes at most (a day each, and a week's margin
// balances from Standard), and the question asked once after a first start, naming the time at pace.
int backfillRequests(Plan plan);
std::string backfillQuestion(Plan plan, int pace);

struct IssueHistoryRequest {
    int code = 0;
    std::optional<Date> from, to; // none: the missing part of the plan's window
    std::string databasePath;
    Plan plan = Plan::Free; // from Standard the issue's margin balances too
};

struct IssueHistoryOutcome {
    Status status;
    bool cancelled = false;
    int fetched = 0;      // bars the service gave
    int stored = 0;       // new dayData rows
    int alreadyThere = 0; // days already stored (from a daily file or an earlier fetch)
    int closedDays = 0;   // bars on days the stored market calendar names closed, left out
    int splitsProposed = 0;
    int marginWeeks = 0; // weeks of margin balances stored
    std::optional<Date> first, last;
    std::string message; // the line to show: what came, what was left out and why
};

// Fetches and imports the issue's bars (see the header). Without from/to the request is the whole
// window when the issue has no bar yet, else the part before its oldest bar. A refusal, a page that
// cannot be read or a cut page keeps nothing; an unknown issue is a clear message, not an error.
// From Standard the issue's margin balances of the same span are asked by code (one request and its
// pages) and stored week by week as the week's margin file stores them; when they cannot be had the
// bars stay and the message says so.
IssueHistoryOutcome fetchIssueHistory(JQuantsApi& api, const IssueHistoryRequest& request);

struct BackfillRequest {
    Plan plan = Plan::Free;
    Date today;
    std::optional<Date> until; // the oldest day to fill; none: the window's first day
    std::string databasePath;
    std::string workFolder;    // daily files are made here and removed once imported
    std::string statePath;     // the small state file (written atomically)
    std::string programFolder; // whose folder lock is respected; empty: none
    bool bulk = false;         // the monthly bulk files first (Light and up), the request road for the rest
};

struct BackfillProgress {
    std::optional<Date> reached; // the oldest day filled so far
    int done = 0, total = 0;     // open days of the span filled, and in all
    int pace = 5;                // requests a minute
    bool finished() const { return total > 0 && done >= total; }
    int minutesLeft() const { return (total - done + pace - 1) / std::max(pace, 1); }
    // "履歴: 2025-03-14 まで 38%・残り約 64 分", or "履歴: 取得済み" when finished.
    std::string text() const;
};

enum class StepResult {
    Day,       // a day was filled
    Issue,     // an on-demand issue was served
    Finished,  // nothing is left to fill
    Paused,    // another program holds the folder; try again later
    Cancelled, // the api was cancelled
    Failed,    // lastStatus() says why; the days before stay stored
};

class HistoryBackfill {
public:
    HistoryBackfill(BackfillRequest request, JQuantsApi& api, int pace);
    ~HistoryBackfill();
    // Reads the window and calendar (asking the service once when the state file or database lacks
    // them) and the days still to fill. Must succeed before step().
    Status start();
    StepResult step();
    // Queues an issue whose chart was opened: served by the next step, before any day.
    void requestIssue(int code) { m_issues.push_back(code); }
    BackfillProgress progress() const;
    const Status& lastStatus() const { return m_status; }
    const IssueHistoryOutcome& lastIssue() const { return m_lastIssue; }
    std::function<void(const std::string&)> log;

private:
    Status loadWindow();
    Status refreshTodo();
    StepResult fillDay(Date d);
    // The day's bars: from its month's bulk file when there is one, else asked for by date.
    Result<std::vector<BarRow>> dayBars(Date d);
    // Fetches and reads the month's bulk file (once more when it is damaged); false when none is listed.
    Result<bool> loadBulkMonth(int month);
    // The balances of the week ending at friday, asked as the daily road asks them (the week's last open
    // day first); none when the plan lacks them or the week is past the window.
    Result<std::optional<import::MarginFile>> weekMargins(Date friday);
    Status saveState() const;
    // The connection kept for the days of a run, opened again when the file was replaced meanwhile.
    Result<db::Database*> database();
    // Copies the write-ahead log the days left behind into the database file and lets the connection
    // go: at the end of a run, with the folder lock held.
    void settleLog();

    BackfillRequest m_req;
    JQuantsApi& m_api;
    int m_pace;
    Date m_from, m_to;
    db::MarketCalendar m_calendar;
    std::vector<Date> m_open; // open days of the span, newest first
    std::vector<Date> m_todo; // still to fill, newest first
    std::deque<int> m_issues;
    std::optional<IssueMaster> m_snapshot;
    std::map<int, MasterRow> m_master;
    std::map<long long, TopixRow> m_topix;
    bool m_topixAsked = false;
    std::unique_ptr<db::Database> m_db; // see database()
    unsigned long long m_dbDevice = 0, m_dbInode = 0;
    bool m_marginRefused = false; // the service refused margin balances for the plan: not asked again
    std::optional<std::vector<BulkFile>> m_bulkList;
    std::set<int> m_bulkTried;                      // months whose file was looked for in this run
    std::map<Date, std::vector<BarRow>> m_bulkDays; // read from a bulk file, not yet imported
    Status m_status;
    IssueHistoryOutcome m_lastIssue;
};

// What the state file and the database say of a backfill: nothing when none was started.
std::optional<BackfillProgress> backfillStatus(const std::string& statePath, const std::string& databasePath, int pace);

} // namespace kestrel::converter::jquants
