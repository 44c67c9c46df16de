#pragma once
// Where the J-Quants source is reached and how fast it may be asked, in Kestrel.ini (section
// "Kestrel"): JQuantsURL, the base address of the API, and JQuantsPace, requests per minute (the free
// plan allows 5). Missing keys read as the defaults. The API key is never kept here.
#include "core/app/Status.h"

#include <string>

namespace kestrel::converter::jquants {

inline constexpr const char* kDefaultBaseUrl = "https://api.jquants.com/v2";
inline constexpr int kDefaultPace = 5;
inline constexpr int kMaxPace = 6000;
inline constexpr const char* kKeyVariable = "JQUANTS_API_KEY";

struct JQuantsSettings {
    std::string baseUrl = kDefaultBaseUrl;
    int pace = kDefaultPace; // requests per minute, 1 to kMaxPace
};

JQuantsSettings loadJQuantsSettings(const std::string& kestrelIniPath);
// Writes the two keys, each only when its value changed.
Status saveJQuantsSettings(const std::string& kestrelIniPath, const JQuantsSettings& settings);
// The key with blanks, tabs and line ends taken from both ends.
std::string trimKey(std::string key);

} // namespace kestrel::converter::jquants
