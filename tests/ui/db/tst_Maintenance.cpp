// The maintenance windows: cross-checks through wrkMei, deletions, the not-updated list, and grid edits
// written straight to the database (refused values leave the row as it was); the deletion window: its
// mode, its boxes and buttons, the order of its questions and messages.
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/db/frmDatament.h"
#include "ui/db/frmDeleteData.h"
#include "ui/db/frmEditMei.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

using namespace kestrel;
using namespace kestrel::ui;
using kestrel::test::column;
using kestrel::test::texts;

class TestMaintenance : public QObject {
    Q_OBJECT
    static QTableView* grid(QWidget& w, const char* name) {
        return w.findChild<QTableView*>(QString::fromLatin1(name));
    }
    static QLineEdit* box(QWidget& w, const char* name) { return w.findChild<QLineEdit*>(QString::fromLatin1(name)); }
    static void click(QWidget& w, const char* name) {
        QPushButton* b = w.findChild<QPushButton*>(QString::fromLatin1(name));
        QVERIFY(b);
        b->click();
    }

private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }

    void crossChecksListBothDirectionsAndDeleteTheSelection() {
        test::WindowHome home;
        home.exec("insert into wrkMei(コード) values (42)"); // left over from an earlier session
        for (int c : {1332, 1301, 1305})
            home.exec("insert into dayData(コード,日付) values (" + std::to_string(c) + ",20260105)");
        home.exec("insert into weekData(コード,日付) values (1305,20260105)");
        for (int c : {1305, 2000, 1999})
            home.exec("insert into Mei(コード,市場コード) values (" + std::to_string(c) + ",1)");
        frmDatament w(home.context);
        QTableView* g = grid(w, "MenteDBGrid");
        QCOMPARE(home.count("select count(*) from wrkMei"), 0LL);
        QCOMPARE(g->model()->rowCount(), 0);

        click(w, "CmdDelData");
        QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("!株価ケストレル|ﾘｽﾄから削除対象を選択して下さい。")});

        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        click(w, "CmdMake1");
        QCOMPARE(column(g, 0), texts({"1301", "1332"}));
        QCOMPARE(MessageBox::log(),
                 (QStringList{QStringLiteral("?確認|株価データーと銘柄登録を照合します　よろしいですか？"),
                              QStringLiteral("!株価ケストレル|照合終了しました。")}));
        MessageBox::setNextAnswer(true);
        click(w, "CmdMake2");
        QCOMPARE(column(g, 0), texts({"2000", "1999"}));

        // Delete the registration of the selected 1999, then the data of 2000.
        g->setCurrentIndex(g->model()->index(1, 0));
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        click(w, "CmdDelMei");
        QCOMPARE(MessageBox::log().first(),
                 QStringLiteral("?確認|コード=1999 の銘柄登録を削除します　よろしいですか？"));
        QCOMPARE(column(g, 0), QStringList{QStringLiteral("2000")});
        QCOMPARE(home.count("select count(*) from Mei where コード=1999"), 0LL);
        g->setCurrentIndex(g->model()->index(0, 0));
        MessageBox::setNextAnswer(true);
        click(w, "CmdDelData");
        QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|削除しました。"));
        QCOMPARE(column(g, 0), QStringList());
        QCOMPARE(home.count("select count(*) from Mei"), 1LL);

        // In weekly mode the check runs on the weekly bars.
        home.context.chartMode = 2;
        MessageBox::setNextAnswer(true);
        click(w, "CmdMake1");
        QCOMPARE(column(g, 0), QStringList());

        // 銘柄メンテナンス opens the issue grid modally.
        QCOMPARE(test::withModal([&] { click(w, "CmdMeiRegist"); }), QStringLiteral("frmEditMei"));
        QCOMPARE(home.openDatabaseFiles(), 0);
    }

    void notUpdatedIssuesAreListedAndDeletedEverywhere() {
        test::WindowHome home;
        home.exec("insert into Mei(コード,市場コード,更新Flg) values (1332,1,0), (1301,2,0), (1305,1,1)");
        for (int c : {1301, 1332, 1305}) {
            std::string s = std::to_string(c);
            home.exec("insert into dayData(コード,日付) values (" + s + ",20260105)");
            home.exec("insert into board(区分,コード) values (1," + s + ")");
        }
        frmReadDelMei w(home.context);
        QTableView* g = grid(w, "MeiDBGrid");
        QCOMPARE(column(g, 0), texts({"1301", "1332"}));

        click(w, "CmdDelete");
        QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|一覧から削除対象を選択して下さい。"));
        MessageBox::setNextAnswer(true);
        click(w, "CmdAllDelete");
        QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|終了しました。"));
        QCOMPARE(g->model()->rowCount(), 0);
        // Every table an issue's rows live in is the issue deletion's (core tests).
        for (const char* t : {"dayData", "board", "Mei"}) {
            QCOMPARE(home.count(std::string("select count(*) from ") + t + " where コード in (1301,1332)"), 0LL);
            QCOMPARE(home.count(std::string("select count(*) from ") + t + " where コード=1305"), 1LL);
        }
    }

    void gridEditsWriteThroughAndRefusedValuesKeepTheRow() {
        test::WindowHome home;
        home.exec("insert into Mei(コード,市場コード,銘柄,出来高単位,株価単位) values (1301,1,'極洋',1000,1)");
        frmEditMei w(home.context);
        QTableView* g = grid(w, "MeiDBGrid");
        QAbstractItemModel* m = g->model();
        QCOMPARE(m->index(0, 2).data().toString(), QStringLiteral("極洋"));
        struct {
            int column;
            const char* typed;
            const char* messagePart;
        } refused[] = {
            {1, "40000", "市場コード"},                                // beyond a 16-bit Integer
            {3, "3000000000", "出来高単位"},                           // beyond a Long
            {2, "あいうえおかきくけこさしすせそたちつてとな", "銘柄"}, // 21 characters in Text(20)
            {4, "abc", "株価単位"},
        };
        for (const auto& r : refused) {
            MessageBox::clearLog();
            QVERIFY(!m->setData(m->index(0, r.column), QString::fromUtf8(r.typed)));
            QCOMPARE(MessageBox::log().size(), 1);
            QVERIFY2(MessageBox::log().first().contains(QString::fromUtf8(r.messagePart)),
                     qPrintable(MessageBox::log().first()));
        }
        QCOMPARE(home.count("select 市場コード from Mei where コード=1301"), 1LL);
        QCOMPARE(home.count("select 出来高単位 from Mei where コード=1301"), 1000LL);
        QCOMPARE(m->index(0, 1).data().toString(), QStringLiteral("1"));

        // The key itself can change; later edits of the row follow it.
        QVERIFY(m->setData(m->index(0, 0), QStringLiteral("1302")));
        QVERIFY(m->setData(m->index(0, 3), QStringLiteral("100")));
        QCOMPARE(home.count("select 出来高単位 from Mei where コード=1302"), 100LL);
        QCOMPARE(home.count("select count(*) from Mei where コード=1301"), 0LL);
        QCOMPARE(home.openDatabaseFiles(), 0);
    }

    void barGridShowsTheMarginColumnsOnlyWeekly() {
        for (std::int16_t mode : {1, 2}) {
            test::WindowHome home(mode);
            home.exec("insert into dayData(コード,日付,終値,出来高) values (1301,20260106,250,1234.5), "
                      "(1301,20260105,240,10), (1332,20260105,1,1)");
            home.exec("insert into weekData(コード,日付,終値,売残,買残) values (1301,20260109,250,7,8)");
            frmEditKabuka w(home.context, QStringLiteral("1301,東１,極洋,本社"));
            QTableView* g = grid(w, "kabuDBGrid");
            QCOMPARE(g->model()->columnCount(), 10);
            QCOMPARE(g->isColumnHidden(8), mode == 1);
            QCOMPARE(g->isColumnHidden(9), mode == 1);
            // The hand-over text splits at its first three commas: a name may hold one.
            QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblMei"))->text(), QStringLiteral("本社"));
            QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Lblshijyo"))->text(), QStringLiteral("東１,極洋"));
            QCOMPARE(w.findChild<QLabel*>(QStringLiteral("kabukaDataCaption"))->text(), QStringLiteral("1301"));
            // Every shown column fits at the opening size: nothing to scroll sideways.
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(g->horizontalScrollBar()->maximum(), 0);
            if (mode == 1) {
                QCOMPARE(column(g, 1), texts({"2026/01/05", "2026/01/06"}));
                QCOMPARE(column(g, 7).last(), QStringLiteral("1234.5"));
                // A date typed short is stored as YYYYMMDD; a day that does not exist is refused.
                QVERIFY(g->model()->setData(g->model()->index(0, 1), QStringLiteral("26/01/02")));
                QCOMPARE(home.count("select count(*) from dayData where コード=1301 and 日付=20260102"), 1LL);
                QVERIFY(!g->model()->setData(g->model()->index(0, 1), QStringLiteral("26/02/30")));
            } else {
                QCOMPARE(column(g, 8), QStringList{QStringLiteral("7")});
            }
        }
    }

    void typedDatesDeleteTheRangeOfTheWeeklyBarsAndBalances() {
        test::WindowHome home(2);
        for (int d : {20260105, 20260112, 20260119}) {
            home.exec("insert into weekData(コード,日付) values (1301," + std::to_string(d) + ")");
            home.exec("insert into shinyo(コード,日付) values (1301," + std::to_string(d) + ")");
            home.exec("insert into dayData(コード,日付) values (1301," + std::to_string(d) + ")");
        }
        frmDeleteData w(home.context);
        w.show();
        click(w, "CmdKabukaDate");
        QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("!株価ケストレル|日付を入力して下さい。")});
        box(w, "TxtDeleteDate")->setFocus();
        QTest::keyClicks(box(w, "TxtDeleteDate"), QStringLiteral("260112"));
        QTest::keyClicks(box(w, "TxtIgoDeleteDate"), QStringLiteral("260119"));
        QCOMPARE(box(w, "TxtDeleteDate")->text(), QStringLiteral("26/01/12"));
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        click(w, "CmdKabukaDate");
        QCOMPARE(MessageBox::log(),
                 (QStringList{QStringLiteral("?確認|日付範囲の株価ﾃﾞｰﾀｰをすべて削除します　よろしいですか？"),
                              QStringLiteral("!株価ケストレル|削除終了しました。")}));
        QCOMPARE(home.count("select count(*) from weekData"), 1LL);
        QCOMPARE(home.count("select count(*) from shinyo"), 1LL);
        QCOMPARE(home.count("select count(*) from dayData"), 3LL);
        QCOMPARE(home.openDatabaseFiles(), 0);
    }

    void codeChangeAsksAboutEachTableThatHasTheNewCode() {
        test::WindowHome home;
        home.exec("insert into dayData(コード,日付) values (1301,20260105)");
        home.exec("insert into dayData(コード,日付) values (1302,20260106)");
        home.exec("insert into board(区分,コード) values (1,1302)");
        home.exec("insert into Mei(コード,市場コード) values (1301,1)");
        frmDeleteData w(home.context);
        box(w, "TxtSMeiCode")->setText(QStringLiteral("1301"));
        box(w, "TxtShijyoSCode")->setText(QStringLiteral("1"));
        box(w, "TxtUMeiCode")->setText(QStringLiteral("1302"));
        box(w, "TxtShijyoUCode")->setText(QStringLiteral("2"));
        // The order of the questions and what No keeps are the code change's (core tests).
        for (int i = 0; i < 3; ++i)
            MessageBox::setNextAnswer(true);
        click(w, "CmdDataUpdate");
        QCOMPARE(MessageBox::log().size(), 4);
        QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|変更終了しました。"));
        QCOMPARE(home.count("select count(*) from dayData where コード=1302"), 2LL);
        QCOMPARE(home.count("select 市場コード from Mei where コード=1302"), 2LL);

        MessageBox::clearLog();
        box(w, "TxtShijyoSCode")->setText(QString());
        click(w, "CmdDataUpdate");
        QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("!株価ケストレル|市場コードを入力して下さい。")});
    }

    void clearingEverythingReplacesTheFileWhileTheWindowIsOpen() {
        test::WindowHome home;
        home.exec("insert into Mei(コード,市場コード) values (1301,1)");
        frmDeleteData w(home.context);
        MessageBox::setNextAnswer(true);
        click(w, "CmdDataAllClear");
        QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|株価データーをすべて削除しました。"));
        QCOMPARE(home.count("select count(*) from Mei"), 0LL);
        QCOMPARE(home.count("select count(*) from Shijyo"), 6LL);
        MessageBox::setNextAnswer(true);
        box(w, "TxtMeiCode")->setText(QStringLiteral("1301"));
        click(w, "CmdMeiDelete");
        QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|削除終了しました。"));
        QCOMPARE(home.openDatabaseFiles(), 0);
    }
};

QTEST_MAIN(TestMaintenance)
#include "tst_Maintenance.moc"
