#include "core/chart/PriceCsv.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/chart/IssueList.h"
#include "core/chart/Navigation.h"
#include "core/chart/SplitAdjust.h"
#include "core/chart/SplitWeeks.h"
#include "core/db/SplitTable.h"
#include "core/settings/Settings.h"

#include <cstdio>
#include <optional>

namespace kestrel::chart {
namespace {

constexpr const char* kCrLf = "\r\n";

std::string slashDate(Date d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", d.year(), d.month(), d.day());
    return buf;
}

// A whole-number field times a unit; empty for a Null field or unit.
Result<std::string> priceColumn(const db::Statement& st, int col, std::optional<std::int64_t> unit,
                                const db::SplitRatio& ratio) {
    if (st.isNull(col) || !unit)
        return std::string();
    std::int64_t product = 0;
    if (__builtin_mul_overflow(st.int64(col), *unit, &product))
        return Result<std::string>::error(kOverflow);
    if (!ratio.one()) {
        const bool positive = product > 0;
        product = ratio.price(product);
        if (positive && product < 1)
            product = 1;
    }
    return std::to_string(product);
}

Result<std::string> volumeColumn(const db::Statement& st, int col, std::optional<std::int64_t> unit,
                                 const db::SplitRatio& ratio) {
    if (st.isNull(col) || !unit)
        return std::string();
    std::int64_t raw = 0;
    if (__builtin_mul_overflow(st.currency(col).raw(), *unit, &raw))
        return Result<std::string>::error(kOverflow);
    if (!ratio.one())
        raw = ratio.count(raw);
    return Currency::fromRaw(raw).toString();
}

int columnIndex(const db::Statement& st, const char* name) {
    for (int i = 0; i < st.columnCount(); ++i)
        if (st.columnName(i) == name)
            return i;
    return -1;
}

} // namespace

std::string priceCsvDoneMessage(const std::string& codeText) {
    return "Data ﾌｫﾙﾀﾞに " + codeText + ".Csv と言うﾌｧｲﾙ名で出力しました。";
}

Result<std::string> priceCsvText(db::Database& db, const PriceCsvTitle& title, int chartMode, bool adjusted) {
    if (!isCodeText(title.codeText) || title.codeText.size() > 9)
        return Result<std::string>::error("銘柄コードを入力して下さい。");
    const std::int64_t code = std::stoll(title.codeText);
    std::string text = title.name + "," + title.codeText + "," + title.market + "," +
                       (db::isWeeklyMode(chartMode) ? "週足データ" : "日足データ") + kCrLf;
    text += std::string("日付,出来高,始値,高値,安値,終値") + kCrLf;

    auto units = db.prepare("SELECT 出来高単位, 株価単位 FROM Mei WHERE コード=?1 LIMIT 1");
    if (!units)
        return units.status();
    units->bind(1, code);
    auto found = units->step();
    if (!found)
        return found.status();
    if (!*found)
        return text;
    std::optional<std::int64_t> volumeUnit, priceUnit;
    if (!units->isNull(0))
        volumeUnit = units->int64(0);
    if (!units->isNull(1))
        priceUnit = units->int64(1);

    std::vector<db::SplitEvent> events;
    if (adjusted || chartMode == 2) {
        auto listed = db::listSplits(db, static_cast<std::int32_t>(code), true);
        if (!listed)
            return listed.status();
        events = std::move(*listed);
    }
    auto bars = db.prepare(std::string("SELECT * FROM ") + TableForMode(chartMode) + " WHERE コード=?1 ORDER BY 日付");
    if (!bars)
        return bars.status();
    bars->bind(1, code);
    const int cDate = columnIndex(*bars, "日付"), cVolume = columnIndex(*bars, "出来高");
    const int cPrice[4] = {columnIndex(*bars, "始値"), columnIndex(*bars, "高値"), columnIndex(*bars, "安値"),
                           columnIndex(*bars, "終値")};
    std::optional<Date> prevDate;
    for (;;) {
        auto r = bars->step();
        if (!r)
            return r.status();
        if (!*r)
            break;
        std::optional<Date> date = bars->date(cDate);
        std::string line = date ? slashDate(*date) : std::string();
        if (chartMode == 2 && date && priceUnit && volumeUnit) {
            // The week of an event is put together from its days, so it reads like the daily bars.
            const Date after = prevDate ? *prevDate : date->addDays(-7);
            prevDate = date;
            if (eventBetween(events, after, *date)) {
                auto days = readStoredDays(db, static_cast<std::int32_t>(code), after, *date);
                if (!days)
                    return days.status();
                const WeekFromDays w =
                    weekFromDays(*days, *priceUnit, *volumeUnit, adjusted ? events : std::vector<db::SplitEvent>());
                if (w.traded) {
                    text += line + "," + w.volume.toString() + "," + std::to_string(w.open) + "," +
                            std::to_string(w.high) + "," + std::to_string(w.low) + "," + std::to_string(w.close) +
                            kCrLf;
                    continue;
                }
            }
        }
        // Other weeks hold no event: they take the events after them.
        const db::SplitRatio ratio =
            !adjusted || events.empty() || !date ? db::SplitRatio() : db::ratioAfter(events, *date);
        auto volume = volumeColumn(*bars, cVolume, volumeUnit, ratio);
        if (!volume)
            return volume.status();
        line += "," + *volume;
        for (int c : cPrice) {
            auto price = priceColumn(*bars, c, priceUnit, ratio);
            if (!price)
                return price.status();
            line += "," + *price;
        }
        text += line + kCrLf;
    }
    return text;
}

Result<std::string> exportPriceCsv(db::Database& db, const std::string& dataFolder, const PriceCsvTitle& title,
                                   int chartMode, bool adjusted) {
    auto text = priceCsvText(db, title, chartMode, adjusted);
    if (!text)
        return text.status();
    const std::string name = title.codeText + ".Csv";
    std::string path = findFileNoCase(dataFolder, name).value_or(joinPath(dataFolder, name));
    auto bytes = utf8ToCp932(*text);
    if (!bytes)
        return Result<std::string>::error(StatusCode::InvalidInput,
                                          path + " に出力できません。CP932 で表せない文字があります。");
    if (Status st = writeFileAtomically(path, *bytes); !st)
        return st;
    return path;
}

} // namespace kestrel::chart
