#include "core/trade/LedgerMarks.h"

#include "core/chart/SeriesScene.h"
#include "core/chart/SplitAdjust.h"
#include "core/chart/UserLines.h"
#include "core/db/BarTable.h"
#include "core/db/Schema.h"
#include "core/db/SplitRatio.h"
#include "core/db/SplitTable.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace kestrel::trade {
namespace {

Result<std::vector<db::SplitEvent>> eventsFor(db::Database& db, std::int32_t code, bool adjusted) {
    if (!adjusted)
        return std::vector<db::SplitEvent>();
    return db::listSplits(db, code, true);
}

// The levels and trade marks of the lots of `code`; `place` gives a trade date's bar number (a mark
// whose date it does not place is left out), or every mark is kept with bar 0 when it is empty.
Status readLots(db::Database& db, std::int32_t code, bool adjusted,
                const std::function<std::optional<int>(Date)>& place, chart::ChartOverlay& overlay) {
    overlay.levels.clear();
    overlay.trades.clear();
    auto hasTarget = db::hasField(db, "stockmarket", "目標株価");
    if (!hasTarget)
        return hasTarget.status();
    auto events = eventsFor(db, code, adjusted);
    if (!events)
        return events.status();
    auto st = db.prepare(std::string("SELECT 購入日, 購入数, 損益分岐点, 売却日, 売却数, ") +
                         (*hasTarget ? "目標株価" : "NULL") + " FROM stockmarket WHERE コード=? ORDER BY ID");
    if (!st)
        return st.status();
    st->bind(1, static_cast<std::int64_t>(code));
    auto mark = [&](Date date, bool buy) {
        if (!place)
            overlay.trades.push_back({0, buy, date});
        else if (auto bar = place(date))
            overlay.trades.push_back({*bar, buy, date});
    };
    return st->forEachRow([&] {
        const std::optional<Date> bought = st->isNull(0) ? std::nullopt : Date::parse(st->text(0));
        const std::optional<Date> sold = st->isNull(3) ? std::nullopt : Date::parse(st->text(3));
        const bool unsold = st->isNull(4) || st->int64(4) == 0;
        if (bought)
            mark(*bought, true);
        if (!unsold && sold)
            mark(*sold, false);
        if (!unsold)
            return;
        const db::SplitRatio r = bought ? db::ratioAfter(*events, *bought) : db::SplitRatio{};
        if (!st->isNull(2) && st->int64(2) > 0)
            overlay.levels.push_back(levelOf(r.price(st->int64(2)), false));
        if (!st->isNull(5) && st->int64(5) > 0)
            overlay.levels.push_back(levelOf(r.price(st->int64(5)), true));
    });
}

} // namespace

chart::PriceLevel levelOf(std::int64_t yen, bool target) {
    const std::string price = chart::priceText(static_cast<double>(yen)) + "円";
    return {Currency::fromWhole(yen), (target ? "目標 " : "損益分岐 ") + price, target};
}

Status ledgerOverlay(db::Database& db, std::int32_t code, const chart::ChartData& data, bool weekly, bool adjusted,
                     chart::ChartOverlay& overlay) {
    return readLots(
        db, code, adjusted, [&](Date d) { return chart::barShowing(data, d, weekly); }, overlay);
}

Status ledgerMarks(db::Database& db, std::int32_t code, bool adjusted, chart::ChartOverlay& overlay) {
    return readLots(db, code, adjusted, {}, overlay);
}

Status loadChartOverlay(db::Database& db, std::int32_t code, int chartMode, const chart::ChartData& data, bool adjusted,
                        bool ledgerShown, chart::ChartOverlay& overlay) {
    auto lines = chart::listLines(db, code, chartMode, adjusted);
    if (!lines)
        return lines.status();
    if (Status st = chart::placeLines(db, code, chartMode, data, *lines); !st)
        return st;
    overlay.lines = std::move(*lines);
    overlay.ledgerShown = ledgerShown;
    overlay.levels.clear();
    overlay.trades.clear();
    if (!ledgerShown)
        return Status::ok();
    return ledgerOverlay(db, code, data, db::isWeeklyMode(chartMode), adjusted, overlay);
}

Status setLotTarget(db::Database& db, std::int64_t id, std::optional<std::int64_t> target, bool adjusted) {
    if (target && (*target <= 0 || *target > 2147483647))
        return Status::error(StatusCode::InvalidInput, "目標株価は1円以上の整数で入力して下さい。");
    auto st = db.prepare("SELECT コード, 購入日 FROM stockmarket WHERE ID=?");
    if (!st)
        return st.status();
    st->bind(1, id);
    auto row = st->step();
    if (!row)
        return row.status();
    if (!*row)
        return Status::error(StatusCode::NotFound, "ID=" + std::to_string(id) + " の行は売買管理ボードにありません。");
    std::optional<std::int64_t> stored = target;
    if (target && !st->isNull(0)) {
        const std::optional<Date> bought = st->isNull(1) ? std::nullopt : Date::parse(st->text(1));
        auto events = eventsFor(db, static_cast<std::int32_t>(st->int64(0)), adjusted);
        if (!events)
            return events.status();
        const db::SplitRatio r = bought ? db::ratioAfter(*events, *bought) : db::SplitRatio{};
        stored = r.count(*target);
        if (*stored <= 0 || *stored > 2147483647)
            return Status::error(StatusCode::InvalidInput, "目標株価は1円以上の整数で入力して下さい。");
    }
    st->reset();
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    if (Status w = db.run("UPDATE stockmarket SET 目標株価=? WHERE ID=?", stored, id); !w)
        return w;
    return tx.commit();
}

Status setLotTargetText(db::Database& db, std::int64_t id, const std::string& text, bool adjusted) {
    std::string digits;
    for (char c : text)
        if (c != ',' && c != ' ')
            digits += c;
    if (digits.empty())
        return setLotTarget(db, id, std::nullopt, adjusted);
    if (digits.size() > 10 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return Status::error(StatusCode::InvalidInput, "目標株価は1円以上の整数で入力して下さい: " + text);
    return setLotTarget(db, id, std::stoll(digits), adjusted);
}

Result<std::optional<std::int64_t>> lotTarget(db::Database& db, std::int64_t id, bool adjusted) {
    auto hasTarget = db::hasField(db, "stockmarket", "目標株価");
    if (!hasTarget)
        return hasTarget.status();
    if (!*hasTarget)
        return std::optional<std::int64_t>();
    auto st = db.prepare("SELECT コード, 購入日, 目標株価 FROM stockmarket WHERE ID=?");
    if (!st)
        return st.status();
    st->bind(1, id);
    auto row = st->step();
    if (!row)
        return row.status();
    if (!*row || st->isNull(2) || st->int64(2) <= 0)
        return std::optional<std::int64_t>();
    const std::int64_t stored = st->int64(2);
    if (st->isNull(0))
        return std::optional<std::int64_t>(stored);
    const std::optional<Date> bought = st->isNull(1) ? std::nullopt : Date::parse(st->text(1));
    auto events = eventsFor(db, static_cast<std::int32_t>(st->int64(0)), adjusted);
    if (!events)
        return events.status();
    const db::SplitRatio r = bought ? db::ratioAfter(*events, *bought) : db::SplitRatio{};
    return std::optional<std::int64_t>(r.price(stored));
}

} // namespace kestrel::trade
