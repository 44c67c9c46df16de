// The deletion window: its mode, its boxes and buttons, the order of its questions and messages.
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/db/frmDeleteData.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace kestrel;
using namespace kestrel::ui;

class TestDeleteData : public QObject {
    Q_OBJECT
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

QTEST_MAIN(TestDeleteData)
#include "tst_frmDeleteData.moc"
