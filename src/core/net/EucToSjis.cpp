#include "core/net/EucToSjis.h"

#include "core/app/Encoding.h"

namespace kestrel::net {

bool IsEucKanaPair(std::uint8_t b1, std::uint8_t b2) {
    return b1 == 0x8E && b2 >= 0xA1 && b2 <= 0xDF;
}

bool IsEucDoubleBytePair(std::uint8_t b1, std::uint8_t b2) {
    return b1 >= 0xA1 && b1 <= 0xFE && b2 >= 0xA1 && b2 <= 0xFE;
}

std::string EucToSjis(std::string_view bytes, std::int16_t lineBreakMode) {
    // Every step writes at most two bytes per byte it consumes, so twice the input always suffices.
    const size_t n = bytes.size();
    std::string out(2 * n, '\0');
    const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());
    char* w = out.data();
    size_t i = 0;
    while (i < n) {
        const std::uint8_t b1 = in[i];
        const std::uint8_t b2 = i + 1 < n ? in[i + 1] : 0;
        if (IsEucKanaPair(b1, b2)) {
            *w++ = static_cast<char>(b2);
            i += 2;
        } else if (IsEucDoubleBytePair(b1, b2)) {
            const bool odd = (b1 & 1) != 0;
            const int first = b1 / 2 + (odd ? (b1 < 0xDF ? 0x31 : 0x71) : (b1 < 0xDF ? 0x30 : 0x70));
            const int second = odd ? (b2 < 0xE0 ? b2 - 0x61 : b2 - 0x60) : b2 - 2;
            *w++ = static_cast<char>(first);
            *w++ = static_cast<char>(second);
            i += 2;
        } else if ((b1 != 0x0D && b1 != 0x0A) || lineBreakMode < 1 || lineBreakMode > 3) {
            *w++ = static_cast<char>(b1);
            i += 1;
        } else {
            const bool pair = b1 == 0x0D && b2 == 0x0A;
            if (lineBreakMode == 1) {
                *w++ = '\r';
            } else if (lineBreakMode == 2) {
                *w++ = '\n';
            } else {
                *w++ = '\r';
                *w++ = '\n';
            }
            i += pair ? 2 : 1;
        }
    }
    out.resize(static_cast<size_t>(w - out.data()));
    return out;
}

std::string pageTextToUtf8(std::string_view body) {
    if (body.empty())
        return std::string();
    return cp932ToUtf8Lossy(EucToSjis(body, 3));
}

} // namespace kestrel::net
