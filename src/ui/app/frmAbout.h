#pragma once
// The about window: version, title and description; OK or Esc closes it.
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace kestrel::ui {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* lblVersion;
    QLabel* lblTitle;
    QLabel* lblDescription;
    QPushButton* cmdOK;
};

} // namespace kestrel::ui
