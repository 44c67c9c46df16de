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
