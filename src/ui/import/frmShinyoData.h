#pragma once
// The margin screen: reads the margin balance files of a Monday-to-Friday span.
#include "ui/import/WeekSpanScreen.h"

namespace kestrel::ui {

class frmShinyoData : public WeekSpanScreen {
    Q_OBJECT
public:
    explicit frmShinyoData(AppContext& context, QWidget* parent = nullptr);
    QLabel* LabFileName;
    QPushButton* CmdShinyoReadDate;

public Q_SLOTS:
    void readMargins();
};

} // namespace kestrel::ui
