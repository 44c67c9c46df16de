// The main program's start with windows: first start, second instance, splash, date boxes.
#include "apps/kestrel/KestrelStart.h"
#include "core/settings/IniFile.h"
#include "platform/UserRegistry.h"
#include "support/TestSupport.h"
#include "ui/app/DateBox.h"
#include "ui/app/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QSysInfo>
#include <QTest>
#include <sys/wait.h>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::ui;

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }

    void firstStartShowsTheMainWindowWithStartState3() {
        test::TempDir home;
        KestrelStart start;
        // The first activation after a first start shows the first-start message; close it at once.
        QString firstMessage;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()); d && firstMessage.isEmpty()) {
                firstMessage = d->objectName();
                d->reject();
            }
        });
        poll.start();
        QVERIFY(start.start(QString::fromStdString(home.path())));
        QVERIFY(!start.mainWindow()->isVisible()); // the splash shows it after a second
        QCOMPARE(start.mainWindow()->HandOverText, QStringLiteral("3"));
        QTRY_VERIFY_WITH_TIMEOUT(start.mainWindow()->isVisible(), 3000);
        QCOMPARE(platform::readProgramPath(), QString::fromStdString(home.path()));
        QTRY_COMPARE(firstMessage, QStringLiteral("frmFarstMsg"));
        // Closed without a download, the first start claims nothing.
        QTest::qWait(200);
        QCOMPARE(MessageBox::log(), QStringList{});

        // A second start on the same folder is refused with the message and nothing else.
        KestrelStart second;
        QVERIFY(!second.start(QString::fromStdString(home.path())));
        QCOMPARE(MessageBox::log(),
                 QStringList{QStringLiteral("!株価ケストレル|株価ケストレルはすでに起動しています。")});
        QCOMPARE(second.mainWindow(), nullptr);
    }

    void laterStartHasNoStartStateAndADamagedDatabaseStops() {
        test::TempDir home;
        {
            KestrelStart first;
            QVERIFY(first.start(QString::fromStdString(home.path())));
        }
        {
            KestrelStart again;
            QVERIFY(again.start(QString::fromStdString(home.path())));
            QCOMPARE(again.mainWindow()->HandOverText, QString());
            // Mei is still empty (the first-start window was never used): it is offered again.
            QVERIFY(again.mainWindow()->firstStartWhileEmpty);
        }
        test::writeFile(home.file("Kestrel.mdb"), "garbage");
        KestrelStart broken;
        QVERIFY(!broken.start(QString::fromStdString(home.path())));
        // The damage is told, a new empty database offered (no Kestrel.old, no backup) and declined.
        QCOMPARE(MessageBox::log().size(), 3);
        QVERIFY(MessageBox::log().first().contains(QString::fromStdString(home.file("Kestrel.mdb"))));
        QVERIFY(MessageBox::log().at(1).contains(QStringLiteral("新しい空のデータベースで始めますか？")));
        QCOMPARE(QString::fromStdString(test::readFile(home.file("Kestrel.mdb"))), QStringLiteral("garbage"));
    }

    void aStaleLockFromACrashedRunDoesNotBlockTheStart() {
        test::TempDir home;
        // A lock left by a process that has ended: a child that exits at once.
        pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        ::waitpid(child, nullptr, 0);
        platform::SingleInstance probe(QStringLiteral("KabukaKestrel"), QString::fromStdString(home.path()));
        test::writeFile(probe.lockPath().toStdString(),
                        std::to_string(child) + "\nKabukaKestrel\n" + QSysInfo::machineHostName().toStdString() + "\n");
        KestrelStart start;
        QVERIFY(start.start(QString::fromStdString(home.path())));
        QVERIFY(MessageBox::log().isEmpty());
    }

    void dateBoxAddsSlashesWhileTypingButNotAfterBackspace() {
        QLineEdit box;
        installDateBox(&box);
        box.show();
        box.setFocus();
        QTest::keyClicks(&box, QStringLiteral("261206"));
        QCOMPARE(box.text(), QStringLiteral("26/12/06"));
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(&box, Qt::Key_Backspace);
        QCOMPARE(box.text(), QStringLiteral("26/12"));
        QTest::keyClicks(&box, QStringLiteral("0"));
        QCOMPARE(box.text(), QStringLiteral("26/120"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_Startup.moc"
