#pragma once
// The daily/weekly mark of a window: its caption ends in "(日)" or "(週)" and, when asked, its back
// colour is light grey (192,192,192) for daily and dark grey (128,128,128) for weekly.
#include <QWidget>
#include <cstdint>

namespace kestrel::ui {

// A caption already ending in ")" has its last three characters replaced; otherwise the mark is appended.
void SetModeCaption(QWidget* window, std::int16_t chartMode, bool backColour);

} // namespace kestrel::ui
