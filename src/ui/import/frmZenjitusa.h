#pragma once
// The recomputation screen: rewrites the change columns of daily or weekly bars from a date on.
#include "core/startup/AppContext.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kestrel::ui {

class frmZenjitusa : public QDialog {
    Q_OBJECT
public:
    explicit frmZenjitusa(AppContext& context, QWidget* parent = nullptr);
    QLineEdit* txtStartDate;
    QRadioButton *Option1, *Option2;
    QPushButton* CmdSaikeisan;
    QLabel* LabPa;

public Q_SLOTS:
    void recompute();

protected:
    void closeEvent(QCloseEvent* event) override;
    void done(int r) override;

private:
    AppContext& m_context;
    bool m_busy = false;
};

} // namespace kestrel::ui
