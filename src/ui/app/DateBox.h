#pragma once
// The behaviour every date box and text box shares: the whole text selected when the box gets the
// focus, and in date boxes "/" added after the year and the month while typing (not after Backspace).
#include <QLineEdit>

namespace kestrel::ui {

// SelectAllText on focus for a line edit (or the line edit of a combo box).
void installSelectAllText(QLineEdit* edit);
// The one form a date box shows its date in.
enum class DateForm {
    Short, // "YY/MM/DD", the form of the classic windows' date boxes
    Long,  // "YYYY/MM/DD"
};
// SelectAllText plus DateKeyDown and DateAutoSlash for a date box; a date typed in any form
// Date::parseEntry reads ("2025/02/06", "25/02/06", "250206") shows in the box's form once the box is
// left or Enter is pressed.
void installDateBox(QLineEdit* edit, DateForm form = DateForm::Short);

} // namespace kestrel::ui
