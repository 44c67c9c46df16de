#include "core/boards/QuoteParse.h"

#include "core/settings/Settings.h"
#include "core/settings/Shared.h"

namespace kestrel::boards {
namespace {

constexpr std::string_view kChartWord = "チャート";

bool isTokenBreak(char c) {
    return c == ' ' || c == '"' || c == '\'' || c == '=' || c == '<';
}

// The text after the first x. When x does not occur the text loses its first (length of x - 1)
// characters, as the page reader always did; the markers are ASCII, so characters and bytes agree
// except that a multi-byte character is dropped whole.
std::string afterFirst(const std::string& text, std::string_view x) {
    const size_t pos = text.find(x);
    if (pos != std::string::npos)
        return text.substr(pos + x.size());
    size_t drop = x.empty() ? 0 : x.size() - 1;
    size_t i = 0;
    while (drop > 0 && i < text.size()) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
        --drop;
    }
    return text.substr(i);
}

} // namespace

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string quoteUrl(std::string_view host, std::int32_t code) {
    return "http://" + std::string(host) + "/q?s=" + std::to_string(code) + "&d=v2";
}

std::string GetToken(std::string_view text, std::string_view startMarker, std::string_view endMarker) {
    const std::string upper = upperAscii(text);
    const std::string start = upperAscii(startMarker);
    const std::string end = upperAscii(endMarker);
    const size_t at = upper.find(start);
    if (at == std::string::npos)
        return {};
    const bool oneCharEnd = end.size() == 1;
    std::string result;
    size_t p = at + start.size();
    char c = 0;
    while (p < upper.size() && result.empty() && c != ' ') {
        c = upper[p];
        const bool skip = isTokenBreak(c) || (oneCharEnd && c == end[0]);
        if (!skip) {
            size_t q = p + 1;
            while (q < upper.size()) {
                const char n = upper[q];
                if (isTokenBreak(n) || n == '%' || (oneCharEnd && n == end[0]))
                    break;
                ++q;
            }
            result.assign(text.substr(p, q - p));
        }
        ++p;
    }
    if (result == "-")
        return "0";
    return result;
}

std::int32_t StripCommas(std::string_view text, std::string* error) {
    std::string digits;
    for (char c : text)
        if (c != ',')
            digits.push_back(c);
    if (!isNumeric(digits))
        return 0;
    auto value = textToInt32(digits);
    if (!value) {
        if (error)
            *error = value.status().message();
        return 0;
    }
    return *value;
}

QuoteRow parseQuotePage(std::string_view page, std::int32_t code) {
    QuoteRow row;
    if (page.find(kChartWord) == std::string_view::npos)
        return row;
    const std::string upper = upperAscii(page);
    const std::string marker = upperAscii("<td nowrap align=left><a href=\"/q?s=" + std::to_string(code));
    // The marker must be followed by something other than a digit, so 1301 never matches 13010.
    size_t at = upper.find(marker);
    while (at != std::string::npos) {
        const size_t next = at + marker.size();
        if (next >= upper.size() || upper[next] < '0' || upper[next] > '9')
            break;
        at = upper.find(marker, next);
    }
    if (at == std::string::npos)
        return row;
    std::string s = upper.substr(at + marker.size());
    const size_t chart = s.find(kChartWord);
    if (chart != std::string::npos)
        s.resize(chart);
    row.found = true;
    row.label = GetToken(s, "<SMALL>", "</SMALL>");

    auto price = textToInt32(GetToken(s, "<TD NOWRAP><B>", "</B></TD>"));
    if (price)
        row.price = *price;
    else
        row.error = price.status().message();

    s = afterFirst(s, "</B></TD>");
    if (s.find("COLOR") != std::string::npos)
        s = afterFirst(s, "<TD NOWRAP><FONT COLOR");
    else
        s = afterFirst(s, "<TD NOWR");
    row.change = NullToValue(GetToken(s, ">", "<"));

    s = afterFirst(s, "<TD NOWRAP><FONT COLOR");
    std::string volumeError;
    row.volume = StripCommas(GetToken(s, "<TD NOWRAP>", "</TD>"), &volumeError);
    if (row.error.empty())
        row.error = volumeError;
    return row;
}

} // namespace kestrel::boards
