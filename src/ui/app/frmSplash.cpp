#include "ui/app/frmSplash.h"

#include "core/startup/Startup.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QVBoxLayout>

namespace kestrel::ui {

frmSplash::frmSplash(std::function<void()> onTimer, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_onTimer(std::move(onTimer)) {
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* title = new QLabel(QStringLiteral("株価ケストレル"), this);
    QFont f = title->font();
    f.setPointSize(f.pointSize() + 10);
    f.setBold(true);
    title->setFont(f);
    auto* description = new QLabel(QStringLiteral("株式　チャート表示ソフト"), this);
    auto* version = new QLabel(QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QString::fromStdString(programVersion()), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 30, 40, 30);
    layout->addWidget(title, 0, Qt::AlignCenter);
    layout->addWidget(description, 0, Qt::AlignCenter);
    layout->addWidget(version, 0, Qt::AlignCenter);
    setStyleSheet(QStringLiteral("background:#102040; color:white;"));
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    Timer->setSingleShot(true);
    connect(Timer, &QTimer::timeout, this, [this] {
        QCoreApplication::processEvents();
        if (m_onTimer)
            m_onTimer();
        close();
    });
    Timer->start();
}

void frmSplash::closeEvent(QCloseEvent* e) {
    Timer->stop();
    e->accept();
}

} // namespace kestrel::ui
