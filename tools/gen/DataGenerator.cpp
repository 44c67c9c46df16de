#include "DataGenerator.h"

#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/import/DailyFile.h"

#include <algorithm>
#include <cstdio>

namespace kestrel::gen {
namespace {

// splitmix64: small, fast and the same everywhere.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    // Roughly normal with mean 0 and deviation 1 (sum of uniforms).
    double gauss() {
        double s = 0;
        for (int i = 0; i < 12; ++i)
            s += uniform();
        return s - 6.0;
    }

private:
    std::uint64_t m_state;
};

struct Issue {
    int code = 0;
    int fileMarket = 0;
    std::string name;
    bool index = false;
    bool fractional = false; // quotes in tenths (a price unit the converter divided by)
    int volumeUnit = 1000, priceUnit = 1;
    Date listed, delisted; // trading from listed, up to the day before delisted
    long long tenths = 0;  // current price in tenths
    Rng rng{0};
};

const char* const kHeads[] = {"北海", "東洋", "日本", "中央", "大和", "三協",  "新光", "富士",
                              "第一", "昭和", "平和", "明治", "山陽", "ｹｽﾄﾚﾙ", "ﾌﾟﾗﾝ", "アルファ"};
const char* const kTails[] = {"工業", "電機", "化学", "商事", "建設", "製薬", "物産", "精工",
                              "紡績", "食品", "運輸", "証券", "ﾃｸﾉ",  "興産", "鉄鋼", "ホールディングス"};

std::string fmtTenths(long long tenths, bool fractional) {
    char buf[32];
    if (fractional && tenths % 10 != 0)
        std::snprintf(buf, sizeof buf, "%lld.%lld", tenths / 10, tenths % 10);
    else
        std::snprintf(buf, sizeof buf, "%lld", tenths / 10);
    return buf;
}

std::vector<Issue> makeIssues(const GenOptions& o) {
    Rng rng(o.seed * 7919 + 17);
    std::vector<Issue> issues;
    const int total = o.from.daysUntil(o.to) + 1;
    for (int idx = 0; idx < 2; ++idx) {
        Issue ix;
        ix.code = 1001 + idx;
        ix.index = true;
        ix.name = idx == 0 ? "平均株価" : "総合指数";
        ix.volumeUnit = 1;
        ix.listed = o.from;
        ix.delisted = o.to.addDays(1);
        ix.tenths = idx == 0 ? 150000 : 12000;
        issues.push_back(ix);
    }
    const int n = std::max(0, std::min(o.issues, 8600));
    for (int i = 0; i < n; ++i) {
        Issue s;
        s.code = 1301 + static_cast<int>(static_cast<long long>(i) * 8698 / std::max(n, 1));
        if (s.code == 1001 || s.code == 1002)
            ++s.code;
        s.rng = Rng(o.seed ^ (static_cast<std::uint64_t>(s.code) * 0x100000001B3ULL));
        // Every file market code occurs: the first six issues take 0 to 5, the rest mostly Tokyo.
        static const int kWeighted[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 5, 5, 5, 2, 2, 3, 4};
        s.fileMarket = i < 6 ? i : kWeighted[rng.below(20)];
        s.name = std::string(kHeads[rng.below(16)]) + kTails[rng.below(16)];
        s.fractional = rng.uniform() < 0.2;
        s.priceUnit = s.fractional ? 10 : 1;
        s.volumeUnit = rng.uniform() < 0.7 ? 1000 : 100;
        s.listed = o.from;
        s.delisted = o.to.addDays(1);
        if (total > 20 && rng.uniform() < o.listingRate)
            s.listed = o.from.addDays(1 + rng.below(total - 10));
        else if (total > 20 && rng.uniform() < o.delistingRate)
            s.delisted = o.from.addDays(10 + rng.below(total - 10));
        s.tenths = (100 + rng.below(4900)) * 10LL;
        issues.push_back(s);
    }
    return issues;
}

bool inGap(const GenOptions& o, Date d) {
    return o.gapDays > 0 && d >= o.gapFrom && d < o.gapFrom.addDays(o.gapDays);
}

Status writeCp932(const std::string& folder, const std::string& name, const std::string& utf8) {
    auto bytes = utf8ToCp932(utf8);
    if (!bytes)
        return Status::error(name + ": CP932 にできない文字があります。");
    return writeFileAtomically(joinPath(folder, name), *bytes);
}

// One record line for a trading day; moves the issue's walk a step.
std::string dayRecord(Issue& s, const GenOptions& o) {
    Rng& r = s.rng;
    const long long prev = s.tenths;
    double step = r.gauss() * (s.index ? 0.01 : 0.02);
    long long close = std::max(10LL, static_cast<long long>(prev * (1.0 + step)));
    if (s.fractional && r.uniform() < 0.3)
        close = close / 10 * 10 + 5; // a half, to exercise rounding to the even neighbour
    else if (!s.fractional)
        close = close / 10 * 10;
    long long open = std::max(10LL, static_cast<long long>(prev * (1.0 + r.gauss() * 0.005)));
    if (!s.fractional)
        open = open / 10 * 10;
    long long high = std::max(open, close) + (s.fractional ? r.below(30) : r.below(3) * 10);
    long long low = std::max(10LL, std::min(open, close) - (s.fractional ? r.below(30) : r.below(3) * 10));
    std::string volume;
    if (!s.index && r.uniform() < o.zeroVolumeRate) {
        volume = "0"; // no trading: the converter repeats the last close
        open = high = low = close = prev;
    } else if (s.index) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d.%02d", 500 + r.below(2000), r.below(100));
        volume = buf;
    } else {
        volume = std::to_string(1 + r.below(5000));
    }
    s.tenths = close;
    return std::to_string(s.code) + "," + std::to_string(s.fileMarket) + "," + s.name + "," +
           fmtTenths(open, s.fractional) + "," + fmtTenths(high, s.fractional) + "," + fmtTenths(low, s.fractional) +
           "," + fmtTenths(close, s.fractional) + "," + volume + "\r\n";
}

} // namespace

bool isGeneratedHoliday(Date d) {
    const int m = d.month(), day = d.day();
    return (m == 1 && day <= 3) || (m == 2 && day == 11) || (m == 4 && day == 29) || (m == 5 && day >= 3 && day <= 5) ||
           (m == 11 && (day == 3 || day == 23)) || (m == 12 && day == 31);
}

Result<GenSummary> generateData(const GenOptions& o) {
    GenSummary sum;
    std::vector<Issue> issues = makeIssues(o);
    if (!o.masterFolder.empty()) {
        std::string text;
        int count = 0;
        std::string lines;
        for (const Issue& s : issues) {
            if (s.listed > o.from)
                continue;
            ++count;
            lines += std::to_string(s.code) + "," + std::to_string(import::marketFromFileCode(s.fileMarket)) + "," +
                     s.name + "," + std::to_string(s.volumeUnit) + "," + std::to_string(s.priceUnit) + "\r\n";
        }
        text = o.from.toYYYYMMDD() + "," + std::to_string(count) + "\r\n" + lines;
        if (Status st = writeCp932(o.masterFolder, "Regist.Mei", text); !st)
            return st;
    }
    Rng dayRng(o.seed * 31 + 7);
    for (Date d = o.from; d <= o.to; d = d.addDays(1)) {
        bool weekendFile = std::find(o.weekendFiles.begin(), o.weekendFiles.end(), d) != o.weekendFiles.end();
        bool trading = (!d.isWeekend() && !(o.holidays && isGeneratedHoliday(d)) && !inGap(o, d)) || weekendFile;
        if (trading) {
            std::string body;
            int count = 0;
            std::string repeated;
            for (Issue& s : issues) {
                if (d < s.listed || d >= s.delisted)
                    continue;
                std::string rec = dayRecord(s, o);
                if (repeated.empty() && count == 3)
                    repeated = rec;
                body += rec;
                ++count;
                if (import::isStoredFileMarket(s.fileMarket))
                    ++sum.storedRecords;
            }
            if (std::find(o.duplicateDays.begin(), o.duplicateDays.end(), d) != o.duplicateDays.end() &&
                !repeated.empty()) {
                body += repeated;
                ++count;
            }
            std::string text = d.toYYYYMMDD() + "\r\n" + std::to_string(count) + ",Kestrel\r\n" + body;
            if (Status st = writeCp932(o.dailyFolder, import::dailyFileName(d), text); !st)
                return st;
            ++sum.dailyFiles;
            sum.records += count;
        }
        if (!o.marginFolder.empty() && d.weekday() == 6 && !inGap(o, d)) {
            std::string body;
            int count = 0;
            for (const Issue& s : issues) {
                if (s.index || d < s.listed || d >= s.delisted || dayRng.uniform() < 0.4)
                    continue;
                int unit = s.volumeUnit == 1000 ? 1000 : 1;
                body += std::to_string(s.code) + "," + std::to_string(s.fileMarket) + "," + s.name + "," +
                        std::to_string(dayRng.below(2000)) + "," + std::to_string(dayRng.below(2000)) + "," +
                        std::to_string(unit) + "\r\n";
                ++count;
            }
            if (count == 0)
                continue;
            std::string text = d.toYYYYMMDD() + "\r\n" + std::to_string(count) + ",信用残\r\n" + body;
            if (Status st = writeCp932(o.marginFolder, import::marginFileName(d), text); !st)
                return st;
            ++sum.marginFiles;
        }
    }
    return sum;
}

} // namespace kestrel::gen
