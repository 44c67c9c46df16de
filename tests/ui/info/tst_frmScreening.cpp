// The screening window over a small market, opened from the main window: a run and its rows, sorting
// by a header, a condition that does not parse, a row's chart in the main window, the rows as the issue
// list, a saved condition, and a run over a period saved as CSV.
#include "core/app/Files.h"
#include "support/WindowTestSupport.h"
#include "ui/app/FileDialog.h"
#include "ui/app/MessageBox.h"
#include "ui/chart/frmMain.h"
#include "ui/info/frmScreening.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <fstream>
#include <sstream>

using namespace kestrel;
using namespace kestrel::ui;
using kestrel::test::column;
using kestrel::test::listRows;
using kestrel::test::texts;

namespace {

// 1301 rises by 1 a day, 1332 falls by 1, 1400 stays at 100, on the weekdays 2024-02-01 .. 03-08;
// weekly bars of 1301 only.
struct Home : test::WindowHome {
    Home() {
        context.settings.move1 = 5;
        context.settings.move2 = 10;
        context.settings.move3 = 20;
        context.settings.SaicoL = 10;
        context.settings.RSIVR = 10;
        context.settings.ITORSO = 1;
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, '極洋', 1, 1),"
             " (1332, 2, '日水', 1, 1), (1400, 1, '零', 1, 1);");
        int i = 0;
        for (Date d = *Date::fromYmd(2024, 2, 1); d <= *Date::fromYmd(2024, 3, 8); d = d.addDays(1)) {
            if (d.isWeekend())
                continue;
            ++i;
            const std::string day = std::to_string(d.ymd());
            auto bar = [&](int code, int close, int change) {
                exec("INSERT INTO dayData VALUES (" + std::to_string(code) + "," + day + "," + std::to_string(close) +
                     "," + std::to_string(close) + "," + std::to_string(close) + "," + std::to_string(close) + "," +
                     std::to_string(change) + ",1000," + std::to_string(close) + ")");
            };
            bar(1301, 100 + i, 1);
            bar(1332, 126 - i, -1);
            bar(1400, 100, 0);
            if (d.weekday() == 6)
                exec("INSERT INTO weekData VALUES (1301," + day + ",1,1,1," + std::to_string(100 + i) +
                     ",5,5000,0,0,0)");
        }
    }
};

template <typename W> W* child(QWidget* w, const char* name) {
    auto* c = w->findChild<W*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no %s", name);
    return c;
}

// The screening window: a window of its own, not a child kept above the chart.
frmScreening* screeningWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<frmScreening*>(w); s && w->objectName() == QStringLiteral("frmScreening"))
            return s;
    return nullptr;
}

void clickHeader(QTableView* grid, int section) {
    QHeaderView* h = grid->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2));
}

} // namespace

class TestScreening : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        MessageBox::setDefaultTitle(QString());
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }

    void runsSortsOpensChartsAndFillsTheIssueList() {
        Home home;
        frmMain main(home.context);
        main.show();
        main.action(QStringLiteral("mnuScreening"))->trigger();
        auto* w = screeningWindow();
        QVERIFY(w && w->isVisible());
        QVERIFY(!main.findChild<frmScreening*>()); // not kept on top of the chart it opens
        QVERIFY(w->width() <= 1280 && w->height() <= 720);
        QCOMPARE(w->txtDate->text(), QStringLiteral("2024/03/08")); // the latest stored day

        // Enter in the condition box runs; rows in code order with the chart's values.
        w->txtCondition->setText(QStringLiteral("close > 0"));
        QTest::keyClick(w->txtCondition, Qt::Key_Return);
        QCOMPARE(column(w->gridScreen, 0), texts({"1301", "1332", "1400"}));
        QCOMPARE(column(w->gridScreen, 1), texts({"極洋", "日水", "零"}));
        QCOMPARE(column(w->gridScreen, 2), texts({"127", "99", "100"}));  // close
        QCOMPARE(column(w->gridScreen, 3), texts({"1", "-1", "0"}));      // change
        QCOMPARE(column(w->gridScreen, 5), texts({"125", "101", "100"})); // ma1: the last 5 closes
        QVERIFY(w->lblCount->text().endsWith(QStringLiteral("該当：3")));

        // A header click sorts by that column, a second click the other way.
        clickHeader(w->gridScreen, 2);
        const bool ascending = w->gridScreen->horizontalHeader()->sortIndicatorOrder() == Qt::AscendingOrder;
        QCOMPARE(column(w->gridScreen, 0),
                 ascending ? texts({"1332", "1400", "1301"}) : texts({"1301", "1400", "1332"}));
        clickHeader(w->gridScreen, 2);
        QCOMPARE(column(w->gridScreen, 0),
                 ascending ? texts({"1301", "1400", "1332"}) : texts({"1332", "1400", "1301"}));

        // A condition that does not parse names the place and runs nothing.
        w->txtCondition->setText(QStringLiteral("change > 0 and"));
        QTest::keyClick(w->txtCondition, Qt::Key_Return);
        QVERIFY2(MessageBox::log().last().startsWith(QStringLiteral("!|条件式の 15 文字目")),
                 qPrintable(MessageBox::log().last()));
        QCOMPARE(w->gridScreen->model()->rowCount(), 3);

        // Enter on a row shows its chart at the day in the main window.
        const int row = column(w->gridScreen, 0).indexOf(QStringLiteral("1332"));
        w->gridScreen->setFocus();
        w->gridScreen->selectRow(row);
        QTest::keyClick(w->gridScreen, Qt::Key_Return);
        QCOMPARE(main.MeiCode->text(), QStringLiteral("1332"));
        QCOMPARE(main.chartDate->text(), QStringLiteral("24/03/08"));
        QCOMPARE(main.LblMei->text(), QStringLiteral("日水"));
        QTRY_COMPARE(QApplication::activeWindow(), &main); // the chart comes forward
        QCOMPARE(main.chartPanel()->data().bars[static_cast<size_t>(main.chartPanel()->data().barCount - 1)].close,
                 Currency::fromWhole(99));

        // The rows, in the order shown, become the main window's issue list.
        main.ListMei->addItem(QStringLiteral("9999 old"));
        QTest::mouseClick(w->cmdMeiList, Qt::LeftButton);
        // Bars of 2024: the markets under their names since April 2022.
        QStringList expected = ascending ? texts({"1301 プライム 極洋", "1400 プライム 零", "1332 スタンダード 日水"})
                                         : texts({"1332 スタンダード 日水", "1400 プライム 零", "1301 プライム 極洋"});
        QCOMPARE(listRows(main.ListMei), expected);

        // Weekly, as of a Wednesday: the week's stored Friday before it, and the chart switches to weekly.
        w->optWeekly->setChecked(true);
        w->txtCondition->setText(QStringLiteral("change > 0"));
        w->txtDate->setText(QStringLiteral("2024/03/06"));
        QTest::mouseClick(w->cmdRun, Qt::LeftButton);
        QCOMPARE(w->txtDate->text(), QStringLiteral("2024/03/01"));
        QCOMPARE(column(w->gridScreen, 0), texts({"1301"}));
        const QPoint cell = w->gridScreen->visualRect(w->gridScreen->model()->index(0, 1)).center();
        QTest::mouseClick(w->gridScreen->viewport(), Qt::LeftButton, {}, cell); // a double click follows a press
        QTest::mouseDClick(w->gridScreen->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(main.MeiCode->text(), QStringLiteral("1301"));
        QCOMPARE(main.chartDate->text(), QStringLiteral("24/03/01"));
        QCOMPARE(home.context.chartMode, std::int16_t(2));

        // Monthly, as of a Wednesday: March as far as that day against February, and the monthly chart.
        w->optMonthly->setChecked(true);
        w->txtDate->setText(QStringLiteral("2024/03/06"));
        QTest::mouseClick(w->cmdRun, Qt::LeftButton);
        QCOMPARE(w->txtDate->text(), QStringLiteral("2024/03/06"));
        QCOMPARE(column(w->gridScreen, 0), texts({"1301"}));
        QVERIFY(w->lblCount->text().contains(QStringLiteral("月足")));
        QTest::mouseClick(w->gridScreen->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(w->gridScreen->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(main.chartDate->text(), QStringLiteral("24/03/06"));
        QCOMPARE(home.context.chartMode, std::int16_t(3));

        // A condition saved by name comes back from the list of saved ones.
        w->cmbScreens->setEditText(QStringLiteral("上昇"));
        QTest::mouseClick(w->cmdSaveScreen, Qt::LeftButton);
        QCOMPARE(w->cmbScreens->count(), 1);
        w->txtCondition->clear();
        w->cmbScreens->activated(0);
        QCOMPARE(w->txtCondition->text(), QStringLiteral("change > 0"));

        // Over a period, held 2 trading days: 1301 rises every day (daily bars again).
        w->optDaily->setChecked(true);
        w->txtFrom->setText(QStringLiteral("2024/03/04"));
        w->txtTo->setText(QStringLiteral("2024/03/08"));
        w->txtHold->setText(QStringLiteral("2"));
        QTest::mouseClick(w->cmdHeld, Qt::LeftButton);
        QVERIFY2(w->lblSummary->text().startsWith(QStringLiteral("営業日数 5  該当 5  うち 2 営業日後の終値あり 3")),
                 qPrintable(w->lblSummary->text()));
        const std::string csv = home.context.paths.dataFolder + "/held.csv";
        FileDialog::setNextFileName(QString::fromStdString(csv));
        QTest::mouseClick(w->cmdSaveCsv, Qt::LeftButton);
        std::ifstream in(csv);
        std::stringstream text;
        text << in.rdbuf();
        QVERIFY(text.str().rfind(
                    "日付,コード,銘柄,終値,決済日,決済終値,騰落率(%)\n2024-03-04,1301,極洋,123,2024-03-06,125,1.63\n",
                    0) == 0);

        // Esc closes the window.
        QTest::keyClick(w->gridScreen, Qt::Key_Escape);
        QTRY_VERIFY(!screeningWindow());
    }

    void theDateBoxTakesEveryFormAndDeviationsAreInPercent() {
        Home home;
        frmScreening w(home.context, nullptr, {});
        w.show();
        w.txtCondition->setText(QStringLiteral("close > 0"));
        // Typed key by key (the box adds its slashes), or committed by the IME in full-width digits: each
        // shows as YYYY/MM/DD after Enter, and the run is of that day.
        const struct {
            const char* typed;
            bool keys;
        } forms[] = {{"2024/03/06", true}, {"24/03/06", true}, {"240306", true}, {"２０２４／０３／０６", false}};
        for (const auto& f : forms) {
            w.txtDate->clear();
            if (f.keys)
                QTest::keyClicks(w.txtDate, QString::fromUtf8(f.typed));
            else
                w.txtDate->setText(QString::fromUtf8(f.typed));
            QTest::keyClick(w.txtDate, Qt::Key_Return);
            QCOMPARE(w.txtDate->text(), QStringLiteral("2024/03/06"));
            QTest::mouseClick(w.cmdRun, Qt::LeftButton);
            QVERIFY2(w.lblCount->text().startsWith(QStringLiteral("2024/03/06")), qPrintable(w.lblCount->text()));
        }
        QVERIFY(MessageBox::log().isEmpty());

        // 乖離1 in percent with one decimal, as the chart panel shows it: 1301 closes 127 over an average of 125.
        w.txtDate->setText(QStringLiteral("2024/03/08"));
        w.txtCondition->setText(QStringLiteral("乖離１ > １．５"));
        QTest::mouseClick(w.cmdRun, Qt::LeftButton);
        QCOMPARE(column(w.gridScreen, 0), texts({"1301"}));
        QCOMPARE(w.gridScreen->model()->headerData(8, Qt::Horizontal).toString(), QStringLiteral("乖離1\ndev1"));
        QCOMPARE(column(w.gridScreen, 8), texts({"1.6"}));
        // The 「?」 button lists every name with its meaning.
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cmdNames")), Qt::LeftButton);
        QVERIFY(
            MessageBox::log().last().contains(QStringLiteral("dev1（乖離1）: 移動平均1からの乖離（%、小数 1 桁）")));
    }
    // The company figures a condition names get columns of their own, after the chart's values.
    void showsTheCompanyFiguresTheConditionNames() {
        Home home;
        home.exec("INSERT INTO Kessan (DiscNo, コード, Code, DiscDate, DocType, CurPerType, CurPerEn, CurFYEn, "
                  "NxtFYEn, BPS, NxFEPS) VALUES ('1', 1301, '13010', 20230512, "
                  "'FYFinancialStatements_Consolidated_JP', 'FY', 20230331, 20230331, 20240331, '254', '12.7'), "
                  "('2', 1332, '13320', 20230512, 'FYFinancialStatements_Consolidated_JP', 'FY', 20230331, 20230331, "
                  "20240331, '198', '9')");
        frmMain main(home.context);
        main.show();
        main.action(QStringLiteral("mnuScreening"))->trigger();
        auto* w = screeningWindow();
        QVERIFY(w);
        w->txtCondition->setText(QStringLiteral("fper > 0 and pbr > 0"));
        QTest::keyClick(w->txtCondition, Qt::Key_Return);
        const QAbstractItemModel* m = w->gridScreen->model();
        const int columns = m->columnCount();
        QCOMPARE(m->headerData(columns - 2, Qt::Horizontal).toString(), QStringLiteral("予想PER\nfper"));
        QCOMPARE(m->headerData(columns - 1, Qt::Horizontal).toString(), QStringLiteral("PBR\npbr"));
        QCOMPARE(column(w->gridScreen, 0), texts({"1301", "1332"}));
        QCOMPARE(column(w->gridScreen, columns - 2), texts({"10", "11"}));   // 127 / 12.7, 99 / 9
        QCOMPARE(column(w->gridScreen, columns - 1), texts({"0.5", "0.5"})); // 127 / 254, 99 / 198
    }
};

QTEST_MAIN(TestScreening)
#include "tst_frmScreening.moc"
