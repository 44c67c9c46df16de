#include "ui/db/frmDatament.h"

#include "core/db/Maintenance.h"
#include "core/db/Schema.h"
#include "core/settings/Settings.h"
#include "ui/app/Widgets.h"
#include "ui/db/BusyPrompt.h"
#include "ui/db/MaintenanceGrid.h"
#include "ui/db/ModeCaption.h"
#include "ui/db/frmEditMei.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrel::ui {
frmDatament::frmDatament(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context), m_prompt(this) {
    setObjectName(QStringLiteral("frmDatament"));
    setWindowTitle(QStringLiteral("ﾃﾞｰﾀｰﾒﾝﾃ"));
    MenteData = new DbTableModel(context.paths.databasePath, m_prompt, this);
    MenteData->setObjectName(QStringLiteral("MenteData"));
    MenteData->setEditable(false);
    MenteDBGrid = makeGrid(this, "MenteDBGrid", MenteData);
    CmdMake1 = button(this, "CmdMake1", QStringLiteral("株価ﾃﾞｰﾀｰ有　銘柄登録無　の調査"));
    CmdMake2 = button(this, "CmdMake2", QStringLiteral("銘柄登録有　株価ﾃﾞｰﾀｰ無　の調査"));
    CmdDelData = button(this, "CmdDelData", QStringLiteral("選択株価ﾃﾞｰﾀｰ削除"));
    CmdDelMei = button(this, "CmdDelMei", QStringLiteral("選択銘柄登録削除"));
    CmdMeiRegist = button(this, "CmdMeiRegist", QStringLiteral("銘柄メンテナンス"));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(MenteDBGrid);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {CmdMake1, CmdMake2, CmdDelData, CmdDelMei, CmdMeiRegist})
        buttons->addWidget(b);
    buttons->addStretch();
    layout->addLayout(buttons);
    resize(520, 400);
    connect(CmdMake1, &QPushButton::clicked, this, [this] { make(true); });
    connect(CmdMake2, &QPushButton::clicked, this, [this] { make(false); });
    connect(CmdDelData, &QPushButton::clicked, this, &frmDatament::delData);
    connect(CmdDelMei, &QPushButton::clicked, this, &frmDatament::delMei);
    connect(CmdMeiRegist, &QPushButton::clicked, this, &frmDatament::meiRegist);

    // The work list starts empty and the grid has no record source until a check has run.
    if (auto db = db::openKestrelDatabase(context.paths.databasePath)) {
        if (Status st = db::clearWorkList(**db); !st)
            m_prompt.notify(st.message());
    } else {
        m_prompt.notify(db.message());
    }
    MenteData->setSource({}, {"コード"});
}

void frmDatament::make(bool pricesWithoutIssue) {
    if (!m_prompt.askYesNo("株価データーと銘柄登録を照合します　よろしいですか？"))
        return;
    BusyPrompt busy(this);
    {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        Status st = !db                  ? db.status()
                    : pricesWithoutIssue ? db::listCodesWithoutIssue(**db, m_context.barTable())
                                         : db::listIssuesWithoutBars(**db, m_context.barTable());
        if (!st) {
            busy.notify(st.message());
            return;
        }
    }
    MenteData->setSource("wrkMei", {"コード"});
    MenteData->refresh();
    busy.notify("照合終了しました。");
}

void frmDatament::delData() {
    auto code = currentCode(MenteDBGrid, MenteData);
    if (!code) {
        m_prompt.notify("ﾘｽﾄから削除対象を選択して下さい。");
        return;
    }
    if (!m_prompt.askYesNo("コード=" + std::to_string(*code) + " の株価データーを削除します　よろしいですか？"))
        return;
    BusyPrompt busy(this);
    Status st;
    {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        st = db ? db::deleteIssueData(**db, *code) : db.status();
    }
    MenteData->refresh();
    busy.notify(st ? "削除しました。" : st.message());
}

void frmDatament::delMei() {
    auto code = currentCode(MenteDBGrid, MenteData);
    if (!code) {
        m_prompt.notify("ﾘｽﾄから削除対象を選択して下さい。");
        return;
    }
    if (!m_prompt.askYesNo("コード=" + std::to_string(*code) + " の銘柄登録を削除します　よろしいですか？"))
        return;
    Status st;
    {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        st = db ? db::deleteIssueRegistration(**db, *code) : db.status();
    }
    MenteData->refresh();
    m_prompt.notify(st ? "削除しました。" : st.message());
}

void frmDatament::meiRegist() {
    frmEditMei edit(m_context, this);
    edit.exec();
}

frmEditKabuka::frmEditKabuka(AppContext& context, const QString& handOver, QWidget* parent)
    : QDialog(parent), m_prompt(this) {
    setObjectName(QStringLiteral("frmEditKabuka"));
    setWindowTitle(QStringLiteral("株価メンテナンス"));
    // code, market and name; the name is whatever follows the last comma.
    qsizetype first = handOver.indexOf(QLatin1Char(','));
    qsizetype last = handOver.lastIndexOf(QLatin1Char(','));
    QString code = first < 0 ? handOver : handOver.left(first);
    QString market = first < 0 || last == first ? QString() : handOver.mid(first + 1, last - first - 1);
    QString name = first < 0 ? QString() : handOver.mid(last + 1);

    kabukaData = new DbTableModel(context.paths.databasePath, m_prompt, this);
    kabukaData->setObjectName(QStringLiteral("kabukaData"));
    kabukaDataCaption = new QLabel(code, this);
    kabukaDataCaption->setObjectName(QStringLiteral("kabukaDataCaption"));
    kabuDBGrid = makeGrid(this, "kabuDBGrid", kabukaData);
    Lblshijyo = new QLabel(market, this);
    Lblshijyo->setObjectName(QStringLiteral("Lblshijyo"));
    LblMei = new QLabel(name, this);
    LblMei->setObjectName(QStringLiteral("LblMei"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(Lblshijyo);
    top->addWidget(LblMei, 1);
    top->addWidget(kabukaDataCaption);
    layout->addLayout(top);
    layout->addWidget(kabuDBGrid);

    const std::vector<std::string> columns = {"コード", "日付",   "始値",   "高値", "安値",
                                              "終値",   "前日比", "出来高", "売残", "買残"};
    auto whole = textToInt32(code.toStdString());
    if (whole) {
        kabukaData->setSource(db::barTableName(context.barTable()), columns, "where コード=? order by 日付", {*whole});
        kabukaData->refresh();
    } else {
        kabukaData->setSource({}, columns);
        m_prompt.notify(whole.message());
    }

    SetModeCaption(this, context.chartMode, true);
    const bool weekly = context.barTable() == db::BarTable::Weekly;
    kabuDBGrid->setColumnHidden(8, !weekly);
    kabuDBGrid->setColumnHidden(9, !weekly);
    // The window opens wide enough for every shown column (日付 to 出来高, and the margins weekly) beside
    // the row numbers and a vertical scroll bar; it may be resized, the grid follows in its layout.
    kabuDBGrid->resizeColumnsToContents();
    int gridWidth = kabuDBGrid->verticalHeader()->sizeHint().width() + 2 * kabuDBGrid->frameWidth() +
                    kabuDBGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    for (int c = 0; c < kabukaData->columnCount(); ++c)
        if (!kabuDBGrid->isColumnHidden(c))
            gridWidth += kabuDBGrid->columnWidth(c);
    const QMargins m = layout->contentsMargins();
    resize(std::max(gridWidth + m.left() + m.right(), weekly ? 750 : 610), 480);
}

} // namespace kestrel::ui
