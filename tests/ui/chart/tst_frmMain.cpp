// The main window driven as a user drives it: typing codes, the issue list, scrolling onto weekends,
// the daily/weekly switch, the slide show, the search by name, the CSV export, the keys, the menus and
// the screens they open, the issue it opens on and remembers, the board's name search.
#include "core/app/Encoding.h"
#include "core/app/Files.h"
#include "core/chart/ChartData.h"
#include "core/chart/Navigation.h"
#include "core/db/Schema.h"
#include "core/settings/InfoPages.h"
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/app/FileDialog.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"
#include "ui/chart/frmMain.h"
#include "ui/chart/frmMeiFind.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTest>
#include <filesystem>
#include <functional>

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::chart;
using kestrel::test::listRows;
using kestrel::test::texts;
using kestrel::test::withModal;

namespace {

const QString kNoIssue = QStringLiteral("!株価ケストレル|銘柄コードを入力して下さい。");

QString yymmdd(Date d) {
    return QString::fromStdString(d.toYYMMDD());
}

struct Home : test::WindowHome {
    explicit Home(bool withBars = false) {
        context.settings.move1 = 5;
        context.settings.move2 = 10;
        context.settings.move3 = 20;
        context.settings.SaicoL = 10;
        context.settings.RSIVR = 10;
        context.settings.ITORSO = 1;
        context.settings.ScreenMode = 1;
        context.settings.slidechart = 0.5f;
        context.settings.MURL = "www.example.jp/";
        QVERIFY(makeDir(context.paths.htmFolder));
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
             "(7203, 1, 'ＡＢＣ自動車', 1000, 10), (7201, 2, 'ＸＹＺ自動車', 1, 1), (7205, 1, 'O''Neil 商事', 1, 1),"
             "(7211, 1, 'ＤＥＦ工業', 1, 1), (7261, 3, 'ＧＨＩ', 1, 1), (7001, 1, 'ＪＫＬ', 1, 1),"
             "(7999, 12, '遠い市場', 1, 1), (6758, 1, 'ＭＮＯ', 1, 1)");
        if (withBars)
            bars();
    }
    // Daily bars of 7203 on every weekday of the last 300 days before today, weekly bars on Fridays.
    void bars() {
        auto db = db::Database::open(context.paths.databasePath);
        QVERIFY(db);
        db::Transaction tx(**db);
        Date today = Date::today();
        int i = 0;
        for (Date d = today.addDays(-300); d < today; d = d.addDays(1)) {
            if (d.isWeekend())
                continue;
            int close = 100 + (i * 7) % 23;
            ++i;
            QVERIFY((*db)->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) VALUES "
                               "(7203, ?, ?, ?, ?, ?, 0, ?)",
                               d, close - 1, close + 2, close - 3, close, 10 + i % 5));
            if (d.weekday() == 6)
                QVERIFY((*db)->run("INSERT INTO weekData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高, 売残, "
                                   "買残) VALUES (7203, ?, ?, ?, ?, ?, 0, 50, 3, 4)",
                                   d, close - 1, close + 2, close - 3, close));
        }
        QVERIFY(tx.commit());
    }
};

// The messages shown, without the notice of an issue that has no bars (most test issues have none).
QStringList shownMessages() {
    QStringList r;
    for (const QString& m : MessageBox::log())
        if (!m.endsWith(QStringLiteral("基準日からの表示するデーターがありません。")))
            r << m;
    return r;
}

} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { test::scriptWindows(); }
    void typingCodesFillsTheListAndShowsTheIssue();
    void listRowsAreRemovedAndKeysMoveThroughThem();
    void aSingleStepOntoASaturdaySkipsTheWeekend();
    void dailyWeeklySwitchAndBack();
    void slideShowRunsToTheEndOfTheList();
    void nameSearchTakesQuotesLiterally();
    void csvExportWritesTheShownIssueInTheShownMode();
    void menusOpenTheirScreensOrSaySoPlainly();
    void minimizedWindowFlashesAfterARead();
    void opensOnTheLastIssueOrTheFirst();
    void boardSearchFillsTheBoardsCodeBox();
    void tokyoProIssuesAreNamedByTheirJQuantsMarket();
};

void tst_frmMain::typingCodesFillsTheListAndShowsTheIssue() {
    Home home(true);
    frmMain main(home.context);
    main.show();
    QCOMPARE(main.HScroll->value(), kScrollMax);
    QCOMPARE(main.chartDate->text(), yymmdd(Date::today()));

    // The rows and their order come from the issue-list query (core tests); here the box reaches it.
    QTest::keyClicks(main.MeiCode, QStringLiteral("7"));
    QCOMPARE(main.ListMei->count(), 7);
    QCOMPARE(main.ListMei->currentRow(), 0);
    QVERIFY(main.LblMei->text().isEmpty());
    QTest::keyClicks(main.MeiCode, QStringLiteral("203"));
    QCOMPARE(main.ListMei->count(), 5); // "72" refilled it; a short list stays for 3 and 4 digits
    QCOMPARE(main.LblMei->text(), QStringLiteral("ＡＢＣ自動車"));
    // Bars after April 2022: market 1 is shown under its name since then.
    QCOMPARE(main.Lblshijyo->text(), QStringLiteral("プライム"));
    QCOMPARE(main.ListMei->currentItem()->text(), QStringLiteral("7203 プライム ＡＢＣ自動車"));
    {
        QListWidget* prices = main.chartPanel()->KabukaList;
        QCOMPARE(prices->count(), kMaxBars);
        // Prices carry the unit of 10; the newest bar is the last weekday before today.
        Date last = Date::today().addDays(-1);
        while (last.isWeekend())
            last = last.addDays(-1);
        QVERIFY2(prices->item(kMaxBars - 1)->text().startsWith(yymmdd(last)), qPrintable(prices->item(109)->text()));
        QCOMPARE(main.chartPanel()->LblDate->text(), yymmdd(last));
    }

    // A sixth character is cut away; a code not in Mei empties the labels.
    QTest::keyClicks(main.MeiCode, QStringLiteral("19"));
    QCOMPARE(main.MeiCode->text(), QStringLiteral("72031"));
    QVERIFY(main.LblMei->text().isEmpty());
    QVERIFY(main.Lblshijyo->text().isEmpty());

    // F1 empties the code box and puts the focus in it.
    main.activateWindow();
    main.ListMei->setFocus();
    QTest::keyClick(main.ListMei, Qt::Key_F1);
    QVERIFY(main.MeiCode->text().isEmpty());
    QVERIFY(main.focusWidget() == main.MeiCode);
    QVERIFY(MessageBox::log().isEmpty());
    // A chart dated before the markets were renamed names the market as it was then.
    main.MeiCode->setText(QStringLiteral("7203"));
    main.chartDate->setText(QStringLiteral("2021/06/01"));
    main.ShowIssue(false);
    QCOMPARE(main.Lblshijyo->text(), QStringLiteral("東１"));
    main.chartDate->setText(QStringLiteral("2022/04/04"));
    main.ShowIssue(false);
    QCOMPARE(main.Lblshijyo->text(), QStringLiteral("プライム"));
}

void tst_frmMain::listRowsAreRemovedAndKeysMoveThroughThem() {
    Home home;
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("72"));
    QCOMPARE(main.ListMei->count(), 5);
    QAction* del = main.action(QStringLiteral("mnuDelList"));

    // Not while the focus is in the code box.
    main.MeiCode->setFocus();
    del->trigger();
    QVERIFY(shownMessages().isEmpty());

    main.ListMei->setFocus();
    main.ListMei->setCurrentRow(0);
    MessageBox::setNextAnswer(true);
    del->trigger();
    QCOMPARE(shownMessages(),
             QStringList{QStringLiteral("?確認|7203 東１ ＡＢＣ自動車 を銘柄リストから削除します　よろしいですか？")});
    QCOMPARE(main.ListMei->count(), 4);
    QCOMPARE(main.ListMei->currentRow(), 0); // the new first row
    main.ListMei->setCurrentRow(2);
    MessageBox::setNextAnswer(true);
    del->trigger();
    QCOMPARE(main.ListMei->count(), 3);
    QCOMPARE(main.ListMei->currentRow(), 1); // the row above
    MessageBox::setNextAnswer(false);
    del->trigger();
    QCOMPARE(main.ListMei->count(), 3);
    QCOMPARE(listRows(main.ListMei), texts({"7205 東１ O'Neil 商事", "7211 東１ ＤＥＦ工業", "7261 店頭 ＧＨＩ"}));
    QCOMPARE(main.ListMei->currentRow(), 1);

    // Space shows the next row, Shift+Space the previous; at the ends they only move the focus.
    main.ListMei->setCurrentRow(0);
    QTest::keyClick(main.chartDate, Qt::Key_Space);
    QVERIFY(main.focusWidget() == main.ListMei);
    QCOMPARE(main.ListMei->currentRow(), 1);
    QCOMPARE(main.MeiCode->text(), QStringLiteral("7211"));
    QCOMPARE(main.LblMei->text(), QStringLiteral("ＤＥＦ工業"));
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(main.ListMei, Qt::Key_Space);
    QCOMPARE(main.ListMei->currentRow(), 2);
    QCOMPARE(main.MeiCode->text(), QStringLiteral("7261"));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(main.ListMei, Qt::Key_Space, Qt::ShiftModifier);
    QCOMPARE(main.ListMei->currentRow(), 0);
    QCOMPARE(main.MeiCode->text(), QStringLiteral("7205"));
    // Enter in the list shows the selected row as a double-click does.
    main.ListMei->setCurrentRow(2);
    QTest::keyClick(main.ListMei, Qt::Key_Return);
    QCOMPARE(main.MeiCode->text(), QStringLiteral("7261"));
    QCOMPARE(main.Lblshijyo->text(), QStringLiteral("店頭"));
    QCOMPARE(shownMessages().size(), 3);
}

void tst_frmMain::aSingleStepOntoASaturdaySkipsTheWeekend() {
    Home home(true);
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("7203"));
    const ChartData& d = main.chartPanel()->data();
    const int s = main.HScroll->singleStep();
    QVERIFY(s > 1);
    auto at = [&](int v) { return scrollDate(d.scrollStartDate, d.latestDate, v); };

    // Forward: a position on a Friday whose next step lands on a Saturday, two steps later a Monday.
    int friday = -1;
    for (int v = 0; v + 3 * s < kScrollMax - 5 * s && friday < 0; ++v)
        if (at(v).weekday() == 6 && at(v + s).weekday() == 7 && at(v + 3 * s).weekday() == 2)
            friday = v;
    QVERIFY(friday >= 0);
    main.HScroll->setValue(friday); // a drag: no adjustment
    QCOMPARE(main.chartDate->text(), yymmdd(at(friday)));
    main.HScroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(main.HScroll->value(), friday + 3 * s);
    const Date monday = at(friday + s).addDays(2);
    QCOMPARE(main.chartDate->text(), yymmdd(monday));
    QListWidget* prices = main.chartPanel()->KabukaList;
    QVERIFY(prices->item(prices->count() - 1)->text().startsWith(yymmdd(monday)));

    // Typing a date jumps there; a date before the first bar says so.
    const Date thursday = monday.addDays(-4);
    main.chartDate->setText(yymmdd(thursday));
    QVERIFY(prices->item(prices->count() - 1)->text().startsWith(yymmdd(thursday)));
    main.chartDate->setText(QStringLiteral("90/01/01"));
    QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|基準日からの表示するデーターがありません。"));

    // With no issue shown the bar goes back to its end.
    main.MeiCode->setText(QStringLiteral("1"));
    main.HScroll->setValue(100);
    QCOMPARE(main.HScroll->value(), kScrollMax);
}

void tst_frmMain::dailyWeeklySwitchAndBack() {
    Home home(true);
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("7203"));
    QTest::mouseClick(main.Cmdchange, Qt::LeftButton);
    QCOMPARE(home.context.chartMode, 2);
    QVERIFY(home.context.barTable() == db::BarTable::Weekly);
    QCOMPARE(main.windowTitle(), QStringLiteral("株価ケストレル(週)"));
    QListWidget* prices = main.chartPanel()->KabukaList;
    const int weeks = prices->count();
    QVERIFY(weeks >= 40 && weeks <= 44);
    QVERIFY(main.focusWidget() == main.ListMei);

    main.mnuchartdayandweek->trigger();
    QCOMPARE(home.context.chartMode, 1);
    QVERIFY(home.context.barTable() == db::BarTable::Daily);
    QCOMPARE(main.windowTitle(), QStringLiteral("株価ケストレル(日)"));
    QCOMPARE(prices->count(), kMaxBars);
    QVERIFY(MessageBox::log().isEmpty());
}

void tst_frmMain::slideShowRunsToTheEndOfTheList() {
    Home home;
    frmMain main(home.context);
    main.show();
    QAction* slide = main.mnuchartslideshow;

    // An empty list: the show starts, finds nothing and stops at its first tick.
    slide->trigger();
    QCOMPARE(slide->text(), QStringLiteral("ﾁｬｰﾄ・ｽﾗｲﾄﾞｼｮｰ・ｽﾄｯﾌﾟ"));
    QTRY_VERIFY_WITH_TIMEOUT(!main.chartTimer->isActive(), 2000);

    main.MeiCode->setText(QStringLiteral("72"));
    main.ListMei->setCurrentRow(2); // 7211, then 7201 and 7261
    slide->trigger();
    QCOMPARE(main.LblMei->text(), QStringLiteral("ＤＥＦ工業"));
    QTRY_COMPARE_WITH_TIMEOUT(main.LblMei->text(), QStringLiteral("ＸＹＺ自動車"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(main.LblMei->text(), QStringLiteral("ＧＨＩ"), 2000);
    QVERIFY(main.chartTimer->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!main.chartTimer->isActive(), 2000);
    QCOMPARE(main.ListMei->currentRow(), 4);

    // A second choice stops a running show.
    main.ListMei->setCurrentRow(0);
    slide->trigger();
    QVERIFY(main.chartTimer->isActive());
    slide->trigger();
    QVERIFY(!main.chartTimer->isActive());
    QCOMPARE(slide->text(), QStringLiteral("ﾁｬｰﾄ・ｽﾗｲﾄﾞｼｮｰ・ｽﾀｰﾄ"));
    QVERIFY(shownMessages().isEmpty());
}

void tst_frmMain::nameSearchTakesQuotesLiterally() {
    Home home;
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("6758"));
    // Types into the search box, notes the rows found and leaves with the key.
    QStringList found;
    auto search = [&](const QString& typed, Qt::Key key) {
        return withModal([&] { QTest::mouseClick(main.CmdFind, Qt::LeftButton); },
                         [&](QDialog* dialog) {
                             auto* find = static_cast<frmMeiFind*>(dialog);
                             QTest::keyClicks(find->txtFind, typed);
                             found = listRows(find->ListMei);
                             QTest::keyClick(find->txtFind, key);
                         });
    };
    QCOMPARE(search(QStringLiteral("O'N"), Qt::Key_Return), QStringLiteral("frmMeiFind"));
    QCOMPARE(found, QStringList{QStringLiteral("7205　　東１　　O'Neil 商事")});
    QCOMPARE(main.MeiCode->text(), QStringLiteral("7205"));
    QCOMPARE(main.LblMei->text(), QStringLiteral("O'Neil 商事"));
    // The list holds the chosen issue's neighbours and selects it.
    QCOMPARE(main.ListMei->count(), 5);
    QCOMPARE(main.ListMei->currentItem()->text(), QStringLiteral("7205 東１ O'Neil 商事"));

    // Esc chooses nothing.
    search(QStringLiteral("x"), Qt::Key_Escape);
    QCOMPARE(main.MeiCode->text(), QStringLiteral("7205"));
    QVERIFY(shownMessages().isEmpty());
}

void tst_frmMain::csvExportWritesTheShownIssueInTheShownMode() {
    Home home(true);
    frmMain main(home.context);
    main.show();
    QAction* csv = main.action(QStringLiteral("mnudataoutputcsv"));
    // No issue shown: the question, then the message, and no file.
    MessageBox::setNextAnswer(true);
    csv->trigger();
    QCOMPARE(MessageBox::log(),
             (QStringList{QStringLiteral("?確認|株価データをCsv形式で出力します よろしいですか？"), kNoIssue}));
    QVERIFY(!fileExists(home.dir.file("Data/7203.Csv")));

    main.MeiCode->setText(QStringLiteral("7203"));
    MessageBox::clearLog();
    MessageBox::setNextAnswer(false);
    csv->trigger();
    QVERIFY(!fileExists(home.dir.file("Data/7203.Csv")));
    for (int mode : {1, 2}) {
        if (mode == 2)
            main.Cmdchange->click();
        MessageBox::clearLog();
        MessageBox::setNextAnswer(true);
        csv->trigger();
        QCOMPARE(MessageBox::log().last(),
                 QStringLiteral("!株価ケストレル|Data ﾌｫﾙﾀﾞに 7203.Csv と言うﾌｧｲﾙ名で出力しました。"));
        // The lines themselves are the price CSV's (core and command-line tests); here the mode reaches it.
        auto text = cp932ToUtf8(test::readFile(home.dir.file("Data/7203.Csv")));
        QVERIFY(text);
        QVERIFY(text->rfind(mode == 1 ? "ＡＢＣ自動車,7203,プライム,日足データ\r\n日付,出来高,始値,高値,安値,終値\r\n"
                                      : "ＡＢＣ自動車,7203,プライム,週足データ\r\n",
                            0) == 0);
        const long long bars = home.count(std::string("select count(*) from ") + (mode == 1 ? "dayData" : "weekData") +
                                          " where コード=7203");
        QVERIFY(bars > 40);
        QCOMPARE(QString::fromStdString(*text).count(QStringLiteral("\r\n")), bars + 2);
    }

    // A data folder that cannot take the file: a clear message, and the program goes on.
    std::filesystem::remove_all(home.context.paths.dataFolder);
    test::writeFile(home.context.paths.dataFolder, "not a folder");
    MessageBox::clearLog();
    MessageBox::setNextAnswer(true);
    csv->trigger();
    QCOMPARE(MessageBox::log().size(), 2);
    QVERIFY(!MessageBox::log().last().contains(QStringLiteral("出力しました")));
    QCOMPARE(QString::fromStdString(test::readFile(home.context.paths.dataFolder)), QStringLiteral("not a folder"));
}

void tst_frmMain::menusOpenTheirScreensOrSaySoPlainly() {
    Home home;
    frmMain main(home.context);
    main.show();
    // Entries wired to the screens that exist.
    struct {
        const char* action;
        const char* window;
    } wired[] = {
        {"mnuoption", "frmOption"},
        {"mnurestore", "frmBackUp"},
        {"mnukabukatyousa", "frmDatament"},
        {"mnukabukaDeleteEdit", "frmDeleteData"},
        {"mnuMeiedit", "frmEditMei"},
        {"mnuErrMei", "frmReadDelMei"},
        {"kabukanriButton", "frmstockmarket"},
        {"mnuabout", "frmAbout"},
        {"mnuReadData", "frmReadData"},
        {"mnuReadShinyoData", "frmShinyoData"},
        {"mnuMakeSyuData", "frmSyuMakeData"},
        {"mnuZenjitusaKeisan", "frmZenjitusa"},
        {"KaboardBButton", "frmKabukaboard"},
        {"mnukabusikijyouhoopen", "frmInformation"},
        // Toolbar keys: those that trigger a menu entry by its name, and those that open a screen.
        {"DataDelButton", "frmDeleteData"},
        {"IntReadKabukaButton", "frmReadData"},
        {"InfodataButton", "frmInformation"},
        {"OptionButton", "frmOption"},
        {"DMentButton", "frmDatament"},
        {"MMentButton", "frmEditMei"},
    };
    for (const auto& w : wired) {
        QAction* a = main.action(QString::fromLatin1(w.action));
        QVERIFY2(a, w.action);
        QCOMPARE(withModal([a] { a->trigger(); }), QString::fromLatin1(w.window));
    }
    // Price editing needs a shown issue, asks, and hands the issue over.
    QAction* edit = main.action(QStringLiteral("mnuKabkaEdit"));
    edit->trigger();
    QCOMPARE(MessageBox::log().last(), QStringLiteral("!株価ケストレル|銘柄コードを指定して下さい。"));
    main.MeiCode->setText(QStringLiteral("7203"));
    MessageBox::setNextAnswer(true);
    QCOMPARE(withModal([edit] { edit->trigger(); }), QStringLiteral("frmEditKabuka"));
    QCOMPARE(main.HandOverText, QStringLiteral("7203,東１,ＡＢＣ自動車"));
    QCOMPARE(withModal([&] { main.action(QStringLiteral("mnuJyohouList"))->trigger(); }),
             QStringLiteral("frmJyohoList"));
    MessageBox::clearLog();
    QVERIFY(!main.isMinimized());
    QVERIFY(cShellFile::recorded().isEmpty());

    // Reading the issue master asks first; No opens nothing.
    MessageBox::setNextAnswer(false);
    QCOMPARE(withModal([&] { main.action(QStringLiteral("mnuMeiRegistData"))->trigger(); }), QString());
    QVERIFY(MessageBox::log().last().startsWith(QStringLiteral("?確認|銘柄データーを読み込みします")));
    // The internet read minimizes the window, opens the information page and the download screen in mode 1.
    QCOMPARE(withModal([&] { main.action(QStringLiteral("IntReadMeiButton"))->trigger(); }),
             QStringLiteral("frmIntReadData"));
    QCOMPARE(cShellFile::recorded().size(), 1);
    QVERIFY(cShellFile::recorded().first().startsWith(QStringLiteral("http://")));
    cShellFile::recorded().clear();
    QVERIFY(!main.isMinimized()); // closed: the chart is back
    // The stock-information download (its key triggers the menu entry) goes the same road with no mode
    // and shows its result afterwards.
    MessageBox::clearLog();
    main.HandOverText = QStringLiteral("1");
    bool minimized = false, cleared = false;
    QCOMPARE(withModal([&] { main.action(QStringLiteral("IntReadinfodataButton"))->trigger(); },
                       [&](QDialog*) {
                           minimized = main.isMinimized();
                           cleared = main.HandOverText.isEmpty();
                           main.HandOverText = QStringLiteral("取得するファイルが見つかりません。");
                       }),
             QStringLiteral("frmIntInformation"));
    QVERIFY(minimized && cleared);
    QCOMPARE(cShellFile::recorded().size(), 1);
    QCOMPARE(MessageBox::log(), QStringList{QStringLiteral("!株価ケストレル|取得するファイルが見つかりません。")});
    cShellFile::recorded().clear();
    QVERIFY(!main.isMinimized());
    // キャンセル in either download screen leaves the chart shown, not minimised.
    for (const char* entry : {"IntReadinfodataButton", "IntReadMeiButton"}) {
        bool minimizedWhileOpen = false;
        withModal([&] { main.action(QString::fromLatin1(entry))->trigger(); },
                  [&](QDialog* d) {
                      minimizedWhileOpen = main.isMinimized();
                      QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("CmdClose")), Qt::LeftButton);
                  });
        QVERIFY2(minimizedWhileOpen, entry);
        QVERIFY2(!main.isMinimized(), entry);
        QVERIFY2(main.isVisible(), entry);
    }
    cShellFile::recorded().clear();
    MessageBox::clearLog();

    // Information pages need a shown issue; help needs its file; an outside file opens when it exists.
    // A web page is offered only once its address is set in the options, the code taking {code}'s place.
    MessageBox::clearLog();
    QAction* company = main.action(QStringLiteral("mnusyosai"));
    auto* infoMenu = qobject_cast<QMenu*>(company->associatedObjects().value(0));
    QVERIFY(infoMenu);
    QVERIFY(!company->isEnabled());
    QCOMPARE(company->toolTip(), QString::fromUtf8(kInfoPageUnsetTip));
    QVERIFY(saveInfoPageTemplates(home.context.paths.iniPath,
                                  {"", "", "https://company.example/{code}", "https://board.example/?c={code}"}));
    Q_EMIT infoMenu->aboutToShow();
    QVERIFY(company->isEnabled());
    QVERIFY(!main.action(QStringLiteral("mnukyone"))->isEnabled());
    company->trigger();
    main.action(QStringLiteral("mnukeijiban"))->trigger();
    QCOMPARE(cShellFile::recorded(), texts({"https://company.example/7203", "https://board.example/?c=7203"}));
    main.action(QStringLiteral("mnuHelp"))->trigger();
    QCOMPARE(shownMessages(), QStringList{QStringLiteral("!株価ケストレル|ヘルプファイルをダウンロードして下さい。")});
    test::writeFile(home.dir.file("htm/index.htm"), "<html></html>");
    main.action(QStringLiteral("mnuHelp"))->trigger();
    QCOMPARE(cShellFile::recorded().last(), QString::fromStdString(home.dir.file("htm/index.htm")));
    FileDialog::setNextFileName(QString::fromStdString(home.dir.file("missing.txt")));
    main.action(QStringLiteral("mnuGaibuRun"))->trigger();
    QCOMPARE(cShellFile::recorded().size(), 3);
    FileDialog::setNextFileName(QString::fromStdString(home.dir.file("htm/index.htm")));
    main.action(QStringLiteral("mnuGaibuRun"))->trigger();
    QCOMPARE(cShellFile::recorded().size(), 4);
    main.action(QStringLiteral("mnuOutsideInfoHP"))->trigger();
    QCOMPARE(cShellFile::recorded().last(), QStringLiteral("http://www.example.jp/"));
    main.MeiCode->setText(QStringLiteral("9"));
    MessageBox::clearLog();
    main.action(QStringLiteral("mnuBSPL"))->trigger();
    QCOMPARE(shownMessages(), QStringList{kNoIssue});
    QCOMPARE(cShellFile::recorded().size(), 5);
}

void tst_frmMain::minimizedWindowFlashesAfterARead() {
    Home home(true);
    frmMain main(home.context);
    main.show();
    main.MeiCode->setText(QStringLiteral("7203"));
    // A date box text that is no date: showing the issue puts today back and draws once.
    main.chartDate->setText(QStringLiteral("26/1"));
    main.MeiCode->setText(QStringLiteral("720"));
    main.MeiCode->setText(QStringLiteral("7203"));
    QCOMPARE(main.chartDate->text(), yymmdd(Date::today()));
    QCOMPARE(main.chartPanel()->KabukaList->count(), kMaxBars);

    main.blinkPending = true;
    main.showMinimized();
    QTRY_VERIFY(main.blinkTimer->isActive());
    main.showNormal();
    QTRY_VERIFY(!main.blinkTimer->isActive());
    QVERIFY(!main.blinkPending);
    QCOMPARE(main.chartPanel()->KabukaList->count(), kMaxBars);
    QVERIFY(MessageBox::log().isEmpty());
}

void tst_frmMain::opensOnTheLastIssueOrTheFirst() {
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

void tst_frmMain::boardSearchFillsTheBoardsCodeBox() {
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

void tst_frmMain::tokyoProIssuesAreNamedByTheirJQuantsMarket() {
    Home home(true);
    home.exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
              "(9168, 6, 'ＰＲＯ商事', 100, 1), (9169, 6, '他商事', 100, 1)");
    {
        auto db = db::Database::open(home.context.paths.databasePath);
        QVERIFY(db);
        QVERIFY(db::replaceJQuantsMarketCodes(**db, {{9168, "0105"}, {9169, "0109"}}));
    }
    frmMain main(home.context);
    main.show();
    QTest::keyClicks(main.MeiCode, QStringLiteral("91"));
    QCOMPARE(main.ListMei->count(), 2);
    QCOMPARE(main.ListMei->item(0)->text(), QStringLiteral("9168 TOKYO PRO ＰＲＯ商事"));
    QCOMPARE(main.ListMei->item(1)->text(), QStringLiteral("9169 その他 他商事"));
    QTest::keyClicks(main.MeiCode, QStringLiteral("68"));
    QCOMPARE(main.Lblshijyo->text(), QStringLiteral("TOKYO PRO"));
    // A chart dated before TOKYO PRO Market was named apart keeps その他.
    main.chartDate->setText(QStringLiteral("2021/06/01"));
    main.ShowIssue(false);
    QCOMPARE(main.Lblshijyo->text(), QStringLiteral("その他"));
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"
