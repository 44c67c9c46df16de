#pragma once
// The synthetic market the benches build once and cache: a new database file, weekdays, the xorshift
// walk of daily bars every bench draws from one seed, and the switch to WAL before the file is renamed
// into place. A failed step stops the bench (no figure is worth printing then).
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrel::bench {

// Prints the message of a failed step and exits.
void must(const Status& st);

// `count` weekdays from `first` on.
std::vector<Date> weekdays(Date first, int count);

// xorshift64 from the benches' fixed seed.
class Xorshift {
public:
    std::uint64_t next() {
        m_seed ^= m_seed << 13;
        m_seed ^= m_seed >> 7;
        m_seed ^= m_seed << 17;
        return m_seed;
    }
    long long below(long long m) { return static_cast<long long>(next() % static_cast<std::uint64_t>(m)); }

private:
    std::uint64_t m_seed = 88172645463325252ULL;
};

// A new Kestrel database at path (an old file removed), written without sync or journal.
std::unique_ptr<db::Database> newMarket(const std::string& path);

// Issues 1300, 1302, ... (Mei with the volume unit given, price unit 1), each with a random walk of daily
// bars on every day; rows go in in key order and the date index is built afterwards in one sort.
void fillDailyBars(db::Database& db, int issues, const std::vector<Date>& days, int volumeUnit);

// Switches the file to WAL, closes it and renames it from tmp to path.
bool finishMarket(std::unique_ptr<db::Database> db, const std::string& tmp, const std::string& path);

} // namespace kestrel::bench
