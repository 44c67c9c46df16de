// Board refreshes against quote pages served by a local HTTP server, EUC-JP encoded as the portal
// serves them.
#include "core/boards/BoardStore.h"
#include "core/settings/IniFile.h"
#include "services/boards/QuoteRefresh.h"
#include "support/LocalHttpServer.h"
#include "support/WindowTestSupport.h"

#include <QTest>
#include <QTimer>
#include <iconv.h>

using namespace kestrel;

namespace {

QByteArray eucJp(const std::string& utf8) {
    iconv_t cd = iconv_open("EUC-JP-MS", "UTF-8");
    std::string in = utf8;
    std::string out(in.size() * 2 + 16, '\0');
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1))
        qFatal("fixture text has no EUC-JP form");
    out.resize(out.size() - dstLeft);
    return QByteArray::fromStdString(out);
}

std::string row(int code, const std::string& cells) {
    const std::string c = std::to_string(code);
    return "<tr><td nowrap align=left><a href=\"/q?s=" + c + "&d=t\">" + c + "</a></td>" + cells +
           "<td nowrap><small><a href=\"/q?s=" + c + "&d=c\">チャート</a>・<a href=\"/p?s=" + c +
           "\">掲示板</a></small></td></tr>\r\n";
}

QByteArray page(const std::string& rows) {
    return eucJp(
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">"
        "<title>株価 - ﾎﾟｰﾀﾙ</title></head>\r\n<body><table border=0 cellpadding=2>\r\n"
        "<tr><th>コード</th><th>時刻</th><th>取引値</th><th>前日比</th><th></th><th>出来高</th><th></th></tr>\r\n" +
        rows + "</table></body></html>\r\n");
}

const std::string kRising = "<td nowrap><small>15:00</small></td><td nowrap><b>1,234</b></td>"
                            "<td nowrap><font color=ff0020>+12</font></td>"
                            "<td nowrap><font color=ff0020>+0.98%</font></td><td nowrap>1,234,000</td>";
const std::string kFlat = "<td nowrap><small>14:58</small></td><td nowrap><b>512</b></td><td nowrap>-</td>"
                          "<td nowrap>-</td><td nowrap>3,000</td>";

} // namespace

class tst_QuoteRefresh : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void threeIssuesOnTwoChannels();
    void deadHostCompletesOnce();
    void emptyBoardSaysSo();

private:
    void addIssue(int board, int code);
    std::vector<boards::BoardRow> rows(int board);
    int completions() const;

    std::unique_ptr<test::WindowHome> m_home;
    AppContext m_context;
    std::unique_ptr<test::ScriptedPrompt> m_prompt;
};

void tst_QuoteRefresh::init() {
    m_home = std::make_unique<test::WindowHome>();
    m_context = m_home->context;
    m_prompt = std::make_unique<test::ScriptedPrompt>();
}

void tst_QuoteRefresh::cleanup() {
    m_home.reset();
}

void tst_QuoteRefresh::addIssue(int board, int code) {
    auto d = db::openKestrelDatabase(m_context.paths.databasePath);
    QVERIFY(d);
    QVERIFY((*d)->run(
        "INSERT INTO board (区分, コード, 市場コード, 銘柄, 現在値, 現前日比, 現出来高) VALUES (?, ?, 1, 'x', "
        "77, 7, 7)",
        board, code));
}

std::vector<boards::BoardRow> tst_QuoteRefresh::rows(int board) {
    auto d = db::openKestrelDatabase(m_context.paths.databasePath);
    return *boards::readBoard(**d, board, boards::BoardOrder::CodeMarket);
}

int tst_QuoteRefresh::completions() const {
    return static_cast<int>(std::count_if(m_prompt->notices.begin(), m_prompt->notices.end(),
                                          [](const std::string& n) { return n.rfind("取得終了しました。", 0) == 0; }));
}

void tst_QuoteRefresh::threeIssuesOnTwoChannels() {
    test::LocalHttpServer server;
    QVERIFY(server.start());
    QVERIFY(writeProfileString(m_context.paths.iniPath, "Kestrel", "QuoteHost", server.address().toStdString()));
    addIssue(1, 7203); // the worked row, among others
    addIssue(1, 6758); // a dead page in the middle: the server closes without a body
    addIssue(1, 1301); // a page that has the table but not this issue's row
    addIssue(1, 9984); // a flat issue; the tick after the first hands it out
    addIssue(2, 7203); // board B is not touched
    server.setRoute(QStringLiteral("/q?s=7203&d=v2"),
                    {200, page(row(7201, kFlat) + row(7203, kRising) + row(72030, kFlat)), 0, -1, "text/html"});
    server.setRoute(QStringLiteral("/q?s=6758&d=v2"), {200, QByteArray(), 0, -1, "text/html"});
    server.setRoute(QStringLiteral("/q?s=1301&d=v2"), {200, page(row(13010, kRising)), 0, -1, "text/html"});
    server.setRoute(QStringLiteral("/q?s=9984&d=v2"), {200, page(row(9984, kFlat)), 300, -1, "text/html"});

    services::QuoteRefresh refresh(m_context, *m_prompt);
    refresh.setBoard(1);
    QVERIFY(refresh.CmdInet());
    QCOMPARE(QString::fromStdString(m_prompt->questions.at(0)),
             QStringLiteral("確認|インターネットから株価を取得します　宜しいですか？"));
    QVERIFY(!readProfileString(m_context.paths.iniPath, "Kestrel", "boarddateA").empty());
    QTRY_VERIFY_WITH_TIMEOUT(!refresh.busy(), 15000);
    QTest::qWait(1200); // no second completion message after the end
    QCOMPARE(completions(), 1);
    QCOMPARE(m_prompt->notices.size(), size_t(1));
    // The dead page and the page without the row are named in the board's order.
    QCOMPARE(QString::fromStdString(m_prompt->notices.at(0)),
             QStringLiteral("取得終了しました。\n2 銘柄の現在値を取得できませんでした。\n未取得: 6758 1301"));
    QCOMPARE(refresh.failedCodes(), (std::vector<std::int32_t>{6758, 1301}));

    const QStringList requests = server.requests();
    QCOMPARE(requests.size(), 4);
    QCOMPARE(QSet<QString>(requests.begin(), requests.begin() + 2),
             (QSet<QString>{QStringLiteral("/q?s=7203&d=v2"), QStringLiteral("/q?s=6758&d=v2")}));

    struct Expect {
        int code, now, change, volume;
    } expected[] = {{1301, 77, 7, 7}, {6758, 77, 7, 7}, {7203, 1234, 12, 1234000}, {9984, 512, 0, 3000}};
    const auto got = rows(1);
    QCOMPARE(got.size(), std::size(expected));
    for (size_t i = 0; i < got.size(); ++i) {
        QCOMPARE(got[i].code, expected[i].code);
        QCOMPARE(got[i].now, expected[i].now);
        QCOMPARE(got[i].nowChange, expected[i].change);
        QCOMPARE(got[i].nowVolume, Currency::fromWhole(expected[i].volume));
    }
    QCOMPARE(rows(2).at(0).now, 77);
}

void tst_QuoteRefresh::deadHostCompletesOnce() {
    QString address;
    {
        test::LocalHttpServer gone; // nothing listens on its port once it is gone
        QVERIFY(gone.start());
        address = gone.address();
    }
    QVERIFY(writeProfileString(m_context.paths.iniPath, "Kestrel", "QuoteHost", address.toStdString()));
    for (int code : {1301, 1332, 7203})
        addIssue(2, code);
    services::QuoteRefresh refresh(m_context, *m_prompt);
    refresh.setBoard(2);
    QVERIFY(refresh.CmdInet(false));
    QTRY_VERIFY_WITH_TIMEOUT(!refresh.busy(), 30000);
    QTest::qWait(700);
    QCOMPARE(completions(), 1);
    QCOMPARE(QString::fromStdString(m_prompt->notices.back()),
             QStringLiteral("取得終了しました。\n3 銘柄の現在値を取得できませんでした。\n未取得: 1301 1332 7203"));
    for (const auto& r : rows(2))
        QCOMPARE(r.now, 77); // kept, not zeroed
    QVERIFY(!readProfileString(m_context.paths.iniPath, "Kestrel", "boarddateB").empty());
}

void tst_QuoteRefresh::emptyBoardSaysSo() {
    services::QuoteRefresh refresh(m_context, *m_prompt);
    refresh.setBoard(1);
    QVERIFY(!refresh.CmdInet(false));
    QCOMPARE(QString::fromStdString(m_prompt->notices.at(0)), QStringLiteral("取得する銘柄がありません。"));
    QVERIFY(!refresh.running());
    QCOMPARE(services::QuoteRefresh::quoteHost(m_context.paths.iniPath), std::string("quote.example"));
}

QTEST_MAIN(tst_QuoteRefresh)
#include "tst_QuoteRefresh.moc"
