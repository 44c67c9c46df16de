#pragma once
// Fetching company disclosures (/fins/summary) into Kessan: by disclosure date (one request, and its
// pages, per open day of the stored calendar, weekdays where it names none) or for one issue (one request
// and its pages: every disclosure of the plan's window). Each day, or the issue, is stored in one
// transaction once all its pages arrived, so a failure part way keeps every day before it. A date
// outside the plan's window (a 400 naming it) is left out with the window said once; an endpoint the plan
// lacks is said once and ends the run without error. The transport (key, pace, 429 waits) is the caller's
// JQuantsApi; the service allows this endpoint at most 60 requests a minute on every plan.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/converter/JQuantsRun.h"
#include "core/db/Database.h"

#include <functional>
#include <optional>
#include <string>

namespace kestrel::converter::jquants {

inline constexpr int kFinsPace = 60; // requests a minute the endpoint allows

struct FinsFetchRequest {
    Date from, to; // by date, when code is 0
    int code = 0;  // > 0: the whole window
};

struct FinsFetchOutcome {
    Status status; // the error that ended the run
    bool cancelled = false;
    bool planRefused = false; // the plan lacks the endpoint (said once in warn)
    std::optional<DateWindow> window;
    int days = 0;        // days (or the one issue) stored
    int daysOutside = 0; // days of the range outside the window
    int rows = 0;        // disclosures stored
    int skipped = 0;     // rows of codes that cannot be held
};

struct FinsFetchHooks {
    std::function<void(const std::string&)> log;
    std::function<void(const std::string&)> warn;
    std::function<void(int done, int total)> progress;
};

// fetchedAt: "YYYY-MM-DD HH:MM:SS" recorded with every row.
FinsFetchOutcome fetchFins(const FinsFetchRequest& request, JQuantsApi& api, db::Database& db,
                           const std::string& fetchedAt, const FinsFetchHooks& hooks);

} // namespace kestrel::converter::jquants
