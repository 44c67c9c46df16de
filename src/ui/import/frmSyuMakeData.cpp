#include "ui/import/frmSyuMakeData.h"

#include "core/db/Schema.h"
#include "core/import/WeeklyBars.h"
#include "ui/app/MessageBox.h"
#include "ui/import/ImportUi.h"

namespace kestrel::ui {

frmSyuMakeData::frmSyuMakeData(AppContext& context, QWidget* parent)
    : WeekSpanScreen(context, "frmSyuMakeData", QStringLiteral("週株価データ作成"), parent) {
    CmdMakeWeekData = new QPushButton(QStringLiteral("週データー作成"), this);
    CmdMakeWeekData->setObjectName(QStringLiteral("CmdMakeWeekData"));
    m_grid->addWidget(CmdMakeWeekData, 3, 0, 1, 4);
    connect(CmdMakeWeekData, &QPushButton::clicked, this, &frmSyuMakeData::makeWeekData);
}

void frmSyuMakeData::makeWeekData() {
    if (m_busy || !checkSpan())
        return;
    WidgetPrompt prompt(this);
    if (!prompt.askYesNo("週データーの作成を開始します。"))
        return;
    m_busy = true;
    Status st;
    {
        BusyCursor hourglass;
        auto db = db::openKestrelDatabase(m_context.paths.databasePath);
        st = db ? import::BuildWeeklyBars(**db, *boxDate(ReadDateji), *boxDate(ReadDateitaru),
                                          labelProgress(LabPa, nullptr))
                : db.status();
    }
    m_busy = false;
    // A failed run is rolled back whole; its message replaces the notice of completion.
    prompt.notify(st ? import::kWeeklyDone : st.message());
}

} // namespace kestrel::ui
