// The backup window and the main window's close sequence.
#include "core/db/FileCare.h"
#include "core/db/FolderLock.h"
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/app/FileDialog.h"
#include "ui/app/MessageBox.h"
#include "ui/chart/frmMain.h"
#include "ui/db/CloseWindow.h"
#include "ui/db/frmBackUp.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::ui;

class TestBackUpClose : public QObject {
    Q_OBJECT
    static void click(QWidget& w, const char* name) { w.findChild<QPushButton*>(QString::fromLatin1(name))->click(); }
    static QString backPath(const test::WindowHome& home) {
        return QString::fromStdString(readProfileString(home.context.paths.iniPath, "Kestrel", "BackPath"));
    }

private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }

    void backupAndRestoreThroughAFolderWithoutItsSeparator() {
        test::WindowHome home;
        test::TempDir media;
        home.exec("insert into Mei(コード,市場コード) values (1301,1)");
        {
            frmBackUp w(home.context);
            auto* path = w.findChild<QLineEdit*>(QStringLiteral("txtbackuppath"));
            QCOMPARE(path->text(), QDir::homePath() + QLatin1Char('/'));
            FileDialog::setNextFileName(QString::fromStdString(media.path()));
            click(w, "CmdPath");
            QCOMPARE(path->text(), QString::fromStdString(media.path()));
            MessageBox::setNextAnswer(true);
            click(w, "Cmdbackup");
            QCOMPARE(MessageBox::log(),
                     (QStringList{QStringLiteral("?ﾌｪﾝﾈﾙ|株価データーのﾊﾞｯｸｱｯﾌﾟを行います よろしいですか？"),
                                  QStringLiteral("!株価ケストレル|ﾊﾞｯｸｱｯﾌﾟ終了しました。")}));
            QVERIFY(fileExists(media.file("Kestrel.mdb")));

            home.exec("delete from Mei");
            MessageBox::clearLog();
            MessageBox::setNextAnswer(true);
            click(w, "CmdRebackup");
            QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|復元終了しました。"));
            QCOMPARE(home.count("select count(*) from Mei"), 1LL);

            // No old copy yet; a missing backup fails without a completion message.
            MessageBox::clearLog();
            click(w, "CmdoladmdbRebackup");
            QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("!株価ケストレル|ﾊﾞｯｸｱｯﾌﾟﾃﾞｰﾀｰがありません。")});
            path->setText(QString::fromStdString(media.file("none")));
            MessageBox::clearLog();
            MessageBox::setNextAnswer(true);
            click(w, "CmdRebackup");
            QCOMPARE(MessageBox::log().size(), 2);
            QVERIFY(!MessageBox::log().last().contains(QStringLiteral("復元終了しました。")));
            QCOMPARE(home.count("select count(*) from Mei"), 1LL);
            path->setText(QString::fromStdString(media.path()));
            w.reject();
        }
        QCOMPARE(backPath(home), QString::fromStdString(media.path()));
        {
            frmBackUp w(home.context);
            auto* path = w.findChild<QLineEdit*>(QStringLiteral("txtbackuppath"));
            QCOMPARE(path->text(), QString::fromStdString(media.path()));
            path->clear();
            MessageBox::clearLog();
            click(w, "Cmdbackup");
            click(w, "CmdRebackup");
            QCOMPARE(MessageBox::log(), (QStringList{QStringLiteral("!株価ケストレル|ﾊﾞｯｸｱｯﾌﾟﾊﾟｽを入力して下さい。"),
                                                     QStringLiteral("!株価ケストレル|ﾊﾞｯｸｱｯﾌﾟﾊﾟｽを入力して下さい。")}));
            w.show();
            QTest::keyClick(&w, Qt::Key_Escape);
        }
        QCOMPARE(backPath(home), QString::fromStdString(media.path())); // an empty box keeps the folder
    }

    void closingAsksAboutTheLineThenCompaction() {
        test::WindowHome home;
        home.exec("insert into Mei(コード,市場コード) values (1301,1)");
        QTimer chart, blink;
        chart.start(1000);
        blink.start(500);
        int hangUps = 0;
        CloseParts parts;
        parts.timers = {&chart, &blink};
        parts.databasePath = home.context.paths.databasePath;
        parts.dialUp = {[] { return true; }, [&] { ++hangUps; }};

        MessageBox::setNextAnswer(true);
        MessageBox::setNextAnswer(false);
        QCOMPARE(runCloseSequence(parts), CloseOutcome::Closed);
        QVERIFY(!chart.isActive() && !blink.isActive());
        QCOMPARE(hangUps, 1);
        QCOMPARE(MessageBox::log(), (QStringList{QStringLiteral("?ﾀﾞｲﾔﾙｱｯﾌﾟ|ﾀﾞｲﾔﾙｱｯﾌﾟを切断します　よろしいですか？"),
                                                 QStringLiteral("?ﾌｪﾝﾈﾙ|") + compactQuestion()}));
        QVERIFY(!fileExists(home.dir.file("Kestrel.old")));

        // Without a line only the compaction question; Yes compacts and keeps the old file.
        parts.dialUp = dialUpLine();
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        QCOMPARE(runCloseSequence(parts), CloseOutcome::Compacted);
        QCOMPARE(MessageBox::log().size(), 1);
        QVERIFY(fileExists(home.dir.file("Kestrel.old")));
        QCOMPARE(home.count("select count(*) from Mei"), 1LL);

        // A damaged database is reported, and compaction leaves it as it was.
        test::writeFile(home.context.paths.databasePath, std::string(4096, 'z'));
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        QCOMPARE(runCloseSequence(parts), CloseOutcome::CompactionFailed);
        QCOMPARE(MessageBox::log().size(), 3);
        QCOMPARE(test::readFile(home.context.paths.databasePath), std::string(4096, 'z'));
    }

    void anotherProgramOnTheDataPutsTheCompactionOff() {
        test::WindowHome home;
        home.exec("insert into Mei(コード,市場コード) values (1301,1)");
        const std::string before = test::readFile(home.context.paths.databasePath);
        // The converter holding the folder in a process of its own (naming the folder another way
        // opens the lock file afresh rather than sharing this process's).
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        pid_t plover = ::fork();
        if (plover == 0) {
            db::setLockHolderName("Plover");
            auto lock = db::FolderLock::take(home.dir.path() + "/.", db::LockMode::Shared, 0);
            char got = lock ? 1 : 0;
            (void)::write(ready[1], &got, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char got = 0;
        bool holding = ::read(ready[0], &got, 1) == 1 && got == 1;
        ::close(ready[0]);
        if (!holding)
            ::kill(plover, SIGKILL);
        QVERIFY(holding);

        CloseParts parts;
        parts.databasePath = home.context.paths.databasePath;
        parts.dialUp = {};
        MessageBox::setNextAnswer(true);
        CloseOutcome outcome = runCloseSequence(parts);
        ::kill(plover, SIGKILL);
        ::waitpid(plover, nullptr, 0);
        QCOMPARE(outcome, CloseOutcome::Closed);
        QCOMPARE(MessageBox::log(),
                 (QStringList{QStringLiteral("?ﾌｪﾝﾈﾙ|") + compactQuestion(),
                              QStringLiteral("!株価ケストレル|他のプログラムが株価データーを使用中のため、最適化は次の"
                                             "終了時に延期します。\nフォルダ ") +
                                  QString::fromStdString(home.dir.path()) +
                                  QStringLiteral(" の株価データーは Plover (pid ") + QString::number(plover) +
                                  QStringLiteral(") が使用中です。しばらくしてからやり直してください。")}));
        QCOMPARE(test::readFile(home.context.paths.databasePath), before);
        QVERIFY(!fileExists(home.dir.file("Kestrel.old")));

        // With the converter gone, the next close compacts.
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        QCOMPARE(runCloseSequence(parts), CloseOutcome::Compacted);
        QVERIFY(fileExists(home.dir.file("Kestrel.old")));
        QCOMPARE(home.count("select count(*) from Mei"), 1LL);
    }

    void theMainWindowRunsTheSequenceWhenClosed() {
        test::WindowHome home;
        frmMain main(home.context);
        auto* chartTimer = new QTimer(&main);
        chartTimer->setObjectName(QStringLiteral("chartTimer"));
        chartTimer->start(1000);
        main.show();
        MessageBox::setNextAnswer(false);
        QVERIFY(main.close());
        QVERIFY(!chartTimer->isActive());
        QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("?ﾌｪﾝﾈﾙ|") + compactQuestion()});
    }
};

QTEST_MAIN(TestBackUpClose)
#include "tst_BackUpClose.moc"
