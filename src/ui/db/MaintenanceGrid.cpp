#include "ui/db/MaintenanceGrid.h"

#include <QHeaderView>

namespace kestrel::ui {

QTableView* makeGrid(QWidget* parent, const char* name, DbTableModel* model) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                          QAbstractItemView::EditKeyPressed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    return grid;
}

std::optional<std::int32_t> currentCode(const QTableView* grid, const DbTableModel* model) {
    QModelIndex current = grid->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    QVariant v = model->value(current.row(), "コード");
    bool ok = false;
    qlonglong code = v.toLongLong(&ok);
    if (v.isNull() || !ok)
        return std::nullopt;
    return static_cast<std::int32_t>(code);
}

} // namespace kestrel::ui
