#include "core/settings/InfoPages.h"

#include "core/settings/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;

TEST(InfoPages, TheCodeTakesThePlaceOfEachMark) {
    const struct {
        const char* pageTemplate;
        const char* code;
        const char* want;
    } cases[] = {
        {"https://stocks.example/q?code={code}", "7203", "https://stocks.example/q?code=7203"},
        {"https://x.example/{code}/board?c={code}", "130A", "https://x.example/130A/board?c=130A"},
        {"https://x.example/top", "7203", "https://x.example/top"},           // no mark: as it is
        {"  https://x.example/{code}  ", " 7203 ", "https://x.example/7203"}, // blanks around removed
        {"https://x.example/?c={code}", "72 03&x", "https://x.example/?c=72%2003%26x"},
        {"https://x.example/{CODE}", "7203", "https://x.example/{CODE}"}, // the mark is lower case
        {"www.x.example/{code}", "7203", "https://www.x.example/7203"},   // typed without a scheme
        {"http://x.example/{code}", "7203", "http://x.example/7203"},
        {"", "7203", ""}, // no template, no address
        {"   ", "7203", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(infoPageAddress(c.pageTemplate, c.code), c.want) << c.pageTemplate;
}

TEST(InfoPages, TemplatesAreKeptInTheIniFile) {
    test::TempDir dir;
    const std::string ini = dir.file("Kestrel.ini");
    EXPECT_EQ(loadInfoPageTemplates(ini), InfoPageTemplates{}); // a new file: no page set
    InfoPageTemplates t{"https://a.example/{code}", "", " https://c.example/?q={code} ", ""};
    ASSERT_TRUE(saveInfoPageTemplates(ini, t));
    EXPECT_EQ(loadInfoPageTemplates(ini),
              (InfoPageTemplates{"https://a.example/{code}", "", "https://c.example/?q={code}", ""}));
    EXPECT_EQ(readProfileString(ini, "InfoPages", "Company"), "https://c.example/?q={code}");
}
