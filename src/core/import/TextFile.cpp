#include "core/import/TextFile.h"

#include "core/app/Encoding.h"
#include "core/settings/Settings.h"
#include "core/settings/Shared.h"

#include <algorithm>
#include <limits>

namespace kestrel::import {

bool Cp932LineReader::next(TextLine& line) {
    if (m_pos >= m_bytes.size())
        return false;
    size_t end = m_bytes.find('\n', m_pos);
    line.number = ++m_number;
    line.terminated = end != std::string_view::npos;
    line.validBytes = true;
    line.text.clear();
    std::string_view raw = m_bytes.substr(m_pos, line.terminated ? end - m_pos : std::string_view::npos);
    m_pos = line.terminated ? end + 1 : m_bytes.size();
    if (!raw.empty() && raw.back() == '\r')
        raw.remove_suffix(1);
    // Bytes below 0x80 before the first byte above it are characters of their own, and so are those
    // after the character that ends the last such byte: only the span between needs decoding.
    size_t first = 0;
    while (first < raw.size() && static_cast<unsigned char>(raw[first]) < 0x80)
        ++first;
    if (first == raw.size()) {
        line.text.assign(raw);
        return true;
    }
    size_t last = raw.size() - 1;
    while (static_cast<unsigned char>(raw[last]) < 0x80)
        --last;
    size_t spanEnd = std::min(raw.size(), last + 2);
    line.text.assign(raw.substr(0, first));
    if (!appendCp932AsUtf8(raw.substr(first, spanEnd - first), line.text)) {
        line.text.clear();
        line.validBytes = false;
        return true;
    }
    line.text += raw.substr(spanEnd);
    return true;
}

std::vector<TextLine> splitCp932Lines(std::string_view bytes, size_t maxLines) {
    std::vector<TextLine> lines;
    Cp932LineReader reader(bytes);
    TextLine line;
    while (lines.size() < maxLines && reader.next(line))
        lines.push_back(line);
    return lines;
}

std::string lineError(const std::string& fileName, int line, const std::string& reason) {
    return fileName + " の " + std::to_string(line) + " 行目: " + reason;
}

std::string_view trimBlanks(std::string_view s) {
    static constexpr std::string_view kIdeographicSpace = "\u3000";
    for (;;) {
        if (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        else if (s.substr(0, kIdeographicSpace.size()) == kIdeographicSpace)
            s.remove_prefix(kIdeographicSpace.size());
        else
            break;
    }
    for (;;) {
        if (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.remove_suffix(1);
        else if (s.size() >= kIdeographicSpace.size() &&
                 s.substr(s.size() - kIdeographicSpace.size()) == kIdeographicSpace)
            s.remove_suffix(kIdeographicSpace.size());
        else
            break;
    }
    return s;
}

std::optional<std::int64_t> parseDigits(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty() || text.size() > 15)
        return std::nullopt;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<std::int32_t> parseRoundedWhole(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty())
        return 0;
    // Plain decimals, the form the converter writes, are rounded exactly on their digits.
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    std::int64_t whole = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 12) {
        whole = whole * 10 + (text[i] - '0');
        ++i;
        ++digits;
    }
    bool plain = digits > 0 && digits < 12;
    int firstDecimal = -1;
    bool restNonZero = false;
    if (plain && i < text.size() && text[i] == '.') {
        ++i;
        size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (i == start)
                firstDecimal = text[i] - '0';
            else if (text[i] != '0')
                restNonZero = true;
            ++i;
        }
    }
    if (plain && i == text.size()) {
        if (firstDecimal > 5 || (firstDecimal == 5 && (restNonZero || whole % 2 == 1)))
            ++whole;
        if (negative)
            whole = -whole;
        if (whole < std::numeric_limits<std::int32_t>::min() || whole > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        return static_cast<std::int32_t>(whole);
    }
    // Other numeric forms (exponents and the like) go through the runtime's conversion.
    auto v = textToInt32(text);
    if (!v)
        return std::nullopt;
    return *v;
}

std::optional<Currency> parseVolume(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty())
        return Currency();
    if (auto exact = Currency::parse(text))
        return *exact;
    auto v = textToCurrency(text);
    if (!v)
        return std::nullopt;
    return *v;
}

} // namespace kestrel::import
