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
        // A Free key: today lies outside its window, which the service names; TOPIX and margin are refused.
        Date today = Date::today();
        auto iso = [](Date d) { return QString::fromStdString(d.toIso()); };
        const QString bars = QStringLiteral("/v2/equities/bars/daily?code=72030&from=%1&to=%2");
        server.setRoute(bars.arg(iso(today.addDays(-7)), iso(today)),
                        test::HttpRoute{400, R"({"message": "Your subscription covers the following dates: )"
                                             R"(2024-01-01 ~ 2024-01-10."})"});
        server.setRoute(bars.arg(QStringLiteral("2024-01-03"), QStringLiteral("2024-01-10")), R"({"data": []})");
        const QByteArray plan = R"({"message": "This API is not available on your subscription"})";
        server.setRoute(QStringLiteral("/v2/indices/bars/daily/topix?from=2024-01-03&to=2024-01-10"),
                        test::HttpRoute{403, plan});
        server.setRoute(QStringLiteral("/v2/markets/margin-interest?date=2024-01-10"), test::HttpRoute{403, plan});
        {
            JQuantsOptionsBox box(ini);
            box.JQuantsKey->setText(QStringLiteral(" secret\n"));
            QCOMPARE(
                QString::fromStdString(box.testConnection()),
                QStringLiteral("J-Quants に接続できました。\n株価: 取得できます\nTOPIX: 取得できません（Light 以上の"
                               "プラン）\n信用残: 取得できません（Standard 以上のプラン）\n取得できる期間: "
                               "2024/01/01～2024/01/10"));
            QCOMPARE(server.requests().size(), 4);
            // No key typed and none stored: refused before any request.
            server.clearRequests();
            box.JQuantsKey->setText(QStringLiteral("  "));
            qputenv("JQUANTS_API_KEY", "");
            QVERIFY(box.testConnection().find("API キーが登録されていません") != std::string::npos);
            QVERIFY(server.requests().isEmpty());
        }

        JQuantsOptionsBox box(ini);
        QCOMPARE(box.JQuantsPace->value(), 5);
        QCOMPARE(box.JQuantsKey->echoMode(), QLineEdit::Password);
        // The plan brings its pace, which is then not kept as an explicit pace; another pace is.
        box.JQuantsPlan->setCurrentText(QStringLiteral("Light"));
        QCOMPARE(box.JQuantsPace->value(), 60);
        test::ScriptedPrompt prompt;
        box.save(prompt);
        QCOMPARE(readProfileString(ini, "Kestrel", "JQuantsPlan"), std::string("Light"));
        QCOMPARE(readProfileString(ini, "Kestrel", "JQuantsPace"), std::string(""));
        box.JQuantsPace->setValue(30);
        box.save(prompt);
        QCOMPARE(readProfileString(ini, "Kestrel", "JQuantsPace"), std::string("30"));
        QVERIFY(prompt.notices.empty());
    }
};

QTEST_MAIN(TestOption)
#include "tst_frmOption.moc"
