#include "ui/db/DbTableModel.h"

#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Settings.h"

#include <cmath>

namespace kestrel::ui {
namespace {

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

bool isIntegerField(db::FieldType t) {
    return t == db::FieldType::Long || t == db::FieldType::Integer || t == db::FieldType::AutoLong ||
           t == db::FieldType::YesNo || t == db::FieldType::Date;
}

void bindVariant(db::Statement& st, int index, const QVariant& v) {
    if (v.isNull())
        st.bindNull(index);
    else if (v.typeId() == QMetaType::QString)
        st.bind(index, v.toString().toStdString());
    else
        st.bind(index, static_cast<std::int64_t>(v.toLongLong()));
}

// A refused value in the user's terms: the CHECK constraints carry the field's name.
std::string refusal(const std::string& field, const QString& typed, const std::string& dbMessage) {
    std::string value = typed.toStdString();
    if (dbMessage.find("CHECK constraint failed") != std::string::npos)
        return "「" + field + "」に「" + value + "」は入力できません。(範囲または桁数を超えています)";
    if (dbMessage.find("UNIQUE constraint failed") != std::string::npos ||
        dbMessage.find("PRIMARY KEY") != std::string::npos)
        return "「" + field + "」の「" + value + "」はすでに登録されています。(" + dbMessage + ")";
    return dbMessage;
}

} // namespace

DbTableModel::DbTableModel(std::string databasePath, Prompt& prompt, QObject* parent)
    : QAbstractTableModel(parent), m_path(std::move(databasePath)), m_prompt(prompt) {}

void DbTableModel::setSource(std::string table, std::vector<std::string> columns, std::string condition,
                             std::vector<std::int64_t> args) {
    beginResetModel();
    const db::TableDef* def = db::findTable(table);
    m_table = def ? def->name : table;
    m_columns = std::move(columns);
    m_condition = std::move(condition);
    m_args = std::move(args);
    m_fields.clear();
    m_key.clear();
    m_rows.clear();
    for (const std::string& c : m_columns) {
        const db::FieldDef* f = nullptr;
        if (def)
            for (const db::FieldDef& candidate : def->fields)
                if (candidate.name == c)
                    f = &candidate;
        m_fields.push_back(f);
    }
    if (def)
        for (const db::IndexDef& idx : def->indexes)
            if (idx.primary)
                for (const db::IndexField& f : idx.fields)
                    m_key.push_back(f.name);
    endResetModel();
}

void DbTableModel::clearSource() {
    setSource({}, m_columns);
}

std::string DbTableModel::selectList() const {
    std::string list;
    for (size_t i = 0; i < m_columns.size(); ++i)
        list += (i ? ", " : "") + (m_fields[i] ? quoted(m_columns[i]) : std::string("NULL"));
    for (const std::string& k : m_key)
        list += ", " + quoted(k);
    return list;
}

bool DbTableModel::readRows(std::vector<Row>& rows, const std::string& condition, const std::vector<QVariant>& args) {
    auto db = db::openKestrelDatabase(m_path);
    if (!db) {
        m_prompt.notify(db.message());
        return false;
    }
    auto st = (*db)->prepare("select " + selectList() + " from " + quoted(m_table) + " " + condition);
    if (!st) {
        m_prompt.notify(st.message());
        return false;
    }
    for (size_t i = 0; i < args.size(); ++i)
        bindVariant(*st, static_cast<int>(i + 1), args[i]);
    auto cellOf = [&](int col, const db::FieldDef* f) -> QVariant {
        if (!f || st->isNull(col))
            return QVariant();
        if (isIntegerField(f->type))
            return QVariant(static_cast<qlonglong>(st->int64(col)));
        if (f->type == db::FieldType::Currency)
            return QString::fromStdString(st->currency(col).toString());
        return QString::fromStdString(st->text(col));
    };
    const db::TableDef* def = db::findTable(m_table);
    for (;;) {
        auto more = st->step();
        if (!more) {
            m_prompt.notify(more.message());
            return false;
        }
        if (!*more)
            break;
        Row r;
        int col = 0;
        for (const db::FieldDef* f : m_fields)
            r.cells.push_back(cellOf(col++, f));
        for (const std::string& k : m_key) {
            const db::FieldDef* f = nullptr;
            for (const db::FieldDef& candidate : def->fields)
                if (candidate.name == k)
                    f = &candidate;
            r.key.push_back(cellOf(col++, f));
        }
        rows.push_back(std::move(r));
    }
    return true;
}

bool DbTableModel::refresh() {
    std::vector<Row> rows;
    bool ok = true;
    if (!m_table.empty()) {
        std::vector<QVariant> args;
        for (std::int64_t a : m_args)
            args.push_back(QVariant(static_cast<qlonglong>(a)));
        ok = readRows(rows, m_condition, args);
        if (!ok)
            rows.clear();
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
    return ok;
}

const db::FieldDef* DbTableModel::field(int column) const {
    return column >= 0 && column < static_cast<int>(m_fields.size()) ? m_fields[static_cast<size_t>(column)] : nullptr;
}

int DbTableModel::columnOf(const std::string& column) const {
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i] == column)
            return static_cast<int>(i);
    return -1;
}

QVariant DbTableModel::value(int row, const std::string& column) const {
    int c = columnOf(column);
    if (row < 0 || row >= rowCount() || c < 0)
        return QVariant();
    return m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(c)];
}

int DbTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DbTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DbTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const QVariant& v = m_rows[static_cast<size_t>(index.row())].cells[static_cast<size_t>(index.column())];
    const db::FieldDef* f = field(index.column());
    if (v.isNull() || !f)
        return QString();
    if (f->type == db::FieldType::Date) {
        if (auto d = Date::fromYmdInt(v.toLongLong()))
            return QString::fromStdString(d->toIso()).replace(QLatin1Char('-'), QLatin1Char('/'));
    }
    if (f->type == db::FieldType::YesNo)
        return v.toLongLong() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

QVariant DbTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount())
        return QString::fromStdString(m_columns[static_cast<size_t>(section)]);
    return QVariant();
}

Qt::ItemFlags DbTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    const db::FieldDef* def = field(index.column());
    if (m_editable && def && def->type != db::FieldType::AutoLong)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DbTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const db::FieldDef* f = field(index.column());
    const std::string& name = m_columns[static_cast<size_t>(index.column())];
    QString typed = value.toString();
    std::string text = typed.trimmed().toStdString();
    Row& row = m_rows[static_cast<size_t>(index.row())];

    // The typed text in the field's stored form; an empty cell stores null.
    QVariant stored;
    std::optional<Currency> money;
    if (!text.empty()) {
        switch (f->type) {
        case db::FieldType::Date: {
            auto d = Date::parse(text);
            if (!d) {
                m_prompt.notify("「" + name + "」には日付を入力して下さい。");
                return false;
            }
            stored = QVariant(static_cast<qlonglong>(d->ymd()));
            break;
        }
        case db::FieldType::Currency: {
            auto c = textToCurrency(text);
            if (!c) {
                m_prompt.notify("「" + name + "」に「" + text + "」は入力できません。(" + c.message() + ")");
                return false;
            }
            money = *c;
            stored = QString::fromStdString(c->toString());
            break;
        }
        case db::FieldType::Text:
            stored = typed;
            break;
        case db::FieldType::YesNo:
            stored =
                QVariant(static_cast<qlonglong>(typed == QStringLiteral("True") || (isNumeric(text) && text != "0")));
            break;
        default: {
            auto d = textToDouble(text);
            if (!d) {
                m_prompt.notify("「" + name + "」に「" + text + "」は入力できません。(" + d.message() + ")");
                return false;
            }
            double r = roundHalfEven(*d);
            if (std::fabs(r) > 9.0e18) {
                m_prompt.notify(refusal(name, typed, "CHECK constraint failed"));
                return false;
            }
            stored = QVariant(static_cast<qlonglong>(r));
        }
        }
    }

    std::string sql = "update " + quoted(m_table) + " set " + quoted(name) + "=? where ";
    for (size_t i = 0; i < m_key.size(); ++i)
        sql += (i ? " and " : "") + quoted(m_key[i]) + (row.key[i].isNull() ? " is null" : "=?");
    {
        auto db = db::openKestrelDatabase(m_path);
        if (!db) {
            m_prompt.notify(db.message());
            return false;
        }
        auto st = (*db)->prepare(sql);
        if (!st) {
            m_prompt.notify(st.message());
            return false;
        }
        if (money)
            st->bind(1, *money);
        else
            bindVariant(*st, 1, stored);
        int n = 2;
        for (const QVariant& k : row.key)
            if (!k.isNull())
                bindVariant(*st, n++, k);
        if (Status r = st->run(); !r) {
            m_prompt.notify(refusal(name, typed.trimmed(), r.message()));
            return false;
        }
    }
    row.cells[static_cast<size_t>(index.column())] = stored;
    for (size_t i = 0; i < m_key.size(); ++i)
        if (m_key[i] == name)
            row.key[i] = stored;
    Q_EMIT dataChanged(index, index);
    return true;
}

} // namespace kestrel::ui
