// kestrel ledger: the trading board without its window (list, add, sell, delete, export).
#include "Command.h"
#include "core/app/Files.h"
#include "core/boards/BoardPrices.h"
#include "core/trade/Ledger.h"
#include "core/trade/LedgerMarks.h"
#include "core/trade/LedgerSplits.h"

#include <charconv>
#include <memory>
#include <ostream>

namespace kestrel::cli {
namespace {

using trade::LedgerRow;

// Answers the lot-split question Yes (for --split) and passes everything else on.
class SplitPrompt : public Prompt {
public:
    SplitPrompt(Prompt& inner, std::ostream& out) : m_inner(inner), m_out(out) {}
    bool askYesNo(const std::string& text, const std::string& title) override {
        m_out << "[" << title << "] " << text << " -> はい (--split)\n";
        return true;
    }
    void notify(const std::string& text, const std::string& title) override { m_inner.notify(text, title); }

private:
    Prompt& m_inner;
    std::ostream& m_out;
};

// A whole number written with digits and an optional minus sign, within 64 bits.
std::optional<std::int64_t> wholeNumber(const std::string& s) {
    std::int64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

bool isWholeNumber(const std::string& s) {
    return wholeNumber(s).has_value();
}

// Checks that each named argument is a whole number; prints which one is not.
bool wholeNumbers(Invocation& inv, std::initializer_list<std::pair<const char*, const std::string*>> values) {
    for (const auto& [name, value] : values) {
        if (!isWholeNumber(*value)) {
            inv.err << "kestrel: " << name << " \"" << *value << "\" is not a whole number\n";
            return false;
        }
    }
    return true;
}

void printHeader(std::ostream& out) {
    out << trade::ledgerFieldName(trade::kColId);
    for (int c = 0; c < trade::kColId; ++c)
        out << "\t" << trade::ledgerFieldName(c);
    out << "\n";
}

void printRow(std::ostream& out, const LedgerRow& r, bool adjusted = false) {
    out << r.ID;
    for (int c = 0; c < trade::kColId; ++c)
        out << "\t" << trade::cellText(r, c);
    if (adjusted)
        out << "\t" << trade::kSplitAdjustedNote;
    out << "\n";
}

int listRows(Invocation& inv) {
    bool unsold = inv.takeFlag("--unsold"), sold = inv.takeFlag("--sold");
    if (!inv.args.empty() || (unsold && sold))
        return inv.usage();
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    // Listing is opening the board: current prices come from the newest daily bars first.
    trade::PriceDates dates;
    if (Status s = trade::refreshCurrentPrices(*db, inv.prompt, &dates, boards::lastTradingDay(*db, Date::today())); !s)
        return inv.fail(s);
    // The date the prices were taken from goes to standard error, so the list stays one row a line.
    if (const std::string text = trade::priceDatesText(dates); !text.empty())
        inv.err << text << "\n";
    auto rows = trade::readLedger(*db, unsold ? trade::LedgerView::Unsold
                                       : sold ? trade::LedgerView::Sold
                                              : trade::LedgerView::All);
    if (!rows)
        return inv.fail(rows);
    // Lots bought before a split show as held now; the last column marks them.
    std::vector<bool> adjusted;
    if (Status s = trade::adjustLotsForSplits(*db, *rows, adjusted); !s)
        return inv.fail(s);
    printHeader(inv.out);
    for (size_t i = 0; i < rows->size(); ++i)
        printRow(inv.out, (*rows)[i], adjusted[i]);
    return 0;
}

// Stores the edits on row and prints the stored row(s).
int edit(Invocation& inv, db::Database& db, const LedgerRow& row, const std::vector<trade::CellEdit>& edits,
         Prompt& prompt) {
    auto outcome = trade::editRow(db, row, edits, inv.context.settings.SonPa, prompt);
    if (!outcome)
        return inv.fail(outcome);
    printHeader(inv.out);
    printRow(inv.out, outcome->row);
    if (outcome->added)
        printRow(inv.out, *outcome->added);
    return 0;
}

// The arguments KEY YY/MM/DD PRICE COUNT of add and sell, checked.
struct TradeArgs {
    std::string key, price, count;
    Date date;
};

// Reads the four arguments, KEY named keyName; prints what is wrong and gives nothing when they are not
// three whole numbers and a date.
std::optional<TradeArgs> takeTradeArgs(Invocation& inv, const char* keyName) {
    if (inv.args.size() != 4) {
        inv.usage();
        return std::nullopt;
    }
    const std::string &key = inv.args[0], &price = inv.args[2], &count = inv.args[3];
    if (!wholeNumbers(inv, {{keyName, &key}, {"PRICE", &price}, {"COUNT", &count}}))
        return std::nullopt;
    auto date = inv.parseDate(inv.args[1]);
    if (!date)
        return std::nullopt; // lastFailure: invalid input
    return TradeArgs{key, price, count, *date};
}

int addRow(Invocation& inv) {
    inv.lastFailure = 2;
    auto a = takeTradeArgs(inv, "CODE");
    if (!a)
        return inv.lastFailure;
    const std::string& code = a->key;
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    int rc = edit(inv, *db, LedgerRow{},
                  {{trade::kColCode, code},
                   {trade::kColBuyDate, a->date.toYYMMDD()},
                   {trade::kColBuyPrice, a->price},
                   {trade::kColBuyCount, a->count}},
                  inv.prompt);
    auto known = db->queryInt("SELECT 1 FROM Mei WHERE コード = ?", *wholeNumber(code));
    if (rc == 0 && known && !*known)
        inv.prompt.notify("コード=" + code + " は銘柄マスタにありません (銘柄は空です)。");
    return rc;
}

int sellRow(Invocation& inv) {
    bool split = inv.takeFlag("--split");
    inv.lastFailure = 2;
    auto a = takeTradeArgs(inv, "ID");
    if (!a)
        return inv.lastFailure;
    const std::string& id = a->key;
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    auto row = trade::readLedgerRow(*db, *wholeNumber(id));
    if (!row || !*row)
        return inv.fail(row ? Status::error(StatusCode::NotFound, "ID=" + id + " の行は売買管理ボードにありません。")
                            : row.status());
    SplitPrompt yes(inv.prompt, inv.out);
    return edit(
        inv, *db, **row,
        {{trade::kColSellDate, a->date.toYYMMDD()}, {trade::kColSellPrice, a->price}, {trade::kColSellCount, a->count}},
        split ? static_cast<Prompt&>(yes) : inv.prompt);
}

int deleteRow(Invocation& inv) {
    if (inv.args.size() != 1 || !isWholeNumber(inv.args[0]))
        return inv.usage();
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    auto row = trade::readLedgerRow(*db, *wholeNumber(inv.args[0]));
    if (!row || !*row)
        return inv.fail(
            row ? Status::error(StatusCode::NotFound, "ID=" + inv.args[0] + " の行は売買管理ボードにありません。")
                : row.status());
    Status deleted = trade::deleteLedgerRow(*db, **row, inv.prompt);
    if (deleted.is(StatusCode::Cancelled) || deleted.is(StatusCode::NotFound))
        inv.out << "nothing deleted\n";
    if (!deleted)
        return inv.fail(deleted);
    inv.out << "deleted ID=" << inv.args[0] << "\n";
    return 0;
}

int exportCsv(Invocation& inv) {
    if (!inv.args.empty())
        return inv.usage();
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    std::string path = trade::ledgerCsvPath(inv.context.paths.dataFolder);
    Status s = makeDir(inv.context.paths.dataFolder);
    if (s)
        s = trade::exportLedgerCsv(*db, path);
    if (!s)
        return inv.fail(s);
    inv.out << "wrote " << path << "\n";
    return 0;
}

// target ID PRICE | target ID --clear: the lot's target price, in yen as the lot is held now.
int setTarget(Invocation& inv) {
    const bool clear = inv.takeFlag("--clear");
    if (inv.args.size() != (clear ? 1u : 2u) || !isWholeNumber(inv.args[0]) || (!clear && !isWholeNumber(inv.args[1])))
        return inv.usage();
    auto db = inv.openDatabase();
    if (!db)
        return 1;
    std::optional<std::int64_t> target = clear ? std::nullopt : wholeNumber(inv.args[1]);
    if (Status s = trade::setLotTarget(*db, *wholeNumber(inv.args[0]), target, inv.context.splitAdjust); !s)
        return inv.fail(s);
    inv.out << "ID=" << inv.args[0] << " 目標株価=" << (target ? std::to_string(*target) : std::string()) << "\n";
    return 0;
}

int runLedger(Invocation& inv) {
    if (inv.args.empty())
        return inv.usage();
    std::string sub = inv.args.front();
    inv.args.erase(inv.args.begin());
    if (sub == "list")
        return listRows(inv);
    if (sub == "add")
        return addRow(inv);
    if (sub == "sell")
        return sellRow(inv);
    if (sub == "delete")
        return deleteRow(inv);
    if (sub == "export")
        return exportCsv(inv);
    if (sub == "target")
        return setTarget(inv);
    return inv.usage();
}

const CommandRegistrar
    kLedger({"ledger",
             "list [--unsold|--sold] | add CODE YY/MM/DD PRICE COUNT | "
             "sell ID YY/MM/DD PRICE COUNT [--split] | delete ID | export | target ID PRICE|--clear",
             "the trading ledger: list lots (current prices refreshed first), add a purchase, "
             "record a sale (--split moves unsold shares to a new lot), delete, write Data/stock.csv, "
             "set a lot's target price (drawn on the chart)",
             runLedger});

} // namespace
} // namespace kestrel::cli
