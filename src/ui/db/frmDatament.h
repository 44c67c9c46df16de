#pragma once
// The cross-check window: codes with price data but no issue, and issues without price data, listed in
// wrkMei; the selected code's data or registration can be deleted, and the issue master edited.
#include "core/startup/AppContext.h"
#include "ui/app/MessageBox.h"
#include "ui/db/DbTableModel.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace kestrel::ui {

class frmDatament : public QDialog {
    Q_OBJECT
public:
    explicit frmDatament(AppContext& context, QWidget* parent = nullptr);
    DbTableModel* MenteData;
    QTableView* MenteDBGrid;
    QPushButton *CmdMake1, *CmdMake2, *CmdDelData, *CmdDelMei, *CmdMeiRegist;

private:
    void make(bool pricesWithoutIssue);
    void delData();
    void delMei();
    void meiRegist();
    AppContext& m_context;
    WidgetPrompt m_prompt;
};

class frmEditKabuka : public QDialog {
    Q_OBJECT
public:
    // handOver: the main window's HandOverText, "code,market,name".
    frmEditKabuka(AppContext& context, const QString& handOver, QWidget* parent = nullptr);
    DbTableModel* kabukaData;
    QLabel* kabukaDataCaption; // the data control's caption: the code
    QTableView* kabuDBGrid;
    QLabel *Lblshijyo, *LblMei;

private:
    WidgetPrompt m_prompt;
};

} // namespace kestrel::ui
