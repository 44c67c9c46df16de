// The chart view's layout in Kestrel.ini: saved and restored, damaged or hand-edited values (the whole
// section falls back to the default with one error naming it, other sections untouched), and named
// templates saved, recalled, replaced and deleted, the file staying CP932 with CR LF.
#include "core/chart/SeriesLayoutIni.h"

#include "core/settings/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace kestrel::chart {
namespace {

SeriesLayout threePanes() {
    SeriesLayout l;
    l.overlays = {"bbMid", "bbUp2", "bbLo2"};
    l.panes = {PaneKind::Volume, PaneKind::Macd, PaneKind::Rsi};
    l.paneWeights = {284, 196, 150};
    l.span = SpanPreset::Years10;
    l.logScale = true;
    l.compare = {1306, 1321};
    return l;
}

TEST(SeriesLayoutIni, SavedAndRestored) {
    test::TempDir dir;
    const std::string ini = dir.file("Kestrel.ini");
    SeriesLayout back;
    ASSERT_TRUE(loadSeriesLayout(ini, kSeriesLayoutSection, back)); // no file: the default
    EXPECT_EQ(back, SeriesLayout{});
    ASSERT_TRUE(writeProfileString(ini, "Kestrel", "ScreenMode", "2"));
    ASSERT_TRUE(saveSeriesLayout(ini, kSeriesLayoutSection, threePanes()));
    EXPECT_EQ(readProfileString(ini, kSeriesLayoutSection, "Panes"), "volume:284,macd:196,rsi:150");
    EXPECT_EQ(readProfileString(ini, kSeriesLayoutSection, "Span"), "10年");
    EXPECT_EQ(readProfileString(ini, kSeriesLayoutSection, "Compare"), "1306,1321");
    ASSERT_TRUE(loadSeriesLayout(ini, kSeriesLayoutSection, back));
    EXPECT_EQ(back, threePanes());

    SeriesLayout bars; // a span by bar count, no overlays, no panes, no weights, no comparison
    bars.panes.clear();
    bars.bars = 6250;
    ASSERT_TRUE(saveSeriesLayout(ini, kSeriesLayoutSection, bars));
    ASSERT_TRUE(loadSeriesLayout(ini, kSeriesLayoutSection, back));
    EXPECT_EQ(back, bars);

    const std::string raw = test::readFile(ini);
    EXPECT_NE(raw.find("Span=6250\r\n"), std::string::npos);
    EXPECT_NE(raw.find("Overlays=none\r\n"), std::string::npos);
    // A file of before the comparison, and a section that lacks keys: those keys keep the given defaults
    // (the window's layout derived from its switches); a damaged one gives the defaults whole.
    ASSERT_TRUE(writeProfileString(ini, kSeriesLayoutSection, "Compare", ""));
    ASSERT_TRUE(writeProfileString(ini, kSeriesLayoutSection, "Overlays", ""));
    SeriesLayout derived = threePanes();
    derived.compare.clear();
    ASSERT_TRUE(loadSeriesLayout(ini, kSeriesLayoutSection, back, derived));
    SeriesLayout want = bars;
    want.overlays = derived.overlays;
    EXPECT_EQ(back, want);
    ASSERT_TRUE(writeProfileString(ini, kSeriesLayoutSection, "Compare", "1306,abc"));
    EXPECT_FALSE(loadSeriesLayout(ini, kSeriesLayoutSection, back, derived));
    EXPECT_EQ(back, derived);
    EXPECT_EQ(readProfileString(ini, "Kestrel", "ScreenMode"), "2");

    // Into and out of the options a chart is built with.
    SceneOptions o;
    applyLayout(threePanes(), o);
    EXPECT_TRUE(o.logScale);
    EXPECT_EQ(o.paneWeights, (std::vector<int>{284, 196, 150}));
    EXPECT_EQ(o.averages, (std::vector<int>{5, 25, 75}));
    SeriesLayout noCompare = threePanes();
    noCompare.compare.clear(); // not an option of the chart
    EXPECT_EQ(layoutOf(o, SpanPreset::Years10, 110), noCompare);
    // 価格帯別出来高 travels in the overlay list but is an option of its own in the chart.
    noCompare.overlays.push_back(kVolumeProfileOverlay);
    applyLayout(noCompare, o);
    EXPECT_EQ(o.overlays, threePanes().overlays);
    EXPECT_TRUE(o.volumeProfile);
    EXPECT_EQ(layoutOf(o, SpanPreset::Years10, 110), noCompare);
}

TEST(SeriesLayoutIni, DamagedValuesGiveTheDefault) {
    struct Case {
        const char* key;
        const char* value;
        const char* named; // in the error; nullptr: reads fine
    };
    const Case cases[] = {
        {"Panes", "volume,kdj", "Panes"},                  // unknown pane
        {"Panes", "volume,volume", "Panes"},               // twice
        {"Panes", "volume,psych,rsi,vr,ito", nullptr},     // the window's ALL view with 伊藤ﾚｼｵ
        {"Panes", "volume,macd,rsi,dmi,rci,ito", "Panes"}, // six
        {"Panes", "volume:300,macd", "Panes"},             // weights for some panes only
        {"Panes", "volume:500,macd:500", "Panes"},         // no room left for prices
        {"Panes", "volume:abc", "Panes"},
        {"Panes", "volume,", "Panes"},
        {"Panes", "macd:800", nullptr},
        {"Overlays", "bbMid,bb Up2", "Overlays"},
        {"Overlays", "bbMid,,bbLo2", "Overlays"},
        {"Overlays", "移動平均", "Overlays"},
        {"Span", "4年", "Span"},
        {"Span", "5", "Span"}, // fewer than the fewest bars
        {"Span", "-110", "Span"},
        {"Span", "全期間", nullptr},
        {"Span", "250", nullptr},
        {"Log", "yes", "Log"},
        {"Log", "2", "Log"},
        {"Compare", "1306,1321,1002", nullptr},
        {"Compare", "1306,1321,1002,7203", "Compare"}, // four
        {"Compare", "1306,1306", "Compare"},
        {"Compare", "1306,", "Compare"},
        {"Compare", "0", "Compare"},
        {"Compare", "+1306", "Compare"},
        {"Overlays", "none", nullptr},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string ini = dir.file("Kestrel.ini");
        ASSERT_TRUE(saveSeriesLayout(ini, kSeriesLayoutSection, threePanes()));
        ASSERT_TRUE(writeProfileString(ini, kSeriesLayoutSection, c.key, c.value));
        SeriesLayout back;
        const Status st = loadSeriesLayout(ini, kSeriesLayoutSection, back);
        if (c.named) {
            EXPECT_FALSE(st) << c.key << "=" << c.value;
            EXPECT_EQ(st.code(), StatusCode::InvalidInput);
            EXPECT_NE(st.message().find("Kestrel.ini [ChartLayout]"), std::string::npos) << st.message();
            EXPECT_NE(st.message().find(c.named), std::string::npos) << st.message();
            EXPECT_EQ(back, SeriesLayout{}) << c.key << "=" << c.value;
        } else {
            EXPECT_TRUE(st) << c.key << "=" << c.value << ": " << st.message();
        }
    }
}

TEST(SeriesLayoutIni, NamedTemplates) {
    test::TempDir dir;
    const std::string ini = dir.file("Kestrel.ini");
    EXPECT_TRUE(layoutTemplates(ini).empty());
    SeriesLayout longView = threePanes();
    SeriesLayout plain;
    ASSERT_TRUE(saveLayoutTemplate(ini, "長期", longView));
    ASSERT_TRUE(saveLayoutTemplate(ini, "plain", plain));
    EXPECT_EQ(layoutTemplates(ini), (std::vector<std::string>{"長期", "plain"}));
    // The name is stored in CP932: 長 is 0x92 0xB7.
    EXPECT_NE(test::readFile(ini).find("[ChartTemplate:\x92\xb7\x8a\xfa]\r\n"), std::string::npos);

    SeriesLayout back;
    ASSERT_TRUE(loadLayoutTemplate(ini, "長期", back));
    EXPECT_EQ(back, longView);
    longView.logScale = false; // saved again: replaced, listed once
    ASSERT_TRUE(saveLayoutTemplate(ini, "長期", longView));
    ASSERT_TRUE(loadLayoutTemplate(ini, "長期", back));
    EXPECT_EQ(back, longView);
    EXPECT_EQ(layoutTemplates(ini).size(), 2u);

    ASSERT_TRUE(deleteLayoutTemplate(ini, "長期"));
    EXPECT_EQ(layoutTemplates(ini), (std::vector<std::string>{"plain"}));
    EXPECT_EQ(loadLayoutTemplate(ini, "長期", back).code(), StatusCode::NotFound);
    EXPECT_EQ(deleteLayoutTemplate(ini, "長期").code(), StatusCode::NotFound);
    ASSERT_TRUE(loadLayoutTemplate(ini, "plain", back));
    EXPECT_EQ(back, plain);

    for (const char* bad :
         {"", " lead", "a,b", "[x]", "k=v", "a;b", "line\tbreak", "12345678901234567890123456789012345678901"})
        EXPECT_EQ(saveLayoutTemplate(ini, bad, plain).code(), StatusCode::InvalidInput) << bad;
    // A hand-edited list: a bad name and a repeat are skipped.
    ASSERT_TRUE(writeProfileString(ini, "ChartTemplates", "Names", "plain,,plain,a=b,short"));
    EXPECT_EQ(layoutTemplates(ini), (std::vector<std::string>{"plain", "short"}));
}

} // namespace
} // namespace kestrel::chart
