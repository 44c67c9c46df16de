#include "ui/info/frmJyohoList.h"

#include "core/db/Schema.h"
#include "ui/app/ColumnMenu.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Widgets.h"
#include "ui/info/InfoTableModel.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace kestrel::ui {

frmJyohoList::frmJyohoList(AppContext& context, const QString& handOverText, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("frmJyohoList"));
    setWindowTitle(QStringLiteral("情報リスト"));
    for (int i = 0; i < 2; ++i) {
        CmbJyhoList[static_cast<std::size_t>(i)] = named(new QComboBox(this), "CmbJyhoList");
        CmbJyhoList[static_cast<std::size_t>(i)]->setProperty("index", i);
    }
    CmbJyhoList[1]->setVisible(false); // the codes follow the names
    m_model = new InfoTableModel(headerList({"表示順", "種類コード", "種類名", "日付", "順位", "コード", "銘柄",
                                             "市場コード", "株価", "出来高", "前日比", "値"}),
                                 this);
    DatainformationData = named(new QLabel(QStringLiteral("情報表示"), this), "DatainformationData");
    DBGridinformationData = named(new QTableView(this), "DBGridinformationData");
    DBGridinformationData->setModel(m_model);
    DBGridinformationData->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridinformationData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridinformationData->verticalHeader()->setDefaultSectionSize(20);
    DBGridinformationData->setColumnHidden(0, true);
    CmdHijyun = named(new QPushButton(QStringLiteral("日付順"), this), "CmdHijyun");
    CmdKoumokuJyun = named(new QPushButton(QStringLiteral("項目順"), this), "CmdKoumokuJyun");
    auto* layout = new QGridLayout(this);
    layout->addWidget(CmbJyhoList[0], 0, 0);
    layout->addWidget(CmbJyhoList[1], 0, 1);
    layout->addWidget(CmdHijyun, 0, 2);
    layout->addWidget(CmdKoumokuJyun, 0, 3);
    layout->addWidget(DatainformationData, 1, 0, 1, 4);
    layout->addWidget(DBGridinformationData, 2, 0, 1, 4);
    layout->setColumnStretch(0, 1);
    resize(860, 480);
    offerColumnHiding(DBGridinformationData); // a right-click on the captions hides columns to fit a narrow screen

    for (int i = 0; i < 2; ++i)
        connect(CmbJyhoList[static_cast<std::size_t>(i)], &QComboBox::activated, this,
                [this, i](int entry) { cmbJyhoListClick(i, entry); });
    connect(CmdHijyun, &QPushButton::clicked, this, &frmJyohoList::cmdHijyunClick);
    connect(CmdKoumokuJyun, &QPushButton::clicked, this, &frmJyohoList::cmdKoumokuJyunClick);

    m_code = info::issueCodeOf(handOverText.toStdString());
    if (!m_code)
        return;
    m_loading = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CmbJyhoList[0]->addItem(QString::fromUtf8(info::kAllKindsName));
    CmbJyhoList[1]->addItem(QString::fromUtf8(info::kAllKindsCode));
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    auto kinds = db ? info::listableKinds(**db) : Result<std::vector<info::InfoKind>>(db.status());
    if (!kinds)
        MessageBox::information(this, q(kinds.message()));
    else
        for (const info::InfoKind& k : *kinds) {
            CmbJyhoList[0]->addItem(q(k.name));
            CmbJyhoList[1]->addItem(q(k.code));
        }
    CmbJyhoList[0]->setCurrentIndex(0);
    CmbJyhoList[1]->setCurrentIndex(0);
    refresh(info::kAllKindsCode);
    m_loading = false;
    QApplication::restoreOverrideCursor();
}

void frmJyohoList::refresh(const std::string& kind) {
    m_kind = kind;
    std::vector<std::vector<QVariant>> cells;
    if (m_code) {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        auto rows = db ? info::loadIssueInformation(**db, *m_code, kind, m_order)
                       : Result<std::vector<info::IssueInfoRow>>(db.status());
        if (!rows)
            MessageBox::information(this, q(rows.message()));
        else
            for (const info::IssueInfoRow& r : *rows)
                cells.push_back({r.order ? QVariant(*r.order) : QVariant(QString()), q(r.kind), q(r.kindName),
                                 q(r.date.toYYMMDD()), r.rank, r.code, q(r.name),
                                 r.market ? QVariant(*r.market) : QVariant(QString()), r.price,
                                 QVariant::fromValue(r.volume.toDouble()), r.change, q(r.value)});
    }
    m_model->setRows(std::move(cells));
}

void frmJyohoList::cmbJyhoListClick(int index, int entry) {
    if (m_loading || CmbJyhoList[0]->count() != CmbJyhoList[1]->count() || entry < 0 ||
        entry >= CmbJyhoList[0]->count())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CmbJyhoList[static_cast<std::size_t>(1 - index)]->setCurrentIndex(entry);
    CmbJyhoList[static_cast<std::size_t>(index)]->setCurrentIndex(entry);
    std::string kind = CmbJyhoList[1]->itemText(entry).toStdString();
    if (kind != m_kind)
        refresh(kind);
    QApplication::restoreOverrideCursor();
}

void frmJyohoList::cmdHijyunClick() {
    if (m_order != info::InfoOrder::ByKind)
        return;
    m_order = info::InfoOrder::ByDate;
    refresh(info::kAllKindsCode);
    CmbJyhoList[0]->setCurrentIndex(0);
    CmbJyhoList[1]->setCurrentIndex(0);
}

void frmJyohoList::cmdKoumokuJyunClick() {
    if (m_order != info::InfoOrder::ByDate)
        return;
    m_order = info::InfoOrder::ByKind;
    refresh(info::kAllKindsCode);
    CmbJyhoList[0]->setCurrentIndex(0);
    CmbJyhoList[1]->setCurrentIndex(0);
}

} // namespace kestrel::ui
