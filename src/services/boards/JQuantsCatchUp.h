#pragma once
// Brings the stored daily bars up to the last open day through J-Quants, for a board refresh: the days
// after the latest stored date are fetched into the daily-data folder (days already written are kept)
// and imported with their weekly bars. Nothing is fetched when the bars are already there. A plan whose
// bars come late (the Free plan's twelve weeks) is brought up to the last open day it gives instead.
// A fetch that fails or is cancelled part way still imports the days written before it. cancel() ends
// the fetching after the request in flight; the client's waits keep the event loop running, so a
// window's button (or Escape) reaches it.
#include "core/app/Date.h"
#include "core/startup/AppContext.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kestrel::platform {
class JQuantsClient;
}

namespace kestrel::services {

class JQuantsCatchUp {
public:
    explicit JQuantsCatchUp(AppContext& context);
    ~JQuantsCatchUp();

    // The run's lines: what it does, its warnings and its waits ("… 秒待ってから再開します").
    std::function<void(const std::string&)> log;
    // Days fetched of days to fetch, while fetching.
    std::function<void(int done, int total)> progress;

    // The reason the bars could not be brought up to lastOpenDay (no key, a date the plan refuses, a
    // failed import, "中止しました。" after cancel()), or nothing when they were.
    std::optional<std::string> run(Date lastOpenDay);
    void cancel();
    bool cancelled() const { return m_cancelled; }

private:
    void tell(const std::string& line) const;

    AppContext& m_context;
    std::unique_ptr<platform::JQuantsClient> m_client;
    bool m_cancelled = false;
};

// One run without cancel, its lines to log.
std::optional<std::string> catchUpFromJQuants(AppContext& context, Date lastOpenDay,
                                              const std::function<void(const std::string&)>& log = {});

} // namespace kestrel::services
