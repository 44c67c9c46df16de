#pragma once
// The behaviour every date box and text box shares: the whole text selected when the box gets the
// focus, and in date boxes "/" added after the year and the month while typing (not after Backspace).
#include <QLineEdit>

namespace kestrel::ui {

// SelectAllText on focus for a line edit (or the line edit of a combo box).
void installSelectAllText(QLineEdit* edit);
// SelectAllText plus DateKeyDown and DateAutoSlash for a date box.
void installDateBox(QLineEdit* edit);

} // namespace kestrel::ui
