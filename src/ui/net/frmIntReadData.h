#pragma once
// frmIntReadData: fetches the issue master Regist.Mei from the data server into the data folder.
// The mode comes in the hand-over text: "1" issue data (then the import window opens through
// openReadData), "2" prices for a date range (confirmed, nothing fetched), "4" issue data as a step of
// the import window. It leaves "取得するファイルが見つかりません。" in the hand-over text when a confirmed
// run did not lead to the import window (with a note on a failed transfer on the following lines),
// and "" when it closes without a transfer.
#include "ui/net/TransferDialog.h"

#include <functional>

class QLabel;
class QLineEdit;

namespace kestrel::ui {

class frmIntReadData : public TransferDialog {
    Q_OBJECT
public:
    frmIntReadData(AppContext& context, QString& handOverText, QWidget* parent = nullptr);
    // The date box loses its focus while the dialog hides on destruction: its signal must not reach
    // this half-destroyed window.
    ~frmIntReadData() override;

    // Called after this window closed on a stored issue master in mode "1": opens the import window
    // (modally), which finds "1" in the hand-over text.
    std::function<void()> openReadData;

    QLabel* Label2;
    QLineEdit* ReadDateji;
    QLabel* Label1;
    QLineEdit* ReadDateitaru;
    QLabel* LblText;
    QPushButton* CmdInetRead;

public Q_SLOTS:
    void cmdInetReadClick();

protected:
    void activate() override;

private:
    bool issueMode() const { return m_mode == QStringLiteral("1") || m_mode == QStringLiteral("4"); }
    QString m_mode;
};

} // namespace kestrel::ui
