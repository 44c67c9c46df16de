// Which folder a program works on: --home, KESTREL_HOME, a portable copy's own folder, or the per-user
// data folder of an installed program, created on first use or refused with a message.
#include "platform/ProgramFolder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTest>

using namespace kestrel;
using namespace kestrel::platform;

class TestProgramFolder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        qputenv("HOME", QByteArray::fromStdString(m_dir.file("home")));
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("KESTREL_HOME");
    }

    void theChosenFolderByOrderOfPrecedence() {
        const QString root = QString::fromStdString(m_dir.path());
        const QString portable = root + QStringLiteral("/portable");
        const QString tree = root + QStringLiteral("/opt/kk"); // an installed tree unpacked anywhere
        QVERIFY(QDir().mkpath(portable) && QDir().mkpath(tree + QStringLiteral("/bin")) &&
                QDir().mkpath(tree + QStringLiteral("/share/kabukakestrel")));
        const QString perUser = root + QStringLiteral("/home/.local/share/KabukaKestrel");
        const QString xdg = root + QStringLiteral("/xdg/KabukaKestrel");
        struct Case {
            QStringList args;
            QString kestrelHome, xdgDataHome, executableFolder;
            QString folder;
            bool perUser;
        };
        const Case cases[] = {
            {{QStringLiteral("--home"), root + QStringLiteral("/a/")},
             root + QStringLiteral("/b"),
             {},
             QStringLiteral("/usr/bin"),
             root + QStringLiteral("/a"),
             false},
            {{}, root + QStringLiteral("/b"), {}, QStringLiteral("/usr/bin"), root + QStringLiteral("/b"), false},
            {{}, {}, {}, portable, portable, false},
            {{}, {}, {}, QStringLiteral("/usr/bin"), perUser, true},
            {{}, {}, {}, QStringLiteral("/usr/local/bin"), perUser, true},
            {{}, {}, root + QStringLiteral("/xdg"), tree + QStringLiteral("/bin"), xdg, true},
            {{}, {}, QStringLiteral("relative/share"), QStringLiteral("/usr/bin"), perUser, true},
            {{}, {}, {}, {}, {}, false}, // only the command line and the variable were asked
        };
        for (const Case& c : cases) {
            qputenv("KESTREL_HOME", c.kestrelHome.toUtf8());
            qputenv("XDG_DATA_HOME", c.xdgDataHome.toUtf8());
            HomeChoice h = chooseProgramFolder(c.args, c.executableFolder);
            QVERIFY2(h.error.isEmpty(), qPrintable(h.error));
            QCOMPARE(h.folder, c.folder);
            QCOMPARE(h.perUser, c.perUser);
            if (c.perUser)
                QVERIFY(QFileInfo(c.folder).isDir()); // created on first use
        }
        QCOMPARE(installedDataFolder(tree + QStringLiteral("/bin")), tree + QStringLiteral("/share/kabukakestrel"));
        QCOMPARE(installedDataFolder(portable), QString());
    }

    void aPerUserFolderThatCannotBeMadeIsExplained() {
        // A file where the data folder should be: no folder can be made inside it, not even by root.
        const std::string blocker = m_dir.file("blocker");
        test::writeFile(blocker, "x");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(blocker));
        HomeChoice h = chooseProgramFolder({}, QStringLiteral("/usr/bin"));
        QVERIFY(h.perUser);
        QVERIFY2(h.error.contains(QString::fromStdString(blocker) + QStringLiteral("/KabukaKestrel")),
                 qPrintable(h.error));
        QVERIFY(h.error.contains(QStringLiteral("--home")));
        QVERIFY(h.error.contains(QStringLiteral("作成できない")));
    }

private:
    test::TempDir m_dir;
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_ProgramFolder.moc"
