#pragma once
// Pieces the maintenance windows share: a grid bound to a DbTableModel, and the code of its current row.
#include "ui/db/DbTableModel.h"

#include <QTableView>
#include <optional>

namespace kestrel::ui {

// A grid named name showing model; editing starts on a double click, a typed key or F2.
QTableView* makeGrid(QWidget* parent, const char* name, DbTableModel* model);
// The コード of the grid's current row when it is a number, else nothing.
std::optional<std::int32_t> currentCode(const QTableView* grid, const DbTableModel* model);

} // namespace kestrel::ui
