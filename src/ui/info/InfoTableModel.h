#pragma once
// A read-only grid model over rows prepared by the stock-information windows: a header per column and
// one text or number per cell. The windows rebuild it from the core's row structs on every refresh.
#include <QAbstractTableModel>
#include <QStringList>
#include <QVariant>
#include <initializer_list>
#include <vector>

namespace kestrel::ui {

// Column headers from UTF-8 texts.
QStringList headerList(std::initializer_list<const char*> texts);

class InfoTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit InfoTableModel(QStringList headers, QObject* parent = nullptr);

    // Replaces the columns (when given) and every row; each row has one cell per column.
    void setRows(std::vector<std::vector<QVariant>> rows);
    void setHeaders(QStringList headers);
    // The cell as stored, or an invalid value outside the grid.
    QVariant cell(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    std::vector<std::vector<QVariant>> m_rows;
};

} // namespace kestrel::ui
