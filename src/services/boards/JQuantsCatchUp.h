#pragma once
// Brings the stored daily bars up to the last open day through J-Quants, for a board refresh: the days
// after the latest stored date are fetched into the daily-data folder (days already written are kept)
// and imported with their weekly bars. Nothing is fetched when the bars are already there. A plan whose
// bars come late (the Free plan's twelve weeks) is brought up to the last open day it gives instead.
#include "core/app/Date.h"
#include "core/startup/AppContext.h"

#include <functional>
#include <optional>
#include <string>

namespace kestrel::services {

// The reason the bars could not be brought up to lastOpenDay (no key, a date the plan refuses, a
// failed import), or nothing when they were. log receives the run's lines.
std::optional<std::string> catchUpFromJQuants(AppContext& context, Date lastOpenDay,
                                              const std::function<void(const std::string&)>& log = {});

} // namespace kestrel::services
