#pragma once
// Screens: a condition over the values of an issue's chart, written as a person would:
//   rsi <= 30 and ito > 0 and vr >= 60
//   close > ma2 and ma1[1] <= ma2[1] and ma1 > ma2
// Names are the fields of a chart bar (date as YYYYMMDD, open, high, low, close, closeCarried, change,
// volume, sellBalance, buyBalance, ma1..ma3, dev1..dev3, psych, rsi, vr, maAngle1..maAngle3, itoRatio
// or ito) of the bar at the chart date, or with [n] of the bar n bars before it in the same chart; and
// the curve's fitA, fitB, fitC, vertexBars (bars from the right edge to the curve's vertex) and
// vertexPrice, which belong to the whole chart and take no [n]. Operators: or, and, not, parentheses,
// = == != <> < <= > >=, + - * /, numbers. Names and words are ASCII, case-insensitive for words.
//
// The values of the technical set take [n] too (n bars back in the series, up to 1000): tenkan,
// kijun, span1, span2, bbMid, bbUp1..bbUp3, bbLo1..bbLo3, macd, macdSignal, macdHist, stochK, stochD,
// stochSD, rci1..rci3, pdi, mdi, adx, sar, envUp, envLo, hlHigh, hlLow (chart::technicalSeriesNames()),
// read from the ScreenTechnicals given to matches():
//   close > span1[25] and close > span2[25]
//   macd[1] <= macdSignal[1] and macd > macdSignal
//
// An issue matches only when every value the condition names exists: a bar n back inside its chart, a
// vertex (a curve with fitC != 0), a technical value that is not missing, and no division by zero.
#include "core/app/Currency.h"
#include "core/app/Status.h"
#include "core/chart/ChartData.h"
#include "core/chart/Indicators.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::scan {

// One value a screen or a screen's report names.
struct ScreenField {
    const char* name;
    bool perBar; // false: a value of the whole chart (no [n])
};
// Every bar field under its chart JSON name (date first), then the chart's curve values.
const std::vector<ScreenField>& screenFields();
// The value of field `index` of screenFields() for the bar `back` bars before the last one; nullopt
// when there is no such bar or value. date is YYYYMMDD.
std::optional<Currency> screenValue(const chart::ChartData& d, int index, int back);

// The technical values of one issue for a screen: the series of the families it names, computed over the
// issue's bars, and the index in them of the screen day's bar.
struct ScreenTechnicals {
    const chart::TechnicalValues* values = nullptr;
    int bar = -1;
    // The value of name `index` (chart::technicalSeriesNames()) `back` bars before `bar`; nullopt when
    // missing, not computed or before the series.
    std::optional<double> value(int index, int back) const;
};

// A technical value a screen names: the name's index in chart::technicalSeriesNames() and its [n].
struct ScreenTechnicalName {
    int index = 0, back = 0;
    // "macd", "span1[25]"
    std::string label() const;
    bool operator==(const ScreenTechnicalName&) const = default;
};

inline constexpr int kMaxTechnicalBack = 1000;

class Screen {
public:
    // Parses a condition; an error names the place ("条件式の 5 文字目: …") and nothing is kept.
    static Result<Screen> parse(std::string_view text);
    bool matches(const chart::ChartData& d) const;
    // The same with the technical values; without them a condition naming one never matches.
    bool matches(const chart::ChartData& d, const ScreenTechnicals& technicals) const;
    // The technical values the condition names, in the order written, each once.
    const std::vector<ScreenTechnicalName>& technicalNames() const { return m_technical; }
    // The families of those names (TechnicalFamily bits of ScreenTechnicals.h); 0 when it names none.
    unsigned technicalFamilies() const { return m_families; }
    // The largest [n] on a technical name (0 when none).
    int technicalBack() const { return m_technicalBack; }
    // How many of the chart's last bars the condition reads, when it names only values of the bars'
    // own series (no slope angle, Ito ratio or curve value): then a chart from MarketBars::seriesAt with
    // that many bars matches exactly as the whole chart does. nullopt otherwise.
    std::optional<int> seriesBars() const;
    const std::string& text() const { return m_text; }

    struct Node {
        enum Kind { Number, Field, Neg, Add, Sub, Mul, Div, Lt, Le, Gt, Ge, Eq, Ne, And, Or, Not, Technical } kind;
        double number = 0;
        int field = 0, back = 0; // Technical: field indexes chart::technicalSeriesNames()
        int left = -1, right = -1;
    };

private:
    std::string m_text;
    std::vector<Node> m_nodes;
    int m_root = -1;
    std::vector<ScreenTechnicalName> m_technical;
    unsigned m_families = 0;
    int m_technicalBack = 0;
};

// Saved screens: name=condition lines in a UTF-8 file, written atomically. A name is 1..40 characters
// without "=" or a line break.
Result<std::vector<std::pair<std::string, std::string>>> loadScreens(const std::string& path);
Status saveScreen(const std::string& path, const std::string& name, const std::string& condition);
// Removes the screen saved under `name`; NotFound when there is none (the file is left as it was).
Status deleteScreen(const std::string& path, const std::string& name);

} // namespace kestrel::scan
