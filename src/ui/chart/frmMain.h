#pragma once
// The main window: the hub from which every screen opens. HandOverText carries modes and result
// messages between screens; at start it holds the start state ("3" after a first start).
#include "core/app/AppContext.h"

#include <QAction>
#include <QMainWindow>

namespace kestrel::ui {

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(AppContext& context, QWidget* parent = nullptr);

    QString HandOverText;
    AppContext& context() { return m_context; }

    QAction* mnuDayWeek = nullptr;   // daily/weekly switch
    QAction* mnuSlideShow = nullptr; // slide show start/stop
    QAction* mnuAbout = nullptr;

public Q_SLOTS:
    void showAbout();

protected:
    // Runs the close sequence (timers named chartTimer and blinkTimer are stopped; see CloseSequence.h).
    void closeEvent(QCloseEvent* event) override;

private:
    AppContext& m_context;
};

} // namespace kestrel::ui
