#include "core/chart/SplitDetect.h"

#include <cstdlib>
#include <map>

namespace kestrel::chart {
namespace {

struct Ratio {
    std::int32_t before, after;
};
constexpr Ratio kRatios[] = {{2, 3}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 10},
                             {3, 2}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {10, 1}};

// An index gap in the same direction as large as this share of the previous close (3 %) is a market-wide
// move: the issue's jump may be the market's, so nothing is proposed that day.
constexpr std::int64_t kIndexMovePerMille = 30;

struct Bar {
    Date date;
    std::int64_t open, close;
};

Result<std::vector<Bar>> readBars(db::Database& db, std::int32_t code) {
    auto st = db.prepare("SELECT 日付, 始値, 終値 FROM dayData WHERE コード = ? ORDER BY 日付");
    if (!st)
        return st.status();
    st->bind(1, static_cast<std::int64_t>(code));
    std::vector<Bar> bars;
    if (Status s = st->forEachRow([&] {
            const auto& r = *st;
            bars.push_back({r.date(0).value_or(Date()), r.int64(1), r.int64(2)});
        });
        !s)
        return s;
    return bars;
}

// The index gap of each day in per mille of the previous close (open, or close when the index has no open).
Result<std::map<Date, std::int64_t>> indexGaps(db::Database& db) {
    std::map<Date, std::int64_t> gaps;
    for (std::int32_t index : {1001, 1002}) {
        auto bars = readBars(db, index);
        if (!bars)
            return bars.status();
        std::int64_t prev = 0;
        for (const Bar& b : *bars) {
            const std::int64_t now = b.open > 0 ? b.open : b.close;
            if (now <= 0)
                continue; // a day without trading carries the previous close
            if (prev > 0)
                gaps[b.date] = (now - prev) * 1000 / prev;
            prev = b.close > 0 ? b.close : now;
        }
        if (!bars->empty())
            return gaps;
    }
    return gaps;
}

// The ratio the jump from close to open fits, if any: the open lies within one limit-move band of the
// close divided by the ratio, and farther than one band from the close itself (an ordinary limit move).
std::optional<Ratio> fittingRatio(std::int64_t close, std::int64_t open) {
    if (std::llabs(open - close) <= limitMoveBand(close))
        return std::nullopt;
    std::optional<Ratio> best;
    std::int64_t bestMiss = 0;
    for (const Ratio& r : kRatios) {
        const std::int64_t expected = close * r.before / r.after;
        const std::int64_t miss = std::llabs(open - expected);
        if (expected > 0 && miss <= limitMoveBand(expected) && (!best || miss < bestMiss)) {
            best = r;
            bestMiss = miss;
        }
    }
    return best;
}

Status detectIssue(db::Database& db, std::int32_t code, const std::map<Date, std::int64_t>& index,
                   std::vector<db::SplitEvent>& out) {
    auto bars = readBars(db, code);
    if (!bars)
        return bars.status();
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    std::int64_t prevClose = 0;
    for (const Bar& b : *bars) {
        if (b.open <= 0 || b.close <= 0)
            continue; // zero-volume day: the last close stays the reference
        if (prevClose > 0) {
            if (auto r = fittingRatio(prevClose, b.open)) {
                const auto gap = index.find(b.date);
                const std::int64_t own = (b.open - prevClose) * 1000 / prevClose;
                const bool marketMoved = gap != index.end() && std::llabs(gap->second) >= kIndexMovePerMille &&
                                         (gap->second < 0) == (own < 0);
                if (!marketMoved) {
                    db::SplitEvent e{
                        code, b.date, r->before, r->after, db::SplitSource::Detected, db::SplitState::Proposed};
                    auto added = db::proposeSplit(db, e);
                    if (!added)
                        return added.status();
                    if (*added)
                        out.push_back(e);
                }
            }
        }
        prevClose = b.close;
    }
    return tx.commit();
}

} // namespace

std::int64_t limitMoveBand(std::int64_t price) {
    // The exchange's table of daily price limits by the previous close, up to 100,000 yen; above it the
    // band keeps growing at about 15 % of the price, which is close enough to the table's upper steps for
    // telling a split (a jump of a third or more) from a limit move.
    constexpr std::int64_t kSteps[][2] = {{100, 30},      {200, 50},      {500, 80},     {700, 100},    {1000, 150},
                                          {1500, 300},    {2000, 400},    {3000, 500},   {5000, 700},   {7000, 1000},
                                          {10000, 1500},  {15000, 3000},  {20000, 4000}, {30000, 5000}, {50000, 7000},
                                          {70000, 10000}, {100000, 15000}};
    for (const auto& s : kSteps)
        if (price < s[0])
            return s[1];
    return price * 15 / 100;
}

Result<std::vector<db::SplitEvent>> detectSplits(db::Database& db, std::int32_t code) {
    using R = Result<std::vector<db::SplitEvent>>;
    auto index = indexGaps(db);
    if (!index)
        return R(index.status());
    std::vector<std::int32_t> codes;
    if (code > 0) {
        codes.push_back(code);
    } else {
        auto st = db.prepare("SELECT DISTINCT コード FROM dayData WHERE コード NOT IN (1001, 1002) ORDER BY コード");
        if (!st)
            return R(st.status());
        if (Status s = st->forEachRow([&] { codes.push_back(st->int32(0)); }); !s)
            return R(s);
    }
    std::vector<db::SplitEvent> out;
    for (std::int32_t c : codes)
        if (Status s = detectIssue(db, c, *index, out); !s)
            return R(s);
    return out;
}

} // namespace kestrel::chart
