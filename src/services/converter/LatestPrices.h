#pragma once
// The latest prices from J-Quants in one step, for a program folder that has none yet: the issue master
// and the last `days` weekdays the plan covers (before the window's end when the service names one) are
// fetched into the data folders as fetch-jquants writes them, then imported: Regist.Mei into the issue
// master, the daily files into the daily bars, and the weekly bars of those weeks when the setting MakeSyu
// asks for them (as the read screen does). A failure part way keeps and imports the days fetched before
// it. cancel() stops the fetching after the request in flight (the client's waits keep the event loop
// running, so a window's button reaches it); nothing is imported then, and the files already written stay
// for a later import.
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/startup/AppContext.h"
#include "platform/JQuantsClient.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrel::services {

struct LatestPricesOutcome {
    Status status; // what ended the run early, or why nothing came
    bool cancelled = false;
    Date from, to;                  // the days asked (inside the window when the service named one)
    int days = 0;                   // daily files of those days, written now or before
    long long rows = 0;             // daily bars stored
    int firstCode = 0;              // the lowest issue code of the master that now has daily bars; 0 for none
    std::vector<std::string> notes; // the run's warnings (what the plan lacks, cells read as 0)
};

class LatestPricesRun {
public:
    LatestPricesRun(const AppContext& context, const platform::JQuantsClient::Options& options);

    // A line saying what runs, with requests made of about total (0 of 0 once the fetching ended).
    std::function<void(const std::string& text, int done, int total)> progress;

    // Questions and errors of the imports go through prompt.
    LatestPricesOutcome run(int days, Prompt& prompt);
    void cancel();

private:
    void tell(const std::string& text);

    const AppContext& m_context;
    platform::JQuantsClient m_client;
    bool m_cancelled = false;
    int m_done = 0, m_total = 0; // requests made, of about this many
    std::string m_step;          // the line shown while a request runs
};

// The outcome as told to the user: the days imported (with what the run noted), or why there are none.
std::string latestPricesMessage(const LatestPricesOutcome& outcome);

} // namespace kestrel::services
