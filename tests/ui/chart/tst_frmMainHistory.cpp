// The main window's J-Quants road against a local J-Quants-shaped server on the Free plan: the chart of an
// issue with a few stored bars fetches the rest of the window by code (the note over the chart says so,
// then how many bars came, and the chart is drawn again with them); the background job's line in the
// status bar, day by day to its end; the J-Quants menu entries; an issue never seen with disclosures
// fetches them after its prices, and its valuations and results marks follow; a plan without them is a
// note in the status bar.
#include "core/app/DateText.h"
#include "core/chart/ChartData.h"
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/chart/frmMain.h"

#include <QDir>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QTest>

using namespace kestrel;
using namespace kestrel::ui;

namespace {

const QByteArray kKey = "free-key-9d40";

// The server's window: the 30 days ending 12 weeks ago (the Free plan's delay). 7203 trades on every
// weekday of it, 1301 on every other; the calendar marks weekends closed. Answers come in pages of 7 rows.
struct JQuantsServer : test::JQuantsProcess {
    Date windowEnd = Date::today().addDays(-84);
    Date windowStart = windowEnd.addDays(-29);
    std::vector<Date> days; // the weekdays of the window, oldest first

    static std::string bar(Date d, const char* code, int close) {
        const std::string c = std::to_string(close);
        return R"({"Date": ")" + d.toIso() + R"(", "Code": ")" + code + R"(", "O": )" + c +
               ", \"H\": " + std::to_string(close + 40) + ", \"L\": " + std::to_string(close - 30) + ", \"C\": " + c +
               R"(, "Vo": 1000000, "AdjFactor": 1})";
    }

    bool start(int windowDays = 30, const char* delay = "0") {
        windowStart = windowEnd.addDays(-(windowDays - 1));
        for (const char* folder : {"www/equities_master", "www/equities_bars_daily", "www/markets_calendar"})
            QDir().mkpath(QString::fromStdString(root.file(folder)));
        std::string calendar, bars;
        int i = 0;
        for (Date d = windowStart.addDays(-800); !(windowEnd.addDays(10) < d); d = d.addDays(1)) {
            calendar += std::string(calendar.empty() ? "" : ",") + R"({"Date": ")" + d.toIso() + R"(", "HolDiv": ")" +
                        (d.isWeekend() ? "0" : "1") + "\"}";
            if (d < windowStart || windowEnd < d || d.isWeekend())
                continue;
            days.push_back(d);
            bars += std::string(bars.empty() ? "" : ",") + bar(d, "72030", 950000 - 100 * i);
            if (i % 2 == 0)
                bars += "," + bar(d, "13010", 3000 + i);
            ++i;
        }
        test::writeFile(root.file("www/markets_calendar/all.json"), "{\"data\": [" + calendar + "]}");
        test::writeFile(root.file("www/equities_bars_daily/all.json"), "{\"data\": [" + bars + "]}");
        test::writeFile(root.file("www/equities_master/all.json"),
                        R"({"data": [{"Date": ")" + windowEnd.toIso() +
                            R"(", "Code": "72030", "CoName": "トヨタ自動車", "Mkt": "0111"}, {"Date": ")" +
                            windowEnd.toIso() + R"(", "Code": "13010", "CoName": "極洋", "Mkt": "0111"}]})");
        return run({QStringLiteral("--key"), QString::fromLatin1(kKey), QStringLiteral("--plan"),
                    QStringLiteral("free"), QStringLiteral("--window"),
                    QString::fromStdString(windowStart.toIso() + "~" + windowEnd.toIso()),
                    QStringLiteral("--page-rows"), QStringLiteral("7"), QStringLiteral("--delay"),
                    QString::fromLatin1(delay), QStringLiteral("--lifetime"), QStringLiteral("120")});
    }
    // The disclosures of 7203 (/fins/summary?code=72030): the results of the year before the window, with
    // its book value and share count, and a first quarter disclosed on the window's sixth day with the
    // year's forecasts.
    void writeFins(const std::string& body = {}) {
        QDir().mkpath(QString::fromStdString(root.file("www/fins_summary")));
        const std::string rows =
            R"({"data": [{"DiscDate": ")" + windowStart.addDays(-40).toIso() +
            R"(", "DiscTime": "15:00:00", "Code": "72030", "DiscNo": "100", "DocType": )"
            R"("FYFinancialStatements_Consolidated_JP", "CurPerType": "FY", "CurPerEn": "2025-03-31", )"
            R"("CurFYEn": "2025-03-31", "NxtFYEn": "2026-03-31", "EPS": "90", "BPS": "400000", )"
            R"("ShOutFY": "1000000", "TrShFY": "", "NxFEPS": "100", "NxFDivAnn": "8000"}, )"
            R"({"DiscDate": ")" +
            days[5].toIso() +
            R"(", "DiscTime": "15:30:00", "Code": "72030", "DiscNo": "200", "DocType": )"
            R"("1QFinancialStatements_Consolidated_JP", "CurPerType": "1Q", "CurPerEn": "2025-06-30", )"
            R"("CurFYEn": "2026-03-31", "Sales": "5000000000", "FEPS": "125", "FDivAnn": "9479"}]})";
        test::writeFile(root.file("www/fins_summary/72030.json"), body.empty() ? rows : body);
    }
};

struct Home : test::WindowHome {
    explicit Home(int port) {
        context.settings.hibiPath = context.paths.dataFolder + "/";
        context.settings.move1 = 5;
        context.settings.move2 = 10;
        context.settings.move3 = 20;
        for (auto [key, value] :
             {std::pair<const char*, std::string>{"JQuantsURL", "http://127.0.0.1:" + std::to_string(port)},
              {"JQuantsPlan", "Free"},
              {"JQuantsPace", "6000"},
              {"JQuantsRetryWait", "1"}})
            if (!writeProfileString(context.paths.iniPath, "Kestrel", key, value))
                qFatal("cannot write Kestrel.ini");
        exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES "
             "(7203, 1, 'トヨタ自動車', 100, 1), (1301, 1, '極洋', 100, 1)");
    }
};

} // namespace

class tst_frmMainHistory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        MessageBox::setScripted(true);
        MessageBox::clearLog();
        qputenv("JQUANTS_API_KEY", kKey);
    }

    void menuHoldsTheJQuantsRoad() {
        Home home(1);
        frmMain main(home.context);
        const struct {
            const char* name;
            const char* caption;
        } entries[] = {{"mnuJQuantsLatest", "銘柄登録と最新の株価を取得"},
                       {"mnuJQuantsHistory", "履歴の取得"},
                       {"mnuJQuantsHistoryPause", "履歴の取得を一時停止"},
                       {"mnuJQuantsHistoryCancel", "履歴の取得を中止"},
                       {"mnuJQuantsTest", "接続テスト"}};
        for (const auto& e : entries) {
            QAction* a = main.action(QString::fromLatin1(e.name));
            QVERIFY2(a, e.name);
            QCOMPARE(a->text(), QString::fromUtf8(e.caption));
        }
        QVERIFY(main.menuBar()->findChild<QMenu*>() != nullptr);
    }

    // Three bars stored at the window's end: the chart asks for the part before them, by code, in pages.
    void chartOfAnIssueWithFewBarsFetchesItsHistory() {
        JQuantsServer server;
        QVERIFY(server.start());
        Home home(server.port);
        const std::size_t n = server.days.size();
        QVERIFY(n > 10);
        {
            auto db = db::Database::open(home.context.paths.databasePath);
            QVERIFY(db);
            for (std::size_t i = n - 3; i < n; ++i)
                QVERIFY((*db)->run("INSERT INTO dayData (コード, 日付, 始値, 高値, 安値, 終値, 前日比, 出来高) "
                                   "VALUES (7203, ?, 948000, 948040, 947970, 948000, 0, 1000000)",
                                   server.days[i]));
        }
        frmMain main(home.context);
        main.show();
        main.chartDate->setText(QString::fromStdString(server.windowEnd.toYYMMDD()));
        main.MeiCode->setText(QStringLiteral("7203"));
        QCOMPARE(main.LblHistory->text(), QStringLiteral("履歴を取得中…"));
        QVERIFY(main.LblHistory->isVisible());
        const QString expected = QStringLiteral("履歴 %1 本を取得しました。").arg(n - 3);
        QTRY_COMPARE_WITH_TIMEOUT(main.LblHistory->text(), expected, 30000);
        QVERIFY(main.LblHistory->isVisible());
        QCOMPARE(home.count("SELECT count(*) FROM dayData WHERE コード = 7203"), static_cast<long long>(n));
        // The chart drawn again holds the whole window, down to its oldest bar at 950,000 yen.
        const chart::ChartData& data = main.chartPanel()->data();
        QCOMPARE(static_cast<std::size_t>(data.barCount), n);
        bool oldest = false;
        for (int i = 0; i < data.barCount; ++i)
            if (data.bars[i].date.serial() == server.days.front().serial())
                oldest = data.bars[i].close == Currency::fromWhole(950000);
        QVERIFY(oldest);
        // One request by code and its pages; the issue is not asked again when shown again.
        QVERIFY(server.log().contains(QStringLiteral("code=72030")));
        const int requests = server.log().count(QStringLiteral("\n"));
        main.MeiCode->setText(QStringLiteral("1301"));
        main.MeiCode->setText(QStringLiteral("7203"));
        QTest::qWait(300);
        QVERIFY(!server.log().section(QStringLiteral("\n"), requests).contains(QStringLiteral("code=72030")));
    }

    // No disclosure stored: they are asked for by code after the prices; the line under the name and the
    // 1Q mark at the bar after the quarter's disclosure follow, at the chart date's close.
    void chartOfAnIssueWithoutDisclosuresFetchesThem() {
        JQuantsServer server;
        QVERIFY(server.start());
        server.writeFins();
        Home home(server.port);
        frmMain main(home.context);
        main.show();
        main.chartDate->setText(QString::fromStdString(server.windowEnd.toYYMMDD()));
        main.MeiCode->setText(QStringLiteral("7203"));
        QCOMPARE(main.LblFins->text(), QStringLiteral("予想PER −  PBR −  予想配当利回り −  時価総額 −"));
        QTRY_COMPARE_WITH_TIMEOUT(home.count("SELECT count(*) FROM Kessan WHERE コード = 7203"), 2LL, 30000);
        const int n = static_cast<int>(server.days.size());
        const int close = 950000 - 100 * (n - 1); // the window's last day
        // 予想PER close / 125, PBR close / 400,000, yield 9,479 / close, 1,000,000 shares.
        const QString line =
            QStringLiteral("予想PER %1倍  PBR %2倍  予想配当利回り %3%  時価総額 %4億円")
                .arg(close / 125.0, 0, 'f', 1)
                .arg(close / 400000.0, 0, 'f', 2)
                .arg(947900.0 / close, 0, 'f', 2)
                .arg(QStringLiteral("%1,%2").arg(close / 100000).arg(close / 100 % 1000, 3, 10, QLatin1Char('0')));
        QTRY_COMPARE_WITH_TIMEOUT(main.LblFins->text(), line, 30000);
        QCOMPARE(main.LblFins->toolTip(),
                 QStringLiteral("連結・日本基準（%1 時点）").arg(QString::fromStdString(shownDate(server.windowEnd))));
        // The prices went first.
        const QString log = server.log();
        QVERIFY(log.indexOf(QStringLiteral("/equities/bars/daily")) < log.indexOf(QStringLiteral("/fins/summary")));
        const auto& marks = main.chartPanel()->resultsMarks();
        QCOMPARE(marks.size(), std::size_t(1));
        QCOMPARE(marks[0].label, std::string("1Q"));
        SeriesChartView* view = main.chartPanel()->seriesView;
        QCOMPARE(view->chart()->series().bars[static_cast<std::size_t>(marks[0].bar)].date, server.days[6]);
        // The label's tooltip where it is drawn, at the foot of the price panel; none a row above it.
        const chart::SceneLayout lay = view->sceneLayout();
        const int x = lay.barX(marks[0].bar, view->view());
        QVERIFY(view->markTipAt(QPoint(x, lay.priceBottom - 8))
                    .startsWith(QStringLiteral("2026年3月期 第1四半期（連結・日本基準）")));
        QVERIFY(view->markTipAt(QPoint(x, lay.priceBottom - 30)).isEmpty());
        QVERIFY(!MessageBox::log().join(QLatin1Char('|')).contains(QStringLiteral("決算"))); // no box of ours
        // Stored now: not asked again.
        main.MeiCode->setText(QStringLiteral("1301"));
        main.MeiCode->setText(QStringLiteral("7203"));
        QTest::qWait(300);
        QCOMPARE(server.log().count(QStringLiteral("/fins/summary?code=72030")), 1);
    }

    // A plan refusing the disclosures: a note in the status bar, no box, and the prices come all the same.
    void disclosuresRefusedAreANoteOnly() {
        JQuantsServer server;
        QVERIFY(server.start());
        server.writeFins("STATUS 403\n{\"message\": \"This API is not available on your subscription\"}");
        Home home(server.port);
        frmMain main(home.context);
        main.show();
        main.chartDate->setText(QString::fromStdString(server.windowEnd.toYYMMDD()));
        main.MeiCode->setText(QStringLiteral("7203"));
        QTRY_VERIFY_WITH_TIMEOUT(
            main.statusBar()->currentMessage().startsWith(QStringLiteral("決算情報を取得できませんでした")), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(main.LblHistory->text().startsWith(QStringLiteral("履歴 ")), 30000);
        QVERIFY(!MessageBox::log().join(QLatin1Char('|')).contains(QStringLiteral("決算"))); // no box of ours
        QCOMPARE(main.LblFins->text(), QStringLiteral("予想PER −  PBR −  予想配当利回り −  時価総額 −"));
        // Refused once: another issue does not ask.
        main.MeiCode->setText(QStringLiteral("1301"));
        QTest::qWait(500);
        QCOMPARE(server.log().count(QStringLiteral("/fins/summary")), 1);
    }

    // A window of six weekdays: the status bar follows the job day by day, newest first, to its end.
    void backfillShowsItsProgressInTheStatusBar() {
        JQuantsServer server;
        QVERIFY(server.start(8));
        Home home(server.port);
        frmMain main(home.context);
        QStringList seen;
        // Tied to the window: a line still queued when the test ends is dropped with it, never delivered
        // to a later test after seen is gone.
        connect(main.history(), &services::HistoryRunner::progress, &main,
                [&seen](const QString& text) { seen << text; });
        main.show();
        MessageBox::setNextAnswer(true);
        main.action(QStringLiteral("mnuJQuantsHistory"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(main.StatusHistory->text(), QStringLiteral("履歴: 取得済み"), 30000);
        const int total = static_cast<int>(server.days.size());
        QCOMPARE(home.count("SELECT count(DISTINCT 日付) FROM dayData"), static_cast<long long>(total));
        // After the first day: the newest day reached, 1 of total done, a minute left at 6000 a minute.
        const QString first = QStringLiteral("履歴: %1 まで %2%・残り約 1 分")
                                  .arg(QString::fromStdString(shownDate(server.days.back())))
                                  .arg(100 / total);
        QVERIFY2(seen.contains(first), qPrintable(seen.join(QLatin1Char('|'))));
        QVERIFY(!main.history()->backfillRunning());
    }

    // Paused after a day, the job asks nothing more, yet an issue opened meanwhile is served; cancelled,
    // the days imported stay; started again, it goes on from there to its end.
    void backfillPausesServesAnIssueCancelsAndResumes() {
        JQuantsServer server;
        QVERIFY(server.start(15, "0.15"));
        Home home(server.port);
        frmMain main(home.context);
        main.show();
        MessageBox::setNextAnswer(true);
        main.action(QStringLiteral("mnuJQuantsHistory"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(main.StatusHistory->text().contains(QStringLiteral(" まで ")), 30000);
        main.action(QStringLiteral("mnuJQuantsHistoryPause"))->trigger();
        QVERIFY(main.StatusHistory->text().endsWith(QStringLiteral("（一時停止中）")));
        QVERIFY(main.history()->backfillPaused());
        QTest::qWait(1500); // the day in hand ends
        const long long paused = home.count("SELECT count(DISTINCT 日付) FROM dayData");
        const long long total = static_cast<long long>(server.days.size());
        QVERIFY(paused >= 1 && paused < total);
        main.MeiCode->setText(QStringLiteral("1301"));
        QTRY_VERIFY_WITH_TIMEOUT(main.LblHistory->text().startsWith(QStringLiteral("履歴 ")), 30000);
        QCOMPARE(home.count("SELECT count(DISTINCT 日付) FROM dayData WHERE コード = 7203"), paused);
        main.action(QStringLiteral("mnuJQuantsHistoryCancel"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(main.StatusHistory->text().startsWith(QStringLiteral("履歴の取得を中止しました")),
                                 30000);
        QVERIFY(!main.history()->backfillRunning() && !main.history()->backfillPaused());
        QCOMPARE(home.count("SELECT count(DISTINCT 日付) FROM dayData WHERE コード = 7203"), paused);
        main.action(QStringLiteral("mnuJQuantsHistory"))->trigger(); // resumes: no question this time
        QTRY_COMPARE_WITH_TIMEOUT(main.StatusHistory->text(), QStringLiteral("履歴: 取得済み"), 60000);
        QCOMPARE(home.count("SELECT count(DISTINCT 日付) FROM dayData WHERE コード = 7203"), total);
    }
};

QTEST_MAIN(tst_frmMainHistory)
#include "tst_frmMainHistory.moc"
