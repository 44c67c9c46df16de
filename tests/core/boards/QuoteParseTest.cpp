#include "core/boards/QuoteParse.h"

#include <gtest/gtest.h>

using namespace kestrel::boards;

namespace {

// One row of the portal's result table for code, with the given cells.
std::string quoteRow(int code, const std::string& cells) {
    return "<tr><td nowrap align=left><a href=\"/q?s=" + std::to_string(code) + "&d=t\">" + std::to_string(code) +
           "</a></td>" + cells + "<td nowrap><small><a href=\"/q?s=" + std::to_string(code) +
           "&d=c\">チャート</a></small></td></tr>\n";
}

std::string page(const std::string& rows) {
    return "<html><head><title>株価検索</title></head><body><table>\n" + rows + "</table></body></html>\n";
}

const std::string kRising = "<td nowrap><small>15:00</small></td><td nowrap><b>1,234</b></td>"
                            "<td nowrap><font color=ff0020>+12</font></td>"
                            "<td nowrap><font color=ff0020>+0.98%</font></td><td nowrap>1,234,000</td>";

} // namespace

TEST(QuoteParseTest, GetTokenCases) {
    struct Case {
        const char* text;
        const char* start;
        const char* end;
        const char* expected;
    } cases[] = {
        {"<TD NOWRAP><B>1,234</B></TD>", "<TD NOWRAP><B>", "</B></TD>", "1,234"},
        {"<td nowrap><b>1,234</b></td>", "<TD NOWRAP><B>", "</B></TD>", "1,234"}, // markers ignore case
        {"=FF0020>+12</FONT>", ">", "<", "+12"},
        {"x>-</td>", ">", "<", "0"}, // a lone dash reads 0
        {"<TD NOWRAP>+0.98%</TD>", "<TD NOWRAP>", "</TD>", "+0.98"},
        {"<SMALL>\"'=15:00</SMALL>", "<SMALL>", "</SMALL>", "15:00"}, // quotes and "=" skipped
        {"<SMALL> 15:00</SMALL>", "<SMALL>", "</SMALL>", ""},         // a blank before the token ends it
        {"<SMALL>12 34", "<SMALL>", "</SMALL>", "12"},
        {"AB:X:Y", "AB", ":", "X"}, // a one-character end marker is skipped and stops
        {"no marker here", "<B>", "</B>", ""},
        {"<B>", "<B>", "</B>", ""},       // nothing after the marker
        {"<B>5<B>6", "<B>", "</B>", "5"}, // the first occurrence counts
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetToken(c.text, c.start, c.end), c.expected) << c.text;
}

TEST(QuoteParseTest, StripCommasCases) {
    EXPECT_EQ(StripCommas("1,234,000"), 1234000);
    EXPECT_EQ(StripCommas("-1,500"), -1500);
    EXPECT_EQ(StripCommas("---"), 0);
    EXPECT_EQ(StripCommas(""), 0);
    EXPECT_EQ(StripCommas("2,147,483,647"), 2147483647);
    std::string error;
    EXPECT_EQ(StripCommas("3,000,000,000", &error), 0);
    EXPECT_EQ(error, "オーバーフローしました。");
}

TEST(QuoteParseTest, RowsOfAPageAndCellsThatAreNoNumbers) {
    const std::string other = quoteRow(7201, "<td nowrap><small>14:59</small></td><td nowrap><b>999</b></td>"
                                             "<td nowrap><font color=0000ff>-3</font></td>"
                                             "<td nowrap><font color=0000ff>-0.30%</font></td><td nowrap>50,000</td>");
    const std::string flat = quoteRow(6758, "<td nowrap><small>15:00</small></td><td nowrap><b>5,000</b></td>"
                                            "<td nowrap>-</td><td nowrap>-</td><td nowrap>5,000</td>");
    const std::string text = page(other + quoteRow(7203, kRising) + flat);
    // Cells that are no numbers, each on a page of its own: a volume of dashes reads 0 without an error; a
    // price that is no number reads 0 and is reported, the other cells are still taken.
    const std::string dashes =
        page(quoteRow(7203, "<td nowrap><b>1,234</b></td><td nowrap><font color=ff0020>+12</font></td>"
                            "<td nowrap><font color=ff0020>+0.98%</font></td><td nowrap>---</td>"));
    const std::string letters =
        page(quoteRow(7203, "<td nowrap><b>ABC</b></td><td nowrap><font color=ff0020>+12</font></td>"
                            "<td nowrap><font color=ff0020>+0.98%</font></td><td nowrap>700</td>"));
    struct Case {
        const std::string& page;
        int code;
        int price, change, volume;
        const char* label; // nullptr: not checked
        const char* error;
    } cases[] = {
        {text, 7203, 1234, 12, 1234000, "15:00", ""},
        {text, 7201, 999, -3, 50000, "14:59", ""},
        {text, 6758, 5000, 0, 5000, "15:00", ""},
        {dashes, 7203, 1234, 12, 0, nullptr, ""},
        {letters, 7203, 0, 12, 700, nullptr, "型が一致しません。"},
    };
    for (const Case& c : cases) {
        const QuoteRow r = parseQuotePage(c.page, c.code);
        EXPECT_TRUE(r.found) << c.code;
        EXPECT_EQ(r.price, c.price) << c.code;
        EXPECT_EQ(r.change, c.change) << c.code;
        EXPECT_EQ(r.volume, c.volume) << c.code;
        if (c.label) {
            EXPECT_EQ(r.label, c.label) << c.code;
        }
        EXPECT_EQ(r.error, c.error) << c.code;
    }
}

TEST(QuoteParseTest, PagesWithoutTheIssueGiveNothing) {
    // No row for 7203, though other rows have numbers: nothing may be taken from them.
    const std::string others = page(quoteRow(72030, kRising) + quoteRow(1301, kRising));
    for (const std::string& text : {others, std::string(), std::string("<html>404 Not Found</html>"),
                                    page(quoteRow(7203, kRising)).substr(0, 60)}) {
        const QuoteRow r = parseQuotePage(text, 7203);
        EXPECT_FALSE(r.found);
        EXPECT_EQ(r.price, 0);
        EXPECT_EQ(r.volume, 0);
    }
    EXPECT_TRUE(parseQuotePage(others, 72030).found);
}

TEST(QuoteParseTest, Url) {
    EXPECT_EQ(quoteUrl("127.0.0.1:8080", 7203), "http://127.0.0.1:8080/q?s=7203&d=v2");
}
