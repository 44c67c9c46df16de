#pragma once
// Screens: a condition over the values of an issue's chart, written as a person would:
//   rsi <= 30 and ito > 0 and vr >= 60
//   close > ma2 and ma1[1] <= ma2[1] and ma1 > ma2
// Names are the fields of a chart bar (date as YYYYMMDD, open, high, low, close, closeCarried, change,
// volume, sellBalance, buyBalance, ma1..ma3, dev1..dev3 (percent, one decimal: dev1 < -5 is below
// -5 %), psych, rsi, vr, maAngle1..maAngle3, itoRatio or ito), or the Japanese name of each (終値, 出来高,
// 乖離1 …; see ScreenNames.h), of the bar at the chart date, or with [n] of the bar n bars before it in the same chart;
// and the curve's fitA, fitB, fitC, vertexBars (bars from the right edge to the curve's vertex) and vertexPrice, which
// belong to the whole chart and take no [n]. Operators: or, and, not, parentheses, = == != <> < <= > >=, + - * /,
// numbers. English names and words are case-insensitive; full-width letters, digits and signs typed through the IME
// read as ASCII. An unknown name is refused with the nearest known names.
//
// The company's figures as of the screen's day, with only what was disclosed before it, take no [n]
// either: fper (予想PER), per, pbr, yield (予想配当利回り, %), mktcap (時価総額, 億円), roe (%), equityRatio
// (自己資本比率, %), salesGrowth, opGrowth and epsGrowth (% against the year before).
//
// The values of the technical set take [n] too (n bars back in the series, up to 1000): tenkan,
// kijun, span1, span2, bbMid, bbUp1..bbUp3, bbLo1..bbLo3, macd, macdSignal, macdHist, stochK, stochD,
// stochSD, rci1..rci3, pdi, mdi, adx, sar, envUp, envLo, hlHigh, hlLow (chart::technicalSeriesNames()),
// read from the ScreenTechnicals given to matches():
//   close > span1[25] and close > span2[25]
//   macd[1] <= macdSignal[1] and macd > macdSignal
//
// An issue matches only when every value the condition names exists: a bar n back inside its chart, a
// vertex (a curve with fitC != 0), a company figure, a technical value that is not missing, and no division
// by zero.
#include "core/app/Currency.h"
#include "core/app/Status.h"
#include "core/chart/ChartData.h"
#include "core/chart/Indicators.h"

#include <array>
#include <bitset>
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
// Every bar field under its chart JSON name (date first), then the chart's curve values, then the
// company figures (kFinsFieldCount of them from kFirstFinsField, in the order named above).
const std::vector<ScreenField>& screenFields();
inline constexpr int kFirstFinsField = 28;
inline constexpr int kFinsFieldCount = 10;
// An issue's company figures as of the screen's day, in the order of screenFields() from kFirstFinsField.
using ScreenFins = std::array<std::optional<double>, kFinsFieldCount>;
// The value of field `index` of screenFields() for the bar `back` bars before the last one; nullopt
// when there is no such bar or value. date is YYYYMMDD. A company figure comes from fins (rounded to the
// four decimals of a Currency), none without it.
std::optional<Currency> screenValue(const chart::ChartData& d, int index, int back, const ScreenFins* fins = nullptr);

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
    // fins: the company figures; a condition naming one never matches without them.
    bool matches(const chart::ChartData& d, const ScreenFins* fins = nullptr) const;
    // The company figures the condition names, a bit per figure from kFirstFinsField (the run then
    // reads the disclosures); none when it names none.
    std::bitset<kFinsFieldCount> finsNamed() const;
    // The same with the technical values; without them a condition naming one never matches.
    bool matches(const chart::ChartData& d, const ScreenTechnicals& technicals, const ScreenFins* fins = nullptr) const;
    // The technical values the condition names, in the order written, each once.
    const std::vector<ScreenTechnicalName>& technicalNames() const { return m_technical; }
    // The families of those names (TechnicalFamily bits of ScreenTechnicals.h); 0 when it names none.
    unsigned technicalFamilies() const { return m_families; }
    // The largest [n] on a technical name (0 when none).
    int technicalBack() const { return m_technicalBack; }
    // How many of the chart's last bars the condition reads, when it names only values of the bars'
    // own series and company figures (no slope angle, Ito ratio or curve value): then a chart from MarketBars::seriesAt
    // with that many bars matches exactly as the whole chart does. nullopt otherwise.
    std::optional<int> seriesBars() const;
    // How many of the chart's last bars the condition reads, when it names only company figures and the
    // stored values of bars (date, open, high, low, close, change, volume and the balances; no series, no
    // carried close, no curve or technical value): each of those is the bar's own, split-adjusted, so a
    // window of one bar more than that (the bar before the oldest named one places a split) judges as the
    // whole chart does. nullopt otherwise.
    std::optional<int> storedBars() const;
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

// Saved screens: name=condition lines in a UTF-8 file, written atomically, after a first line that
// says the deviations are in percent. A name is 1..40 characters without "=" or a line break.
// A file without that line was written when dev1..dev3 were tenths of a percent: loadScreens converts
// its conditions once (devConditionInPercent), writes the file back marked, and names in converted the
// screens whose condition changed.
Result<std::vector<std::pair<std::string, std::string>>> loadScreens(const std::string& path,
                                                                     std::vector<std::string>* converted = nullptr);
// A condition written for deviations in tenths of a percent, rewritten for percent: a deviation compared
// with a number has the number divided by ten ("dev1 < -50" is "dev1 < -5"); any other use becomes
// "(devN * 10)". A condition without a deviation comes back as it was.
std::string devConditionInPercent(const std::string& condition);
// The notice naming the converted screens; empty when none was.
std::string screensConvertedNotice(const std::vector<std::string>& names);
Status saveScreen(const std::string& path, const std::string& name, const std::string& condition);
// Removes the screen saved under `name`; NotFound when there is none (the file is left as it was).
Status deleteScreen(const std::string& path, const std::string& name);

} // namespace kestrel::scan
