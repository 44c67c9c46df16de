#pragma once
// DownloadInformation: brings the stock-information kinds (mode 1) or the ranking lists of a date range
// (mode 0) from the data server into Kestrel.mdb.
//
// Lists are fetched in two passes, kinds starting with "d" on every weekday of the range and kinds
// starting with "w" on its Fridays, each pass walking informationClass in display order. An empty
// answer or a transfer that fails ends the pass; an answer that is not a list is skipped. Each list
// replaces that kind's rows for the date; a list with fewer or more rows than its header declares is
// stored but does not count as complete. Kinds are taken only from a complete kinds file.
// The result message is "ダウンロード終了しました。" when at least one file was complete, else
// "取得するファイルが見つかりません。", followed by notes on failed transfers.
#include "core/app/Prompt.h"
#include "core/net/Fetch.h"
#include "core/startup/Startup.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrel::info {

inline constexpr const char* kDownloadFinished = "ダウンロード終了しました。";
inline constexpr const char* kKindsFileName = "infodata";
// The kinds of the lists computed from the stored prices, shipped beside infodata.
inline constexpr const char* kComputedKindsFileName = "infocalc";

struct InfoDownloadOptions {
    int mode = 0; // 0 lists for the date range, 1 kinds
    // Validates the dates and asks before starting (the download window's buttons).
    bool ask = false;
    // Mode 1: true fetches the kinds from the server; false reads Data/infodata and deletes it afterwards.
    bool kindsFromServer = true;
    std::string startText, endText; // the range, as date text (needed in mode 0, checked when asking)
};

struct InfoDownloadObserver {
    std::function<void(const std::string&)> status;    // the status line
    std::function<void(int done, int total)> progress; // the progress bar; total 0 empties it
    std::function<void()> transferStarted;             // the questions were answered Yes
};

struct InfoDownloadResult {
    bool ran = false;       // false when a date check or a question ended the call
    bool cancelled = false; // a transfer was cancelled: the call stopped at once
    std::string message;    // for the hand-over text; empty unless ran and not cancelled
    int completeFiles = 0;
    int storedFiles = 0;
    int failedFiles = 0;           // computed lists: days whose lists could not be stored (the run failed)
    std::vector<std::string> urls; // every address fetched, in order
    std::vector<std::string> notes;
};

// Runs the download on the program's database. Errors of one file (a refused row, an unreadable file)
// are shown through prompt and the next file follows. durl is the data server's address (DURL).
InfoDownloadResult DownloadInformation(const ProgramPaths& paths, const std::string& durl,
                                       const InfoDownloadOptions& options, const net::Fetcher& fetch, Prompt& prompt,
                                       const InfoDownloadObserver& observer = {});

// The first-start load of the kinds shipped in the program folder (or, when it has none, in
// paths.shippedFolder): copies that infodata to Data/infodata and runs DownloadInformation in mode 1
// from that file, without questions. Then stores the kinds of the shipped kComputedKindsFileName (its
// problems are shown through prompt; the result is the download's).
InfoDownloadResult loadShippedKinds(const ProgramPaths& paths, const std::string& durl, Prompt& prompt);

} // namespace kestrel::info
