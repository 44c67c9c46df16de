// The options dialog: shows the settings, and on closing (close box or Esc) repairs, saves and reloads;
// its J-Quants field's connection test.
#include "core/app/Date.h"
#include "core/settings/IniFile.h"
#include "core/startup/Startup.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"
#include "ui/app/FileDialog.h"
#include "ui/app/JQuantsOptions.h"
#include "ui/app/MessageBox.h"
#include "ui/app/frmOption.h"

#include <QTest>

using namespace kestrel;
using namespace kestrel::ui;

class TestOption : public QObject {
    Q_OBJECT

    struct Home {
        test::TempDir dir;
        AppContext context;
        Home() {
            context.paths = ProgramPaths::forFolder(dir.path());
            test::ScriptedPrompt p;
            SaveSettings(context.paths.iniPath, defaultSettingsText(dir.path()), true, p);
            LoadSettings(context.paths.iniPath, context.settings, p);
        }
        QString ini(const char* key) const {
            return QString::fromStdString(readProfileString(context.paths.iniPath, "Kestrel", key));
        }
    };
    template <typename W> static W* find(QWidget& w, const char* name) {
        return w.findChild<W*>(QString::fromLatin1(name));
    }

private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }

    void showsTheSettingsRecord() {
        Home home;
        home.context.settings.slidechart = 2.5f;
        home.context.settings.ITORSO = 3;
        home.context.settings.ALLITORSO = 2;
        frmOption w(home.context);
        QCOMPARE(find<QLineEdit>(w, "slidechart")->text(), QStringLiteral("2.5"));
        QCOMPARE(find<QLineEdit>(w, "move2")->text(), QStringLiteral("15"));
        QCOMPARE(find<QComboBox>(w, "CmbShinyo")->currentText(), QStringLiteral("しない"));
        QCOMPARE(find<QComboBox>(w, "CmbDelJyoho")->currentText(), QStringLiteral("30"));
        QVERIFY(find<QRadioButton>(w, "Option1")->isChecked());
        QVERIFY(find<QRadioButton>(w, "Option5")->isChecked());
        QVERIFY(find<QRadioButton>(w, "Option7")->isChecked());
        QVERIFY(find<QCheckBox>(w, "ChkMakeSyu")->isChecked());
    }

    // Every box reaches the file and the reloaded record; a slide interval out of range is repaired (the
    // repair rules themselves are the core test's).
    void closingRepairsSavesAndReloads() {
        Home home;
        test::TempDir data;
        frmOption w(home.context);
        w.show();
        find<QLineEdit>(w, "slidechart")->setText(QStringLiteral("0.4"));
        find<QLineEdit>(w, "move2")->clear();
        find<QComboBox>(w, "CmbDelJyoho")->setCurrentText(QStringLiteral("十日"));
        find<QComboBox>(w, "CmbShinyo")->setCurrentText(QStringLiteral("木曜"));
        find<QRadioButton>(w, "Option2")->setChecked(true);
        find<QRadioButton>(w, "Option4")->setChecked(true);
        FileDialog::setNextFileName(QString::fromStdString(data.path())); // chosen without a separator
        find<QPushButton>(w, "CmdPath")->click();
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());

        QCOMPARE(home.ini("slidechart"), QStringLiteral("1"));
        QCOMPARE(find<QLineEdit>(w, "slidechart")->text(), QStringLiteral("1"));
        QCOMPARE(home.context.settings.slidechart, 1.0f);
        QCOMPARE(home.ini("move2"), QStringLiteral("0"));
        QCOMPARE(home.context.settings.move2, std::int16_t(0));
        QCOMPARE(home.ini("DelJyoho"), QStringLiteral("10"));
        QCOMPARE(home.ini("ReadSinyo"), QStringLiteral("木曜"));
        QCOMPARE(home.ini("ScreenMode"), QStringLiteral("2"));
        QCOMPARE(home.ini("ITORSO"), QStringLiteral("2"));
        QCOMPARE(home.ini("hibiPath"), QString::fromStdString(data.path()));
        QCOMPARE(QString::fromStdString(home.context.settings.hibiPath), QString::fromStdString(data.path() + "/"));
        QCOMPARE(home.ini("MURL"), QString::fromUtf8(kDefaultServerAddress));
        QVERIFY2(MessageBox::log().isEmpty(), qPrintable(MessageBox::log().join(QLatin1Char('\n'))));
    }

    void theCloseBoxSavesOnceAndACancelledBrowseKeepsTheFolder() {
        Home home;
        frmOption w(home.context);
        w.show();
        find<QLineEdit>(w, "TxtsinyoFold")->setText(QStringLiteral("/srv/sinyo"));
        FileDialog::setNextFileName(QString());
        find<QPushButton>(w, "CmdPath2")->click();
        QCOMPARE(find<QLineEdit>(w, "TxtsinyoFold")->text(), QStringLiteral("/srv/sinyo"));
        find<QLineEdit>(w, "RSIVR")->setText(QStringLiteral("-3"));
        QVERIFY(w.close());
        QCOMPARE(home.ini("sinyoPath"), QStringLiteral("/srv/sinyo"));
        QCOMPARE(home.context.settings.sinyoPath, std::string("/srv/sinyo/"));
        QCOMPARE(home.context.settings.RSIVR, std::int16_t(-3));
    }
    // The J-Quants field: the connection test against a local server says what came back (rows, or the key
    // refused), and the pace is saved into Kestrel.ini while the key is not.
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

QTEST_MAIN(TestOption)
#include "tst_frmOption.moc"
