#include "core/app/Date.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace kestrel {
namespace {
using namespace std::chrono;

constexpr sys_days kEpoch = sys_days(year(1899) / December / 30);

bool parseInt(std::string_view s, int& out) {
    if (s.empty() || s.size() > 4)
        return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

year_month_day ymdOf(int serial) {
    return year_month_day(kEpoch + days(serial));
}

} // namespace

std::optional<Date> Date::fromYmd(int y, int m, int d) {
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31)
        return std::nullopt;
    std::chrono::year_month_day ymd{std::chrono::year(y), std::chrono::month(static_cast<unsigned>(m)),
                                    std::chrono::day(static_cast<unsigned>(d))};
    if (!ymd.ok())
        return std::nullopt;
    return Date(static_cast<int>((sys_days(ymd) - kEpoch).count()));
}

std::optional<Date> Date::fromYmdInt(long long v) {
    if (v < 1000101 || v > 99991231)
        return std::nullopt;
    return fromYmd(static_cast<int>(v / 10000), static_cast<int>(v / 100 % 100), static_cast<int>(v % 100));
}

Date Date::today() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return *fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::optional<Date> Date::parse(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    char sep = 0;
    for (char c : text) {
        if (c == '/' || c == '-') {
            sep = c;
            break;
        }
    }
    if (sep == 0)
        return std::nullopt;
    size_t a = text.find(sep);
    size_t b = text.find(sep, a + 1);
    if (b == std::string_view::npos || text.find(sep, b + 1) != std::string_view::npos)
        return std::nullopt;
    std::string_view ys = text.substr(0, a), ms = text.substr(a + 1, b - a - 1), ds = text.substr(b + 1);
    int y = 0, m = 0, d = 0;
    if (!parseInt(ys, y) || !parseInt(ms, m) || !parseInt(ds, d) || ms.size() > 2 || ds.size() > 2)
        return std::nullopt;
    if (ys.size() <= 2)
        y += y < 50 ? 2000 : 1900;
    else if (ys.size() != 4)
        return std::nullopt;
    return fromYmd(y, m, d);
}

std::optional<Date> Date::parseEntry(std::string_view text) {
    // Full-width digits (U+FF10..FF19: EF BC 90..99), full-width solidus (U+FF0F: EF BC 8F) and the
    // ideographic space (U+3000: E3 80 80) become their ASCII forms.
    std::string ascii;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBC) {
            const auto low = static_cast<unsigned char>(text[i + 2]);
            if (low >= 0x8F && low <= 0x99) {
                ascii += low == 0x8F ? '/' : static_cast<char>('0' + (low - 0x90));
                i += 2;
                continue;
            }
        }
        if (c == 0xE3 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            static_cast<unsigned char>(text[i + 2]) == 0x80) {
            ascii += ' ';
            i += 2;
            continue;
        }
        ascii += static_cast<char>(c);
    }
    std::string_view t = ascii;
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ')
        t.remove_suffix(1);
    const bool digits = !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits && (t.size() == 6 || t.size() == 8)) {
        const size_t y = t.size() - 4;
        const std::string slashed =
            std::string(t.substr(0, y)) + "/" + std::string(t.substr(y, 2)) + "/" + std::string(t.substr(y + 2));
        return parse(slashed);
    }
    if (auto d = parse(t))
        return d;
    // Digits the box's slashes split in the wrong places ("20/25/0206" typed as 20250206).
    std::string bare;
    for (char c : t)
        if (c != '/')
            bare += c;
    if (bare.size() != t.size() && (bare.size() == 6 || bare.size() == 8))
        return parseEntry(bare);
    return std::nullopt;
}

int Date::year() const {
    return static_cast<int>(ymdOf(m_serial).year());
}
int Date::month() const {
    return static_cast<int>(static_cast<unsigned>(ymdOf(m_serial).month()));
}
int Date::day() const {
    return static_cast<int>(static_cast<unsigned>(ymdOf(m_serial).day()));
}

int Date::weekday() const {
    // 1899-12-30 was a Saturday (7).
    int w = (m_serial % 7 + 7) % 7; // 0 = Saturday
    return w == 0 ? 7 : w;
}

long long Date::ymd() const {
    auto v = ymdOf(m_serial);
    return static_cast<long long>(static_cast<int>(v.year())) * 10000 + static_cast<unsigned>(v.month()) * 100 +
           static_cast<unsigned>(v.day());
}

namespace {
std::string two(int v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}
} // namespace

std::string Date::toSlashed() const {
    return std::to_string(year()) + "/" + two(month()) + "/" + two(day());
}

std::string Date::toYYMMDD() const {
    return two(year() % 100) + "/" + two(month()) + "/" + two(day());
}
std::string Date::toIso() const {
    return std::to_string(year()) + "-" + two(month()) + "-" + two(day());
}
std::string Date::toYYYYMMDD() const {
    return std::to_string(ymd());
}

Date PrevFriday(Date d) {
    while (d.weekday() != 6)
        d = d.addDays(-1);
    return d;
}
Date PrevMonday(Date d) {
    while (d.weekday() != 2)
        d = d.addDays(-1);
    return d;
}
Date NextFriday(Date d) {
    while (d.weekday() != 6)
        d = d.addDays(1);
    return d;
}
Date NextMonday(Date d) {
    while (d.weekday() != 2)
        d = d.addDays(1);
    return d;
}

std::string weekdayName(Date d) {
    static const char* const kNames[] = {"日", "月", "火", "水", "木", "金", "土"};
    return kNames[d.weekday() - 1];
}

} // namespace kestrel
