#include "core/chart/IssueList.h"

#include "core/app/Encoding.h"

namespace kestrel::chart {
namespace {

constexpr const char* kFullWidthSpace = "\u3000";

std::string textOrEmpty(const db::Statement& st, int col) {
    return st.isNull(col) ? std::string() : st.text(col);
}

// Rows of a query returning コード, 市場コード, 銘柄.
Result<std::vector<std::string>> collectRows(db::Statement& st, const db::IssueMarkets& markets, bool findRows) {
    std::vector<std::string> rows;
    for (;;) {
        auto r = st.step();
        if (!r)
            return r.status();
        if (!*r)
            break;
        std::int64_t code = st.int64(0);
        std::string market =
            st.isNull(1) ? std::string() : markets.nameOf(static_cast<std::int32_t>(code), st.int64(1));
        std::string name = textOrEmpty(st, 2);
        rows.push_back(findRows ? issueFindRow(code, market, name) : issueListRow(code, market, name));
    }
    return rows;
}

db::IssueMarkets namesAlone(const MarketNames& names) {
    db::IssueMarkets markets;
    markets.names = names;
    return markets;
}

} // namespace

std::string issueFindRow(std::int64_t code, std::string_view market, std::string_view name) {
    return std::to_string(code) + kFullWidthSpace + kFullWidthSpace + std::string(market) + kFullWidthSpace +
           kFullWidthSpace + std::string(name);
}

std::string rowCode(std::string_view row) {
    std::string head = utf8Left(row, 4);
    size_t cut = head.find(' ');
    size_t wide = head.find(kFullWidthSpace);
    if (wide < cut)
        cut = wide;
    return cut == std::string::npos ? head : head.substr(0, cut);
}

bool isCodeText(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool issueListRefills(std::string_view text, int rowCount) {
    return utf8Length(text) <= 2 || rowCount == 0 || rowCount >= 35;
}

std::optional<std::pair<std::int32_t, std::int32_t>> issueCodeBounds(std::string_view text) {
    if (!isCodeText(text) || text.size() > 4)
        return std::nullopt;
    std::string lower(text), upper(text);
    lower.append(4 - text.size(), '0');
    upper.append(4 - text.size(), '9');
    return std::make_pair(std::stoi(lower), std::stoi(upper));
}

Result<std::vector<std::string>> issueRowsInRange(db::Database& db, std::int32_t lower, std::int32_t upper,
                                                  const MarketNames& names) {
    return issueRowsInRange(db, lower, upper, namesAlone(names));
}

Result<std::vector<std::string>> issueRowsInRange(db::Database& db, std::int32_t lower, std::int32_t upper,
                                                  const db::IssueMarkets& markets) {
    auto st = db.prepare("SELECT コード, 市場コード, 銘柄 FROM Mei WHERE コード BETWEEN ?1 AND ?2 "
                         "ORDER BY 市場コード, コード");
    if (!st)
        return st.status();
    st->bindAll(lower, upper);
    return collectRows(*st, markets, false);
}

Result<std::vector<std::string>> issueRowsByName(db::Database& db, std::string_view text, const MarketNames& names) {
    return issueRowsByName(db, text, namesAlone(names));
}

Result<std::vector<std::string>> issueRowsByName(db::Database& db, std::string_view text,
                                                 const db::IssueMarkets& markets) {
    // The typed text is a literal part of the name: LIKE's own wildcards are escaped.
    std::string pattern = "%";
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    pattern += '%';
    auto st = db.prepare("SELECT コード, 市場コード, 銘柄 FROM Mei WHERE 銘柄 LIKE ?1 ESCAPE '\\' "
                         "ORDER BY 市場コード, コード");
    if (!st)
        return st.status();
    st->bind(1, pattern);
    return collectRows(*st, markets, true);
}

Result<std::optional<ShownIssue>> lookUpShownIssue(db::Database& db, std::string_view codeText,
                                                   const MarketNames& names) {
    return lookUpShownIssue(db, codeText, names, {}, Date());
}

Result<std::optional<ShownIssue>> lookUpShownIssue(db::Database& db, std::string_view codeText,
                                                   const MarketNames& names, const db::JQuantsMarketCodes& jquants,
                                                   Date day) {
    if (!isCodeText(codeText) || codeText.size() > 9)
        return std::optional<ShownIssue>();
    auto st = db.prepare("SELECT 市場コード, 銘柄 FROM Mei WHERE コード=?1 LIMIT 1");
    if (!st)
        return st.status();
    st->bind(1, static_cast<std::int64_t>(std::stoll(std::string(codeText))));
    auto r = st->step();
    if (!r)
        return r.status();
    if (!*r || st->isNull(0))
        return std::optional<ShownIssue>();
    std::int64_t market = st->int64(0);
    if (market < 0 || market >= static_cast<std::int64_t>(names.size()))
        return std::optional<ShownIssue>();
    auto jq = jquants.find(static_cast<std::int32_t>(std::stoll(std::string(codeText))));
    std::string shown =
        jq == jquants.end() ? marketName(names, market) : db::issueMarketNameOn(names, market, jq->second, day);
    return std::optional<ShownIssue>(ShownIssue{shown, textOrEmpty(*st, 1)});
}

std::string informationPageAddress(std::string_view murl, std::string_view pageLetter, std::string_view codeText) {
    return std::string(murl) + "default.asp?tp=" + std::string(pageLetter) + "&co=" + std::string(codeText);
}

} // namespace kestrel::chart
