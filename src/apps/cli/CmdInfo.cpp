// kestrel info rate: rates a stored stock-information list (one date, or the last N dates of a kind)
// against the latest stored closes and prints the rated rows as the screening window shows them.
#include "Command.h"
#include "core/info/Screening.h"
#include "core/settings/Settings.h"

#include <ostream>

namespace kestrel::cli {
namespace {

int runRate(Invocation& inv) {
    auto daysText = inv.takeOption("--days");
    auto priceText = inv.takeOption("--max-price");
    auto volumeText = inv.takeOption("--min-volume");
    if (inv.args.size() != 2)
        return inv.usage();
    const std::string kind = inv.args[0];
    auto last = inv.parseDate(inv.args[1]);
    if (!last)
        return inv.lastFailure;
    int days = 1;
    if (daysText) {
        auto n = textToInt16(*daysText);
        if (!n || *n < 1) {
            inv.err << "--days: " << (n ? kOverflow : n.message()) << "\n";
            return 2;
        }
        days = *n;
    }
    info::RowView previous;
    if (priceText) {
        if (!isNumeric(*priceText)) {
            inv.err << info::kEnterAmount << "\n";
            return 2;
        }
        previous.maxPrice = 0; // a ceiling is asked for: the rated view keeps the typed one
    }
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    auto first = info::firstOfLastDates(*db, kind, *last, days);
    if (!first)
        return inv.fail(first);
    if (!*first) {
        inv.err << "no list of kind " << kind << " on or before " << last->toIso() << "\n";
        return exitCodeFor(StatusCode::NotFound);
    }
    if (days == 1 && **first != *last) {
        inv.err << "no list of kind " << kind << " on " << last->toIso() << "\n";
        return exitCodeFor(StatusCode::NotFound);
    }
    auto rated = info::rateRows(*db, kind, **first, *last);
    if (!rated)
        return inv.fail(rated);
    info::RowView view = info::ratedView(previous, kind, days > 1 ? *first : std::nullopt, *last,
                                         priceText.value_or(""), volumeText.value_or(""));
    auto rows = info::loadRows(*db, view);
    if (!rows)
        return inv.fail(rows);
    inv.out << "# " << kind << " " << (*first)->toYYMMDD();
    if (days > 1)
        inv.out << "～" << last->toYYMMDD();
    inv.out << " 件数：" << rows->size() << "\n";
    for (const info::InfoRow& r : *rows) {
        inv.out << r.rank << "\t" << r.code << "\t" << (r.market ? std::to_string(*r.market) : "") << "\t" << r.name
                << "\t" << r.price << "\t" << r.volume.toString() << "\t" << r.change << "\t" << r.value << "\t"
                << (r.current ? std::to_string(*r.current) : "") << "\t" << (r.ratio ? r.ratio->toString() : "")
                << "\n";
    }
    return 0;
}

int runInfo(Invocation& inv) {
    if (inv.args.empty() || inv.args[0] != "rate")
        return inv.usage();
    inv.args.erase(inv.args.begin());
    return runRate(inv);
}

const CommandRegistrar kInfo({"info", "rate KIND DATE [--days N] [--max-price P] [--min-volume V]",
                              "rate a stored stock-information list against the latest closes and print it", &runInfo});

} // namespace
} // namespace kestrel::cli
