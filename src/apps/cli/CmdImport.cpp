// kestrel import-master / import-daily / build-weekly / import-margin / recompute: the import screens'
// procedures without windows, with the same checks and the same result messages.
#include "Command.h"
#include "core/import/DailyImport.h"
#include "core/import/DateRange.h"
#include "core/import/IssueMaster.h"
#include "core/import/MarginImport.h"
#include "core/import/Recompute.h"
#include "core/import/WeeklyBars.h"

#include <ostream>
#include <unistd.h>

namespace kestrel::cli {
namespace {

using namespace kestrel::import;

// Progress on the terminal: the current step and percentage on one line, only when err is a terminal.
ImportProgress terminalProgress(std::ostream& err) {
    ImportProgress p;
    if (!::isatty(2))
        return p;
    auto step = std::make_shared<std::string>();
    p.step = [&err, step](const std::string& s) {
        *step = s;
        err << "\r\033[K" << s << std::flush;
    };
    p.percent = [&err, step](int percent) { err << "\r\033[K" << *step << " " << percent << "%" << std::flush; };
    return p;
}

void endProgress(std::ostream& err) {
    if (::isatty(2))
        err << "\r\033[K" << std::flush;
}

// Ends the progress line, then prints the step's error or its completion message.
int finishStep(Invocation& inv, const Status& st, const char* doneMessage) {
    endProgress(inv.err);
    if (!st)
        return inv.fail(st);
    inv.out << doneMessage << "\n";
    return 0;
}

// A command's span and the database it works on.
struct SpanJob {
    Date from, to;
    std::unique_ptr<db::Database> db;
};

// The span of the two date arguments, checked as the screens check it, and the database opened; nothing
// (the message printed) when either fails.
std::optional<SpanJob> openSpanJob(Invocation& inv, bool weekSpan) {
    RangeCheck check = checkDateRange(Date::parse(inv.args[0]), Date::parse(inv.args[1]), weekSpan);
    if (!check.ok()) {
        inv.fail(StatusCode::InvalidInput, check.message);
        return std::nullopt;
    }
    auto db = inv.openDatabase();
    if (!db)
        return std::nullopt;
    return SpanJob{*Date::parse(inv.args[0]), *Date::parse(inv.args[1]), std::move(db)};
}

int runImportMaster(Invocation& inv) {
    if (!inv.args.empty())
        return inv.usage();
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    ImportProgress progress = terminalProgress(inv.err);
    progress.showStep(kMasterFileName);
    // What the import has to tell is an error (the file kept): standard error.
    auto r = ImportIssueMaster(*db, inv.context.paths.dataFolder, inv.errorPrompt(), progress.percent);
    endProgress(inv.err);
    if (r.message.empty())
        return 1;
    if (r.message != kReadFinished)
        return inv.fail(r.message);
    inv.out << r.message << "\n";
    inv.out << r.added << " 件追加, " << r.rewritten << " 件更新\n";
    return 0;
}

int runImportDaily(Invocation& inv) {
    const bool margin = inv.takeFlag("--margin");
    const bool weekly = inv.takeFlag("--weekly");
    if (inv.args.size() != 2)
        return inv.usage();
    const Settings& s = inv.context.settings;
    if (s.hibiPath.empty())
        return inv.fail("日々データーフォルダが登録されていません。");
    if (margin && s.sinyoPath.empty())
        return inv.fail("信用データーフォルダが登録されていません");
    auto job = openSpanJob(inv, false);
    if (!job)
        return inv.lastFailure;
    DailyImportOptions options;
    options.dailyFolder = s.hibiPath;
    options.deleteExisting = s.RDel == 1;
    options.readMargin = margin;
    options.marginFolder = s.sinyoPath;
    options.buildWeekly = weekly;
    auto r = ImportDailyFiles(*job->db, job->from, job->to, options, terminalProgress(inv.err));
    endProgress(inv.err);
    for (const std::string& w : r.warnings)
        inv.err << w << "\n";
    // A bad file: which files were stored before it and where the run stopped.
    if (!r.status)
        return inv.fail(Status::error(r.status.code(), stoppedImportMessage(r)));
    const bool done = r.rowsStored > 0 || r.marginStored || weekly;
    if (!r.message.empty())
        (r.rowsStored > 0 ? inv.out : inv.err) << r.message << "\n";
    if (!done) {
        if (!r.gapNotice.empty())
            inv.err << r.gapNotice << "\n";
        return 1;
    }
    inv.out << r.filesRead << " ファイル, " << r.rowsStored << " 件\n";
    if (margin)
        inv.out << (r.marginStored ? kMarginDone : kMarginNone) << "\n";
    if (weekly)
        inv.out << kWeeklyDone << "\n";
    if (!r.gapNotice.empty())
        inv.err << r.gapNotice << "\n";
    return 0;
}

int runBuildWeekly(Invocation& inv) {
    if (inv.args.size() != 2)
        return inv.usage();
    auto job = openSpanJob(inv, true);
    if (!job)
        return inv.lastFailure;
    return finishStep(inv, BuildWeeklyBars(*job->db, job->from, job->to, terminalProgress(inv.err)), kWeeklyDone);
}

int runImportMargin(Invocation& inv) {
    if (inv.args.size() != 2)
        return inv.usage();
    auto job = openSpanJob(inv, true);
    if (!job)
        return inv.lastFailure;
    auto r =
        ImportMarginBalances(*job->db, inv.context.settings.sinyoPath, job->from, job->to, terminalProgress(inv.err));
    endProgress(inv.err);
    if (!r)
        return inv.fail(r);
    inv.out << (*r ? kMarginDone : kMarginNone) << "\n";
    return *r ? 0 : 1;
}

int runRecompute(Invocation& inv) {
    if (inv.args.size() != 2 || (inv.args[0] != "daily" && inv.args[0] != "weekly"))
        return inv.usage();
    auto start = Date::parse(inv.args[1]);
    if (!start)
        return inv.fail(StatusCode::InvalidInput, kBadDate);
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    BarTable table = inv.args[0] == "daily" ? BarTable::Daily : BarTable::Weekly;
    return finishStep(inv, recomputeChanges(*db, table, *start, terminalProgress(inv.err)), kRecomputeDone);
}

const CommandRegistrar kMaster({"import-master", "",
                                "import Data/Regist.Mei into the issue master (the file is deleted afterwards)",
                                runImportMaster});
const CommandRegistrar kDaily({"import-daily", "FROM TO [--margin] [--weekly]",
                               "import the daily price files of the range from the daily-data folder; "
                               "--margin also reads margin balances, --weekly also builds weekly bars",
                               runImportDaily});
const CommandRegistrar kWeekly({"build-weekly", "MONDAY FRIDAY", "rebuild the weekly bars of the span",
                                runBuildWeekly});
const CommandRegistrar kMargin({"import-margin", "MONDAY FRIDAY",
                                "import the margin balance files of the span from the margin-data folder",
                                runImportMargin});
const CommandRegistrar kRecompute({"recompute", "daily|weekly FROM",
                                   "recompute the previous-day changes of daily or weekly bars from a date",
                                   runRecompute});

} // namespace
} // namespace kestrel::cli
