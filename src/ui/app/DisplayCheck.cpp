#include "ui/app/DisplayCheck.h"

#include <cstdio>
#include <cstdlib>

namespace kestrel::ui {

bool haveDisplayOrExplain(const char* programName) {
    if (std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))
        return true;
    std::fprintf(stderr,
                 "%s: no display found (DISPLAY is not set).\n"
                 "Start it under a virtual display, for example:\n"
                 "  xvfb-run -a %s [--home DIR]\n"
                 "or set QT_QPA_PLATFORM=offscreen to run without any window system.\n",
                 programName, programName);
    return false;
}

} // namespace kestrel::ui
