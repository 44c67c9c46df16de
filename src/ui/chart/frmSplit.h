#pragma once
// 株式分割: the split events and proposals of the shown issue (chkAllMei: of every issue) in ListBunkatu,
// the entry of an event (txtCode, txtDate, txtRatio; Enter) and the removal (Delete), confirmation and
// dismissal of the selected row. Each change rebuilds the weekly bars from the event's week in the
// same transaction, and chartChanged runs, so the chart behind shows the change at once. Esc closes.
#include "core/db/SplitTable.h"
#include "core/import/SplitWeekly.h"
#include "core/startup/AppContext.h"
#include "ui/app/MessageBox.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <functional>
#include <vector>

namespace kestrel::ui {

class frmMain;

class frmSplit : public QDialog {
    Q_OBJECT
public:
    // shownCode: the issue the main window shows (0 for none: every issue is listed).
    frmSplit(AppContext& context, std::int32_t shownCode, QWidget* parent = nullptr);

    // Runs after every stored change.
    std::function<void()> chartChanged;

    QTableWidget* ListBunkatu;
    QCheckBox* chkAllMei;
    QLineEdit *txtCode, *txtDate, *txtRatio;
    QPushButton *CmdAdd, *CmdRemove, *CmdConfirm, *CmdDismiss, *CmdClose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Change { Remove, Confirm, Dismiss };
    void fillList();
    void cmdAddClick();
    void changeSelected(Change change);
    // Makes the change and rebuilds the weeks from the event's week (one transaction), tells
    // what was already in place, refills the list and tells the chart; false when it was refused.
    bool apply(import::SplitChange change, std::int32_t code, Date date, std::int32_t before = 1,
               std::int32_t after = 1);

    AppContext& m_context;
    std::int32_t m_shownCode;
    WidgetPrompt m_prompt;
    std::vector<db::SplitEvent> m_events; // one per row of ListBunkatu
};

// Opens 株式分割 over the main window for its shown issue; its chart is loaded again after each change.
void showSplitWindow(frmMain& main);

} // namespace kestrel::ui
