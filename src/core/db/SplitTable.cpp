#include "core/db/SplitTable.h"

#include "core/app/DateText.h"

namespace kestrel::db {

Result<bool> proposeSplit(Database& db, const SplitEvent& e) {
    const auto source = static_cast<std::int16_t>(e.source);
    const auto kind = static_cast<std::int16_t>(e.kind);
    if (Status st = db.run("INSERT OR IGNORE INTO Bunkatu (コード, 日付, 分割前, 分割後, 出所, 状態, 種類) "
                           "VALUES (?, ?, ?, ?, ?, 0, ?)",
                           e.code, e.date, e.before, e.after, source, kind);
        !st)
        return st;
    if (db.changes() > 0 || e.source != SplitSource::Exchange)
        return db.changes() > 0;
    if (Status st = db.run("UPDATE Bunkatu SET 分割前 = ?1, 分割後 = ?2, 種類 = ?3, 出所 = ?4 WHERE コード = ?5 AND "
                           "日付 = ?6 AND 状態 = 0 AND (分割前 <> ?1 OR 分割後 <> ?2 OR ifnull(種類, 0) <> ?3)",
                           e.before, e.after, kind, source, e.code, e.date);
        !st)
        return st;
    return db.changes() > 0;
}

} // namespace kestrel::db

#include "core/db/SplitRatio.h"

#include <numeric>

namespace kestrel::db {
namespace {

constexpr const char* kBadRatio = "分割比率が正しくありません。0.001 以上 1000 以下で 1 以外の比率"
                                  "（例: 2、0.1、1.5、1:2）を入力して下さい。";

std::string dayName(std::int32_t code, Date date) {
    return "銘柄コード " + std::to_string(code) + " の " + shownDate(date);
}

bool parseDecimal(const std::string& s, std::int64_t& num, std::int64_t& den) {
    num = 0;
    den = 1;
    bool dot = false, digit = false;
    for (char c : s) {
        if (c == '.' && !dot) {
            dot = true;
            continue;
        }
        if (c < '0' || c > '9' || num > 100000000 || den > 100000000)
            return false;
        digit = true;
        num = num * 10 + (c - '0');
        if (dot)
            den *= 10;
    }
    return digit;
}

} // namespace

Result<std::vector<SplitEvent>> listSplits(Database& db, std::int32_t code, bool confirmedOnly) {
    using R = Result<std::vector<SplitEvent>>;
    auto has = db.queryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='Bunkatu'");
    if (!has)
        return R(has.status());
    std::vector<SplitEvent> out;
    if (has->value_or(0) == 0)
        return out;
    // A file of version 3 opened read-only has no 種類: every event there is a split.
    auto hasKind = db.queryInt("SELECT count(*) FROM pragma_table_info('Bunkatu') WHERE name = '種類'");
    if (!hasKind)
        return R(hasKind.status());
    auto st = db.prepare(std::string("SELECT コード, 日付, 分割前, 分割後, 出所, 状態, ") +
                         (hasKind->value_or(0) ? "ifnull(種類, 0)" : "0") +
                         " FROM Bunkatu WHERE (?1 = 0 OR コード = ?1) AND (?2 = 0 OR 状態 = 1) ORDER BY コード, 日付");
    if (!st)
        return R(st.status());
    st->bindAll(static_cast<std::int64_t>(code), confirmedOnly);
    if (Status s = st->forEachRow([&] {
            const Statement& r = *st;
            SplitEvent e;
            e.code = r.int32(0);
            e.date = r.date(1).value_or(Date());
            e.before = r.int32(2);
            e.after = r.int32(3);
            e.source = static_cast<SplitSource>(r.int32(4));
            e.state = static_cast<SplitState>(r.int32(5));
            e.kind = r.int32(6) == 1 ? SplitKind::RightsIssue : SplitKind::Split;
            if (e.before > 0 && e.after > 0)
                out.push_back(e);
        });
        !s)
        return R(s);
    return out;
}

Status parseSplitRatio(const std::string& text, std::int32_t& before, std::int32_t& after) {
    std::int64_t b = 1, a = 1, bd = 1, ad = 1;
    const auto colon = text.find(':');
    if (colon != std::string::npos) {
        if (!parseDecimal(text.substr(0, colon), b, bd) || !parseDecimal(text.substr(colon + 1), a, ad))
            return Status::error(StatusCode::InvalidInput, kBadRatio);
    } else if (!parseDecimal(text, a, ad)) {
        return Status::error(StatusCode::InvalidInput, kBadRatio);
    }
    // after/before = (a/ad) / (b/bd)
    std::int64_t num = a * bd, den = b * ad;
    if (num <= 0 || den <= 0 || num > den * 1000 || num * 1000 < den)
        return Status::error(StatusCode::InvalidInput, kBadRatio);
    const std::int64_t g = std::gcd(num, den);
    num /= g;
    den /= g;
    if (num > 1000000 || den > 1000000 || num == den)
        return Status::error(StatusCode::InvalidInput, kBadRatio);
    after = static_cast<std::int32_t>(num);
    before = static_cast<std::int32_t>(den);
    return Status::ok();
}

namespace {

// Refuses an event that would take the issue's cumulative ratio beyond what is kept exactly.
Status checkBound(Database& db, std::int32_t code, Date date, std::int32_t before, std::int32_t after) {
    auto confirmed = listSplits(db, code, true);
    if (!confirmed)
        return confirmed.status();
    std::vector<SplitEvent> others;
    for (const SplitEvent& e : *confirmed)
        if (e.date != date)
            others.push_back(e);
    if (withinSplitBound(others, before, after))
        return Status::ok();
    return Status::error(StatusCode::OutOfRange,
                         dayName(code, date) + " の分割を加えると累積の分割比率が大きすぎて正確に計算できないため、"
                                               "登録できません。");
}

} // namespace

Result<SplitWrite> addSplit(Database& db, std::int32_t code, Date date, std::int32_t before, std::int32_t after) {
    using R = Result<SplitWrite>;
    if (before <= 0 || after <= 0 || before == after || after > 1000LL * before || 1000LL * after < before)
        return R::error(StatusCode::InvalidInput, kBadRatio);
    auto first = db.queryInt("SELECT min(日付) FROM dayData WHERE コード = ?", code);
    if (!first)
        return R(first.status());
    if (!*first || date.ymd() < **first)
        return R::error(StatusCode::InvalidInput,
                        dayName(code, date) + " は最初の株価データーより前のため、分割を登録できません。");
    auto bar = db.queryInt("SELECT count(*) FROM dayData WHERE コード = ? AND 日付 = ?", code, date);
    if (!bar)
        return R(bar.status());
    if (bar->value_or(0) == 0)
        return R::error(StatusCode::InvalidInput,
                        dayName(code, date) + " には株価データーがないため、分割を登録できません。");
    Transaction tx(db);
    if (!tx.began())
        return R(tx.began());
    auto row = db.prepare("SELECT 分割前, 分割後, 状態 FROM Bunkatu WHERE コード = ? AND 日付 = ?");
    if (!row)
        return R(row.status());
    row->bindAll(code, date);
    auto found = row->step();
    if (!found)
        return R(found.status());
    if (*found && row->int32(2) == static_cast<int>(SplitState::Confirmed)) {
        std::int64_t b = row->int32(0), a = row->int32(1);
        if (b == before && a == after)
            return SplitWrite{false, dayName(code, date) + " には同じ分割 " + std::to_string(before) + ":" +
                                         std::to_string(after) + " が既に登録されています。"};
        return R::error(StatusCode::InvalidInput, dayName(code, date) + " には既に分割が登録されています。");
    }
    row->reset();
    if (Status st = checkBound(db, code, date, before, after); !st)
        return R(st);
    if (Status st = db.run("INSERT OR REPLACE INTO Bunkatu (コード, 日付, 分割前, 分割後, 出所, 状態) "
                           "VALUES (?, ?, ?, ?, 1, 1)",
                           code, date, before, after);
        !st)
        return R(st);
    if (Status st = tx.commit(); !st)
        return R(st);
    return SplitWrite{};
}

Result<SplitWrite> removeSplit(Database& db, std::int32_t code, Date date) {
    if (Status st = db.run("DELETE FROM Bunkatu WHERE コード = ? AND 日付 = ?", code, date); !st)
        return st;
    if (db.changes() == 0)
        return SplitWrite{false, dayName(code, date) + " の分割はありません（削除済みです）。"};
    return SplitWrite{};
}

Result<SplitWrite> setSplitState(Database& db, std::int32_t code, Date date, SplitState state) {
    using R = Result<SplitWrite>;
    auto row = db.prepare("SELECT 分割前, 分割後, 状態 FROM Bunkatu WHERE コード = ? AND 日付 = ?");
    if (!row)
        return R(row.status());
    row->bindAll(code, date);
    auto found = row->step();
    if (!found)
        return R(found.status());
    if (!*found)
        return R::error(StatusCode::NotFound, dayName(code, date) + " の分割はありません。");
    const std::int32_t before = row->int32(0), after = row->int32(1);
    const bool same = row->int32(2) == static_cast<int>(state);
    row->reset();
    if (same)
        return SplitWrite{false, dayName(code, date) + " の分割は既に" + splitStateName(state) + "されています。"};
    if (state == SplitState::Confirmed)
        if (Status st = checkBound(db, code, date, before, after); !st)
            return R(st);
    if (Status st = db.run("UPDATE Bunkatu SET 状態 = ? WHERE コード = ? AND 日付 = ?",
                           static_cast<std::int16_t>(state), code, date);
        !st)
        return R(st);
    return SplitWrite{};
}

const char* splitSourceName(SplitSource source) {
    return source == SplitSource::Exchange ? "取引所" : source == SplitSource::Detected ? "検出" : "入力";
}

const char* splitStateName(SplitState state) {
    return state == SplitState::Confirmed ? "確定" : state == SplitState::Dismissed ? "却下" : "提案";
}

std::string splitRatioText(const SplitEvent& e) {
    if (e.kind != SplitKind::RightsIssue)
        return std::to_string(e.before) + ":" + std::to_string(e.after);
    // before/after is a decimal fraction: write it with as many places as it has (at most nine).
    std::int64_t scale = 1;
    int places = 0;
    while (places < 9 && (static_cast<std::int64_t>(e.before) * scale) % e.after != 0) {
        scale *= 10;
        ++places;
    }
    const std::int64_t scaled = static_cast<std::int64_t>(e.before) * scale / e.after;
    std::string digits = std::to_string(scaled / scale);
    if (places > 0) {
        std::string frac = std::to_string(scaled % scale);
        digits += "." + std::string(static_cast<size_t>(places) - frac.size(), '0') + frac;
    }
    return "株主割当 係数 " + digits;
}

} // namespace kestrel::db
