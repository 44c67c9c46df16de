// The internet read window against a local server: modes, the stored file, dates, closing mid-transfer.
#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "platform/HttpTransfer.h"
#include "support/LocalHttpServer.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/net/frmIntReadData.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace kestrel;
using namespace kestrel::ui;
using kestrel::test::HttpRoute;
using kestrel::test::LocalHttpServer;

namespace {

const QString kMasterPath = QStringLiteral("/kabu/kabumei/Regist.mei");
const std::string kMaster = *utf8ToCp932("20001204,2\r\n1301,1,極洋,1000,1\r\n1332,1,日本水産,1000,1\r\n");

struct Home : test::WindowHome {
    QString handOver;
    int readDataOpened = 0;
    explicit Home(const QString& durl) { context.settings.DURL = durl.toStdString(); }
    std::unique_ptr<frmIntReadData> open(const QString& mode) {
        handOver = mode;
        auto w = std::make_unique<frmIntReadData>(context, handOver);
        w->openReadData = [this] { ++readDataOpened; };
        w->show();
        return w;
    }
    std::string master() const { return test::readFile(context.paths.dataFolder + "/Regist.Mei"); }
};

} // namespace

class TestIntReadData : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.start()); }
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
        m_server.clearRequests();
        m_server.setRoute(kMasterPath, QByteArray::fromStdString(kMaster));
        platform::HttpTransfer::setDefaultTimeoutMs(platform::HttpTransfer::kDefaultTimeoutMs);
    }

    void issueModeStoresTheFileAndOpensTheImport() {
        Home home(m_server.address() + QStringLiteral("/kabu"));
        auto w = home.open(QStringLiteral("1"));
        QTRY_COMPARE(w->LblText->text(), QStringLiteral("銘柄ﾃﾞｰﾀ自動取得"));
        QVERIFY(w->ReadDateji->isHidden() && w->ReadDateitaru->isHidden() && w->Label1->isHidden());
        m_server.clearRequests();
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(w->CmdInetRead, Qt::LeftButton);
        QCOMPARE(m_server.requests(), QStringList{kMasterPath});
        QCOMPARE(home.master(), kMaster);
        QCOMPARE(home.readDataOpened, 1);
        QCOMPARE(home.handOver, QStringLiteral("1"));
        QVERIFY(!w->isVisible());
        QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("?確認|銘柄データーを取得します　よろしいですか？")});
    }

    void answersThatAreNoIssueMasterLeaveTheOldFile() {
        struct Case {
            const char* what;
            QString mode;
            HttpRoute route;
            int timeoutMs;
            bool written;
            QString handOver;
        };
        const QString url = QStringLiteral("http://") + m_server.address() + kMasterPath;
        // Which answers replace the file, and their notes, are the download's (core tests); here the window
        // hands the note over, uses the transfer's time limit and leaves mode 4's import to its caller.
        const Case cases[] = {
            {"a server that never answers", QStringLiteral("1"), HttpRoute{200, "", -1}, 500, false,
             QStringLiteral("取得するファイルが見つかりません。\nサーバーから1秒応答がありません: ") + url},
            {"mode 4 stores the file but leaves the import to its caller", QStringLiteral("4"),
             HttpRoute{200, QByteArray::fromStdString(kMaster)}, 5000, true,
             QStringLiteral("取得するファイルが見つかりません。")},
        };
        for (const Case& c : cases) {
            Home home(m_server.address() + QStringLiteral("/kabu/"));
            test::writeFile(home.context.paths.dataFolder + "/Regist.Mei", "19991231,0\r\n");
            m_server.setRoute(kMasterPath, c.route);
            platform::HttpTransfer::setDefaultTimeoutMs(c.timeoutMs);
            auto w = home.open(c.mode);
            MessageBox::setNextAnswer(true);
            QTest::mouseClick(w->CmdInetRead, Qt::LeftButton);
            QVERIFY2(home.handOver.startsWith(c.handOver), qPrintable(home.handOver));
            QCOMPARE(home.master(), c.written ? kMaster : std::string("19991231,0\r\n"));
            QCOMPARE(home.readDataOpened, 0);
            QVERIFY(!w->isVisible());
            if (!c.written)
                QCOMPARE(w->LblText->text(), QStringLiteral("銘柄ﾃﾞｰﾀ ｽｷｯﾌﾟ"));
        }
    }

    void noToTheQuestionKeepsTheWindowAndEscapeClosesIt() {
        Home home(m_server.address());
        auto w = home.open(QStringLiteral("1"));
        MessageBox::setNextAnswer(false);
        QTest::mouseClick(w->CmdInetRead, Qt::LeftButton);
        QVERIFY(w->isVisible());
        QVERIFY(m_server.requests().isEmpty());
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(!w->isVisible());
        QCOMPARE(home.handOver, QString());
        QCOMPARE(MessageBox::log().size(), 1);
    }

    // The next data date and the latest stored date are worked out in the core tests; here the window
    // asks the table of its chart mode (a daily bar after the weekly one must not count), then checks
    // the typed range.
    void priceModeProposesTheNextDayAndChecksTheRange() {
        {
            Home empty(m_server.address()); // no daily bar: today
            empty.exec("INSERT INTO weekData (コード, 日付) VALUES (1301, 20000715)");
            auto e = empty.open(QStringLiteral("2"));
            QTRY_COMPARE(e->ReadDateji->text(), QString::fromStdString(Date::today().toYYMMDD()));
        }
        Home home(m_server.address());
        home.exec("INSERT INTO weekData (コード, 日付) VALUES (1301, 20000715)");
        home.exec("INSERT INTO dayData (コード, 日付) VALUES (1301, 20000720)");
        home.context.chartMode = 2;
        auto w = home.open(QStringLiteral("2"));
        QTRY_COMPARE(w->LblText->text(), QStringLiteral("株価ﾃﾞｰﾀ取得中"));
        QCOMPARE(w->ReadDateji->text(), QStringLiteral("00/07/17"));
        QCOMPARE(w->ReadDateitaru->text(), QStringLiteral("00/07/17"));
        // Leaving the start box copies it into the end box.
        w->activateWindow();
        w->ReadDateji->setFocus();
        w->ReadDateji->clear();
        QTest::keyClicks(w->ReadDateji, QStringLiteral("000720"));
        QCOMPARE(w->ReadDateji->text(), QStringLiteral("00/07/20"));
        w->ReadDateitaru->setFocus();
        QCOMPARE(w->ReadDateitaru->text(), QStringLiteral("00/07/20"));
        w->ReadDateji->setText(QStringLiteral("00/07/14"));
        w->ReadDateitaru->setText(QStringLiteral("00/07/10"));
        QTest::mouseClick(w->CmdInetRead, Qt::LeftButton);
        w->ReadDateitaru->setText(QStringLiteral("00/13/10"));
        QTest::mouseClick(w->CmdInetRead, Qt::LeftButton);
        QVERIFY(w->isVisible());
        w->ReadDateji->setText(QStringLiteral("00/07/10"));
        w->ReadDateitaru->setText(QStringLiteral("00/07/14"));
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(w->CmdInetRead, Qt::LeftButton);
        QCOMPARE(MessageBox::log(),
                 (QStringList{QStringLiteral("!株価ケストレル|日付範囲が誤っています。"),
                              QStringLiteral("!株価ケストレル|日付を入力して下さい。"),
                              QStringLiteral("?確認|00/07/10からのデーターを取得します　よろしいですか？")}));
        QCOMPARE(home.handOver, QStringLiteral("取得するファイルが見つかりません。"));
        QVERIFY(!w->isVisible());
        QVERIFY(m_server.requests().isEmpty());
    }

    void closingDuringTheTransferAsksAndCancels() {
        m_server.setRoute(kMasterPath, HttpRoute{200, "", -1});
        Home home(m_server.address() + QStringLiteral("/kabu/"));
        auto w = home.open(QStringLiteral("1"));
        bool stillRunningAfterNo = false;
        QTimer::singleShot(300, w.get(), [&] {
            MessageBox::setNextAnswer(false);
            QTest::mouseClick(w->CmdClose, Qt::LeftButton);
            stillRunningAfterNo = w->isVisible() && w->Inet->isBusy();
            QTest::mouseClick(w->CmdInetRead, Qt::LeftButton); // ignored while the transfer runs
            MessageBox::setNextAnswer(true);
            QTest::mouseClick(w->CmdClose, Qt::LeftButton);
        });
        MessageBox::setNextAnswer(true);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(w->CmdInetRead, Qt::LeftButton);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(stillRunningAfterNo);
        const QString restart =
            QStringLiteral("?確認|この操作を行うとコンピュータの再起動が必要となります よろしいですか？");
        QCOMPARE(MessageBox::log(),
                 (QStringList{QStringLiteral("?確認|銘柄データーを取得します　よろしいですか？"), restart, restart,
                              QStringLiteral("!株価ケストレル|必ずコンピュータを再起動してください。")}));
        QCOMPARE(home.handOver, QString());
        QVERIFY(!w->isVisible());
        QVERIFY(!fileExists(home.context.paths.dataFolder + "/Regist.Mei"));
        QCOMPARE(home.readDataOpened, 0);
        QCOMPARE(m_server.requests().size(), 1);
    }

private:
    LocalHttpServer m_server;
};

QTEST_MAIN(TestIntReadData)
#include "tst_frmIntReadData.moc"
