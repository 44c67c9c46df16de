#pragma once
// Whether a window program can start here at all.

namespace kestrel::ui {

// True when a window system is reachable; otherwise prints how to get one and returns false.
bool haveDisplayOrExplain(const char* programName);

} // namespace kestrel::ui
