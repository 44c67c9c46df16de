#include "core/fins/Disclosure.h"

#include "core/db/Schema.h"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>

namespace kestrel::fins {

using nlohmann::json;

static_assert(sizeof(db::kDisclosureFigureNames) / sizeof(db::kDisclosureFigureNames[0]) == kDisclosureFieldCount);

namespace {

bool isDecimal(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        ++i;
    size_t digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (s[i] >= '0' && s[i] <= '9')
            ++digits;
        else if (s[i] == '.' && !point)
            point = true;
        else
            break;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+'))
            ++i;
        size_t exp = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
            ++exp;
        if (exp == 0)
            return false;
    }
    return i == s.size();
}

std::optional<Date> isoDate(std::string_view s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return std::nullopt;
    return Date::parse(s);
}

// DiscNo compared as a number: the shorter is smaller, then by text.
bool numberBefore(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace

Figure figureOf(std::string_view text) {
    Figure f;
    if (text == "-") {
        f.kind = FigureKind::Undecided;
        return f;
    }
    if (!isDecimal(text))
        return f;
    std::string s(text.front() == '+' ? text.substr(1) : text);
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size())
        return f;
    f.kind = FigureKind::Number;
    f.text = std::move(s);
    f.value = v;
    return f;
}

bool Disclosure::isResults() const {
    return docType.find("FinancialStatements") != std::string::npos;
}

bool disclosedBefore(const Disclosure& a, const Disclosure& b) {
    if (a.discDate != b.discDate)
        return a.discDate < b.discDate;
    if (a.discTime != b.discTime)
        return a.discTime < b.discTime;
    return numberBefore(a.discNo, b.discNo);
}

Result<DisclosurePage> parseDisclosures(const std::vector<std::string>& pages, const std::string& context) {
    DisclosurePage out;
    for (const std::string& body : pages) {
        json page = json::parse(body, nullptr, false);
        if (page.is_discarded() || !page.is_object() || !page.contains("data") || !page["data"].is_array())
            return Result<DisclosurePage>::error(context + ": J-Quants の応答が JSON として読めません");
        for (const json& row : page["data"]) {
            if (!row.is_object())
                continue;
            auto text = [&row](const char* key) -> std::string {
                auto it = row.find(key);
                return it != row.end() && it->is_string() ? it->get<std::string>() : std::string();
            };
            Disclosure d;
            d.code5 = text("Code");
            d.discNo = text("DiscNo");
            auto date = isoDate(text("DiscDate"));
            if (d.code5.size() != 5) {
                out.problems.push_back(context + ": 銘柄コード「" + d.code5 +
                                       "」は 5 文字ではないため除きました（開示番号 " + d.discNo + "）");
                continue;
            }
            if (d.discNo.empty() || d.discNo.size() > 24 || !date) {
                out.problems.push_back(context + ": 開示番号か開示日のない行を除きました（" + d.code5 + "）");
                continue;
            }
            int code = 0;
            bool ours = d.code5[4] == '0';
            for (int i = 0; i < 4 && ours; ++i) {
                ours = d.code5[i] >= '0' && d.code5[i] <= '9';
                code = code * 10 + (d.code5[i] - '0');
            }
            if (!ours || code < 1) {
                ++out.skipped;
                continue;
            }
            d.code = code;
            d.discDate = *date;
            d.discTime = text("DiscTime").substr(0, 8);
            d.docType = text("DocType").substr(0, 120);
            d.perType = text("CurPerType").substr(0, 8);
            d.curPerSt = isoDate(text("CurPerSt"));
            d.curPerEn = isoDate(text("CurPerEn"));
            d.curFYSt = isoDate(text("CurFYSt"));
            d.curFYEn = isoDate(text("CurFYEn"));
            d.nxtFYSt = isoDate(text("NxtFYSt"));
            d.nxtFYEn = isoDate(text("NxtFYEn"));
            for (int i = 0; i < kDisclosureFieldCount; ++i) {
                Figure f = figureOf(text(db::kDisclosureFigureNames[i]));
                if (f.text.size() > 40)
                    f = {};
                d.figures[i] = std::move(f);
            }
            out.rows.push_back(std::move(d));
        }
    }
    return out;
}

Result<int> storeDisclosures(db::Database& db, const std::vector<Disclosure>& rows, const std::string& fetchedAt) {
    std::string sql = "INSERT OR REPLACE INTO Kessan (DiscNo, コード, Code, DiscDate, DiscTime, DocType, CurPerType, "
                      "CurPerSt, CurPerEn, CurFYSt, CurFYEn, NxtFYSt, NxtFYEn";
    std::string marks = "?,?,?,?,?,?,?,?,?,?,?,?,?";
    for (const char* name : db::kDisclosureFigureNames) {
        sql += std::string(", \"") + name + "\"";
        marks += ",?";
    }
    sql += ", 取得日時) VALUES (" + marks + ",?)";
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    auto st = db.prepare(sql);
    if (!st)
        return st.status();
    for (const Disclosure& d : rows) {
        st->reset();
        st->clearBindings();
        st->bindAll(d.discNo, d.code, d.code5, d.discDate, d.discTime, d.docType, d.perType, d.curPerSt, d.curPerEn,
                    d.curFYSt, d.curFYEn, d.nxtFYSt, d.nxtFYEn);
        for (int i = 0; i < kDisclosureFieldCount; ++i) {
            const Figure& f = d.figures[i];
            if (f.kind == FigureKind::None)
                st->bindNull(14 + i);
            else
                st->bind(14 + i, f.kind == FigureKind::Undecided ? std::string("-") : f.text);
        }
        st->bind(14 + kDisclosureFieldCount, fetchedAt);
        if (Status s = st->run(); !s)
            return s;
    }
    if (Status s = tx.commit(); !s)
        return s;
    return static_cast<int>(rows.size());
}

Result<std::vector<Disclosure>> loadDisclosures(db::Database& db, int code) {
    std::vector<Disclosure> out;
    auto present = db.queryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='Kessan'");
    if (!present)
        return present.status();
    if (present->value_or(0) == 0)
        return out;
    std::string sql = "SELECT DiscNo, コード, Code, DiscDate, DiscTime, DocType, CurPerType, CurPerSt, CurPerEn, "
                      "CurFYSt, CurFYEn, NxtFYSt, NxtFYEn";
    for (const char* name : db::kDisclosureFigureNames)
        sql += std::string(", \"") + name + "\"";
    sql += " FROM Kessan WHERE コード = ?";
    auto st = db.cached(sql);
    if (!st)
        return st.status();
    (*st)->bind(1, code);
    Status s = (*st)->forEachRow([&] {
        db::Statement& r = **st;
        Disclosure d;
        d.discNo = r.text(0);
        d.code = r.int32(1);
        d.code5 = r.text(2);
        d.discDate = r.date(3).value_or(Date());
        d.discTime = r.isNull(4) ? std::string() : r.text(4);
        d.docType = r.isNull(5) ? std::string() : r.text(5);
        d.perType = r.isNull(6) ? std::string() : r.text(6);
        d.curPerSt = r.date(7);
        d.curPerEn = r.date(8);
        d.curFYSt = r.date(9);
        d.curFYEn = r.date(10);
        d.nxtFYSt = r.date(11);
        d.nxtFYEn = r.date(12);
        for (int i = 0; i < kDisclosureFieldCount; ++i)
            if (!r.isNull(13 + i))
                d.figures[i] = figureOf(r.text(13 + i));
        out.push_back(std::move(d));
    });
    if (!s)
        return s;
    std::sort(out.begin(), out.end(), disclosedBefore);
    return out;
}

} // namespace kestrel::fins
