#pragma once
// Where the J-Quants source is reached and how fast it may be asked, in Kestrel.ini (section
// "Kestrel"): JQuantsURL, the base address of the API; JQuantsPlan, the key's plan (Free, Light,
// Standard or Premium), which sets the pace (5, 60, 120, 500 requests a minute) and which endpoints are
// asked; JQuantsPace, requests per minute, which when set wins over the plan's pace; JQuantsRetryWait,
// the seconds waited after a 429 (doubled for the later tries). Missing or unreadable keys read as the
// defaults. The API key is never kept here.
#include "core/app/Status.h"

#include <optional>
#include <string>
#include <string_view>

namespace kestrel::converter::jquants {

inline constexpr const char* kDefaultBaseUrl = "https://api.jquants.com/v2";
inline constexpr int kDefaultPace = 5;
inline constexpr int kMaxPace = 6000;
inline constexpr int kDefaultRetryWait = 60; // seconds: the service asks for at least a minute after a 429
inline constexpr std::size_t kMaxKeyLength = 512;
inline constexpr const char* kKeyVariable = "JQUANTS_API_KEY";

enum class Plan { Free, Light, Standard, Premium };
inline constexpr Plan kAllPlans[] = {Plan::Free, Plan::Light, Plan::Standard, Plan::Premium};

const char* planName(Plan plan);                      // "Free", "Light", ...
std::optional<Plan> parsePlan(std::string_view text); // case-insensitive
int planPace(Plan plan);                              // requests a minute
inline bool planHasTopix(Plan plan) {
    return plan >= Plan::Light;
}
inline bool planHasMargin(Plan plan) {
    return plan >= Plan::Standard;
}
// How many days behind today the plan's newest daily bars are (the Free plan's twelve weeks).
inline int planDelayDays(Plan plan) {
    return plan == Plan::Free ? 12 * 7 : 0;
}

struct JQuantsSettings {
    std::string baseUrl = kDefaultBaseUrl;
    Plan plan = Plan::Free;
    std::optional<int> explicitPace; // JQuantsPace, when set
    int retryWait = kDefaultRetryWait;
    int pace() const { return explicitPace.value_or(planPace(plan)); } // 1 to kMaxPace
};

JQuantsSettings loadJQuantsSettings(const std::string& kestrelIniPath);
// Writes the address, the plan and the explicit pace (empty when none), each only when its value changed.
Status saveJQuantsSettings(const std::string& kestrelIniPath, const JQuantsSettings& settings);
// The key with blanks, tabs and line ends taken from both ends.
std::string trimKey(std::string key);
// Empty when the (trimmed) key may be sent; else why not, without the key itself: a control character
// inside it would split the request's header, and no real key is longer than kMaxKeyLength.
std::string keyProblem(std::string_view key);

} // namespace kestrel::converter::jquants
