#pragma once
// The first-start window, shown once after a start that created the database. It offers J-Quants first:
// the API key (into the keyring, as in the options), the plan, "接続テスト", and a fetch of the issue master
// and the latest days the plan covers, imported at once, with progress and a cancel button; after it the
// main window shows the chart of the first issue. Below, the data-server road (the server's page and the
// internet read screen in its issue-data mode) for those whose DURL names a real server; when that download
// fails the window says so, names DURL and stays open on the J-Quants road.
// Enter runs the J-Quants fetch; Esc cancels a running fetch, or closes the window.
#include "core/app/Prompt.h"
#include "services/converter/LatestPrices.h"

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <memory>

namespace kestrel::ui {

class frmMain;
class JQuantsOptionsBox;

// The days a first start fetches: enough for a chart on any plan's calendar.
inline constexpr int kFirstStartDays = 10;
// Kestrel.ini's key set once the question about the market's history was asked.
inline constexpr const char* kHistoryAskedKey = "JQuantsHistoryAsked";

class frmFarstMsg : public QDialog {
    Q_OBJECT
public:
    explicit frmFarstMsg(frmMain* main);
    ~frmFarstMsg() override;

    // After the window closed: the issue whose chart to show (0: none came through J-Quants) and the
    // message to show over the main window ("" for none).
    int firstCode() const { return m_firstCode; }
    QString resultMessage() const { return m_result; }

    QLabel *Label1, *Label2, *Label3;
    JQuantsOptionsBox* JQuants;
    QPushButton* CmdJQuantsFetch;
    QPushButton* CmdJQuantsCancel;
    QLabel* LblJQuants;
    QProgressBar* JQuantsProgress;
    QPushButton* cmdFirstKido;

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdFirstKidoClick();
    void fetchJQuants();
    void setRunning(bool running);
    // After the first fetch that brought prices: asks once (remembered in Kestrel.ini) whether to start
    // the market's history in the background, naming the time it takes at the plan's pace.
    void askHistoryOnce(Prompt& prompt);

    frmMain* m_main;
    std::unique_ptr<services::LatestPricesRun> m_run;
    int m_firstCode = 0;
    QString m_result;
};

} // namespace kestrel::ui
