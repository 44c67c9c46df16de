#pragma once
// The two tables of price bars: daily bars in daydata, weekly bars in weekdata. The chart mode of the
// main program (1 daily, 2 weekly) chooses one of them.
#include <cstdint>

namespace kestrel::db {

enum class BarTable { Daily, Weekly };

// The table's name in Kestrel.mdb.
constexpr const char* barTableName(BarTable table) {
    return table == BarTable::Weekly ? "weekdata" : "daydata";
}
// Chart mode 2 reads the weekly bars, any other the daily bars.
constexpr BarTable barTableForMode(int chartMode) {
    return chartMode == 2 ? BarTable::Weekly : BarTable::Daily;
}
// The chart mode that reads table: 2 for the weekly bars, 1 for the daily bars.
constexpr std::int16_t chartModeFor(BarTable table) {
    return table == BarTable::Weekly ? 2 : 1;
}
// Whether a chart mode shows the weekly bars.
constexpr bool isWeeklyMode(int chartMode) {
    return barTableForMode(chartMode) == BarTable::Weekly;
}

} // namespace kestrel::db
