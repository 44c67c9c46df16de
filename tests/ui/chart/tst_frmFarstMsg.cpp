// The first start as a new user meets it: through J-Quants on the Free plan against a local J-Quants-shaped
// server (key typed, plan chosen, connection test, fetch with Enter, the chart of the first issue), and a
// data-server download that fails (said as such with DURL, never as an up-to-date issue master; the window
// stays on the J-Quants road).
#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/chart/ChartData.h"
#include "core/settings/IniFile.h"
#include "support/LocalHttpServer.h"
#include "support/WindowTestSupport.h"
#include "ui/app/JQuantsOptions.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"
#include "ui/chart/ChartPanel.h"
#include "ui/chart/frmFarstMsg.h"
#include "ui/chart/frmMain.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace kestrel;
using namespace kestrel::ui;

namespace {

const QByteArray kKey = "free-key-51c2";

struct Home : test::WindowHome {
    Home() {
        context.settings.MURL = "www.example.jp/";
        context.settings.hibiPath = context.paths.dataFolder + "/";
        context.settings.MakeSyu = 1;
        context.settings.move1 = 5;
        context.settings.move2 = 10;
        context.settings.move3 = 20;
        // The kinds file shipped beside the program: two kinds.
        test::writeFile(dir.file("infodata"), *utf8ToCp932("00/07/14 2\r\nd01,値上がり率,1\r\nw01,週間上昇,2\r\n"));
    }
    void ini(const char* key, const std::string& value) {
        QVERIFY(writeProfileString(context.paths.iniPath, "Kestrel", key, value));
    }
};

// The J-Quants-shaped test server of the command-line tests, on the Free plan: its window ends 12 weeks
// ago and holds two issues on every weekday of its last four weeks.
struct JQuantsServer : test::JQuantsProcess {
    Date windowEnd = Date::today().addDays(-84);

    bool start() {
        const Date windowStart = windowEnd.addDays(-60);
        QDir().mkpath(QString::fromStdString(root.file("www/equities_master")));
        QDir().mkpath(QString::fromStdString(root.file("www/equities_bars_daily")));
        std::string all;
        int i = 0;
        for (Date d = windowEnd.addDays(-27); !(windowEnd < d); d = d.addDays(1)) {
            if (d.isWeekend())
                continue;
            const std::string day = d.toIso(), c = std::to_string(3000 + 10 * (i++ % 7));
            test::writeFile(root.file("www/equities_master/" + day + ".json"),
                            R"({"data": [{"Date": ")" + day +
                                R"(", "Code": "72030", "CoName": "トヨタ自動車", "Mkt": "0111"},)" + R"({"Date": ")" +
                                day + R"(", "Code": "13010", "CoName": "極洋", "Mkt": "0111"}]})");
            const std::string rows =
                R"({"Date": ")" + day + R"(", "Code": "13010", "O": )" + c + ", \"H\": " + c + ", \"L\": " + c +
                ", \"C\": " + c + R"(, "Vo": 100, "AdjFactor": 1},)" + R"({"Date": ")" + day +
                R"(", "Code": "72030", "O": 2600, "H": 2650, "L": 2580, "C": 2620, "Vo": 900, "AdjFactor": 1})";
            test::writeFile(root.file("www/equities_bars_daily/" + day + ".json"), "{\"data\": [" + rows + "]}");
            all += (all.empty() ? "" : ",") + rows;
        }
        test::writeFile(root.file("www/equities_bars_daily/all.json"), "{\"data\": [" + all + "]}");
        return run({QStringLiteral("--key"), QString::fromLatin1(kKey), QStringLiteral("--plan"),
                    QStringLiteral("free"), QStringLiteral("--window"),
                    QString::fromStdString(windowStart.toIso() + "~" + windowEnd.toIso()), QStringLiteral("--lifetime"),
                    QStringLiteral("120")});
    }
};

bool anyLogged(const QString& part) {
    for (const QString& e : MessageBox::log())
        if (e.contains(part))
            return true;
    return false;
}

// Shows the main window as a start that created the database hands it over, and gives `inside` the
// first-start window each time it becomes the active modal window; other windows go to `other`.
void firstStart(frmMain& main, const std::function<void(frmFarstMsg*)>& inside,
                const std::function<void(QDialog*)>& other = {}) {
    main.HandOverText = QStringLiteral("3");
    auto* poll = new QTimer(&main);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, inside, other, last = static_cast<QWidget*>(nullptr)]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == last)
            return;
        last = modal;
        if (auto* first = qobject_cast<frmFarstMsg*>(modal))
            QTimer::singleShot(0, first, [inside, first] { inside(first); });
        else if (auto* d = qobject_cast<QDialog*>(modal); d && other)
            QTimer::singleShot(0, d, [other, d] { other(d); });
        (void)poll;
    });
    poll->start();
    main.show();
}

} // namespace

class tst_frmFarstMsg : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        test::scriptWindows();
        qputenv("JQUANTS_API_KEY", "");
    }

    void jquantsRoadEndsOnTheChartOfTheFirstIssue() {
        JQuantsServer server;
        QVERIFY(server.start());
        Home home;
        home.ini("JQuantsURL", "http://127.0.0.1:" + std::to_string(server.port));
        frmMain main(home.context);
        int shown = 0;
        QList<int> bar;     // the progress bar's values: one step per request, from the first
        QStringList before; // the window's line before the first request
        firstStart(main, [&](frmFarstMsg* w) {
            ++shown;
            QObject::connect(w->JQuantsProgress, &QProgressBar::valueChanged, w, [&, w](int v) {
                if (bar.isEmpty())
                    before << w->LblJQuants->text();
                bar << v;
            });
            QVERIFY(w->sizeHint().width() <= 1280 && w->sizeHint().height() <= 720);
            w->JQuants->JQuantsKey->setText(QString::fromLatin1(" " + kKey + " "));
            w->JQuants->JQuantsPlan->setCurrentText(QStringLiteral("Free"));
            w->JQuants->JQuantsPace->setValue(6000); // the test's server needs no pause between requests
            w->JQuants->CmdJQuantsTest->click();
            QVERIFY(MessageBox::log().last().contains(
                QStringLiteral("株価: 取得できます\nTOPIX: 取得できません（Light 以上のプラン）")));
            // Enter in the key field runs the fetch; the market's history is declined.
            MessageBox::setNextAnswer(false);
            QTest::keyClick(w->JQuants->JQuantsKey, Qt::Key_Return);
        });
        QTRY_VERIFY_WITH_TIMEOUT(main.MeiCode->text() == QStringLiteral("1301"), 60000);
        QCOMPARE(shown, 1);
        QVERIFY(bar.size() >= 10);
        QCOMPARE(bar.first(), 1);
        QVERIFY2(before.first().contains(
                     QStringLiteral("約 22 回に分けて取得します（ご契約のプラン Free の速さで約 1 分）")),
                 qPrintable(before.first()));
        // No request for the range the plan hides (the calendar asked once, inside the window) and one
        // list of issues.
        const QString log = server.log();
        QCOMPARE(log.count(QStringLiteral("/markets/calendar")), 1);
        QCOMPARE(log.count(QStringLiteral("/equities/master")), 1);
        // The market's history was offered once, with its time at the plan's pace, and is not offered again.
        QCOMPARE(MessageBox::log().filter(QStringLiteral("バックグラウンドで取得しますか")).size(), 1);
        QVERIFY(anyLogged(QStringLiteral("毎分 6000 回の上限で約 1 分かかります")));
        QCOMPARE(readProfileString(home.context.paths.iniPath, "Kestrel", kHistoryAskedKey), std::string("1"));
        QVERIFY(!main.history()->backfillRunning());
        QTRY_VERIFY(main.chartPanel()->data().lastLoadedCode == 1301);
        QCOMPARE(main.chartPanel()->data().barCount, std::int16_t(10));
        QCOMPARE(main.LblMei->text(), QStringLiteral("極洋"));
        // The last ten weekdays up to the window's end, both issues, their weeks.
        QCOMPARE(home.count("SELECT count(*) FROM daydata WHERE コード = 7203"), 10LL);
        Date last = server.windowEnd;
        while (last.isWeekend())
            last = last.addDays(-1);
        QCOMPARE(home.text("SELECT max(日付) FROM daydata"),
                 QString::fromStdString(last.toIso()).remove(QLatin1Char('-')));
        QVERIFY(home.count("SELECT count(*) FROM weekdata WHERE コード = 1301") >= 2);
        QCOMPARE(home.count("SELECT count(*) FROM informationClass"), 2LL);
        QTRY_VERIFY(MessageBox::log().last().contains(QStringLiteral("の株価（10 日分）を取り込みました。")));
        QVERIFY(!anyLogged(QStringLiteral("銘柄登録を最新にしました")));
        // The key stays out of every file of the program folder.
        for (QDirIterator it(QString::fromStdString(home.dir.path()), QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString file = it.next();
            QVERIFY2(!QByteArray::fromStdString(test::readFile(file.toStdString())).contains(kKey), qPrintable(file));
        }
    }

    // Cancel ends the run inside the plan's wait between requests; the window stays for another try and
    // nothing was imported.
    void cancelStopsTheFetch() {
        JQuantsServer server;
        QVERIFY(server.start());
        Home home;
        home.ini("JQuantsURL", "http://127.0.0.1:" + std::to_string(server.port));
        frmMain main(home.context);
        QString label;
        bool fetchAgain = false;
        firstStart(main, [&](frmFarstMsg* w) {
            w->JQuants->JQuantsKey->setText(QString::fromLatin1(kKey));
            w->JQuants->JQuantsPlan->setCurrentText(QStringLiteral("Free")); // 5 a minute: 12 s between requests
            QTimer::singleShot(1500, w, [w] { w->CmdJQuantsCancel->click(); });
            w->CmdJQuantsFetch->click();
            label = w->LblJQuants->text();
            fetchAgain = w->CmdJQuantsFetch->isEnabled() && !w->CmdJQuantsCancel->isEnabled();
            w->reject();
        });
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE(main.MeiCode->text(), QStringLiteral("1"));
        QVERIFY(clock.elapsed() < 8000);
        QCOMPARE(label, QStringLiteral("中止しました。取得済みの日のファイルはそのまま残っています。"));
        QVERIFY(fetchAgain);
        QCOMPARE(home.count("SELECT count(*) FROM daydata"), 0LL);
    }

    void failedDataServerDownloadOffersJQuants() {
        test::LocalHttpServer dataServer; // knows no file: the download finds nothing
        QVERIFY(dataServer.start());
        Home home;
        home.context.settings.DURL = (dataServer.address() + QStringLiteral("/kabu")).toStdString();
        frmMain main(home.context);
        QStringList seen;
        bool stayedOnKey = false, keyRowKept = false;
        firstStart(
            main,
            [&](frmFarstMsg* w) {
                seen << w->objectName();
                if (seen.size() == 1) {
                    MessageBox::setNextAnswer(true); // 銘柄データーを取得します
                    w->cmdFirstKido->click();
                    stayedOnKey = w->isVisible() && w->focusWidget() == w->JQuants->JQuantsKey;
                    // The long message leaves the key row its full height, the window on the screen.
                    keyRowKept = w->JQuants->JQuantsKey->height() >= w->JQuants->JQuantsKey->sizeHint().height() &&
                                 w->height() <= 720;
                    QTest::keyClick(w, Qt::Key_Escape);
                }
            },
            [&](QDialog* d) {
                seen << d->objectName();
                if (auto* start = d->findChild<QPushButton*>(QStringLiteral("CmdInetRead")))
                    start->click();
            });
        QTRY_COMPARE(main.MeiCode->text(), QStringLiteral("1"));
        QVERIFY(stayedOnKey);
        QVERIFY(keyRowKept);
        QCOMPARE(seen.mid(0, 2), (QStringList{QStringLiteral("frmFarstMsg"), QStringLiteral("frmIntReadData")}));
        QVERIFY(
            anyLogged(QStringLiteral("データサーバー（%1/kabu）に接続できませんでした。").arg(dataServer.address())));
        QVERIFY(anyLogged(QStringLiteral("「J-Quants から取得」")));
        QVERIFY(!anyLogged(QStringLiteral("銘柄登録を最新にしました")));
        QCOMPARE(cShellFile::recorded(), QStringList{QStringLiteral("http://www.example.jp/")});
        QVERIFY(main.HandOverText != QStringLiteral("3"));
    }
};

QTEST_MAIN(tst_frmFarstMsg)
#include "tst_frmFarstMsg.moc"
