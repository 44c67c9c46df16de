#include "RealMarket.h"

#include <algorithm>
#include <cmath>

namespace kestrel::gen {
namespace {

// splitmix64: small, and the same numbers on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) / 9007199254740992.0; } // [0, 1)
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    std::uint64_t m_state;
};

long long clampPrice(double yen) {
    return std::clamp(std::llround(yen), 1LL, kRealMaxPrice);
}

} // namespace

RealIssue realIssue(int index, std::int32_t code, const std::vector<Date>& days, std::uint64_t seed) {
    Rng rng(seed * 1000003ULL + static_cast<std::uint64_t>(index));
    RealIssue is;
    is.code = code;
    is.volumeUnit = index == HundredADay || index % 2 == 0 ? 100 : 1;
    if (index == PennyFlood)
        is.volumeUnit = 1;
    double price = 0, volume = 0;
    switch (index) {
    case PennyFlood:
        price = 2;
        volume = 500'000'000;
        break;
    case Priciest:
        price = 950'000;
        volume = 300;
        break;
    case Biggest:
        price = 60'000;
        volume = 2'000'000;
        break;
    case HundredADay:
        price = 500;
        volume = 100;
        break;
    default:
        price = std::pow(10.0, rng.between(0, 6));
        // A trading value of 100,000 yen to 100 billion yen a day, as shares between 100 and 500 million.
        volume = std::clamp(std::pow(10.0, rng.between(5, 11)) / price, 100.0, 5e8);
    }
    long long previous = 0;
    for (size_t i = 0; i < days.size(); ++i) {
        RealBar b;
        b.date = days[i];
        const bool last = i + 1 == days.size();
        const long long open = previous ? previous : clampPrice(price);
        price = std::clamp(price * rng.between(0.97, 1.03), 1.0, static_cast<double>(kRealMaxPrice));
        if (index == Priciest)
            price = std::clamp(price, 900'000.0, static_cast<double>(kRealMaxPrice));
        if (index == PennyFlood)
            price = std::clamp(price, 1.0, 3.0);
        b.open = open;
        b.close = clampPrice(price);
        b.high = clampPrice(static_cast<double>(std::max(open, b.close)) * rng.between(1.0, 1.02));
        b.low = clampPrice(static_cast<double>(std::min(open, b.close)) * rng.between(0.98, 1.0));
        b.change = previous ? b.close - previous : 0;
        previous = b.close;

        double shares = volume * rng.between(0.5, 1.5);
        if (index == HundredADay)
            shares = 100;
        else if (index == PennyFlood && last)
            shares = static_cast<double>(kRealMaxVolume);
        else if (index == Biggest && last)
            shares = static_cast<double>(kRealMaxValue) / static_cast<double>(b.close);
        else if (index == Dormant && (i / 5) % 4 != 0)
            shares = 0;
        else if (index >= kRealProfiles && rng.uniform() < 0.02)
            shares = 0;
        long long v = std::min<long long>(std::llround(shares), kRealMaxVolume);
        v = std::min(v, kRealMaxValue / b.close);
        b.volume = v / is.volumeUnit * is.volumeUnit;
        is.bars.push_back(b);
    }
    return is;
}

Status writeRealMarket(db::Database& db, const RealMarketOptions& o) {
    db::Transaction tx(db);
    if (!tx.began())
        return tx.began();
    auto mei = db.prepare("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (?, 1, ?, ?, 1)");
    auto day = db.prepare("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
                          "(?, ?, ?, ?, ?, ?, ?, ?)");
    auto week = db.prepare("INSERT INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 売残, 買残) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (!mei)
        return mei.status();
    if (!day)
        return day.status();
    if (!week)
        return week.status();
    Rng balances(o.seed);
    for (int i = 0; i < o.issues; ++i) {
        const RealIssue is = realIssue(i, o.firstCode + i * o.codeStep, o.days, o.seed);
        mei->reset();
        mei->bindAll(is.code, "real" + std::to_string(i), is.volumeUnit);
        if (Status s = mei->run(); !s)
            return s;
        long long sell = static_cast<long long>(balances.between(0, 5e7)),
                  buy = static_cast<long long>(balances.between(0, 5e8));
        RealBar w;
        long long weekVolume = 0, weekReference = 0;
        for (size_t k = 0; k < is.bars.size(); ++k) {
            const RealBar& b = is.bars[k];
            day->reset();
            day->bindAll(is.code, b.date, b.open, b.high, b.low, b.close, b.change, b.volume / is.volumeUnit);
            if (Status s = day->run(); !s)
                return s;
            if (!o.weekly)
                continue;
            if (w.open == 0) {
                w = b;
            } else {
                w.high = std::max(w.high, b.high);
                w.low = std::min(w.low, b.low);
                w.close = b.close;
            }
            weekVolume += b.volume;
            const bool weekEnds = k + 1 == is.bars.size() || is.bars[k + 1].date.addDays(-7) >= b.date ||
                                  is.bars[k + 1].date.weekday() <= b.date.weekday();
            if (!weekEnds)
                continue;
            sell = std::clamp(sell + static_cast<long long>(balances.between(-5e6, 5e6)), 0LL, 2'000'000'000LL);
            buy = std::clamp(buy + static_cast<long long>(balances.between(-5e7, 5e7)), 0LL, 2'000'000'000LL);
            week->reset();
            week->bindAll(is.code, b.date, w.open, w.high, w.low, w.close, weekReference ? w.close - weekReference : 0,
                          weekVolume / is.volumeUnit, sell, buy);
            if (Status s = week->run(); !s)
                return s;
            weekReference = w.close;
            w = RealBar{};
            weekVolume = 0;
        }
    }
    return tx.commit();
}

} // namespace kestrel::gen
