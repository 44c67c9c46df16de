#pragma once
// One converter job over a date range for one source: the checks and the question, the issue master
// snapshot, the download phase (archives fetched into the data folder and unpacked; the collector
// prepared and started for source 3) and the conversion phase into daily files. Every step is
// reported through the log; questions and notices go through the Prompt. The outside world (HTTP,
// the browser, starting a program) comes in through hooks, so the screens, the batch mode and the
// tests drive the same procedure.
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/converter/ConverterSettings.h"
#include "core/converter/JQuantsRun.h"
#include "core/converter/RecordWriter.h"
#include "core/net/Fetch.h"

#include <functional>
#include <memory>
#include <string>

namespace kestrel::converter {

enum class JobPhases { DownloadOnly = 1, ConvertOnly = 2, All = 3 };

inline constexpr const char* kFinalMessage = "終了しました 右上の×で閉じて【株価データー読込み】を実行して下さい。";

struct JobRequest {
    ConverterSettings settings; // the source is settings.setNo + 1
    std::string fromText, toText;
    JobPhases phases = JobPhases::All;
    std::string databasePath; // Kestrel.mdb of the main program
    std::string dataFolder;
};

struct JobHooks {
    Prompt* prompt = nullptr;
    LogFn log;
    net::Fetcher fetch;
    std::function<void(const std::string& address)> openPage;
    std::function<bool()> attemptConnect;
    // Starts commandLine with workingFolder as its current folder, without waiting for it.
    std::function<Status(const std::string& commandLine, const std::string& workingFolder)> startProgram;
    std::function<void()> endOfDownloads; // beep and hang up a dial-up line
    // Called as the job starts and ends working (busy flag, hourglass).
    std::function<void(bool busy)> setBusy;
    // The J-Quants connection of source 9 (data address "" for Kestrel.ini's JQuantsURL); nothing, with
    // the reason in *error, when there is no key or no usable address.
    std::function<std::unique_ptr<jquants::JQuantsApi>(const std::string& address, std::string* error)> jquants;
    jquants::Plan jquantsPlan = jquants::Plan::Free; // decides which endpoints source 9 asks
};

struct JobOutcome {
    bool ran = false;    // the job got past its checks and question and reached the final message
    int extracted = 0;   // archives unpacked
    int unavailable = 0; // archives logged as not yet available
    int dailyFiles = 0;  // daily files written from CSV days or J-Quants days
};

// Fetches base + name and writes the body to folder + "/" + name through a temporary file renamed on
// success; on any failure (error status, broken or timed-out transfer) the old file of that name is
// removed and the description is returned. A server's error page is never written as an archive.
Status DownloadFile(const std::string& folder, const std::string& base, const std::string& name,
                    const net::Fetcher& fetch);

JobOutcome runConverterJob(const JobRequest& request, JobHooks& hooks);

} // namespace kestrel::converter
