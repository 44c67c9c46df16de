#pragma once
// Progress of long procedures: a callback with the whole percentage. Screens show it in their progress
// label ("##", refreshed only when the whole part ends in 0 or 5); the command line prints a line.
#include <functional>
#include <string>

namespace kestrel {

using ProgressFn = std::function<void(int percent)>;

// True for the percentages a progress label shows (whole part ending in 0 or 5).
inline bool isShownPercent(int percent) {
    return percent % 5 == 0;
}
// The percentage formatted "##": no leading zero, and "" for 0.
inline std::string formatPercent(int percent) {
    return percent == 0 ? std::string() : std::to_string(percent);
}

} // namespace kestrel
