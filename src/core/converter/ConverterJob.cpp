#include "core/converter/ConverterJob.h"

#include "core/app/Files.h"
#include "core/converter/DatabaseConversion.h"
#include "core/converter/Lzh.h"
#include "core/db/FolderLock.h"

#include <algorithm>
#include <cstdio>

namespace kestrel::converter {

namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

void removeNoCase(const std::string& folder, const std::string& name) {
    if (auto path = findFileNoCase(folder, name))
        std::remove(path->c_str());
}

struct Job {
    const JobRequest& req;
    JobHooks& hooks;
    JobOutcome outcome;
    int source = 1;

    void log(const std::string& text) {
        if (hooks.log)
            hooks.log(text);
    }
    void notify(const std::string& text) { hooks.prompt->notify(text); }
    bool ask(const std::string& text) { return hooks.prompt->askYesNo(text); }
    void openPage(const std::string& address) {
        if (hooks.openPage)
            hooks.openPage(address);
    }

    // Downloads name from base into the data folder and unpacks the archive saved as localName.
    bool fetchAndExtract(const std::string& base, const std::string& name, const std::string& localName) {
        if (Status st = DownloadFile(req.dataFolder, base, name, hooks.fetch); !st)
            notify(st.message());
        auto archive = findFileNoCase(req.dataFolder, localName);
        std::string error;
        bool ok = archive && ExtractArchive(*archive, req.dataFolder, &error);
        if (ok)
            ++outcome.extracted;
        else
            ++outcome.unavailable;
        return ok;
    }

    void logFetched(const std::string& name, bool ok) {
        log(name + (ok || req.phases == JobPhases::ConvertOnly ? "を取得済" : "はまだ取得不能"));
    }

    // Source 9: each day's file is written as soon as all its pages arrived, so the conversion phase has
    // nothing left to do for it and an interrupted job keeps every finished day.
    bool jquantsDownload(Date from, Date to) {
        std::string error;
        auto api = hooks.jquants ? hooks.jquants(req.settings.data(kJQuantsSource), &error) : nullptr;
        if (!api) {
            notify(error.empty() ? "J-Quants に接続できません。" : error);
            return false;
        }
        jquants::RunRequest run;
        run.from = from;
        run.to = to;
        run.dataFolder = run.dailyFolder = run.marginFolder = req.dataFolder;
        run.databasePath = req.databasePath;
        run.plan = hooks.jquantsPlan;
        run.margin = true; // what the plan covers; a plan without margin balances is said once
        jquants::RunHooks runHooks;
        runHooks.log = hooks.log;
        runHooks.progress = [this](int done, int total) {
            log(std::to_string(done) + "/" + std::to_string(total) + " 日");
        };
        jquants::RunOutcome got = jquants::runJQuants(run, *api, runHooks);
        outcome.dailyFiles += got.daysWritten;
        if (got.cancelled) {
            notify("中止しました。作成済みの日はそのまま残っています。");
            return false;
        }
        if (!got.status) {
            notify(jquants::sentence(got.status.message()) +
                   (got.daysWritten > 0
                        ? "作成済みの " + std::to_string(got.daysWritten) + " 日分はそのまま残っています。"
                        : std::string()));
            return false;
        }
        if (!got.gapNotice.empty())
            log(got.gapNotice);
        log("全ダウンロード終了");
        return true;
    }

    // False when the job ends early.
    bool downloadPhase(Date from, Date to) {
        if (hooks.attemptConnect && !hooks.attemptConnect()) {
            notify("接続に失敗しました。");
            return false;
        }
        const ConverterSettings& s = req.settings;
        for (Date d = from; d <= to; d = d.addDays(1)) {
            std::string ymd = d.toYYYYMMDD();
            if (d.isWeekend()) {
                log(ymd + "　スキップ");
                continue;
            }
            if (source == 1 || source == 2) {
                if (d == from)
                    openPage(s.page(source));
                std::string local = ymd + (source == 1 ? ".lzh" : ".LZH");
                log(local + "を取得中");
                removeNoCase(req.dataFolder, ymd + ".csv");
                bool ok = source == 1
                              ? fetchAndExtract(s.data(1), local, local)
                              : fetchAndExtract(s.data(2) + "data" + std::to_string(d.year()) + "/", local, local);
                logFetched(local, ok);
            } else if (source == 8) {
                openPage(s.page(8));
                log("kabudata.lzhを取得中");
                logFetched("kabudata.lzh", fetchAndExtract(s.data(8), "kabudata.lzh", "kabudata.lzh"));
                break;
            } else if (source == kJQuantsSource) {
                return jquantsDownload(from, to);
            } else if (source == 3) {
                std::string spg = collectorFolder(s.data(3)) + "spg.mdb";
                if (Status st = PrepareSpg(req.databasePath, spg, hooks.log); !st) {
                    notify(st.message());
                    return false;
                }
                if (hooks.startProgram) {
                    if (Status st = hooks.startProgram(s.data(3), collectorFolder(s.data(3))); !st) {
                        notify(st.message());
                        return false;
                    }
                }
                if (!ask("読み込み終了しました？　ファイル変換を行います。よろしいですか？"))
                    return false;
            }
        }
        if (hooks.endOfDownloads)
            hooks.endOfDownloads();
        log("全ダウンロード終了");
        log("ﾀﾞｲﾔﾙｱｯﾌﾟを切断していいですよ!!");
        return true;
    }

    void conversionPhase(const IssueMaster& master, Date from, Date to) {
        const std::string& data = req.dataFolder;
        for (Date d = from; d <= to; d = d.addDays(1)) {
            if (d.isWeekend())
                continue;
            std::string ymd = d.toYYYYMMDD();
            if (source == 1 || source == 2) {
                log(ymd + ".csvをファイル変換中");
                auto r = ConvertCsvFile(master, joinPath(data, ymd + ".csv"), data, d, hooks.log);
                if (!r)
                    notify(r.message());
                else if (r->converted)
                    ++outcome.dailyFiles;
                log(ymd + ".csvをファイル変換終了");
                if (req.settings.check1 == 1) {
                    removeNoCase(data, ymd + ".LZH");
                    removeNoCase(data, ymd + ".csv");
                }
            } else if (source == 3) {
                log("ファイル変換中");
                std::string spg = collectorFolder(req.settings.data(3)) + "spg.mdb";
                if (Status st = ConvertSpgDatabase(master, spg, data, hooks.log); !st)
                    notify(st.message());
                std::remove(joinPath(data, kTempCsv).c_str());
            } else if (source == 8) {
                log("株式.mdbをファイル変換中");
                if (Status st = ConvertMonthlyDatabase(master, joinPath(data, "株式.mdb"), data, hooks.log); !st)
                    notify(st.message());
                if (req.settings.check1 == 1) {
                    removeNoCase(data, "kabudata.lzh");
                    removeNoCase(data, "株式.mdb");
                }
                return;
            }
        }
    }

    void run() {
        source = req.settings.setNo + 1;
        auto from = Date::parse(req.fromText), to = Date::parse(req.toText);
        if (!from || !to) {
            notify("日付を入力して下さい。");
            return;
        }
        if (*to < *from) {
            notify("日付範囲が誤っています。");
            return;
        }
        std::string question;
        if (source == 3) {
            std::string cmd = upper(req.settings.data(3));
            if (cmd.find(".EXE") == std::string::npos || cmd.find("-B") == std::string::npos) {
                notify("URL編集　で データー取得URLにＳＰＧパス spg.exe -b を入力して下さい。");
                return;
            }
            if (*from != *to) {
                notify("同じ日付を入力して下さい。");
                return;
            }
            question = "ＳＰＧから株価を取得します　よろしいですか？";
        } else if (req.phases == JobPhases::DownloadOnly) {
            question = "株価データーをダウンロードと解凍を行います　よろしいですか？";
        } else if (req.phases == JobPhases::ConvertOnly) {
            question = "株価データーをファイル変換を行います　よろしいですか？";
        } else {
            question = "株価データーをダウンロード 自動解凍　ファイル変換を行います　よろしいですか？";
        }
        if (!ask(question))
            return;
        auto master = LoadIssueMaster(req.databasePath);
        if (!master && source == kJQuantsSource) // the exchange's own issue list stands in for an empty Mei
            master = IssueMaster();
        if (!master) {
            notify("銘柄データーが読込み出来ませんでした　処理を中止します");
            return;
        }
        if (hooks.setBusy)
            hooks.setBusy(true);
        log("銘柄データ読込み中");
        // A folder that cannot be made shows as the failure of the first file written into it.
        (void)makeDir(req.dataFolder);
        bool go = req.phases == JobPhases::ConvertOnly || downloadPhase(*from, *to);
        if (go) {
            if (req.phases != JobPhases::DownloadOnly)
                conversionPhase(*master, *from, *to);
            notify(kFinalMessage);
            outcome.ran = true;
        }
        if (hooks.setBusy)
            hooks.setBusy(false);
    }
};

} // namespace

Status DownloadFile(const std::string& folder, const std::string& base, const std::string& name,
                    const net::Fetcher& fetch) {
    std::string url = base + name;
    std::string path = joinPath(folder, name);
    net::FetchResult got = fetch(url);
    if (!got.complete()) {
        std::remove(path.c_str());
        return Status::error(net::describeFailure(got, url));
    }
    if (size_t slash = path.find_last_of('/'); slash != std::string::npos)
        // A folder that cannot be made shows as the failure of the write below.
        (void)makeDir(path.substr(0, slash));
    if (Status st = writeFileAtomically(path, got.body); !st) {
        std::remove(path.c_str());
        return st;
    }
    return Status::ok();
}

JobOutcome runConverterJob(const JobRequest& request, JobHooks& hooks) {
    // The job reads Kestrel.mdb: the main program's folder is held shared meanwhile, so that no
    // compaction or restore replaces the file under it.
    auto lock = db::FolderLock::take(folderOfFile(request.databasePath), db::LockMode::Shared, db::lockWaitMs());
    if (!lock) {
        if (hooks.prompt)
            hooks.prompt->notify(lock.message());
        return {};
    }
    Job job{request, hooks, {}};
    job.run();
    return job.outcome;
}

} // namespace kestrel::converter
