// The screen language as a Japanese user types it, deviations in percent, and saved screens written
// when deviations were tenths of a percent.
#include "core/scan/ScreenNames.h"

#include "core/app/Files.h"
#include "core/scan/Screen.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::scan;

namespace {

chart::ChartData chartWithOneBar() {
    chart::ChartData d;
    d.barCount = 2;
    d.center = 1;
    d.bars[0].close = Currency::fromWhole(1200);
    d.bars[1].close = Currency::fromWhole(1000);
    d.bars[1].volume = 2000000000; // a busy day of the largest issues
    d.bars[1].ma1 = Currency::fromWhole(1022);
    d.bars[1].dev1 = -22; // per mille: the chart panel shows -2.2 (%)
    d.bars[1].dev2 = -60;
    d.bars[0].dev1 = 190;
    d.bars[1].psych = 25;
    d.bars[1].itoRatio = *Currency::parse("0.1234");
    return d;
}

TEST(ScreenNames, JapaneseNamesFullWidthDigitsAndPercentDeviations) {
    const chart::ChartData d = chartWithOneBar();
    const struct {
        const char* text;
        bool matches;
    } cases[] = {
        {"dev1 < -2", true}, // -2.2 % (was "-22" in tenths)
        {"dev1 < -2.2", false},
        {"dev1 <= -2.2 and dev1 > -2.3", true},
        {"dev2 < -5", true},
        {"dev1[1] = 19", true},
        {"乖離1 < -2", true},
        {"乖離１ < －２", true}, // from the IME: full-width digits and minus
        {"終値 ＜ １０００", false},
        {"終値 <= 1000 and 出来高 >= 2000000000", true},
        {"終値[1] > 終値", true},
        {"ＣＬＯＳＥ = 1000", true},
        {"ｻｲｺﾛ <= 25 and サイコロ <= 25", true},
        {"伊藤 > 0.12 and ito < 0.13", true},
        {"平均1　> 1000", true}, // an ideographic space
    };
    for (const auto& c : cases) {
        auto s = Screen::parse(c.text);
        ASSERT_TRUE(s) << c.text << ": " << s.message();
        EXPECT_EQ(s->matches(d), c.matches) << c.text;
    }
}

TEST(ScreenNames, AnUnknownNameIsAnsweredWithTheNearestOnes) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"closs > 1", "条件式の 1 文字目: 「closs」という名前はありません。近い名前: 「close」。"},
        {"rsi > 1 and dev > 1",
         "条件式の 13 文字目: 「dev」という名前はありません。近い名前: 「dev1」、「dev2」、「dev3」。"},
        {"終わり > 1", "条件式の 1 文字目: 「終わり」という名前はありません。"},
        {"出来 > 1", "条件式の 1 文字目: 「出来」という名前はありません。近い名前: 「出来高」。"},
        {"乖離 > 1", "条件式の 1 文字目: 「乖離」という名前はありません。近い名前: 「乖離1」、「乖離2」、「乖離3」。"},
        {"xyzzy > 1", "条件式の 1 文字目: 「xyzzy」という名前はありません。"},
    };
    for (const auto& c : cases) {
        auto s = Screen::parse(c.text);
        ASSERT_FALSE(s) << c.text;
        EXPECT_EQ(s.message(), c.message) << c.text;
    }
}

TEST(ScreenNames, EveryFieldHasOneEntryInOrderAndTheHelpNamesThemAll) {
    const auto& fields = screenFields();
    const auto& names = screenNames();
    ASSERT_EQ(names.size(), fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_STREQ(names[i].name, fields[i].name);
        EXPECT_EQ(fieldNamed(names[i].japanese), static_cast<int>(i)) << names[i].japanese;
        // Each example is a condition the language reads.
        EXPECT_TRUE(Screen::parse(names[i].example)) << names[i].example;
    }
    EXPECT_NE(screenNamesHelp().find("dev1（乖離1）: 移動平均1からの乖離（%、小数 1 桁）　例: dev1 < -5\n"),
              std::string::npos);
}

TEST(ScreenNames, ValuesAsTheGridShowsThem) {
    const int dev1 = fieldNamed("dev1"), ito = fieldNamed("ito"), close = fieldNamed("close"),
              fitB = fieldNamed("fitB");
    const struct {
        int field;
        const char* value;
        const char* shown;
    } cases[] = {
        {dev1, "-2.2", "-2.2"},        {dev1, "5", "5.0"},        {dev1, "-0.1", "-0.1"},       {dev1, "0", "0.0"},
        {ito, "0.1234", "0.12"},       {ito, "0.125", "0.12"},    {ito, "0.135", "0.14"},       {ito, "-1.5", "-1.50"},
        {close, "1000000", "1000000"}, {close, "98.75", "98.75"}, {fitB, "-0.0123", "-0.0123"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(screenValueText(c.field, *Currency::parse(c.value)), c.shown) << c.field << " " << c.value;
}

TEST(ScreenNames, ConditionsOfTenthsBecomePercent) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"dev1 < -50", "dev1 < -5"},
        {"dev1 < -19 and rsi <= 30", "dev1 < -1.9"
                                     " and rsi <= 30"},
        {"DEV2[3] >= 5", "DEV2[3] >= 0.5"},
        {"-100 > dev3", "-10 > dev3"},
        {"(dev1 > 2.5) or not dev2 <> 0", "(dev1 > 0.25) or not dev2 <> 0"},
        {"dev1 * 2 < 10", "(dev1 * 10) * 2 < 10"},
        {"close - dev1 > 5", "close - (dev1 * 10) > 5"},
        {"dev1 < dev2", "(dev1 * 10) < (dev2 * 10)"},
        {"dev1 < 50 * 2", "(dev1 * 10) < 50 * 2"},
        {"rsi <= 30 and ito > 0", "rsi <= 30 and ito > 0"},
        {"mydev1 > 3", "mydev1 > 3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(devConditionInPercent(c.before), c.after) << c.before;
}

TEST(ScreenNames, ASavedFileOfTenthsIsConvertedOnceWithANotice) {
    test::TempDir dir;
    const std::string path = dir.file("Screens.ini");
    ASSERT_TRUE(writeFileAtomically(path, "押し目=dev1 < -50 and ma1 > ma2\r\n売られすぎ=rsi <= 30\n"));
    std::vector<std::string> converted;
    auto screens = loadScreens(path, &converted);
    ASSERT_TRUE(screens) << screens.message();
    ASSERT_EQ(screens->size(), 2u);
    EXPECT_EQ((*screens)[0].second, "dev1 < -5 and ma1 > ma2");
    EXPECT_EQ((*screens)[1].second, "rsi <= 30");
    EXPECT_EQ(converted, (std::vector<std::string>{"押し目"}));
    EXPECT_EQ(screensConvertedNotice(converted),
              "乖離（dev1〜dev3）はパーセント（小数 1 桁）になりました。保存されたスクリーニング 「押し目」 "
              "の条件式を書き換えました（例: dev1 < -50 は dev1 < -5）。");
    // The second load reads the file as it is now, and says nothing.
    converted.clear();
    screens = loadScreens(path, &converted);
    ASSERT_TRUE(screens);
    EXPECT_EQ((*screens)[0].second, "dev1 < -5 and ma1 > ma2");
    EXPECT_TRUE(converted.empty());
    // A screen saved now is in percent and is never divided again.
    ASSERT_TRUE(saveScreen(dir.file("new.ini"), "浅い押し目", "dev1 < -2"));
    screens = loadScreens(dir.file("new.ini"), &converted);
    EXPECT_EQ((*screens)[0].second, "dev1 < -2");
    EXPECT_TRUE(converted.empty());
}

} // namespace
