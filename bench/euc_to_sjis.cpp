// Page conversion speed: an 8 MiB EUC-JP page (kanji, half-width kana, ASCII, LF line ends) converted to
// code page 932 and to the program's UTF-8 text. Prints MiB per second of input.
#include "core/net/EucToSjis.h"

#include <chrono>
#include <cstdio>
#include <string>

int main() {
    const std::string line =
        "<td>\xA5\xC1\xA5\xE3\xA1\xBC\xA5\xC8 \xB4\xC1\xBB\xFA \x8E\xB1\x8E\xB2</td><td>1,234</td>\n";
    std::string page;
    while (page.size() < (8u << 20))
        page += line;
    const double mib = static_cast<double>(page.size()) / (1 << 20);
    auto time = [&](const char* what, auto&& convert) {
        size_t out = 0;
        const int rounds = 5;
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < rounds; ++i)
            out += convert().size();
        std::chrono::duration<double> s = std::chrono::steady_clock::now() - t0;
        std::printf("%-28s %8.1f MiB/s  (%.2f MiB in, %zu bytes out per round)\n", what, mib * rounds / s.count(), mib,
                    out / rounds);
    };
    time("EucToSjis mode 3", [&] { return kestrel::net::EucToSjis(page, 3); });
    time("pageTextToUtf8", [&] { return kestrel::net::pageTextToUtf8(page); });
    return 0;
}
