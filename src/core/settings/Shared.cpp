#include "core/settings/Shared.h"

#include "core/app/Currency.h"
#include "core/app/Encoding.h"
#include "core/settings/Settings.h"

#include <cmath>

namespace kestrel {

std::int32_t NullToValue(std::optional<double> value) {
    if (!value || !std::isfinite(*value))
        return 0;
    double r = roundHalfEven(*value);
    if (r < -2147483648.0 || r > 2147483647.0)
        return 0;
    return static_cast<std::int32_t>(r);
}

std::int32_t NullToValue(std::string_view numericText) {
    auto d = textToDouble(numericText);
    return d ? NullToValue(std::optional<double>(*d)) : 0;
}

std::string nullToValueText(const std::optional<std::string>& value) {
    return value ? *value : std::string();
}

std::optional<DateBoxEdit> DateAutoSlash(std::string_view text, bool backspaceFlag) {
    bool slashesTyped = false;
    return DateAutoSlash(text, backspaceFlag, slashesTyped);
}

std::optional<DateBoxEdit> DateAutoSlash(std::string_view text, bool backspaceFlag, bool& slashesTyped) {
    std::string t(text);
    if (t.size() < 3)
        slashesTyped = false; // a new date begins
    if (backspaceFlag)
        return std::nullopt;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    // A "/" typed right after one the box added is the same slash.
    if (t.size() >= 2 && t.compare(t.size() - 2, 2, "//") == 0) {
        // "2025" became "20/25/": the "/" typed after four digits, with no slash typed before, ends a year.
        if (!slashesTyped && t.size() == 7 && t[2] == '/' && t[5] == '/' && digit(t[0]) && digit(t[1]) && digit(t[3]) &&
            digit(t[4]))
            return DateBoxEdit{t.substr(0, 2) + t.substr(3, 2) + "/", 5};
        slashesTyped = true;
        t.pop_back();
        return DateBoxEdit{t, static_cast<int>(utf8Length(t))};
    }
    int caret = -1;
    if (utf8Length(t) == 2 && t.find('/') == std::string::npos) {
        t += "/";
        caret = 3;
    }
    // Only a "YY/MM" gets its second "/": the "2025/" made from a year stays as it is.
    if (utf8Length(t) == 5 && t[2] == '/' && t[4] != '/') {
        t += "/";
        caret = 6;
    }
    if (caret < 0)
        return std::nullopt;
    return DateBoxEdit{t, caret};
}

} // namespace kestrel
