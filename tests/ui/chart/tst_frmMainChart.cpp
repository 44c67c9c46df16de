// The main window's chart of any span: 25 years of bars behind the default 110-bar view (the first bar
// shown has its averages), the monthly mode, the chart growing with the window, the price list moving
// the crosshair, the layout kept across a restart, and what is drawn over the price panel: the user's
// lines drawn and stored with the mouse, an alert set from a line's menu, the ledger's levels and the
// trend curve; the layout as the one model of overlays and panes (the switches, the pane menu,
// templates through the dialog seam) and a comparison kept while issues change.
#include "core/boards/BoardStore.h"
#include "core/chart/SeriesNavigation.h"
#include "core/chart/UserLines.h"
#include "core/db/Schema.h"
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/app/InputDialog.h"
#include "ui/app/MessageBox.h"
#include "ui/chart/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <cmath>

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::chart;

namespace {

// 7203 with a daily bar on every weekday of the last 25 years before today, closes 1,000 to 1,000,000 yen
// and volumes up to 2,000,000,000 shares.
struct Home : test::WindowHome {
    Home() {
        context.settings.move1 = 5;
        context.settings.move2 = 25;
        context.settings.move3 = 75;
        context.settings.SaicoL = 12;
        context.settings.RSIVR = 14;
        context.settings.ITORSO = 1;
        context.settings.ScreenMode = 1;
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (7203, 1, 'ＡＢＣ自動車', 1, 1)");
        auto db = db::Database::open(context.paths.databasePath);
        QVERIFY(db);
        db::Transaction tx(**db);
        const Date today = Date::today();
        int i = 0;
        for (Date d = today.addDays(-25 * 365); d < today; d = d.addDays(1)) {
            if (d.isWeekend())
                continue;
            const long long close = 1000 + (i * 7919LL) % 999000;
            const long long volume = 1000 + (i * 104729LL) % 2000000000LL;
            ++i;
            QVERIFY((*db)->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
                               "(7203, ?, ?, ?, ?, ?, 0, ?)",
                               d, close, close + 10, close - 10 > 0 ? close - 10 : 1, close, volume));
        }
        QVERIFY(tx.commit());
        days = i;
    }
    // 1306 with its last `n` weekdays before today, closes 2,000 yen upwards.
    void addEtf(int n) {
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1306, 1, 'ＴＯＰＩＸ連動', 1, "
             "1)");
        auto db = db::Database::open(context.paths.databasePath);
        QVERIFY(db);
        db::Transaction tx(**db);
        Date d = Date::today();
        for (int k = 0; k < n;) {
            d = d.addDays(-1);
            if (d.isWeekend())
                continue;
            const long long close = 2000 + (n - k);
            QVERIFY((*db)->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
                               "(1306, ?, ?, ?, ?, ?, 0, 1000000)",
                               d, close, close + 5, close - 5, close));
            ++k;
        }
        QVERIFY(tx.commit());
    }
    int days = 0;
};

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
           Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, mods);
    QApplication::sendEvent(w, &e);
}

QPoint at(const OverlayGeometry& g, int bar, double price) {
    return {g.layout.barX(bar, g.view), static_cast<int>(std::lround(g.scale.yOf(price)))};
}

std::vector<ChartLine> storedLines(const AppContext& context, int mode) {
    auto db = db::Database::open(context.paths.databasePath);
    auto lines = db ? listLines(**db, 7203, mode, true) : Result<std::vector<ChartLine>>(std::vector<ChartLine>());
    return lines ? *lines : std::vector<ChartLine>();
}

bool drawsText(const std::vector<Primitive>& items, const std::string& text) {
    return std::any_of(items.begin(), items.end(),
                       [&](const Primitive& p) { return p.shape == Shape::Text && p.text == text; });
}

double averageOfCloses(const BarSeries& s, int last, int n) {
    double sum = 0;
    for (int k = last - n + 1; k <= last; ++k)
        sum += s.bars[static_cast<std::size_t>(k)].close.toDouble();
    return sum / n;
}

} // namespace

class tst_frmMainChart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }
    void defaultViewMonthlyAndGrowth();
    void layoutKeptAcrossARestart();
    void linesLedgerAlertAndCurve();
    void oneLayoutAndItsTemplates();
    void comparisonKeptWhileIssuesChange();
};

void tst_frmMainChart::defaultViewMonthlyAndGrowth() {
    Home home;
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("7203"));
    ChartPanel* panel = main.chartPanel();
    SeriesChartView* view = panel->seriesView;
    QVERIFY(view->chart());
    const BarSeries& daily = view->chart()->series();
    QCOMPARE(daily.size(), home.days); // the whole history, not the 110 bars shown
    QCOMPARE(view->view().count(), kDefaultViewBars);
    QCOMPARE(view->view().last, daily.size() - 1);
    // The date scroll bar lies under the chart, not over its date axis.
    QVERIFY(main.HScroll->geometry().top() > view->geometry().bottom());
    QCOMPARE(main.HScroll->width(), view->width());

    // The first bar shown has its 5-, 25- and 75-bar averages from the bars before it.
    const int first = view->view().first;
    const std::vector<NamedValue> lines = view->chart()->priceValues(first);
    QCOMPARE(lines.size(), std::size_t{3});
    const int periods[3] = {5, 25, 75};
    for (int k = 0; k < 3; ++k) {
        QVERIFY2(!isMissing(lines[k].value) && lines[k].value > 0, lines[k].name.c_str());
        QVERIFY(std::abs(lines[k].value - averageOfCloses(daily, first, periods[k])) < 1e-6);
    }
    // The lower panel ALL: volume, サイコロ, RSI and VR each in a pane, with values at the first bar.
    QCOMPARE(view->chart()->options().panes.size(), std::size_t{4});
    for (int p = 1; p < 4; ++p)
        QVERIFY(!isMissing(view->chart()->paneValues(p, first).front().value));

    // A row of the price list puts the crosshair on its bar.
    panel->KabukaList->setCurrentRow(panel->KabukaList->count() - 11);
    QCOMPARE(view->crosshairBar(), daily.size() - 11);
    // The list's first row: its averages and oscillators from the bars before it (the old labels read
    // 0 and -1 there).
    panel->KabukaList->setCurrentRow(0);
    QCOMPARE(view->crosshairBar(), view->view().first);
    for (QLabel* l : {panel->Lbltanidoheikn, panel->Lbltyuidoheikn, panel->Lbltyoidoheikn})
        QVERIFY2(l->text() != QStringLiteral("0") && !l->text().isEmpty(), qPrintable(l->objectName()));
    for (QLabel* l : {panel->LblSRL, panel->LblRSI, panel->LblVR})
        QVERIFY2(l->text() != QStringLiteral("-1"), qPrintable(l->objectName()));

    // A click on the chart selects the row of the bar under it; a drag scrolls and selects nothing.
    const SceneLayout lay = view->sceneLayout();
    const QPoint clickAt(lay.barX(daily.size() - 6, view->view()), (lay.priceTop + lay.priceBottom) / 2);
    mouse(view->canvas(), QEvent::MouseButtonPress, clickAt, Qt::LeftButton, Qt::LeftButton);
    mouse(view->canvas(), QEvent::MouseButtonRelease, clickAt, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(panel->KabukaList->currentRow(), panel->KabukaList->count() - 6);
    panel->KabukaList->setCurrentRow(0);
    const QPoint dragTo = clickAt + QPoint(40, 0);
    mouse(view->canvas(), QEvent::MouseButtonPress, clickAt, Qt::LeftButton, Qt::LeftButton);
    mouse(view->canvas(), QEvent::MouseMove, dragTo, Qt::NoButton, Qt::LeftButton);
    mouse(view->canvas(), QEvent::MouseButtonRelease, dragTo, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(panel->KabukaList->currentRow(), 0);
    view->setView(viewLastBars(daily, daily.bars.back().date, kDefaultViewBars));

    // The switches: no volume, lower panel "RSI VR".
    panel->Chkdekidaka->click();
    panel->CmdSRLRSI->click();
    QCOMPARE(view->chart()->options().panes, (std::vector<PaneKind>{PaneKind::Rsi, PaneKind::Vr}));

    // 月足: a bar a month over the 25 years, the last 110 of them shown.
    main.action(QStringLiteral("mnuchartmonthly"))->trigger();
    QCOMPARE(home.context.chartMode, std::int16_t{3});
    QVERIFY(view->chart());
    QCOMPARE(view->chart()->series().mode, BarMode::Monthly);
    QVERIFY(std::abs(view->chart()->series().size() - 25 * 12) <= 1);
    QCOMPARE(view->view().count(), kDefaultViewBars);
    QVERIFY(!isMissing(view->chart()->priceValues(view->view().first)[2].value)); // the 75-month average
    // The price list lists the months shown, the last the chart date's month; a click on a month selects
    // its row, and the row's labels are that month's.
    const BarSeries& months = view->chart()->series();
    QCOMPARE(panel->KabukaList->count(), kMaxBars);
    QCOMPARE(panel->KabukaList->item(kMaxBars - 1)->text().left(8),
             QString::fromStdString(months.bars.back().date.toYYMMDD()));
    QCOMPARE(panel->KabukaList->item(0)->text().left(8),
             QString::fromStdString(months.bars[months.size() - kMaxBars].date.toYYMMDD()));
    const SceneLayout monthLay = view->sceneLayout();
    const QPoint monthAt(monthLay.barX(months.size() - 4, view->view()),
                         (monthLay.priceTop + monthLay.priceBottom) / 2);
    mouse(view->canvas(), QEvent::MouseButtonPress, monthAt, Qt::LeftButton, Qt::LeftButton);
    mouse(view->canvas(), QEvent::MouseButtonRelease, monthAt, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(panel->KabukaList->currentRow(), kMaxBars - 4);
    QCOMPARE(panel->LblDate->text(), panel->KabukaList->item(kMaxBars - 4)->text().left(8));
    // The change button goes on to the weekly chart.
    main.Cmdchange->click();
    QCOMPARE(home.context.chartMode, std::int16_t{2});
    QCOMPARE(view->chart()->series().mode, BarMode::Weekly);

    // The chart grows with the window; the list stays right of it and inside the window.
    const QSize before = view->size();
    const int listX = panel->KabukaList->x();
    main.resize(main.width() + 300, main.height() + 200);
    QApplication::processEvents();
    QCOMPARE(view->width(), before.width() + 300);
    QVERIFY(view->height() >= before.height() + 150);
    QCOMPARE(panel->KabukaList->x(), listX + 300);
    QVERIFY(panel->KabukaList->geometry().right() < main.centralWidget()->width());
    QVERIFY(main.HScroll->geometry().top() > view->geometry().bottom());
    QCOMPARE(main.HScroll->width(), view->width());
    // The header line above the chart stays clear of it.
    QWidget* fins = main.findChild<QWidget*>(QStringLiteral("LblFins"));
    QVERIFY(fins);
    QVERIFY(fins->geometry().bottom() < view->geometry().top());
}

void tst_frmMainChart::layoutKeptAcrossARestart() {
    Home home;
    {
        frmMain main(home.context);
        main.show();
        main.MeiCode->setText(QStringLiteral("7203"));
        SeriesChartView* view = main.chartPanel()->seriesView;
        QVERIFY(view->chart());
        main.action(QStringLiteral("mnuLogScale"))->trigger();
        view->spanButton(SpanPreset::Years2)->click();
        QVERIFY(view->chart()->options().logScale);
        main.chartPanel()->saveLayout(); // as closing the window does
    }
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("7203"));
    SeriesChartView* view = main.chartPanel()->seriesView;
    QVERIFY(view->chart());
    QVERIFY(view->chart()->options().logScale);
    const BarSeries& s = view->chart()->series();
    const SeriesView two = presetView(s, s.size(), s.size() - 1, SpanPreset::Years2);
    QCOMPARE(view->view().first, two.first);
    QCOMPARE(view->view().last, s.size() - 1);
    QVERIFY(MessageBox::log().isEmpty());

    // A damaged section: the default layout and one notice naming it.
    QVERIFY(writeProfileString(home.context.paths.iniPath, kSeriesLayoutSection, "Log", "perhaps"));
    frmMain again(home.context);
    QCOMPARE(MessageBox::log().size(), 1);
    QVERIFY(MessageBox::log().front().contains(QStringLiteral("ChartLayout")));
    again.show();
    again.MeiCode->setText(QStringLiteral("7203"));
    QVERIFY(!again.chartPanel()->seriesView->chart()->options().logScale);
    QCOMPARE(again.chartPanel()->seriesView->view().count(), kDefaultViewBars);
}

void tst_frmMainChart::linesLedgerAlertAndCurve() {
    Home home;
    // A lot bought 30 weekdays ago at the close of the day before yesterday's bar, not sold.
    auto db = db::Database::open(home.context.paths.databasePath);
    QVERIFY(db);
    auto last = (*db)->queryInt("SELECT 終値 FROM dayData WHERE コード = 7203 ORDER BY 日付 DESC LIMIT 1");
    QVERIFY(last && *last);
    const long long breakEven = **last;
    QVERIFY((*db)->run("INSERT INTO stockmarket (コード, 購入日, 購入額, 購入数, 損益分岐点, 現在額, 売却日, 売却額, "
                       "売却数, 利益) VALUES (7203, ?, ?, 100, ?, 0, '00/00/00', 0, 0, 0)",
                       Date::today().addDays(-42).toYYMMDD(), breakEven, breakEven));
    db->reset();
    frmMain main(home.context);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.MeiCode->setText(QStringLiteral("7203"));
    SeriesChartView* view = main.chartPanel()->seriesView;
    QVERIFY(view->chart());
    QWidget* canvas = view->canvas();
    OverlayGeometry g = view->overlayGeometry();
    QVERIFY(g.valid());
    const BarSeries& s = view->chart()->series();

    // The ledger's break-even level, labelled with its price, inside the price panel.
    const std::string label = "損益分岐 " + priceText(static_cast<double>(breakEven)) + "円";
    QVERIFY(drawsText(drawSeriesOverlay(g, view->overlay()), label));
    const double y = g.scale.yOf(static_cast<double>(breakEven));
    QVERIFY(y >= g.layout.priceTop && y <= g.layout.priceBottom);
    QCOMPARE(view->overlay().trades.size(), std::size_t{1});

    // Shift+drag draws a trend line: stored with the dates under the mouse, and drawn.
    const double mid = (g.scale.low + g.scale.high) / 2;
    const int b1 = g.view.first + 10, b2 = g.view.last - 10;
    mouse(canvas, QEvent::MouseButtonPress, at(g, b1, mid), Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    mouse(canvas, QEvent::MouseMove, at(g, (b1 + b2) / 2, mid), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    mouse(canvas, QEvent::MouseButtonRelease, at(g, b2, mid * 1.1), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    std::vector<ChartLine> lines = storedLines(home.context, 1);
    QCOMPARE(lines.size(), std::size_t{1});
    QCOMPARE(lines[0].kind, LineKind::Trend);
    QCOMPARE(lines[0].date1, s.bars[static_cast<std::size_t>(b1)].date);
    QCOMPARE(lines[0].date2, s.bars[static_cast<std::size_t>(b2)].date);
    QCOMPARE(view->overlay().lines.size(), std::size_t{1});
    QCOMPARE(view->overlay().lines[0].id, lines[0].id);
    QCOMPARE(view->overlay().selectedLine, lines[0].id);
    QVERIFY(seriesLineShown(g, view->overlay().lines[0]));

    // A horizontal line from the menu, then 警報に設定 → 株価ボードA on it: the issue is not on the
    // board, so it is offered and put there with the alert above the last close.
    const QPoint hAt = at(g, g.view.last - 5, g.scale.priceAt(g.layout.priceTop + 10));
    QMenu* menu = view->contextMenuAt(hAt);
    QVERIFY(menu);
    QAction* horizontal = menu->actions().value(0);
    QCOMPARE(horizontal->text(), QStringLiteral("水平線を引く"));
    horizontal->trigger();
    lines = storedLines(home.context, 1);
    QCOMPARE(lines.size(), std::size_t{2});
    QCOMPARE(lines[1].kind, LineKind::Horizontal);
    QCOMPARE(view->overlay().lines.size(), std::size_t{2});
    g = view->overlayGeometry();
    menu = view->contextMenuAt(at(g, g.view.last - 5, lines[1].price1.toDouble()));
    QMenu* alert = nullptr;
    for (QAction* a : menu->actions())
        if (a->menu() && a->text() == QStringLiteral("警報に設定"))
            alert = a->menu();
    QVERIFY(alert);
    MessageBox::setNextAnswer(true); // 追加して警報を設定しますか？
    alert->actions().value(0)->trigger();
    QCOMPARE(home.count("SELECT count(*) FROM board WHERE 区分 = 1 AND コード = 7203"), 1LL);
    QVERIFY(home.count(
                "SELECT count(*) FROM board WHERE 区分 = 1 AND コード = 7203 AND (上限警報 > 0 OR 下限警報 > 0)") == 1);
    QVERIFY(MessageBox::log().join(QLatin1Char('|')).contains(QStringLiteral("警報")));

    // 二次曲線: the curve of the bars shown is drawn (its strokes join the scene), for every view.
    const auto curveStrokes = [&] {
        const std::vector<Primitive> items = view->chart()->draw(view->view(), canvas->width(), canvas->height());
        return std::count_if(items.begin(), items.end(), [](const Primitive& p) { return p.color == kCurveColor; });
    };
    const auto without = curveStrokes();
    main.chartPanel()->Chknijikyokusenn->click();
    QVERIFY(view->chart()->options().curve);
    QVERIFY(curveStrokes() > without + 50);
    const Series curve = trendCurve(view->chart()->series(), view->view());
    QVERIFY(!isMissing(curve[static_cast<std::size_t>(view->view().last)]));
    view->showSpan(SpanPreset::Years5);
    QVERIFY(isMissing(curve[static_cast<std::size_t>(view->view().first)])); // fitted to the 110 bars before
    QVERIFY(curveStrokes() > 50);

    // 月足: the daily lines shown, none drawn there (the chart says why).
    main.action(QStringLiteral("mnuchartmonthly"))->trigger();
    QCOMPARE(view->chart()->series().mode, BarMode::Monthly);
    QCOMPARE(view->overlay().lines.size(), std::size_t{2});
    QVERIFY(!view->linesEditable());
    g = view->overlayGeometry();
    mouse(canvas, QEvent::MouseButtonPress, at(g, g.view.first + 5, mid), Qt::LeftButton, Qt::LeftButton,
          Qt::ShiftModifier);
    mouse(canvas, QEvent::MouseButtonRelease, at(g, g.view.last - 5, mid), Qt::LeftButton, Qt::NoButton,
          Qt::ShiftModifier);
    QCOMPARE(storedLines(home.context, 1).size(), std::size_t{2});
    QCOMPARE(home.count("SELECT count(*) FROM Hikisen"), 2LL);
}

void tst_frmMainChart::oneLayoutAndItsTemplates() {
    Home home;
    home.addEtf(300);
    using P = PaneKind;
    using V = std::vector<std::string>;
    {
        frmMain main(home.context);
        main.show();
        main.MeiCode->setText(QStringLiteral("7203"));
        ChartPanel* panel = main.chartPanel();
        SeriesChartView* view = panel->seriesView;
        QVERIFY(view->chart());
        // No saved layout: the lower panel ALL with volume, no overlays, as before.
        QCOMPARE(view->chart()->options().panes, (std::vector<P>{P::Volume, P::Psych, P::Rsi, P::Vr}));
        // サイコロ removed from the pane menu, ボリンジャーバンド on: kept through a redraw and an issue change.
        for (QAction* a : view->paneMenu(1)->actions())
            if (a->text() == QStringLiteral("このペインを削除"))
                a->trigger();
        main.action(QStringLiteral("mnuBollinger"))->trigger();
        panel->DrawChart(false);
        main.MeiCode->setText(QStringLiteral("1306"));
        main.MeiCode->setText(QStringLiteral("7203"));
        QCOMPARE(view->chart()->options().panes, (std::vector<P>{P::Volume, P::Rsi, P::Vr}));
        QCOMPARE(view->chart()->options().overlays, (V{"bbMid", "bbUp1", "bbLo1", "bbUp2", "bbLo2"}));
        // 出来高 off takes the volume pane away.
        panel->Chkdekidaka->click();
        QCOMPARE(view->chart()->options().panes, (std::vector<P>{P::Rsi, P::Vr}));
        panel->Chkdekidaka->click();

        InputDialog::setNextText(QStringLiteral("長期"));
        main.action(QStringLiteral("mnuTemplateSave"))->trigger();
        // Everything changed, then the template recalled.
        main.action(QStringLiteral("mnuLogScale"))->trigger();
        main.action(QStringLiteral("mnuBollinger"))->trigger();
        main.action(QStringLiteral("mnuIchimoku"))->trigger();
        main.action(QStringLiteral("mnuLowerMacd"))->trigger();
        view->spanButton(SpanPreset::Years5)->click();
        QCOMPARE(view->chart()->options().panes, (std::vector<P>{P::Volume, P::Macd}));
        InputDialog::setNextText(QStringLiteral("長期"));
        main.action(QStringLiteral("mnuTemplateLoad"))->trigger();
        QCOMPARE(InputDialog::lastItems(), QStringList{QStringLiteral("長期")});
        const SceneOptions& o = view->chart()->options();
        QCOMPARE(o.panes, (std::vector<P>{P::Volume, P::Rsi, P::Vr}));
        QCOMPARE(o.overlays, (V{"bbMid", "bbUp1", "bbLo1", "bbUp2", "bbLo2"}));
        QVERIFY(!o.logScale);
        QCOMPARE(view->view().count(), kDefaultViewBars);
        QVERIFY(main.action(QStringLiteral("mnuBollinger"))->isChecked());
        QVERIFY(!main.action(QStringLiteral("mnuIchimoku"))->isChecked());
        QVERIFY(!main.action(QStringLiteral("mnuLogScale"))->isChecked());
        QVERIFY(MessageBox::log().isEmpty());
        main.chartPanel()->saveLayout(); // as closing the window does
    }
    // The next start: the layout's panes and overlays, the menu checked as it.
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("7203"));
    SeriesChartView* view = main.chartPanel()->seriesView;
    QCOMPARE(view->chart()->options().panes, (std::vector<P>{P::Volume, P::Rsi, P::Vr}));
    QCOMPARE(view->chart()->options().overlays, (V{"bbMid", "bbUp1", "bbLo1", "bbUp2", "bbLo2"}));
    QVERIFY(main.action(QStringLiteral("mnuBollinger"))->isChecked());

    // A damaged template: the notice naming it, and the default layout.
    QVERIFY(writeProfileString(home.context.paths.iniPath, "ChartTemplate:長期", "Panes", "volume,kdj"));
    InputDialog::setNextText(QStringLiteral("長期"));
    main.action(QStringLiteral("mnuTemplateLoad"))->trigger();
    QCOMPARE(MessageBox::log().size(), 1);
    QVERIFY(MessageBox::log().front().contains(QStringLiteral("ChartTemplate:長期")));
    QCOMPARE(view->chart()->options().panes, main.chartPanel()->defaultLayout().panes);
    QCOMPARE(view->chart()->options().panes, (std::vector<P>{P::Volume, P::Psych, P::Rsi, P::Vr}));

    // The lower panel's own panes follow the chart mode; panes changed by hand stay.
    for (int k = 0; k < 3; ++k)
        main.chartPanel()->CmdSRLRSI->click(); // 伊藤ﾚｼｵ / 信用取引
    main.Cmdchange->click();
    QCOMPARE(home.context.chartMode, std::int16_t{2});
    QCOMPARE(view->chart()->options().panes, (std::vector<P>{P::Volume, P::Margin}));
    for (QAction* a : view->paneMenu(1)->actions())
        if (a->text() == QStringLiteral("このペインを削除"))
            a->trigger();
    main.Cmdchange->click();
    QCOMPARE(home.context.chartMode, std::int16_t{1});
    QCOMPARE(view->chart()->options().panes, (std::vector<P>{P::Volume}));

    InputDialog::setNextText(QStringLiteral("長期"));
    main.action(QStringLiteral("mnuTemplateDelete"))->trigger();
    QVERIFY(layoutTemplates(home.context.paths.iniPath).empty());
}

void tst_frmMainChart::comparisonKeptWhileIssuesChange() {
    Home home;
    home.addEtf(300);
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("7203"));
    SeriesChartView* view = main.chartPanel()->seriesView;
    QVERIFY(view->chart());
    // Typed in full-width digits.
    InputDialog::setNextText(QStringLiteral("１３０６"));
    main.action(QStringLiteral("mnuCompareSet"))->trigger();
    QCOMPARE(view->chart()->compared().size(), std::size_t{1});
    QCOMPARE(view->chart()->compared().front().code, 1306);
    // Drawn in percent: 0 at the view's first bar, the main issue scaled to 100 at its first close.
    const SeriesView v = view->view();
    const Series pct = view->chart()->comparePercent(0, v);
    QCOMPARE(pct[static_cast<std::size_t>(v.first)], 0.0);
    const double firstClose = view->chart()->series().bars[static_cast<std::size_t>(v.first)].closeCarried.toDouble();
    QVERIFY(std::abs(view->chart()->priceScale(v, view->sceneLayout()).factor - 100.0 / firstClose) < 1e-9);
    QVERIFY(MessageBox::log().isEmpty());

    // Another issue: compared with the same code.
    main.MeiCode->setText(QStringLiteral("1306"));
    QCOMPARE(view->chart()->series().code, 1306);
    QCOMPARE(view->chart()->compared().size(), std::size_t{1});

    // A code not stored: told by name, the rest drawn and kept.
    main.MeiCode->setText(QStringLiteral("7203"));
    InputDialog::setNextText(QStringLiteral("1306 9999"));
    main.action(QStringLiteral("mnuCompareSet"))->trigger();
    QVERIFY(test::logged(QStringLiteral("比較銘柄 9999 の株価がありません（比較しません）。")));
    QCOMPARE(view->chart()->compared().size(), std::size_t{1});
    QCOMPARE(main.chartPanel()->layout().compare, (std::vector<std::int32_t>{1306}));
    // Kept in the layout; 比較を解除 ends it.
    main.chartPanel()->saveLayout();
    QCOMPARE(readProfileString(home.context.paths.iniPath, kSeriesLayoutSection, "Compare"), std::string("1306"));
    main.action(QStringLiteral("mnuCompareClear"))->trigger();
    QVERIFY(view->chart()->compared().empty());
    // A text that is no code list: told, the comparison untouched.
    InputDialog::setNextText(QStringLiteral("TOPIX"));
    main.action(QStringLiteral("mnuCompareSet"))->trigger();
    QVERIFY(MessageBox::log().back().contains(QStringLiteral("TOPIX")));
}

QTEST_MAIN(tst_frmMainChart)
#include "tst_frmMainChart.moc"
