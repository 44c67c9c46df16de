#include "ui/import/frmShinyoData.h"

#include "core/db/Schema.h"
#include "core/import/MarginImport.h"
#include "ui/app/MessageBox.h"
#include "ui/import/ImportUi.h"

namespace kestrel::ui {

frmShinyoData::frmShinyoData(AppContext& context, QWidget* parent)
    : WeekSpanScreen(context, "frmShinyoData", QStringLiteral("信用データ読込み"), parent) {
    LabFileName = new QLabel(this);
    LabFileName->setObjectName(QStringLiteral("LabFileName"));
    CmdShinyoReadDate = new QPushButton(QStringLiteral("信用データ読込み"), this);
    CmdShinyoReadDate->setObjectName(QStringLiteral("CmdShinyoReadDate"));
    m_grid->addWidget(LabFileName, 3, 0, 1, 2);
    m_grid->addWidget(CmdShinyoReadDate, 3, 2, 1, 2);
    connect(CmdShinyoReadDate, &QPushButton::clicked, this, &frmShinyoData::readMargins);
}

void frmShinyoData::readMargins() {
    if (m_busy || !checkSpan())
        return;
    WidgetPrompt prompt(this);
    if (!prompt.askYesNo("信用データーの読込みを開始します。"))
        return;
    m_busy = true;
    Result<bool> r = false;
    {
        BusyCursor hourglass;
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        if (db)
            r = import::ImportMarginBalances(**db, m_context.settings.sinyoPath, *boxDate(ReadDateji),
                                             *boxDate(ReadDateitaru), labelProgress(LabPa, LabFileName));
        else
            r = db.status();
    }
    m_busy = false;
    if (!r)
        prompt.notify(r.message());
    else
        prompt.notify(*r ? import::kMarginDone : import::kMarginNone);
}

} // namespace kestrel::ui
