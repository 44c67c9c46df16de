#include "ui/db/DbTableModel.h"

namespace kestrel::ui {

DbTableModel::DbTableModel(std::string databasePath, Prompt& prompt, QObject* parent)
    : QAbstractTableModel(parent), m_edit(std::move(databasePath)), m_prompt(prompt) {}

void DbTableModel::setSource(std::string table, std::vector<std::string> columns, std::string condition,
                             std::vector<std::int64_t> args) {
    beginResetModel();
    m_edit.setSource(std::move(table), std::move(columns), std::move(condition), std::move(args));
    m_rows.clear();
    endResetModel();
}

void DbTableModel::clearSource() {
    setSource({}, m_edit.columns());
}

bool DbTableModel::refresh() {
    auto rows = m_edit.readRows();
    if (!rows)
        m_prompt.notify(rows.message());
    beginResetModel();
    m_rows = rows ? std::move(*rows) : std::vector<db::TableRow>();
    endResetModel();
    return rows.isOk();
}

QVariant DbTableModel::value(int row, const std::string& column) const {
    int c = columnOf(column);
    if (row < 0 || row >= rowCount() || c < 0)
        return QVariant();
    const db::Cell& cell = m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(c)];
    if (const auto* n = std::get_if<std::int64_t>(&cell))
        return QVariant(static_cast<qlonglong>(*n));
    if (const auto* text = std::get_if<std::string>(&cell))
        return QString::fromStdString(*text);
    return QVariant();
}

int DbTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DbTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_edit.columns().size());
}

QVariant DbTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const db::Cell& cell = m_rows[static_cast<size_t>(index.row())].cells[static_cast<size_t>(index.column())];
    return QString::fromStdString(m_edit.displayText(index.column(), cell));
}

QVariant DbTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount())
        return QString::fromStdString(m_edit.columns()[static_cast<size_t>(section)]);
    return QVariant();
}

Qt::ItemFlags DbTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_editable && m_edit.editable(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool DbTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString typed = value.toString();
    Status st = m_edit.writeCell(m_rows[static_cast<size_t>(index.row())], index.column(), typed.toStdString(),
                                 typed.trimmed().toStdString());
    if (!st) {
        m_prompt.notify(st.message());
        return false;
    }
    Q_EMIT dataChanged(index, index);
    return true;
}

} // namespace kestrel::ui
