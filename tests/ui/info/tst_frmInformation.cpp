// The screening window and the information list on stored lists: browsing, rating, filtering,
// copying into the issue list, deletion, Ctrl+K and the old-list pruning on close.
#include "core/app/Files.h"
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/info/frmInformation.h"
#include "ui/info/frmJyohoList.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace kestrel;
using namespace kestrel::ui;
using kestrel::test::column;
using kestrel::test::listRows;
using kestrel::test::texts;

namespace {

struct Home : test::WindowHome {
    QString handOver;
    QListWidget listMei;
    Home() {
        exec("INSERT INTO informationClass VALUES ('d01','値上がり',1), ('w01','週間',2), ('S09','特別',3);"
             "INSERT INTO Mei (コード, 市場コード, 銘柄) VALUES (1301,1,'極洋'), (1332,2,'日本水産'), (1400,1,'零');"
             "INSERT INTO dayData (コード, 日付, 終値) VALUES (1301,20000714,1234), (1332,20000714,987),"
             " (1400,20000714,500);");
        row("d01", 20000713, 1, 1301, 1100, 1000);
        row("d01", 20000713, 2, 1400, 100, 1000);
        row("d01", 20000714, 1, 1301, 1000, 5000);
        row("d01", 20000714, 2, 1332, 1000, 9000);
        row("d01", 20000714, 3, 1400, 0, 100);
        row("d01", 20000714, 4, 1500, 700, 100); // no stored close, not in Mei
    }
    void row(const char* kind, long long date, int rank, int code, int price, long long volume) {
        auto db = db::openKestrelDatabase(context.paths.databasePath);
        QVERIFY((*db)
                    ->run("INSERT INTO informationData (種類コード, 日付, 順位, コード, 株価, 出来高, 前日比, 値, "
                          "コメント, Top種類コード) VALUES (?, ?, ?, ?, ?, ?, 0, '', '上昇', substr(?, 1, 1))",
                          std::string(kind), date, rank, code, price, volume, std::string(kind))
                    .isOk());
    }
    std::unique_ptr<frmInformation> open() {
        auto w = std::make_unique<frmInformation>(context, handOver, &listMei);
        w->show();
        return w;
    }
};

template <typename W> W* child(QWidget* w, const char* name) {
    return w->findChild<W*>(QString::fromLatin1(name));
}

} // namespace

class TestInformation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        MessageBox::setDefaultTitle(QString()); // notices are logged as "!|text"
        MessageBox::setScripted(true);
        MessageBox::clearLog();
    }

    void browsesRatesAndCopiesRows() {
        Home home;
        home.listMei.addItem(QStringLiteral("9999 old"));
        auto w = home.open();
        auto* kinds = child<QTableView>(w.get(), "DBGridnformationClass");
        auto* dates = child<QTableView>(w.get(), "DBGridinformationDataList");
        auto* rows = child<QTableView>(w.get(), "DBGridinformationData");
        QCOMPARE(column(kinds, 0), texts({"d01", "w01", "S09"}));
        QCOMPARE(column(dates, 1), texts({"00/07/14", "00/07/13"}));
        QCOMPARE(column(rows, 1), texts({"1301", "1332", "1400", "1500"}));
        QCOMPARE(child<QLabel>(w.get(), "LblKensu")->text(), QStringLiteral("件数：4"));
        QCOMPARE(child<QLabel>(w.get(), "LalHani")->text(), QStringLiteral("00/07/14"));

        // Which rows a rating keeps, and their ratios, are the screening's (core tests); here the buttons
        // reach it with the chosen kind and dates.
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdGenKabuka"), Qt::LeftButton);
        QCOMPARE(column(rows, 1), texts({"1301"}));
        QCOMPARE(column(rows, 11), texts({"23.4"}));

        // The last 30 dates: only two are stored, so the range starts at the older one.
        child<QComboBox>(w.get(), "TxtHi")->setEditText(QStringLiteral("30"));
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdHiGenKabuka"), Qt::LeftButton);
        QCOMPARE(child<QLabel>(w.get(), "LalHani")->text(), QStringLiteral("00/07/13～00/07/14"));
        QCOMPARE(column(rows, 1), texts({"1400", "1301", "1301"})); // 400.0, 23.4, 12.1
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdMeiList"), Qt::LeftButton);
        QCOMPARE(listRows(&home.listMei), texts({"1400 東１ 零", "1301 東１ 極洋"}));

        // Bad counts of dates are refused without touching the grid.
        child<QComboBox>(w.get(), "TxtHi")->setEditText(QStringLiteral("abc"));
        MessageBox::clearLog();
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdHiGenKabuka"), Qt::LeftButton);
        QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("!|型が一致しません。")});
        QCOMPARE(column(rows, 1), texts({"1400", "1301", "1301"}));
    }

    void filtersByPriceAndVolume() {
        Home home;
        auto w = home.open();
        auto* rows = child<QTableView>(w.get(), "DBGridinformationData");
        auto* price = child<QComboBox>(w.get(), "Txten");
        auto* volume = child<QLineEdit>(w.get(), "Txtdekidaka");
        const QColor plain = price->lineEdit()->palette().color(QPalette::Text);
        // Both boxes reach the filter; the matching rows are counted.
        price->setEditText(QStringLiteral("1000"));
        volume->setText(QStringLiteral("6000"));
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdFilter"), Qt::LeftButton);
        QCOMPARE(column(rows, 1), texts({"1332"}));
        QCOMPARE(child<QLabel>(w.get(), "LblKensu")->text(), QStringLiteral("件数：1"));
        QVERIFY(price->lineEdit()->palette().color(QPalette::Text) != plain);
        QVERIFY(volume->palette().color(QPalette::Text) != plain);

        MessageBox::clearLog();
        price->setEditText(QStringLiteral("1000 or 1=1"));
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdFilter"), Qt::LeftButton);
        QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("!|金額を入力して下さい。")});
        // A new date shows every row again, unmarked.
        child<QTableView>(w.get(), "DBGridinformationDataList")->selectRow(1);
        QCOMPARE(price->lineEdit()->palette().color(QPalette::Text), plain);
    }

    void deletesAndPrunesOnClose() {
        Home home;
        home.context.settings.DelJyoho = 30;
        QVERIFY(writeProfileString(home.context.paths.iniPath, "Kestrel", "FilterGaku", "700"));
        home.row("d01", 20000613, 1, 1301, 1, 1); // a month older than the newest list
        home.row("w01", 19991216, 1, 1301, 1, 1); // 211 days older
        home.row("w01", 19991217, 1, 1301, 1, 1);
        auto w = home.open();
        QCOMPARE(child<QComboBox>(w.get(), "Txten")->currentText(), QStringLiteral("700"));

        MessageBox::setNextAnswer(false);
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdDelete"), Qt::LeftButton);
        QCOMPARE(home.count("SELECT count(*) FROM informationData WHERE 日付=20000714"), 4);
        MessageBox::setNextAnswer(true);
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdDelete"), Qt::LeftButton);
        QCOMPARE(home.count("SELECT count(*) FROM informationData WHERE 日付=20000714"), 0);
        QVERIFY(MessageBox::log().contains(QStringLiteral("?確認|00/07/14 を削除します　よろしいですか？")));
        QVERIFY(MessageBox::log().contains(QStringLiteral("!|削除終了しました。")));
        QCOMPARE(column(child<QTableView>(w.get(), "DBGridinformationDataList"), 1), texts({"00/07/13", "00/06/13"}));

        // Ctrl+K on a row opens the information list of its issue.
        auto* rows = child<QTableView>(w.get(), "DBGridinformationData");
        rows->setFocus();
        rows->selectRow(0);
        QStringList seen;
        QCOMPARE(test::withModal([&] { QTest::keyClick(rows, Qt::Key_K, Qt::ControlModifier); },
                                 [&](QDialog* list) {
                                     seen = column(
                                         list->findChild<QTableView*>(QStringLiteral("DBGridinformationData")), 5);
                                 }),
                 QStringLiteral("frmJyohoList"));
        QCOMPARE(home.handOver, QStringLiteral("1301"));
        QCOMPARE(seen, texts({"1301", "1301", "1301", "1301"}));

        // Closing: the filter boxes are saved and the old lists pruned (the reference was 00/07/14 at
        // load: daily lists before 00/06/14, weekly before 99/12/17).
        child<QComboBox>(w.get(), "Txten")->setEditText(QStringLiteral("1200"));
        child<QLineEdit>(w.get(), "Txtdekidaka")->setText(QStringLiteral("5000"));
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        w->close();
        QCOMPARE(MessageBox::log(),
                 QStringList{QStringLiteral(
                     "?削除確認|オプション設定で設定した30日以上の削除すべきデーターがあります　削除しますか？")});
        QCOMPARE(home.count("SELECT count(*) FROM informationData"), 3);
        QCOMPARE(home.count("SELECT min(日付) FROM informationData"), 19991217LL);
        QCOMPARE(home.count("SELECT min(日付) FROM informationData WHERE Top種類コード='d'"), 20000713LL);
        const std::string ini = home.context.paths.iniPath;
        QCOMPARE(readProfileString(ini, "Kestrel", "FilterGaku"), std::string("1200"));
        QCOMPARE(readProfileString(ini, "Kestrel", "FilterDekidaka"), std::string("5000"));
        QCOMPARE(readProfileString(ini, "Kestrel", "JyohoHi"), std::string(""));
    }

    void emptyDatabaseShowsEmptyGrids() {
        Home home;
        home.exec("DELETE FROM informationData; DELETE FROM informationClass;");
        auto w = home.open();
        QCOMPARE(child<QTableView>(w.get(), "DBGridinformationData")->model()->rowCount(), 0);
        // Each button checks the chosen date itself.
        for (const char* button : {"CmdGenKabuka", "CmdDelete", "CmdMeiList", "CmdHiGenKabuka"}) {
            MessageBox::clearLog();
            QTest::mouseClick(child<QPushButton>(w.get(), button), Qt::LeftButton);
            QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("!|データー日付を選択して下さい。")});
        }
        MessageBox::clearLog();
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdinformationClassDel"), Qt::LeftButton);
        QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("!|株式情報種類を選択して下さい。")});
        child<QComboBox>(w.get(), "Txten")->setEditText(QStringLiteral("500"));
        QTest::mouseClick(child<QPushButton>(w.get(), "CmdFilter"), Qt::LeftButton);
        QCOMPARE(child<QLabel>(w.get(), "LblKensu")->text(), QStringLiteral("件数：0"));
    }

    // The kinds offered and the orders are the issue information's (core tests); here the combo and
    // the order buttons reach it.
    void informationListKindsAndOrders() {
        Home home;
        home.row("w01", 20000720, 5, 1301, 1, 1);
        home.handOver = QStringLiteral("1301");
        frmJyohoList list(home.context, home.handOver);
        list.show();
        auto* grid = list.findChild<QTableView*>(QStringLiteral("DBGridinformationData"));
        QCOMPARE(column(grid, 1), texts({"w01", "d01", "d01"}));
        list.cmbJyhoListClick(0, 2);
        QCOMPARE(column(grid, 1), texts({"w01"}));
        QTest::mouseClick(list.CmdKoumokuJyun, Qt::LeftButton);
        QCOMPARE(column(grid, 1), texts({"d01", "d01", "w01"}));
        QTest::mouseClick(list.CmdHijyun, Qt::LeftButton);
        QCOMPARE(column(grid, 3), texts({"00/07/20", "00/07/14", "00/07/13"}));
    }
};

QTEST_MAIN(TestInformation)
#include "tst_frmInformation.moc"
