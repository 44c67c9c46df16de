// The board window on a real database: load from the latest bars, the grid, the code box, the commands
// and their messages, and the board menu helpers of the main window.
#include "core/boards/BoardPrices.h"
#include "core/boards/BoardStore.h"
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/app/FileDialog.h"
#include "ui/app/MessageBox.h"
#include "ui/boards/BoardMenuActions.h"
#include "ui/boards/frmKabukaboard.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace kestrel;
using kestrel::ui::MessageBox;

class tst_frmKabukaboard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void loadShowsTheLatestBars();
    void codeBoxAndAdd();
    void moveDeleteAndChart();
    void menuHelpers();
    void refreshFromBarsWithAlerts();
    void jquantsRefresh_data();
    void jquantsRefresh();

private:
    long long query(const char* sql) { return m_home->count(sql); }
    void exec(const char* sql) { m_home->exec(sql); }
    std::unique_ptr<test::WindowHome> m_home;
    AppContext m_context;
};

void tst_frmKabukaboard::init() {
    m_home = std::make_unique<test::WindowHome>();
    m_context = m_home->context;
    exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (7203, 1, 'ＡＢＣ自動車', 1000, 10), "
         "(6758, 1, 'ＸＹＺ', 100, 1), (1301, 2, '極洋', 1000, 1)");
    exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
         "(7203, 20010518, 1234, 1250, 1200, 1240, -6, 512), (6758, 20010518, 5000, 5100, 4900, 5050, 20, 77)");
    MessageBox::setScripted(true);
    MessageBox::clearLog();
}

void tst_frmKabukaboard::cleanup() {
    m_home.reset();
}

void tst_frmKabukaboard::loadShowsTheLatestBars() {
    exec("INSERT INTO board (区分, コード, 市場コード, 銘柄) VALUES (1, 7203, 0, 'x'), (1, 1301, 0, 'y'), (2, 6758, 1, "
         "'z')");
    QVERIFY(writeProfileString(m_context.paths.iniPath, "Kestrel", "boardA", "a.A"));
    ui::frmKabukaboard w(m_context, QStringLiteral("1"));
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblFileName"))->text(), QStringLiteral("a.A"));
    auto* model = w.model();
    QCOMPARE(model->rowCount(), 2);
    // Loaded from the bars (the values are the core test's), by market, then code: 7203 (market 1)
    // before 1301 (market 2).
    QCOMPARE(model->value(0, "コード").toInt(), 7203);
    QCOMPARE(model->value(0, "始値").toInt(), 12340);
    QCOMPARE(model->value(1, "コード").toInt(), 1301);

    // Closing stores the file name shown; a cleared name is stored empty.
    MessageBox::setNextAnswer(true);
    w.cmdFileclearClick();
    w.show();
    QVERIFY(w.close());
    QCOMPARE(readProfileString(m_context.paths.iniPath, "Kestrel", "boardA"), std::string());

    ui::frmKabukaboard b(m_context, QStringLiteral("2"));
    QCOMPARE(b.model()->rowCount(), 1);
}

void tst_frmKabukaboard::codeBoxAndAdd() {
    ui::frmKabukaboard w(m_context, QStringLiteral("1"));
    QList<int> opened; // the issues found by the code box, whose history the main window fetches
    w.issueOpened = [&](std::int32_t c) { opened << c; };
    auto* code = w.findChild<QLineEdit*>(QStringLiteral("MeiCode"));
    code->setText(QStringLiteral("72035"));
    QCOMPARE(code->text(), QStringLiteral("7203"));
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblMei"))->text(), QStringLiteral("ＡＢＣ自動車"));
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Lblshijyo"))->text(), QStringLiteral("東１"));
    MessageBox::setNextAnswer(true);
    w.cmdfrmboardAddClick();
    MessageBox::setNextAnswer(true);
    w.cmdfrmboardAddClick();
    QCOMPARE(MessageBox::log(), (QStringList{QStringLiteral("?確認|銘柄を株価ボードに追加しますよろしいですか？"),
                                             QStringLiteral("!株価ケストレル|登録しました。"),
                                             QStringLiteral("?確認|銘柄を株価ボードに追加しますよろしいですか？"),
                                             QStringLiteral("!株価ケストレル|すでに登録されています。")}));
    QCOMPARE(w.model()->rowCount(), 1);

    // An issue without a bar is not added, silently; an unknown code needs a valid entry.
    MessageBox::clearLog();
    code->setText(QStringLiteral("1301"));
    MessageBox::setNextAnswer(true);
    w.cmdfrmboardAddClick();
    QCOMPARE(MessageBox::log().size(), 1);
    code->setText(QStringLiteral("9999"));
    w.cmdfrmboardAddClick();
    QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|正しい銘柄コードを入力して下さい。"));
    QCOMPARE(query("SELECT count(*) FROM board"), 1);
    QCOMPARE(opened, (QList<int>{7203, 1301}));
}

void tst_frmKabukaboard::moveDeleteAndChart() {
    exec("INSERT INTO board (区分, コード, 市場コード, 銘柄, 現在値, 現前日比, 現出来高) VALUES (1, 7203, 1, 'x', 5, "
         "5, 5), "
         "(1, 6758, 1, 'z', 6, 6, 6), (2, 7203, 1, 'x', 7, 7, 7)");
    ui::frmKabukaboard w(m_context, QStringLiteral("1"));
    auto* grid = w.findChild<QTableView*>(QStringLiteral("boardDBGrid"));
    QString jumped;
    connect(&w, &ui::frmKabukaboard::chartRequested, this, [&](const QString& c) { jumped = c; });
    grid->setCurrentIndex(w.model()->index(1, 0)); // 7203
    w.cmdselectedchartClick();
    QCOMPARE(jumped, QStringLiteral("7203"));

    MessageBox::setNextAnswer(true);
    w.cmdtoClick();
    QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|すでに登録されています。"));
    QCOMPARE(query("SELECT count(*) FROM board WHERE コード = 7203"), 2);

    w.cmdclearClick();
    // Cleared values are empty, not a 0 that reads as a price.
    QCOMPARE(query("SELECT count(*) FROM board WHERE 区分 = 1 AND 現在値 IS NOT NULL"), 0);
    QCOMPARE(query("SELECT 現在値 FROM board WHERE 区分 = 2"), 7);

    grid->setCurrentIndex(w.model()->index(0, 0)); // 6758
    MessageBox::setNextAnswer(true);
    w.cmdfrmboardDelClick();
    QCOMPARE(MessageBox::log().last(),
             QStringLiteral("?確認|コード=6758 銘柄を株価ボードから削除しますよろしいですか？"));
    QCOMPARE(w.model()->rowCount(), 1);

    // While issues are being handed out, the commands do nothing and the window stays open.
    w.refresh()->Timer1.start(100000);
    MessageBox::clearLog();
    w.cmdclearClick();
    w.cmdfrmboardDelClick();
    QVERIFY(MessageBox::log().isEmpty());
    w.show();
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    w.refresh()->Timer1.stop();
    QVERIFY(w.close());
}

void tst_frmKabukaboard::menuHelpers() {
    namespace M = ui::BoardMenuActions;
    QListWidget list;
    exec("INSERT INTO board (区分, コード, 市場コード, 銘柄) VALUES (1, 1301, 2, 'y'), (1, 7203, 1, 'x'), (1, 4444, 1, "
         "'q')");
    M::boardToList(nullptr, m_context, 1, &list);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.item(0)->text(), QStringLiteral("7203 東１ ＡＢＣ自動車"));

    // Move the selected issue to B, then remove its row from the list.
    list.setCurrentRow(1);
    MessageBox::setNextAnswer(true);
    MessageBox::setNextAnswer(true);
    M::moveBetweenBoards(nullptr, m_context, 1, QStringLiteral("株価ボードＡからＢへ移動"), &list);
    QCOMPARE(query("SELECT 区分 FROM board WHERE コード = 1301"), 2);
    QCOMPARE(list.count(), 1);

    // The list file's lines and proposed names are the board files' (core tests); here the list goes to
    // the file the dialog chose, and a chosen file comes back into the list.
    const std::string data = m_context.paths.dataFolder;
    // The first dialog of the session starts in the home folder (never in the hidden data folder), each
    // later one in the folder last chosen.
    ui::FileDialog::setNextFileName(QString::fromStdString(data + "/out.Lis"));
    M::writeIssueList(nullptr, m_context, &list);
    QCOMPARE(QFileInfo(ui::FileDialog::lastStart()).absolutePath(), QDir::homePath());
    QCOMPARE(test::readFile(data + "/out.Lis"), std::string("7203\r\n"));
    test::writeFile(data + "/in.Lis", "1301\r\n6758,x\r\n");
    ui::FileDialog::setNextFileName(QString::fromStdString(data + "/in.Lis"));
    M::readIssueList(nullptr, m_context, &list);
    QCOMPARE(QDir(ui::FileDialog::lastStart()), QDir(QString::fromStdString(data)));
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.item(1)->text(), QStringLiteral("6758 東１ ＸＹＺ"));

    // Register and remove the shown issue; a paused slide show runs again afterwards.
    QTimer slide;
    slide.start(100000);
    MessageBox::setNextAnswer(true);
    M::registerShownIssue(nullptr, m_context, 2,
                          {QStringLiteral("6758"), QStringLiteral("東１"), QStringLiteral("ＸＹＺ")}, &slide);
    QVERIFY(slide.isActive());
    QCOMPARE(query("SELECT count(*) FROM board WHERE 区分 = 2 AND コード = 6758"), 1);
    list.setCurrentRow(1);
    MessageBox::setNextAnswer(true);
    MessageBox::setNextAnswer(true);
    M::removeShownIssue(nullptr, m_context, 2,
                        {QStringLiteral("6758"), QStringLiteral("東１"), QStringLiteral("ＸＹＺ")}, &list, &slide);
    QCOMPARE(query("SELECT count(*) FROM board WHERE 区分 = 2 AND コード = 6758"), 0);
    QCOMPARE(MessageBox::log().last(),
             QStringLiteral("?確認|6758 東１ ＸＹＺ を銘柄リストから削除します　よろしいですか？"));
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.currentRow(), 0);

    // Save and load through the dialogs; the loaded board is shown.
    ui::FileDialog::setNextFileName(QString::fromStdString(data + "/b.B"));
    M::saveBoardText(nullptr, m_context, 2);
    QCOMPARE(readProfileString(m_context.paths.iniPath, "Kestrel", "boardB"), std::string("b.B"));
    exec("DELETE FROM board WHERE 区分 = 2");
    QString shown;
    MessageBox::setNextAnswer(false); // no save first
    MessageBox::setNextAnswer(true);  // replace the board
    ui::FileDialog::setNextFileName(QString::fromStdString(data + "/b.B"));
    M::loadBoardText(nullptr, m_context, 2, [&](const QString& h) { shown = h; });
    QCOMPARE(QDir(ui::FileDialog::lastStart()), QDir(QString::fromStdString(data)));
    QCOMPARE(shown, QStringLiteral("2"));
    QCOMPARE(query("SELECT count(*) FROM board WHERE 区分 = 2"), 1);

    // A name typed without an extension is saved with the board's, where the load dialog's filter sees it.
    ui::FileDialog::setNextFileName(QString::fromStdString(data + "/mine"));
    M::saveBoardText(nullptr, m_context, 2);
    QVERIFY(fileExists(data + "/mine.B"));
    QVERIFY(!fileExists(data + "/mine"));
    QCOMPARE(readProfileString(m_context.paths.iniPath, "Kestrel", "boardB"), std::string("mine.B"));
}

// The stored-bars source chosen in the window (and kept), an alert typed into the grid, a refused one,
// and the refresh's message, marks and single desktop notification.
void tst_frmKabukaboard::refreshFromBarsWithAlerts() {
    exec(
        "INSERT INTO board (区分, コード, 市場コード, 銘柄) VALUES (1, 7203, 1, 'ＡＢＣ自動車'), (1, 1301, 2, '極洋')");
    ui::frmKabukaboard w(m_context, QStringLiteral("1"));
    QStringList notes;
    w.setDesktopNotifier([&](const QString&, const QString& text) { notes << text; });
    auto* source = w.findChild<QComboBox*>(QStringLiteral("boardSource"));
    source->setCurrentIndex(source->findText(QStringLiteral("株価データ")));
    QCOMPARE(readProfileString(m_context.paths.iniPath, "Kestrel", "boardsource"), std::string("db"));
    auto* model = w.model();
    const int upper = model->columnOf("上限警報"), lower = model->columnOf("下限警報");
    QVERIFY(model->setData(model->index(0, upper), QStringLiteral("12,400")));
    MessageBox::clearLog();
    QVERIFY(!model->setData(model->index(0, lower), QStringLiteral("12500")));
    QVERIFY(!model->setData(model->index(0, lower), QStringLiteral("0")));
    QCOMPARE(MessageBox::log().size(), 2);
    QCOMPARE(query("SELECT count(*) FROM board WHERE 上限警報 = 12400 AND 下限警報 IS NULL"), 1LL);

    MessageBox::clearLog();
    w.cmdInetClick();
    QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|取得終了しました。\n古い株価: 7203\n警報: 7203 "
                                                      "ＡＢＣ自動車 12,400 ≥ 12,400\n未取得: 1301（日足なし）"));
    QCOMPARE(notes, QStringList{QStringLiteral("警報: 7203 ＡＢＣ自動車 12,400 ≥ 12,400")});
    const int now = model->columnOf("現在値"), date = model->columnOf("現在日付");
    QCOMPARE(model->data(model->index(0, now), Qt::ToolTipRole).toString(),
             QStringLiteral("警報: 7203 ＡＢＣ自動車 12,400 ≥ 12,400"));
    QVERIFY(model->data(model->index(0, date), Qt::ToolTipRole).toString().startsWith(QStringLiteral("古い株価")));
    QCOMPARE(model->data(model->index(1, now), Qt::ToolTipRole).toString(), QStringLiteral("取得失敗: 日足なし"));
    // The row without bars: every price cell and both dates empty, never a 0 that reads as a price.
    QStringList cells;
    for (const char* column : {"日付", "始値", "高値", "安値", "終値", "前日比", "出来高", "現在値", "現前日比",
                               "現出来高", "現在日付", "取得状態"})
        cells << model->data(model->index(1, model->columnOf(column))).toString();
    QCOMPARE(cells.join(QLatin1Char('|')), QStringLiteral("|||||||||||日足なし"));
}

// The J-Quants source against the local J-Quants-shaped server: the days after the stored bars are
// fetched while the window stays live and shows the run's lines, then the rows are filled; a 429 makes
// the fetch wait, and ｷｬﾝｾﾙ (or Escape) during that wait ends it with the days fetched before kept and
// imported, the rows marked and the window usable again.
void tst_frmKabukaboard::jquantsRefresh_data() {
    QTest::addColumn<bool>("limited");
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("completes") << false << false;
    QTest::newRow("cancel during the 429 wait") << true << false;
    QTest::newRow("Escape during the 429 wait") << true << true;
}

void tst_frmKabukaboard::jquantsRefresh() {
    QFETCH(bool, limited);
    QFETCH(bool, byEscape);
    const char* const key = "board-test-key";
    test::JQuantsProcess server;
    QDir().mkpath(QString::fromStdString(server.www("equities_bars_daily")));
    QDir().mkpath(QString::fromStdString(server.www("equities_master")));
    // Stored bars end ten days before the last open day; the server has every weekday after them, the
    // last one (when limited) answered by a 429.
    const Date last = boards::lastTradingDay(Date::today(), db::MarketCalendar{});
    const Date stored = last.addDays(-10);
    exec("DELETE FROM dayData");
    m_home->exec("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES (7203, " +
                 stored.toYYYYMMDD() + ", 1000, 1000, 1000, 1000, 0, 1)");
    exec("INSERT INTO board (区分, コード, 市場コード, 銘柄) VALUES (1, 7203, 1, 'ＡＢＣ自動車')");
    int days = 0;
    for (Date d = stored.addDays(1); !(last < d); d = d.addDays(1)) {
        if (d.isWeekend())
            continue;
        ++days;
        const std::string price = std::to_string(1000 + days);
        test::writeFile(server.www("equities_master/" + d.toIso() + ".json"),
                        R"({"data": [{"Date": ")" + d.toIso() +
                            R"(", "Code": "72030", "CoName": "ＡＢＣ自動車", "Mkt": "0111"}]})");
        test::writeFile(server.www("equities_bars_daily/" + d.toIso() + ".json"),
                        (limited && d == last ? std::string("STATUS 429\n") : std::string()) +
                            R"({"data": [{"Date": ")" + d.toIso() + R"(", "Code": "72030", "O": )" + price +
                            ", \"H\": " + price + ", \"L\": " + price + ", \"C\": " + price +
                            R"(, "Vo": 100, "AdjFactor": 1}]})");
    }
    QVERIFY(days > 2);
    QVERIFY(server.run({QStringLiteral("--key"), QString::fromLatin1(key), QStringLiteral("--plan"),
                        QStringLiteral("standard"), QStringLiteral("--rate-wait"), QStringLiteral("1"),
                        QStringLiteral("--lifetime"), QStringLiteral("60")}));
    const int port = server.port;
    const std::string& ini = m_context.paths.iniPath;
    QVERIFY(writeProfileString(ini, "Kestrel", "JQuantsURL", "http://127.0.0.1:" + std::to_string(port)));
    QVERIFY(writeProfileString(ini, "Kestrel", "JQuantsPlan", "Standard"));
    QVERIFY(writeProfileString(ini, "Kestrel", "JQuantsPace", "6000"));
    QVERIFY(writeProfileString(ini, "Kestrel", "JQuantsRetryWait", "60"));
    qputenv("JQUANTS_API_KEY", key);
    QDir().mkpath(QString::fromStdString(server.root.file("hibi")));
    m_context.settings.hibiPath = server.root.file("hibi");

    ui::frmKabukaboard w(m_context, QStringLiteral("1"));
    w.show();
    auto* source = w.findChild<QComboBox*>(QStringLiteral("boardSource"));
    source->setCurrentIndex(source->findText(QStringLiteral("J-Quants")));
    auto* inet = w.findChild<QPushButton*>(QStringLiteral("CmdInet"));
    auto* progress = w.findChild<QLabel*>(QStringLiteral("LblInt"));
    QStringList seen;
    bool refusedClose = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (seen.isEmpty() || seen.last() != progress->text())
            seen << progress->text();
        if (!progress->text().contains(QStringLiteral("秒待ってから再開します")) || refusedClose)
            return;
        refusedClose = !w.close() && w.isVisible();
        if (byEscape)
            QTest::keyClick(&w, Qt::Key_Escape);
        else
            inet->click();
    });
    watch.start(20);
    QElapsedTimer clock;
    clock.start();
    MessageBox::clearLog();
    inet->click();
    watch.stop();
    qunsetenv("JQUANTS_API_KEY");
    server.process.kill();
    server.process.waitForFinished();
    QVERIFY(clock.elapsed() < 30000);
    QCOMPARE(inet->text(), QStringLiteral("ｲﾝﾀｰﾈｯﾄから現在値取得"));
    QVERIFY(w.isVisible());
    QVERIFY2(seen.filter(QStringLiteral("日)")).size() > 0,
             qPrintable(seen.join(QLatin1Char('|')) + MessageBox::log().join(QLatin1Char('|'))));
    // Every day before the 429 was imported: the newest bar is the day before the last open day.
    const long long bars = query("SELECT count(*) FROM dayData");
    QCOMPARE(bars, limited ? days : days + 1LL);
    if (limited) {
        QVERIFY(refusedClose);
        QCOMPARE(progress->text(), QStringLiteral("中止しました。"));
        QCOMPARE(query("SELECT count(*) FROM board WHERE 取得状態 = '中止しました。'"), 1LL);
    } else {
        QCOMPARE(query("SELECT 現在値 FROM board"), (1000LL + days) * 10);
        QCOMPARE(query("SELECT 現在日付 FROM board"), std::stoll(last.toYYYYMMDD()));
    }
    QVERIFY(MessageBox::log().last().startsWith(QStringLiteral("!株価ケストレル|取得終了しました。")));
    // The window is usable again: the next command works and the window closes.
    w.cmdclearClick();
    QCOMPARE(query("SELECT count(*) FROM board WHERE 現在値 IS NOT NULL"), 0LL);
    QVERIFY(w.close());
}

QTEST_MAIN(tst_frmKabukaboard)
#include "tst_frmKabukaboard.moc"
