#include "core/scan/ScreenNames.h"

#include "core/scan/Screen.h"

#include <algorithm>
#include <cctype>

namespace kestrel::scan {

const std::vector<ScreenName>& screenNames() {
    static const std::vector<ScreenName> kNames = {
        {"date", "日付", "足の日付（YYYYMMDD）", "date >= 20250101"},
        {"open", "始値", "始値（円）", "open < close"},
        {"high", "高値", "高値（円）", "high >= high[1]"},
        {"low", "安値", "安値（円）", "low > low[1]"},
        {"close", "終値", "終値（円）", "close > 1000"},
        {"closeCarried", "終値補完", "終値（売買のない日は前の終値）", "closeCarried[9] > 0"},
        {"change", "前日比", "前日比（円）", "change > 0"},
        {"volume", "出来高", "出来高（株）", "volume >= 100000"},
        {"sellBalance", "売残", "信用売残（株、週足）", "sellBalance > buyBalance"},
        {"buyBalance", "買残", "信用買残（株、週足）", "buyBalance < buyBalance[1]"},
        {"ma1", "平均1", "移動平均1（円）", "close > ma1"},
        {"ma2", "平均2", "移動平均2（円）", "ma1 > ma2 and ma1[1] <= ma2[1]"},
        {"ma3", "平均3", "移動平均3（円）", "ma2 > ma3"},
        {"dev1", "乖離1", "移動平均1からの乖離（%、小数 1 桁）", "dev1 < -5"},
        {"dev2", "乖離2", "移動平均2からの乖離（%、小数 1 桁）", "dev2 > 10"},
        {"dev3", "乖離3", "移動平均3からの乖離（%、小数 1 桁）", "dev3 <= -20"},
        {"psych", "ｻｲｺﾛ", "サイコロジカルライン（%）", "psych <= 25"},
        {"rsi", "RSI", "RSI（%）", "rsi <= 30"},
        {"vr", "VR", "ボリュームレシオ（%）", "vr >= 60"},
        {"maAngle1", "角度1", "移動平均1の傾き", "maAngle1 > 0"},
        {"maAngle2", "角度2", "移動平均2の傾き", "maAngle2 > 0"},
        {"maAngle3", "角度3", "移動平均3の傾き", "maAngle3 > 0"},
        {"itoRatio", "伊藤", "伊藤レシオ（ito とも書けます）", "ito > 0"},
        {"fitA", "曲線A", "二次曲線の定数項（チャート全体の値）", "fitA > 0"},
        {"fitB", "曲線B", "二次曲線の一次の係数（チャート全体の値）", "fitB < 0"},
        {"fitC", "曲線C", "二次曲線の二次の係数（チャート全体の値）", "fitC > 0"},
        {"vertexBars", "頂点", "右端から二次曲線の頂点までの本数", "vertexBars < 5"},
        {"vertexPrice", "頂点株価", "二次曲線の頂点の株価（円）", "vertexPrice < close"},
        // The company's figures as of the screen's day (only what was disclosed before it).
        {"fper", "予想PER", "予想PER（倍）", "fper < 12"},
        {"per", "実績PER", "実績PER（倍）", "per < 15"},
        {"pbr", "PBR", "PBR（倍）", "pbr < 1"},
        {"yield", "予想配当利回り", "予想配当利回り（%）", "yield >= 3"},
        {"mktcap", "時価総額", "時価総額（億円）", "mktcap >= 1000"},
        {"roe", "ROE", "ROE（%）", "roe >= 10"},
        {"equityRatio", "自己資本比率", "自己資本比率（%）", "equityRatio >= 50"},
        {"salesGrowth", "売上成長率", "売上高の前年比（%）", "salesGrowth > 10"},
        {"opGrowth", "営業益成長率", "営業利益の前年比（%）", "opGrowth > 10"},
        {"epsGrowth", "EPS成長率", "1株益の前年比（%）", "epsGrowth > 10"},
    };
    return kNames;
}

namespace {

bool sameAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The characters of a UTF-8 text (ASCII letters lowered), for counting edits by character.
std::vector<std::string> characters(std::string_view text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        size_t j = i + 1;
        while (j < text.size() && (static_cast<unsigned char>(text[j]) & 0xC0) == 0x80)
            ++j;
        std::string c(text.substr(i, j - i));
        if (c.size() == 1)
            c[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(c[0])));
        out.push_back(std::move(c));
        i = j;
    }
    return out;
}

size_t editDistance(std::string_view a, std::string_view b) {
    const auto x = characters(a), y = characters(b);
    std::vector<size_t> row(y.size() + 1);
    for (size_t j = 0; j <= y.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= x.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= y.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[y.size()];
}

} // namespace

int fieldNamed(std::string_view name) {
    const auto& names = screenNames();
    if (sameAscii(name, "ito"))
        name = "itoRatio";
    if (name == "サイコロ")
        name = "ｻｲｺﾛ";
    for (size_t i = 0; i < names.size(); ++i)
        if (sameAscii(name, names[i].name) || name == names[i].japanese)
            return static_cast<int>(i);
    return -1;
}

std::vector<std::string> nearestScreenNames(std::string_view name) {
    const bool japanese = std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; });
    const size_t length = characters(name).size();
    // Near: at most a third of the longer name's characters changed, and at least one kept.
    std::vector<std::pair<size_t, std::string>> found;
    for (const ScreenName& n : screenNames()) {
        const std::string known = japanese ? n.japanese : n.name;
        const size_t d = editDistance(name, known);
        const size_t longer = std::max(length, characters(known).size());
        if (d < longer && d * 3 <= longer + 2)
            found.emplace_back(d, known);
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (size_t i = 0; i < found.size() && i < 3; ++i)
        out.push_back(found[i].second);
    return out;
}

std::string normaliseScreenText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (i + 2 < text.size()) {
            const auto b1 = static_cast<unsigned char>(text[i + 1]), b2 = static_cast<unsigned char>(text[i + 2]);
            // U+FF01..U+FF3F: EF BC 81..BF; U+FF40..U+FF5E: EF BD 80..9E (half-width katakana stay).
            if (c == 0xEF && b1 == 0xBC && b2 >= 0x81) {
                out += static_cast<char>(0x21 + (b2 - 0x81));
                i += 2;
                continue;
            }
            if (c == 0xEF && b1 == 0xBD && b2 >= 0x80 && b2 <= 0x9E) {
                out += static_cast<char>(0x60 + (b2 - 0x80));
                i += 2;
                continue;
            }
            if ((c == 0xE3 && b1 == 0x80 && b2 == 0x80) || (c == 0xE2 && b1 == 0x88 && b2 == 0x92)) {
                out += c == 0xE3 ? ' ' : '-';
                i += 2;
                continue;
            }
        }
        out += static_cast<char>(c);
    }
    return out;
}

namespace {

// value rounded half to even at `decimals` decimals (0 to 4), written with exactly that many.
std::string fixed(Currency value, int decimals) {
    std::int64_t step = Currency::kScale;
    for (int i = 0; i < decimals; ++i)
        step /= 10;
    const std::int64_t raw = value.raw();
    std::int64_t q = raw / step, r = raw % step;
    if (r < 0) {
        r += step;
        --q;
    }
    if (2 * r > step || (2 * r == step && q % 2 != 0))
        ++q;
    const bool negative = q < 0;
    std::string digits = std::to_string(negative ? -q : q);
    if (decimals > 0) {
        while (static_cast<int>(digits.size()) <= decimals)
            digits.insert(0, "0");
        digits.insert(digits.size() - static_cast<size_t>(decimals), ".");
    }
    return negative ? "-" + digits : digits;
}

} // namespace

std::string screenValueText(int field, Currency value) {
    const std::string_view name = field >= 0 && field < static_cast<int>(screenNames().size())
                                      ? std::string_view(screenNames()[static_cast<size_t>(field)].name)
                                      : std::string_view();
    if (name == "dev1" || name == "dev2" || name == "dev3")
        return fixed(value, 1);
    if (name == "itoRatio")
        return fixed(value, 2);
    if (value.isWhole())
        return fixed(value, 0);
    std::string text = fixed(value, 4);
    while (text.back() == '0')
        text.pop_back();
    return text;
}

std::string screenNamesHelp() {
    std::string text;
    for (const ScreenName& n : screenNames())
        text += std::string(n.name) + "（" + n.japanese + "）: " + n.meaning + "　例: " + n.example + "\n";
    return text;
}

} // namespace kestrel::scan
