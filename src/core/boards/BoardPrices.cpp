#include "core/boards/BoardPrices.h"

#include "core/app/Currency.h"
#include "core/app/Encoding.h"
#include "core/db/LatestDate.h"
#include "core/db/SplitRatio.h"
#include "core/db/SplitTable.h"

#include <algorithm>
#include <cctype>

namespace kestrel::boards {

const char* priceSourceName(PriceSource source) {
    switch (source) {
    case PriceSource::Database:
        return "db";
    case PriceSource::JQuants:
        return "jquants";
    case PriceSource::Page:
        break;
    }
    return "page";
}

std::optional<PriceSource> priceSourceFromName(const std::string& name) {
    for (PriceSource s : {PriceSource::Page, PriceSource::Database, PriceSource::JQuants})
        if (name == priceSourceName(s))
            return s;
    return std::nullopt;
}

const char* priceSourceLabel(PriceSource source) {
    switch (source) {
    case PriceSource::Database:
        return "株価データ";
    case PriceSource::JQuants:
        return "J-Quants";
    case PriceSource::Page:
        break;
    }
    return "相場ページ";
}

Date lastTradingDay(Date today, const db::MarketCalendar& calendar) {
    // A calendar that names a whole year closed is not believed: the last weekday is taken instead.
    Date d = today;
    for (int i = 0; i < 366; ++i, d = d.addDays(-1))
        if (calendar.isOpen(d))
            return d;
    return lastTradingDay(today, db::MarketCalendar{});
}

Date lastTradingDay(db::Database& db, Date today) {
    // Weekends and the longest holidays (the new year's, Golden Week) fit well inside a month.
    auto calendar = db::loadCalendar(db, today.addDays(-31), today);
    return lastTradingDay(today, calendar ? *calendar : db::MarketCalendar{});
}

bool isStale(const BoardRow& row, Date lastOpenDay) {
    return row.priceDate && *row.priceDate < lastOpenDay;
}

AlertSide alertReached(const BoardRow& row) {
    if (!row.priceDate || row.now <= 0)
        return AlertSide::None;
    if (row.above && row.now >= *row.above)
        return AlertSide::Above;
    if (row.below && row.now <= *row.below)
        return AlertSide::Below;
    return AlertSide::None;
}

std::string rowState(const BoardRow& row, Date lastOpenDay) {
    if (!row.failure.empty())
        return row.failure;
    std::string state = isStale(row, lastOpenDay) ? "古い株価" : "";
    const AlertSide side = alertReached(row);
    if (side != AlertSide::None)
        state += (state.empty() ? "" : "・") + std::string(side == AlertSide::Above ? "上限警報" : "下限警報");
    return state;
}

Result<std::int32_t> parseAlertPrice(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c != ',')
            digits += c;
    const std::string refused = "警報の株価は 1 円以上の整数で入力して下さい: " + text;
    if (digits.empty() || digits.size() > 10)
        return Result<std::int32_t>::error(refused);
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return Result<std::int32_t>::error(refused);
    const long long v = std::stoll(digits);
    if (v <= 0 || v > 2147483647)
        return Result<std::int32_t>::error(refused);
    return static_cast<std::int32_t>(v);
}

Status setAlert(db::Database& db, int board, std::int32_t code, std::optional<std::int32_t> above,
                std::optional<std::int32_t> below) {
    if ((above && *above <= 0) || (below && *below <= 0))
        return Status::error(StatusCode::InvalidInput, "警報の株価は 1 円以上の整数で入力して下さい。");
    if (above && below && *above < *below)
        return Status::error(StatusCode::InvalidInput, "上限の警報 " + yenText(*above) + " が下限の警報 " +
                                                           yenText(*below) + " より低くなっています。");
    Status st =
        db.run("UPDATE board SET 上限警報 = ?, 下限警報 = ? WHERE 区分 = ? AND コード = ?", above, below, board, code);
    if (!st)
        return st;
    if (db.changes() == 0)
        return Status::error(StatusCode::NotFound,
                             "株価ボード" + boardLetter(board) + "に " + std::to_string(code) + " はありません。");
    return Status::ok();
}

Status markFailed(db::Database& db, int board, std::int32_t code, const std::string& why) {
    // The field holds 200 characters; a longer reason is cut at a character boundary.
    std::string kept;
    int chars = 0;
    for (size_t i = 0; i < why.size(); ++i) {
        const auto c = static_cast<unsigned char>(why[i]);
        if ((c & 0xC0) != 0x80 && ++chars > 200)
            break;
        kept += why[i];
    }
    return db.run("UPDATE board SET 取得状態 = ? WHERE 区分 = ? AND コード = ?", kept, board, code);
}

Result<bool> storePrice(db::Database& db, int board, std::int32_t code, std::int64_t price, std::int64_t change,
                        Currency volume, Date date, const std::string& time) {
    Status st = db.run("UPDATE board SET 現在値 = ?, 現前日比 = ?, 現出来高 = ?, 現在日付 = ?, 現在時刻 = ?, "
                       "取得状態 = NULL WHERE 区分 = ? AND コード = ?",
                       price, change, volume, date,
                       time.empty() ? std::optional<std::string>() : utf8Left(time, kTimeLength), board, code);
    if (!st)
        return st;
    return db.changes() > 0;
}

namespace {

// A price divided by the split ratio, halves to even; a positive price stays at least 1 yen.
std::int64_t adjusted(std::int64_t yen, const db::SplitRatio& r) {
    const std::int64_t v = r.price(yen);
    return yen > 0 && v == 0 ? 1 : v;
}

// The date of the bar before day; nothing when there is none.
Result<std::optional<Date>> dateBefore(db::Database& db, std::int32_t code, Date day) {
    auto st = db.prepare("SELECT 日付 FROM dayData WHERE コード = ? AND 日付 < ? ORDER BY 日付 DESC LIMIT 1");
    if (!st)
        return st.status();
    st->bindAll(static_cast<std::int64_t>(code), day);
    auto row = st->step();
    if (!row)
        return row.status();
    return *row ? st->date(0) : std::optional<Date>();
}

} // namespace

Status fillFromStoredBars(db::Database& db, int board) {
    return forEachLatestBar(db, board, [&](const BoardRow& r, const std::optional<db::DailyBar>& bar) -> Status {
        if (!bar || !bar->date)
            return markFailed(db, board, r.code, kNoBars);
        const db::DailyBar& b = *bar;
        auto units = issueUnits(db, r.code);
        if (!units)
            return units.status();
        auto events = db::listSplits(db, r.code, true);
        if (!events)
            return events.status();
        // The ratio of the confirmed events after the bar, as the chart applies it to that bar.
        const db::SplitRatio f = db::ratioAfter(*events, *b.date);
        const std::int64_t close = adjusted(b.close * units->priceUnit, f);
        std::int64_t change = f.price(b.change * units->priceUnit);
        if (!events->empty()) {
            // The first bar at a new price: its change is taken against the stored previous close (close
            // less change) adjusted by the events after the bar before.
            auto prev = dateBefore(db, r.code, *b.date);
            if (!prev)
                return prev.status();
            const db::SplitRatio since = db::ratioAfter(*events, prev->value_or(b.date->addDays(-1)));
            const bool step = since.before() != f.before() || since.after() != f.after();
            if (step && b.close != 0 && (*prev || b.change != 0))
                change = close - adjusted((b.close - b.change) * units->priceUnit, since);
        }
        const Currency volume = Currency::fromRaw(f.count((b.volume * units->volumeUnit).raw()));
        auto stored = storePrice(db, board, r.code, close, change, volume, *b.date, "");
        return stored ? Status::ok() : stored.status();
    });
}

std::string alertSetMessage(Currency price, Currency lastClose) {
    return std::string(price >= lastClose ? "上限警報 " : "下限警報 ") + yenText(price.roundToWhole()) +
           " 円を設定しました。";
}

std::string yenText(std::int64_t value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return value < 0 ? "-" + out : out;
}

std::vector<std::string> alertLines(const std::vector<BoardRow>& rows) {
    std::vector<std::string> lines;
    for (const BoardRow& r : rows) {
        const AlertSide side = alertReached(r);
        if (side == AlertSide::None)
            continue;
        const bool up = side == AlertSide::Above;
        lines.push_back("警報: " + std::to_string(r.code) + " " + r.name + " " + yenText(r.now) + (up ? " ≥ " : " ≤ ") +
                        yenText(up ? *r.above : *r.below));
    }
    return lines;
}

std::string summaryLines(const std::vector<BoardRow>& rows, Date lastOpenDay, bool withFailures) {
    std::string text, stale;
    // The failed rows by reason, in the order the reasons first appear.
    std::vector<std::pair<std::string, std::string>> failed;
    for (const BoardRow& r : rows) {
        if (isStale(r, lastOpenDay))
            stale += " " + std::to_string(r.code);
        if (r.failure.empty())
            continue;
        auto it = std::find_if(failed.begin(), failed.end(), [&](const auto& f) { return f.first == r.failure; });
        if (it == failed.end())
            it = failed.insert(failed.end(), {r.failure, std::string()});
        it->second += " " + std::to_string(r.code);
    }
    if (!stale.empty())
        text += "\n古い株価:" + stale;
    for (const std::string& line : alertLines(rows))
        text += "\n" + line;
    if (withFailures && !failed.empty()) {
        text += "\n未取得:";
        for (const auto& [why, codes] : failed)
            text += codes + "（" + why + "）";
    }
    return text;
}

} // namespace kestrel::boards
