// The main window's chart of any span: 25 years of bars behind the default 110-bar view (the first bar
// shown has its averages), the monthly mode, the chart growing with the window, the price list moving
// the crosshair, and the layout kept across a restart.
#include "core/chart/SeriesNavigation.h"
#include "core/db/Schema.h"
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/chart/frmMain.h"

#include <QAction>
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
    int days = 0;
};

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

QTEST_MAIN(tst_frmMainChart)
#include "tst_frmMainChart.moc"
