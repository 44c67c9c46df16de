#pragma once
// frmScreening: the issues whose chart satisfies a condition as of a day, daily or weekly, with the
// chart's values as sortable columns; a row opens that chart at the day in the main window and
// the list can replace the main window's issue list. Conditions are saved by name (Screens.ini of the
// program folder). A second run screens every trading day of a period and follows each match a number
// of trading days on, showing the summary and saving the matches as CSV.
//
// The window holds no screening logic: parsing, the day, the run, the summary and the list rows come
// from core/scan, the same functions `kestrel screen` calls. The database is opened for each run.
#include "core/scan/ScreenRun.h"
#include "core/startup/AppContext.h"

#include <QDialog>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStandardItemModel;
class QTableView;

namespace kestrel::ui {

class frmScreening : public QDialog {
    Q_OBJECT
public:
    // Shows an issue's chart at a date in daily (false) or weekly (true) bars.
    using ShowChart = std::function<void(std::int32_t code, Date date, chart::BarMode mode)>;
    // listMei is the main window's issue list (may be null: the button then does nothing).
    frmScreening(AppContext& context, QListWidget* listMei, ShowChart showChart, QWidget* parent = nullptr);

    QLineEdit* txtCondition;
    QComboBox* cmbScreens;
    QPushButton *cmdSaveScreen, *cmdDeleteScreen;
    QLineEdit* txtDate;
    QRadioButton *optDaily, *optWeekly, *optMonthly;
    QPushButton* cmdRun;
    QPushButton* cmdNames; // 「?」: every name the condition may use
    QTableView* gridScreen;
    QLabel* lblCount;
    QPushButton* cmdMeiList;
    QLineEdit *txtFrom, *txtTo, *txtHold;
    QPushButton *cmdHeld, *cmdSaveCsv;
    QLabel* lblSummary;

public Q_SLOTS:
    void cmdRunClick();
    void cmdSaveScreenClick();
    void cmdDeleteScreenClick();
    void cmdMeiListClick();
    void cmdHeldClick();
    void cmdSaveCsvClick();
    // Opens the chart of the grid's current row.
    void showCurrentChart();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadScreenNames();
    void screenChosen(int index);
    void fillDefaultDate();
    std::optional<scan::Screen> parsedCondition();
    scan::ScanOptions options() const;
    std::string screensPath() const;

    AppContext& m_context;
    QListWidget* m_listMei;
    ShowChart m_showChart;
    QStandardItemModel* m_model;
    Date m_day;                                    // the day of the listed rows
    chart::BarMode m_mode = chart::BarMode::Daily; // their bars
    std::optional<scan::HoldSummary> m_held;
};

} // namespace kestrel::ui
