#include "core/chart/SplitAdjust.h"

#include <algorithm>

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

} // namespace

std::int64_t splitDivide(std::int64_t value, std::int64_t before, std::int64_t after) {
    return db::SplitRatio::scale(value, before, after);
}

template <class Bar>
void adjustBarsForSplits(std::span<Bar> bars, std::span<std::uint8_t> flags, const std::vector<db::SplitEvent>& events,
                         bool weekly, const std::vector<RebuiltWeek>& weeks) {
    if (events.empty() || bars.empty())
        return;
    const int n = static_cast<int>(bars.size());
    auto flag = [&](int i, std::uint8_t f) {
        if (static_cast<std::size_t>(i) < flags.size())
            flags[static_cast<std::size_t>(i)] |= f;
    };
    // Events in date order (as the split table lists them): a bar's ratio depends only on how many
    // events lie after it, so it is taken once per run of bars between two events.
    const bool sorted = std::is_sorted(
        events.begin(), events.end(), [](const db::SplitEvent& a, const db::SplitEvent& b) { return a.date < b.date; });
    auto eventsUpTo = [&](Date d) {
        return std::upper_bound(events.begin(), events.end(), d,
                                [](Date day, const db::SplitEvent& e) { return day < e.date; }) -
               events.begin();
    };
    std::ptrdiff_t cachedUpTo = -1;
    Fraction cached;
    Currency lastClose;
    for (int i = 0; i < n; ++i) {
        Bar& b = bars[static_cast<std::size_t>(i)];
        const std::ptrdiff_t upTo = sorted ? eventsUpTo(b.date) : -1;
        if (!sorted || upTo != cachedUpTo) {
            cached = db::ratioAfter(events, b.date);
            cachedUpTo = upTo;
        }
        const Fraction f = cached;
        // The events between the previous bar and this one: this bar is the first at the new price.
        const Date prevDate = i > 0 ? bars[static_cast<std::size_t>(i - 1)].date : b.date.addDays(weekly ? -7 : -1);
        const Fraction step =
            sorted && eventsUpTo(prevDate) == upTo ? Fraction() : db::ratioBetween(events, prevDate, b.date);
        const WeekFromDays* rebuilt = nullptr;
        for (const RebuiltWeek& w : weeks)
            if (w.bar == i)
                rebuilt = &w.week;
        if (f.one() && step.one() && !rebuilt) {
            // Nothing to adjust: the bar stays as read.
            if (b.close.raw() != 0)
                lastClose = b.close;
            b.closeCarried = lastClose;
            continue;
        }
        bool one = rebuilt && rebuilt->raisedToOne;
        const Currency close = rebuilt ? Currency::fromWhole(rebuilt->close) : price(b.close, f, one);
        Currency change = price(b.change, f, one);
        if (!step.one()) {
            flag(i, kSplitEventBar);
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
            b.volume = rebuilt->volume.roundToWhole();
        } else {
            b.open = price(b.open, f, one);
            b.high = price(b.high, f, one);
            b.low = price(b.low, f, one);
            b.volume = f.count(b.volume);
        }
        b.close = close;
        b.change = change;
        b.sellBalance = f.count(b.sellBalance);
        b.buyBalance = f.count(b.buyBalance);
        if (b.close.raw() != 0)
            lastClose = b.close;
        b.closeCarried = lastClose;
        if (one)
            flag(i, kSplitOneYen);
    }
}

template void adjustBarsForSplits<ChartBar>(std::span<ChartBar>, std::span<std::uint8_t>,
                                            const std::vector<db::SplitEvent>&, bool, const std::vector<RebuiltWeek>&);
template void adjustBarsForSplits<SeriesBar>(std::span<SeriesBar>, std::span<std::uint8_t>,
                                             const std::vector<db::SplitEvent>&, bool, const std::vector<RebuiltWeek>&);

void adjustForSplits(ChartData& d, const std::vector<db::SplitEvent>& events, bool weekly,
                     const std::vector<RebuiltWeek>& weeks) {
    const auto n = static_cast<std::size_t>(std::clamp<int>(d.barCount, 0, kMaxBars));
    adjustBarsForSplits(std::span<ChartBar>(d.bars.data(), n), std::span<std::uint8_t>(d.splitFlags.data(), n), events,
                        weekly, weeks);
}

} // namespace kestrel::chart
