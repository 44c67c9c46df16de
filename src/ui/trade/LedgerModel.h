#pragma once
// The board's grid model: the rows of one view of stockmarket, plus an empty last row on which a new
// lot is typed. Every edit goes through the ledger's editRow, so a refused value leaves the row as it
// was and shows why.
#include "core/startup/AppContext.h"
#include "core/trade/Ledger.h"
#include "ui/app/MessageBox.h"

#include <QAbstractTableModel>
#include <memory>
#include <vector>

namespace kestrel::db {
class Database;
}

namespace kestrel::ui {

class LedgerModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Messages go to boxes owned by dialog.
    LedgerModel(AppContext& context, QWidget* dialog, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Shows another view; a view that cannot be read shows no rows.
    void setView(trade::LedgerView view);
    trade::LedgerView view() const { return m_view; }
    // Reads the rows of the current view again.
    void reload();
    // The stored row at a grid row, or nullptr for the new-row line.
    const trade::LedgerRow* rowAt(int row) const;
    // Drops a row the ledger has deleted.
    void forgetRow(int row);

    // Opens Kestrel.mdb; nullptr after showing why it could not be opened.
    std::unique_ptr<db::Database> openDatabase();

private:
    AppContext& m_context;
    WidgetPrompt m_prompt;
    trade::LedgerView m_view = trade::LedgerView::Unsold;
    std::vector<trade::LedgerRow> m_rows;
    // The rows as shown: lots bought before a split adjusted (m_adjusted), edits go to m_rows as stored.
    std::vector<trade::LedgerRow> m_shown;
    std::vector<bool> m_adjusted;
    void adjustShown(db::Database* db);
};

} // namespace kestrel::ui
