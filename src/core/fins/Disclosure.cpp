#include "core/fins/Disclosure.h"

#include "core/db/Schema.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <unordered_map>

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

namespace {

constexpr int kFirstFigureColumn = 13;

constexpr int kFirstMarketFigureColumn = 9;

// The columns of the figures of fields, in field order, each after a comma.
std::string selectFigures(const FieldSet& fields) {
    std::string sql;
    for (size_t i = 0; i < kDisclosureFieldCount; ++i)
        if (fields[i])
            sql += std::string(", \"") + db::kDisclosureFigureNames[i] + "\"";
    return sql;
}

// SELECT of the row columns and the figures of fields, in field order, from Kessan.
std::string selectRows(const FieldSet& fields) {
    return "SELECT DiscNo, コード, Code, DiscDate, DiscTime, DocType, CurPerType, CurPerSt, CurPerEn, CurFYSt, "
           "CurFYEn, NxtFYSt, NxtFYEn" +
           selectFigures(fields) + " FROM Kessan";
}

// A stored figure: NULL none, "-" 未定, else the number (its text kept when keepText).
Figure storedFigure(const db::Statement& r, int col, bool keepText) {
    if (r.isNull(col))
        return {};
    Figure f = figureOf(r.text(col));
    if (!keepText)
        f.text.clear();
    return f;
}

void readRow(const db::Statement& r, const FieldSet& fields, bool keepText, Disclosure& d) {
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
    int col = kFirstFigureColumn;
    for (size_t i = 0; i < kDisclosureFieldCount; ++i)
        d.figures[i] = fields[i] ? storedFigure(r, col++, keepText) : Figure{};
}

Result<bool> hasKessan(db::Database& db) {
    auto st = db.cached("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='Kessan'");
    if (!st)
        return st.status();
    db::ResetOnExit done(**st);
    auto row = (*st)->step();
    if (!row)
        return row.status();
    return *row && (*st)->int64(0) > 0;
}

} // namespace

Result<std::vector<Disclosure>> loadDisclosures(db::Database& db, int code) {
    std::vector<Disclosure> out;
    auto present = hasKessan(db);
    if (!present)
        return present.status();
    if (!*present)
        return out;
    const FieldSet all = FieldSet().set();
    auto st = db.cached(selectRows(all) + " WHERE コード = ?");
    if (!st)
        return st.status();
    db::ResetOnExit done(**st);
    (*st)->bind(1, code);
    Status s = (*st)->forEachRow([&] {
        out.emplace_back();
        readRow(**st, all, true, out.back());
    });
    if (!s)
        return s;
    std::sort(out.begin(), out.end(), disclosedBefore);
    return out;
}

namespace {

// The whole table as a reader of the market keeps it: each row compact (the figures of `fields` as
// numbers, the document type as an index into the few met), in code and disclosure order.
struct MarketRows {
    struct Compact {
        int code = 0;
        Date discDate;
        std::optional<Date> curPerEn, curFYEn, nxtFYEn;
        std::string discNo, discTime, perType;
        std::uint16_t docType = 0;
        FieldSet number, undecided;
    };
    // What the read was of: the file and the times and sizes of it and its write-ahead log (a write
    // from any connection changes one of them), the table's row count and largest rowid (a row written,
    // replaced or removed changes one of them: a replaced row gets a new rowid), and the fields.
    std::string path;
    std::string stamp;
    std::int64_t count = -1, maxRowid = -1;
    FieldSet fields;
    std::vector<Compact> rows;
    std::vector<double> values; // selected.size() a row, in the order of rows
    std::vector<size_t> order;  // indexes of rows in code and disclosure order
    std::vector<std::string> docTypes;
};

// The last read, kept: a market screen reads it once for every day it runs on, and again only when the
// table changed.
std::mutex g_marketMutex;
std::shared_ptr<const MarketRows> g_market;

// The time and size of the file and of its write-ahead log, as text; "" where they cannot be read.
std::string fileStamp(const std::string& path) {
    std::string out;
    for (const std::string& p : {path, path + "-wal"}) {
        std::error_code ec;
        auto time = std::filesystem::last_write_time(p, ec);
        if (ec)
            continue;
        auto size = std::filesystem::file_size(p, ec);
        out += p + ":" + std::to_string(time.time_since_epoch().count()) + ":" + std::to_string(ec ? 0 : size) + ";";
    }
    return out;
}

Result<std::shared_ptr<const MarketRows>> marketRows(db::Database& db, const FieldSet& fields) {
    const std::string stamp = fileStamp(db.path());
    auto count = db.queryInt("SELECT count(*) FROM Kessan");
    if (!count)
        return count.status();
    auto maxRowid = db.queryInt("SELECT max(rowid) FROM Kessan");
    if (!maxRowid)
        return maxRowid.status();
    const std::int64_t n = count->value_or(0), top = maxRowid->value_or(0);
    {
        std::lock_guard lock(g_marketMutex);
        if (g_market && g_market->path == db.path() && !stamp.empty() && g_market->stamp == stamp &&
            g_market->count == n && g_market->maxRowid == top && (g_market->fields & fields) == fields)
            return g_market;
    }
    FieldSet wanted = fields; // with those of the last read: screens of different figures take turns
    {
        std::lock_guard lock(g_marketMutex);
        if (g_market && g_market->path == db.path())
            wanted |= g_market->fields;
    }
    auto out = std::make_shared<MarketRows>();
    out->path = db.path();
    out->stamp = stamp;
    out->count = n;
    out->maxRowid = top;
    out->fields = wanted;
    std::vector<size_t> selected;
    for (size_t i = 0; i < kDisclosureFieldCount; ++i)
        if (wanted[i])
            selected.push_back(i);
    auto st = db.prepare("SELECT コード, DiscDate, CurPerEn, CurFYEn, NxtFYEn, DiscNo, DiscTime, CurPerType, DocType" +
                         selectFigures(wanted) + " FROM Kessan");
    if (!st)
        return st.status();
    std::vector<MarketRows::Compact>& rows = out->rows;
    rows.reserve(static_cast<size_t>(n));
    out->values.reserve(static_cast<size_t>(n) * selected.size());
    std::unordered_map<std::string, std::uint16_t> docTypeIndex;
    Status s = st->forEachRow([&] {
        const db::Statement& r = *st;
        MarketRows::Compact& c = rows.emplace_back();
        c.code = r.int32(0);
        c.discDate = r.date(1).value_or(Date());
        c.curPerEn = r.date(2);
        c.curFYEn = r.date(3);
        c.nxtFYEn = r.date(4);
        c.discNo = r.text(5);
        c.discTime = r.isNull(6) ? std::string() : r.text(6);
        c.perType = r.isNull(7) ? std::string() : r.text(7);
        std::string type = r.isNull(8) ? std::string() : r.text(8);
        auto [it, added] = docTypeIndex.emplace(type, static_cast<std::uint16_t>(out->docTypes.size()));
        if (added)
            out->docTypes.push_back(std::move(type));
        c.docType = it->second;
        for (size_t k = 0; k < selected.size(); ++k) {
            Figure f = storedFigure(r, kFirstMarketFigureColumn + static_cast<int>(k), false);
            c.number[selected[k]] = f.kind == FigureKind::Number;
            c.undecided[selected[k]] = f.kind == FigureKind::Undecided;
            out->values.push_back(f.value);
        }
    });
    if (!s)
        return s;
    std::vector<size_t>& order = out->order;
    order.resize(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // By code, each issue's rows in disclosure order, so that a reader of the figures need not sort them.
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const MarketRows::Compact& x = rows[a];
        const MarketRows::Compact& y = rows[b];
        if (x.code != y.code)
            return x.code < y.code;
        if (x.discDate != y.discDate)
            return x.discDate < y.discDate;
        if (x.discTime != y.discTime)
            return x.discTime < y.discTime;
        if (x.discNo != y.discNo)
            return numberBefore(x.discNo, y.discNo);
        return a < b;
    });
    std::shared_ptr<const MarketRows> kept = std::move(out);
    std::lock_guard lock(g_marketMutex);
    g_market = kept;
    return kept;
}

} // namespace

Status forEachIssueDisclosures(db::Database& db, Date before, const FieldSet& fields,
                               const std::function<void(int code, std::span<const Disclosure> rows)>& visit) {
    auto present = hasKessan(db);
    if (!present)
        return present.status();
    if (!*present)
        return Status::ok();
    auto market = marketRows(db, fields);
    if (!market)
        return market.status();
    const MarketRows& m = **market;
    const std::vector<MarketRows::Compact>& rows = m.rows;
    const std::vector<double>& values = m.values;
    const std::vector<std::string>& docTypes = m.docTypes;
    std::vector<size_t> selected; // the kept fields, in the order of values
    for (size_t i = 0; i < kDisclosureFieldCount; ++i)
        if (m.fields[i])
            selected.push_back(i);
    // Each issue's rows rebuilt into the same buffer (their strings keep their room).
    std::vector<Disclosure> issue;
    size_t n = 0;
    auto flush = [&] {
        if (n > 0)
            visit(issue.front().code, std::span<const Disclosure>(issue.data(), n));
        n = 0;
    };
    for (size_t i : m.order) {
        const MarketRows::Compact& c = rows[i];
        if (c.discDate >= before)
            continue;
        if (n > 0 && issue.front().code != c.code)
            flush();
        if (n == issue.size())
            issue.emplace_back();
        Disclosure& d = issue[n++];
        d.code = c.code;
        d.discDate = c.discDate;
        d.curPerEn = c.curPerEn;
        d.curFYEn = c.curFYEn;
        d.nxtFYEn = c.nxtFYEn;
        d.discNo = c.discNo;
        d.discTime = c.discTime;
        d.perType = c.perType;
        d.docType = docTypes[c.docType];
        for (size_t k = 0; k < selected.size(); ++k) {
            if (!fields[selected[k]])
                continue;
            Figure& f = d.figures[selected[k]];
            f.kind = c.number[selected[k]]      ? FigureKind::Number
                     : c.undecided[selected[k]] ? FigureKind::Undecided
                                                : FigureKind::None;
            f.value = values[i * selected.size() + k];
        }
    }
    flush();
    return Status::ok();
}

} // namespace kestrel::fins
