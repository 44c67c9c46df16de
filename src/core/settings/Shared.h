#pragma once
// Small procedures every screen shares: the value normaliser for fields that may be null, and the
// typing behaviour of date boxes (kept here without any widget so screens and tests share it).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// NullToValue with kind 0: a missing value reads as 0; a number becomes the nearest 32-bit whole
// number, a half going to the even neighbour; numeric text is converted the same way; anything
// else (or a value beyond the 32-bit range) is 0.
std::int32_t NullToValue(std::optional<double> value);
std::int32_t NullToValue(std::string_view numericText);
// NullToValue with the empty-text kind: a missing value reads as "", text stays as it is.
std::string nullToValueText(const std::optional<std::string>& value);

// Date boxes. The Backspace flag is true when the last key in a date box was Backspace, and is set
// again whenever a date box loses the focus.
struct DateBoxEdit {
    std::string text;
    int caret = 0; // character position
};
// DateKeyDown: the new flag for a key press (8 is Backspace).
inline bool DateKeyDown(int keyCode) {
    return keyCode == 8;
}
// DateAutoSlash: with the flag false, a text of 2 characters gets "/" (caret 3), then one of 5 gets
// "/" (caret 6), so six typed digits become "YY/MM/DD". Nothing when the text stays as it is.
std::optional<DateBoxEdit> DateAutoSlash(std::string_view text, bool backspaceFlag);
// The same for a box that remembers, in slashesTyped, whether the user types the slashes of this date:
// a "/" typed right after one the box added is dropped ("24//" is "24/", and slashesTyped becomes
// true), and the "/" typed after four digits before any other ("20/25//") ends a four-digit year
// ("2025/", caret 5). So "2025/02/06", "25/02/06" and "250206" all type as shown. A text shorter than
// three characters starts a new date (slashesTyped false).
std::optional<DateBoxEdit> DateAutoSlash(std::string_view text, bool backspaceFlag, bool& slashesTyped);

} // namespace kestrel
