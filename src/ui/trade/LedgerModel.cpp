#include "ui/trade/LedgerModel.h"

#include "core/db/Schema.h"
#include "core/trade/LedgerSplits.h"
#include "ui/app/OpenDatabase.h"

namespace kestrel::ui {

using trade::LedgerRow;

LedgerModel::LedgerModel(AppContext& context, QWidget* dialog, QObject* parent)
    : QAbstractTableModel(parent), m_context(context), m_prompt(dialog) {}

std::unique_ptr<db::Database> LedgerModel::openDatabase() {
    auto db = openDatabaseOrTell(m_context.paths.databasePath, m_prompt);
    if (!db)
        return nullptr;
    return std::move(*db);
}

int LedgerModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size()) + 1;
}

int LedgerModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : trade::kLedgerColumns;
}

const LedgerRow* LedgerModel::rowAt(int row) const {
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? &m_rows[static_cast<size_t>(row)] : nullptr;
}

QVariant LedgerModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const auto at = static_cast<size_t>(index.row());
    const bool adjusted = at < m_adjusted.size() && m_adjusted[at];
    if (role == Qt::DisplayRole) {
        const LedgerRow* r = at < m_shown.size() ? &m_shown[at] : rowAt(index.row());
        return r ? QString::fromStdString(trade::shownText(*r, index.column())) : QString();
    }
    if (role == Qt::EditRole) {
        // The editor works on the row as traded.
        const LedgerRow* r = rowAt(index.row());
        return r ? QString::fromStdString(trade::cellText(*r, index.column())) : QString();
    }
    if (role == Qt::ToolTipRole && adjusted)
        return QString::fromUtf8(trade::kSplitAdjustedNote);
    if (role == Qt::TextAlignmentRole) {
        int c = index.column();
        bool text = c == trade::kColName || c == trade::kColBuyDate || c == trade::kColSellDate;
        return QVariant::fromValue(Qt::AlignVCenter | (text ? Qt::AlignLeft : Qt::AlignRight));
    }
    return {};
}

QVariant LedgerModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return QString::fromStdString(trade::ledgerCaption(section, m_view));
    if (section >= static_cast<int>(m_rows.size()))
        return QStringLiteral("*");
    const bool adjusted = static_cast<size_t>(section) < m_adjusted.size() && m_adjusted[static_cast<size_t>(section)];
    return adjusted ? QString::number(section + 1) + QStringLiteral(" ") + QString::fromUtf8(trade::kSplitAdjustedNote)
                    : QString::number(section + 1);
}

Qt::ItemFlags LedgerModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() != trade::kColId)
        f |= Qt::ItemIsEditable;
    return f;
}

bool LedgerModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.column() == trade::kColId)
        return false;
    const int row = index.row();
    const LedgerRow* current = rowAt(row);
    std::string text = value.toString().toStdString();
    // Leaving a cell as it was is no edit.
    if (text == (current ? trade::cellText(*current, index.column()) : std::string()))
        return true;
    auto db = openDatabase();
    if (!db)
        return false;
    auto outcome = trade::editRow(*db, current ? *current : LedgerRow{}, {{index.column(), text}},
                                  m_context.settings.SonPa, m_prompt);
    if (!outcome) {
        m_prompt.notify(outcome.message());
        return false;
    }
    if (current) {
        m_rows[static_cast<size_t>(row)] = outcome->row;
        Q_EMIT dataChanged(this->index(row, 0), this->index(row, trade::kLedgerColumns - 1));
    } else {
        // The new-row line becomes the stored row and a fresh new-row line follows it, so the cursor
        // stays on the row just added.
        beginInsertRows(QModelIndex(), row + 1, row + 1);
        m_rows.push_back(outcome->row);
        endInsertRows();
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
        Q_EMIT dataChanged(this->index(row, 0), this->index(row, trade::kLedgerColumns - 1));
    }
    adjustShown(db.get());
    Q_EMIT dataChanged(this->index(row, 0), this->index(row, trade::kLedgerColumns - 1));
    Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    // A split lot shows in the order of the view once the editor has let go of the cell.
    if (outcome->added)
        QMetaObject::invokeMethod(this, &LedgerModel::reload, Qt::QueuedConnection);
    return true;
}

void LedgerModel::setView(trade::LedgerView view) {
    m_view = view;
    reload();
}

void LedgerModel::reload() {
    std::vector<LedgerRow> rows;
    // A view that cannot be read shows nothing; the cause shows on the next edit.
    if (auto db = db::openKestrelDatabase(m_context.paths.databasePath)) {
        if (auto read = trade::readLedger(**db, m_view))
            rows = std::move(*read);
    }
    beginResetModel();
    m_rows = std::move(rows);
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    adjustShown(db ? db->get() : nullptr);
    endResetModel();
}

void LedgerModel::adjustShown(db::Database* db) {
    m_shown = m_rows;
    // Without the events the rows show as stored.
    if (!db || !trade::adjustLotsForSplits(*db, m_shown, m_adjusted))
        m_adjusted.assign(m_rows.size(), false);
}

void LedgerModel::forgetRow(int row) {
    if (!rowAt(row))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    m_shown.erase(m_shown.begin() + row);
    m_adjusted.erase(m_adjusted.begin() + row);
    endRemoveRows();
}

} // namespace kestrel::ui
