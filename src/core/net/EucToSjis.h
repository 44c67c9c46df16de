#pragma once
// Page text conversion: web pages arrive as EUC-JP and are turned into Shift_JIS (code page 932)
// bytes in one pass, with their line breaks normalised; pageTextToUtf8 then gives the text the
// program works with. The conversion is applied whatever the page's real encoding: bytes that form
// no EUC-JP pair are copied unchanged, and a last byte without a partner is copied as it is.
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::net {

// True for an EUC-JP half-width katakana pair: 0x8E followed by 0xA1..0xDF.
bool IsEucKanaPair(std::uint8_t b1, std::uint8_t b2);
// True for an EUC-JP double-byte pair: both bytes in 0xA1..0xFE.
bool IsEucDoubleBytePair(std::uint8_t b1, std::uint8_t b2);

// EUC-JP bytes to Shift_JIS bytes. lineBreakMode: 0 copies CR and LF unchanged; 1 turns a CR LF pair,
// a lone CR and a lone LF into one CR; 2 into one LF; 3 keeps CR LF and makes a lone CR or LF a CR LF.
// Any other mode copies line breaks like 0.
std::string EucToSjis(std::string_view bytes, std::int16_t lineBreakMode);

// A downloaded page as the program's UTF-8 text: EucToSjis with mode 3, then code page 932 to UTF-8
// (bytes that are not valid there become U+FFFD). An empty body gives "".
std::string pageTextToUtf8(std::string_view body);

} // namespace kestrel::net
