// LoadChartData: reads the bars of one issue that end at the chart date and hands them to the
// indicator computation. At most four queries; the bars are read in one ordered range scan.
#include "core/chart/ChartData.h"

#include "core/chart/ChartRead.h"
#include "core/chart/SplitAdjust.h"
#include "core/settings/Settings.h"
#include "core/settings/Shared.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace kestrel::chart {
namespace {

constexpr const char* kNullUse = "Null の使い方が不正です。";
// The largest whole number a Currency value holds.
constexpr std::int64_t kCurrencyWholeMax = std::numeric_limits<std::int64_t>::max() / Currency::kScale;

void resetLoad(ChartData& d) {
    replaceLoad(d, ChartData{});
}

// A whole-yen field times the price unit; an error for Null or a value beyond Currency.
Result<Currency> priceTimesUnit(const db::Statement& st, int col, std::int32_t unit) {
    if (st.isNull(col))
        return Result<Currency>::error(kNullUse);
    std::int64_t v = st.int64(col);
    std::int64_t product = 0;
    if (__builtin_mul_overflow(v, static_cast<std::int64_t>(unit), &product) || product > kCurrencyWholeMax ||
        product < -kCurrencyWholeMax)
        return Result<Currency>::error(kOverflow);
    return Currency::fromWhole(product);
}

// The left end of the scroll range and the scroll bar's steps.
Status scrollRange(db::Database& db, const char* table, std::int32_t code, ChartData& d) {
    auto st = db.prepare(std::string("SELECT max(日付) FROM (SELECT 日付 FROM ") + table +
                         " WHERE コード=?1 ORDER BY 日付 LIMIT 110)");
    if (!st)
        return st.status();
    st->bind(1, static_cast<std::int64_t>(code));
    auto row = st->step();
    if (!row)
        return row.status();
    if (*row) {
        if (auto date = st->date(0)) {
            d.scrollStartDate = *date;
            if (d.scrollStartDate > d.latestDate)
                d.scrollStartDate = d.latestDate;
        }
    }
    int days = d.scrollStartDate.daysUntil(d.latestDate);
    d.scrollSmallChange = scrollSmallChange(days);
    d.scrollLargeChange = scrollLargeChange(days);
    return Status::ok();
}

Status readBars(db::Database& db, const char* table, bool weekly, std::int32_t code, Date chartDate, ChartData& d,
                BarUnits& unitsRead, Prompt& prompt) {
    auto first = db.prepare(std::string("SELECT min(日付) FROM (SELECT 日付 FROM ") + table +
                            " WHERE コード=?1 AND 日付<=?2 ORDER BY 日付 DESC LIMIT 110)");
    if (!first)
        return first.status();
    first->bind(1, static_cast<std::int64_t>(code)).bind(2, chartDate);
    auto row = first->step();
    if (!row)
        return row.status();
    std::optional<Date> startDate = *row ? first->date(0) : std::nullopt;
    if (!startDate)
        prompt.notify(kNoBarsMessage);

    std::int32_t volumeUnit = 0, priceUnit = 0;
    auto units = db.prepare("SELECT 出来高単位, 株価単位 FROM Mei WHERE コード=?1");
    if (!units)
        return units.status();
    units->bind(1, static_cast<std::int64_t>(code));
    auto unitRow = units->step();
    if (!unitRow)
        return unitRow.status();
    if (*unitRow) {
        volumeUnit = unitValue(*units, 0);
        priceUnit = unitValue(*units, 1);
    }
    unitsRead = {volumeUnit, priceUnit};
    if (!startDate)
        return Status::ok();

    std::string sql = std::string("SELECT 日付, 始値, 高値, 安値, 終値, 前日比, 出来高") +
                      (weekly ? ", 売残, 買残" : "") + " FROM " + table +
                      " WHERE コード=?1 AND 日付 BETWEEN ?2 AND ?3 ORDER BY 日付 LIMIT 110";
    auto bars = db.prepare(sql);
    if (!bars)
        return bars.status();
    bars->bind(1, static_cast<std::int64_t>(code)).bind(2, *startDate).bind(3, chartDate);
    Currency lastClose;
    int n = 0;
    while (n < kMaxBars) {
        auto more = bars->step();
        if (!more)
            return more.status();
        if (!*more)
            break;
        ChartBar& bar = d.bars[n];
        if (Status st = readBarRow(*bars, 0, unitsRead, weekly, bar); !st)
            return st;
        if (bar.close.raw() != 0)
            lastClose = bar.close;
        bar.closeCarried = lastClose;
        ++n;
    }
    d.barCount = static_cast<std::int16_t>(n);
    return Status::ok();
}

// The weekly bars of the window whose week holds an event, put together again from their days: adjusted
// by every event after each day, or (asAdjusted false) as traded.
template <class Bar>
Result<std::vector<RebuiltWeek>> eventWeeks(db::Database& db, std::int32_t code,
                                            const std::vector<db::SplitEvent>& events, bool asAdjusted, BarUnits units,
                                            std::span<const Bar> bars) {
    std::vector<RebuiltWeek> weeks;
    const std::vector<db::SplitEvent> none;
    const int n = static_cast<int>(bars.size());
    for (int i = 0; i < n; ++i) {
        const Date weekDate = bars[static_cast<std::size_t>(i)].date;
        const Date after = i > 0 ? bars[static_cast<std::size_t>(i - 1)].date : weekDate.addDays(-7);
        if (!eventBetween(events, after, weekDate))
            continue;
        auto days = readStoredDays(db, code, after, weekDate);
        if (!days)
            return days.status();
        WeekFromDays w = weekFromDays(*days, units.price, units.volume, asAdjusted ? events : none);
        if (w.traded)
            weeks.push_back({i, w});
    }
    return weeks;
}

// The prices and the volume of one row as stored, the volume to the nearest whole share.
Status readRowPrices(const db::Statement& st, int first, BarUnits units, Date& date, Currency* prices[5],
                     std::int64_t& volume) {
    date = st.date(first).value_or(Date());
    for (int f = 0; f < 5; ++f) {
        auto v = priceTimesUnit(st, first + 1 + f, units.price);
        if (!v)
            return v.status();
        *prices[f] = *v;
    }
    if (st.isNull(first + 6))
        return Status::error(kNullUse);
    std::int64_t raw = 0;
    if (__builtin_mul_overflow(st.currency(first + 6).raw(), static_cast<std::int64_t>(units.volume), &raw))
        return Status::error(kOverflow);
    volume = Currency::fromRaw(raw).roundToWhole();
    return Status::ok();
}

} // namespace

void replaceLoad(ChartData& d, ChartData next) {
    next.latestDate = d.latestDate;
    next.scrollStartDate = d.scrollStartDate;
    next.lastLoadedCode = d.lastLoadedCode;
    next.lastLoadedMode = d.lastLoadedMode;
    next.scrollSmallChange = d.scrollSmallChange;
    next.scrollLargeChange = d.scrollLargeChange;
    d = std::move(next);
}

Status LoadChartData(db::Database& db, const AppContext& context, std::int32_t code, std::string& chartDateText,
                     ChartData& data, Prompt& prompt) {
    resetLoad(data);
    std::optional<Date> chartDate = Date::parse(chartDateText);
    if (!chartDate) {
        chartDate = Date::today();
        chartDateText = chartDate->toYYMMDD();
    }
    const bool weekly = context.barTable() == db::BarTable::Weekly;
    const char* table = db::barTableName(context.barTable());

    if (code != data.lastLoadedCode || context.chartMode != data.lastLoadedMode) {
        if (Status st = scrollRange(db, table, code, data); !st)
            return st;
        data.lastLoadedCode = code;
        data.lastLoadedMode = context.chartMode;
    }
    BarUnits units;
    if (Status st = readBars(db, table, weekly, code, *chartDate, data, units, prompt); !st) {
        // A load that stops part-way shows nothing rather than half-computed series.
        resetLoad(data);
        return st;
    }
    if ((context.splitAdjust || weekly) && data.barCount > 0) {
        auto events = db::listSplits(db, code, true);
        if (!events) {
            resetLoad(data);
            return events.status();
        }
        if (Status st = finishChart(db, code, weekly, context.splitAdjust, units, *events,
                                    IndicatorSettings::from(context.settings), data);
            !st) {
            resetLoad(data);
            return st;
        }
        return Status::ok();
    }
    computeIndicators(data, IndicatorSettings::from(context.settings));
    return Status::ok();
}

std::int32_t unitValue(const db::Statement& st, int col) {
    if (st.isNull(col))
        return 0;
    return NullToValue(std::optional<double>(st.real(col)));
}

Status readBarRow(const db::Statement& st, int first, BarUnits units, bool weekly, ChartBar& bar) {
    Currency* prices[5] = {&bar.open, &bar.high, &bar.low, &bar.close, &bar.change};
    if (Status s = readRowPrices(st, first, units, bar.date, prices, bar.volume); !s)
        return s;
    if (weekly) {
        bar.sellBalance = unitValue(st, first + 7);
        bar.buyBalance = unitValue(st, first + 8);
    }
    return Status::ok();
}

Status readBarRow(const db::Statement& st, int first, BarUnits units, bool weekly, SeriesBar& bar) {
    Currency* prices[5] = {&bar.open, &bar.high, &bar.low, &bar.close, &bar.change};
    if (Status s = readRowPrices(st, first, units, bar.date, prices, bar.volume); !s)
        return s;
    if (weekly) {
        bar.sellBalance = unitValue(st, first + 7);
        bar.buyBalance = unitValue(st, first + 8);
    }
    return Status::ok();
}

Status finishChart(db::Database& db, std::int32_t code, bool weekly, bool splitAdjust, BarUnits units,
                   const std::vector<db::SplitEvent>& events, const IndicatorSettings& settings, ChartData& data) {
    if (Status st = adjustChart(db, code, weekly, splitAdjust, units, events, data); !st)
        return st;
    computeIndicators(data, settings);
    return Status::ok();
}

Status adjustChart(db::Database& db, std::int32_t code, bool weekly, bool splitAdjust, BarUnits units,
                   const std::vector<db::SplitEvent>& events, ChartData& data) {
    const auto n = static_cast<std::size_t>(std::clamp<int>(data.barCount, 0, kMaxBars));
    return adjustBars(db, code, weekly, splitAdjust, units, events, std::span<ChartBar>(data.bars.data(), n),
                      std::span<std::uint8_t>(data.splitFlags.data(), n));
}

template <class Bar>
Status adjustBars(db::Database& db, std::int32_t code, bool weekly, bool splitAdjust, BarUnits units,
                  const std::vector<db::SplitEvent>& events, std::span<Bar> bars, std::span<std::uint8_t> flags) {
    if (!(splitAdjust || weekly) || bars.empty() || events.empty())
        return Status::ok();
    auto weeks = weekly ? eventWeeks<Bar>(db, code, events, splitAdjust, units, bars)
                        : Result<std::vector<RebuiltWeek>>(std::vector<RebuiltWeek>());
    if (!weeks)
        return weeks.status();
    if (splitAdjust) {
        adjustBarsForSplits(bars, flags, events, weekly, *weeks);
        return Status::ok();
    }
    for (const RebuiltWeek& w : *weeks) {
        // As traded: the week of an event from its days, none of them adjusted.
        Bar& b = bars[static_cast<std::size_t>(w.bar)];
        b.open = Currency::fromWhole(w.week.open);
        b.high = Currency::fromWhole(w.week.high);
        b.low = Currency::fromWhole(w.week.low);
        b.close = Currency::fromWhole(w.week.close);
        b.volume = w.week.volume.roundToWhole();
    }
    return Status::ok();
}

template Status adjustBars<ChartBar>(db::Database&, std::int32_t, bool, bool, BarUnits,
                                     const std::vector<db::SplitEvent>&, std::span<ChartBar>, std::span<std::uint8_t>);
template Status adjustBars<SeriesBar>(db::Database&, std::int32_t, bool, bool, BarUnits,
                                      const std::vector<db::SplitEvent>&, std::span<SeriesBar>,
                                      std::span<std::uint8_t>);

} // namespace kestrel::chart
