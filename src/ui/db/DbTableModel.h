#pragma once
// A grid model over one table of Kestrel.mdb: the Qt face of db::TableEdit, which holds the record
// source and the editing rules. A value the field refuses is reported through the prompt and the row
// keeps its stored values.
#include "core/app/Prompt.h"
#include "core/db/TableEdit.h"

#include <QAbstractTableModel>
#include <QVariant>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::ui {

class DbTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DbTableModel(std::string databasePath, Prompt& prompt, QObject* parent = nullptr);

    // Shows columns of table for the rows chosen by condition ("where ... order by ...", with "?" bound
    // to args in order). A column the table lacks shows empty and cannot be edited. Call refresh().
    void setSource(std::string table, std::vector<std::string> columns, std::string condition = {},
                   std::vector<std::int64_t> args = {});
    // No record source: no rows.
    void clearSource();
    // Reads the rows again; false after the error was shown (the grid is then empty).
    bool refresh();
    // Whether editing is allowed (default true).
    void setEditable(bool editable) { m_editable = editable; }

    const std::string& table() const { return m_edit.table(); }
    // The stored value of a cell (a number, a text, or null), by column name.
    QVariant value(int row, const std::string& column) const;
    int columnOf(const std::string& column) const { return m_edit.columnOf(column); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    db::TableEdit m_edit;
    Prompt& m_prompt;
    std::vector<db::TableRow> m_rows;
    bool m_editable = true;
};

} // namespace kestrel::ui
