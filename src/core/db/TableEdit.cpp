#include "core/db/TableEdit.h"

#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/settings/Settings.h"

#include <cmath>
#include <optional>

namespace kestrel::db {
namespace {

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

bool isIntegerField(FieldType t) {
    return t == FieldType::Long || t == FieldType::Integer || t == FieldType::AutoLong || t == FieldType::YesNo ||
           t == FieldType::Date;
}

bool isNull(const Cell& c) {
    return std::holds_alternative<std::monostate>(c);
}

void bindCell(Statement& st, int index, const Cell& c) {
    if (isNull(c))
        st.bindNull(index);
    else if (const auto* text = std::get_if<std::string>(&c))
        st.bind(index, *text);
    else
        st.bind(index, std::get<std::int64_t>(c));
}

const FieldDef* fieldOf(const TableDef* def, const std::string& name) {
    if (def)
        for (const FieldDef& candidate : def->fields)
            if (candidate.name == name)
                return &candidate;
    return nullptr;
}

// A refused value in the user's terms (InvalidInput): the CHECK constraints carry the field's name. Any
// other failure of the database keeps its message and code (Busy when another program is writing).
Status refusal(const std::string& field, const std::string& value, const Status& failure) {
    const std::string& dbMessage = failure.message();
    if (dbMessage.find("CHECK constraint failed") != std::string::npos)
        return Status::error(StatusCode::InvalidInput,
                             "「" + field + "」に「" + value + "」は入力できません。(範囲または桁数を超えています)");
    if (dbMessage.find("UNIQUE constraint failed") != std::string::npos ||
        dbMessage.find("PRIMARY KEY") != std::string::npos)
        return Status::error(StatusCode::InvalidInput,
                             "「" + field + "」の「" + value + "」はすでに登録されています。(" + dbMessage + ")");
    if (dbMessage.find("constraint failed") != std::string::npos)
        return Status::error(StatusCode::InvalidInput, dbMessage);
    return failure;
}

// A typed text the field cannot take.
Status refused(const std::string& message) {
    return Status::error(StatusCode::InvalidInput, message);
}

} // namespace

void TableEdit::setSource(std::string table, std::vector<std::string> columns, std::string condition,
                          std::vector<std::int64_t> args) {
    const TableDef* def = findTable(table);
    m_table = def ? def->name : table;
    m_columns = std::move(columns);
    m_condition = std::move(condition);
    m_args = std::move(args);
    m_fields.clear();
    m_key.clear();
    for (const std::string& c : m_columns)
        m_fields.push_back(fieldOf(def, c));
    if (def)
        for (const IndexDef& idx : def->indexes)
            if (idx.primary)
                for (const IndexField& f : idx.fields)
                    m_key.push_back(f.name);
}

const FieldDef* TableEdit::field(int column) const {
    return column >= 0 && column < static_cast<int>(m_fields.size()) ? m_fields[static_cast<size_t>(column)] : nullptr;
}

int TableEdit::columnOf(const std::string& column) const {
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i] == column)
            return static_cast<int>(i);
    return -1;
}

bool TableEdit::editable(int column) const {
    const FieldDef* f = field(column);
    return f && f->type != FieldType::AutoLong;
}

std::string TableEdit::selectList() const {
    std::string list;
    for (size_t i = 0; i < m_columns.size(); ++i)
        list += (i ? ", " : "") + (m_fields[i] ? quoted(m_columns[i]) : std::string("NULL"));
    for (const std::string& k : m_key)
        list += ", " + quoted(k);
    return list;
}

Result<std::vector<TableRow>> TableEdit::readRows() const {
    std::vector<TableRow> rows;
    if (m_table.empty())
        return rows;
    auto db = openKestrelDatabase(m_path);
    if (!db)
        return db.status();
    auto st = (*db)->prepare("select " + selectList() + " from " + quoted(m_table) + " " + m_condition);
    if (!st)
        return st.status();
    for (size_t i = 0; i < m_args.size(); ++i)
        st->bind(static_cast<int>(i + 1), m_args[i]);
    auto cellOf = [&](int col, const FieldDef* f) -> Cell {
        if (!f || st->isNull(col))
            return Cell();
        if (isIntegerField(f->type))
            return st->int64(col);
        if (f->type == FieldType::Currency)
            return st->currency(col).toString();
        return st->text(col);
    };
    const TableDef* def = findTable(m_table);
    for (;;) {
        auto more = st->step();
        if (!more)
            return more.status();
        if (!*more)
            break;
        TableRow r;
        int col = 0;
        for (const FieldDef* f : m_fields)
            r.cells.push_back(cellOf(col++, f));
        for (const std::string& k : m_key)
            r.key.push_back(cellOf(col++, fieldOf(def, k)));
        rows.push_back(std::move(r));
    }
    return rows;
}

std::string TableEdit::displayText(int column, const Cell& cell) const {
    const FieldDef* f = field(column);
    if (isNull(cell) || !f)
        return {};
    if (const auto* text = std::get_if<std::string>(&cell))
        return *text;
    const std::int64_t v = std::get<std::int64_t>(cell);
    if (f->type == FieldType::Date) {
        if (auto d = Date::fromYmdInt(v)) {
            std::string iso = d->toIso();
            for (char& ch : iso)
                if (ch == '-')
                    ch = '/';
            return iso;
        }
    }
    if (f->type == FieldType::YesNo)
        return v ? "True" : "False";
    return std::to_string(v);
}

Status TableEdit::writeCell(TableRow& row, int column, const std::string& typed, const std::string& text) const {
    const FieldDef* f = field(column);
    if (!f)
        return Status::error("「" +
                             (column >= 0 && column < static_cast<int>(m_columns.size())
                                  ? m_columns[static_cast<size_t>(column)]
                                  : std::string()) +
                             "」は編集できません。");
    const std::string& name = m_columns[static_cast<size_t>(column)];

    // The typed text in the field's stored form; an empty cell stores null.
    Cell stored;
    std::optional<Currency> money;
    if (!text.empty()) {
        switch (f->type) {
        case FieldType::Date: {
            auto d = Date::parse(text);
            if (!d)
                return refused("「" + name + "」には日付を入力して下さい。");
            stored = static_cast<std::int64_t>(d->ymd());
            break;
        }
        case FieldType::Currency: {
            auto c = textToCurrency(text);
            if (!c)
                return refused("「" + name + "」に「" + text + "」は入力できません。(" + c.message() + ")");
            money = *c;
            stored = c->toString();
            break;
        }
        case FieldType::Text:
            stored = typed;
            break;
        case FieldType::YesNo:
            stored = static_cast<std::int64_t>(typed == "True" || (isNumeric(text) && text != "0"));
            break;
        default: {
            auto d = textToDouble(text);
            if (!d)
                return refused("「" + name + "」に「" + text + "」は入力できません。(" + d.message() + ")");
            double r = roundHalfEven(*d);
            if (std::fabs(r) > 9.0e18)
                return refusal(name, typed, Status::error("CHECK constraint failed"));
            stored = static_cast<std::int64_t>(r);
        }
        }
    }

    std::string sql = "update " + quoted(m_table) + " set " + quoted(name) + "=? where ";
    for (size_t i = 0; i < m_key.size(); ++i)
        sql += (i ? " and " : "") + quoted(m_key[i]) + (isNull(row.key[i]) ? " is null" : "=?");
    {
        auto db = openKestrelDatabase(m_path);
        if (!db)
            return db.status();
        auto st = (*db)->prepare(sql);
        if (!st)
            return st.status();
        if (money)
            st->bind(1, *money);
        else
            bindCell(*st, 1, stored);
        int n = 2;
        for (const Cell& k : row.key)
            if (!isNull(k))
                bindCell(*st, n++, k);
        if (Status r = st->run(); !r)
            return refusal(name, text, r);
        // No row with the key as read: another window or program deleted the row or changed its key.
        if ((*db)->changes() == 0)
            return Status::error(StatusCode::NotFound, kRowGone);
    }
    row.cells[static_cast<size_t>(column)] = stored;
    for (size_t i = 0; i < m_key.size(); ++i)
        if (m_key[i] == name)
            row.key[i] = stored;
    return Status::ok();
}

} // namespace kestrel::db
