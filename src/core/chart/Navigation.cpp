#include "core/chart/Navigation.h"

#include "core/app/Currency.h"
#include "core/chart/ChartData.h"

#include <algorithm>
#include <cmath>

namespace kestrel::chart {

Date scrollDate(Date start, Date latest, int value) {
    long long span = start.daysUntil(latest);
    long long offset = span * value / kScrollMax; // truncation: the whole-day part
    if (span * value < 0 && (span * value) % kScrollMax != 0)
        --offset; // a range that runs backwards still takes the whole-day part below
    return start.addDays(static_cast<int>(offset));
}

std::optional<int> weekendStepValue(int lastValue, int value, int smallChange, Date start, Date latest) {
    if (smallChange <= 0 || std::abs(lastValue - value) != smallChange)
        return std::nullopt;
    Date d0 = scrollDate(start, latest, value);
    if (d0.weekday() <= 6)
        return std::nullopt;
    if (value < 1)
        return std::nullopt;
    if (lastValue > value) {
        Date d = d0;
        while (d.weekday() > 5)
            d = d.addDays(-1);
        long long back = static_cast<long long>(value) - static_cast<long long>(d.daysUntil(d0)) * smallChange;
        return static_cast<int>(std::max<long long>(back, 0));
    }
    Date d = d0;
    while (d.weekday() == 1 || d.weekday() == 7)
        d = d.addDays(1);
    long long forward = static_cast<long long>(value) + static_cast<long long>(d0.daysUntil(d)) * smallChange;
    return static_cast<int>(std::min<long long>(forward, kScrollMax));
}

const char* TableForMode(int chartMode) {
    return db::barTableName(db::barTableForMode(chartMode));
}

ModeSwitch ToggleChartMode(std::int16_t chartMode) {
    if (chartMode == 1)
        return {2, "日チャートを表示"};
    if (chartMode == 2)
        return {1, "週チャートを表示"};
    return {chartMode, ""};
}

std::string changeButtonCaption(int chartMode) {
    return db::isWeeklyMode(chartMode) ? "日　足　チャートへ" : "週　足　チャートへ";
}

std::string modeCaptionMark(int chartMode) {
    if (chartMode == 3)
        return "(月)";
    return db::isWeeklyMode(chartMode) ? "(週)" : "(日)";
}

std::string slideShowCaption(bool running) {
    return running ? "ﾁｬｰﾄ・ｽﾗｲﾄﾞｼｮｰ・ｽﾄｯﾌﾟ" : "ﾁｬｰﾄ・ｽﾗｲﾄﾞｼｮｰ・ｽﾀｰﾄ";
}

int slideIntervalMs(float seconds) {
    double ms = roundHalfEven(static_cast<double>(seconds) * 1000.0);
    if (!(ms >= kMinSlideIntervalMs)) // also NaN
        return kMinSlideIntervalMs;
    return ms > 2147483647.0 ? 2147483647 : static_cast<int>(ms);
}

} // namespace kestrel::chart
