// The main window's split choices reach the chart and the file: the 分割調整 entry of the chart menu
// (kept in Kestrel.ini), the note beside the detail labels, and the export's check box.
#include "core/app/Encoding.h"
#include "core/db/SplitTable.h"
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/chart/frmMain.h"

#include <QTest>

using namespace kestrel;
using namespace kestrel::ui;

class tst_frmMainSplit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theSwitchAndTheExportChoiceReachTheChartAndTheFile();
};

void tst_frmMainSplit::theSwitchAndTheExportChoiceReachTheChartAndTheFile() {
    MessageBox::setScripted(true);
    test::WindowHome home;
    home.context.settings.move1 = home.context.settings.move2 = home.context.settings.move3 = 2;
    home.context.settings.SaicoL = home.context.settings.RSIVR = 2;
    home.exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, '極洋', 1, 1)");
    const Date first = Date::today().addDays(-5), split = Date::today().addDays(-4);
    home.exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES (1301, " +
              std::to_string(first.ymd()) + ", 1000, 1010, 990, 1000, 0, 100), (1301, " + std::to_string(split.ymd()) +
              ", 505, 510, 500, 503, -497, 400)");
    {
        auto db = db::Database::open(home.context.paths.databasePath);
        QVERIFY(db);
        QVERIFY(db::addSplit(**db, 1301, split, 1, 2));
    }
    frmMain main(home.context);
    main.show();
    QAction* adjust = main.action(QStringLiteral("mnuBunkatuChosei"));
    QVERIFY(adjust && adjust->isCheckable() && adjust->isChecked());
    main.MeiCode->setText(QStringLiteral("1301"));
    ChartPanel* chart = main.chartPanel();
    QCOMPARE(chart->data().bars[0].close.roundToWhole(), 500);
    chart->KabukaList->setCurrentRow(1);
    QCOMPARE(chart->LblBunkatu->text(), QStringLiteral("株式分割（この足から新しい株価）"));
    chart->KabukaList->setCurrentRow(0);
    QVERIFY(chart->LblBunkatu->text().isEmpty());

    adjust->trigger(); // off: the bars as traded, at once and at the next start
    QCOMPARE(chart->data().bars[0].close.roundToWhole(), 1000);
    QCOMPARE(readProfileString(home.context.paths.iniPath, kIniSection, "BunkatuChosei"), std::string("0"));
    QVERIFY(!home.context.splitAdjust);

    // The export writes the bars as traded unless its check box is ticked.
    QAction* csv = main.action(QStringLiteral("mnudataoutputcsv"));
    const std::string file = home.context.paths.dataFolder + "/1301.Csv";
    for (bool ticked : {false, true}) {
        MessageBox::setNextAnswer(true);
        MessageBox::setNextCheck(ticked);
        csv->trigger();
        auto text = cp932ToUtf8(test::readFile(file));
        QVERIFY(text);
        QVERIFY2(text->find(ticked ? ",200,500,505,495,500\r\n" : ",100,1000,1010,990,1000\r\n") != std::string::npos,
                 text->c_str());
    }
}

QTEST_MAIN(tst_frmMainSplit)
#include "tst_frmMainSplit.moc"
