// The options dialog's J-Quants field: the connection test against a local server says what came back
// (rows, or the key refused), and the pace is saved into Kestrel.ini while the key is not.
#include "core/app/Date.h"
#include "core/settings/IniFile.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"
#include "ui/app/JQuantsOptions.h"

#include <QTest>

using namespace kestrel;
using namespace kestrel::ui;

class TestJQuantsOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectionTestAndSave() {
        test::LocalHttpServer server;
        QVERIFY(server.start());
        test::TempDir dir;
        const std::string ini = dir.file("Kestrel.ini");
        QVERIFY(writeProfileString(ini, "Kestrel", "JQuantsURL", server.url(QStringLiteral("/v2")).toStdString()));
        Date to = Date::today().addDays(-90), from = to.addDays(-6);
        const QString path = QStringLiteral("/v2/indices/bars/daily/topix?from=%1&to=%2")
                                 .arg(QString::fromStdString(from.toIso()), QString::fromStdString(to.toIso()));
        const std::string span = from.toIso() + "～" + to.toIso();
        const struct {
            int status;
            QByteArray body;
            const char* key;
            std::string expected;
        } cases[] = {
            {200, R"({"data": [{"Date": "2024-01-04", "O": 1, "H": 1, "L": 1, "C": 1}, {"Date": "2024-01-05"}]})",
             " secret\n", "J-Quants に接続できました（" + span + " の TOPIX 2 日分）"},
            {401, R"({"message": "The incoming token is invalid or expired."})", "wrong",
             "接続テスト: J-Quants が API キーを受け付けません（401）。キーが正しいか確かめてください（The incoming "
             "token is invalid or expired.）"},
            {200, "{\"data\": [", "secret", "接続テスト: J-Quants の応答が JSON として読めません"},
            {200, "", "  ", ""}, // no key typed and none stored: refused before any request
        };
        for (const auto& c : cases) {
            server.setRoute(path, test::HttpRoute{c.status, c.body});
            server.clearRequests();
            JQuantsOptionsBox box(ini);
            box.JQuantsKey->setText(QString::fromUtf8(c.key));
            std::string got = box.testConnection();
            if (c.expected.empty()) {
                QVERIFY2(got.find("API キーが登録されていません") != std::string::npos, got.c_str());
                QVERIFY(server.requests().isEmpty());
            } else {
                QCOMPARE(QString::fromStdString(got), QString::fromStdString(c.expected));
                QCOMPARE(server.requests(), QStringList{path});
            }
        }

        JQuantsOptionsBox box(ini);
        QCOMPARE(box.JQuantsPace->value(), 5);
        QCOMPARE(box.JQuantsKey->echoMode(), QLineEdit::Password);
        box.JQuantsPace->setValue(60);
        test::ScriptedPrompt prompt;
        box.save(prompt);
        QCOMPARE(readProfileString(ini, "Kestrel", "JQuantsPace"), std::string("60"));
        QVERIFY(prompt.notices.empty());
    }
};

QTEST_MAIN(TestJQuantsOptions)
#include "tst_JQuantsOptions.moc"
