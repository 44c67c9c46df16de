#pragma once
// Windows that fit the screen they open on: the room a 1280x800 screen leaves below a title bar and a
// desktop panel, and a dialog whose rows scroll when they need more height than that.
#include <QSize>

class QWidget;

namespace kestrel::ui {

inline constexpr QSize kScreenRoom(1280, 720);

// Puts page (its controls laid out) in a scroll area filling window, and sizes window to show all of
// page, or as much as kScreenRoom holds with the rest scrolling.
void fitInScrollArea(QWidget* window, QWidget* page);

} // namespace kestrel::ui
