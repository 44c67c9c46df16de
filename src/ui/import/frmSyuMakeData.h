#pragma once
// The weekly-bar screen: rebuilds the weekly bars of a Monday-to-Friday span.
#include "ui/import/WeekSpanScreen.h"

namespace kestrel::ui {

class frmSyuMakeData : public WeekSpanScreen {
    Q_OBJECT
public:
    explicit frmSyuMakeData(AppContext& context, QWidget* parent = nullptr);
    QPushButton* CmdMakeWeekData;

public Q_SLOTS:
    void makeWeekData();
};

} // namespace kestrel::ui
