#include "core/chart/SplitAdjust.h"

#include <limits>

namespace kestrel::chart {
namespace {

using Fraction = db::SplitRatio;

// A Currency price (whole yen) times before/after, to whole yen.
Currency price(Currency v, const Fraction& f, bool& raisedToOne) {
    if (f.one())
        return v;
    std::int64_t whole = Fraction::scale(v.raw(), f.before(), f.after() * Currency::kScale);
    if (whole == 0 && v.raw() > 0) {
        whole = 1;
        raisedToOne = true;
    }
    return Currency::fromWhole(whole);
}

std::int32_t shares(std::int32_t v, const Fraction& f) {
    const std::int64_t r = f.count(v);
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r > kMax ? kMax : r < -kMax ? -kMax : r);
}

} // namespace

std::int64_t splitDivide(std::int64_t value, std::int64_t before, std::int64_t after) {
    return db::SplitRatio::scale(value, before, after);
}

namespace {

std::int32_t clampedVolume(Currency v) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::int64_t whole = v.roundToWhole();
    return static_cast<std::int32_t>(whole > kMax ? kMax : whole < -kMax ? -kMax : whole);
}

} // namespace

void adjustForSplits(ChartData& d, const std::vector<db::SplitEvent>& events, bool weekly,
                     const std::vector<RebuiltWeek>& weeks) {
    if (events.empty() || d.barCount == 0)
        return;
    Currency lastClose;
    for (int i = 0; i < d.barCount; ++i) {
        ChartBar& b = d.bars[i];
        const Fraction f = db::ratioAfter(events, b.date);
        // The events between the previous bar and this one: this bar is the first at the new price.
        const Date prevDate = i > 0 ? d.bars[i - 1].date : b.date.addDays(weekly ? -7 : -1);
        const Fraction step = db::ratioBetween(events, prevDate, b.date);
        const WeekFromDays* rebuilt = nullptr;
        for (const RebuiltWeek& w : weeks)
            if (w.bar == i)
                rebuilt = &w.week;
        bool one = rebuilt && rebuilt->raisedToOne;
        const Currency close = rebuilt ? Currency::fromWhole(rebuilt->close) : price(b.close, f, one);
        Currency change = price(b.change, f, one);
        if (!step.one()) {
            d.splitFlags[i] |= kSplitEventBar;
            // A first bar without a change may have no reference at all (the first bar or week):
            // there is nothing to adjust its change against.
            if (b.close.raw() != 0 && (i > 0 || b.change.raw() != 0)) {
                const Fraction prevF = db::ratioAfter(events, prevDate);
                const Currency prevRef = Currency::fromRaw(b.close.raw() - b.change.raw());
                bool unused = false;
                change = Currency::fromRaw(close.raw() - price(prevRef, prevF, unused).raw());
            }
        }
        if (rebuilt) {
            b.open = Currency::fromWhole(rebuilt->open);
            b.high = Currency::fromWhole(rebuilt->high);
            b.low = Currency::fromWhole(rebuilt->low);
            b.volume = clampedVolume(rebuilt->volume);
        } else {
            b.open = price(b.open, f, one);
            b.high = price(b.high, f, one);
            b.low = price(b.low, f, one);
            b.volume = shares(b.volume, f);
        }
        b.close = close;
        b.change = change;
        b.sellBalance = shares(b.sellBalance, f);
        b.buyBalance = shares(b.buyBalance, f);
        if (b.close.raw() != 0)
            lastClose = b.close;
        b.closeCarried = lastClose;
        if (one)
            d.splitFlags[i] |= kSplitOneYen;
    }
}

} // namespace kestrel::chart
