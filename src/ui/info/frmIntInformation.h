#pragma once
// frmIntInformation: downloads the stock-information lists of a date range (CmdInetRead index 0) or
// the list kinds (index 1) from the data server, through DownloadInformation. The dates start after
// the latest stored information; the progress bar ShapeBox grows inside the frame Label5. After a run
// the hand-over text holds the result and the window closes.
#include "ui/net/TransferDialog.h"

#include <array>

class QFrame;
class QLabel;
class QLineEdit;

namespace kestrel::ui {

class frmIntInformation : public TransferDialog {
    Q_OBJECT
public:
    frmIntInformation(AppContext& context, QString& handOverText, QWidget* parent = nullptr);

    QLabel* Label2;
    QLineEdit* ReadDateji;
    QLabel* Label1;
    QLineEdit* ReadDateitaru;
    QPushButton *CmdJiUp, *CmdJiDu, *CmditarUp, *CmditarDu;
    // Index 0 "情報取込" (lists), 1 "情報の種類取り込み" (kinds); both are named CmdInetRead and carry
    // their index in the property "index".
    std::array<QPushButton*, 2> CmdInetRead;
    QLabel* LblText;
    QFrame* Label5;
    QFrame* ShapeBox;

public Q_SLOTS:
    void cmdInetReadClick(int index);

protected:
    void activate() override;
    void unload() override;

private:
    bool m_computeCancelled = false; // the window closed while lists were being computed
    void spin(QLineEdit* box, int days);
    void setProgress(int done, int total);
};

} // namespace kestrel::ui
