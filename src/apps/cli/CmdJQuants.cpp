// kestrel fetch-jquants: the exchange's J-Quants API as a price source. Writes the daily files (and
// with --master Data/Regist.Mei, with --margin the margin files) of the range, then with --import runs
// the imports of the same range. Ctrl-C stops after the request in flight; what was written is whole.
// A failure part way keeps (and with --import imports) every day finished before it; the exit status
// is 1 only when the run fetched nothing. --latest N fetches the last N weekdays the plan covers.
#include "CancelOnInterrupt.h"
#include "Command.h"
#include "ProgressLine.h"
#include "core/converter/JQuantsHistory.h"
#include "core/converter/JQuantsRun.h"
#include "core/converter/JQuantsSettings.h"
#include "platform/JQuantsClient.h"
#include "services/converter/JQuantsHook.h"

#include <charconv>
#include <ostream>

namespace kestrel::cli {
namespace {

using namespace kestrel::converter::jquants;

int runCommand(Invocation& inv, const char* name, std::vector<std::string> args) {
    for (const CommandInfo& c : commands()) {
        if (std::string(name) == c.name) {
            Invocation sub{std::move(args), inv.context, inv.prompt, inv.out, inv.err, inv.errorNotices};
            sub.usageText = std::string("usage: kestrel ") + c.name + " " + c.usage;
            return c.run(sub);
        }
    }
    return 1;
}

// One issue by code: the missing part of the plan's window (or FROM..TO), imported as the daily road would.
int runFetchIssue(Invocation& inv, const std::string& codeText) {
    (void)inv.takeFlag("--import"); // bars by code always go straight into the database
    auto code = issueCodeArgument(codeText);
    if (!code)
        return inv.fail(StatusCode::InvalidInput,
                        codeText + ": 取り込めない銘柄コードです（4 桁の数字で指定してください）");
    IssueHistoryRequest req{*code, std::nullopt, std::nullopt, inv.context.paths.databasePath,
                            loadJQuantsSettings(inv.context.paths.iniPath).plan};
    if (inv.args.size() == 2) {
        req.from = inv.parseDate(inv.args[0]);
        req.to = inv.parseDate(inv.args[1]);
        if (!req.from || !req.to)
            return inv.lastFailure;
        if (*req.to < *req.from)
            return inv.fail(StatusCode::InvalidInput, "日付の範囲が誤っています。");
    } else if (!inv.args.empty()) {
        return inv.usage();
    }
    QString why;
    auto options = platform::jquantsOptions(inv.context.paths.iniPath, &why);
    if (!options)
        return inv.fail(why.toStdString());
    platform::JQuantsClient client(*options);
    client.onWait = [&](int seconds, bool limited) { inv.err << services::waitText(seconds, limited) << "\n"; };
    IssueHistoryOutcome out = [&] {
        CancelOnInterrupt interrupt(client);
        return fetchIssueHistory(client, req);
    }();
    if (out.cancelled)
        return inv.fail("中止しました。何も取り込んでいません");
    if (!out.status)
        return inv.fail(out.status);
    inv.out << out.message << "\n";
    if (out.splitsProposed > 0)
        inv.out << "株式分割の候補 " << out.splitsProposed << " 件を記録しました。\n";
    return 0;
}

int runFetchJQuants(Invocation& inv) {
    if (auto code = inv.takeOption("--code"))
        return runFetchIssue(inv, *code);
    RunRequest req;
    req.master = inv.takeFlag("--master");
    req.margin = inv.takeFlag("--margin");
    req.refetch = inv.takeFlag("--refetch");
    const bool import = inv.takeFlag("--import");
    std::optional<Date> from, to;
    if (auto latest = inv.takeOption("--latest")) {
        int n = 0;
        auto [p, ec] = std::from_chars(latest->data(), latest->data() + latest->size(), n);
        if (ec != std::errc() || p != latest->data() + latest->size() || n < 1 || n > 260 || !inv.args.empty())
            return inv.usage();
        req.latest = n;
        from = to = Date::today();
    } else {
        if (inv.args.size() != 2)
            return inv.usage();
        from = inv.parseDate(inv.args[0]);
        to = inv.parseDate(inv.args[1]);
        if (!from || !to)
            return inv.lastFailure;
        if (*to < *from)
            return inv.fail(StatusCode::InvalidInput, "日付の範囲が誤っています。");
    }
    const Settings& s = inv.context.settings;
    if (s.hibiPath.empty())
        return inv.fail("日々データーフォルダが登録されていません。");
    if (req.margin && s.sinyoPath.empty())
        return inv.fail("信用データーフォルダが登録されていません");
    QString why;
    auto options = platform::jquantsOptions(inv.context.paths.iniPath, &why);
    if (!options)
        return inv.fail(why.toStdString());
    req.from = *from;
    req.to = *to;
    req.plan = loadJQuantsSettings(inv.context.paths.iniPath).plan;
    req.dataFolder = inv.context.paths.dataFolder;
    req.dailyFolder = s.hibiPath;
    req.marginFolder = s.sinyoPath;
    req.databasePath = inv.context.paths.databasePath;
    if (from->daysUntil(*to) > 366 && !inv.prompt.askYesNo(longRangeQuestion(req, options->pace)))
        return 3;

    platform::JQuantsClient client(*options);
    ProgressLine progress(inv.out, inv.err);
    int done = 0, total = 0;
    client.onWait = [&](int seconds, bool limited) {
        progress.show(std::to_string(done) + "/" + std::to_string(total) + " 日  " +
                      services::waitText(seconds, limited));
    };
    RunHooks hooks;
    hooks.log = [&](const std::string& line) { progress.log(line); };
    hooks.warn = [&](const std::string& line) { inv.err << line << "\n"; };
    hooks.progress = [&](int d, int t) {
        done = d;
        total = t;
        progress.show(std::to_string(d) + "/" + std::to_string(t) + " 日");
    };
    RunOutcome out = [&] {
        CancelOnInterrupt interrupt(client);
        return runJQuants(req, client, hooks);
    }();
    progress.clear();
    inv.out << out.daysWritten << " 日分を作成, " << out.daysKept << " 日分は作成済み, " << out.holidays
            << " 日は休場日, " << client.requestCount() << " 回の要求\n";
    if (out.splitsProposed > 0)
        inv.out << "株式分割の候補 " << out.splitsProposed << " 件を記録しました。\n";
    if (out.cancelled)
        return inv.fail("中止しました。作成済みの日はそのまま残っています");
    // A failure part way ends the fetching, not the run: what came is kept and imported.
    if (!out.status) {
        if (out.daysWritten == 0)
            return inv.fail(out.status.message());
        inv.err << out.status.message() << "\n";
        inv.err << "作成済みの " << out.daysWritten << " 日分はそのまま残っています" << (import ? "。取り込みます" : "")
                << "\n";
    }
    if (!import || out.daysTotal == 0)
        return 0;
    if (req.master && runCommand(inv, "import-master", {}) != 0)
        return 1;
    int rc = runCommand(inv, "import-daily", {out.from.toIso(), out.to.toIso(), "--weekly"});
    if (rc != 0)
        return rc;
    if (req.margin) {
        Date monday = PrevMonday(out.from), friday = NextFriday(out.to);
        // A range without margin files is no error; when this run wrote some, their import must succeed.
        int marginRc = runCommand(inv, "import-margin", {monday.toIso(), friday.toIso()});
        if (marginRc != 0 && out.marginFiles > 0)
            return marginRc;
    }
    return 0;
}

const CommandRegistrar kFetch({"fetch-jquants",
                               "FROM TO | --latest N [--master] [--margin] [--import] [--refetch] | --code CODE "
                               "[FROM TO] [--import]",
                               "fetch the range from the J-Quants API (key from the keyring or JQUANTS_API_KEY) into "
                               "daily files; --master writes Data/Regist.Mei, --margin the margin files, --import "
                               "imports them; days already fetched are kept unless --refetch; --latest N fetches the "
                               "last N open days of the market calendar that the plan (JQuantsPlan) covers; a "
                               "range over a year asks first; a date outside the plan's window is left out and "
                               "counted, an endpoint the plan lacks is named once; --code fetches one issue's bars "
                               "(the part of the plan's window before its oldest bar, or FROM TO) and imports them",
                               runFetchJQuants});

} // namespace
} // namespace kestrel::cli
