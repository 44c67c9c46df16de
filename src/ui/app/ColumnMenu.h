#pragma once
// A grid's header offers its columns to hide and show again (right-click on the captions), so a wide
// grid fits a narrow screen without scrolling sideways. Columns the window itself keeps hidden are
// not offered.
class QTableView;
class QMenu;

namespace kestrel::ui {

// Gives view's horizontal header the menu; call once the window has hidden its own columns.
void offerColumnHiding(QTableView* view);

// The menu the header shows, one checkable entry per offered column (checked = shown); its entries
// hide and show the columns. The caller owns the menu.
QMenu* columnMenu(QTableView* view);

} // namespace kestrel::ui
