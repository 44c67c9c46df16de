#include "apps/kestrel/KestrelStart.h"

#include "core/app/Files.h"
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
    db::setLockHolderName("KabukaKestrel");
    if (dirExists(m_context.paths.programFolder)) {
        auto lock = db::FolderLock::take(m_context.paths.programFolder, db::LockMode::Shared, db::lockWaitMs());
        if (!lock) {
            MessageBox::information(nullptr, QString::fromStdString(lock.message()));
            return false;
        }
        m_folderLock.emplace(std::move(*lock));
    }
    m_context.paths.shippedFolder = platform::installedDataFolder(QCoreApplication::applicationDirPath()).toStdString();
    WidgetPrompt prompt;
    auto report = runStartup(
        m_context.paths, m_context.settings, prompt,
        [](const std::string& folder) { platform::writeProgramPath(QString::fromStdString(folder)); },
        DamagedDatabase::Offer);
    if (!report) {
        MessageBox::information(nullptr, QString::fromStdString(report.message()));
        return false;
    }
    m_context.syncIssueList = true;
    m_context.syncSplitAdjust();
    m_context.chartMode = 1;
    m_main = std::make_unique<frmMain>(m_context);
    m_main->HandOverText = QString::fromStdString(report->startState);
    // A first start fills Mei through its own steps, and so does a start that finds Mei still empty (the
    // first-start window closed or its fetch failed); any other start opens on a chart.
    if (m_main->HandOverText != QStringLiteral("3")) {
        m_main->firstStartWhileEmpty = m_main->issueMasterEmpty();
        m_main->showStartIssue();
    }
    frmMain* main = m_main.get();
    auto* splash = new frmSplash([main] {
        main->show();
        main->mnuchartdayandweek->setText(QStringLiteral("週チャートを表示"));
        main->mnuchartslideshow->setText(QStringLiteral("ﾁｬｰﾄ・ｽﾗｲﾄﾞｼｮｰ・ｽﾀｰﾄ"));
    });
    splash->show();
    return true;
}

} // namespace kestrel::ui
