#pragma once
// The splash window: shown at start, its one-second timer shows the main window and closes it.
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kestrel::ui {

class frmSplash : public QWidget {
    Q_OBJECT
public:
    // onTimer runs once on the first tick (it shows the main window), then the splash closes.
    explicit frmSplash(std::function<void()> onTimer, QWidget* parent = nullptr);
    QTimer* Timer;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    std::function<void()> m_onTimer;
};

} // namespace kestrel::ui
