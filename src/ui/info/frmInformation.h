#pragma once
// frmInformation: browses the stored stock-information lists (kinds, then the dates of a kind, then
// the rows of a date joined with the issue master), narrows the rows by a price ceiling and a volume
// floor, rates them against the latest stored closes (one date or the last N dates), deletes lists,
// copies the listed issues into the main window's issue list, and on closing saves the filter boxes
// and offers to prune lists older than the configured age.
//
// The rows grid always shows m_view, a description of the rows as values (core RowView); no SQL text
// is ever rebuilt from what the grid shows. The database is opened for each action.
#include "core/app/Date.h"
#include "core/info/Screening.h"
#include "core/startup/AppContext.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;

namespace kestrel::ui {

class InfoTableModel;

class frmInformation : public QDialog {
    Q_OBJECT
public:
    // listMei is the main window's issue list, filled by CmdMeiList (may be null: the button then only
    // checks its input). handOverText receives the issue code when Ctrl+K opens the information list.
    frmInformation(AppContext& context, QString& handOverText, QListWidget* listMei, QWidget* parent = nullptr);

    QLabel* DatainformationClass;
    QTableView* DBGridnformationClass;
    QLabel* DatainformationDataList;
    QTableView* DBGridinformationDataList;
    QLabel* DatainformationData;
    QTableView* DBGridinformationData;
    QComboBox* Txten;
    QLineEdit* Txtdekidaka;
    QPushButton* CmdFilter;
    QComboBox* TxtHi;
    QPushButton *CmdHiGenKabuka, *CmdGenKabuka;
    QPushButton *CmdDelete, *CmdinformationClassDel, *CmdMeiList;
    QLabel *LalHani, *LblKensu, *Lblkeisantyu, *Label5, *Label4;

    // The rows grid's current description.
    const info::RowView& view() const { return m_view; }

public Q_SLOTS:
    void cmdFilterClick();
    void cmdGenKabukaClick();
    void cmdHiGenKabukaClick();
    void cmdDeleteClick();
    void cmdinformationClassDelClick();
    void cmdMeiListClick();
    // Reloads the kinds and finds the chosen kind again.
    void activate();
    // Ctrl+K: the information list of the current row's issue.
    void showIssueInformation();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void kindChosen();
    void dateChosen();
    void showRows();
    void markFilter();
    QString chosenKind() const;
    std::optional<Date> chosenDate() const;
    // Rates the rows of kind from the first of the last `days` list dates on or before last (from last
    // itself when days is 0), showing the calculating label and the hourglass meanwhile and an error
    // afterwards. Returns the first date rated.
    Date rateSpan(const std::string& kind, Date last, int days);
    void unload();

    AppContext& m_context;
    QString& m_handOverText;
    QListWidget* m_listMei;
    InfoTableModel* m_kinds;
    InfoTableModel* m_dates;
    InfoTableModel* m_rows;
    info::RowView m_view;
    std::vector<info::InfoRow> m_shown;
    Date m_ageReference;
    QString m_kindCode; // the kind chosen last, found again on activation
    bool m_unloaded = false;
    bool m_activated = false;
};

} // namespace kestrel::ui
