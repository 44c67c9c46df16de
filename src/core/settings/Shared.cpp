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
    if (backspaceFlag)
        return std::nullopt;
    std::string t(text);
    int caret = -1;
    if (utf8Length(t) == 2) {
        t += "/";
        caret = 3;
    }
    if (utf8Length(t) == 5) {
        t += "/";
        caret = 6;
    }
    if (caret < 0)
        return std::nullopt;
    return DateBoxEdit{t, caret};
}

} // namespace kestrel
