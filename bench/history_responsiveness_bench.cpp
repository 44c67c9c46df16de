// The chart window while the market's history fills in behind it: the main window (offscreen) runs the
// background job against the local J-Quants-shaped test server (tests/cli/jquants_server.py, Free plan,
// each answer held back --delay seconds as a paced service would), while a timer on the window's thread
// asks for a tick every 5 ms. The gaps between ticks are what the user would feel: printed are the
// longest, the 99th percentile and how many exceed 50 ms (limit: none over 50 ms from the job).
// Run: build/bench/history_responsiveness_bench [ISSUES [DAYS [DELAY]]]   (defaults 4000, 10, 0.2)
#include "core/settings/IniFile.h"
#include "support/WindowTestSupport.h"
#include "ui/app/MessageBox.h"
#include "ui/chart/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace kestrel;

namespace {

const char* kKey = "bench-key-35";

std::string code5(int code) {
    return std::to_string(code) + "0";
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("JQUANTS_API_KEY", kKey);
    QApplication app(argc, argv);
    const int issues = argc > 1 ? std::max(1, std::atoi(argv[1])) : 4000;
    const int wanted = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const QString delay = argc > 3 ? QString::fromLatin1(argv[3]) : QStringLiteral("0.2");

    // The server's window: the last `wanted` weekdays ending twelve weeks back (the Free plan's delay).
    test::TempDir root;
    const Date end = Date::today().addDays(-84);
    std::vector<Date> days;
    for (Date d = end; static_cast<int>(days.size()) < wanted; d = d.addDays(-1))
        if (!d.isWeekend())
            days.insert(days.begin(), d);
    for (const char* folder : {"www/equities_master", "www/equities_bars_daily", "www/markets_calendar"})
        QDir().mkpath(QString::fromStdString(root.file(folder)));
    std::string calendar, master, bars;
    for (Date d = days.front().addDays(-800); d <= end.addDays(10); d = d.addDays(1))
        calendar += std::string(calendar.empty() ? "" : ",") + R"({"Date": ")" + d.toIso() + R"(", "HolDiv": ")" +
                    (d.isWeekend() ? "0" : "1") + "\"}";
    for (int code = 1300; code < 1300 + issues; ++code)
        master += std::string(master.empty() ? "" : ",") + R"({"Date": ")" + end.toIso() + R"(", "Code": ")" +
                  code5(code) + R"(", "CoName": "銘柄)" + std::to_string(code) + R"(", "Mkt": "0111"})";
    for (size_t i = 0; i < days.size(); ++i)
        for (int code = 1300; code < 1300 + issues; ++code) {
            const int close = 100 + (code * 7 + static_cast<int>(i) * 13) % 900000;
            bars += std::string(bars.empty() ? "" : ",") + R"({"Date": ")" + days[i].toIso() + R"(", "Code": ")" +
                    code5(code) + R"(", "O": )" + std::to_string(close - 3) + ", \"H\": " + std::to_string(close + 5) +
                    ", \"L\": " + std::to_string(close - 6) + ", \"C\": " + std::to_string(close) +
                    ", \"Vo\": " + std::to_string(1000 + code * 3) + R"(, "AdjFactor": 1})";
        }
    test::writeFile(root.file("www/markets_calendar/all.json"), "{\"data\": [" + calendar + "]}");
    test::writeFile(root.file("www/equities_master/all.json"), "{\"data\": [" + master + "]}");
    test::writeFile(root.file("www/equities_bars_daily/all.json"), "{\"data\": [" + bars + "]}");

    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral("python3"),
                 {QStringLiteral(KESTREL_SOURCE_DIR "/tests/cli/jquants_server.py"), QStringLiteral("--root"),
                  QString::fromStdString(root.file("www")), QStringLiteral("--port-file"),
                  QString::fromStdString(root.file("port")), QStringLiteral("--log"),
                  QString::fromStdString(root.file("log")), QStringLiteral("--key"), QString::fromLatin1(kKey),
                  QStringLiteral("--plan"), QStringLiteral("free"), QStringLiteral("--window"),
                  QString::fromStdString(days.front().toIso() + "~" + end.toIso()), QStringLiteral("--delay"), delay,
                  QStringLiteral("--lifetime"), QStringLiteral("600")});
    int port = 0;
    for (int tries = 0; tries < 200 && port == 0; ++tries) {
        QThread::msleep(50);
        port = QString::fromStdString(test::readFile(root.file("port"))).toInt();
    }
    if (port == 0) {
        std::printf("the test server did not start\n");
        return 1;
    }

    test::WindowHome home;
    home.context.settings.hibiPath = home.context.paths.dataFolder + "/";
    for (auto [key, value] :
         {std::pair<const char*, std::string>{"JQuantsURL", "http://127.0.0.1:" + std::to_string(port)},
          {"JQuantsPlan", "Free"},
          {"JQuantsPace", "6000"},
          {"JQuantsRetryWait", "1"}})
        if (!writeProfileString(home.context.paths.iniPath, "Kestrel", key, value))
            return 1;
    home.exec("INSERT INTO Mei (コード, 市場コード, 銘柄, 出来高単位, 株価単位) VALUES (1301, 1, '銘柄1301', 100, 1)");

    ui::MessageBox::setScripted(true);
    ui::frmMain main(home.context);
    main.show();
    QApplication::processEvents();

    std::vector<double> gaps;
    QElapsedTimer clock, whole;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (clock.isValid())
            gaps.push_back(static_cast<double>(clock.nsecsElapsed()) * 1e-6);
        clock.start();
    });
    ui::MessageBox::setNextAnswer(true);
    whole.start();
    ticker.start();
    main.action(QStringLiteral("mnuJQuantsHistory"))->trigger();
    const QString done = QStringLiteral("履歴: 取得済み");
    while (main.StatusHistory->text() != done && whole.elapsed() < 540000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ticker.stop();
    const double seconds = static_cast<double>(whole.elapsed()) / 1000;
    const long long stored = home.count("SELECT count(DISTINCT 日付) FROM dayData");
    server.kill();
    server.waitForFinished();
    if (main.StatusHistory->text() != done || gaps.empty()) {
        std::printf("the job did not finish: %s\n", main.StatusHistory->text().toStdString().c_str());
        return 1;
    }
    std::vector<double> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    const double p99 = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    const long long over = std::count_if(gaps.begin(), gaps.end(), [](double g) { return g > 50; });
    std::printf("%d issues, %lld days in %.1f s (answers held %s s): %zu ticks of 5 ms, longest gap %.1f ms, "
                "99th percentile %.1f ms, %lld over 50 ms (limit: none)\n",
                issues, stored, seconds, delay.toStdString().c_str(), gaps.size(), sorted.back(), p99, over);
    return 0;
}
