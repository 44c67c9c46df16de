#include "ui/chart/frmFarstMsg.h"

#include "ui/app/Shell.h"
#include "ui/chart/frmMain.h"

#include <QVBoxLayout>

namespace kestrel::ui {

frmFarstMsg::frmFarstMsg(frmMain* main) : QDialog(main), m_main(main) {
    setObjectName(QStringLiteral("frmFarstMsg"));
    setWindowTitle(QStringLiteral("銘柄登録"));
    Label1 = new QLabel(QStringLiteral("初めての起動ですね　銘柄登録を最新にする必要があります。"), this);
    Label2 = new QLabel(QStringLiteral("登録フォームが左上に出てきますから　データ取り込みを"), this);
    Label3 = new QLabel(QStringLiteral("クリックして　銘柄登録を最新にして下さい。"), this);
    cmdFirstKido = new QPushButton(QStringLiteral("このボタンをクリックして銘柄登録を最新にして下さい。"), this);
    int n = 1;
    for (QLabel* l : {Label1, Label2, Label3})
        l->setObjectName(QStringLiteral("Label%1").arg(n++));
    cmdFirstKido->setObjectName(QStringLiteral("cmdFirstKido"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addSpacing(12);
    layout->addWidget(cmdFirstKido);
    connect(cmdFirstKido, &QPushButton::clicked, this, &frmFarstMsg::cmdFirstKidoClick);
}

void frmFarstMsg::cmdFirstKidoClick() {
    OpenWebPage(QString::fromStdString(m_main->context().settings.MURL));
    m_main->openScreen(frmMain::Screen::IntReadData);
    accept();
}

} // namespace kestrel::ui
