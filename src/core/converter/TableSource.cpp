#include "core/converter/TableSource.h"

#include "core/app/Files.h"
#include "core/db/Database.h"

#include <charconv>
#include <cstring>
#include <fstream>

namespace kestrel::converter {

namespace {

class JetSource : public TableSource {
public:
    JetSource(std::string path, int timeLimitMs) : m_path(std::move(path)), m_limit(timeLimitMs) {}
    Result<TableRows> readTable(const std::string& table, const std::vector<std::string>& columns) override {
        return readJetTable(m_path, table, columns, m_limit);
    }
    bool writable() const override { return false; }
    const std::string& path() const override { return m_path; }

private:
    std::string m_path;
    int m_limit;
};

// A name as an SQL identifier in double quotes; table and field names are ours, never user text,
// but a quote inside is doubled all the same.
std::string quoteName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out.push_back(c);
        if (c == '"')
            out.push_back('"');
    }
    return out + "\"";
}

class OwnEngineSource : public TableSource {
public:
    explicit OwnEngineSource(std::string path) : m_path(std::move(path)) {}
    Result<TableRows> readTable(const std::string& table, const std::vector<std::string>& columns) override {
        auto db = db::Database::open(m_path, db::OpenMode::ReadOnly);
        if (!db)
            return db.status();
        std::string sql = "SELECT ";
        for (size_t i = 0; i < columns.size(); ++i)
            sql += (i ? ", " : "") + quoteName(columns[i]);
        sql += " FROM " + quoteName(table);
        auto st = (*db)->prepare(sql);
        if (!st)
            return st.status();
        TableRows rows;
        if (Status read = st->forEachRow([&] {
                std::vector<Cell> row(columns.size());
                for (size_t i = 0; i < columns.size(); ++i) {
                    int col = static_cast<int>(i);
                    row[i].null = st->isNull(col);
                    if (!row[i].null)
                        row[i].text = st->text(col);
                }
                rows.push_back(std::move(row));
            });
            !read)
            return read;
        return rows;
    }
    bool writable() const override { return true; }
    const std::string& path() const override { return m_path; }

private:
    std::string m_path;
};

int toInt(std::string_view s) {
    int v = -1;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size() ? v : -1;
}

} // namespace

TableFileKind tableFileKind(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[32] = {};
    in.read(head, sizeof head);
    if (in.gcount() >= 19 && std::memcmp(head + 4, "Standard Jet DB", 15) == 0)
        return TableFileKind::Jet;
    if (in.gcount() >= 16 && std::memcmp(head, "SQLite format 3", 16) == 0)
        return TableFileKind::OwnEngine;
    return TableFileKind::Unknown;
}

Result<std::unique_ptr<TableSource>> openTableSource(const std::string& path, int timeLimitMs) {
    using R = Result<std::unique_ptr<TableSource>>;
    if (!fileExists(path))
        return R::error(path + " が存在しません");
    switch (tableFileKind(path)) {
    case TableFileKind::Jet:
        return R(std::make_unique<JetSource>(path, timeLimitMs));
    case TableFileKind::OwnEngine:
        return R(std::make_unique<OwnEngineSource>(path));
    case TableFileKind::Unknown:
        break;
    }
    return R::error(path + " はデーターベースではありません");
}

std::optional<Date> cellDate(const Cell& cell) {
    if (cell.null)
        return std::nullopt;
    std::string_view t = cell.text;
    if (size_t blank = t.find(' '); blank != std::string_view::npos)
        t = t.substr(0, blank);
    if (t.size() == 8 && t.find_first_not_of("0123456789") == std::string_view::npos)
        return Date::fromYmdInt(toInt(t));
    return Date::parse(t);
}

} // namespace kestrel::converter
