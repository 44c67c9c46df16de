#include "core/fins/ResultsMarks.h"

#include "core/fins/FinsFigures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestrel::fins {
namespace {

using F = DisclosureField;

// The mark of a results row's period; "" for a period we cannot name.
std::string markLabel(const Disclosure& r) {
    if (r.perType == "FY")
        return "決";
    if (r.perType.size() == 2 && r.perType[1] == 'Q' && r.perType[0] >= '1' && r.perType[0] <= '5')
        return r.perType;
    return "";
}

std::string periodName(const Disclosure& r) {
    if (r.perType == "FY")
        return "本決算";
    if (r.perType.size() == 2 && r.perType[1] == 'Q')
        return std::string("第") + r.perType[0] + "四半期";
    return r.perType;
}

std::string fiscalYearName(const std::optional<Date>& fyEnd) {
    if (!fyEnd)
        return "";
    return std::to_string(fyEnd->year()) + "年" + std::to_string(fyEnd->month()) + "月期";
}

std::string basisOf(const std::string& docType) {
    std::string out;
    if (docType.find("NonConsolidated") != std::string::npos)
        out = "単独";
    else if (docType.find("Consolidated") != std::string::npos)
        out = "連結";
    const auto ends = [&](const char* s) {
        const std::string_view t(s);
        return docType.size() >= t.size() && docType.compare(docType.size() - t.size(), t.size(), t) == 0;
    };
    const char* standard = ends("_IFRS") ? "IFRS" : ends("_US") ? "米国基準" : ends("_JP") ? "日本基準" : "";
    if (*standard)
        out += (out.empty() ? "" : "・") + std::string(standard);
    return out;
}

std::string grouped(long long v) {
    const std::string digits = std::to_string(v < 0 ? -v : v);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

// 百万円, whole, ▲ for a negative.
std::string millions(const Figure& f) {
    if (f.kind == FigureKind::Undecided)
        return "未定";
    if (!f.isNumber() || !std::isfinite(f.value) || std::fabs(f.value) >= 1e24)
        return "−";
    const long long m = std::llround(f.value / 1e6);
    return (m < 0 ? "▲" : "") + grouped(m) + "百万円";
}

std::string perShare(const Figure& f) {
    if (f.kind == FigureKind::Undecided)
        return "未定";
    if (!f.isNumber() || !std::isfinite(f.value) || std::fabs(f.value) >= 1e15)
        return "−";
    char b[48];
    std::snprintf(b, sizeof b, "%.2f円", std::fabs(f.value));
    return (f.value < 0 ? "▲" : "") + std::string(b);
}

// "売上高 … 1株配 …" of the six fields, or "" when the row gives none of them.
std::string figuresLine(const Disclosure& r, const F (&fields)[6]) {
    static const char* const kNames[6] = {"売上高", "営業益", "経常益", "最終益", "1株益", "1株配"};
    bool any = false;
    std::string out;
    for (int k = 0; k < 6; ++k) {
        const Figure& f = r[fields[k]];
        any = any || f.kind != FigureKind::None;
        if (k == 5 && f.kind == FigureKind::None)
            continue; // a quarter gives no dividend
        out += (k ? "  " : "") + std::string(kNames[k]) + " " + (k >= 4 ? perShare(f) : millions(f));
    }
    return any ? out : "";
}

// countsOn, short of walking the calendar over years: the market never stays shut for three weeks.
bool countsBy(Date discDate, Date d, const db::MarketCalendar& calendar) {
    if (d <= discDate)
        return false;
    return discDate.daysUntil(d) > 21 || countsOn(discDate, d, calendar);
}

} // namespace

std::string resultsTooltip(const Disclosure& r) {
    std::string out = fiscalYearName(r.curFYEn);
    out += (out.empty() ? "" : " ") + periodName(r);
    if (const std::string basis = basisOf(r.docType); !basis.empty())
        out += "（" + basis + "）";
    out += "\n開示 " + r.discDate.toIso();
    if (r.discTime.size() >= 5)
        out += " " + r.discTime.substr(0, 5);
    static const F kActual[6] = {F::Sales, F::OP, F::OdP, F::NP, F::EPS, F::DivAnn};
    if (std::string line = figuresLine(r, kActual); !line.empty())
        out += "\n実績 " + line;
    // A full year's results carry next year's forecasts; a quarter's the current year's.
    static const F kCurrent[6] = {F::FSales, F::FOP, F::FOdP, F::FNP, F::FEPS, F::FDivAnn};
    static const F kNext[6] = {F::NxFSales, F::NxFOP, F::NxFOdP, F::NxFNp, F::NxFEPS, F::NxFDivAnn};
    const bool next = r.perType == "FY";
    if (std::string line = figuresLine(r, next ? kNext : kCurrent); !line.empty()) {
        const std::string year = fiscalYearName(next ? r.nxtFYEn : r.curFYEn);
        out += "\n予想" + (year.empty() ? std::string() : "（" + year + "）") + " " + line;
    }
    return out;
}

std::vector<ResultsMark> resultsMarks(std::span<const Disclosure> rows, std::span<const Date> barDates, Date firstDay,
                                      const db::MarketCalendar& calendar) {
    std::vector<ResultsMark> marks;
    if (barDates.empty())
        return marks;
    std::vector<const Disclosure*> ordered;
    for (const Disclosure& r : rows)
        if (r.isResults())
            ordered.push_back(&r);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Disclosure* a, const Disclosure* b) { return disclosedBefore(*a, *b); });
    const Date beforeFirst = firstDay.addDays(-1);
    std::optional<Date> latestPeriod;
    for (const Disclosure* r : ordered) {
        // A period no newer than one already disclosed is a correction.
        const bool again = r->curPerEn && latestPeriod && *r->curPerEn <= *latestPeriod;
        if (r->curPerEn && (!latestPeriod || *r->curPerEn > *latestPeriod))
            latestPeriod = r->curPerEn;
        const std::string label = markLabel(*r);
        if (again || label.empty() || countsBy(r->discDate, beforeFirst, calendar))
            continue;
        // The first bar on which it counts (counting only grows with the day).
        const auto at = std::partition_point(barDates.begin(), barDates.end(),
                                             [&](Date d) { return !countsBy(r->discDate, d, calendar); });
        if (at == barDates.end())
            continue;
        const int bar = static_cast<int>(at - barDates.begin());
        const std::string tip = resultsTooltip(*r);
        if (!marks.empty() && marks.back().bar == bar) {
            marks.back().label = label;
            marks.back().tooltip += "\n\n" + tip;
        } else {
            marks.push_back({bar, label, tip});
        }
    }
    // Disclosure order and bar order agree except across a correction: keep the marks in bar order.
    std::stable_sort(marks.begin(), marks.end(),
                     [](const ResultsMark& a, const ResultsMark& b) { return a.bar < b.bar; });
    return marks;
}

Result<std::vector<ResultsMark>> resultsMarksOfIssue(db::Database& db, int code, std::span<const Date> barDates,
                                                     Date firstDay) {
    if (barDates.empty())
        return std::vector<ResultsMark>{};
    auto rows = loadDisclosures(db, code);
    if (!rows)
        return rows.status();
    if (rows->empty())
        return std::vector<ResultsMark>{};
    // The days a mark's placement looks at: a disclosure counts within three weeks.
    auto calendar = db::loadCalendar(db, firstDay.addDays(-22), barDates.back());
    if (!calendar)
        return calendar.status();
    return resultsMarks(*rows, barDates, firstDay, *calendar);
}

} // namespace kestrel::fins
