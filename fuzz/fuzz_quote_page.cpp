// Any bytes as a quote portal page: never a crash; a page without the row gives nothing at all;
// tokens never hold the characters that end them. Input: two bytes of issue code, then the page; a page
// holding two NUL bytes also drives GetToken with the text, start and end marker between them.
#include "FuzzHome.h"
#include "core/boards/QuoteParse.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using fuzzing::check;

namespace {

// A token starts at a character other than a blank, quote, "=" or "<" and runs until one of those or "%".
void checkToken(const std::string& token, std::string_view text) {
    check(token.size() <= text.size() || token == "0");
    check(token.find_first_of(" \"'=<") == std::string::npos);
    check(token.size() < 2 || token.find('%', 1) == std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::int32_t code = 1 + (data[0] | data[1] << 8) % 9999;
    const std::string_view page(reinterpret_cast<const char*>(data + 2), size - 2);
    for (std::int32_t c : {code, 7203}) {
        const kestrel::boards::QuoteRow row = kestrel::boards::parseQuotePage(page, c);
        if (!row.found)
            check(row.label.empty() && row.price == 0 && row.change == 0 && row.volume == 0 && row.error.empty());
        else
            checkToken(row.label, page);
    }
    const size_t a = page.find('\0');
    const size_t b = a == std::string_view::npos ? a : page.find('\0', a + 1);
    if (b != std::string_view::npos) {
        const std::string_view text = page.substr(0, a), start = page.substr(a + 1, b - a - 1),
                               end = page.substr(b + 1);
        checkToken(kestrel::boards::GetToken(text, start, end), text);
        std::string error;
        const std::int32_t n = kestrel::boards::StripCommas(text, &error);
        check(error.empty() || n == 0);
    }
    return 0;
}
