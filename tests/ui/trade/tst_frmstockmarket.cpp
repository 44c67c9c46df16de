// The trading board window: refresh on opening, the three views, editing cells through the grid, the lot
// split question, delete, the CSV export and the calculator.
#include "core/app/Encoding.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"
#include "ui/trade/frmstockmarket.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <memory>

using namespace kestrel;
using namespace kestrel::ui;

namespace {

// A program folder with Kestrel.mdb, a break-even margin of 4 % and two issues with daily bars.
struct Home : test::WindowHome {
    Home() {
        context.settings.SonPa = Currency::fromWhole(4);
        sql("INSERT INTO Mei (コード, 市場コード, 銘柄, 株価単位) VALUES (7203, 1, 'トヨタ自動車', 1), "
            "(9984, 1, 'ソフトバンク', 10)");
        sql("INSERT INTO dayData (コード, 日付, 終値) VALUES (7203, 20261203, 1200), (7203, 20261204, 1100), "
            "(9984, 20261204, 700)");
    }
    void sql(const std::string& statement) { test::execSql(context.paths.databasePath, statement); }
    std::string value(const std::string& query) { return test::queryText(context.paths.databasePath, query); }
};

QString cell(frmstockmarket& w, int row, int column) {
    return w.Datastockmarket->index(row, column).data().toString();
}

// The texts of the given (row, column) cells, joined by "|".
QString cells(frmstockmarket& w, std::initializer_list<std::pair<int, int>> at) {
    QStringList r;
    for (auto [row, column] : at)
        r << cell(w, row, column);
    return r.join(QLatin1Char('|'));
}

bool edit(frmstockmarket& w, int row, int column, const QString& text) {
    return w.Datastockmarket->setData(w.Datastockmarket->index(row, column), text);
}

} // namespace

class TestFrmStockMarket : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { test::scriptWindows(); }

    void openingRefreshesPricesAndShowsUnsoldLots() {
        Home home;
        home.sql("INSERT INTO stockmarket (コード, 購入日, 購入額, 購入数, 損益分岐点, 現在額, 売却日, 売却額, 売却数, "
                 "利益) "
                 "VALUES (7203, '26/11/02', 1000, 1000, 1040, 0, '00/00/00', 0, 0, 0), "
                 "(7203, '26/11/02', 1000, 500, 1040, 0, '26/12/04', 900, 500, -70000), "
                 "(9984, '26/11/05', 6000, 100, 6240, 0, '00/00/00', 0, 0, 0)");
        frmstockmarket w(home.context);
        QVERIFY(w.Option1->isChecked());
        // Unsold lots plus the new-row line, with prices and profits from the newest bars.
        QCOMPARE(w.Datastockmarket->rowCount(), 3);
        QCOMPARE(cells(w, {{0, 2}, {0, 7}, {0, 11}, {2, 12}}), QStringLiteral("トヨタ自動車|1100|60000|"));
        QCOMPARE(w.Datastockmarket->headerData(2, Qt::Vertical).toString(), QStringLiteral("*"));

        w.Option2->click();
        QCOMPARE(w.Datastockmarket->rowCount(), 2);
        QCOMPARE(cell(w, 0, 12), QStringLiteral("2"));
        w.Option3->click();
        QCOMPARE(w.Datastockmarket->rowCount(), 4);
        QCOMPARE(cells(w, {{0, 12}, {1, 12}, {2, 12}}), QStringLiteral("1|2|3"));
        QVERIFY(MessageBox::log().isEmpty());
    }

    void typingANewLotAndSplittingItsSale() {
        Home home;
        frmstockmarket w(home.context);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.Datastockmarket->rowCount(), 1);

        // Type the code into the new-row line through the grid's own editor.
        QModelIndex first = w.Datastockmarket->index(0, 0);
        w.DBGridstockmarket->setCurrentIndex(first);
        w.DBGridstockmarket->edit(first);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("7203"));
        QTest::keyClick(editor, Qt::Key_Return);
        // The grid commits the typed text once the key press has been handled.
        QTRY_COMPARE(w.Datastockmarket->rowCount(), 2);
        // Not sold: the date is empty; the current price is the latest close (1,100) from the start.
        QCOMPARE(cells(w, {{0, 1}, {0, 2}, {0, 7}, {0, 8}}), QStringLiteral("1|トヨタ自動車|1100|"));
        QCOMPARE(w.DBGridstockmarket->currentIndex().row(), 0);
        QCOMPARE(
            QStringList({w.Lblcode->text(), w.Lblshijyocode->text(), w.Lblmeigaramei->text()}).join(QLatin1Char('|')),
            QStringLiteral("7203|1|トヨタ自動車"));

        QVERIFY(edit(w, 0, 4, QStringLiteral("1000")));
        QCOMPARE(cell(w, 0, 6), QStringLiteral("1040"));
        QVERIFY(edit(w, 0, 5, QStringLiteral("1000")));
        QCOMPARE(cell(w, 0, 11), QStringLiteral("60000")); // 評価損益: 1000 x 1,100 - 1000 x 1,040
        QCOMPARE(w.Datastockmarket->headerData(11, Qt::Horizontal).toString(), QStringLiteral("評価損益"));

        // Refused cells and their messages are the ledger's (core tests); a refusal reaches the prompt.
        QVERIFY(!edit(w, 0, 3, QStringLiteral("2026/1/06")));
        QCOMPARE(MessageBox::log().size(), 1);

        MessageBox::clearLog();
        QVERIFY(edit(w, 0, 9, QStringLiteral("1100")));
        QVERIFY(MessageBox::log().isEmpty());
        MessageBox::setNextAnswer(true);
        QVERIFY(edit(w, 0, 10, QStringLiteral("300")));
        QCOMPARE(MessageBox::log(),
                 QStringList{QStringLiteral(
                     "?確認|700株 購入数が売却数より多いです 700株 の新規行を作成します　よろしいですか？")});
        // The unsold view now holds the 700-share lot only.
        QTRY_COMPARE(cell(w, 0, 5), QStringLiteral("700"));
        QCOMPARE(w.Datastockmarket->rowCount(), 2);
        w.Option2->click();
        QCOMPARE(cells(w, {{0, 5}, {0, 11}}), QStringLiteral("300|18000"));
    }

    void deleteAsksForTheCurrentRow() {
        Home home;
        home.sql(
            "INSERT INTO stockmarket (コード, 購入額, 購入数, 売却数) VALUES (7203, 1000, 100, 0), (9984, 500, 10, 0)");
        frmstockmarket w(home.context);
        w.DBGridstockmarket->setCurrentIndex(w.Datastockmarket->index(1, 5));
        QCOMPARE(w.Lblcode->text(), QStringLiteral("9984"));
        MessageBox::setNextAnswer(false);
        w.CmdDelete->click();
        QCOMPARE(MessageBox::log(),
                 QStringList{QStringLiteral("?確認|コード=9984 銘柄を売買管理ボードから削除しますよろしいですか？")});
        QCOMPARE(w.Datastockmarket->rowCount(), 3);
        MessageBox::setNextAnswer(true);
        w.CmdDelete->click();
        QCOMPARE(w.Datastockmarket->rowCount(), 2);
        QCOMPARE(home.value("SELECT group_concat(コード) FROM stockmarket"), std::string("7203"));
    }

    // Choosing a lot names its issue once per choice (the main window fetches its history); the new-row
    // line names none.
    void choosingALotNamesItsIssue() {
        Home home;
        home.sql(
            "INSERT INTO stockmarket (コード, 購入額, 購入数, 売却数) VALUES (7203, 1000, 100, 0), (9984, 500, 10, 0)");
        frmstockmarket w(home.context);
        QList<int> opened;
        w.issueOpened = [&](std::int32_t code) { opened << code; };
        w.DBGridstockmarket->setCurrentIndex(w.Datastockmarket->index(1, 5));
        w.DBGridstockmarket->setCurrentIndex(w.Datastockmarket->index(2, 5));
        w.DBGridstockmarket->setCurrentIndex(w.Datastockmarket->index(0, 3));
        QCOMPARE(opened, (QList<int>{9984, 7203}));
    }

    void targetPriceAsTheLotIsHeldNow() {
        Home home;
        // Lot 1 was bought before a confirmed 1:2 split: its target is typed and shown halved, stored as traded.
        home.sql("INSERT INTO Bunkatu (コード, 日付, 分割前, 分割後, 出所, 状態) VALUES (7203, 20261120, 1, 2, 1, 1)");
        home.sql(
            "INSERT INTO stockmarket (コード, 購入日, 購入額, 購入数, 売却数) VALUES (7203, '26/11/02', 1000, 100, 0), "
            "(9984, '26/11/05', 500, 10, 0)");
        frmstockmarket w(home.context);
        w.DBGridstockmarket->setCurrentIndex(w.Datastockmarket->index(0, 5));
        const struct {
            const char* typed;
            const char* stored; // 目標株価 of lot 1 afterwards
            int messages;
        } cases[] = {
            {"1,300", "2600", 0}, {"abc", "2600", 1}, {"0", "2600", 1},
            {"-5", "2600", 1},    {"", "", 0},        {"650", "1300", 0},
        };
        for (const auto& c : cases) {
            MessageBox::clearLog();
            w.TxtTarget->setText(QString::fromUtf8(c.typed));
            QTest::keyClick(w.TxtTarget, Qt::Key_Return);
            QCOMPARE(home.value("SELECT ifnull(目標株価, '') FROM stockmarket WHERE ID = 1"), std::string(c.stored));
            QCOMPARE(MessageBox::log().size(), c.messages);
        }
        // Moving to another lot and back shows each lot's own target as held now; the new-row line takes none.
        w.DBGridstockmarket->setCurrentIndex(w.Datastockmarket->index(1, 5));
        QCOMPARE(w.TxtTarget->text(), QString());
        w.DBGridstockmarket->setCurrentIndex(w.Datastockmarket->index(0, 5));
        QCOMPARE(w.TxtTarget->text(), QStringLiteral("650"));
        w.DBGridstockmarket->setCurrentIndex(w.Datastockmarket->index(2, 5));
        QVERIFY(!w.CmdTarget->isEnabled());
    }

    void excelWritesTheCsvAndOpensIt() {
        Home home;
        home.sql("INSERT INTO stockmarket (コード, 市場コード, 銘柄, 購入日, 購入額, 購入数, 損益分岐点, 現在額, "
                 "売却日, 売却額, "
                 "売却数, 利益) VALUES (7203, 1, 'トヨタ自動車', '26/11/02', 1000, 300, 1040, 0, '26/12/04', 1100, "
                 "300, 18000)");
        frmstockmarket w(home.context);
        w.CmdExcel->click();
        QString path = QString::fromStdString(home.dir.path()) + QStringLiteral("/Data/stock.csv");
        QCOMPARE(cShellFile::recorded(), QStringList{path});
        // The lines are the ledger export's (core tests); here the shown lot reaches the file.
        QVERIFY(test::readFile(path.toStdString()).find("26/12/04,1100,300,18000\r\n") != std::string::npos);
        QVERIFY(MessageBox::log().isEmpty());
    }

    void calculatorStartsFromPathOrSaysNoneIsThere() {
        test::TempDir bin;
        QByteArray oldPath = qgetenv("PATH");
        std::string marker = bin.file("started");
        test::writeFile(bin.file("kcalc"), "#!/bin/sh\n: >'" + marker + "'\n");
        QFile::setPermissions(QString::fromStdString(bin.file("kcalc")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Home home;
        frmstockmarket w(home.context);
        qputenv("PATH", QByteArray::fromStdString(bin.path()));
        w.CmdCalc->click();
        QTRY_VERIFY(QFile::exists(QString::fromStdString(marker)));
        QVERIFY(MessageBox::log().isEmpty());

        test::TempDir empty;
        qputenv("PATH", QByteArray::fromStdString(empty.path()));
        w.CmdCalc->click();
        qputenv("PATH", oldPath);
        QCOMPARE(MessageBox::log().size(), 1);
        QVERIFY(MessageBox::log().first().contains(QStringLiteral("計算機が見つかりません。")));
    }
};

QTEST_MAIN(TestFrmStockMarket)
#include "tst_frmstockmarket.moc"
