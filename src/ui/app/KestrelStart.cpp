#include "ui/app/KestrelStart.h"

#include "platform/ProgramFolder.h"
#include "platform/UserRegistry.h"
#include "ui/app/MessageBox.h"
#include "ui/app/frmSplash.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace kestrel::ui {

bool KestrelStart::start(const QString& programFolder) {
    m_instance = std::make_unique<platform::SingleInstance>(QStringLiteral("KabukaKestrel"), programFolder);
    if (!m_instance->tryAcquire()) {
        MessageBox::information(nullptr, QStringLiteral("株価ケストレルはすでに起動しています。"));
        return false;
    }
    m_context.paths = ProgramPaths::forFolder(programFolder.toStdString());
    m_context.paths.shippedFolder = platform::installedDataFolder(QCoreApplication::applicationDirPath()).toStdString();
    WidgetPrompt prompt;
    auto report = runStartup(m_context.paths, m_context.settings, prompt, [](const std::string& folder) {
        platform::writeProgramPath(QString::fromStdString(folder));
    });
    if (!report) {
        MessageBox::information(nullptr, QString::fromStdString(report.message()));
        return false;
    }
    m_context.syncIssueList = true;
    m_context.chartMode = 1;
    m_context.barTable = "daydata";
    m_main = std::make_unique<frmMain>(m_context);
    m_main->HandOverText = QString::fromStdString(report->startState);
    frmMain* main = m_main.get();
    auto* splash = new frmSplash([main] {
        main->show();
        main->mnuchartdayandweek->setText(QStringLiteral("週チャートを表示"));
        main->mnuchartslideshow->setText(QStringLiteral("ﾁｬｰﾄ・ｽﾗｲﾄﾞｼｮｰ・ｽﾀｰﾄ"));
    });
    splash->show();
    return true;
}

bool haveDisplayOrExplain(const char* programName) {
    if (std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))
        return true;
    std::fprintf(stderr,
                 "%s: no display found (DISPLAY is not set).\n"
                 "Start it under a virtual display, for example:\n"
                 "  xvfb-run -a %s [--home DIR]\n"
                 "or set QT_QPA_PLATFORM=offscreen to run without any window system.\n",
                 programName, programName);
    return false;
}

} // namespace kestrel::ui
