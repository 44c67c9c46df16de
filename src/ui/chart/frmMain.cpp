#include "ui/chart/frmMain.h"

#include "ui/app/frmAbout.h"
#include "ui/db/CloseSequence.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>

namespace kestrel::ui {

frmMain::frmMain(AppContext& context, QWidget* parent) : QMainWindow(parent), m_context(context) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("株価ケストレル"));
    resize(1000, 720);
    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    mnuDayWeek = view->addAction(QStringLiteral("週チャートを表示"));
    mnuDayWeek->setObjectName(QStringLiteral("mnuDayWeek"));
    mnuSlideShow = view->addAction(QStringLiteral("ﾁｬｰﾄ・ｽﾗｲﾄﾞｼｮｰ・ｽﾀｰﾄ"));
    mnuSlideShow->setObjectName(QStringLiteral("mnuSlideShow"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnuAbout = help->addAction(QStringLiteral("バージョン情報(&A)"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout, &QAction::triggered, this, &frmMain::showAbout);
}

void frmMain::closeEvent(QCloseEvent* event) {
    CloseParts parts;
    parts.window = this;
    parts.timers = {findChild<QTimer*>(QStringLiteral("chartTimer")), findChild<QTimer*>(QStringLiteral("blinkTimer"))};
    parts.databasePath = m_context.paths.databasePath;
    CloseOutcome outcome = runCloseSequence(parts);
    event->accept();
    if (outcome != CloseOutcome::Closed)
        QCoreApplication::quit();
}

void frmMain::showAbout() {
    frmAbout about(this);
    about.exec();
}

} // namespace kestrel::ui
