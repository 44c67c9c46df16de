#include "core/info/Screening.h"

#include "core/db/LatestDate.h"
#include "core/settings/Settings.h"
#include "core/settings/Shared.h"

#include <set>

namespace kestrel::info {
namespace {

constexpr const char* kRowSelect =
    "SELECT A.順位, A.コード, B.市場コード, B.銘柄, A.種類コード, A.日付, A.株価, A.出来高, A.前日比, A.値, "
    "A.現株価, A.現比 FROM informationData AS A LEFT JOIN Mei AS B ON A.コード = B.コード ";

std::optional<double> positiveNumber(const std::string& text) {
    auto v = textToDouble(text);
    if (!v || !(*v > 0))
        return std::nullopt;
    return *v;
}

} // namespace

Currency ratioOf(std::int32_t price, std::int32_t close) {
    if (price <= 0)
        return Currency();
    // Tenths of a percent, truncated toward zero by the integer division.
    std::int64_t tenths = (static_cast<std::int64_t>(close) - price) * 1000 / price;
    return Currency::fromRaw(tenths * (Currency::kScale / 10));
}

Result<std::vector<InfoKind>> loadKinds(db::Database& db) {
    auto st = db.prepare("SELECT 種類コード, 種類名, 表示順 FROM informationClass ORDER BY 表示順, 種類コード");
    if (!st)
        return st.status();
    std::vector<InfoKind> kinds;
    if (Status read = st->forEachRow([&] {
            kinds.push_back({st->text(0), st->text(1), static_cast<std::int16_t>(st->int64(2))});
        });
        !read)
        return read;
    return kinds;
}

Result<std::vector<InfoDate>> loadDates(db::Database& db, const std::string& kind) {
    auto st = db.prepare("SELECT 種類コード, 日付, コメント FROM informationData WHERE 種類コード = ? "
                         "GROUP BY 種類コード, 日付, コメント ORDER BY 日付 DESC");
    if (!st)
        return st.status();
    st->bindAll(kind);
    std::vector<InfoDate> dates;
    if (Status read = st->forEachRow([&] {
            auto d = st->date(1);
            if (d)
                dates.push_back({st->text(0), *d, st->text(2)});
        });
        !read)
        return read;
    return dates;
}

Result<std::vector<InfoRow>> loadRows(db::Database& db, const RowView& view) {
    std::vector<InfoRow> rows;
    if (!view.chosen())
        return rows;
    std::string sql = std::string(kRowSelect) + "WHERE A.種類コード = ? AND A.日付 BETWEEN ? AND ?";
    if (view.maxPrice)
        sql += " AND A.株価 <= ?";
    if (view.minVolume)
        sql += " AND A.出来高 >= ?";
    if (view.rated)
        sql += " AND A.現比 > 0 ORDER BY A.現比 DESC, A.日付 DESC, A.順位";
    else
        sql += " ORDER BY A.日付 DESC, A.順位";
    auto st = db.prepare(sql);
    if (!st)
        return st.status();
    st->bindAll(view.kind, view.first.value_or(view.last), view.last);
    int i = 3;
    if (view.maxPrice)
        st->bind(++i, *view.maxPrice);
    if (view.minVolume)
        st->bind(++i, *view.minVolume);
    if (Status read = st->forEachRow([&] {
            InfoRow row;
            row.rank = static_cast<std::int16_t>(st->int64(0));
            row.code = st->int32(1);
            if (!st->isNull(2))
                row.market = static_cast<std::int16_t>(st->int64(2));
            row.name = st->text(3);
            row.kind = st->text(4);
            row.date = st->date(5).value_or(Date());
            row.price = st->int32(6);
            row.volume = st->currency(7);
            row.change = st->int32(8);
            row.value = st->text(9);
            if (!st->isNull(10))
                row.current = st->int32(10);
            if (!st->isNull(11))
                row.ratio = st->currency(11);
            rows.push_back(std::move(row));
        });
        !read)
        return read;
    return rows;
}

Result<RowView> filterView(const RowView& current, const std::string& priceText, const std::string& volumeText) {
    auto price = textToDouble(priceText);
    if (!price)
        return Status::error(kEnterAmount);
    RowView v = current;
    v.maxPrice = *price;
    v.minVolume = positiveNumber(volumeText);
    return v;
}

Result<int> rateRows(db::Database& db, const std::string& kind, Date first, Date last) {
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    auto rows = db.prepare("SELECT 日付, 順位, コード, 株価 FROM informationData "
                           "WHERE 種類コード = ? AND 日付 BETWEEN ? AND ?");
    auto update = db.prepare("UPDATE informationData SET 現株価 = ?, 現比 = ? "
                             "WHERE 種類コード = ? AND 日付 = ? AND 順位 = ?");
    for (auto* s : {&rows, &update})
        if (!*s)
            return s->status();
    rows->bindAll(kind, first, last);
    struct Target {
        std::int64_t date;
        std::int64_t rank;
        std::int32_t code;
        std::int32_t price;
    };
    std::vector<Target> targets;
    if (Status read = rows->forEachRow([&] {
            targets.push_back({rows->int64(0), rows->int64(1), rows->int32(2), rows->int32(3)});
        });
        !read)
        return read;
    int rated = 0;
    db::LatestDailyBars latest(db);
    for (const Target& t : targets) {
        auto bar = latest.of(t.code);
        if (!bar)
            return bar.status();
        if (!*bar)
            continue; // no stored close: the row keeps what it had
        const auto now = static_cast<std::int32_t>((*bar)->close);
        update->reset();
        update->bindAll(now, ratioOf(t.price, now), kind, t.date, t.rank);
        if (Status s = update->run(); !s.isOk())
            return s;
        ++rated;
    }
    if (Status s = tx.commit(); !s.isOk())
        return s;
    return rated;
}

Result<std::optional<Date>> firstOfLastDates(db::Database& db, const std::string& kind, Date last, int n) {
    auto st = db.prepare("SELECT DISTINCT 日付 FROM informationData WHERE 種類コード = ? AND 日付 <= ? "
                         "ORDER BY 日付 DESC LIMIT ?");
    if (!st)
        return st.status();
    st->bindAll(kind, last, n < 1 ? 1 : n);
    std::optional<Date> first;
    if (Status read = st->forEachRow([&] {
            if (auto d = st->date(0))
                first = *d;
        });
        !read)
        return read;
    return first;
}

RowView ratedView(const RowView& current, const std::string& kind, std::optional<Date> first, Date last,
                  const std::string& priceText, const std::string& volumeText) {
    RowView v;
    v.kind = kind;
    v.first = first && *first < last ? first : std::nullopt;
    v.last = last;
    v.rated = true;
    if (current.maxPrice) {
        auto price = textToDouble(priceText);
        v.maxPrice = price ? *price : *current.maxPrice;
    }
    v.minVolume = positiveNumber(volumeText);
    return v;
}

Status deleteDate(db::Database& db, const std::string& kind, Date date) {
    return db.run("DELETE FROM informationData WHERE 種類コード = ? AND 日付 = ?", kind, date);
}

Status deleteKind(db::Database& db, const std::string& kind) {
    return db.run("DELETE FROM informationData WHERE 種類コード = ?", kind);
}

PruneCutoffs pruneCutoffs(Date reference, int days) {
    return {reference.addDays(-days), reference.addDays(-days * 7)};
}

Result<Date> ageReference(db::Database& db) {
    auto latest = db::latestStoredDate(db, "informationData");
    if (!latest)
        return latest.status();
    return latest->value_or(Date::today());
}

// Kind codes compare without regard to case, as list kinds "d"/"D" are the same letter to the user.
Result<bool> hasPrunableLists(db::Database& db, const PruneCutoffs& c) {
    auto n = db.queryInt("SELECT 1 FROM informationData WHERE (Top種類コード = 'd' COLLATE NOCASE AND 日付 < ?) "
                         "OR (Top種類コード = 'w' COLLATE NOCASE AND 日付 < ?) LIMIT 1",
                         c.daily, c.weekly);
    if (!n)
        return n.status();
    return n->has_value();
}

Status pruneLists(db::Database& db, const PruneCutoffs& c) {
    db::Transaction tx(db);
    if (!tx.began().isOk())
        return tx.began();
    if (Status s = db.run("DELETE FROM informationData WHERE Top種類コード = 'd' COLLATE NOCASE AND 日付 < ?", c.daily);
        !s.isOk())
        return s;
    if (Status s =
            db.run("DELETE FROM informationData WHERE Top種類コード = 'w' COLLATE NOCASE AND 日付 < ?", c.weekly);
        !s.isOk())
        return s;
    return tx.commit();
}

std::string pruneQuestion(int days) {
    return "オプション設定で設定した" + std::to_string(days) + "日以上の削除すべきデーターがあります　削除しますか？";
}

Result<bool> offerPruning(db::Database& db, Date reference, int days, Prompt& prompt) {
    if (days <= 0)
        return false;
    PruneCutoffs c = pruneCutoffs(reference, days);
    auto any = hasPrunableLists(db, c);
    if (!any) {
        prompt.notify(any.status().message());
        return any.status();
    }
    if (!*any)
        return false;
    if (!prompt.askYesNo(pruneQuestion(days), kDeleteConfirmTitle))
        return Status::cancelled();
    if (Status s = pruneLists(db, c); !s.isOk()) {
        prompt.notify(s.message());
        return s;
    }
    return true;
}

std::vector<std::string> issueListRows(const std::vector<InfoRow>& rows, const MarketNames& marketNames, bool unique) {
    db::IssueMarkets markets;
    markets.names = marketNames;
    return issueListRows(rows, markets, unique);
}

std::vector<std::string> issueListRows(const std::vector<InfoRow>& rows, const db::IssueMarkets& markets, bool unique) {
    std::vector<std::string> out;
    std::set<std::int32_t> seen;
    for (const InfoRow& r : rows) {
        if (unique && !seen.insert(r.code).second)
            continue;
        out.push_back(db::issueListRow(r.code, r.market ? markets.nameOf(r.code, *r.market) : std::string(), r.name));
    }
    return out;
}

} // namespace kestrel::info
