#pragma once
// The settings record of Kestrel.ini (section "Kestrel"): filled once at start-up and again after the
// options dialog closes; every screen reads it. Folder values end with the path separator once loaded
// (an empty folder stays empty and means "not registered yet").
#include "core/app/Currency.h"
#include "core/app/Prompt.h"
#include "core/app/Status.h"

#include <cstdint>
#include <string>

namespace kestrel {

inline constexpr const char* kIniSection = "Kestrel";
// The data server's address without scheme; a fictitious host until the user points DURL elsewhere.
inline constexpr const char* kDefaultServerAddress = "data.kabukakestrel.example/kabu/";
// The quote portal's host ("name" or "name:port") the stock boards read; fictitious until set.
inline constexpr const char* kDefaultQuoteHost = "quote.example";

struct Settings {
    std::int16_t ScreenMode = 0;
    float slidechart = 0;
    std::int16_t move1 = 0, move2 = 0, move3 = 0;
    std::int16_t SaicoL = 0, RSIVR = 0;
    std::string DURL;
    std::string hibiPath, sinyoPath;
    std::string MURL;
    std::string QuoteHost; // key QuoteHost
    std::int16_t RDel = 0;
    Currency SonPa;
    std::int16_t MakeSyu = 0;
    std::string ReadSinyo;
    std::int16_t DelJyoho = 0;
    std::int16_t ALLITORSO = 0, ITORSO = 0;
    // 分割調整 (key BunkatuChosei): 1 shows bars before a confirmed split adjusted, 0 as traded. A file
    // without the key means on.
    std::int16_t BunkatuChosei = 1;
    // Where the stock-information lists come from (key JyohoSource): kInfoSourceServer or
    // kInfoSourceComputed; anything else means the default of computesInformation.
    std::string JyohoSource;
    // 売買を表示 (key BaibaiChart): 1 draws the ledger's lots on the chart, 0 not. Switched in the chart
    // menu, which writes the key itself; a file without the key means on.
    std::int16_t BaibaiChart = 1;
};

inline constexpr const char* kInfoSourceServer = "データサーバー";
inline constexpr const char* kInfoSourceComputed = "株価から計算";
// Whether the lists are computed from the stored prices: as chosen, or, without a choice, when DURL is
// still the fictitious default (or empty), since no data server is then set up.
bool computesInformation(const Settings& s);

// The eighteen values SaveSettings writes, as text, in its parameter order.
struct SettingsText {
    std::string ScreenMode, slidechart, move1, move2, move3, SaicoL, RSIVR, DURL, MURL, RDel, SonPa, hibiPath,
        sinyoPath, MakeSyu, ReadSinyo, DelJyoho, ALLITORSO, ITORSO;
    std::string QuoteHost;     // written after MURL
    std::string BunkatuChosei; // written after ITORSO
    std::string JyohoSource;   // written last
};

// The values written when Kestrel.ini is first created; hibiPath is the program folder's Data folder.
SettingsText defaultSettingsText(const std::string& programFolder);
// The record's values as text (numbers in their plain form).
SettingsText settingsToText(const Settings& s);

// Reads the eighteen keys in order into s. A number key the file lacks (or leaves empty) and an empty
// hibiPath take the value a new file has (defaultSettingsText of the file's folder), are written into
// the file, and are named together in one notice through prompt. A value that will not convert shows
// its error through prompt (once per key) and leaves that field as it was; the other keys still load.
void LoadSettings(const std::string& iniPath, Settings& s, Prompt& prompt);
// Writes the eighteen values in order (creating the file when missing); with resetFilters, then
// FilterGaku and FilterDekidaka as "". A failed write is shown through prompt and the rest goes on.
void SaveSettings(const std::string& iniPath, const SettingsText& v, bool resetFilters, Prompt& prompt);

// The runtime's text-to-number conversions: blanks around the text are ignored; a sign, thousands
// commas, a decimal part and an exponent are accepted. Integer conversions round halves to even.
// On failure the error text is "型が一致しません。" (not a number) or "オーバーフローしました。" (out of range).
Result<double> textToDouble(std::string_view text);
Result<std::int16_t> textToInt16(std::string_view text);
Result<std::int32_t> textToInt32(std::string_view text);
Result<float> textToSingle(std::string_view text);
Result<Currency> textToCurrency(std::string_view text);
// True when textToDouble would succeed.
bool isNumeric(std::string_view text);
// Shortest text of a number as the runtime prints it ("1", "0.5", "-3").
std::string numberText(double v);

inline constexpr const char* kTypeMismatch = "型が一致しません。";
inline constexpr const char* kOverflow = "オーバーフローしました。";

} // namespace kestrel
