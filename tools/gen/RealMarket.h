#pragma once
// A market at the real exchange's magnitudes, written straight into a Kestrel database for tests and
// benches: prices from 1 yen to 1,000,000 yen, daily volumes from 0 to 2,000,000,000 shares, trading
// values up to 1 trillion yen a day, issues of 100 shares a day, unit shares of 1 and 100, an issue that
// does not trade for weeks, and weekly bars with margin balances. The same seed always gives the same
// market.
//
// The first issues are fixed profiles (kRealProfiles), the rest are drawn: a price level spread evenly
// on a log scale over 1..1,000,000 yen and a trading value of 100,000 to 100 billion yen a day (100 to
// 500,000,000 shares), walking ±3% a day.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <cstdint>
#include <vector>

namespace kestrel::gen {

inline constexpr long long kRealMaxPrice = 1'000'000;         // yen
inline constexpr long long kRealMaxVolume = 2'000'000'000;    // shares a day
inline constexpr long long kRealMaxValue = 1'000'000'000'000; // yen a day

// The fixed profiles, by issue index.
enum RealProfile {
    PennyFlood = 0,  // 1 to 3 yen, 250 to 750 million shares a day, exactly 2,000,000,000 on the last day:
                     // its last week (of two days or more) passes 2^31 shares
    Priciest = 1,    // near 1,000,000 yen, a few hundred shares a day
    Biggest = 2,     // about 60,000 yen, the trading value reaching 1 trillion yen on the last day
    HundredADay = 3, // 100 shares every day (unit 100)
    Dormant = 4,     // trades one week in four (volume 0 the other weeks)
    kRealProfiles = 5
};

struct RealBar {
    Date date;
    long long open = 0, high = 0, low = 0, close = 0, change = 0;
    long long volume = 0; // shares
};

struct RealIssue {
    std::int32_t code = 0;
    int volumeUnit = 1; // 1 or 100: the stored volume is shares / unit
    std::vector<RealBar> bars;
};

// Issue `index` of the market over `days` (trading days in order).
RealIssue realIssue(int index, std::int32_t code, const std::vector<Date>& days, std::uint64_t seed = 1);

struct RealMarketOptions {
    std::uint64_t seed = 1;
    int issues = 50;
    std::int32_t firstCode = 1301;
    int codeStep = 1;
    std::vector<Date> days;
    bool weekly = true; // weekData: one bar per week on its last day, with 売残 and 買残
};

// Writes Mei (price unit 1), dayData and, when asked, weekData for the issues, in one transaction.
Status writeRealMarket(db::Database& db, const RealMarketOptions& options);

} // namespace kestrel::gen
