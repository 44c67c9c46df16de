#pragma once
// TransferDialog: what the download windows share. The window owns one transfer (Inet) and a flag
// (inetFlgs) set once the user confirmed a transfer. Closing (CmdClose, Escape or the title bar) before
// that just closes; after it, the user is asked first, and on Yes the transfer is cancelled, the
// hand-over text emptied and the window closed. The transfer runs inside a button's handler while
// the window stays live, so the close question may come in the middle of it.
#include "core/net/Fetch.h"
#include "core/startup/AppContext.h"
#include "platform/HttpTransfer.h"

#include <QDialog>
#include <QString>

class QPushButton;

namespace kestrel::ui {

inline constexpr QRgb kIdleColour = 0xFFFFC0C0;     // light red while waiting
inline constexpr QRgb kTransferColour = 0xFFC0FFC0; // light green once confirmed

class TransferDialog : public QDialog {
    Q_OBJECT
public:
    TransferDialog(AppContext& context, QString& handOverText, QWidget* parent);

    bool inetFlgs = false;
    platform::HttpTransfer* Inet;
    QPushButton* CmdClose = nullptr;

    // The window's transfer as a blocking fetch for the core procedures.
    net::Fetcher fetcher();
    bool transferring() const { return m_transferring; }

public Q_SLOTS:
    void cmdCloseClick();
    // Escape goes through CmdClose.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Runs once, the first time the window is shown.
    virtual void activate() {}
    // Closes the window for good (unload, then hide); later calls do nothing.
    void closeWindow();
    // The extra work of unloading: by default, the hand-over text is emptied unless a transfer was confirmed.
    virtual void unload();
    void setBackColour(QRgb colour);
    // Marks the transfer in progress (a second start click is ignored meanwhile).
    void setTransferring(bool on) { m_transferring = on; }

    AppContext& m_context;
    QString& m_handOverText;

private:
    bool m_activated = false;
    bool m_closed = false;
    bool m_transferring = false;
};

} // namespace kestrel::ui
