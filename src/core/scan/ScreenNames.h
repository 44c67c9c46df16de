#pragma once
// The names a screen may use: each value under its English name and the Japanese name its column
// carries in the screening grid, with what it means and an example, for the list a user asks for; and
// the text a user types as the parser reads it (full-width letters, digits and signs from the IME read
// as their ASCII forms).
#include "core/app/Currency.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::scan {

struct ScreenName {
    const char* name;     // the English name, as screenFields() holds it
    const char* japanese; // the Japanese name (the screening grid's caption where it has the column)
    const char* meaning;
    const char* example;
};
// Every value of screenFields(), in its order.
const std::vector<ScreenName>& screenNames();

// The index into screenFields() of a name: English (case-insensitive, "ito" for itoRatio) or Japanese;
// -1 for a name there is not.
int fieldNamed(std::string_view name);

// Up to three known names closest to an unknown one (fewest edits, counted in characters), English or
// Japanese as the unknown one is written; empty when none is near.
std::vector<std::string> nearestScreenNames(std::string_view name);

// The text with full-width ASCII (Ａ-Ｚ, ０-９, ＜, ＝, （ …), the ideographic space and the minus sign
// U+2212 replaced by their ASCII forms; one character stays one character, so places still count.
std::string normaliseScreenText(std::string_view text);

// A value of field `field` of screenFields() as the screening grid shows it: deviations in percent with
// one decimal ("-2.2", "5.0"), the Ito ratio with two decimals, other whole values as integers and the
// rest with the decimals they have (at most four).
std::string screenValueText(int field, Currency value);

// Every name with its meaning and example, one per line ("close（終値）: 終値（円） 例: close > 1000").
std::string screenNamesHelp();

} // namespace kestrel::scan
