// kestrel fetch-fins: company disclosures from the J-Quants API into Kessan, by disclosure date or for one
// issue. kestrel fins: an issue's figures as of a day (valuations, actuals, forecasts and the yearly
// table), as text or JSON. Ctrl-C stops the fetch after the request in flight; stored days are whole.
#include "CancelOnInterrupt.h"
#include "Command.h"
#include "ProgressLine.h"
#include "core/converter/JQuantsFins.h"
#include "core/converter/JQuantsSettings.h"
#include "core/fins/FinsFigures.h"
#include "platform/JQuantsClient.h"
#include "services/converter/JQuantsHook.h"

#include <algorithm>
#include <ctime>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace kestrel::cli {
namespace {

std::optional<int> codeArg(const std::string& s) {
    if (s.empty() || s.size() > 4 || s.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int v = std::stoi(s);
    return v > 0 ? std::optional<int>(v) : std::nullopt;
}

std::string nowText() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[24];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

int runFetchFins(Invocation& inv) {
    converter::jquants::FinsFetchRequest req;
    if (auto code = inv.takeOption("--code")) {
        auto c = codeArg(*code);
        if (!c || !inv.args.empty())
            return inv.usage();
        req.code = *c;
    } else {
        if (inv.args.size() != 2)
            return inv.usage();
        auto from = inv.parseDate(inv.args[0]);
        auto to = inv.parseDate(inv.args[1]);
        if (!from || !to)
            return inv.lastFailure;
        if (*to < *from)
            return inv.fail(StatusCode::InvalidInput, "日付の範囲が誤っています。");
        req.from = *from;
        req.to = *to;
    }
    QString why;
    auto options = platform::jquantsOptions(inv.context.paths.iniPath, &why);
    if (!options)
        return inv.fail(why.toStdString());
    options->pace = std::min(options->pace, converter::jquants::kFinsPace);
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    platform::JQuantsClient client(*options);
    ProgressLine progress(inv.out, inv.err);
    int done = 0, total = 0;
    client.onWait = [&](int seconds, bool limited) {
        progress.show(std::to_string(done) + "/" + std::to_string(total) + " 日  " +
                      services::waitText(seconds, limited));
    };
    converter::jquants::FinsFetchHooks hooks;
    hooks.log = [&](const std::string& line) { progress.log(line); };
    hooks.warn = [&](const std::string& line) { inv.err << line << "\n"; };
    hooks.progress = [&](int d, int t) {
        done = d;
        total = t;
    };
    converter::jquants::FinsFetchOutcome out = [&] {
        CancelOnInterrupt interrupt(client);
        return converter::jquants::fetchFins(req, client, *db, nowText(), hooks);
    }();
    progress.clear();
    inv.out << out.rows << " 件の開示を保存, " << client.requestCount() << " 回の要求\n";
    if (out.skipped > 0)
        inv.out << "取り込めない銘柄コードの開示 " << out.skipped << " 件を除きました。\n";
    if (out.cancelled)
        return inv.fail("中止しました。保存済みの日はそのまま残っています");
    if (!out.status) {
        if (out.days == 0)
            return inv.fail(out.status.message());
        inv.err << out.status.message() << "\n";
        inv.err << "保存済みの " << out.days << " 日分はそのまま残っています\n";
    }
    return 0;
}

std::string amount(const std::optional<double>& v, int decimals) {
    if (!v)
        return "−";
    std::ostringstream s;
    s << std::fixed << std::setprecision(decimals) << *v;
    return s.str();
}

int runFins(Invocation& inv) {
    const bool json = inv.takeFlag("--json");
    Date day = Date::today();
    if (auto d = inv.takeOption("--date")) {
        auto parsed = inv.parseDate(*d);
        if (!parsed)
            return inv.lastFailure;
        day = *parsed;
    }
    if (inv.args.size() != 1)
        return inv.usage();
    auto code = codeArg(inv.args[0]);
    if (!code)
        return inv.usage();
    auto db = inv.openDatabase(db::OpenMode::ReadOnly);
    if (!db)
        return inv.lastFailure;
    auto f = fins::figuresOfIssue(*db, *code, day);
    if (!f)
        return inv.fail(f);
    if (json) {
        inv.out << fins::figuresJson(*code, *f) << "\n";
        return 0;
    }
    inv.out << *code << "  " << day.toIso() << "  終値 " << amount(f->close, 0)
            << (f->closeDate ? "（" + f->closeDate->toIso() + "）" : std::string()) << "\n";
    inv.out << "予想PER " << amount(f->fper, 2) << "  実績PER " << amount(f->per, 2) << "  PBR " << amount(f->pbr, 2)
            << "  予想配当利回り " << amount(f->yield, 2) << "%  時価総額 "
            << amount(f->mktcap ? std::optional<double>(*f->mktcap / 1e8) : std::nullopt, 1) << " 億円\n";
    inv.out << "ROE " << amount(f->roe, 2) << "%  自己資本比率 " << amount(f->equityRatio, 1) << "%  1株益 "
            << amount(f->eps, 2) << "  予想1株益 " << amount(f->feps, 2) << "  1株純資産 " << amount(f->bps, 2)
            << "  予想1株配 " << amount(f->fdiv, 2) << "\n";
    inv.out << "決算期\t売上高\t営業益\t経常益\t最終益\t1株益\t1株配\t発表日\n";
    for (const fins::FiscalYearFigures& y : f->years)
        inv.out << (y.forecast ? "予 " : "") << y.fyEnd.toIso() << "\t" << amount(y.sales, 0) << "\t" << amount(y.op, 0)
                << "\t" << amount(y.odp, 0) << "\t" << amount(y.np, 0) << "\t" << amount(y.eps, 2) << "\t"
                << amount(y.div, 2) << "\t" << y.disclosed.toIso() << "\n";
    return 0;
}

const CommandRegistrar kFetchFins({"fetch-fins", "FROM TO | --code CODE",
                                   "fetch company disclosures from the J-Quants API into the database: every "
                                   "issue's of each open day of the range, or one issue's whole plan window; at "
                                   "most 60 requests a minute",
                                   runFetchFins});
const CommandRegistrar kFins({"fins", "CODE [--date D] [--json]",
                              "an issue's valuations, results and forecasts as of a day (today when not given) "
                              "with only what was disclosed before it, and the yearly table",
                              runFins});

} // namespace
} // namespace kestrel::cli
