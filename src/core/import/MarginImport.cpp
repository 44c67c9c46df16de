#include "core/import/MarginImport.h"

#include "core/app/Files.h"
#include "core/import/CacheSize.h"
#include "core/import/DailyFile.h"
#include "core/import/TextFile.h"
#include "core/settings/Settings.h"

#include <limits>

namespace kestrel::import {
namespace {

std::optional<std::int32_t> wholeNumber(std::string_view text) {
    auto v = textToInt32(trimBlanks(text));
    if (!v)
        return std::nullopt;
    return *v;
}

// Line 1 of a margin file: the date is taken from characters 1-4, 5-6 and the last two.
std::optional<Date> marginDate(std::string_view head) {
    if (head.size() < 8)
        return std::nullopt;
    auto y = parseDigits(head.substr(0, 4)), m = parseDigits(head.substr(4, 2)),
         d = parseDigits(head.substr(head.size() - 2));
    if (!y || !m || !d)
        return std::nullopt;
    return Date::fromYmd(static_cast<int>(*y), static_cast<int>(*m), static_cast<int>(*d));
}

} // namespace

Result<MarginFile> parseMarginFile(std::string_view bytes, const std::string& fileName) {
    using R = Result<MarginFile>;
    Cp932LineReader reader(bytes);
    TextLine line;
    MarginFile file;
    auto head = parseFileHead(reader, line, fileName, marginDate, 1);
    if (!head)
        return head.status();
    file.date = head->date;
    file.count = head->count;

    bool ended = false;
    while (static_cast<int>(file.records.size()) < file.count && reader.next(line)) {
        if (!line.validBytes)
            return R::error(lineError(fileName, line.number, kNotCp932));
        if (!line.terminated)
            return R::error(lineError(fileName, line.number, kCutOff));
        std::string_view rest = line.text;
        std::string_view f[6];
        size_t comma = rest.find(',');
        f[0] = trimBlanks(rest.substr(0, comma));
        // A record whose code is not a number ends the file.
        if (!isNumeric(f[0])) {
            ended = true;
            break;
        }
        for (int k = 0; k < 5; ++k) {
            comma = rest.find(',');
            if (comma == std::string_view::npos)
                return R::error(lineError(fileName, line.number, kTooFewFields));
            f[k] = rest.substr(0, comma);
            rest = rest.substr(comma + 1);
        }
        f[5] = rest;
        MarginRecord r;
        r.line = line.number;
        auto code = textToInt16(trimBlanks(f[0]));
        if (!code || *code < 1 || *code > 9999)
            return R::error(lineError(fileName, line.number,
                                      "銘柄コード \"" + std::string(trimBlanks(f[0])) + "\" が正しくありません。"));
        r.code = *code;
        std::int32_t* values[] = {&r.sell, &r.buy, &r.unit};
        for (int k = 0; k < 3; ++k) {
            auto v = wholeNumber(f[3 + k]);
            if (!v)
                return R::error(lineError(fileName, line.number,
                                          "\"" + std::string(trimBlanks(f[3 + k])) + "\" が数値ではありません。"));
            *values[k] = *v;
        }
        file.records.push_back(r);
    }
    if (!ended && static_cast<int>(file.records.size()) < file.count)
        return R::error(lineError(fileName, line.number,
                                  "件数 " + std::to_string(file.count) + " に対してデーターが " +
                                      std::to_string(file.records.size()) + " 件しかありません。"));
    return file;
}

Result<bool> storeMarginWeek(db::Database& db, Date friday, const std::vector<MarginRecord>& records,
                             std::optional<std::int32_t> onlyCode, const std::string& name,
                             const ImportProgress* progress) {
    auto fail = [&](const Status& st) { return Result<bool>::error(name + ": " + st.message()); };
    db::Transaction tx(db);
    if (!tx.began())
        return fail(tx.began());
    const std::int64_t code = onlyCode.value_or(0);
    if (Status st = db.run("DELETE FROM shinyo WHERE 日付 = ?1 AND (?2 = 0 OR コード = ?2)", friday, code); !st)
        return fail(st);
    if (Status st =
            db.run("UPDATE weekData SET 売残 = 0, 買残 = 0 WHERE 日付 = ?1 AND (?2 = 0 OR コード = ?2)", friday, code);
        !st)
        return fail(st);
    auto insert = db.prepare("INSERT OR IGNORE INTO shinyo (コード, 日付, 売残, 買残, 単位) VALUES (?, ?, ?, ?, ?)");
    auto week = db.prepare("UPDATE weekData SET 売残 = ?, 買残 = ? WHERE コード = ? AND 日付 = ?");
    if (!insert)
        return fail(insert.status());
    if (!week)
        return fail(week.status());
    bool stored = false;
    std::optional<PercentCounter> counter;
    if (progress)
        counter.emplace(*progress, static_cast<int>(records.size()));
    for (const MarginRecord& r : records) {
        if (counter)
            counter->next();
        if (onlyCode && r.code != *onlyCode)
            continue;
        if (Status st = insert->bindAll(r.code, friday, r.sell, r.buy, r.unit).run(); !st)
            return fail(st);
        // A second record of the same issue is passed over; the first one stands.
        if (db.changes() != 1)
            continue;
        stored = true;
        const std::int64_t sell = std::int64_t(r.sell) * r.unit, buy = std::int64_t(r.buy) * r.unit;
        constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
        constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
        if (sell > kMax || sell < kMin || buy > kMax || buy < kMin)
            return Result<bool>::error(lineError(name, r.line, "信用残が大きすぎます（オーバーフローしました。）"));
        if (Status st = week->bindAll(sell, buy, r.code, friday).run(); !st)
            return fail(st);
    }
    if (Status st = tx.commit(); !st)
        return fail(st);
    return stored;
}

Result<bool> ImportMarginBalances(db::Database& db, const std::string& folder, Date from, Date to,
                                  const ImportProgress& progress) {
    if (folder.empty())
        return false;
    ScopedCacheSize cache(db, kBulkCacheKib);
    bool stored = false;
    for (Date d = from; d <= to; d = d.addDays(1)) {
        const std::string name = marginFileName(d);
        auto path = findFileNoCase(folder, name);
        if (!path)
            continue;
        auto bytes = readWholeFile(*path);
        if (!bytes)
            return bytes.status();
        auto file = parseMarginFile(*bytes, name);
        if (!file)
            return file.status();
        // A file dated on another weekday belongs to the Friday of its week: that Friday is replaced.
        progress.showStep(name + " 処理中.....");
        auto storedHere = storeMarginWeek(db, NextFriday(file->date), file->records, std::nullopt, name, &progress);
        if (!storedHere)
            return storedHere.status();
        stored = stored || *storedHere;
    }
    return stored;
}

} // namespace kestrel::import
