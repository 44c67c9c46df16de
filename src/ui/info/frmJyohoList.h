#pragma once
// frmJyohoList: every stock-information row stored for the issue whose code is in the hand-over text,
// for all kinds ("すべて") or one kind chosen in the pair of lists CmbJyhoList (names and codes kept on
// the same entry), in date order (CmdHijyun) or kind order (CmdKoumokuJyun). Kinds whose code starts
// with "S" are not offered. A hand-over text that is not an issue code opens the window empty.
#include "core/info/IssueInformation.h"
#include "core/startup/AppContext.h"

#include <QDialog>
#include <QString>
#include <array>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace kestrel::ui {

class InfoTableModel;

class frmJyohoList : public QDialog {
    Q_OBJECT
public:
    frmJyohoList(AppContext& context, const QString& handOverText, QWidget* parent = nullptr);

    // Index 0 the kind names, 1 the kind codes; both are named CmbJyhoList and carry their index in
    // the property "index".
    std::array<QComboBox*, 2> CmbJyhoList;
    QLabel* DatainformationData;
    QTableView* DBGridinformationData;
    QPushButton *CmdHijyun, *CmdKoumokuJyun;

    info::InfoOrder sortMode() const { return m_order; }

public Q_SLOTS:
    void cmbJyhoListClick(int index, int entry);
    void cmdHijyunClick();
    void cmdKoumokuJyunClick();

private:
    void refresh(const std::string& kind);

    AppContext& m_context;
    std::optional<std::int32_t> m_code;
    InfoTableModel* m_model;
    info::InfoOrder m_order = info::InfoOrder::ByDate;
    bool m_loading = false;
    std::string m_kind; // the kind the grid shows ("ALL" for every kind)
};

} // namespace kestrel::ui
