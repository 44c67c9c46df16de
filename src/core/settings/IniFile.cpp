#include "core/settings/IniFile.h"

#include "core/app/Encoding.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace kestrel {
namespace {

constexpr size_t kMaxValueBytes = 1023;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        std::string_view line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = nl + 1;
    }
    return lines;
}

// Section name of a "[name]" line, or nothing.
bool sectionName(std::string_view line, std::string_view& name) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string_view::npos)
        return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

// Key and value of a "key=value" line.
bool keyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return true;
}

bool quoted(std::string_view v) {
    return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

// A value as a reader sees it: one pair of matching quotes removed.
std::string_view unquote(std::string_view v) {
    return quoted(v) ? v.substr(1, v.size() - 2) : v;
}

// The text to write so that a reader gets value back exactly: a value with blanks at either end, or one
// that itself starts and ends with the same quote, is written inside double quotes.
std::string valueText(const std::string& value) {
    if (value.empty() || (trim(value) == value && !quoted(value)))
        return value;
    return "\"" + value + "\"";
}

// Cuts at most kMaxValueBytes bytes without splitting a CP932 double-byte character.
std::string cutValue(std::string_view v) {
    v = unquote(v);
    if (v.size() <= kMaxValueBytes)
        return std::string(v);
    size_t i = 0;
    while (i < kMaxValueBytes) {
        unsigned char c = static_cast<unsigned char>(v[i]);
        bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        size_t width = lead ? 2 : 1;
        if (i + width > kMaxValueBytes)
            break;
        i += width;
    }
    return std::string(v.substr(0, i));
}

} // namespace

std::string profileValueFromText(std::string_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    for (std::string_view line : splitLines(text)) {
        std::string_view name;
        if (sectionName(line, name)) {
            inSection = equalsNoCase(name, section);
            continue;
        }
        std::string_view k, v;
        if (inSection && keyValue(line, k, v) && equalsNoCase(k, key))
            return cp932ToUtf8Lossy(cutValue(v));
    }
    return "";
}

std::string readProfileString(const std::string& path, std::string_view section, std::string_view key) {
    auto data = readWholeFile(path);
    if (!data)
        return "";
    auto sec = utf8ToCp932(section);
    auto k = utf8ToCp932(key);
    if (!sec || !k)
        return "";
    return profileValueFromText(*data, *sec, *k);
}

Status writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view value) {
    auto sec = utf8ToCp932(section);
    auto k = utf8ToCp932(key);
    auto v = utf8ToCp932(value);
    const std::string where = path + " の [" + std::string(section) + "] " + std::string(key);
    if (!sec || !k || !v)
        return Status::error(StatusCode::InvalidInput, where + " に書けません。CP932 で表せない文字があります。");
    if (value.find_first_of("\r\n") != std::string_view::npos)
        return Status::error(StatusCode::InvalidInput, where + " に書けません。値に改行があります。");
    std::string existing;
    if (::access(path.c_str(), F_OK) == 0) {
        auto data = readWholeFile(path);
        if (!data)
            return data.status();
        existing = std::move(*data);
    }
    std::vector<std::string_view> lines = splitLines(existing);
    std::string newLine = *k + "=" + valueText(*v);

    bool inSection = false;
    long sectionAt = -1, lastContentInSection = -1, replaceAt = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (sectionName(lines[i], name)) {
            if (inSection)
                break; // the first matching section is the one written
            inSection = equalsNoCase(name, *sec);
            if (inSection) {
                sectionAt = static_cast<long>(i);
                lastContentInSection = static_cast<long>(i);
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!trim(lines[i]).empty())
            lastContentInSection = static_cast<long>(i);
        std::string_view lk, lv;
        if (keyValue(lines[i], lk, lv) && equalsNoCase(lk, *k)) {
            // The value the file already holds is not written again: the file stays as it is.
            if (unquote(lv) == *v)
                return Status::ok();
            replaceAt = static_cast<long>(i);
            break;
        }
    }

    std::string out;
    out.reserve(existing.size() + newLine.size() + 16);
    auto put = [&out](std::string_view line) {
        out.append(line);
        out += "\r\n";
    };
    if (sectionAt < 0) {
        for (auto line : lines)
            put(line);
        put("[" + *sec + "]");
        put(newLine);
    } else {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (static_cast<long>(i) == replaceAt) {
                put(newLine);
                continue;
            }
            put(lines[i]);
            if (replaceAt < 0 && static_cast<long>(i) == lastContentInSection)
                put(newLine);
        }
    }
    return writeFileAtomically(path, out);
}

} // namespace kestrel
