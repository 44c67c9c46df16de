#pragma once
// Reading a quote portal page: the row of the result table gives the current price, the change
// from the previous day and the volume. The page is the program's UTF-8 text of the downloaded page
// (net::pageTextToUtf8). Markers are matched without regard to ASCII case. Nothing here touches the
// network or the database; QuoteRow says whether the page held the row at all.
#include "core/settings/Settings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::boards {

// The host used when the settings file names none.
inline constexpr const char* kDefaultQuoteHost = kestrel::kDefaultQuoteHost;
// The settings key (section Kestrel) that names the portal host, "name" or "name:port".
inline constexpr const char* kQuoteHostKey = "QuoteHost";

// "http://" + host + "/q?s=" + code + "&d=v2".
std::string quoteUrl(std::string_view host, std::int32_t code);

// The first token after the first occurrence of start in the upper-cased text: blanks, quotes, "=",
// "<" (and a one-character end marker) before it are skipped, a blank before any token ends the search;
// the token runs until a blank, quote, "=", "<", "%", a one-character end marker or the end of the text.
// "" when start does not occur; a token of exactly "-" reads "0". Thousands separators stay.
std::string GetToken(std::string_view text, std::string_view startMarker, std::string_view endMarker);

// The text without ",", as a 32-bit whole number; text that is then not a number reads 0.
// Sets *error to the runtime's message when the number does not fit in 32 bits (result 0).
std::int32_t StripCommas(std::string_view text, std::string* error = nullptr);

struct QuoteRow {
    bool found = false; // the page held the row; when false the other fields are empty/zero
    std::string label;  // the small text of the row (the time of the quote)
    std::int32_t price = 0;
    std::int32_t change = 0;
    std::int32_t volume = 0;
    std::string error; // a cell that could not be read as a number ("" when none)
};

// Parses the row. A page without "チャート" or without the row marker of code gives
// found = false, so nothing else on the page is taken for the issue. A price or volume cell that is no
// number leaves that value 0 and names the fault in error; the other values are still read.
QuoteRow parseQuotePage(std::string_view page, std::int32_t code);

// ASCII upper case (other characters unchanged).
std::string upperAscii(std::string_view text);

} // namespace kestrel::boards
