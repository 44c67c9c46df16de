#pragma once
// The converter's settings: nine price sources (the ninth the exchange's J-Quants API) (title, page, data address each)
// kept in Plover.ini, section "download", with the selected source and the "keep only the converted files" box. The 27
// texts are held in one array in the order title 1..9, page 1..9, data address 1..9. A missing file
// is written with the defaults; a missing key reads as "" (numbers as 0).
#include "core/app/Status.h"

#include <array>
#include <string>

namespace kestrel::converter {

inline constexpr int kSourceCount = 9;
inline constexpr int kJQuantsSource = 9;
inline constexpr const char* kIniSection = "download";
inline constexpr const char* kUnregistered = "未登録";

struct ConverterSettings {
    std::array<std::string, 3 * kSourceCount> texts; // titles, pages, data addresses
    int setNo = 0;                                   // selected source - 1, 0 to 8
    int check1 = 1;                                  // 1: keep only the converted files

    // source is 1 to 9.
    std::string& title(int source) { return texts[source - 1]; }
    std::string& page(int source) { return texts[kSourceCount + source - 1]; }
    std::string& data(int source) { return texts[2 * kSourceCount + source - 1]; }
    const std::string& title(int source) const { return texts[source - 1]; }
    const std::string& page(int source) const { return texts[kSourceCount + source - 1]; }
    const std::string& data(int source) const { return texts[2 * kSourceCount + source - 1]; }
    // True when the source has a title other than "" and "未登録" (its button is shown in blue).
    bool isRegistered(int source) const;
};

// The settings written on a first start (hosts under .example; source 3 has no command line yet).
ConverterSettings defaultConverterSettings();
// Reads the 27 texts, SetNo and Check1 from the file; SetNo outside 0..8 reads as 0.
ConverterSettings LoadConverterSettings(const std::string& iniPath);
// Writes URLTitle1, URL1, URLDATA1, ... URLDATA9, SetNo, Check1 and Version, in that order.
Status SaveConverterSettings(const std::string& iniPath, const ConverterSettings& settings);
// Writes the defaults when the file is missing, then loads it.
Result<ConverterSettings> loadOrCreateConverterSettings(const std::string& iniPath);

} // namespace kestrel::converter
