#pragma once
// Company disclosures (決算短信 of a quarter or a year, forecast revisions) as the exchange's summaries
// give them, and their table Kessan. One row per disclosure number (DiscNo): an issue often has several
// the same day, so rows are never keyed by (code, date). Every figure is kept as the decimal text the
// service sent (exact yen, no binary rounding), "-" when the company called it undecided (未定), and
// nothing when it gave none ("" or a text that is not a number). Rows are ordered by (DiscDate, DiscTime,
// DiscNo), DiscNo compared as a number.
#include "core/app/Date.h"
#include "core/app/Status.h"
#include "core/db/Database.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::fins {

enum class DisclosureField {
    Sales,
    OP,
    OdP,
    NP,
    EPS,
    TA,
    Eq,
    EqAR,
    BPS,
    CFO,
    CFI,
    CFF,
    CashEq,
    DivAnn,
    ShOutFY,
    TrShFY,
    AvgSh,
    ROE,
    FSales,
    FOP,
    FOdP,
    FNP,
    FEPS,
    FDivAnn,
    NxFSales,
    NxFOP,
    NxFOdP,
    NxFNp,
    NxFEPS,
    NxFDivAnn
};
inline constexpr int kDisclosureFieldCount = 30;

// The kind of a stored figure.
enum class FigureKind { None, Undecided, Number };

// One figure: none, 未定, or a number with its exact decimal text.
struct Figure {
    FigureKind kind = FigureKind::None;
    std::string text; // the decimal text, for a number
    double value = 0; // the number, for computing
    bool isNumber() const { return kind == FigureKind::Number; }
};

// A figure read from the service's text: "" none, "-" 未定, a decimal number (optional sign, digits, at
// most one point, an optional exponent) a number; anything else none.
Figure figureOf(std::string_view text);

struct Disclosure {
    std::string discNo;
    int code = 0;      // our four-digit code
    std::string code5; // the service's code as given
    Date discDate;
    std::string discTime; // "HH:MM:SS" or ""
    std::string docType;
    std::string perType; // CurPerType: 1Q 2Q 3Q FY (4Q 5Q)
    std::optional<Date> curPerSt, curPerEn, curFYSt, curFYEn, nxtFYSt, nxtFYEn;
    std::array<Figure, kDisclosureFieldCount> figures;

    const Figure& operator[](DisclosureField f) const { return figures[static_cast<int>(f)]; }
    Figure& operator[](DisclosureField f) { return figures[static_cast<int>(f)]; }
    // A results row (…FinancialStatements…), as opposed to a forecast revision.
    bool isResults() const;
};

// Whether a comes before b in disclosure order (DiscDate, DiscTime, DiscNo as a number).
bool disclosedBefore(const Disclosure& a, const Disclosure& b);

// The rows of one or more /fins/summary pages. A value that is not a string counts as none; unknown
// keys are ignored. A row whose code has five characters ending in "0" with four digits is ours; other
// five-character codes (a preferred share, a code with letters) are counted in skipped; a code of any
// other length, or a row without DiscNo or a readable DiscDate, is left out with a line in problems.
// An error naming context when a page is not a JSON object with a "data" array.
struct DisclosurePage {
    std::vector<Disclosure> rows;
    int skipped = 0;
    std::vector<std::string> problems;
};
Result<DisclosurePage> parseDisclosures(const std::vector<std::string>& pages, const std::string& context);

// Writes the rows into Kessan in one transaction; a row whose DiscNo is stored replaces that row only.
// fetchedAt is "YYYY-MM-DD HH:MM:SS". The number of rows written.
Result<int> storeDisclosures(db::Database& db, const std::vector<Disclosure>& rows, const std::string& fetchedAt);
// The stored rows of one issue in disclosure order; none from a file that predates Kessan.
Result<std::vector<Disclosure>> loadDisclosures(db::Database& db, int code);

// A set of figure fields, a bit per DisclosureField.
using FieldSet = std::bitset<kDisclosureFieldCount>;
// For readers of the whole market: every issue's rows disclosed before `before`, one issue at a time in
// code order (each in disclosure order). Only the figures of `fields` are read (the others are none) and
// numbers come without their text. Nothing from a file that predates Kessan.
Status forEachIssueDisclosures(db::Database& db, Date before, const FieldSet& fields,
                               const std::function<void(int code, std::span<const Disclosure> rows)>& visit);

} // namespace kestrel::fins
