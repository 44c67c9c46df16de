// Transfers against a real server on 127.0.0.1: outcomes, time limit, cancel; the two page channels.
#include "platform/HttpTransfer.h"
#include "platform/InetHttp.h"
#include "support/LocalHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <memory>

using namespace kestrel;
using namespace kestrel::platform;
using kestrel::test::HttpRoute;
using kestrel::test::LocalHttpServer;
using O = net::FetchResult::Outcome;

namespace {

const QByteArray kEucPage = "<p>\xA5\xC1\xA5\xE3\xA1\xBC\xA5\xC8</p>\n\x8E\xB1\x8E\xDF 1,234\n";
const QString kEucPageText = QStringLiteral("<p>チャート</p>\r\nｱﾟ 1,234\r\n");

QString closedAddress() {
    LocalHttpServer gone;
    gone.start();
    return gone.url(QStringLiteral("/x"));
}

} // namespace

class TestHttpTransfer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.setRoute(QStringLiteral("/ok"), QByteArray("20001204,1\r\n"));
        m_server.setRoute(QStringLiteral("/empty"), QByteArray());
        m_server.setRoute(QStringLiteral("/euc"), kEucPage);
        m_server.setRoute(QStringLiteral("/drop"), HttpRoute{200, QByteArray(1000, 'x'), 0, 300});
        m_server.setRoute(QStringLiteral("/never"), HttpRoute{200, "late", -1});
        m_server.setRoute(QStringLiteral("/late"), HttpRoute{200, "late", 250});
        m_server.setRoute(QStringLiteral("/broken"), HttpRoute{500, "<html>error</html>"});
    }

    void outcomesOfATransfer() {
        struct Case {
            const char* what;
            QString url;
            int timeoutMs;
            O outcome;
            int status;
            QByteArray body;
        };
        const Case cases[] = {
            {"a whole body", m_server.url(QStringLiteral("/ok")), 5000, O::Body, 200, "20001204,1\r\n"},
            {"an empty body", m_server.url(QStringLiteral("/empty")), 5000, O::Body, 200, ""},
            {"a missing file gives the error page", m_server.url(QStringLiteral("/none")), 5000, O::HttpError, 404,
             "<html><body>404 Not Found</body></html>"},
            {"a server error", m_server.url(QStringLiteral("/broken")), 5000, O::HttpError, 500, "<html>error</html>"},
            {"a connection dropped midway keeps what arrived", m_server.url(QStringLiteral("/drop")), 5000, O::Failed,
             200, QByteArray(300, 'x')},
            {"an answer within the limit", m_server.url(QStringLiteral("/late")), 3000, O::Body, 200, "late"},
            {"a server that never answers", m_server.url(QStringLiteral("/never")), 400, O::TimedOut, 0, ""},
            {"nobody listening", closedAddress(), 5000, O::Failed, 0, ""},
            {"not an address", QStringLiteral("http:// no host"), 5000, O::Failed, 0, ""},
        };
        for (const Case& c : cases) {
            HttpTransfer transfer;
            transfer.setTimeoutMs(c.timeoutMs);
            QElapsedTimer clock;
            clock.start();
            net::FetchResult r = transfer.OpenURL(c.url);
            QVERIFY2(r.outcome == c.outcome, c.what);
            QCOMPARE(r.httpStatus, c.status);
            QCOMPARE(QByteArray::fromStdString(r.body), c.body);
            QVERIFY2(clock.elapsed() < 2500 || c.outcome == O::Body, c.what);
            QVERIFY(!transfer.isBusy());
        }
        HttpTransfer limited;
        limited.setTimeoutMs(400);
        QCOMPARE(limited.OpenURL(m_server.url(QStringLiteral("/never"))).timeoutSeconds, 1);
    }

    void cancelEndsTheWaitAtOnce() {
        HttpTransfer transfer;
        QTimer::singleShot(100, &transfer, [&] {
            QVERIFY(transfer.isBusy());
            transfer.cancel();
        });
        QElapsedTimer clock;
        clock.start();
        net::FetchResult r = transfer.OpenURL(m_server.url(QStringLiteral("/never")));
        QVERIFY(r.outcome == O::Cancelled);
        QVERIFY(clock.elapsed() < 5000);
        // The object is ready for the next transfer.
        QVERIFY(transfer.OpenURL(m_server.url(QStringLiteral("/ok"))).complete());
    }

    void pageArrivesLaterConvertedOnTheUiThread() {
        struct Case {
            const char* what;
            QString url;
            QString text;
        };
        const Case cases[] = {
            {"an EUC-JP page with LF line ends", m_server.url(QStringLiteral("/euc")), kEucPageText},
            {"an empty body", m_server.url(QStringLiteral("/empty")), QString()},
            {"an unreachable server", closedAddress(), QString()},
        };
        qint32 id = 40;
        for (const Case& c : cases) {
            InetHttp inet;
            QSignalSpy spy1(&inet, &InetHttp::Gethtm1);
            QSignalSpy spy2(&inet, &InetHttp::Gethtm2);
            bool onUiThread = false;
            connect(&inet, &InetHttp::Gethtm1, this,
                    [&] { onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread(); });
            m_server.clearRequests();
            inet.DL(1, ++id, c.url);
            QVERIFY2(m_server.requests().isEmpty() && spy1.isEmpty(), "DL returned after network activity");
            QTRY_COMPARE_WITH_TIMEOUT(spy1.size(), 1, 5000);
            QCOMPARE(spy1.at(0).at(0).toString(), c.text);
            QCOMPARE(spy1.at(0).at(1).toInt(), id);
            QVERIFY(onUiThread);
            QVERIFY(spy2.isEmpty());
        }
    }

    void channelsRunApartAndKind3DoesNothing() {
        InetHttp a, b;
        QSignalSpy spyA(&a, &InetHttp::Gethtm1);
        QSignalSpy spyB(&b, &InetHttp::Gethtm2);
        a.DL(1, 1, m_server.url(QStringLiteral("/late")));
        b.DL(2, 2, m_server.url(QStringLiteral("/ok")));
        QTRY_COMPARE_WITH_TIMEOUT(spyB.size(), 1, 5000);
        QCOMPARE(spyA.size(), 0); // the slow page of channel 1 is still on its way
        QTRY_COMPARE_WITH_TIMEOUT(spyA.size(), 1, 5000);
        QCOMPARE(spyA.at(0).at(0).toString(), QStringLiteral("late"));
        QCOMPARE(spyB.at(0).at(1).toInt(), 2);

        // A second request on a channel before the first was fetched replaces it.
        m_server.clearRequests();
        a.DL(1, 5, m_server.url(QStringLiteral("/late")));
        a.DL(1, 6, m_server.url(QStringLiteral("/ok")));
        QTRY_COMPARE_WITH_TIMEOUT(spyA.size(), 2, 5000);
        QTest::qWait(400);
        QCOMPARE(spyA.size(), 2);
        QCOMPARE(spyA.at(1).at(1).toInt(), 6);
        QCOMPARE(m_server.requests(), QStringList{QStringLiteral("/ok")});

        InetHttp c;
        QSignalSpy spy1(&c, &InetHttp::Gethtm1);
        QSignalSpy spy2(&c, &InetHttp::Gethtm2);
        m_server.clearRequests();
        c.DL(3, 9, m_server.url(QStringLiteral("/ok")));
        QTest::qWait(300);
        QVERIFY(spy1.isEmpty() && spy2.isEmpty() && m_server.requests().isEmpty());
    }

private:
    LocalHttpServer m_server;
};

QTEST_GUILESS_MAIN(TestHttpTransfer)
#include "tst_HttpTransfer.moc"
