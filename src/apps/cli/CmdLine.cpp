// kestrel line: the user's own chart lines of an issue (add, list, remove), as the chart draws them.
#include "Command.h"
#include "core/chart/UserLines.h"
#include "core/db/BarTable.h"

#include <ostream>

namespace kestrel::cli {
namespace {

std::optional<std::int32_t> issueCode(const std::string& s) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(s);
}

// A price as typed; prints what is wrong and gives nothing when it is not a decimal number.
std::optional<Currency> price(Invocation& inv, const std::string& text) {
    auto p = Currency::parse(text);
    if (!p)
        inv.err << "kestrel: 株価 \"" << text << "\" は数値ではありません。\n";
    return p;
}

int mode(bool weekly) {
    return db::chartModeFor(weekly ? db::BarTable::Weekly : db::BarTable::Daily);
}

int addLine(Invocation& inv, std::int32_t code, bool weekly) {
    auto horizontal = inv.takeOption("--horizontal");
    chart::ChartLine line;
    auto db = inv.openDatabase();
    if (!db)
        return 1;
    if (horizontal) {
        if (!inv.args.empty())
            return inv.usage();
        auto p = price(inv, *horizontal);
        if (!p)
            return 2;
        // Anchored on the issue's latest bar of the mode: the price is as the chart shows it today.
        auto latest = db->queryInt(std::string("SELECT max(日付) FROM ") +
                                       db::barTableName(db::barTableForMode(mode(weekly))) + " WHERE コード=?",
                                   static_cast<std::int64_t>(code));
        if (!latest)
            return inv.fail(latest);
        auto anchor = *latest ? Date::fromYmdInt(**latest) : std::nullopt;
        line.kind = chart::LineKind::Horizontal;
        line.date1 = anchor.value_or(Date::today());
        line.price1 = *p;
    } else {
        if (inv.args.size() != 4)
            return inv.usage();
        auto d1 = inv.parseDate(inv.args[0]);
        auto p1 = d1 ? price(inv, inv.args[1]) : std::nullopt;
        auto d2 = p1 ? inv.parseDate(inv.args[2]) : std::nullopt;
        auto p2 = d2 ? price(inv, inv.args[3]) : std::nullopt;
        if (!p2)
            return 2;
        line = {0, chart::LineKind::Trend, *d1, *d2, *p1, *p2, 0, 0};
    }
    auto id = chart::addLine(*db, code, mode(weekly), line, inv.context.splitAdjust);
    if (!id)
        return inv.fail(id);
    inv.out << *id << "\n";
    return 0;
}

int runLine(Invocation& inv) {
    if (inv.args.size() < 2)
        return inv.usage();
    const std::string sub = inv.args[0];
    const bool weekly = inv.takeFlag("--weekly");
    auto code = issueCode(inv.args[1]);
    if (!code)
        return inv.usage();
    inv.args.erase(inv.args.begin(), inv.args.begin() + 2);
    if (sub == "add")
        return addLine(inv, *code, weekly);
    if (sub == "list") {
        if (!inv.args.empty())
            return inv.usage();
        auto db = inv.openDatabase(db::OpenMode::ReadOnly);
        if (!db)
            return 1;
        auto lines = chart::listLines(*db, *code, mode(weekly), inv.context.splitAdjust);
        if (!lines)
            return inv.fail(lines);
        for (const chart::ChartLine& l : *lines)
            inv.out << chart::lineRow(l) << "\n";
        return 0;
    }
    if (sub == "remove") {
        if (inv.args.size() != 1 || inv.args[0].empty() || inv.args[0].size() > 18 ||
            inv.args[0].find_first_not_of("0123456789") != std::string::npos)
            return inv.usage();
        auto db = inv.openDatabase();
        if (!db)
            return 1;
        if (Status st = chart::removeLine(*db, *code, std::stoll(inv.args[0])); !st)
            return inv.fail(st);
        inv.out << "removed " << inv.args[0] << "\n";
        return 0;
    }
    return inv.usage();
}

const CommandRegistrar
    kLine({"line",
           "add CODE DATE1 PRICE1 DATE2 PRICE2 [--weekly] | add CODE --horizontal PRICE [--weekly] "
           "| list CODE [--weekly] | remove CODE ID",
           "the user's own lines on the chart of an issue: add a trend or horizontal line (prices "
           "as the chart shows them), list them (id, kind, date1, price1, date2, price2), remove one",
           runLine});

} // namespace
} // namespace kestrel::cli
