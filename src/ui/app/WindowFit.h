#pragma once
// Windows that fit the screen they open on: the room a 1280x800 screen leaves below a title bar and a
// desktop panel, and a dialog whose rows scroll when they need more height than that.
#include <QSize>

class QWidget;

namespace kestrel::ui {

inline constexpr QSize kScreenRoom(1280, 720);
// What a window manager adds around a window: a 30-pixel title bar and 4-pixel borders.
inline constexpr QSize kFrameMargin(8, 38);
// The room a window's own area may take so that its frame stays within kScreenRoom.
inline constexpr QSize kWindowRoom = kScreenRoom - kFrameMargin;

// Puts page (its controls laid out) in a scroll area filling window, and sizes window to show all of
// page, or as much as kWindowRoom holds with the rest scrolling; the window never grows past kWindowRoom.
void fitInScrollArea(QWidget* window, QWidget* page);

} // namespace kestrel::ui
