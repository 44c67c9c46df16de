// kestrel backfill: the market's history over the plan's window, newest day first, in the foreground
// with a progress line. Each day is committed on its own, so a run stopped (Ctrl-C, a kill) resumes
// where it stopped. --bulk reads whole months from the bulk files. --status says how far it is without
// asking the service.
#include "CancelOnInterrupt.h"
#include "Command.h"
#include "ProgressLine.h"
#include "core/app/Files.h"
#include "core/converter/JQuantsHistory.h"
#include "core/converter/JQuantsSettings.h"
#include "core/db/FolderLock.h"
#include "platform/JQuantsClient.h"
#include "services/converter/JQuantsHook.h"

#include <QThread>
#include <ostream>

namespace kestrel::cli {
namespace {

using namespace kestrel::converter::jquants;

std::string statePath(const Invocation& inv) {
    return joinPath(inv.context.paths.dataFolder, "Backfill.state");
}

int runBackfill(Invocation& inv) {
    const bool status = inv.takeFlag("--status");
    const bool bulk = inv.takeFlag("--bulk");
    auto until = inv.takeOption("--until");
    if (!inv.args.empty())
        return inv.usage();
    const JQuantsSettings settings = loadJQuantsSettings(inv.context.paths.iniPath);
    if (status) {
        auto p = backfillStatus(statePath(inv), inv.context.paths.databasePath, settings.pace());
        inv.out << (p ? p->text() : std::string("履歴の取得はまだ始めていません")) << "\n";
        return 0;
    }
    if (bulk && settings.plan == Plan::Free)
        return inv.fail(StatusCode::InvalidInput, "--bulk: 一括ファイルは Light 以上のプランで取得できます"
                                                  "（ご契約は Free）。--bulk なしで実行してください。");
    BackfillRequest req;
    req.plan = settings.plan;
    req.today = Date::today();
    if (until) {
        req.until = inv.parseDate(*until);
        if (!req.until)
            return inv.lastFailure;
    }
    req.databasePath = inv.context.paths.databasePath;
    req.workFolder = joinPath(inv.context.paths.dataFolder, "Backfill");
    req.statePath = statePath(inv);
    req.programFolder = inv.context.paths.programFolder;
    req.bulk = bulk;
    QString why;
    auto options = platform::jquantsOptions(inv.context.paths.iniPath, &why);
    if (!options)
        return inv.fail(why.toStdString());
    platform::JQuantsClient client(*options);
    HistoryBackfill job(req, client, options->pace);
    ProgressLine progress(inv.out, inv.err);
    client.onWait = [&](int seconds, bool limited) {
        if (limited)
            progress.show(job.progress().text() + "  " + services::waitText(seconds, limited));
    };
    job.log = [&](const std::string& line) { progress.log(line); };
    CancelOnInterrupt interrupt(client);
    int rc = 0;
    if (Status st = job.start(); !st) {
        rc = inv.fail(st);
    } else {
        for (;;) {
            progress.show(job.progress().text());
            StepResult r = job.step();
            if (r == StepResult::Day || r == StepResult::Issue)
                continue;
            if (r == StepResult::Paused) {
                progress.show(job.progress().text() + "  ほかのプログラムがフォルダを使用中のため待っています");
                QThread::sleep(5);
                continue;
            }
            progress.clear();
            if (r == StepResult::Finished)
                inv.out << job.progress().text() << "\n";
            else if (r == StepResult::Cancelled)
                rc = inv.fail(
                    "中止しました。取り込み済みの日はそのまま残っています。もう一度実行すると続きから取得します");
            else
                rc = inv.fail(job.lastStatus().message() + "\n取り込み済みの日はそのまま残っています");
            break;
        }
    }
    return rc;
}

const CommandRegistrar
    kBackfill({"backfill", "[--bulk] [--until DATE] | --status",
               "fill the J-Quants plan's window for every issue, newest day first, each day "
               "committed on its own; resumes where a stopped run ended; --until DATE stops at "
               "that day; --bulk takes the months from the monthly bulk files (Light and up); --status says "
               "how far it is",
               runBackfill});

} // namespace
} // namespace kestrel::cli
