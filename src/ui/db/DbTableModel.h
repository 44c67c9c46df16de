#pragma once
// A grid model over one table of Kestrel.mdb, in the manner of a data control: a record source (table,
// columns, condition), rows read on refresh, and edits written straight through to the database.
//
// The database is opened for each read and each edit and closed again, so no connection outlives an
// action. Rows are identified by the table's primary key as read, so an edit of a key field works.
// A value the field refuses (not a number, not a date, outside the field's range or size, a duplicate
// key) is reported through the prompt and the row keeps its stored values.
#include "core/app/Prompt.h"
#include "core/db/Schema.h"

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

    const std::string& table() const { return m_table; }
    // The stored value of a cell (a number, a text, or null), by column name.
    QVariant value(int row, const std::string& column) const;
    int columnOf(const std::string& column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    struct Row {
        std::vector<QVariant> cells;
        std::vector<QVariant> key;
    };
    const db::FieldDef* field(int column) const;
    std::string selectList() const;
    bool readRows(std::vector<Row>& rows, const std::string& condition, const std::vector<QVariant>& args);

    std::string m_path;
    Prompt& m_prompt;
    std::string m_table;
    std::vector<std::string> m_columns;
    std::vector<const db::FieldDef*> m_fields;
    std::vector<std::string> m_key;
    std::string m_condition;
    std::vector<std::int64_t> m_args;
    std::vector<Row> m_rows;
    bool m_editable = true;
};

} // namespace kestrel::ui
