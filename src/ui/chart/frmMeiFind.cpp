#include "ui/chart/frmMeiFind.h"

#include "core/db/Schema.h"
#include "ui/app/MessageBox.h"
#include "ui/app/OpenDatabase.h"
#include "ui/app/Widgets.h"

#include <QKeyEvent>
#include <QVBoxLayout>

namespace kestrel::ui {

frmMeiFind::frmMeiFind(AppContext& context, const db::IssueMarkets& names, QWidget* parent)
    : QDialog(parent), m_context(context), m_names(names) {
    setObjectName(QStringLiteral("frmMeiFind"));
    setWindowTitle(QStringLiteral("銘柄検索"));
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    ListMei = new QListWidget(this);
    ListMei->setObjectName(QStringLiteral("ListMei"));
    useIssueListFont(ListMei);
    Cmddecision = button(this, "Cmddecision", QStringLiteral("決定"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtFind);
    layout->addWidget(ListMei);
    layout->addWidget(Cmddecision);
    resize(360, 420);
    connect(txtFind, &QLineEdit::textChanged, this, &frmMeiFind::txtFindChange);
    connect(ListMei, &QListWidget::itemDoubleClicked, this, &frmMeiFind::cmddecisionClick);
    connect(Cmddecision, &QPushButton::clicked, this, &frmMeiFind::cmddecisionClick);
    txtFind->installEventFilter(this);
    ListMei->installEventFilter(this);
}

bool frmMeiFind::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == ListMei || ListMei->currentItem())
                cmddecisionClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmMeiFind::txtFindChange(const QString& text) {
    auto db = openDatabaseOrTell(m_context.paths.databasePath, this, db::OpenMode::ReadOnly);
    if (!db)
        return;
    auto rows = chart::issueRowsByName(**db, text.toStdString(), m_names);
    if (!rows) {
        MessageBox::information(this, QString::fromStdString(rows.message()));
        return;
    }
    ListMei->clear();
    for (const std::string& row : *rows)
        ListMei->addItem(QString::fromStdString(row));
    if (ListMei->count() > 0)
        ListMei->setCurrentRow(0);
}

void frmMeiFind::cmddecisionClick() {
    QListWidgetItem* item = ListMei->currentItem();
    m_chosen = item ? QString::fromStdString(chart::rowCode(item->text().toStdString())) : QString();
    accept();
}

} // namespace kestrel::ui
