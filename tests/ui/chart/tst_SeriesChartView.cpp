// The chart view widget offscreen: zoom by key, a span button, dragging the chart and a pane's top edge,
// Home/End, the crosshair's read-out at a chosen bar, the pane menu, and the chart following its size;
// its lines: a trend line drawn with Shift+drag and an end moved by dragging, emitted with the dates and
// prices under the mouse; Delete; the price panel's menu; a horizontal line's price tag on the canvas.
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

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
           Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, mods);
    QApplication::sendEvent(w, &e);
}

QPoint at(const chart::OverlayGeometry& g, int bar, double price) {
    return {g.layout.barX(bar, g.view), static_cast<int>(std::lround(g.scale.yOf(price)))};
}

} // namespace

class tst_SeriesChartView : public QObject {
    Q_OBJECT

private:
    chart::BarSeries m_series = thousandDays();

    void open(SeriesChartView& view) {
        chart::SceneOptions o;
        o.panes = {chart::PaneKind::Volume};
        view.setChart(m_series, o, m_series.bars.back().date);
        view.resize(900, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

    // Half a row of the price scale in yen: the most a price read from a row may differ.
    static double halfRow(const chart::OverlayGeometry& g) {
        return (g.scale.high - g.scale.low) / (g.scale.bottom - g.scale.top) / 2 + 1e-4;
    }

private Q_SLOTS:
    void drivenLikeAChart() {
        SeriesChartView view;
        chart::SceneOptions o;
        o.panes = {chart::PaneKind::Volume, chart::PaneKind::Rsi};
        const chart::BarSeries& series = m_series;
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
        const QPoint under(view.sceneLayout().barX(869, view.view()), 100);
        QWheelEvent wheel(QPointF(under), canvas->mapToGlobal(QPointF(under)), QPoint(), QPoint(0, 120), Qt::NoButton,
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

    void drawMoveAndDeleteATrendLine() {
        SeriesChartView view;
        open(view);
        QWidget* c = view.canvas();
        const chart::OverlayGeometry g = view.overlayGeometry();
        QCOMPARE(g.view.last, 999);
        const int b1 = g.view.first + 10, b2 = g.view.last - 10;
        QSignalSpy drawn(&view, &SeriesChartView::lineDrawn);
        const QPoint p1 = at(g, b1, 1900), p2 = at(g, b2, 2000);
        mouse(c, QEvent::MouseButtonPress, p1, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
        mouse(c, QEvent::MouseMove, (p1 + p2) / 2, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
        mouse(c, QEvent::MouseMove, p2, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
        mouse(c, QEvent::MouseButtonRelease, p2, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
        QCOMPARE(drawn.count(), 1);
        QCOMPARE(view.view().first, g.view.first); // drawing did not scroll
        chart::ChartLine line = drawn.at(0).at(0).value<chart::ChartLine>();
        QCOMPARE(line.kind, chart::LineKind::Trend);
        QCOMPARE(line.date1, m_series.bars[static_cast<std::size_t>(b1)].date);
        QCOMPARE(line.date2, m_series.bars[static_cast<std::size_t>(b2)].date);
        QVERIFY(std::abs(line.price1.toDouble() - 1900) <= halfRow(g));
        QVERIFY(std::abs(line.price2.toDouble() - 2000) <= halfRow(g));

        // Stored by the owner and given back selected: dragging its later end five bars left moves it.
        line.id = 5;
        chart::ChartOverlay o;
        o.lines = {line};
        o.selectedLine = 5;
        view.setOverlay(o);
        QSignalSpy moved(&view, &SeriesChartView::lineMoved);
        const QPoint p3 = at(g, b2 - 5, 2000);
        mouse(c, QEvent::MouseButtonPress, p2, Qt::LeftButton, Qt::LeftButton);
        mouse(c, QEvent::MouseMove, p3, Qt::NoButton, Qt::LeftButton);
        mouse(c, QEvent::MouseButtonRelease, p3, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(moved.count(), 1);
        const auto after = moved.at(0).at(0).value<chart::ChartLine>();
        QCOMPARE(after.id, std::int64_t{5});
        QCOMPARE(after.date1, line.date1);
        QCOMPARE(after.price1, line.price1);
        QCOMPARE(after.date2, m_series.bars[static_cast<std::size_t>(b2 - 5)].date);
        QCOMPARE(view.view().first, g.view.first);

        QSignalSpy deleted(&view, &SeriesChartView::lineDeleted);
        QTest::keyClick(c, Qt::Key_Delete);
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted.at(0).at(0).value<std::int64_t>(), std::int64_t{5});
        QVERIFY(view.overlay().lines.empty());

        // A plain drag off any line still scrolls the chart.
        mouse(c, QEvent::MouseButtonPress, p1, Qt::LeftButton, Qt::LeftButton);
        mouse(c, QEvent::MouseMove, p1 + QPoint(80, 0), Qt::NoButton, Qt::LeftButton);
        mouse(c, QEvent::MouseButtonRelease, p1 + QPoint(80, 0), Qt::LeftButton, Qt::NoButton);
        QVERIFY(view.view().first < g.view.first);
        QCOMPARE(drawn.count(), 1);
    }

    void horizontalLineTagAndMenu() {
        SeriesChartView view;
        open(view);
        QWidget* c = view.canvas();
        const chart::OverlayGeometry g = view.overlayGeometry();
        chart::ChartLine h;
        h.id = 6;
        h.kind = chart::LineKind::Horizontal;
        h.date1 = h.date2 = m_series.bars[950].date;
        h.price1 = h.price2 = Currency::fromWhole(1950);
        chart::ChartOverlay o;
        o.lines = {h};
        view.setOverlay(o);

        const auto tag = chart::priceTag(g, h.price1);
        QVERIFY(tag);
        QCOMPARE(tag->text, std::string("1,950"));
        const int y = static_cast<int>(std::lround(g.scale.yOf(1950)));
        QCOMPARE(tag->box.x1, g.layout.plotRight + 1);
        QCOMPARE(tag->box.y1, y - 6);
        const QImage image = c->grab().toImage();
        const QColor white(255, 255, 255);
        QCOMPARE(image.pixelColor(g.layout.plotLeft + 3, y), white); // the line over the bars
        QCOMPARE(image.pixelColor(g.layout.plotRight, y), white);    // to the plot's edge
        QCOMPARE(image.pixelColor(tag->box.x1, tag->box.y1), white); // the tag right of it
        QCOMPARE(image.pixelColor(tag->box.x2, tag->box.y2), white);
        QVERIFY(image.pixelColor(tag->box.x2 + 2, y) != white); // and no further

        // Shift+click on an empty spot asks for a horizontal line there.
        QSignalSpy horizontal(&view, &SeriesChartView::horizontalLineRequested);
        const QPoint spot = at(g, 930, 1900);
        mouse(c, QEvent::MouseButtonPress, spot, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
        mouse(c, QEvent::MouseButtonRelease, spot, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
        QCOMPARE(horizontal.count(), 1);
        QCOMPARE(horizontal.at(0).at(0).value<Date>(), m_series.bars[930].date);
        QVERIFY(std::abs(horizontal.at(0).at(1).value<Currency>().toDouble() - 1900) <= halfRow(g));

        // The menu on the empty spot: 水平線を引く first, then the pane menu.
        QMenu* menu = view.contextMenuAt(spot);
        QVERIFY(menu);
        QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("水平線を引く"));
        menu->actions().at(0)->trigger();
        QCOMPARE(horizontal.count(), 2);
        QCOMPARE(horizontal.at(1).at(0).value<Date>(), m_series.bars[930].date);

        // On the line: 警報に設定 (board B) with its price, and 線を削除.
        QSignalSpy alert(&view, &SeriesChartView::alertRequested);
        menu = view.contextMenuAt(QPoint(g.layout.barX(940, g.view), y));
        QCOMPARE(view.overlay().selectedLine, std::int64_t{6});
        QMenu* alerts = nullptr;
        QAction* remove = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->menu() && a->text() == QStringLiteral("警報に設定"))
                alerts = a->menu();
            if (a->text() == QStringLiteral("線を削除"))
                remove = a;
        }
        QVERIFY(alerts && remove);
        alerts->actions().at(1)->trigger();
        QCOMPARE(alert.count(), 1);
        QCOMPARE(alert.at(0).at(0).value<std::int64_t>(), std::int64_t{6});
        QCOMPARE(alert.at(0).at(1).value<Currency>(), Currency::fromWhole(1950));
        QCOMPARE(alert.at(0).at(2).toInt(), 2);
        QSignalSpy deleted(&view, &SeriesChartView::lineDeleted);
        remove->trigger();
        QCOMPARE(deleted.count(), 1);

        // Below the panes nothing opens; on a pane only its menu.
        QVERIFY(!view.contextMenuAt(QPoint(100, c->height() - 2)));
        const int paneY = (view.sceneLayout().panes[0].first + view.sceneLayout().panes[0].second) / 2;
        QVERIFY(view.contextMenuAt(QPoint(100, paneY))->actions().at(0)->text() != QStringLiteral("水平線を引く"));
    }
};

QTEST_MAIN(tst_SeriesChartView)
#include "tst_SeriesChartView.moc"
