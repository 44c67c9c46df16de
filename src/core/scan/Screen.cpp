// The screen language: a tokenizer and a recursive-descent parser into a small tree, and its evaluation.
#include "core/scan/Screen.h"

#include "core/app/Files.h"
#include "core/scan/ScreenNames.h"
#include "core/scan/ScreenTechnicals.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>

namespace kestrel::scan {
namespace {

using chart::ChartBar;
using chart::ChartData;

Currency whole(long long v) {
    return Currency::fromWhole(v);
}

// A deviation as the chart keeps it (per mille) in percent: -22 is -2.2.
Currency devPercent(std::int16_t perMille) {
    return Currency::fromRaw(static_cast<std::int64_t>(perMille) * (Currency::kScale / 10));
}

const std::vector<ScreenField> kChartFields = {
    {"date", true},         {"open", true},        {"high", true},         {"low", true},         {"close", true},
    {"closeCarried", true}, {"change", true},      {"volume", true},       {"sellBalance", true}, {"buyBalance", true},
    {"ma1", true},          {"ma2", true},         {"ma3", true},          {"dev1", true},        {"dev2", true},
    {"dev3", true},         {"psych", true},       {"rsi", true},          {"vr", true},          {"maAngle1", true},
    {"maAngle2", true},     {"maAngle3", true},    {"itoRatio", true},     {"fitA", false},       {"fitB", false},
    {"fitC", false},        {"vertexBars", false}, {"vertexPrice", false},
};
// The company figures as of the day, from kFirstFinsField on.
const std::vector<ScreenField> kFinsFields = {
    {"fper", false}, {"per", false},         {"pbr", false},         {"yield", false},    {"mktcap", false},
    {"roe", false},  {"equityRatio", false}, {"salesGrowth", false}, {"opGrowth", false}, {"epsGrowth", false},
};
const std::vector<ScreenField> kFields = [] {
    std::vector<ScreenField> all = kChartFields;
    all.insert(all.end(), kFinsFields.begin(), kFinsFields.end());
    return all;
}();

Currency barValue(const ChartBar& b, int i) {
    switch (i) {
    case 0:
        return whole(b.date.ymd());
    case 1:
        return b.open;
    case 2:
        return b.high;
    case 3:
        return b.low;
    case 4:
        return b.close;
    case 5:
        return b.closeCarried;
    case 6:
        return b.change;
    case 7:
        return whole(b.volume);
    case 8:
        return whole(b.sellBalance);
    case 9:
        return whole(b.buyBalance);
    case 10:
        return b.ma1;
    case 11:
        return b.ma2;
    case 12:
        return b.ma3;
    case 13:
        return devPercent(b.dev1);
    case 14:
        return devPercent(b.dev2);
    case 15:
        return devPercent(b.dev3);
    case 16:
        return whole(b.psych);
    case 17:
        return whole(b.rsi);
    case 18:
        return whole(b.vr);
    case 19:
        return b.maAngle1;
    case 20:
        return b.maAngle2;
    case 21:
        return b.maAngle3;
    default:
        return b.itoRatio;
    }
}

bool sameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

struct Token {
    enum Kind { End, Num, Name, Op, LParen, RParen, LBrack, RBrack } kind = End;
    std::string text;
    size_t at = 0; // byte offset
};

class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    Result<int> run(std::vector<Screen::Node>& nodes) {
        m_nodes = &nodes;
        if (Status s = tokenize(); !s)
            return s;
        if (m_tokens.size() == 1)
            return Result<int>::error("条件式が空です。");
        auto root = orExpr();
        if (!root)
            return root.status();
        if (peek().kind != Token::End)
            return fail(peek().at, "余分な「" + peek().text + "」があります。");
        if (!root->boolean)
            return fail(0, "条件（比較）になっていません。");
        return root->node;
    }

private:
    struct Sub {
        int node;
        bool boolean;
        size_t at;
    };

    // The place as a character count from 1 (UTF-8 aware).
    std::string place(size_t at) const {
        int chars = 1;
        for (size_t i = 0; i < at && i < m_text.size(); ++i)
            if ((static_cast<unsigned char>(m_text[i]) & 0xC0) != 0x80)
                ++chars;
        return "条件式の " + std::to_string(chars) + " 文字目: ";
    }
    Status fail(size_t at, const std::string& what) const { return Status::error(place(at) + what); }

    Status tokenize() {
        size_t i = 0;
        while (i < m_text.size()) {
            const unsigned char c = static_cast<unsigned char>(m_text[i]);
            if (std::isspace(c)) {
                ++i;
                continue;
            }
            Token t;
            t.at = i;
            if (std::isdigit(c) ||
                (c == '.' && i + 1 < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[i + 1])))) {
                size_t j = i;
                bool dot = false;
                while (j < m_text.size() &&
                       (std::isdigit(static_cast<unsigned char>(m_text[j])) || (m_text[j] == '.' && !dot))) {
                    dot = dot || m_text[j] == '.';
                    ++j;
                }
                t.kind = Token::Num;
                t.text = std::string(m_text.substr(i, j - i));
                i = j;
            } else if (std::isalpha(c) || c == '_' || c >= 0x80) {
                // ASCII names, and the Japanese names of the screening headers ("終値", "乖離1").
                size_t j = i;
                while (j < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[j])) || m_text[j] == '_' ||
                                             static_cast<unsigned char>(m_text[j]) >= 0x80))
                    ++j;
                t.kind = Token::Name;
                t.text = std::string(m_text.substr(i, j - i));
                i = j;
            } else if (c == '(' || c == ')' || c == '[' || c == ']') {
                t.kind = c == '(' ? Token::LParen : c == ')' ? Token::RParen : c == '[' ? Token::LBrack : Token::RBrack;
                t.text = std::string(1, static_cast<char>(c));
                ++i;
            } else if (std::string_view("<>=!+-*/").find(static_cast<char>(c)) != std::string_view::npos) {
                std::string two(m_text.substr(i, 2));
                if (two == "<=" || two == ">=" || two == "==" || two == "!=" || two == "<>") {
                    t.text = two;
                    i += 2;
                } else if (c == '!') {
                    return fail(i, "「!」の後には「=」が必要です。");
                } else {
                    t.text = std::string(1, static_cast<char>(c));
                    ++i;
                }
                t.kind = Token::Op;
            } else {
                size_t j = i + 1;
                while (j < m_text.size() && (static_cast<unsigned char>(m_text[j]) & 0xC0) == 0x80)
                    ++j;
                return fail(i, "使えない文字「" + std::string(m_text.substr(i, j - i)) + "」です。");
            }
            m_tokens.push_back(std::move(t));
        }
        Token end;
        end.at = m_text.size();
        end.text = "(終わり)";
        m_tokens.push_back(end);
        return Status::ok();
    }

    const Token& peek() const { return m_tokens[m_pos]; }
    bool isWord(const char* w) const { return peek().kind == Token::Name && sameWord(peek().text, w); }
    bool isOp(const char* op) const { return peek().kind == Token::Op && peek().text == op; }

    int add(Screen::Node n) {
        m_nodes->push_back(n);
        return static_cast<int>(m_nodes->size()) - 1;
    }
    int binary(Screen::Node::Kind k, int l, int r) {
        Screen::Node n{k};
        n.left = l;
        n.right = r;
        return add(n);
    }

    Result<Sub> logical(bool isOr) {
        auto left = isOr ? logical(false) : notExpr();
        if (!left)
            return left;
        const char* word = isOr ? "or" : "and";
        while (isWord(word)) {
            const size_t at = peek().at;
            ++m_pos;
            auto right = isOr ? logical(false) : notExpr();
            if (!right)
                return right;
            if (!left->boolean)
                return fail(left->at, std::string("「") + word + "」の左は条件（比較）にしてください。");
            if (!right->boolean)
                return fail(right->at, std::string("「") + word + "」の右は条件（比較）にしてください。");
            left = Sub{binary(isOr ? Screen::Node::Or : Screen::Node::And, left->node, right->node), true, at};
        }
        return left;
    }
    Result<Sub> orExpr() { return logical(true); }

    Result<Sub> notExpr() {
        if (isWord("not")) {
            const size_t at = peek().at;
            ++m_pos;
            auto inner = notExpr();
            if (!inner)
                return inner;
            if (!inner->boolean)
                return fail(inner->at, "「not」の後は条件（比較）にしてください。");
            return Sub{binary(Screen::Node::Not, inner->node, -1), true, at};
        }
        return comparison();
    }

    Result<Sub> comparison() {
        auto left = sum();
        if (!left)
            return left;
        static const std::pair<const char*, Screen::Node::Kind> kOps[] = {
            {"<", Screen::Node::Lt}, {"<=", Screen::Node::Le}, {">", Screen::Node::Gt},  {">=", Screen::Node::Ge},
            {"=", Screen::Node::Eq}, {"==", Screen::Node::Eq}, {"!=", Screen::Node::Ne}, {"<>", Screen::Node::Ne}};
        for (const auto& [text, kind] : kOps)
            if (isOp(text)) {
                ++m_pos;
                auto right = sum();
                if (!right)
                    return right;
                if (left->boolean)
                    return fail(left->at, "比較の左辺は数値にしてください。");
                if (right->boolean)
                    return fail(right->at, "比較の右辺は数値にしてください。");
                if (peek().kind == Token::Op && std::string_view("<>=!").find(peek().text[0]) != std::string_view::npos)
                    return fail(peek().at, "比較は続けて書けません。and でつないでください。");
                return Sub{binary(kind, left->node, right->node), true, left->at};
            }
        return left;
    }

    Result<Sub> arithmetic(bool additive) {
        auto left = additive ? arithmetic(false) : unary();
        if (!left)
            return left;
        for (;;) {
            Screen::Node::Kind kind;
            if (additive && isOp("+"))
                kind = Screen::Node::Add;
            else if (additive && isOp("-"))
                kind = Screen::Node::Sub;
            else if (!additive && isOp("*"))
                kind = Screen::Node::Mul;
            else if (!additive && isOp("/"))
                kind = Screen::Node::Div;
            else
                return left;
            const size_t at = peek().at;
            ++m_pos;
            auto right = additive ? arithmetic(false) : unary();
            if (!right)
                return right;
            if (left->boolean || right->boolean)
                return fail(left->boolean ? left->at : right->at, "計算できるのは数値だけです。");
            left = Sub{binary(kind, left->node, right->node), false, left->at};
            (void)at;
        }
    }
    Result<Sub> sum() { return arithmetic(true); }

    Result<Sub> unary() {
        if (isOp("-")) {
            const size_t at = peek().at;
            ++m_pos;
            auto inner = unary();
            if (!inner)
                return inner;
            if (inner->boolean)
                return fail(inner->at, "計算できるのは数値だけです。");
            return Sub{binary(Screen::Node::Neg, inner->node, -1), false, at};
        }
        return primary();
    }

    Result<Sub> primary() {
        const Token t = peek();
        if (t.kind == Token::Num) {
            ++m_pos;
            Screen::Node n{Screen::Node::Number};
            n.number = std::stod(t.text);
            return Sub{add(n), false, t.at};
        }
        if (t.kind == Token::LParen) {
            ++m_pos;
            auto inner = orExpr();
            if (!inner)
                return inner;
            if (peek().kind != Token::RParen)
                return fail(peek().at, "「)」が必要です。");
            ++m_pos;
            inner->at = t.at;
            return inner;
        }
        if (t.kind == Token::Name && !sameWord(t.text, "and") && !sameWord(t.text, "or") && !sameWord(t.text, "not")) {
            const int field = fieldNamed(t.text);
            if (field < 0) {
                if (const int tech = technicalIndex(t.text); tech >= 0)
                    return technical(t, tech);
                const std::vector<std::string> near = nearestScreenNames(t.text);
                std::string hint;
                for (const std::string& n : near)
                    hint += (hint.empty() ? "" : "、") + ("「" + n + "」");
                return fail(t.at, "「" + t.text + "」という名前はありません。" +
                                      (hint.empty() ? std::string() : "近い名前: " + hint + "。"));
            }
            ++m_pos;
            Screen::Node n{Screen::Node::Field};
            n.field = field;
            if (peek().kind == Token::LBrack) {
                const size_t at = peek().at;
                ++m_pos;
                if (!kFields[static_cast<size_t>(field)].perBar)
                    return fail(t.at, std::string(kFields[static_cast<size_t>(field)].name) +
                                          " はチャート全体の値なので [n] は付けられません。");
                const Token& num = peek();
                if (num.kind != Token::Num || num.text.find('.') != std::string::npos)
                    return fail(num.at, "[ ] の中には何本前かを整数で書いてください。");
                if (num.text.size() > 4 || std::stoi(num.text) >= chart::kMaxBars)
                    return fail(num.at, "チャートは 110 本なので、さかのぼれるのは 109 本前までです。");
                n.back = std::stoi(num.text);
                ++m_pos;
                if (peek().kind != Token::RBrack)
                    return fail(peek().at, "「]」が必要です。");
                ++m_pos;
                (void)at;
            }
            return Sub{add(n), false, t.at};
        }
        return fail(t.at, "数か名前か「(」が必要なところに「" + t.text + "」があります。");
    }

    // A technical name and its [n] (n up to kMaxTechnicalBack).
    Result<Sub> technical(const Token& t, int index) {
        ++m_pos;
        Screen::Node n{Screen::Node::Technical};
        n.field = index;
        if (peek().kind == Token::LBrack) {
            ++m_pos;
            const Token& num = peek();
            if (num.kind != Token::Num || num.text.find('.') != std::string::npos)
                return fail(num.at, "[ ] の中には何本前かを整数で書いてください。");
            if (num.text.size() > 4 || std::stoi(num.text) > kMaxTechnicalBack)
                return fail(num.at, "さかのぼれるのは " + std::to_string(kMaxTechnicalBack) + " 本前までです。");
            n.back = std::stoi(num.text);
            ++m_pos;
            if (peek().kind != Token::RBrack)
                return fail(peek().at, "「]」が必要です。");
            ++m_pos;
        }
        return Sub{add(n), false, t.at};
    }

    std::string_view m_text;
    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    std::vector<Screen::Node>* m_nodes = nullptr;
};

struct Eval {
    const std::vector<Screen::Node>& nodes;
    const ChartData& d;
    const ScreenFins* fins = nullptr;
    const ScreenTechnicals& technicals;
    bool missing = false;

    double num(int i) {
        const Screen::Node& n = nodes[static_cast<size_t>(i)];
        switch (n.kind) {
        case Screen::Node::Number:
            return n.number;
        case Screen::Node::Field: {
            if (n.field >= kFirstFinsField) { // unrounded, as the figures are shown
                const std::optional<double> f =
                    fins ? (*fins)[static_cast<size_t>(n.field - kFirstFinsField)] : std::nullopt;
                missing = missing || !f;
                return f.value_or(0);
            }
            auto v = screenValue(d, n.field, n.back);
            if (!v) {
                missing = true;
                return 0;
            }
            return v->toDouble();
        }
        case Screen::Node::Technical: {
            auto v = technicals.value(n.field, n.back);
            if (!v) {
                missing = true;
                return 0;
            }
            return *v;
        }
        case Screen::Node::Neg:
            return -num(n.left);
        case Screen::Node::Add:
            return num(n.left) + num(n.right);
        case Screen::Node::Sub:
            return num(n.left) - num(n.right);
        case Screen::Node::Mul:
            return num(n.left) * num(n.right);
        case Screen::Node::Div: {
            const double l = num(n.left), r = num(n.right);
            if (r == 0) {
                missing = true;
                return 0;
            }
            return l / r;
        }
        default:
            return truth(i) ? 1 : 0;
        }
    }
    bool truth(int i) {
        const Screen::Node& n = nodes[static_cast<size_t>(i)];
        switch (n.kind) {
        case Screen::Node::Lt:
            return num(n.left) < num(n.right);
        case Screen::Node::Le:
            return num(n.left) <= num(n.right);
        case Screen::Node::Gt:
            return num(n.left) > num(n.right);
        case Screen::Node::Ge:
            return num(n.left) >= num(n.right);
        case Screen::Node::Eq:
            return num(n.left) == num(n.right);
        case Screen::Node::Ne:
            return num(n.left) != num(n.right);
        case Screen::Node::And: {
            const bool l = truth(n.left);
            return truth(n.right) && l;
        }
        case Screen::Node::Or: {
            const bool l = truth(n.left);
            return truth(n.right) || l;
        }
        case Screen::Node::Not:
            return !truth(n.left);
        default:
            return num(i) != 0;
        }
    }
};

} // namespace

const std::vector<ScreenField>& screenFields() {
    return kFields;
}

std::optional<Currency> screenValue(const ChartData& d, int index, int back, const ScreenFins* fins) {
    if (index >= kFirstFinsField && index < kFirstFinsField + kFinsFieldCount) {
        const std::optional<double> f = fins ? (*fins)[static_cast<size_t>(index - kFirstFinsField)] : std::nullopt;
        if (!f || !std::isfinite(*f) || std::fabs(*f) > 1e12)
            return std::nullopt;
        return Currency::fromRaw(std::llround(*f * Currency::kScale));
    }
    const int n = d.barCount;
    if (index < 0 || index >= static_cast<int>(kFields.size()) || n <= 0)
        return std::nullopt;
    if (kFields[static_cast<size_t>(index)].perBar) {
        if (back < 0 || back >= n)
            return std::nullopt;
        return barValue(d.bars[static_cast<size_t>(n - 1 - back)], index);
    }
    switch (index) {
    case 23:
        return d.fitA;
    case 24:
        return d.fitB;
    case 25:
        return d.fitC;
    default:
        break;
    }
    if (d.fitC.raw() == 0)
        return std::nullopt;
    // The vertex of c·x² + b·x + a lies at x = -b / 2c from the centre bar.
    const double c = d.fitC.toDouble(), b = d.fitB.toDouble(), a = d.fitA.toDouble();
    const double x = -b / (2 * c);
    auto held = [](double v) { return Currency::fromRaw(std::llround(v * Currency::kScale)); };
    if (!std::isfinite(x) || std::fabs(x) > 1e9)
        return std::nullopt;
    if (index == 26)
        return held(static_cast<double>(n - d.center) - x);
    return held(c * x * x + b * x + a);
}

std::optional<double> ScreenTechnicals::value(int index, int back) const {
    const auto names = chart::technicalSeriesNames();
    if (!values || index < 0 || index >= static_cast<int>(names.size()) || back < 0 || bar - back < 0)
        return std::nullopt;
    const chart::Series* s = values->find(names[static_cast<size_t>(index)]);
    if (!s || bar >= static_cast<int>(s->size()))
        return std::nullopt;
    const double v = (*s)[static_cast<size_t>(bar - back)];
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

std::string ScreenTechnicalName::label() const {
    std::string s(chart::technicalSeriesNames()[static_cast<size_t>(index)]);
    if (back > 0)
        s += "[" + std::to_string(back) + "]";
    return s;
}

Result<Screen> Screen::parse(std::string_view text) {
    Screen s;
    const std::string ascii = normaliseScreenText(text);
    Parser p(ascii);
    auto root = p.run(s.m_nodes);
    if (!root)
        return root.status();
    s.m_root = *root;
    s.m_text = std::string(text);
    for (const Node& n : s.m_nodes) {
        if (n.kind != Node::Technical)
            continue;
        const ScreenTechnicalName name{n.field, n.back};
        if (std::find(s.m_technical.begin(), s.m_technical.end(), name) == s.m_technical.end())
            s.m_technical.push_back(name);
        s.m_families |= technicalFamily(n.field);
        s.m_technicalBack = std::max(s.m_technicalBack, n.back);
    }
    return s;
}

std::optional<int> Screen::seriesBars() const {
    constexpr int kFirstAngle = 19; // maAngle1 .. itoRatio, then the curve's values
    int bars = 1;
    for (const Node& n : m_nodes)
        if (n.kind == Node::Field && n.field < kFirstFinsField) {
            if (n.field >= kFirstAngle)
                return std::nullopt;
            bars = std::max(bars, n.back + 1);
        }
    return bars;
}

std::optional<int> Screen::storedBars() const {
    constexpr int kCarried = 5, kFirstSeries = 10; // closeCarried; ma1 .. and every later chart value
    if (!m_technical.empty())
        return std::nullopt;
    int bars = 1;
    for (const Node& n : m_nodes)
        if (n.kind == Node::Field && n.field < kFirstFinsField) {
            if (n.field == kCarried || n.field >= kFirstSeries)
                return std::nullopt;
            bars = std::max(bars, n.back + 1);
        }
    return bars;
}

std::bitset<kFinsFieldCount> Screen::finsNamed() const {
    std::bitset<kFinsFieldCount> named;
    for (const Node& n : m_nodes)
        if (n.kind == Node::Field && n.field >= kFirstFinsField)
            named.set(static_cast<size_t>(n.field - kFirstFinsField));
    return named;
}

bool Screen::matches(const ChartData& d, const ScreenFins* fins) const {
    return matches(d, ScreenTechnicals{}, fins);
}

bool Screen::matches(const ChartData& d, const ScreenTechnicals& technicals, const ScreenFins* fins) const {
    if (m_root < 0)
        return false;
    Eval e{m_nodes, d, fins, technicals};
    const bool r = e.truth(m_root);
    return r && !e.missing;
}

namespace {

bool validName(const std::string& name) {
    if (name.empty() || name.size() > 120 || name.find_first_of("=\r\n") != std::string::npos)
        return false;
    size_t chars = 0;
    for (unsigned char c : name)
        chars += (c & 0xC0) != 0x80;
    return chars <= 40 && name.find_first_not_of(' ') != std::string::npos;
}

} // namespace

namespace {

// A decimal number text divided by ten, exactly: "-50" is "-5", "19" is "1.9", "5" is "0.5".
std::string tenth(const std::string& number) {
    std::string sign, digits;
    for (char c : number)
        if (c == '-')
            sign = "-";
        else if (c != ' ')
            digits += c;
    size_t dot = digits.find('.');
    if (dot == std::string::npos)
        dot = digits.size();
    else
        digits.erase(dot, 1);
    while (dot < 2) {
        digits.insert(0, "0");
        ++dot;
    }
    std::string units = digits.substr(0, dot - 1), fraction = digits.substr(dot - 1);
    while (units.size() > 1 && units[0] == '0')
        units.erase(0, 1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    return sign + units + (fraction.empty() ? "" : "." + fraction);
}

// The first line of a screens file whose deviations are in percent.
constexpr std::string_view kPercentMarker = "; dev1-dev3: percent";

Status writeScreens(const std::string& path, const std::vector<std::pair<std::string, std::string>>& screens) {
    std::ostringstream text;
    text << kPercentMarker << '\n';
    for (const auto& [n, c] : screens)
        text << n << '=' << c << '\n';
    return writeFileAtomically(path, text.str());
}

} // namespace

Result<std::vector<std::pair<std::string, std::string>>> loadScreens(const std::string& path,
                                                                     std::vector<std::string>* converted) {
    std::vector<std::pair<std::string, std::string>> out;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return out; // no file yet: no saved screens
    std::string line;
    bool percent = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        percent = percent || line == kPercentMarker;
        const size_t eq = line.find('=');
        if (line.empty() || line[0] == ';' || eq == std::string::npos || eq == 0)
            continue;
        out.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    in.close();
    if (percent || out.empty())
        return out;
    // Written when deviations were tenths of a percent: converted once, and the file marked.
    std::vector<std::string> names;
    for (auto& [n, c] : out) {
        std::string now = devConditionInPercent(c);
        if (now != c)
            names.push_back(n);
        c = std::move(now);
    }
    if (Status st = writeScreens(path, out); !st)
        return st;
    if (converted)
        *converted = std::move(names);
    return out;
}

std::string screensConvertedNotice(const std::vector<std::string>& names) {
    if (names.empty())
        return {};
    std::string list;
    for (const std::string& n : names)
        list += (list.empty() ? "「" : "、「") + n + "」";
    return "乖離（dev1〜dev3）はパーセント（小数 1 桁）になりました。保存されたスクリーニング " + list +
           " の条件式を書き換えました（例: dev1 < -50 は dev1 < -5）。";
}

std::string devConditionInPercent(const std::string& condition) {
    // A deviation compared with a plain number has the number divided by ten; any other use is
    // written (devN * 10), which reads as before.
    static const std::regex kDev(R"((\bdev[123](?:\s*\[\s*\d+\s*\])?))", std::regex::icase);
    static const std::string kOp = R"((\s*(?:<=|>=|==|!=|<>|<|>|=)\s*))";
    static const std::string kNum = R"((-?\s*(?:\d+(?:\.\d*)?|\.\d+)))";
    static const std::regex kDevFirst("^" + std::string(R"((\bdev[123](?:\s*\[\s*\d+\s*\])?))") + kOp + kNum +
                                          R"((?=\s*(?:$|\)|and\b|or\b)))",
                                      std::regex::icase);
    static const std::regex kNumFirst(
        "^" + kNum + kOp + R"((\bdev[123](?:\s*\[\s*\d+\s*\])?))" + R"((?=\s*(?:$|\)|and\b|or\b)))", std::regex::icase);
    std::string lowered = condition;
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // A comparison starts at the text's start, after "(" or after and / or / not.
    auto startsComparison = [&](size_t at) {
        size_t i = at;
        while (i > 0 && condition[i - 1] == ' ')
            --i;
        if (i == 0 || condition[i - 1] == '(')
            return true;
        for (std::string_view w : {"and", "or", "not"})
            if (i >= w.size() && i < at && lowered.compare(i - w.size(), w.size(), w) == 0 &&
                (i == w.size() || !std::isalnum(static_cast<unsigned char>(condition[i - w.size() - 1]))))
                return true;
        return false;
    };
    std::string out;
    size_t i = 0;
    while (i < condition.size()) {
        std::smatch m;
        const std::string rest = condition.substr(i);
        if (startsComparison(i) && std::regex_search(rest, m, kDevFirst)) {
            out += m[1].str() + m[2].str() + tenth(m[3].str());
            i += static_cast<size_t>(m.length(0));
            continue;
        }
        if (startsComparison(i) && std::regex_search(rest, m, kNumFirst)) {
            out += tenth(m[1].str()) + m[2].str() + m[3].str();
            i += static_cast<size_t>(m.length(0));
            continue;
        }
        if (std::regex_search(rest, m, kDev, std::regex_constants::match_continuous) &&
            (i == 0 || !std::isalnum(static_cast<unsigned char>(condition[i - 1])))) {
            out += "(" + m[1].str() + " * 10)";
            i += static_cast<size_t>(m.length(0));
            continue;
        }
        out += condition[i++];
    }
    return out;
}

Status saveScreen(const std::string& path, const std::string& name, const std::string& condition) {
    if (!validName(name))
        return Status::error(StatusCode::InvalidInput,
                             "スクリーニングの名前は 1〜40 文字で、「=」や改行を含めないでください。");
    if (condition.find_first_of("\r\n") != std::string::npos)
        return Status::error(StatusCode::InvalidInput, "条件式に改行は書けません。");
    if (auto parsed = Screen::parse(condition); !parsed)
        return parsed.status();
    auto screens = loadScreens(path);
    if (!screens)
        return screens.status();
    bool replaced = false;
    for (auto& [n, c] : *screens)
        if (n == name) {
            c = condition;
            replaced = true;
        }
    if (!replaced)
        screens->emplace_back(name, condition);
    return writeScreens(path, *screens);
}

Status deleteScreen(const std::string& path, const std::string& name) {
    auto screens = loadScreens(path);
    if (!screens)
        return screens.status();
    const auto removed = std::erase_if(*screens, [&](const auto& s) { return s.first == name; });
    if (removed == 0)
        return Status::error(StatusCode::NotFound, "スクリーニング「" + name + "」は保存されていません。");
    return writeScreens(path, *screens);
}

} // namespace kestrel::scan
