// The technical set on the 110-bar chart: values taken from the stored history, the cloud's future
// slots, the price mapping and gaps, and the settings in Kestrel.ini.
//
// The market: issue 1301 trades 400 weekdays from 2023-01-02, close 1000 + 10·(i mod 30) (a saw tooth),
// high close + 5, low close − 5, volume 1000 + i. The chart of 2024-07-31 holds 110 bars.
#include "core/chart/ChartTechnical.h"

#include "core/chart/SeriesLoad.h"
#include "core/chart/TechnicalIni.h"
#include "core/settings/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::chart;
using test::ymd;

namespace {

struct Technical : ::testing::Test, test::KestrelDb {
    AppContext ctx;
    test::ScriptedPrompt prompt;
    ChartData data;
    std::vector<Date> days;

    void SetUp() override {
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, 'x', 1, 1)");
        std::string sql = "INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES ";
        Date d = ymd(2023, 1, 2);
        for (int i = 0; i < 400; ++i, d = d.addDays(1)) {
            while (d.isWeekend())
                d = d.addDays(1);
            days.push_back(d);
            const int c = 1000 + 10 * (i % 30);
            sql += (i ? "," : "") + std::string("(1301,") +
                   std::to_string(d.year() * 10000 + d.month() * 100 + d.day()) + "," + std::to_string(c) + "," +
                   std::to_string(c + 5) + "," + std::to_string(c - 5) + "," + std::to_string(c) + ",0," +
                   std::to_string(1000 + i) + ")";
        }
        exec(sql);
        data.latestDate = days.back();
        ctx.settings.move1 = 5;
        ctx.settings.move2 = 25;
        ctx.settings.move3 = 75;
        ctx.settings.SaicoL = ctx.settings.RSIVR = 12;
        ctx.chartMode = 1;
        std::string date = days.back().toIso();
        ASSERT_TRUE(LoadChartData(*db, ctx, 1301, date, data, prompt));
        ASSERT_EQ(data.barCount, 110);
    }
};

TEST_F(Technical, ValuesOfTheBarsShownEqualTheWholeHistorysAndTheCloudRunsPastTheLastBar) {
    ChartTechnical tech;
    const TechnicalSettings settings;
    ASSERT_TRUE(loadChartTechnical(*db, 1301, false, true, data, settings, tech));
    SeriesRequest whole;
    whole.to = days.back();
    auto series = loadSeries(*db, 1301, whole);
    ASSERT_TRUE(series);
    const TechnicalValues all = computeAll(*series, settings);
    const int first = 400 - 110;
    for (std::string_view name : technicalSeriesNames()) {
        const Series& shown = *tech.values.find(name);
        ASSERT_EQ(shown.size(), 110u) << name;
        for (int i = 0; i < 110; ++i) {
            const double want = (*all.find(name))[static_cast<std::size_t>(first + i)];
            if (isMissing(want))
                EXPECT_TRUE(isMissing(shown[static_cast<std::size_t>(i)])) << name << " " << i;
            else
                EXPECT_NEAR(shown[static_cast<std::size_t>(i)], want, 0.01) << name << " " << i;
        }
    }
    // The cloud: 135 slots; slot s shows the spans of the bar 25 before it, the last of the future slots
    // those of the last bar.
    ASSERT_EQ(tech.cloudSpan1.size(), 135u);
    EXPECT_DOUBLE_EQ(tech.cloudSpan1[0], all.ichimoku.span1[first - 25]);
    EXPECT_DOUBLE_EQ(tech.cloudSpan2[134], all.ichimoku.span2[399]);
    EXPECT_DOUBLE_EQ(tech.cloudSpan1[120], all.ichimoku.span1[399 - 14]);
    ASSERT_EQ(tech.futureDates.size(), 25u);
    EXPECT_EQ(tech.futureDates[0], days.back().addDays(days.back().weekday() == 6 ? 3 : 1));

    TechnicalView view;
    view.overlays.ichimoku = true;
    ChartDisplay display;
    const std::vector<Primitive> items = drawTechnical(data, display, tech, view);
    // One translucent column per pixel from bar 1 to the last future slot, none beyond it.
    int lastX = 0, columns = 0;
    for (const Primitive& p : items)
        if (p.shape == Shape::TranslucentBox) {
            lastX = std::max(lastX, p.x2);
            ++columns;
            EXPECT_GE(p.y1, kPriceTopY);
            EXPECT_LE(p.y2, kPriceBottomY);
        }
    EXPECT_EQ(lastX, barX(135) - 1);
    EXPECT_EQ(columns, 134 * kBarWidth);
    EXPECT_EQ(futureWidth(view), 125);
    // The column at the centre of slot 120 spans the two spans drawn there.
    for (const Primitive& p : items)
        if (p.shape == Shape::TranslucentBox && p.x1 == barX(121)) {
            const int a = technicalPriceY(data, tech.cloudSpan1[120]), b = technicalPriceY(data, tech.cloudSpan2[120]);
            EXPECT_EQ(p.y1, std::min(a, b));
            EXPECT_EQ(p.y2, std::max(a, b));
        }
    // The date axis goes on under slots 120 and 130.
    int futureLabels = 0;
    for (const Primitive& p : items)
        if (p.shape == Shape::Text && p.y1 == 441)
            futureLabels += p.x1 == 5 * 120 + 180 || p.x1 == 5 * 130 + 180;
    EXPECT_EQ(futureLabels, 2);
}

TEST_F(Technical, PricesMapOntoThePanelAndAMissingValueBreaksTheLine) {
    // The top and the bottom of the price scale are the panel's edges.
    EXPECT_EQ(technicalPriceY(data, data.priceTop.toDouble()), kPriceTopY);
    EXPECT_EQ(technicalPriceY(data, data.priceBottom.toDouble()), kPriceBottomY);
    const double mid = (data.priceTop.toDouble() + data.priceBottom.toDouble()) / 2;
    EXPECT_NEAR(technicalPriceY(data, mid), (kPriceTopY + kPriceBottomY) / 2, 1);

    ChartTechnical tech;
    ASSERT_TRUE(loadChartTechnical(*db, 1301, false, true, data, TechnicalSettings{}, tech));
    tech.values.envelope.up[50] = kMissing;
    TechnicalView view;
    view.overlays.envelope = true;
    int segments = 0;
    for (const Primitive& p : drawTechnical(data, ChartDisplay{}, tech, view)) {
        ASSERT_EQ(p.shape, Shape::Line);
        // No segment of either band touches bar 51's missing upper value... the lower band still does.
        if (p.color == view.colors[kColEnvelope] && (p.x1 == barX(51) || p.x2 == barX(51)))
            ++segments;
    }
    EXPECT_EQ(segments, 2); // the lower band into and out of bar 51
}

TEST_F(Technical, WithoutOverlaysAndWithThePlainLowerPanelsThePictureStaysAsItWas) {
    ChartTechnical tech;
    ASSERT_TRUE(loadChartTechnical(*db, 1301, false, true, data, TechnicalSettings{}, tech));
    for (int mode = 0; mode <= 4; ++mode) {
        ChartDisplay display;
        display.lowerPanelMode = mode;
        EXPECT_TRUE(drawTechnical(data, display, tech, TechnicalView{}).empty()) << mode;
        const ChartPicture plain = DrawChart(data, display), wide = DrawChartWide(data, display, 0);
        ASSERT_EQ(plain.items.size(), wide.items.size());
    }
    // The new lower panels draw in the lower panel only.
    for (int mode : {kLowerMacd, kLowerStoch, kLowerRci, kLowerDmi}) {
        ChartDisplay display;
        display.lowerPanelMode = mode;
        const std::vector<Primitive> items = drawTechnical(data, display, tech, TechnicalView{});
        EXPECT_FALSE(items.empty()) << mode;
        for (const Primitive& p : items) {
            EXPECT_GT(std::min(p.y1, p.y2), kPriceBottomY) << mode;
            EXPECT_LE(std::max(p.y1, p.y2), kLowerBottomY) << mode;
        }
    }
}

TEST(TechnicalNames, LowerPanelsAndOverlaysByName) {
    const struct {
        const char* text;
        int mode;
    } panels[] = {{"0", 0}, {"4", 4},   {"all", 0}, {"none", 4},  {"macd", 5}, {"stoch", 6}, {"rci", 7},
                  {"8", 8}, {"dmi", 8}, {"9", -1},  {"MACD", -1}, {"", -1},    {"10", -1}};
    for (const auto& c : panels)
        EXPECT_EQ(lowerPanelFromText(c.text), c.mode) << c.text;
    for (int m = 0; m < kLowerPanelModes; ++m)
        EXPECT_EQ(lowerPanelFromText(lowerPanelName(m)), m);

    TechnicalOverlays o;
    std::string bad;
    EXPECT_TRUE(overlaysFromText("ichimoku,vp,sar", o, bad));
    EXPECT_TRUE(o.ichimoku && o.volumeProfile && o.sar && !o.bollinger && !o.envelope && !o.hlBand);
    EXPECT_EQ(overlaysText(o), "ichimoku,sar,vp");
    EXPECT_FALSE(overlaysFromText("bb,cloud", o, bad));
    EXPECT_EQ(bad, "cloud");
    EXPECT_FALSE(overlaysFromText("bb,", o, bad));
    EXPECT_EQ(bad, "");
}

TEST(TechnicalIni, KeepsEveryValueAndRefusesBadOnesByName) {
    test::TempDir dir;
    const std::string ini = dir.file("Kestrel.ini");
    TechnicalView view;
    view.settings.tenkanPeriod = 7;
    view.settings.bbSigma = SigmaKind::Sample;
    view.settings.macdSignalKind = SignalKind::Sma;
    view.settings.sarStep = 0.03;
    view.settings.envPercent = 2.5;
    view.overlays.ichimoku = view.overlays.hlBand = true;
    view.colors[kColAdx] = Rgb{1, 2, 254};
    view.bbBands = 3;
    view.stochFast = true;
    ASSERT_TRUE(saveTechnicalView(ini, view));
    TechnicalView back;
    ASSERT_TRUE(loadTechnicalView(ini, back));
    EXPECT_EQ(back, view);
    EXPECT_EQ(readProfileString(ini, "Technical", "ColorAdx"), "#0102FE");

    // A value that does not read keeps its default and is named; the others load.
    ASSERT_TRUE(writeProfileString(ini, "Technical", "KijunPeriod", "abc"));
    ASSERT_TRUE(writeProfileString(ini, "Technical", "ColorTenkan", "red"));
    Status st = loadTechnicalView(ini, back);
    EXPECT_FALSE(st);
    EXPECT_NE(st.message().find("KijunPeriod"), std::string::npos);
    EXPECT_NE(st.message().find("ColorTenkan"), std::string::npos);
    EXPECT_EQ(back.settings.kijunPeriod, 26);
    EXPECT_EQ(back.settings.tenkanPeriod, 7);
    // Values that read but are out of range: the periods go back to the defaults, named by the field.
    ASSERT_TRUE(writeProfileString(ini, "Technical", "KijunPeriod", "0"));
    st = loadTechnicalView(ini, back);
    EXPECT_NE(st.message().find("kijunPeriod"), std::string::npos);
    EXPECT_EQ(back.settings, TechnicalSettings{});
    EXPECT_TRUE(back.overlays.ichimoku);

    for (const char* t : {"#12345", "123456", "#12345G", "#1234567"})
        EXPECT_FALSE(colorFromText(t)) << t;
    EXPECT_EQ(colorFromText("#a0B0c0"), (Rgb{160, 176, 192}));
}

} // namespace
