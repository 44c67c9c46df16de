#pragma once
// Moving through time on the chart: the date scroll bar maps a position 0..32767 onto the days between
// the first full window and today; a single arrow step that lands on a Saturday skips the
// weekend; the daily/weekly switch with its captions; the slide show's captions and interval.
// Everything here is arithmetic on dates and positions; the window applies the results.
#include "core/app/Date.h"
#include "core/db/BarTable.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrel::chart {

// The chart date at scroll position value (0..32767): start + (latest - start) * value / 32767 days,
// the fraction of a day dropped. Position 0 is start, 32767 is latest.
Date scrollDate(Date start, Date latest, int value);

// After the scroll bar moved from lastValue to value: when that was exactly one small step and the
// new date is a Saturday, the position that shows the weekday beyond it (the Thursday before when
// stepping back, the Monday after when stepping forward). Back: value - 2 days' steps, never below 0;
// forward: value + 2 days' steps, at most 32767. Nothing when no adjustment is due (not a single step,
// not a Saturday, or value 0).
std::optional<int> weekendStepValue(int lastValue, int value, int smallChange, Date start, Date latest);

// The bar table of a chart mode: "daydata" for 1, "weekdata" for 2 (and daydata for anything else).
const char* TableForMode(int chartMode);

// The chart mode after a daily/weekly switch and the caption the menu entry then shows
// ("日チャートを表示" in weekly mode, "週チャートを表示" in daily mode). Any mode other than 1 or 2
// stays as it is, with no caption.
struct ModeSwitch {
    std::int16_t chartMode = 1;
    std::string menuCaption;
};
ModeSwitch ToggleChartMode(std::int16_t chartMode);

// The caption of the switch button: where a click leads.
std::string changeButtonCaption(int chartMode);
// The mark a window's caption ends in: "(日)" or "(週)".
std::string modeCaptionMark(int chartMode);

// The slide-show menu caption while the show runs or not.
std::string slideShowCaption(bool running);
// The slide-show interval in milliseconds for `seconds` (nearest whole number, halves to even). A
// setting below the options dialog's least value (a hand-edited 0, say) takes that least value, half a
// second, so the show neither spins through the list nor stands still.
inline constexpr int kMinSlideIntervalMs = 500;
int slideIntervalMs(float seconds);

} // namespace kestrel::chart
