// The stock-information download window against a local server: dates, spin buttons, both buttons.
#include "core/app/Encoding.h"
#include "support/LocalHttpServer.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/info/frmIntInformation.h"

#include <QApplication>
#include <QFrame>
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

QByteArray cp932(const std::string& utf8) {
    return QByteArray::fromStdString(*utf8ToCp932(utf8));
}

struct Home : test::WindowHome {
    QString handOver;
    explicit Home(const QString& durl) { context.settings.DURL = durl.toStdString(); }
    std::unique_ptr<frmIntInformation> open() {
        auto w = std::make_unique<frmIntInformation>(context, handOver);
        w->show();
        return w;
    }
};

} // namespace

class TestIntInformation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.start()); }
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
        m_server.clearRequests();
    }

    void datesStartAfterTheLatestInformation() {
        const Date today = Date::today();
        struct Case {
            std::string sql;
            QString start, end;
        };
        const Case cases[] = {
            {"", QString::fromStdString(today.toYYMMDD()), QString::fromStdString(today.toYYMMDD())},
            {"VALUES ('d01', 20000714, 1, 1301, 'd')", QStringLiteral("00/07/17"),
             QString::fromStdString(today.toYYMMDD())},
            // Information of a later day than today: the range is that one day.
            {"VALUES ('d01', 20990105, 1, 1301, 'd')", QStringLiteral("99/01/06"), QStringLiteral("99/01/06")},
        };
        for (const Case& c : cases) {
            Home home(m_server.address());
            if (!c.sql.empty())
                home.exec("INSERT INTO informationData (種類コード, 日付, 順位, コード, Top種類コード) " + c.sql);
            auto w = home.open();
            QTRY_COMPARE(w->LblText->text(), QStringLiteral("株式情報自動取得....."));
            QCOMPARE(w->ReadDateji->text(), c.start);
            QCOMPARE(w->ReadDateitaru->text(), c.end);
            QCOMPARE(w->ShapeBox->width(), 0);
        }
    }

    // Day arithmetic is the date's (core tests); here each spin button moves its own box.
    void spinButtonsMoveADay() {
        Home home(m_server.address());
        auto w = home.open();
        QTRY_COMPARE(w->LblText->text(), QStringLiteral("株式情報自動取得....."));
        w->ReadDateji->setText(QStringLiteral("00/02/29"));
        w->ReadDateitaru->setText(QStringLiteral("01/01/01"));
        QTest::mouseClick(w->CmdJiUp, Qt::LeftButton);
        QTest::mouseClick(w->CmditarDu, Qt::LeftButton);
        QCOMPARE(w->ReadDateji->text() + w->ReadDateitaru->text(), QStringLiteral("00/03/0100/12/31"));
    }

    void listsOfAWeekThenKinds() {
        Home home(m_server.address() + QStringLiteral("/kabu"));
        home.exec("INSERT INTO informationClass VALUES ('d01','上昇',1),('w01','週',2)");
        for (int day = 10; day <= 14; ++day) {
            const QString ymd = QStringLiteral("200007%1").arg(day);
            const std::string list = "00/07/" + std::to_string(day) + " 1,    上昇\r\n1,1301,100,1234,5,x\r\n";
            m_server.setRoute(QStringLiteral("/kabu/jyhodata/") + ymd + QStringLiteral(".d01"), cp932(list));
            m_server.setRoute(QStringLiteral("/kabu/jyhodata/") + ymd + QStringLiteral(".w01"), cp932(list));
        }
        auto w = home.open();
        QTRY_COMPARE(w->LblText->text(), QStringLiteral("株式情報自動取得....."));
        w->ReadDateji->setText(QStringLiteral("00/07/10"));
        w->ReadDateitaru->setText(QStringLiteral("00/07/14"));
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(w->CmdInetRead[0], Qt::LeftButton);
        QCOMPARE(m_server.requests().size(), 6);
        QCOMPARE(m_server.requests().last(), QStringLiteral("/kabu/jyhodata/20000714.w01"));
        QCOMPARE(home.handOver, QStringLiteral("ダウンロード終了しました。"));
        QCOMPARE(home.count("select count(*) from informationData where 出来高 = 1234000"), 6);
        QCOMPARE(w->ShapeBox->width(), w->Label5->width() - 60);
        QVERIFY(!w->isVisible());
        QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("?確認|データーを取得します　よろしいですか？")});

        // Kinds: already loaded, so the question is whether to read them again (what No keeps is the
        // download's, core tests); Yes reads them.
        m_server.setRoute(QStringLiteral("/kabu/kabumei/infodata"), cp932("00/07/14 1\r\nd02,下落,3\r\n"));
        MessageBox::clearLog();
        m_server.clearRequests();
        home.handOver.clear();
        auto k = home.open();
        QTRY_COMPARE(k->LblText->text(), QStringLiteral("株式情報自動取得....."));
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(k->CmdInetRead[1], Qt::LeftButton);
        QCOMPARE(MessageBox::log(),
                 QStringList{QStringLiteral("?確認|種類データーはすでに読込みされています　再読込みを行いますか？")});
        QCOMPARE(m_server.requests(), QStringList{QStringLiteral("/kabu/kabumei/infodata")});
        QCOMPARE(home.handOver, QStringLiteral("ダウンロード終了しました。"));
        QCOMPARE(home.count("select count(*) from informationClass"), 3);
    }

    void closingMidRunStopsIt() {
        Home home(m_server.address());
        home.exec("INSERT INTO informationClass VALUES ('d01','a',1),('d02','b',2)");
        m_server.setRoute(QStringLiteral("/jyhodata/20000710.d01"), HttpRoute{200, "", -1});
        auto w = home.open();
        QTRY_COMPARE(w->LblText->text(), QStringLiteral("株式情報自動取得....."));
        w->ReadDateji->setText(QStringLiteral("00/07/10"));
        w->ReadDateitaru->setText(QStringLiteral("00/07/14"));
        QTimer::singleShot(300, w.get(), [&] {
            MessageBox::setNextAnswer(true);
            QTest::keyClick(w.get(), Qt::Key_Escape);
        });
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(w->CmdInetRead[0], Qt::LeftButton);
        QCOMPARE(m_server.requests(), QStringList{QStringLiteral("/jyhodata/20000710.d01")});
        QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|必ずコンピュータを再起動してください。"));
        QCOMPARE(home.handOver, QString());
        QVERIFY(!w->isVisible());
    }

private:
    LocalHttpServer m_server;
};

QTEST_MAIN(TestIntInformation)
#include "tst_frmIntInformation.moc"
