#include "core/info/DownloadInformation.h"

#include "core/app/Files.h"
#include "core/db/Schema.h"
#include "core/info/InformationFiles.h"
#include "core/info/InformationStore.h"
#include "core/net/ServerFiles.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace kestrel::info {
namespace {

using net::FetchResult;

class Run {
public:
    Run(const ProgramPaths& paths, const std::string& durl, const InfoDownloadOptions& options,
        const net::Fetcher& fetch, Prompt& prompt, const InfoDownloadObserver& observer)
        : m_paths(paths), m_durl(durl), m_options(options), m_fetch(fetch), m_prompt(prompt), m_observer(observer) {}

    InfoDownloadResult run();

private:
    bool checkAndAsk(db::Database& db);
    void downloadKinds(db::Database& db);
    void downloadLists(db::Database& db);
    // Fetches url; false when the transfer was cancelled (the run must stop).
    bool fetch(const std::string& url, FetchResult& got);
    void status(const std::string& text) {
        if (m_observer.status)
            m_observer.status(text);
    }
    void progress(int done, int total) {
        if (m_observer.progress)
            m_observer.progress(done, total);
    }
    void note(const std::string& text) {
        if (!text.empty() && std::find(m_r.notes.begin(), m_r.notes.end(), text) == m_r.notes.end())
            m_r.notes.push_back(text);
    }

    const ProgramPaths& m_paths;
    const std::string& m_durl;
    const InfoDownloadOptions& m_options;
    const net::Fetcher& m_fetch;
    Prompt& m_prompt;
    const InfoDownloadObserver& m_observer;
    std::optional<Date> m_start, m_end;
    InfoDownloadResult m_r;
};

bool Run::checkAndAsk(db::Database& db) {
    if (m_options.ask || m_options.mode == 0) {
        m_start = Date::parse(m_options.startText);
        m_end = Date::parse(m_options.endText);
        if (!m_start || !m_end) {
            m_prompt.notify("日付を入力して下さい。");
            return false;
        }
        if (*m_end < *m_start) {
            m_prompt.notify("日付範囲が誤っています。");
            return false;
        }
    }
    if (!m_options.ask)
        return true;
    std::string question = "データーを取得します　よろしいですか？";
    if (m_options.mode == 1) {
        auto count = kindCount(db);
        if (!count) {
            m_prompt.notify(count.message());
            return false;
        }
        question = *count > 0 ? "種類データーはすでに読込みされています　再読込みを行いますか？"
                              : "種類データーを取得します　よろしいですか？";
    }
    return m_prompt.askYesNo(question);
}

bool Run::fetch(const std::string& url, FetchResult& got) {
    m_r.urls.push_back(url);
    got = m_fetch(url);
    if (got.outcome == FetchResult::Outcome::Cancelled) {
        m_r.cancelled = true;
        return false;
    }
    if (got.outcome == FetchResult::Outcome::Failed || got.outcome == FetchResult::Outcome::TimedOut)
        note(net::describeFailure(got, url));
    return true;
}

void Run::downloadKinds(db::Database& db) {
    std::string bytes;
    if (m_options.kindsFromServer) {
        status("情報種類取得中");
        FetchResult got;
        if (!fetch(net::serverUrl(m_durl, net::kKindsServerPath), got))
            return;
        if (got.complete())
            bytes = got.body;
    } else if (auto local = findFileNoCase(m_paths.dataFolder, kKindsFileName)) {
        auto read = readWholeFile(*local);
        if (!read)
            m_prompt.notify(read.message());
        else
            bytes = *read;
    }
    std::optional<std::string> text = net::serverFileText(bytes);
    if (!text || !net::leadingDate(*text)) {
        status("情報種類 スキップ.....");
        return;
    }
    auto file = parseKindsFile(*text);
    if (!file) {
        m_prompt.notify(std::string(kKindsFileName) + ": " + file.message());
        return;
    }
    auto taken = storeKinds(db, *file);
    if (!taken) {
        m_prompt.notify(std::string(kKindsFileName) + ": " + taken.message());
        return;
    }
    if (!*taken) {
        note(std::string(kKindsFileName) + ": 種類の数が合いません (" + std::to_string(file->declared.value_or(-1)) +
             " 件のはずが " + std::to_string(file->kinds.size()) + " 件)");
        return;
    }
    ++m_r.storedFiles;
    ++m_r.completeFiles;
}

void Run::downloadLists(db::Database& db) {
    for (const char* letter : {"d", "w"}) {
        std::vector<std::string> kinds;
        auto walk = db.prepare("select 種類コード from informationClass WHERE 種類コード Like ? order by 表示順 ;");
        if (!walk) {
            m_prompt.notify(walk.message());
            return;
        }
        walk->bind(1, std::string(letter) + "%");
        for (auto row = walk->step(); row && *row; row = walk->step())
            kinds.push_back(walk->text(0));
        const int total = static_cast<int>(kinds.size());
        bool passEnded = false;
        for (Date d = *m_start; d <= *m_end && !passEnded; d = d.addDays(1)) {
            if (letter[0] == 'd' ? d.isWeekend() : d.weekday() != 6)
                continue;
            progress(0, total);
            int done = 0;
            for (const std::string& kind : kinds) {
                progress(++done, total);
                const std::string day = d.toYYYYMMDD();
                status(day + kind);
                const std::string name = "jyhodata/" + day + "." + kind;
                FetchResult got;
                if (!fetch(net::serverUrl(m_durl, name), got))
                    return;
                if (got.outcome == FetchResult::Outcome::Failed || got.outcome == FetchResult::Outcome::TimedOut ||
                    (got.complete() && got.body.empty())) {
                    passEnded = true; // an empty answer: nothing more of this letter is fetched
                    break;
                }
                std::optional<std::string> text;
                if (got.complete())
                    text = net::serverFileText(got.body);
                if (!text || !net::leadingDate(*text)) {
                    status(day + " ｽｷｯﾌﾟ..");
                    continue;
                }
                auto file = parseListFile(*text);
                if (!file) {
                    m_prompt.notify(name + ": " + file.message());
                    continue;
                }
                if (Status s = storeList(db, kind, d, *file); !s) {
                    m_prompt.notify(name + ": " + s.message());
                    continue;
                }
                ++m_r.storedFiles;
                if (file->declared && *file->declared == static_cast<int>(file->rows.size()))
                    ++m_r.completeFiles;
            }
        }
    }
    progress(1, 1);
}

InfoDownloadResult Run::run() {
    auto db = db::openKestrelDatabase(m_paths.databasePath);
    if (!db) {
        m_prompt.notify(db.message());
        return m_r;
    }
    if (!checkAndAsk(**db))
        return m_r;
    m_r.ran = true;
    if (m_observer.transferStarted)
        m_observer.transferStarted();
    status("情報自動取得...");
    if (m_options.mode == 1)
        downloadKinds(**db);
    else
        downloadLists(**db);
    if (m_r.cancelled)
        return m_r;
    m_r.message = m_r.completeFiles > 0 ? kDownloadFinished : net::kNotFoundMessage;
    for (const std::string& n : m_r.notes)
        m_r.message += "\n" + n;
    if (m_options.mode == 1 && !m_options.kindsFromServer)
        if (auto local = findFileNoCase(m_paths.dataFolder, kKindsFileName))
            std::remove(local->c_str());
    return m_r;
}

} // namespace

InfoDownloadResult DownloadInformation(const ProgramPaths& paths, const std::string& durl,
                                       const InfoDownloadOptions& options, const net::Fetcher& fetch, Prompt& prompt,
                                       const InfoDownloadObserver& observer) {
    return Run(paths, durl, options, fetch, prompt, observer).run();
}

InfoDownloadResult loadShippedKinds(const ProgramPaths& paths, const std::string& durl, Prompt& prompt) {
    auto shipped = findFileNoCase(paths.programFolder, kKindsFileName);
    if (!shipped && !paths.shippedFolder.empty())
        shipped = findFileNoCase(paths.shippedFolder, kKindsFileName);
    if (shipped) {
        auto bytes = readWholeFile(*shipped);
        Status copied =
            bytes ? writeFileAtomically(joinPath(paths.dataFolder, kKindsFileName), *bytes) : bytes.status();
        if (!copied)
            prompt.notify(copied.message());
    }
    InfoDownloadOptions options;
    options.mode = 1;
    options.kindsFromServer = false;
    InfoDownloadResult r = DownloadInformation(paths, durl, options, net::Fetcher(), prompt);

    auto computed = findFileNoCase(paths.programFolder, kComputedKindsFileName);
    if (!computed && !paths.shippedFolder.empty())
        computed = findFileNoCase(paths.shippedFolder, kComputedKindsFileName);
    if (!computed)
        return r;
    auto bytes = readWholeFile(*computed);
    if (!bytes) {
        prompt.notify(bytes.message());
        return r;
    }
    std::optional<std::string> text = net::serverFileText(*bytes);
    auto file = text ? parseKindsFile(*text) : Result<KindsFile>::error("CP932 の文字ではありません。");
    if (!file) {
        prompt.notify(std::string(kComputedKindsFileName) + ": " + file.message());
        return r;
    }
    auto db = db::openKestrelDatabase(paths.databasePath);
    auto taken = db ? storeKinds(**db, *file) : Result<bool>(db.status());
    if (!taken)
        prompt.notify(std::string(kComputedKindsFileName) + ": " + taken.message());
    return r;
}

} // namespace kestrel::info
