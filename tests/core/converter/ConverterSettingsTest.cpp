#include "core/converter/ConverterSettings.h"

#include "core/app/Encoding.h"
#include "core/settings/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::converter;

TEST(ConverterSettings, FirstStartWritesThirtyKeysAndEditsRoundTrip) {
    kestrel::test::TempDir dir;
    std::string ini = dir.file("Plover.ini");
    auto s = loadOrCreateConverterSettings(ini);
    ASSERT_TRUE(s.isOk());
    std::string text = cp932ToUtf8(kestrel::test::readFile(ini)).value();
    int lines = 0;
    for (size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2)
        ++lines;
    EXPECT_EQ(lines, 31); // [download] and 30 keys
    EXPECT_EQ(text.rfind("[download]\r\nURLTitle1=株価データ情報\r\nURL1=", 0), 0u) << text;
    EXPECT_NE(text.find("\r\nSetNo=0\r\nCheck1=1\r\nVersion="), std::string::npos);
    EXPECT_EQ(s->title(4), "未登録");
    EXPECT_TRUE(s->isRegistered(1));
    EXPECT_FALSE(s->isRegistered(4));
    EXPECT_EQ(s->check1, 1);

    s->title(4) = "自前";
    s->data(4) = "http://127.0.0.1:8080/kabu/";
    s->setNo = 3;
    s->check1 = 0;
    ASSERT_TRUE(SaveConverterSettings(ini, *s).isOk());
    ConverterSettings back = LoadConverterSettings(ini);
    EXPECT_EQ(back.texts, s->texts);
    EXPECT_EQ(back.setNo, 3);
    EXPECT_EQ(back.check1, 0);
    EXPECT_TRUE(back.isRegistered(4));

    // A value out of range or not a number reads as the first source.
    ASSERT_TRUE(writeProfileString(ini, "download", "SetNo", "9").isOk());
    EXPECT_EQ(LoadConverterSettings(ini).setNo, 0);
    ASSERT_TRUE(writeProfileString(ini, "download", "SetNo", "x").isOk());
    EXPECT_EQ(LoadConverterSettings(ini).setNo, 0);
}

// J-Quants is preselected once the main program used it, until a source is picked in the window; the
// rows shown are the registered sources, the selected one and the first unregistered one.
TEST(ConverterSettings, OpeningSourceAndTheRowsShown) {
    ConverterSettings s = defaultConverterSettings(); // sources 1, 2, 3, 8 and 9 registered
    const struct {
        int setNo;
        bool chosen, used;
        int opening;
    } openings[] = {{0, false, false, 0}, {0, false, true, 8}, {2, false, true, 8},
                    {2, true, true, 2},   {7, true, false, 7}, {8, true, false, 8}};
    for (const auto& o : openings) {
        s.setNo = o.setNo;
        s.chosen = o.chosen;
        EXPECT_EQ(openingSource(s, o.used), o.opening) << o.setNo << " " << o.chosen << " " << o.used;
    }
    auto shown = [&](int selected) {
        std::string rows;
        for (int source = 1; source <= kSourceCount; ++source)
            rows += sourceRowShown(s, source, selected) ? '1' : '.';
        return rows;
    };
    EXPECT_EQ(shown(8), "1111...11");
    EXPECT_EQ(shown(5), "1111.1.11"); // an unregistered source chosen before stays in view
    s.title(4) = "自前";
    EXPECT_EQ(shown(0), "11111..11");

    // SetChosen is written once a source was picked, and read back.
    kestrel::test::TempDir dir;
    std::string ini = dir.file("Plover.ini");
    s.chosen = false;
    ASSERT_TRUE(SaveConverterSettings(ini, s).isOk());
    EXPECT_FALSE(LoadConverterSettings(ini).chosen);
    s.chosen = true;
    ASSERT_TRUE(SaveConverterSettings(ini, s).isOk());
    EXPECT_TRUE(LoadConverterSettings(ini).chosen);
    EXPECT_FALSE(jquantsUsed(dir.file("Kestrel.ini")));
    ASSERT_TRUE(kestrel::writeProfileString(dir.file("Kestrel.ini"), "Kestrel", "JQuantsPlan", "Free").isOk());
    EXPECT_TRUE(jquantsUsed(dir.file("Kestrel.ini")));
}
