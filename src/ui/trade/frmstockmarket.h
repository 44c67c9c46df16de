#pragma once
// The trading board "株式売買管理": the purchase and sale ledger in a grid with three views (unsold, sold,
// all). Opening it refreshes current prices from the newest daily bars. The current lot's target price
// (shown on the chart) is typed in TxtTarget and set with CmdTarget or Enter. Open it modally with exec().
#include "core/startup/AppContext.h"
#include "ui/trade/LedgerModel.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <functional>

namespace kestrel::ui {

class frmstockmarket : public QDialog {
    Q_OBJECT
public:
    explicit frmstockmarket(AppContext& context, QWidget* parent = nullptr);

    // The calculator programs looked for on PATH, in order of preference.
    static QStringList calculatorPrograms();

    QTableView* DBGridstockmarket;
    LedgerModel* Datastockmarket;
    QGroupBox* Frame1;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QPushButton* CmdExcel;
    QPushButton* CmdCalc;
    QPushButton* CmdDelete;
    QLabel* Lblcode;
    QLabel* Lblshijyocode;
    QLabel* Lblmeigaramei;
    QLabel* LblPriceDate; // the date of the bars the 現在額 were taken from
    QLineEdit* TxtTarget; // the current lot's 目標株価, in yen as the lot is held now; empty for none
    QPushButton* CmdTarget;
    // Called with a lot's issue when its row becomes the current one (the main window fetches the
    // issue's history when it lacks some).
    std::function<void(std::int32_t code)> issueOpened;

private:
    void refreshCurrentPrices();
    void showCurrentRow(const QModelIndex& current);
    void deleteCurrentRow();
    void setCurrentTarget();
    void exportCsv();
    void openCalculator();

    AppContext& m_context;
    WidgetPrompt m_prompt;
};

} // namespace kestrel::ui
