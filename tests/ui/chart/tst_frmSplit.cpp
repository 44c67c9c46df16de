// Splits in the main window. 株式分割 opened from its menu: entering, confirming, dismissing and removing
// events through the controls and keys stores them, rebuilds the weeks with them and reloads the chart
// behind. The 分割調整 entry of the chart menu (kept in Kestrel.ini), the note beside the detail labels, and
// the export's check box reach the chart and the file.
#include "core/app/Encoding.h"
#include "core/db/SplitTable.h"
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/chart/frmMain.h"
#include "ui/chart/frmSplit.h"

#include <QTest>

using namespace kestrel;
using namespace kestrel::ui;

class tst_frmSplit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theControlsStoreTheEventsAndTheChartFollows();
    void theSwitchAndTheExportChoiceReachTheChartAndTheFile();
};

namespace {

const Date first = Date::today().addDays(-5), split = Date::today().addDays(-4);

// 1301 closes at 1,000 on `first` and at 503 on `split`, the day of a 1:2 split; 1332 has no bars.
struct Home : test::WindowHome {
    Home() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
        context.settings.move1 = context.settings.move2 = context.settings.move3 = 2;
        context.settings.SaicoL = context.settings.RSIVR = 2;
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, '極洋', 1, 1), "
             "(1332, 1, 'ニッスイ', 1, 1)");
        exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES (1301, " +
             std::to_string(first.ymd()) + ", 1000, 1010, 990, 1000, 0, 100), (1301, " + std::to_string(split.ymd()) +
             ", 505, 510, 500, 503, -497, 400)");
    }
};

QString rowText(const QTableWidget* list, int row) {
    QStringList cells;
    for (int col = 0; col < list->columnCount(); ++col)
        cells << list->item(row, col)->text();
    return cells.join(QLatin1Char('|'));
}

} // namespace

void tst_frmSplit::theControlsStoreTheEventsAndTheChartFollows() {
    Home home;
    const std::string day = std::to_string(split.ymd());
    // A weekly bar from the event's week on (not built from these days): each change rebuilds it at once.
    home.exec("INSERT INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES (1301, " + day +
              ", 1000, 1010, 500, 503, 0, 500)");
    auto staleWeeks = [&] { return home.text("SELECT count(*) FROM weekData WHERE 出来高 = 500"); };
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("1301"));
    QCOMPARE(main.chartPanel()->data().bars[0].close.roundToWhole(), 1000);
    auto stored = [&] {
        return home.text("SELECT group_concat(コード || ' ' || 日付 || ' ' || 分割前 || ':' || 分割後 || ' ' || 状態, "
                         "', ') FROM (SELECT * FROM Bunkatu ORDER BY コード)");
    };

    const QString seen = test::withModal(
        [&] { main.action(QStringLiteral("mnuBunkatu"))->trigger(); },
        [&](QDialog* d) {
            auto* form = qobject_cast<frmSplit*>(d);
            QVERIFY(form);
            QCOMPARE(form->txtCode->text(), QStringLiteral("1301"));
            QVERIFY(!form->chkAllMei->isChecked());
            QCOMPARE(form->ListBunkatu->rowCount(), 0);

            // A refused ratio says what core says and stores nothing; Enter adds.
            form->txtDate->setText(QString::fromStdString(split.toIso()));
            form->txtRatio->setText(QStringLiteral("0"));
            QTest::keyClick(form->txtRatio, Qt::Key_Return);
            std::int32_t before = 1, after = 1;
            QVERIFY(test::logged(QString::fromStdString(db::parseSplitRatio("0", before, after).message())));
            QCOMPARE(stored(), QString());
            QCOMPARE(staleWeeks(), QStringLiteral("1"));

            form->txtRatio->setText(QStringLiteral("2"));
            QTest::keyClick(form->txtRatio, Qt::Key_Return);
            QCOMPARE(stored(), QString::fromStdString("1301 " + day + " 1:2 1"));
            QCOMPARE(form->ListBunkatu->rowCount(), 1);
            QCOMPARE(rowText(form->ListBunkatu, 0),
                     QString::fromStdString("1301|極洋|" + split.toYYMMDD() + "|1:2|入力|確定"));
            QCOMPARE(staleWeeks(), QStringLiteral("0"));
            QCOMPARE(main.chartPanel()->data().bars[0].close.roundToWhole(), 500);

            // A proposal of another issue shows with every issue; confirmed, then dismissed.
            {
                auto db = db::Database::open(home.context.paths.databasePath);
                QVERIFY(db);
                QVERIFY(
                    db::proposeSplit(**db, {1332, split, 1, 3, db::SplitSource::Detected, db::SplitState::Proposed}));
            }
            form->chkAllMei->setChecked(true);
            QCOMPARE(form->ListBunkatu->rowCount(), 2);
            QCOMPARE(rowText(form->ListBunkatu, 1),
                     QString::fromStdString("1332|ニッスイ|" + split.toYYMMDD() + "|1:3|検出|提案"));
            form->ListBunkatu->selectRow(1);
            QTest::mouseClick(form->CmdConfirm, Qt::LeftButton);
            QCOMPARE(form->ListBunkatu->item(1, 5)->text(), QStringLiteral("確定"));
            QTest::mouseClick(form->CmdDismiss, Qt::LeftButton);
            QCOMPARE(stored(), QString::fromStdString("1301 " + day + " 1:2 1, 1332 " + day + " 1:3 2"));

            // Delete in the list removes the selected event after asking; the chart is as traded again.
            form->ListBunkatu->selectRow(0);
            MessageBox::setNextAnswer(true);
            QTest::keyClick(form->ListBunkatu, Qt::Key_Delete);
            QCOMPARE(stored(), QString::fromStdString("1332 " + day + " 1:3 2"));
            QCOMPARE(form->ListBunkatu->rowCount(), 1);
            QCOMPARE(main.chartPanel()->data().bars[0].close.roundToWhole(), 1000);

            QTest::keyClick(form->ListBunkatu, Qt::Key_Escape);
            QVERIFY(!form->isVisible());
        });
    QCOMPARE(seen, QStringLiteral("frmSplit"));
}

void tst_frmSplit::theSwitchAndTheExportChoiceReachTheChartAndTheFile() {
    Home home;
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

QTEST_MAIN(tst_frmSplit)
#include "tst_frmSplit.moc"
