#pragma once
// The weekly bar of a week that holds a split event, taken from its daily bars at read time. The stored
// week was built from days adjusted for the events up to its own date only, so adjusting it again for a
// later event would round twice; read as traded it would still show its days adjusted. Taking the days
// themselves gives exactly the weekly bar of the adjusted (or the as-traded) daily bars.
#include "core/app/Currency.h"
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"
#include "core/db/SplitRatio.h"
#include "core/db/SplitTable.h"

#include <cstdint>
#include <vector>

namespace kestrel::chart {

// One stored daily bar: prices in whole units of the price unit, the volume as stored.
struct StoredDay {
    Date date;
    std::int64_t open = 0, high = 0, low = 0, close = 0;
    Currency volume;
};

// The days of an issue dated after `after` up to `upTo` (inclusive), in date order.
Result<std::vector<StoredDay>> readStoredDays(db::Database& db, std::int32_t code, Date after, Date upTo);

// A week put together as the weekly bars are: the first open, the last close, the highest high and the
// lowest low of the days that traded, the volumes summed. Every price is times priceUnit, then divided by
// the cumulative ratio of the events dated after its day (none given: as traded), halves to even, a
// positive price at least 1 yen; every volume times volumeUnit and the ratio, as Currency.
struct WeekFromDays {
    bool traded = false; // a day with an open and then a close
    std::int64_t open = 0, high = 0, low = 0, close = 0;
    Currency volume;
    bool raisedToOne = false;
};
WeekFromDays weekFromDays(const std::vector<StoredDay>& days, std::int64_t priceUnit, std::int64_t volumeUnit,
                          const std::vector<db::SplitEvent>& events);

// Whether an event is dated after `after` up to `upTo` (inclusive).
bool eventBetween(const std::vector<db::SplitEvent>& events, Date after, Date upTo);

} // namespace kestrel::chart
