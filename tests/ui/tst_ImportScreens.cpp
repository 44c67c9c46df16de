// The import screens driven through their widgets: opening dates, checks and their messages, modes,
// the daily import with its result, the busy flag, the converter start and the week-span screens.
#include "core/app/Encoding.h"
#include "core/startup/Startup.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/import/ImportUi.h"
#include "ui/import/frmReadData.h"
#include "ui/import/frmShinyoData.h"
#include "ui/import/frmSyuMakeData.h"
#include "ui/import/frmZenjitusa.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace kestrel;
using namespace kestrel::ui;
using kestrel::test::logged;

namespace {

Date day(int y, int m, int d) {
    return *Date::fromYmd(y, m, d);
}

struct Home : test::WindowHome {
    Home() { context.settings.hibiPath = context.paths.dataFolder + "/"; }
    void write(const std::string& name, const std::string& text) {
        std::string crlf;
        for (char c : text)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        test::writeFile(context.paths.dataFolder + "/" + name, *utf8ToCp932(crlf));
    }
};

struct Refusal {
    const char *start, *end, *message;
};

// Each pair of dates is typed (a screen without an end box takes the start only), the button clicked,
// and the one message shown is the expected one.
void refusals(QLineEdit* start, QLineEdit* end, QAbstractButton* go, std::initializer_list<Refusal> cases) {
    for (const Refusal& c : cases) {
        MessageBox::clearLog();
        start->setText(QString::fromUtf8(c.start));
        if (end)
            end->setText(QString::fromUtf8(c.end));
        QTest::mouseClick(go, Qt::LeftButton);
        QCOMPARE(MessageBox::log().size(), 1);
        QVERIFY2(logged(QString::fromUtf8(c.message)), qPrintable(MessageBox::log().join(QStringLiteral(";"))));
    }
}

} // namespace

class TestImportScreens : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
        setImportTodayForTests(day(2026, 1, 20)); // a Tuesday
    }

    void readScreenOpensAfterTheLatestDay() {
        struct {
            int latest; // 0: empty table
            const char *start, *end, *startDay;
            bool makeSyu;
        } cases[] = {
            {0, "26/01/20", "26/01/20", "火曜日", false},
            {20260108, "26/01/09", "26/01/20", "金曜日", true},  // a Friday start takes MakeSyu
            {20260109, "26/01/12", "26/01/20", "月曜日", false}, // after a Friday: the next Monday
            {20260122, "26/01/23", "26/01/23", "金曜日", true},  // later than today: the end follows
        };
        for (const auto& c : cases) {
            Home h;
            h.context.settings.MakeSyu = 1;
            if (c.latest)
                h.exec("INSERT INTO dayData VALUES (1301, " + std::to_string(c.latest) + ", 1,1,1,1,0,1,1)");
            QString hand;
            frmReadData f(h.context, hand);
            QCOMPARE(f.ReadDateji->text(), QString::fromUtf8(c.start));
            QCOMPARE(f.ReadDateitaru->text(), QString::fromUtf8(c.end));
            QCOMPARE(f.LabReadDateji->text(), QString::fromUtf8(c.startDay));
            QCOMPARE(f.ChkMakeSyu->isChecked(), c.makeSyu);
            QVERIFY(!f.ChkShinyo->isChecked());
        }
        // ReadSinyo on its weekday ticks the margin box and makes the range one day.
        Home h;
        h.context.settings.ReadSinyo = "水曜";
        setImportTodayForTests(day(2026, 1, 21));
        QString hand;
        frmReadData f(h.context, hand);
        QVERIFY(f.ChkShinyo->isChecked());
        QCOMPARE(f.ReadDateitaru->text(), f.ReadDateji->text());
        // The day buttons move the date, write it in the boxes' one form and name its weekday.
        QTest::mouseClick(f.findChild<QPushButton*>(QStringLiteral("CmdJiUp")), Qt::LeftButton);
        QCOMPARE(f.ReadDateji->text(), QStringLiteral("26/01/22"));
        QCOMPARE(f.LabReadDateji->text(), QStringLiteral("木曜日"));
        QTest::mouseClick(f.findChild<QPushButton*>(QStringLiteral("CmditarDu")), Qt::LeftButton);
        QCOMPARE(f.ReadDateitaru->text(), QStringLiteral("26/01/20"));
        f.ReadDateji->setText(QStringLiteral("x"));
        QCOMPARE(f.LabReadDateji->text(), QString());
    }

    void readScreenChecksBeforeItReads() {
        Home h;
        h.context.settings.hibiPath.clear();
        QString hand = QStringLiteral("2");
        frmReadData f(h.context, hand);
        int optionsOpened = 0;
        f.openOptions = [&] { ++optionsOpened; };
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(f.CmdReadData, Qt::LeftButton);
        QCOMPARE(MessageBox::log(),
                 QStringList{QStringLiteral("?確認|日々データーフォルダが登録されていません 今すぐ登録しますか？")});
        QCOMPARE(optionsOpened, 1);

        h.context.settings.hibiPath = h.context.paths.dataFolder + "/";
        f.ChkShinyo->setChecked(true);
        MessageBox::clearLog();
        QTest::mouseClick(f.CmdReadData, Qt::LeftButton); // unanswered: No
        QCOMPARE(MessageBox::log(),
                 QStringList{QStringLiteral("?確認|信用データーフォルダが登録されていません 今すぐ登録しますか？")});
        QCOMPARE(optionsOpened, 1);
        f.ChkShinyo->setChecked(false);

        refusals(f.ReadDateji, f.ReadDateitaru, f.CmdReadData,
                 {{"26/13/01", "26/01/20", "日付の入力が誤っています。"},
                  {"26/01/05", "x", "日付の入力が誤っています。"},
                  {"26/01/09", "26/01/05", "日付の範囲が誤っています。"}});
        QCOMPARE(h.text("SELECT count(*) FROM dayData"), QStringLiteral("0"));
    }

    void dailyImportReportsThroughHandOverTextAndRefusesClosingWhileBusy() {
        Home h;
        h.exec("INSERT INTO Mei VALUES (9999, 1, '消える', 1000, 1, 1)");
        h.write("Ds202601.05", "20260105\n2,Kestrel\n1301,0,極洋,100,110,90,100,5000\n1302,2,大証,1,1,1,1,1\n");
        h.write("Ds202601.06", "20260106\n1,Kestrel\n1301,0,極洋,101,106,100,105,3000\n");
        QString hand = QStringLiteral("2");
        frmReadData f(h.context, hand);
        int deletionOffered = 0;
        f.showReadDelMei = [&] { ++deletionOffered; };
        f.show();
        QCOMPARE(f.CmdReadData->text(), QStringLiteral("株価データー読込み"));
        QTRY_COMPARE(f.CmdReadData->text(), QStringLiteral("株価データー読み込み")); // mode "2"
        QCOMPARE(f.windowTitle(), QStringLiteral("株価データー読み込み"));
        f.ReadDateji->setText(QStringLiteral("26/01/05"));
        f.ReadDateitaru->setText(QStringLiteral("26/01/09"));
        bool refused = false;
        QTimer::singleShot(0, &f, [&] {
            f.close();
            refused = f.isVisible() && f.busy();
        });
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(f.CmdReadData, Qt::LeftButton);
        QVERIFY(refused);
        QVERIFY(!f.isVisible());
        QCOMPARE(hand, QStringLiteral("読み込み終了"));
        // The weekdays of the range without a file are named (no calendar is stored: the weekdays count).
        QCOMPARE(MessageBox::log(), (QStringList{QStringLiteral("?確認|株価データーの読込みを開始します。"),
                                                 QStringLiteral("!株価ケストレル|休場日でない日のデータがありません: "
                                                                "2026/01/07～2026/01/09（3 日）")}));
        QCOMPARE(h.text("SELECT group_concat(前日比) FROM dayData"), QStringLiteral("0,5"));
        QCOMPARE(deletionOffered, 1); // 9999 was not in the last file
    }

    void modeOneImportsTheIssueMasterAndCloses() {
        Home h;
        h.write("Regist.Mei", "20260105,1\n1301,1,極洋,1000,1\n");
        QString hand = QStringLiteral("1");
        frmReadData f(h.context, hand);
        int deletionOffered = 0;
        f.showReadDelMei = [&] { ++deletionOffered; };
        f.show();
        QTRY_VERIFY(!f.isVisible());
        QCOMPARE(f.windowTitle(), QStringLiteral("銘柄データー読み込み"));
        QCOMPARE(f.ReadMode, QStringLiteral("1"));
        QCOMPARE(hand, QStringLiteral("読み込み終了"));
        QCOMPARE(h.text("SELECT 銘柄 FROM Mei"), QStringLiteral("極洋"));
        QCOMPARE(deletionOffered, 0);

        QString again = QStringLiteral("3");
        frmReadData g(h.context, again);
        g.show();
        QTRY_VERIFY(!g.isVisible());
        QCOMPARE(again, QStringLiteral("銘柄ファイルが見つかりません。"));
    }

    void converterStartsWithTheRangeAsOneArgument() {
        Home h;
        QString program;
        QStringList args;
        frmReadData::setConverterLauncher([&](const QString& p, const QStringList& a) {
            program = p;
            args = a;
            return true;
        });
        QString hand;
        frmReadData f(h.context, hand);
        f.ReadDateji->setText(QStringLiteral("26/01/05"));
        f.ReadDateitaru->setText(QStringLiteral("26/01/09"));
        QTest::mouseClick(f.CmdFileConvert, Qt::LeftButton); // the question is answered No
        QCOMPARE(MessageBox::log(),
                 QStringList{QStringLiteral("?確認|銘柄データーを最新の状態にしてファイル変換を行いますか？（推奨）")});
        QVERIFY(program.endsWith(QStringLiteral("Plover")));
        QCOMPARE(args, QStringList{QStringLiteral("26/01/05,26/01/09")});

        // On Yes the issue master is refreshed first, in mode "4", and the screen stays open.
        h.write("Regist.Mei", "20260105,1\n1301,1,極洋,1000,1\n");
        int fetched = 0;
        f.runInternetRead = [&] { ++fetched; };
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        f.show();
        QTest::mouseClick(f.CmdFileConvert, Qt::LeftButton);
        QCOMPARE(fetched, 1);
        QCOMPARE(f.ReadMode, QStringLiteral("4"));
        QVERIFY(logged(QStringLiteral("読み込み終了")));
        QCOMPARE(hand, QString());
        QVERIFY(f.isVisible());
        frmReadData::setConverterLauncher([](const QString&, const QStringList&) { return true; });
    }

    void weekSpanScreensCheckTheSpanAndRun() {
        Home h;
        h.exec("INSERT INTO Mei VALUES (1301, 1, 'a', 1000, 1, 1)");
        h.exec("INSERT INTO dayData VALUES (1301, 20260107, 100, 110, 90, 105, 0, 10, 105)");
        frmSyuMakeData w(h.context);
        QCOMPARE(w.ReadDateji->text(), QStringLiteral("26/01/05"));
        QCOMPARE(w.ReadDateitaru->text(), QStringLiteral("26/01/23"));
        QVERIFY(w.Option1->isChecked());
        QTest::mouseClick(w.CmdStartDate, Qt::LeftButton);
        QCOMPARE(w.ReadDateji->text(), QStringLiteral("25/12/29"));
        w.Option2->setChecked(true);
        QTest::mouseClick(w.CmdStartDate, Qt::LeftButton);
        QCOMPARE(w.ReadDateji->text(), QStringLiteral("26/01/05"));
        QTest::mouseClick(w.CmdEndDate, Qt::LeftButton);
        QCOMPARE(w.ReadDateitaru->text(), QStringLiteral("26/01/30"));

        refusals(w.ReadDateji, w.ReadDateitaru, w.CmdMakeWeekData,
                 {{"26/01/06", "26/01/09", "期間自は必ず月曜日を指定して下さい。"},
                  {"26/01/05", "26/01/08", "期間至は必ず金曜日を指定して下さい。"},
                  {"26/01/12", "26/01/09", "日付の範囲が誤っています。"},
                  {"", "26/01/09", "日付の入力が誤っています。"}});
        MessageBox::clearLog();
        w.ReadDateji->setText(QStringLiteral("26/01/05"));
        w.ReadDateitaru->setText(QStringLiteral("26/01/09"));
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(w.CmdMakeWeekData, Qt::LeftButton);
        QCOMPARE(MessageBox::log().first(), QStringLiteral("?確認|週データーの作成を開始します。"));
        QVERIFY(logged(QStringLiteral("週データーの作成終了しました。")));
        QCOMPARE(h.text("SELECT 日付 || '|' || 終値 FROM weekData"), QStringLiteral("20260109|105"));

        frmShinyoData s(h.context);
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(s.CmdShinyoReadDate, Qt::LeftButton);
        QVERIFY(logged(QStringLiteral("信用データーが存在しませんでした。")));
    }

    void recomputationScreen() {
        Home h;
        h.exec("INSERT INTO Mei VALUES (1301, 1, 'a', 1000, 1, 1)");
        h.exec("INSERT INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 基準前日比) VALUES "
               "(1301, 20260109, 1, 1, 1, 100, 0, 1, 100), (1301, 20260116, 1, 1, 1, 104, 0, 1, 104)");
        frmZenjitusa z(h.context);
        QCOMPARE(z.txtStartDate->text(), QStringLiteral("25/12/20"));
        QVERIFY(z.Option1->isChecked());
        refusals(z.txtStartDate, nullptr, z.CmdSaikeisan, {{"x", "", "日付の入力が誤っています。"}});
        MessageBox::clearLog();
        z.txtStartDate->setText(QStringLiteral("2026/01/01"));
        z.Option2->setChecked(true);
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(z.CmdSaikeisan, Qt::LeftButton);
        QCOMPARE(MessageBox::log().first(), QStringLiteral("?確認|前日差再計算を開始します。"));
        QVERIFY(logged(QStringLiteral("前日差再計算終了しました。")));
        QCOMPARE(h.text("SELECT group_concat(前日比) FROM weekData"), QStringLiteral("0,4"));
    }
};

QTEST_MAIN(TestImportScreens)
#include "tst_ImportScreens.moc"
