#pragma once
// The deletion window: whole database, a date range of the mode's bars, old stock information, one
// issue, one issue up to a date, and the change of an issue's code and market. The work is done by the
// core actions; the window holds the boxes and says which mode (daily or weekly) it deletes in.
#include "core/startup/AppContext.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel::ui {

class frmDeleteData : public QDialog {
    Q_OBJECT
public:
    explicit frmDeleteData(AppContext& context, QWidget* parent = nullptr);

    QLineEdit *TxtDeleteDate, *TxtIgoDeleteDate, *TxtDeleteJyohoDate, *TxtMeiCode, *TxtMeiCodeHi, *TxtDeleteDateHi;
    QLineEdit *TxtSMeiCode, *TxtShijyoSCode, *TxtUMeiCode, *TxtShijyoUCode;
    QPushButton *CmdDataAllClear, *CmdKabukaDate, *CmdKabukaJyohoDate, *CmdMeiDelete, *CmdMeiDeleteHi, *CmdDataUpdate;
    QLabel* LblMode;

private:
    void dataAllClear();
    void kabukaDate();
    void kabukaJyohoDate();
    void meiDelete();
    void meiDeleteHi();
    void dataUpdate();

    AppContext& m_context;
};

} // namespace kestrel::ui
