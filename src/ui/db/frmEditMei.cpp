#include "ui/db/frmEditMei.h"

#include "core/db/DataDeletion.h"
#include "core/db/Maintenance.h"
#include "core/db/Schema.h"
#include "ui/app/Widgets.h"
#include "ui/db/BusyPrompt.h"
#include "ui/db/MaintenanceGrid.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrel::ui {
namespace {

const std::vector<std::string> kMeiColumns = {"コード", "市場コード", "銘柄", "出来高単位", "株価単位"};

} // namespace

frmEditMei::frmEditMei(AppContext& context, QWidget* parent) : QDialog(parent), m_prompt(this) {
    setObjectName(QStringLiteral("frmEditMei"));
    setWindowTitle(QStringLiteral("銘柄ﾒﾝﾃﾅﾝｽ"));
    MeiData = new DbTableModel(context.paths.databasePath, m_prompt, this);
    MeiData->setObjectName(QStringLiteral("MeiData"));
    MeiDBGrid = makeGrid(this, "MeiDBGrid", MeiData);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MeiDBGrid);
    resize(560, 480);
    MeiData->setSource("Mei", kMeiColumns, "order by 市場コード,コード");
    MeiData->refresh();
}

frmReadDelMei::frmReadDelMei(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_prompt(this) {
    setObjectName(QStringLiteral("frmReadDelMei"));
    setWindowTitle(QStringLiteral("エラー銘柄"));
    MeiData = new DbTableModel(context.paths.databasePath, m_prompt, this);
    MeiData->setObjectName(QStringLiteral("MeiData"));
    MeiDBGrid = makeGrid(this, "MeiDBGrid", MeiData);
    CmdAllDelete = button(this, "CmdAllDelete", QStringLiteral("すべて削除"));
    CmdDelete = button(this, "CmdDelete", QStringLiteral("削　　除"));
    Cmdcancel = button(this, "Cmdcancel", QStringLiteral("ｷｬﾝｾﾙ終了"));
    LblExplain = new QLabel(QString::fromUtf8(db::kNotUpdatedExplanation), this);
    LblExplain->setObjectName(QStringLiteral("LblExplain"));
    LblExplain->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LblExplain);
    layout->addWidget(MeiDBGrid);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CmdAllDelete);
    buttons->addWidget(CmdDelete);
    buttons->addStretch();
    buttons->addWidget(Cmdcancel);
    layout->addLayout(buttons);
    resize(560, 420);
    connect(CmdDelete, &QPushButton::clicked, this, &frmReadDelMei::deleteOne);
    connect(CmdAllDelete, &QPushButton::clicked, this, &frmReadDelMei::deleteAll);
    connect(Cmdcancel, &QPushButton::clicked, this, &QDialog::reject);
    MeiData->setSource("Mei", kMeiColumns, db::kNotUpdatedIssues);
    MeiData->refresh();
}

void frmReadDelMei::deleteOne() {
    auto code = currentCode(MeiDBGrid, MeiData);
    if (!code) {
        m_prompt.notify("一覧から削除対象を選択して下さい。");
        return;
    }
    if (!m_prompt.askYesNo("コード=" + std::to_string(*code) +
                           " 銘柄と株価データーをすべて削除します　よろしいですか？"))
        return;
    BusyPrompt busy(this);
    Status st;
    {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        st = db ? db::DeleteFromAllTables(**db, "where コード=?", {*code}) : db.status();
    }
    MeiData->refresh();
    busy.notify(st ? "終了しました。" : st.message());
}

void frmReadDelMei::deleteAll() {
    if (!m_prompt.askYesNo("一覧で表示されている　銘柄と株価データーをすべて削除します　よろしいですか？"))
        return;
    BusyPrompt busy(this);
    Status st;
    {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        if (!db) {
            st = db.status();
        } else if (auto n = db::deleteNotUpdatedIssues(**db); !n) {
            st = n.status();
        }
    }
    MeiData->refresh();
    busy.notify(st ? "終了しました。" : st.message());
}

} // namespace kestrel::ui
