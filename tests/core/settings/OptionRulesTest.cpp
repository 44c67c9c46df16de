// The repairs the options dialog makes when it closes.
#include "core/settings/OptionRules.h"

#include <gtest/gtest.h>

using namespace kestrel;

namespace {

OptionControls sample() {
    OptionControls c;
    c.slidechart = "1";
    c.move1 = "5";
    c.move2 = "15";
    c.move3 = "30";
    c.SaicoL = "12";
    c.RSIVR = "12";
    c.TxtUrl = "prices.example.org/kabu/";
    c.TxtQuoteHost = "127.0.0.1:8080";
    c.sonekipa = "4";
    c.TxthidiFold = "/home/k/Data";
    c.CmbShinyo = "木曜";
    c.CmbDelJyoho = "30";
    return c;
}

TEST(OptionRulesTest, SlideIntervalOutsideHalfASecondToAMinuteBecomesOne) {
    struct {
        const char* typed;
        const char* saved;
    } cases[] = {{"0.5", "0.5"}, {"60", "60"}, {"0.4", "1"},   {"60.01", "1"}, {"abc", "1"},
                 {"", "1"},      {"-3", "1"},  {"2.5", "2.5"}, {" 7 ", " 7 "}};
    for (const auto& c : cases) {
        OptionControls o = sample();
        o.slidechart = c.typed;
        EXPECT_EQ(repairOptionControls(o, "").slidechart, c.saved) << c.typed;
    }
}

TEST(OptionRulesTest, NonNumericEntriesTakeTheirFallbacks) {
    OptionControls o = sample();
    o.move1 = "x";
    o.move2 = "";
    o.move3 = "-4"; // saved as typed: only non-numbers are repaired
    o.SaicoL = "1,000";
    o.RSIVR = "九";
    o.sonekipa = "four";
    o.CmbShinyo = "月曜";
    o.CmbDelJyoho = "abc";
    SettingsText t = repairOptionControls(o, "mem.example/");
    EXPECT_EQ(t.move1, "0");
    EXPECT_EQ(t.move2, "0");
    EXPECT_EQ(t.move3, "-4");
    EXPECT_EQ(t.SaicoL, "1,000");
    EXPECT_EQ(t.RSIVR, "0");
    EXPECT_EQ(t.SonPa, "4");
    EXPECT_EQ(t.ReadSinyo, "しない");
    EXPECT_EQ(t.DelJyoho, "10");
    EXPECT_EQ(t.MURL, "mem.example/");
    EXPECT_EQ(t.DURL, "prices.example.org/kabu/");
    EXPECT_EQ(t.QuoteHost, "127.0.0.1:8080");
    EXPECT_EQ(t.hibiPath, "/home/k/Data"); // the separator is added when loading, not here
    for (const char* day : {"水曜", "木曜", "金曜", "しない"}) {
        o.CmbShinyo = day;
        EXPECT_EQ(repairOptionControls(o, "").ReadSinyo, day);
    }
}

TEST(OptionRulesTest, OptionButtonsMapToTheirCodes) {
    struct {
        bool option1;
        int all, ito;
        const char *screen, *allito, *itorso;
    } cases[] = {{true, 6, 3, "1", "1", "1"},
                 {false, 7, 4, "2", "2", "2"},
                 {false, 0, 5, "2", "3", "3"},
                 {true, 6, 0, "1", "1", "1"}};
    for (const auto& c : cases) {
        OptionControls o = sample();
        o.Option1 = c.option1;
        o.allItoOption = c.all;
        o.itoOption = c.ito;
        o.ChkRDel = c.option1;
        SettingsText t = repairOptionControls(o, "");
        EXPECT_EQ(t.ScreenMode, c.screen);
        EXPECT_EQ(t.ALLITORSO, c.allito);
        EXPECT_EQ(t.ITORSO, c.itorso);
        EXPECT_EQ(t.RDel, c.option1 ? "1" : "0");
    }
    Settings s;
    s.ALLITORSO = 5;
    s.ITORSO = 9;
    s.ScreenMode = 2;
    OptionControls shown = optionControlsFor(s);
    EXPECT_EQ(shown.allItoOption, 6);
    EXPECT_EQ(shown.itoOption, 3);
    EXPECT_FALSE(shown.Option1);
}

} // namespace
