#pragma once
// The process-wide values of the main program: the paths fixed at start-up, the settings record,
// and the chart mode with its bar table. Screens and commands receive one context instead of globals.
#include "core/db/BarTable.h"
#include "core/settings/Settings.h"
#include "core/startup/Startup.h"

#include <cstdint>
#include <string>

namespace kestrel {

struct AppContext {
    ProgramPaths paths;
    Settings settings;
    // 1 daily, 2 weekly; the bar table follows it.
    std::int16_t chartMode = 1;
    db::BarTable barTable() const { return db::barTableForMode(chartMode); }
    // True while the issue list follows the shown issue (set at start-up).
    bool syncIssueList = true;
    // 分割調整: bars before a confirmed split are shown adjusted; off shows them as traded. Follows the
    // setting BunkatuChosei whenever the settings are loaded (syncSplitAdjust).
    bool splitAdjust = true;
    void syncSplitAdjust() { splitAdjust = settings.BunkatuChosei != 0; }
};

} // namespace kestrel
