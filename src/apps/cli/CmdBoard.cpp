// kestrel board list|add|save|load|refresh: the two stock boards from the command line, through the
// same procedures as the board window and the main window's board menu.
#include "Command.h"
#include "core/app/Currency.h"
#include "core/app/Files.h"
#include "core/boards/BoardEntries.h"
#include "core/boards/BoardFiles.h"
#include "core/boards/BoardPrices.h"
#include "core/boards/BoardStore.h"
#include "core/db/Lookups.h"
#include "core/settings/IniFile.h"
#include "services/boards/JQuantsCatchUp.h"
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

// One line per row, by market and code: the thirteen grid columns, then the date (and time) of the
// current price, separated by tabs.
int printBoard(Invocation& inv, db::Database& db, int board) {
    auto rows = boards::readBoard(db, board, boards::BoardOrder::MarketCode);
    if (!rows)
        return inv.fail(rows);
    for (const boards::BoardRow& r : *rows)
        inv.out << r.code << '\t' << r.market << '\t' << r.name << '\t' << (r.date ? r.date->toIso() : "") << '\t'
                << r.open << '\t' << r.high << '\t' << r.low << '\t' << r.close << '\t' << r.change << '\t'
                << currencyText(r.volume) << '\t' << r.now << '\t' << r.nowChange << '\t' << currencyText(r.nowVolume)
                << '\t' << (r.priceDate ? r.priceDate->toIso() : "") << (r.priceTime.empty() ? "" : " " + r.priceTime)
                << "\n";
    return 0;
}

// Brings the daily bars up to the last open day through the J-Quants road; the failure's message, or
// nothing when the bars are there.
std::optional<std::string> fetchUpToLastOpenDay(Invocation& inv, Date lastOpenDay) {
    auto why = services::catchUpFromJQuants(inv.context, lastOpenDay,
                                            [&](const std::string& line) { inv.err << line << "\n"; });
    if (why && why->find("J-Quants") == std::string::npos)
        why = "J-Quants: " + *why;
    return why;
}

int refreshBoard(Invocation& inv, int board, boards::PriceSource source) {
    if (source == boards::PriceSource::Page) {
        services::QuoteRefresh refresh(inv.context, inv.prompt);
        refresh.setBoard(board);
        QEventLoop loop;
        QObject::connect(&refresh, &services::QuoteRefresh::completed, &loop, &QEventLoop::quit);
        if (!refresh.CmdInet(false))
            return 1;
        loop.exec();
        auto db = inv.openDatabase();
        return db ? printBoard(inv, *db, board) : 1;
    }
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    auto rows = boards::readBoard(*db, board, boards::BoardOrder::Table);
    if (!rows)
        return inv.fail(rows);
    if (rows->empty())
        return inv.fail("取得する銘柄がありません。");
    std::optional<std::string> failed;
    if (source == boards::PriceSource::JQuants) {
        failed = fetchUpToLastOpenDay(inv, boards::lastTradingDay(*db, Date::today()));
        db = inv.openDatabase(); // the import wrote through its own connection
        if (!db)
            return inv.lastFailure;
    }
    Status st;
    if (failed) {
        db::Transaction tx(*db);
        for (const boards::BoardRow& r : *rows)
            if (st = boards::markFailed(*db, board, r.code, *failed); !st)
                break;
        if (st)
            st = tx.commit();
    } else {
        st = boards::fillFromStoredBars(*db, board);
    }
    if (!st)
        return inv.fail(st);
    rows = boards::readBoard(*db, board, boards::BoardOrder::Table);
    if (!rows)
        return inv.fail(rows);
    inv.prompt.notify("取得終了しました。" + boards::summaryLines(*rows, boards::lastTradingDay(*db, Date::today())));
    const int rc = printBoard(inv, *db, board);
    // A source that gave nothing at all is a failure of the command, after the rows were shown.
    return failed ? 1 : rc;
}

int alertBoard(Invocation& inv, int board) {
    const bool clear = inv.takeFlag("--clear");
    auto above = inv.takeOption("--above"), below = inv.takeOption("--below");
    if (inv.args.size() != 3 || (!clear && !above && !below) || (clear && (above || below)))
        return inv.usage();
    auto code = textToInt32(inv.args[2]);
    if (!code)
        return inv.fail(StatusCode::InvalidInput, "正しい銘柄コードを入力して下さい。");
    std::optional<std::int32_t> up, down;
    for (auto [text, value] : {std::pair{&above, &up}, std::pair{&below, &down}}) {
        if (!*text)
            continue;
        auto v = boards::parseAlertPrice(**text);
        if (!v)
            return inv.fail(v);
        *value = *v;
    }
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    if (!clear) {
        // An option not given keeps the price the row holds.
        auto rows = boards::readBoard(*db, board, boards::BoardOrder::Table);
        if (!rows)
            return inv.fail(rows);
        for (const boards::BoardRow& r : *rows)
            if (r.code == *code) {
                if (!above)
                    up = r.above;
                if (!below)
                    down = r.below;
            }
    }
    if (Status st = boards::setAlert(*db, board, *code, up, down); !st)
        return inv.fail(st);
    return 0;
}

int runBoard(Invocation& inv) {
    const bool registerOnly = inv.takeFlag("--register");
    auto sourceName = inv.takeOption("--source");
    if (inv.args.size() < 2)
        return inv.usage();
    const std::string verb = inv.args[0];
    const int board = boardArg(inv.args[1]);
    if (board == 0)
        return inv.usage();
    if (verb == "alert")
        return alertBoard(inv, board);
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
        std::string name = sourceName.value_or(
            readProfileString(inv.context.paths.iniPath, boards::kSection, boards::kPriceSourceKey));
        auto source = boards::priceSourceFromName(name.empty() ? "page" : name);
        if (!source)
            return inv.fail(StatusCode::InvalidInput, "価格の取得元は page, db, jquants のいずれかです: " + name);
        return refreshBoard(inv, board, *source);
    }
    return inv.usage();
}

const CommandRegistrar
    kBoard({"board",
            "list|add [--register]|save|load|refresh [--source page|db|jquants]|alert A|B "
            "[CODE|FILE] [--above P] [--below P] [--clear]",
            "show, fill, save, load or refresh stock board A or B (current prices from the quote "
            "page, the stored daily bars or J-Quants, the last source chosen by default), or set "
            "a row's alert prices; each row ends with its price's date, and a refresh names old prices and "
            "reached alerts",
            runBoard});

} // namespace
} // namespace kestrel::cli
