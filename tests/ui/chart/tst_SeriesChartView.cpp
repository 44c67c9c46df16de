// The chart view widget offscreen: zoom by key, a span button, dragging the chart and a pane's top edge,
// Home/End, the crosshair's read-out at a chosen bar, the pane menu, and the chart following its size.
#include "core/settings/IniFile.h"
#include "support/TestSupport.h"
#include "ui/chart/SeriesChartView.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

using namespace kestrel;
using namespace kestrel::ui;

namespace {

// 1,000 weekdays ending Friday 2025-06-13, bar i closing at 1,000 + i yen.
chart::BarSeries thousandDays() {
    chart::BarSeries s;
    s.code = 7203;
    std::vector<Date> dates;
    Date d = *Date::fromYmd(2025, 6, 13);
    while (dates.size() < 1000) {
        if (!d.isWeekend())
            dates.push_back(d);
        d = d.addDays(-1);
    }
    for (int i = 0; i < 1000; ++i) {
        chart::SeriesBar b;
        b.date = dates[static_cast<std::size_t>(999 - i)];
        b.open = b.close = b.closeCarried = Currency::fromDouble(1000 + i);
        b.high = Currency::fromDouble(1010 + i);
        b.low = Currency::fromDouble(990 + i);
        b.change = Currency::fromDouble(i == 0 ? 0 : 1);
        b.volume = 2000000000;
        s.bars.push_back(b);
    }
    return s;
}

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class tst_SeriesChartView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void drivenLikeAChart() {
        SeriesChartView view;
        chart::SceneOptions o;
        o.panes = {chart::PaneKind::Volume, chart::PaneKind::Rsi};
        const chart::BarSeries series = thousandDays();
        view.setChart(series, o, series.bars.back().date);
        view.resize(900, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QWidget* canvas = view.canvas();
        auto expectView = [&](int first, int last) {
            QCOMPARE(view.view().first, first);
            QCOMPARE(view.view().last, last);
        };
        expectView(890, 999); // the default 110 bars at the chart date

        // Zoom from the keyboard: the right edge stays.
        QTest::keyClick(canvas, Qt::Key_Plus);
        expectView(912, 999); // 110 / 1.25 = 88 bars
        QTest::keyClick(canvas, Qt::Key_Minus);
        expectView(890, 999);

        // 1年: the 261 weekdays after 2024-06-13.
        QSignalSpy viewSpy(&view, &SeriesChartView::viewChanged);
        view.spanButton(chart::SpanPreset::Year1)->click();
        expectView(739, 999);
        QCOMPARE(viewSpy.count(), 1);
        QCOMPARE(view.currentLayout().span, chart::SpanPreset::Year1);

        // Dragging 104 px to the right over a plot of 900 - 68 = 832 columns brings 261 * 104 / 832 =
        // 32.6, so 33 earlier bars in.
        QCOMPARE(view.sceneLayout().plotRight - view.sceneLayout().plotLeft + 1, 832);
        mouse(canvas, QEvent::MouseButtonPress, {400, 100}, Qt::LeftButton, Qt::LeftButton);
        mouse(canvas, QEvent::MouseMove, {504, 100}, Qt::NoButton, Qt::LeftButton);
        mouse(canvas, QEvent::MouseButtonRelease, {504, 100}, Qt::LeftButton, Qt::NoButton);
        expectView(706, 966);

        // The crosshair on bar 950 reads its values; the legend's volume reads it too.
        const int x = view.sceneLayout().barX(950, view.view());
        mouse(canvas, QEvent::MouseMove, {x, 120}, Qt::NoButton, Qt::NoButton);
        QCOMPARE(view.crosshairBar(), 950);
        const std::vector<std::string> rows = view.readout();
        QVERIFY(rows.size() >= 8);
        QCOMPARE(QString::fromStdString(rows[0]), QString::fromStdString("日付 " + series.bars[950].date.toSlashed()));
        QCOMPARE(QString::fromStdString(rows[4]), QStringLiteral("終値 1,950"));
        QCOMPARE(QString::fromStdString(rows[5]), QStringLiteral("前日比 +1 (+0.05%)"));
        QCOMPARE(QString::fromStdString(rows[6]), QStringLiteral("出来高 20億"));
        QCOMPARE(QString::fromStdString(rows[7]), QStringLiteral("MA5 1,948")); // (1946 + … + 1950) / 5

        QTest::keyClick(canvas, Qt::Key_Home);
        expectView(0, 260);
        QTest::keyClick(canvas, Qt::Key_Left);
        expectView(0, 260);
        QTest::keyClick(canvas, Qt::Key_End);
        expectView(739, 999);
        QTest::keyClick(canvas, Qt::Key_Right);
        expectView(739, 999);

        // The first pane's top edge dragged 40 rows up: that pane grows by 40.
        QSignalSpy layoutSpy(&view, &SeriesChartView::layoutChanged);
        const chart::SceneLayout before = view.sceneLayout();
        const int edge = before.panes[0].first - 17;
        mouse(canvas, QEvent::MouseButtonPress, {300, edge}, Qt::LeftButton, Qt::LeftButton);
        mouse(canvas, QEvent::MouseMove, {300, edge - 40}, Qt::NoButton, Qt::LeftButton);
        mouse(canvas, QEvent::MouseButtonRelease, {300, edge - 40}, Qt::LeftButton, Qt::NoButton);
        const chart::SceneLayout after = view.sceneLayout();
        QCOMPARE(after.panes[0].first, before.panes[0].first - 40);
        QCOMPARE(after.panes[0].second, before.panes[0].second);
        QCOMPARE(after.panes[1], before.panes[1]);
        QCOMPARE(layoutSpy.count(), 1);
        expectView(739, 999); // a splitter drag scrolls nothing

        // The pane menu removes the volume pane; the RSI pane keeps its height.
        QMenu* menu = view.paneMenu(0);
        QAction* remove = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == QStringLiteral("このペインを削除"))
                remove = a;
        QVERIFY(remove);
        remove->trigger();
        QCOMPARE(view.chart()->options().panes, std::vector<chart::PaneKind>{chart::PaneKind::Rsi});
        QCOMPARE(view.currentLayout().paneWeights.size(), 1u);

        // The layout saved and restored through Kestrel.ini; a hand-damaged section gives the default.
        test::TempDir dir;
        const std::string ini = dir.file("Kestrel.ini");
        QVERIFY(view.saveLayout(ini));
        SeriesChartView other;
        other.setChart(series, chart::SceneOptions{}, series.bars.back().date);
        QVERIFY(other.restoreLayout(ini));
        QVERIFY(other.currentLayout() == view.currentLayout());
        QCOMPARE(other.view().count(), 261);
        QVERIFY(writeProfileString(ini, "ChartLayout", "Panes", "volume,bogus"));
        const Status damaged = other.restoreLayout(ini);
        QVERIFY(!damaged);
        QVERIFY(damaged.message().find("[ChartLayout]") != std::string::npos);
        QVERIFY(other.currentLayout().panes == std::vector<chart::PaneKind>{chart::PaneKind::Volume});
        QCOMPARE(other.view().count(), 110);

        // Ctrl+wheel zooms around the bar under the mouse: 261 / 1.25 = 209 bars, bar 869 keeping its
        // share (130 of 261 bars) to its left: 104 bars.
        expectView(739, 999);
        const QPoint at(view.sceneLayout().barX(869, view.view()), 100);
        QWheelEvent wheel(QPointF(at), canvas->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &wheel);
        expectView(765, 973);

        // The chart follows the window's size.
        view.resize(1280, 800);
        QApplication::processEvents();
        QCOMPARE(view.sceneLayout().plotRight, canvas->width() - 65);
        QVERIFY(canvas->width() >= 1200);
        const QImage shot = canvas->grab().toImage();
        QCOMPARE(shot.width(), canvas->width());
    }
};

QTEST_MAIN(tst_SeriesChartView)
#include "tst_SeriesChartView.moc"
