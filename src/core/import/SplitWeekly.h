#pragma once
// Weekly bars after a change of split events: the week that holds an event is built from adjusted days,
// so entering, removing, confirming or dismissing an event leaves the weekly bars from that week
// on out of date until they are rebuilt.
#include "core/app/Date.h"
#include "core/app/Prompt.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <cstdint>
#include <string>

namespace kestrel::import {

// The question asked before rebuilding the weeks from the Monday of the event's week.
std::string splitWeeklyQuestion(Date monday);

// When the issue has weekly bars from the Monday of eventDate's week on, asks splitWeeklyQuestion and on
// Yes rebuilds that weekly bars from that Monday to the Friday of its latest daily bar. Returns
// whether the bars were rebuilt; an error when the database fails (nothing of the rebuild is kept then).
Result<bool> offerSplitWeeklyRebuild(db::Database& db, std::int32_t code, Date eventDate, Prompt& prompt);

} // namespace kestrel::import
