#include "ui/db/frmDeleteData.h"

#include "core/db/DataDeletion.h"
#include "ui/app/DateBox.h"
#include "ui/app/Widgets.h"
#include "ui/db/BusyPrompt.h"
#include "ui/db/ModeCaption.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace kestrel::ui {
namespace {

QLineEdit* box(QWidget* parent, const char* name, bool date) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    if (date) {
        e->setMaxLength(8);
        installDateBox(e);
    } else {
        installSelectAllText(e);
    }
    return e;
}

std::string text(const QLineEdit* e) {
    return e->text().toStdString();
}

} // namespace

frmDeleteData::frmDeleteData(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("frmDeleteData"));
    setWindowTitle(QStringLiteral("ﾃﾞｰﾀｰ削除"));
    TxtDeleteDate = box(this, "TxtDeleteDate", true);
    TxtIgoDeleteDate = box(this, "TxtIgoDeleteDate", true);
    TxtDeleteJyohoDate = box(this, "TxtDeleteJyohoDate", true);
    TxtMeiCode = box(this, "TxtMeiCode", false);
    TxtMeiCodeHi = box(this, "TxtMeiCodeHi", false);
    TxtDeleteDateHi = box(this, "TxtDeleteDateHi", true);
    TxtSMeiCode = box(this, "TxtSMeiCode", false);
    TxtShijyoSCode = box(this, "TxtShijyoSCode", false);
    TxtUMeiCode = box(this, "TxtUMeiCode", false);
    TxtShijyoUCode = box(this, "TxtShijyoUCode", false);
    CmdDataAllClear = button(this, "CmdDataAllClear", QStringLiteral("全データー削除"));
    CmdKabukaDate = button(this, "CmdKabukaDate", QStringLiteral("日付範囲削除"));
    CmdKabukaJyohoDate = button(this, "CmdKabukaJyohoDate", QStringLiteral("株価情報削除"));
    CmdMeiDelete = button(this, "CmdMeiDelete", QStringLiteral("銘柄削除"));
    CmdMeiDeleteHi = button(this, "CmdMeiDeleteHi", QStringLiteral("銘柄日付削除"));
    CmdDataUpdate = button(this, "CmdDataUpdate", QStringLiteral("コード変更"));
    LblMode = new QLabel(QString::fromStdString(db::deletionModeLabel(context.chartMode)), this);
    LblMode->setObjectName(QStringLiteral("LblMode"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LblMode);
    auto group = [&](const QString& title) {
        auto* g = new QGroupBox(title, this);
        auto* grid = new QGridLayout(g);
        layout->addWidget(g);
        return grid;
    };
    auto* all = group(QStringLiteral("すべてのデーター"));
    all->addWidget(CmdDataAllClear, 0, 0);
    auto* range = group(QStringLiteral("株価データー（日付範囲）"));
    range->addWidget(TxtDeleteDate, 0, 0);
    range->addWidget(new QLabel(QStringLiteral("～"), this), 0, 1);
    range->addWidget(TxtIgoDeleteDate, 0, 2);
    range->addWidget(CmdKabukaDate, 0, 3);
    auto* info = group(QStringLiteral("株価情報（指定日以前）"));
    info->addWidget(TxtDeleteJyohoDate, 0, 0);
    info->addWidget(CmdKabukaJyohoDate, 0, 3);
    auto* issue = group(QStringLiteral("銘柄"));
    issue->addWidget(new QLabel(QStringLiteral("銘柄ｺｰﾄﾞ"), this), 0, 0);
    issue->addWidget(TxtMeiCode, 0, 1);
    issue->addWidget(CmdMeiDelete, 0, 3);
    issue->addWidget(new QLabel(QStringLiteral("銘柄ｺｰﾄﾞ"), this), 1, 0);
    issue->addWidget(TxtMeiCodeHi, 1, 1);
    issue->addWidget(TxtDeleteDateHi, 1, 2);
    issue->addWidget(CmdMeiDeleteHi, 1, 3);
    auto* change = group(QStringLiteral("コード・市場の変更"));
    change->addWidget(new QLabel(QStringLiteral("変更元 ｺｰﾄﾞ/市場"), this), 0, 0);
    change->addWidget(TxtSMeiCode, 0, 1);
    change->addWidget(TxtShijyoSCode, 0, 2);
    change->addWidget(new QLabel(QStringLiteral("変更先 ｺｰﾄﾞ/市場"), this), 1, 0);
    change->addWidget(TxtUMeiCode, 1, 1);
    change->addWidget(TxtShijyoUCode, 1, 2);
    change->addWidget(CmdDataUpdate, 1, 3);

    connect(CmdDataAllClear, &QPushButton::clicked, this, &frmDeleteData::dataAllClear);
    connect(CmdKabukaDate, &QPushButton::clicked, this, &frmDeleteData::kabukaDate);
    connect(CmdKabukaJyohoDate, &QPushButton::clicked, this, &frmDeleteData::kabukaJyohoDate);
    connect(CmdMeiDelete, &QPushButton::clicked, this, &frmDeleteData::meiDelete);
    connect(CmdMeiDeleteHi, &QPushButton::clicked, this, &frmDeleteData::meiDeleteHi);
    connect(CmdDataUpdate, &QPushButton::clicked, this, &frmDeleteData::dataUpdate);

    SetModeCaption(this, context.chartMode, true);
}

// Every action opens the database for itself and closes it before returning: no screen keeps a
// connection, so the whole file can be replaced.
void frmDeleteData::dataAllClear() {
    BusyPrompt prompt(this);
    (void)db::deleteAllData(m_context.paths.databasePath, prompt);
}

void frmDeleteData::kabukaDate() {
    BusyPrompt prompt(this);
    (void)db::deleteDateRange({m_context.paths.databasePath, m_context.chartMode}, text(TxtDeleteDate),
                              text(TxtIgoDeleteDate), prompt);
}

void frmDeleteData::kabukaJyohoDate() {
    BusyPrompt prompt(this);
    (void)db::deleteInformationBefore({m_context.paths.databasePath, m_context.chartMode}, text(TxtDeleteJyohoDate),
                                      prompt);
}

void frmDeleteData::meiDelete() {
    BusyPrompt prompt(this);
    (void)db::deleteIssue({m_context.paths.databasePath, m_context.chartMode}, text(TxtMeiCode), prompt);
}

void frmDeleteData::meiDeleteHi() {
    BusyPrompt prompt(this);
    (void)db::deleteIssueBefore({m_context.paths.databasePath, m_context.chartMode}, text(TxtMeiCodeHi),
                                text(TxtDeleteDateHi), prompt);
}

void frmDeleteData::dataUpdate() {
    BusyPrompt prompt(this);
    (void)db::changeIssueCode({m_context.paths.databasePath, m_context.chartMode}, text(TxtSMeiCode), text(TxtUMeiCode),
                              text(TxtShijyoSCode), text(TxtShijyoUCode), prompt);
}

} // namespace kestrel::ui
