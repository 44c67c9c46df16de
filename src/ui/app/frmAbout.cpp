#include "ui/app/frmAbout.h"

#include "core/startup/Startup.h"

#include <QVBoxLayout>

namespace kestrel::ui {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    lblTitle = new QLabel(QStringLiteral("株価ケストレル"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont f = lblTitle->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    lblTitle->setFont(f);
    lblVersion = new QLabel(QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QString::fromStdString(programVersion()), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDescription = new QLabel(QStringLiteral("株式　チャート表示ソフト"), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(lblVersion);
    layout->addWidget(lblDescription);
    layout->addWidget(cmdOK, 0, Qt::AlignRight);
    // Wide enough that a window manager's title bar (with its buttons) shows the whole title.
    setMinimumWidth(320);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    // QDialog closes on Esc by itself.
}

} // namespace kestrel::ui
