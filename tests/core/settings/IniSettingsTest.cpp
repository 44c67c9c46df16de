#include "core/app/Encoding.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using kestrel::test::readFile;
using kestrel::test::writeFile;

TEST(ProfileStrings, WindowsSemanticsOnACp932File) {
    test::TempDir dir;
    std::string ini = dir.file("a.ini");
    // Another program's section, a comment, mixed case, blanks and quotes; LF-only lines.
    writeFile(ini, "[Other]\nkey=other\n; note\n[KESTREL]\n  Move1 = 5 \nDURL=\"x/y/\"\nmove1=6\n");
    EXPECT_EQ(readProfileString(ini, "Kestrel", "move1"), "5"); // the first match wins
    EXPECT_EQ(readProfileString(ini, "kestrel", "DURL"), "x/y/");
    EXPECT_EQ(readProfileString(ini, "Kestrel", "key"), "");
    EXPECT_EQ(readProfileString(ini, "Missing", "move1"), "");
    EXPECT_EQ(readProfileString(dir.file("none.ini"), "Kestrel", "move1"), "");

    ASSERT_TRUE(writeProfileString(ini, "Kestrel", "MOVE1", "7"));
    ASSERT_TRUE(writeProfileString(ini, "Kestrel", "ReadSinyo", "しない"));
    ASSERT_TRUE(writeProfileString(ini, "New", "k", "v"));
    std::string expected = "[Other]\r\nkey=other\r\n; note\r\n[KESTREL]\r\nMOVE1=7\r\nDURL=\"x/y/\"\r\nmove1=6\r\n"
                           "ReadSinyo=" +
                           *utf8ToCp932("しない") + "\r\n[New]\r\nk=v\r\n";
    EXPECT_EQ(readFile(ini), expected);
    EXPECT_EQ(readProfileString(ini, "Kestrel", "readsinyo"), "しない");
}

TEST(ProfileStrings, LongValuesAreCutAndUnwritableTextIsRefused) {
    test::TempDir dir;
    std::string ini = dir.file("a.ini");
    ASSERT_TRUE(writeProfileString(ini, "S", "k", std::string(1500, 'a')));
    EXPECT_EQ(readProfileString(ini, "S", "k").size(), 1023u);
    // 1022 ASCII bytes followed by a double-byte character: the cut never splits the pair.
    ASSERT_TRUE(writeProfileString(ini, "S", "k", std::string(1022, 'a') + "株"));
    EXPECT_EQ(readProfileString(ini, "S", "k"), std::string(1022, 'a'));
    std::string before = readFile(ini);
    // An emoji has no CP932 form; a line break would make a line of its own.
    const Status emoji = writeProfileString(ini, "S", "k", "\xF0\x9F\x98\x80");
    EXPECT_EQ(emoji.message(), ini + " の [S] k に書けません。CP932 で表せない文字があります。");
    const Status lineBreak = writeProfileString(ini, "S", "k", "a\r\nevil=1");
    EXPECT_EQ(lineBreak.message(), ini + " の [S] k に書けません。値に改行があります。");
    EXPECT_EQ(readFile(ini), before);
    // Anything at all in the file: no crash, and unknown bytes survive a write to another key.
    writeFile(ini, std::string("[S]\r\nbin=\x81\x00\xff\r\n", 14));
    ASSERT_TRUE(writeProfileString(ini, "S", "k", "1"));
    EXPECT_NE(readFile(ini).find(std::string("bin=\x81\x00\xff", 7)), std::string::npos);
}

TEST(SettingsFile, DefaultsRoundTripAndFoldersGetTheirSeparator) {
    test::TempDir dir;
    std::string ini = dir.file("Kestrel.ini");
    test::ScriptedPrompt prompt;
    SaveSettings(ini, defaultSettingsText("/opt/k"), true, prompt);
    Settings s;
    LoadSettings(ini, s, prompt);
    // Each kind of field comes back: a Single, Integers, text, a folder, a Currency.
    EXPECT_TRUE(prompt.notices.empty());
    EXPECT_FLOAT_EQ(s.slidechart, 1.0f);
    EXPECT_EQ(s.move2, 15);
    EXPECT_EQ(s.ITORSO, 1);
    EXPECT_EQ(s.DURL, kDefaultServerAddress);
    EXPECT_EQ(s.QuoteHost, "quote.example"); // written with the others, so the user can find it
    EXPECT_EQ(s.ReadSinyo, "しない");
    EXPECT_EQ(s.hibiPath, "/opt/k/Data/");
    EXPECT_EQ(s.sinyoPath, "");
    EXPECT_EQ(s.SonPa.toString(), "4");
    // Keys in the order of the parameter list, then the two filters; CP932 on disk.
    std::string text = readFile(ini);
    EXPECT_EQ(text.rfind("[Kestrel]\r\nScreenMode=1\r\nslidechart=1\r\nmove1=5\r\n", 0), 0u);
    EXPECT_NE(text.find("ITORSO=1\r\nBunkatuChosei=1\r\nJyohoSource=\r\nFilterGaku=\r\nFilterDekidaka=\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("ReadSinyo=" + *utf8ToCp932("しない") + "\r\n"), std::string::npos);

    ASSERT_TRUE(writeProfileString(ini, kIniSection, "hibiPath", "/data/daily"));
    ASSERT_TRUE(writeProfileString(ini, kIniSection, "sinyoPath", "/data/margin/"));
    LoadSettings(ini, s, prompt);
    EXPECT_EQ(s.hibiPath, "/data/daily/");
    EXPECT_EQ(s.sinyoPath, "/data/margin/");
    EXPECT_EQ(readProfileString(ini, kIniSection, "hibiPath"), "/data/daily"); // not in the file
}

TEST(SettingsFile, ABadOrMissingKeyShowsOneMessageAndKeepsTheOldValue) {
    test::TempDir dir;
    std::string ini = dir.file("Kestrel.ini");
    test::ScriptedPrompt prompt;
    SaveSettings(ini, defaultSettingsText("/p"), true, prompt);
    std::string text = readFile(ini);
    size_t at = text.find("ITORSO=1\r\n");
    text.erase(at, 10);
    size_t mv = text.find("move2=15");
    text.replace(mv, 8, "move2=abc");
    text.erase(text.find("BunkatuChosei=1\r\n"), 17); // a file of an older version
    writeFile(ini, text);
    Settings s; // fresh start: fields are zero
    s.BunkatuChosei = 0;
    LoadSettings(ini, s, prompt);
    EXPECT_EQ(s.BunkatuChosei, 1); // without the key the adjustment is on, and nothing is said
    ASSERT_EQ(prompt.notices.size(), 2u);
    EXPECT_EQ(prompt.notices[0], ini + " の move2: " + kTypeMismatch);
    // A missing key takes its default, is named once and written, so the next start says nothing.
    EXPECT_EQ(prompt.notices[1], ini + " になかった設定 ITORSO は既定値にしました。");
    EXPECT_EQ(s.ITORSO, 1);
    EXPECT_EQ(s.move2, 0);
    EXPECT_EQ(s.move3, 30); // the keys after a bad one still load
    EXPECT_EQ(readProfileString(ini, kIniSection, "ITORSO"), "1");
}

TEST(SettingsFile, AFileLackingKeysGivesTheDefaultsWithOneNotice) {
    test::TempDir dir;
    std::string ini = dir.file("Kestrel.ini");
    // A hand-written file with the server address alone: thirteen keys missing, hibiPath among them.
    writeFile(ini, "[Kestrel]\r\nDURL=my.server/kabu/\r\nSonPa=\r\n");
    test::ScriptedPrompt prompt;
    Settings s;
    LoadSettings(ini, s, prompt);
    ASSERT_EQ(prompt.notices.size(), 1u);
    EXPECT_EQ(prompt.notices[0],
              ini + " になかった設定 ScreenMode, slidechart, move1, move2, move3, SaicoL, RSIVR, "
                    "hibiPath, RDel, SonPa, MakeSyu, DelJyoho, ALLITORSO, ITORSO は既定値にしました。");
    const struct {
        const char* what;
        int got, expected;
    } values[] = {{"ScreenMode", s.ScreenMode, 1},
                  {"move1", s.move1, 5},
                  {"move2", s.move2, 15},
                  {"move3", s.move3, 30},
                  {"SaicoL", s.SaicoL, 12},
                  {"RSIVR", s.RSIVR, 12},
                  {"RDel", s.RDel, 0},
                  {"MakeSyu", s.MakeSyu, 1},
                  {"DelJyoho", s.DelJyoho, 30},
                  {"ALLITORSO", s.ALLITORSO, 1},
                  {"ITORSO", s.ITORSO, 1}};
    for (const auto& v : values)
        EXPECT_EQ(v.got, v.expected) << v.what;
    EXPECT_FLOAT_EQ(s.slidechart, 1.0f);
    EXPECT_EQ(s.SonPa.toString(), "4");
    EXPECT_EQ(s.DURL, "my.server/kabu/");
    EXPECT_EQ(s.hibiPath, dir.path() + "/Data/"); // the default daily-data folder, not "not registered"
    // Written back: the second start is silent and reads the same.
    prompt.notices.clear();
    Settings again;
    LoadSettings(ini, again, prompt);
    EXPECT_TRUE(prompt.notices.empty());
    EXPECT_EQ(again.move3, 30);
    EXPECT_EQ(again.hibiPath, s.hibiPath);
}
