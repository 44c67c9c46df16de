#include "ui/db/CloseWindow.h"

#include "ui/app/MessageBox.h"

#include <QApplication>
#include <QVBoxLayout>
#include <memory>

namespace kestrel::ui {

frmCmpctMsg::frmCmpctMsg(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmCmpctMsg"));
    setWindowTitle(QStringLiteral("株価ケストレル"));
    Label1 = new QLabel(QStringLiteral("最適化＆バックアップ処理中．．．"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(Label1);
}

CloseOutcome runCloseSequence(const CloseParts& parts) {
    WidgetPrompt prompt(parts.window);
    std::unique_ptr<frmCmpctMsg> message;
    services::CloseSteps steps;
    steps.prompt = &prompt;
    steps.timers = parts.timers;
    steps.databasePath = parts.databasePath;
    steps.dialUp = parts.dialUp;
    steps.compacting = [&](bool running) {
        if (running) {
            QCoreApplication::processEvents();
            message = std::make_unique<frmCmpctMsg>(parts.window);
            message->show();
            message->repaint();
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::restoreOverrideCursor();
            message->hide();
        }
    };
    return services::runCloseSteps(steps);
}

} // namespace kestrel::ui
