// The converter's window: dates from the command line or the stored data (typed dates survive
// re-activation), source buttons, the editor, closing, and a job against a local HTTP server.
#include "core/app/Files.h"
#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/settings/IniFile.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"
#include "ui/converter/frmPlover.h"

#include <QCloseEvent>
#include <QFile>
#include <QTimer>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::services;

class tst_frmPlover : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        MessageBox::setScripted(true);
        cShellFile::setRecording(true);
    }

    void datesComeFromCommandLineOrStoredData() {
        test::TempDir dir;
        ConverterPaths paths = converterPaths(QString::fromStdString(dir.path()), QString::fromStdString(dir.path()));
        QVERIFY(db::CreateDatabaseFile(paths.databasePath).isOk());
        frmPlover withLine(paths, converter::defaultConverterSettings(), QStringLiteral("01/05/07,01/05/11"));
        QCOMPARE(withLine.ReadDateji->text(), QStringLiteral("01/05/07"));
        QCOMPARE(withLine.ReadDateitaru->text(), QStringLiteral("01/05/11"));
        QVERIFY(withLine.Option3->isChecked());
        QVERIFY(withLine.setOption[0]->isChecked());
        withLine.show();
        withLine.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&withLine));
        struct {
            const char *typedFrom, *typedTo, *from, *to;
        } activations[] = {
            {"01/05/08", "01/05/09", "01/05/08", "01/05/09"}, // typed since the command line: kept
            {"", "", "01/05/07", "01/05/11"},                 // empty boxes: the command line again
        };
        for (const auto& c : activations) {
            withLine.ReadDateji->setText(QString::fromLatin1(c.typedFrom));
            withLine.ReadDateitaru->setText(QString::fromLatin1(c.typedTo));
            QEvent activation(QEvent::ActivationChange);
            QApplication::sendEvent(&withLine, &activation);
            QCOMPARE(withLine.ReadDateji->text() + withLine.ReadDateitaru->text(),
                     QString::fromLatin1(c.from) + QString::fromLatin1(c.to));
        }

        {
            auto db = db::Database::open(paths.databasePath);
            QVERIFY(db.isOk());
            // A Friday as the latest stored date: both boxes propose the Monday after.
            QVERIFY((*db)
                        ->run("INSERT INTO daydata (コード, 日付, 始値, 高値, 安値, 終値, 出来高, 前日比, 基準前日比) "
                              "VALUES (1301, 20010511, 1, 1, 1, 1, 1, 0, 1)")
                        .isOk());
        }
        frmPlover window(paths, converter::defaultConverterSettings(), QString());
        QCOMPARE(window.ReadDateji->text(), QStringLiteral("01/05/14"));
        QCOMPARE(window.ReadDateitaru->text(), QStringLiteral("01/05/14"));
        QCOMPARE(proposedStartDate(Date::fromYmd(2001, 5, 9), Date::today()), *Date::fromYmd(2001, 5, 10));
    }

    void editedSourceTurnsBlueAndIsSavedOnClose() {
        test::TempDir dir;
        ConverterPaths paths = converterPaths(QString::fromStdString(dir.path()), QString::fromStdString(dir.path()));
        frmPlover window(paths, converter::defaultConverterSettings(), QStringLiteral("01/05/07,01/05/07"));
        QCOMPARE(window.setOption[3]->palette().color(QPalette::WindowText), QColor(0, 0, 0));
        QCOMPARE(window.setOption[0]->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        window.setOption[3]->click();
        QTimer::singleShot(0, [] {
            auto* edit = qobject_cast<frmEdit*>(QApplication::activeModalWidget());
            QVERIFY(edit);
            edit->TxtUrl[0]->setText(QStringLiteral("自分の配信"));
            edit->TxtUrl[2]->setText(QStringLiteral("http://127.0.0.1:9/"));
            edit->accept();
        });
        window.CmdEdit->click();
        QCOMPARE(window.setOption[3]->text(), QStringLiteral("自分の配信"));
        QCOMPARE(window.setOption[3]->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        window.Check1->setChecked(false);
        QVERIFY(window.close());
        auto back = converter::LoadConverterSettings(paths.iniPath);
        QCOMPARE(back.title(4), std::string("自分の配信"));
        QCOMPARE(back.data(4), std::string("http://127.0.0.1:9/"));
        QCOMPARE(back.setNo, 3);
        QCOMPARE(back.check1, 0);
    }

    // Once the main program used J-Quants the window opens on it, until a source is picked here; rows of
    // unregistered sources stay hidden but one.
    void jquantsPreselectedOnceUsedAndUnusedRowsHidden() {
        test::TempDir dir;
        ConverterPaths paths = converterPaths(QString::fromStdString(dir.path()), QString::fromStdString(dir.path()));
        QVERIFY(writeProfileString(paths.mainFolder + "/Kestrel.ini", "Kestrel", "JQuantsPlan", "Free").isOk());
        {
            frmPlover window(paths, converter::defaultConverterSettings(), QStringLiteral("01/05/07,01/05/07"));
            QVERIFY(window.setOption[8]->isChecked());
            QString rows;
            for (QRadioButton* b : window.setOption)
                rows += b->isHidden() ? QLatin1Char('.') : QLatin1Char('1');
            QCOMPARE(rows, QStringLiteral("1111...11"));
            window.setOption[1]->click();
            QVERIFY(window.close());
        }
        frmPlover again(paths, converter::LoadConverterSettings(paths.iniPath), QStringLiteral("01/05/07,01/05/07"));
        QVERIFY(again.setOption[1]->isChecked());
    }

    void jobAgainstLocalServerLogsAndRefusesClosingWhileBusy() {
        test::TempDir dir;
        QString home = QString::fromStdString(dir.path());
        ConverterPaths paths = converterPaths(home, home);
        QVERIFY(db::CreateDatabaseFile(paths.databasePath).isOk());
        QVERIFY(makeDir(paths.dataFolder).isOk());
        {
            auto db = db::Database::open(paths.databasePath);
            QVERIFY((*db)
                        ->run("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位, 更新Flg) "
                              "VALUES (1332, 1, '日本水産', 1000, 1, 0)")
                        .isOk());
        }
        test::LocalHttpServer server;
        QVERIFY(server.start());
        QFile archive(QString::fromStdString(test::testData("converter/20010507.lzh")));
        QVERIFY(archive.open(QIODevice::ReadOnly));
        test::HttpRoute slow{200, archive.readAll(), 300};
        server.setRoute(QStringLiteral("/k/20010507.lzh"), slow);
        auto settings = converter::defaultConverterSettings();
        settings.data(1) = server.url(QStringLiteral("/k/")).toStdString();
        frmPlover window(paths, settings, QStringLiteral("01/05/07,01/05/07"));
        window.show();
        bool refused = false;
        connect(&server, &test::LocalHttpServer::requested, this, [&] {
            QCloseEvent close;
            QApplication::sendEvent(&window, &close);
            refused = window.busy() && !close.isAccepted();
        });
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        window.CmdLzhdownload->click();
        QVERIFY(refused);
        QVERIFY(!window.busy());
        QStringList log = window.Text->toPlainText().split(QLatin1Char('\n'));
        QVERIFY2(log.contains(QStringLiteral("20010507.lzhを取得済")), qPrintable(log.join(QLatin1Char('|'))));
        QVERIFY(log.contains(QStringLiteral("20010507.csvをファイル変換終了")));
        QVERIFY(fileExists(paths.dataFolder + "/Ds200105.07"));
        QVERIFY(MessageBox::log().last().endsWith(
            QStringLiteral("|終了しました 右上の×で閉じて【株価データー読込み】を実行して下さい。")));
    }
};

QTEST_MAIN(tst_frmPlover)
#include "tst_frmPlover.moc"
