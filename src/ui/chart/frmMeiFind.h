#pragma once
// The search by name: every change of txtFind lists the issues whose name contains the text; Enter,
// a double-click or Cmddecision takes the selected row's code, Esc closes without a choice.
#include "core/chart/IssueList.h"
#include "core/startup/AppContext.h"

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace kestrel::ui {

class frmMeiFind : public QDialog {
    Q_OBJECT
public:
    frmMeiFind(AppContext& context, const db::IssueMarkets& names, QWidget* parent = nullptr);
    // The code of the chosen row; empty when the window closed without a choice.
    QString chosenCode() const { return m_chosen; }

    QLineEdit* txtFind;
    QListWidget* ListMei;
    QPushButton* Cmddecision;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void txtFindChange(const QString& text);
    void cmddecisionClick();

    AppContext& m_context;
    const db::IssueMarkets& m_names;
    QString m_chosen;
};

} // namespace kestrel::ui
