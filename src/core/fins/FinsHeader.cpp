#include "core/fins/FinsHeader.h"

#include "core/app/DateText.h"

#include <cmath>
#include <cstdio>

namespace kestrel::fins {
namespace {

const char* kNone = "−";

std::string fixed(const std::optional<double>& v, const char* format, const char* unit) {
    if (!v || !std::isfinite(*v))
        return kNone;
    char b[64];
    std::snprintf(b, sizeof b, format, *v);
    return std::string(b) + unit;
}

std::string grouped(long long v) {
    std::string digits = std::to_string(v < 0 ? -v : v), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return (v < 0 ? "-" : "") + out;
}

std::string oku(const std::optional<double>& yen) {
    if (!yen || !std::isfinite(*yen) || std::fabs(*yen) >= 1e22)
        return kNone;
    const double v = *yen / 1e8;
    if (std::fabs(v) < 9.95)
        return fixed(v, "%.1f", "億円");
    return grouped(std::llround(v)) + "億円";
}

std::string basisName(const std::string& b) {
    return b == "連" ? "連結" : b == "単" ? "単独" : b;
}

std::string standardName(const std::string& s) {
    return s == "JP" ? "日本基準" : s == "US" ? "米国基準" : s;
}

} // namespace

FinsHeader finsHeaderOf(const FinsFigures& f) {
    FinsHeader h;
    h.line = "予想PER " + fixed(f.fper, "%.1f", "倍") + "  PBR " + fixed(f.pbr, "%.2f", "倍") + "  予想配当利回り " +
             fixed(f.yield, "%.2f", "%") + "  時価総額 " + oku(f.mktcap);
    if (f.basis.empty() && f.standard.empty()) {
        h.tooltip = "決算情報がありません";
        return h;
    }
    std::string what = basisName(f.basis);
    if (!f.standard.empty())
        what += (what.empty() ? "" : "・") + standardName(f.standard);
    h.tooltip = what + "（" + shownDate(f.date) + " 時点）";
    return h;
}

} // namespace kestrel::fins
