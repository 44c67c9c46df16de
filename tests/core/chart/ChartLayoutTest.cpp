// Layout arithmetic and the drawing list of the chart, against positions worked out by hand.
#include "core/chart/ChartLayout.h"

#include "core/chart/ChartScene.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

using namespace kestrel;
using namespace kestrel::chart;

namespace {

Currency W(long long v) {
    return Currency::fromWhole(v);
}

std::vector<Primitive> of(const std::vector<Primitive>& items, Shape s, Rgb c) {
    std::vector<Primitive> out;
    std::copy_if(items.begin(), items.end(), std::back_inserter(out),
                 [&](const Primitive& p) { return p.shape == s && p.color == c; });
    return out;
}

std::string at(const Primitive& p) {
    return std::to_string(p.x1) + "," + std::to_string(p.y1) + "-" + std::to_string(p.x2) + "," + std::to_string(p.y2);
}

} // namespace

TEST(ChartLayout, ScalesAreQuantisedToTheDigitsOfTheRange) {
    struct Case {
        long long range;
        int pixels;
        long long num, den;
    } cases[] = {
        {500, 256, 512, 1000},              // exactly 0.512
        {1230, 256, 2081, 10000},           // 2081.3 -> 2081
        {30, 256, 853, 100},                // 853.33
        {1000, 80, 800, 10000},             //
        {3, 80, 267, 10},                   // 266.67
        {0, 256, 0, 1},                     // no range: factor 0
        {-10, 256, 0, 1},                   //
        {2147483647, 80, 373, 10000000000}, // 372.529 -> 373
    };
    for (const Case& c : cases) {
        Scale s = quantisedScale(W(c.range), c.pixels);
        EXPECT_EQ(s.num, c.num) << c.range;
        EXPECT_EQ(s.den, c.den) << c.range;
    }
    // 80 pixels hold the largest balance plus 5 %: 10^3 * 80 / (700 * 1.05) = 108.84 -> 0.109.
    EXPECT_EQ(std::make_tuple(balanceScale(W(700)).num, balanceScale(W(700)).den), std::make_tuple(109, 1000));
    EXPECT_EQ(balanceScale(W(0)).num, 0);
    // y of prices: 100 + 8.53 * (120 - p), to the nearest pixel.
    Scale sP = quantisedScale(W(30), 256);
    const int prices[] = {120, 110, 105, 90}, ys[] = {100, 185, 228, 356}; // 185.3, 227.95, 355.9
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(priceY(sP, W(120), W(prices[i])), ys[i]) << prices[i];
    // Oscillators: 436 - 0.8 * value; 47 -> 398.4.
    EXPECT_EQ(std::make_tuple(oscillatorY(0), oscillatorY(100), oscillatorY(47)), std::make_tuple(436, 356, 398));
    EXPECT_EQ(itoY(W(10), W(10)), 396);
    EXPECT_EQ(itoY(W(10), Currency()), 436);
}

TEST(ChartLayout, ListRowsLabelsAndClicks) {
    ChartBar b{.date = *Date::fromYmd(2024, 1, 9),
               .open = W(106),
               .high = W(106),
               .low = W(102),
               .close = W(103),
               .change = W(-3),
               .volume = 2000,
               .ma1 = W(104),
               .dev1 = 38,
               .dev2 = -5,
               .dev3 = 40,
               .psych = -1,
               .rsi = 67,
               .vr = 60};
    const std::string row = kabukaListRow(b);
    EXPECT_EQ(row, "24/01/09         106        106        102        103         -3        2000");
    EXPECT_EQ(row.size(), 76u);
    EXPECT_EQ(row.substr(42, 11), "        103"); // columns 43-53
    b.volume = 2147483647;
    b.close = W(12345678901);
    EXPECT_EQ(kabukaListRow(b).substr(42, 12), " 12345678901"); // too wide: the row widens
    EXPECT_EQ(kabukaListRow(b).substr(kabukaListRow(b).size() - 12), "  2147483647");

    DetailLabels l = detailLabels(b);
    EXPECT_EQ((std::vector<std::string>{l.Lbltankairi, l.Lbltyukairi, l.Lbltyokairi, l.Lbltanidoheikn, l.Lbltyuidoheikn,
                                        l.LblDate, l.LblSRL, l.LblRSI}),
              (std::vector<std::string>{"3.8", "-0.5", "4", "104", "0", "24/01/09", "-1", "67"}));

    EXPECT_EQ(numberWithSign(W(1240)), " 1240");
    EXPECT_EQ(numberWithSign(W(-5)), "-5");
    EXPECT_EQ(numberWithSign(*Currency::parse("0.5")), " .5");
    EXPECT_EQ(leftLabelX(" 1240"), 169); // 145 + (9 - 5) * 6, ends at 199
    EXPECT_EQ(barDateLabel(b), "24,01,09");

    struct Click {
        int x, rows, row;
    } clicks[] = {{202, 110, -1}, {203, 110, 0}, {207, 110, 0}, {208, 110, 1}, {750, 110, 109},
                  {753, 110, -1}, {210, 1, -1},  {0, 5, -1},    {-40, 5, -1}};
    for (const Click& c : clicks)
        EXPECT_EQ(rowAtX(c.x, c.rows), c.row) << c.x;

    const char* daily[] = {"RSI VR", "ｻｲｺﾛｼﾞｶﾙ", "伊藤ﾚｼｵ", "表示なし", "ALL"};
    for (int mode = 0; mode < 5; ++mode) {
        LowerPanelStep s = nextLowerPanelMode(mode, 1);
        EXPECT_EQ(s.mode, (mode + 1) % 5);
        EXPECT_EQ(s.caption, daily[mode]);
    }
    EXPECT_EQ(nextLowerPanelMode(2, 2).caption, "信用取引");
    EXPECT_EQ(nextLowerPanelMode(9, 1).mode, 0);

    ChartColors colors = kShownColors;
    EXPECT_EQ(toggleAverages(colors), "移動平均無");
    EXPECT_TRUE(colors[kMa1].isZero() && colors[kMa3].isZero());
    EXPECT_EQ(colors[kPsych], kShownColors[kPsych]);
    EXPECT_EQ(toggleAverages(colors), "移動平均有");
    EXPECT_EQ(colors, kShownColors);
    colors[kMa2] = Rgb{1, 2, 3}; // not all at their shown values: they come back
    EXPECT_EQ(toggleAverages(colors), "移動平均有");
    EXPECT_EQ(colors, kShownColors);
}

TEST(ChartLayout, AxisLabelsSitWhereTheLayoutPutsThem) {
    ChartData d;
    d.barCount = 1;
    d.priceTop = W(1240);
    d.priceBottom = W(980);
    d.maxVolume = W(123456);
    std::vector<AxisLabel> labels = axisLabels(d);
    std::vector<std::string> seen;
    for (const AxisLabel& l : labels)
        seen.push_back(std::to_string(l.x) + "," + std::to_string(l.y) + ":" + l.text);
    // Quarter of 260 is 65; volumes in thousands: 123 and 31 (30.86 + 0.5).
    EXPECT_EQ(seen, (std::vector<std::string>{"169,100: 1240",  "757,100: 1240", "185,112:円",     "762,112:円",
                                              "175,346: 980",   "169,287: 1045", "757,287: 1045",  "169,223: 1110",
                                              "757,223: 1110",  "169,159: 1175", "757,159: 1175",  "157,356: 123000",
                                              "185,425:株",     "192,437:0",     "163,411: 31000", "163,391: 62000",
                                              "163,371: 93000", "759,350:100%",  "765,431: 0%",    "765,411:25%",
                                              "765,391:50%",    "765,371:75%"}));
    d.maxVolume = Currency();
    EXPECT_TRUE(axisLabels(d).empty());
}

TEST(ChartScene, FrameCandlesVolumesAndLines) {
    ChartDisplay show;
    std::vector<Primitive> frame = DrawChartFrame(show);
    ASSERT_GE(frame.size(), 2u);
    EXPECT_EQ(at(frame[0]), "145,100-812,452");
    EXPECT_EQ(frame[0].color, (Rgb{192, 192, 192}));
    EXPECT_EQ(at(frame[1]), "200,100-757,437");
    EXPECT_EQ(frame[1].color, (Rgb{0, 0, 0}));
    EXPECT_EQ(of(frame, Shape::DottedLine, kGrid).size(), 6u + 11u);
    EXPECT_EQ(at(of(frame, Shape::DottedLine, kWhite)[0]), "200,356-757,356");
    show.ScreenMode = 0;
    show.chartMode = 2;
    frame = DrawChartFrame(show);
    EXPECT_EQ(frame[0].color, (Rgb{128, 128, 128}));
    EXPECT_EQ(frame[1].color, (Rgb{64, 64, 64}));
    EXPECT_EQ(of(frame, Shape::Line, Rgb{64, 64, 64}).size(), 11u + 1u + 7u + 8u); // the ticks

    // Two bars on the scale 90..120 (8.53 pixels per yen) and volumes up to 1000 (0.08 per share).
    ChartData d;
    d.barCount = 2;
    d.bars[0] = {.open = W(100), .high = W(110), .low = W(95), .close = W(105), .volume = 1000};
    d.bars[1] = {.open = W(105), .high = W(106), .low = W(90), .close = W(100), .volume = 500};
    for (ChartBar& b : d.bars)
        b.closeCarried = b.close;
    computeIndicators(d, IndicatorSettings{});
    ChartDisplay daily;
    ChartPicture pic = DrawChart(d, daily);
    auto boxes = of(pic.items, Shape::FilledBox, kWhite);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(at(boxes[0]), "204,436-206,356");
    EXPECT_EQ(at(boxes[1]), "209,436-211,396");
    auto red = of(pic.items, Shape::Line, Rgb{255, 0, 0});
    ASSERT_EQ(red.size(), 1u);
    EXPECT_EQ(at(red[0]), "205,313-205,185"); // wick low 95 -> high 110
    EXPECT_EQ(at(of(pic.items, Shape::Box, Rgb{255, 0, 0})[0]), "204,271-206,228");
    EXPECT_EQ(at(of(pic.items, Shape::Line, kCandleDown)[0]), "210,356-210,219");
    EXPECT_EQ(at(of(pic.items, Shape::Box, kCandleDown)[0]), "209,228-211,271");
    ASSERT_EQ(pic.rows.size(), 2u);

    // A zero close draws no candle but still its volume; volume off draws none.
    d.bars[1].close = Currency();
    daily.volume = false;
    pic = DrawChart(d, daily);
    EXPECT_TRUE(of(pic.items, Shape::FilledBox, kWhite).empty());
    EXPECT_TRUE(of(pic.items, Shape::Box, kCandleDown).empty());
    // Open equal to close is an unchanged candle.
    d.bars[0].open = d.bars[0].close;
    pic = DrawChart(d, daily);
    EXPECT_EQ(of(pic.items, Shape::Box, kCandleDown).size(), 1u);
    // Nothing loaded or every volume 0: only the frame.
    d.maxVolume = Currency();
    pic = DrawChart(d, daily);
    EXPECT_EQ(pic.items.size(), DrawChartFrame(daily).size());
    EXPECT_TRUE(pic.rows.empty());
}

TEST(ChartScene, SeriesLinesFollowTheLowerPanelMode) {
    ChartData d;
    d.barCount = 4;
    d.priceTop = W(200);
    d.priceBottom = W(100);
    d.maxVolume = W(10);
    d.maxBalance = W(700);
    d.itoMax = W(10);
    const int psych[4] = {50, -1, 60, 70};
    const long long ma1[4] = {0, 150, 0, 150};
    for (int i = 0; i < 4; ++i) {
        ChartBar& b = d.bars[i];
        b.psych = static_cast<std::int16_t>(psych[i]);
        b.rsi = b.vr = -1;
        b.ma1 = b.ma2 = b.ma3 = W(ma1[i]);
        b.sellBalance = i == 1 ? 0 : 700;
        b.itoRatio = W(i == 2 ? 0 : 10);
    }
    auto lines = [&](int mode, int chartMode, int allItorso, Rgb c) {
        ChartDisplay show;
        show.lowerPanelMode = mode;
        show.chartMode = chartMode;
        show.ALLITORSO = allItorso;
        std::vector<std::string> out;
        for (const Primitive& p : of(DrawChart(d, show).items, Shape::Line, c))
            out.push_back(at(p));
        return out;
    };
    using V = std::vector<std::string>;
    const Rgb orange = kShownColors[kPsych];
    // -1 keeps the previous point: 50 at bar 1 joins 60 at bar 3.
    EXPECT_EQ(lines(0, 1, 0, orange), (V{"205,396-215,388", "215,388-220,380"}));
    EXPECT_EQ(lines(2, 1, 0, orange).size(), 2u);
    EXPECT_TRUE(lines(1, 1, 0, orange).empty());
    EXPECT_TRUE(lines(4, 1, 0, orange).empty());
    // A zero average breaks its line: bars 2 and 4 stand alone.
    EXPECT_TRUE(lines(4, 1, 0, kShownColors[kMa1]).empty());
    // Margin lines (weekly, modes 0 and 3): 80 / (700 * 1.05) -> 0.109 per share; a zero balance keeps
    // the previous point.
    EXPECT_EQ(lines(3, 2, 0, kShownColors[kSell]), (V{"205,360-215,360", "215,360-220,360"}));
    EXPECT_TRUE(lines(1, 2, 0, kShownColors[kSell]).empty());
    EXPECT_TRUE(lines(3, 1, 0, kShownColors[kSell]).empty());
    // The Ito ratio (daily; mode 3, or mode 0 with ALLITORSO 2): 10 of 2 * 10 is half the panel.
    EXPECT_EQ(lines(3, 1, 0, kItoColor), (V{"205,396-210,396", "210,396-220,396"}));
    EXPECT_EQ(lines(0, 1, 2, kItoColor).size(), 2u);
    EXPECT_TRUE(lines(0, 1, 0, kItoColor).empty());
    EXPECT_TRUE(lines(3, 2, 0, kItoColor).empty());
    // Weekly with every balance 0: no margin line.
    for (ChartBar& b : d.bars)
        b.sellBalance = 0;
    d.maxBalance = Currency();
    EXPECT_TRUE(lines(3, 2, 0, kShownColors[kSell]).empty());
}
