#include "ui/info/InfoTableModel.h"

namespace kestrel::ui {

QStringList headerList(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

InfoTableModel::InfoTableModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)) {}

void InfoTableModel::setRows(std::vector<std::vector<QVariant>> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void InfoTableModel::setHeaders(QStringList headers) {
    if (headers == m_headers)
        return;
    beginResetModel();
    m_headers = std::move(headers);
    m_rows.clear();
    endResetModel();
}

QVariant InfoTableModel::cell(int row, int column) const {
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    const auto& r = m_rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < r.size() ? r[static_cast<std::size_t>(column)] : QVariant();
}

int InfoTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int InfoTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant InfoTableModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::DisplayRole)
        return cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        QVariant v = cell(index.row(), index.column());
        if (v.typeId() != QMetaType::QString)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant InfoTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_headers.size() ? m_headers[section] : QVariant();
    return section + 1;
}

} // namespace kestrel::ui
