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
    bool chosen = false; // a source was picked in the window once (SetChosen=1, written only then)
};

// Whether J-Quants has been used from the main program: its options or first start left JQuantsPlan in
// Kestrel.ini.
bool jquantsUsed(const std::string& kestrelIniPath);
// The source (0-based) the window opens on: J-Quants once it has been used while no source was picked
// in the window yet; else the stored choice.
int openingSource(const ConverterSettings& settings, bool jquantsUsed);
// Whether the row of source (1-based) is shown while selected (0-based) is chosen: the registered
// sources, the selected one, and the first unregistered one (to register a new source with the editor).
bool sourceRowShown(const ConverterSettings& settings, int source, int selected);

// The settings written on a first start (hosts under .example; source 3 has no command line yet).
ConverterSettings defaultConverterSettings();
// Reads the 27 texts, SetNo and Check1 from the file; SetNo outside 0..8 reads as 0.
ConverterSettings LoadConverterSettings(const std::string& iniPath);
// Writes URLTitle1, URL1, URLDATA1, ... URLDATA9, SetNo, Check1 and Version, in that order, then
// SetChosen once a source was picked.
Status SaveConverterSettings(const std::string& iniPath, const ConverterSettings& settings);
// Writes the defaults when the file is missing, then loads it.
Result<ConverterSettings> loadOrCreateConverterSettings(const std::string& iniPath);

} // namespace kestrel::converter
