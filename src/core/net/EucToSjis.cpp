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
    constexpr char kCr = '\r';
    constexpr char kLf = '\n';
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16 + 2);
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const auto b1 = static_cast<std::uint8_t>(bytes[i]);
        const auto b2 = i + 1 < n ? static_cast<std::uint8_t>(bytes[i + 1]) : std::uint8_t{0};
        if (IsEucKanaPair(b1, b2)) {
            out += static_cast<char>(b2);
            i += 2;
        } else if (IsEucDoubleBytePair(b1, b2)) {
            const bool odd = (b1 & 1) != 0;
            const int first = b1 / 2 + (odd ? (b1 < 0xDF ? 0x31 : 0x71) : (b1 < 0xDF ? 0x30 : 0x70));
            const int second = odd ? (b2 < 0xE0 ? b2 - 0x61 : b2 - 0x60) : b2 - 2;
            out += static_cast<char>(first);
            out += static_cast<char>(second);
            i += 2;
        } else if ((b1 != 0x0D && b1 != 0x0A) || lineBreakMode < 1 || lineBreakMode > 3) {
            out += static_cast<char>(b1);
            i += 1;
        } else {
            const bool pair = b1 == 0x0D && b2 == 0x0A;
            if (lineBreakMode == 1)
                out += kCr;
            else if (lineBreakMode == 2)
                out += kLf;
            else {
                out += kCr;
                out += kLf;
            }
            i += pair ? 2 : 1;
        }
    }
    return out;
}

std::string pageTextToUtf8(std::string_view body) {
    if (body.empty())
        return std::string();
    return cp932ToUtf8Lossy(EucToSjis(body, 3));
}

} // namespace kestrel::net
