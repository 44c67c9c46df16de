#pragma once
// The layout and behaviour the weekly-bar and margin screens share: a Monday-to-Friday span in two
// date boxes with weekday labels, "←"/"→" to choose the direction of the Monday and Friday buttons,
// the checks of the span, and a progress label.
#include "core/startup/AppContext.h"

#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kestrel::ui {

class WeekSpanScreen : public QDialog {
    Q_OBJECT
public:
    QLineEdit *ReadDateji, *ReadDateitaru;
    QLabel *LabReadDateji, *LabReadDateitaru, *LabPa;
    QGroupBox* Frame1;
    QRadioButton *Option1, *Option2;
    QPushButton *CmdStartDate, *CmdEndDate, *CmdClose;
    bool busy() const { return m_busy; }

protected:
    WeekSpanScreen(AppContext& context, const char* objectName, const QString& title, QWidget* parent);
    // Both boxes dates, end not before start, a Monday and a Friday; the message and focus otherwise.
    bool checkSpan();
    void closeEvent(QCloseEvent* event) override;
    void done(int r) override;

    AppContext& m_context;
    QGridLayout* m_grid;
    bool m_busy = false;

private:
    void moveStart();
    void moveEnd();
};

} // namespace kestrel::ui
