// kestrel board list|add|save|load|refresh: the two stock boards from the command line, through the
// same procedures as the board window and the main window's board menu.
#include "Command.h"
#include "core/app/Currency.h"
#include "core/app/Files.h"
#include "core/boards/BoardEntries.h"
#include "core/boards/BoardFiles.h"
#include "core/boards/BoardStore.h"
#include "core/db/Lookups.h"
#include "services/boards/QuoteRefresh.h"

#include <QEventLoop>
#include <ostream>

namespace kestrel::cli {
namespace {

// "A" -> 1, "B" -> 2, anything else -> 0.
int boardArg(const std::string& text) {
    if (text == "A" || text == "a")
        return 1;
    if (text == "B" || text == "b")
        return 2;
    return 0;
}

std::string currencyText(Currency c) {
    return c.raw() % Currency::kScale == 0 ? std::to_string(c.raw() / Currency::kScale) : numberText(c.toDouble());
}

// One line per row, by market and code: the thirteen grid columns separated by tabs.
int printBoard(Invocation& inv, db::Database& db, int board) {
    auto rows = boards::readBoard(db, board, boards::BoardOrder::MarketCode);
    if (!rows)
        return inv.fail(rows);
    for (const boards::BoardRow& r : *rows)
        inv.out << r.code << '\t' << r.market << '\t' << r.name << '\t' << (r.date ? r.date->toIso() : "") << '\t'
                << r.open << '\t' << r.high << '\t' << r.low << '\t' << r.close << '\t' << r.change << '\t'
                << currencyText(r.volume) << '\t' << r.now << '\t' << r.nowChange << '\t' << currencyText(r.nowVolume)
                << "\n";
    return 0;
}

int runBoard(Invocation& inv) {
    const bool registerOnly = inv.takeFlag("--register");
    if (inv.args.size() < 2)
        return inv.usage();
    const std::string verb = inv.args[0];
    const int board = boardArg(inv.args[1]);
    if (board == 0)
        return inv.usage();
    const size_t expected = verb == "add" || verb == "save" || verb == "load" ? 3 : 2;
    if (inv.args.size() != expected)
        return inv.usage();
    if (verb == "list") {
        auto db = inv.openDatabase(db::OpenMode::ReadOnly);
        return db ? printBoard(inv, *db, board) : inv.lastFailure;
    }
    if (verb == "add") {
        auto db = inv.openDatabase();
        if (!db)
            return inv.lastFailure;
        auto code = textToInt32(inv.args[2]);
        const std::string name = code ? db::GetIssueName(*db, *code, &inv.errorPrompt()) : std::string();
        if (!code || name.empty())
            return inv.fail(code ? StatusCode::NotFound : StatusCode::InvalidInput,
                            "正しい銘柄コードを入力して下さい。");
        if (registerOnly) {
            const std::string market = std::to_string(db::GetMarketCode(*db, *code));
            OutcomePrompt told(inv);
            return told.finish(
                boards::registerShownIssue(*db, board, {inv.args[2], market, name}, Date::today(), told));
        }
        auto added = boards::addIssueFromLatestBar(*db, board, *code, name);
        if (!added)
            return inv.fail(added);
        if (*added == boards::AddOutcome::AlreadyOnBoard)
            return inv.fail("すでに登録されています。");
        if (*added == boards::AddOutcome::NoBar) {
            inv.err << "kestrel: no daily bar for " << *code << "; nothing added (--register adds it without one)\n";
            return exitCodeFor(StatusCode::NotFound);
        }
        inv.prompt.notify("登録しました。");
        return 0;
    }
    if (verb == "save" || verb == "load") {
        auto db = inv.openDatabase();
        if (!db)
            return inv.lastFailure;
        const std::string& path = inv.args[2];
        OutcomePrompt told(inv);
        if (verb == "save")
            return told.finish(boards::saveBoardToFile(*db, inv.context.paths.iniPath, board, path, told));
        if (!fileExists(path))
            return inv.fail(Status::error(StatusCode::NotFound, "kestrel: no file " + path));
        return told.finish(boards::loadBoardFromFile(*db, inv.context.paths.iniPath, board, path, told));
    }
    if (verb == "refresh") {
        services::QuoteRefresh refresh(inv.context, inv.prompt);
        refresh.setBoard(board);
        QEventLoop loop;
        QObject::connect(&refresh, &services::QuoteRefresh::completed, &loop, &QEventLoop::quit);
        if (!refresh.CmdInet(false))
            return 1;
        loop.exec();
        auto db = inv.openDatabase();
        return db ? printBoard(inv, *db, board) : inv.lastFailure;
    }
    return inv.usage();
}

const CommandRegistrar kBoard({"board", "list|add [--register]|save|load|refresh A|B [CODE|FILE]",
                               "show, fill, save, load or refresh stock board A or B", runBoard});

} // namespace
} // namespace kestrel::cli
