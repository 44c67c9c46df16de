#pragma once
// The first-start message: the issue master must be brought up to date; its button opens the data
// server's page and the internet read screen in its issue-data mode, then closes the window.
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace kestrel::ui {

class frmMain;

class frmFarstMsg : public QDialog {
    Q_OBJECT
public:
    explicit frmFarstMsg(frmMain* main);
    QLabel *Label1, *Label2, *Label3;
    QPushButton* cmdFirstKido;

private:
    void cmdFirstKidoClick();
    frmMain* m_main;
};

} // namespace kestrel::ui
