// The issue the main window opens on, remembering it at close, the window's size, and the board's
// search by name.
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/chart/frmMain.h"
#include "ui/chart/frmMeiFind.h"

#include <QLineEdit>
#include <QTest>

using namespace kestrel;
using namespace kestrel::ui;

class tst_frmMainStart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::setScripted(true); }
    void opensOnTheLastIssueOrTheFirst();
    void boardSearchFillsTheBoardsCodeBox();
};

void tst_frmMainStart::opensOnTheLastIssueOrTheFirst() {
    test::WindowHome home;
    const std::string& ini = home.context.paths.iniPath;
    {
        frmMain main(home.context);
        main.showStartIssue(); // an empty Mei: nothing to show
        QCOMPARE(main.MeiCode->text(), QString());
    }
    home.exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
              "(7203, 1, 'ＡＢＣ自動車', 1, 1), (1301, 1, '極洋', 1, 1), (6758, 1, 'ＭＮＯ', 1, 1)");
    struct {
        const char* lastCode;
        const char* shown;
    } cases[] = {
        {"", "1301"},      // never closed: the first issue
        {"6758", "6758"},  // the issue last shown
        {"9999", "1301"},  // removed from Mei since
        {"67x8", "1301"},  // not a code
        {"167580", "1301"} // too long
    };
    for (const auto& c : cases) {
        QVERIFY(writeProfileString(ini, "Kestrel", "LastCode", c.lastCode));
        frmMain main(home.context);
        main.showStartIssue();
        QCOMPARE(main.MeiCode->text(), QString::fromLatin1(c.shown));
    }

    frmMain main(home.context);
    main.show();
    // The window fits a 1280 x 800 screen.
    QVERIFY2(
        main.frameGeometry().width() <= 1280 && main.frameGeometry().height() <= 800,
        qPrintable(QStringLiteral("%1 x %2").arg(main.frameGeometry().width()).arg(main.frameGeometry().height())));
    main.MeiCode->setText(QStringLiteral("7203"));
    main.rememberLastCode();
    QCOMPARE(readProfileString(ini, "Kestrel", "LastCode"), std::string("7203"));
    // A code that shows no issue is not remembered.
    main.MeiCode->setText(QStringLiteral("72"));
    main.rememberLastCode();
    QCOMPARE(readProfileString(ini, "Kestrel", "LastCode"), std::string("7203"));
}

void tst_frmMainStart::boardSearchFillsTheBoardsCodeBox() {
    test::WindowHome home;
    home.exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
              "(7203, 1, 'ＡＢＣ自動車', 1, 1), (6758, 1, 'ＭＮＯ', 1, 1)");
    frmMain main(home.context);
    main.show();
    QString inBox;
    const QString board = test::withModal(
        [&] { main.action(QStringLiteral("mnuKabukaboardA"))->trigger(); },
        [&](QDialog* window) {
            const QString find = test::withModal(
                [&] { QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("CmdFind")), Qt::LeftButton); },
                [](QDialog* dialog) {
                    auto* f = static_cast<frmMeiFind*>(dialog);
                    f->txtFind->setText(QStringLiteral("ＭＮ"));
                    QTest::keyClick(f->txtFind, Qt::Key_Return);
                });
            QCOMPARE(find, QStringLiteral("frmMeiFind"));
            inBox = window->findChild<QLineEdit*>(QStringLiteral("MeiCode"))->text();
        });
    QCOMPARE(board, QStringLiteral("frmKabukaboard"));
    QCOMPARE(inBox, QStringLiteral("6758"));
}

QTEST_MAIN(tst_frmMainStart)
#include "tst_frmMainStart.moc"
