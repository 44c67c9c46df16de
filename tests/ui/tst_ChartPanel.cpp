// The chart panel: pixels of the rendered 110-bar chart at the layout's positions, the price list, the
// detail labels and the display switches.
#include "core/chart/ChartData.h"
#include "core/db/Schema.h"
#include "services/render/ChartPainter.h"
#include "support/TestSupport.h"
#include "ui/chart/ChartPanel.h"

#include <QSignalSpy>
#include <QTest>

using namespace kestrel;
using namespace kestrel::chart;
using namespace kestrel::ui;
using namespace kestrel::services;

namespace {

// Two bars on the scale 90..120 and volumes up to 1000, both worked out in the core tests.
ChartData twoBars() {
    ChartData d;
    d.barCount = 2;
    // day of January 2024, open, high, low, close, change, volume
    const int rows[2][7] = {{4, 100, 110, 95, 105, 0, 1000}, {5, 105, 106, 90, 100, -5, 500}};
    for (int i = 0; i < 2; ++i) {
        ChartBar& b = d.bars[i];
        b.date = *Date::fromYmd(2024, 1, rows[i][0]);
        b.open = Currency::fromWhole(rows[i][1]), b.high = Currency::fromWhole(rows[i][2]);
        b.low = Currency::fromWhole(rows[i][3]), b.close = Currency::fromWhole(rows[i][4]);
        b.change = Currency::fromWhole(rows[i][5]);
        b.volume = rows[i][6];
    }
    for (ChartBar& b : d.bars)
        b.closeCarried = b.close;
    computeIndicators(d, IndicatorSettings{1, 1, 2, 1, 1, 1});
    return d;
}

} // namespace

class tst_ChartPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pixelsSitAtTheLayoutPositions();
    void listLabelsAndClicks();
    void switchesRedrawAndCaption();
    void labelBoxesNeitherTouchNorLeaveTheChart();
};

void tst_ChartPanel::pixelsSitAtTheLayoutPositions() {
    ChartDisplay show;
    QImage img = renderChartImage(twoBars(), show);
    QCOMPARE(img.size(), QSize(813, 453));
    const QRgb back = qRgb(192, 192, 192), plot = qRgb(0, 0, 0), grid = qRgb(128, 128, 128);
    struct Probe {
        int x, y;
        QRgb color;
        const char* what;
    } probes[] = {
        {199, 300, back, "left of the plot"},
        {200, 300, plot, "plot's left edge"},
        {757, 300, plot, "plot's right edge"},
        {758, 300, back, "right of the plot"},
        {301, 438, back, "under the plot"},
        {220, 164, grid, "price grid dot"},
        {221, 164, plot, "price grid gap"},
        {220, 356, qRgb(255, 255, 255), "panel divider"},
        {205, 185, qRgb(255, 0, 0), "rising wick top (110)"},
        {205, 313, qRgb(255, 0, 0), "rising wick bottom (95)"},
        {205, 184, plot, "above the wick"},
        {204, 250, qRgb(255, 0, 0), "rising body, left side"},
        {206, 356, qRgb(255, 255, 255), "volume box top of bar 1"},
        {206, 355, plot, "above the volume box"},
        {210, 219, qRgb(224, 224, 224), "falling wick top (106)"},
    };
    for (const Probe& p : probes)
        QVERIFY2(img.pixel(p.x, p.y) == p.color, p.what);
    // Screen mode 0: dark grey plot and pink rising candles; weekly: darker window.
    show.ScreenMode = 0;
    show.chartMode = 2;
    img = renderChartImage(twoBars(), show);
    QCOMPARE(img.pixel(301, 300), qRgb(64, 64, 64));
    QCOMPARE(img.pixel(205, 185), qRgb(255, 128, 128));
    QCOMPARE(img.pixel(199, 300), qRgb(128, 128, 128));
    // Labels: text somewhere in the left number column at y 100.
    bool ink = false;
    for (int x = 169; x < 200 && !ink; ++x)
        for (int y = 100; y < 112 && !ink; ++y)
            ink = img.pixel(x, y) != qRgb(128, 128, 128);
    QVERIFY(ink);
}

void tst_ChartPanel::listLabelsAndClicks() {
    AppContext ctx;
    ChartPanel panel(ctx);
    panel.resize(panel.minimumSize());
    panel.show();
    panel.data() = twoBars();
    panel.DrawChart(true);
    QCOMPARE(panel.KabukaList->count(), 2);
    QCOMPARE(panel.KabukaList->currentRow(), 1);
    QCOMPARE(panel.KabukaList->item(0)->text(),
             QStringLiteral("24/01/04         100        110         95        105          0        1000"));
    // The labels show the newest bar (their texts are the layout's, tested in the core tests).
    QCOMPARE(panel.LblDate->text(), QStringLiteral("24/01/05"));
    QCOMPARE(panel.Lblsaiyasune->text(), QStringLiteral("90"));
    QCOMPARE(panel.Lbltyokairi->text(), QStringLiteral("-2.9"));

    // An issue without bars: the frame only; the list and every label of the previous issue empty.
    panel.data() = ChartData();
    panel.DrawChart(true);
    QCOMPARE(panel.KabukaList->count(), 0);
    for (QLabel* l : {panel.LblDate, panel.Lblsaitakane, panel.Lblsaiyasune, panel.Lblowarine, panel.Lbltyokairi,
                      panel.Lbltanidoheikn, panel.LblRSI, panel.LblVR})
        QVERIFY2(l->text().isEmpty(), qPrintable(l->objectName()));
}

void tst_ChartPanel::switchesRedrawAndCaption() {
    AppContext ctx;
    ctx.chartMode = 2;
    ChartPanel panel(ctx);
    panel.data() = twoBars();
    panel.DrawChart(true);
    QSignalSpy focus(&panel, &ChartPanel::focusIssueList);
    // The order of the modes and their captions are the layout's (core tests); here the weekly mode
    // reaches it (its third caption is the margin one) and each click hands the focus on.
    for (int i = 0; i < 3; ++i)
        panel.CmdSRLRSI->click();
    QCOMPARE(panel.CmdSRLRSI->text(), QStringLiteral("信用取引"));
    QCOMPARE(panel.display().lowerPanelMode, 3);
    QCOMPARE(focus.count(), 3);
    panel.Cmdidoheikin->click();
    QCOMPARE(panel.Cmdidoheikin->text(), QStringLiteral("移動平均無"));
    QVERIFY(panel.display().chartColors[kMa1].isZero());
    // Volume off after the check box's redraw.
    QVERIFY(panel.display().volume);
    panel.Chkdekidaka->click();
    QVERIFY(!panel.display().volume);
    QCOMPARE(panel.KabukaList->count(), 2); // redraws keep the list
}

// The ink of every label of a chart, placed as the painter places it: no two labels touch (a pixel of
// space between them at least) and none reaches outside the chart's cleared area. Five-digit prices and
// a ten-million volume give the widest numbers of each column; 60 bars give six date labels 50 px apart.
void tst_ChartPanel::labelBoxesNeitherTouchNorLeaveTheChart() {
    const QFont font = chartFont();
    const QFontMetrics fm(font);
    QVERIFY(qAbs(QFontMetricsF(font).horizontalAdvance(QStringLiteral("0123456789")) - 10 * kCharWidth) < 0.05);
    ChartData d;
    d.barCount = 60;
    for (int i = 0; i < d.barCount; ++i) {
        ChartBar& b = d.bars[static_cast<size_t>(i)];
        b.date = Date::fromYmd(2024, 3, 1)->addDays(i);
        b.open = b.close = b.closeCarried = Currency::fromWhole(10000 + 700 * (i % 7));
        b.high = b.open + Currency::fromWhole(300);
        b.low = b.open - Currency::fromWhole(1200);
        b.volume = 1000000 + 150000 * (i % 5) + (i == 30 ? 9000000 : 0);
    }
    computeIndicators(d, IndicatorSettings{1, 1, 2, 1, 1, 1});
    ChartDisplay show;
    std::vector<std::pair<QRect, QString>> boxes;
    for (const Primitive& p : chart::DrawChart(d, show).items) {
        if (p.shape != Shape::Text || p.text.find_first_not_of(' ') == std::string::npos)
            continue;
        const QString text = QString::fromStdString(p.text);
        boxes.push_back({fm.tightBoundingRect(text).translated(p.x1, p.y1 + fm.ascent()), text});
    }
    QVERIFY(boxes.size() > 20);
    const QRect cleared(QPoint(kClearLeft, kClearTop), QPoint(kClearRight, kClearBottom));
    int dates = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const auto& [box, text] = boxes[i];
        dates += text.count(QLatin1Char(',')) == 2;
        QVERIFY2(cleared.contains(box), qPrintable(text));
        for (size_t j = i + 1; j < boxes.size(); ++j)
            QVERIFY2(!box.adjusted(-1, -1, 1, 1).intersects(boxes[j].first),
                     qPrintable(text + QStringLiteral(" / ") + boxes[j].second));
    }
    QCOMPARE(dates, 6);
}

QTEST_MAIN(tst_ChartPanel)
#include "tst_ChartPanel.moc"
