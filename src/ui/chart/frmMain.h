#pragma once
// The main window: the hub from which every screen opens. Left of the chart: the issue code box
// MeiCode, the issue list ListMei and the search by name; above it the chart date, the daily/weekly
// switch and the shown issue's name and market; under it the date scroll bar HScroll. The chart itself
// (ChartPanel) keeps its fixed pixel layout in the client area.
// HandOverText carries modes and result messages between screens; at start it holds the start state
// ("3" after a start that created the database).
#include "core/chart/BarSeries.h"
#include "core/chart/IssueList.h"
#include "core/startup/AppContext.h"
#include "services/converter/HistoryRunner.h"
#include "ui/chart/ChartPanel.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <set>
#include <vector>

namespace kestrel::ui {

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(AppContext& context, QWidget* parent = nullptr);
    ~frmMain() override;

    QString HandOverText;
    AppContext& context() { return m_context; }
    // Market short names by market code, read when the window loads.
    const db::IssueMarkets& marketNames() const { return m_marketNames; }
    ChartPanel* chartPanel() const { return m_chart; }

    // Controls (objectName = member name).
    QLabel* LblMeiCode = nullptr;
    QLineEdit* MeiCode = nullptr;
    QPushButton* CmdFind = nullptr;
    QListWidget* ListMei = nullptr;
    QLabel *LblMei = nullptr, *Lblshijyo = nullptr;
    QLineEdit* chartDate = nullptr;
    QPushButton* Cmdchange = nullptr;
    QScrollBar* HScroll = nullptr;
    QTimer* chartTimer = nullptr;
    QTimer* blinkTimer = nullptr;
    QToolBar* Toolbar = nullptr;
    // The note over the chart while an issue's history comes from J-Quants, and the background job's
    // line in the status bar.
    QLabel* LblHistory = nullptr;
    QLabel* StatusHistory = nullptr;
    // The shown issue's valuations as of the chart date under its name (the basis in its tooltip).
    QLabel* LblFins = nullptr;

    // Menu entries whose captions other code sets.
    QAction* mnuchartdayandweek = nullptr;
    QAction* mnuchartslideshow = nullptr;
    QAction* mnuLogScale = nullptr;
    // Any menu entry or toolbar button by its name or key.
    QAction* action(const QString& name) const;

    // Shows the issue whose code is in MeiCode; with draw also loads and draws its chart.
    void ShowIssue(bool draw);
    // Shows an issue's daily or weekly chart ending at a date (from a list of another window): the chart
    // mode switches when it differs, the date goes into chartDate and the code into MeiCode; one load.
    void showIssueAt(std::int32_t code, Date date, chart::BarMode mode);
    // Shows the window restored and in front of the program's other windows.
    void bringForward();
    // Refills ListMei with the issues whose code begins with the typed digits.
    void FillIssueList(const QString& codeText);
    void ToggleSlideShow();
    void UpdateSlideShowCaption();
    // Kind 1: the local read screen; kind 2: the internet read screen in the given mode.
    void OpenReadScreen(int kind, const QString& mode);
    // At start: shows the issue last shown (Kestrel.ini key LastCode) when Mei still holds it, else
    // the first issue of Mei; nothing on an empty Mei.
    void showStartIssue();
    // At close: remembers the shown issue's code under LastCode (written only when it changed).
    void rememberLastCode();
    // Whether Mei holds no issue (the start then shows the first-start window again).
    bool issueMasterEmpty() const;
    // Set by a later start that found Mei empty: the first activation shows the first-start window
    // as after a first start (HandOverText keeps the start state).
    bool firstStartWhileEmpty = false;

    // The J-Quants work of the window (an issue's history, the background job), off its thread.
    services::HistoryRunner* history() const { return m_history; }
    // When an issue (the one shown, or one opened in the ledger or a board) has fewer stored bars than the
    // plan's window and a key is set, asks for its history once in this run (queued behind any other: one
    // request at a time) and, for the shown issue, says so over the chart and draws it again when it came.
    void askIssueHistory(std::int32_t code);
    // The header line and the results marks of the shown issue as of the chart date, from its stored
    // disclosures; the marks reach the chart with its next DrawChart.
    void showFins(std::int32_t code);
    // When the shown issue has no stored disclosure and a key is set, asks for them once in this run;
    // the header and the marks are drawn again when they came, a failure is a note in the status bar.
    void askIssueFins(std::int32_t code);

    // The screens the menus and the toolbar open. Each opens modally and returns true, or says plainly
    // that it is not available yet and returns false.
    enum class Screen {
        ReadData,
        ShinyoData,
        SyuMakeData,
        Zenjitusa,
        IntReadData,
        IntInformation,
        Kabukaboard,
        Information,
        JyohoList,
        EditKabuka,
        EditMei,
        ReadDelMei,
        Datament,
        DeleteData,
        BackUp,
        Option,
        stockmarket,
        About,
    };
    using Opener = std::function<void(frmMain&)>;
    // How each screen opens.
    static Opener opener(Screen screen);
    bool openScreen(Screen screen);
    // Opens the screening window beside the chart (or raises it when open); its rows show their chart here.
    void openScreening();
    // Loads the stock-information kinds on behalf of this window (first start).
    void loadInformationKinds();

    // The entries that act on the two stock boards and the issue-list files.
    enum class BoardEntry { Register, Remove, ToList, SaveText, LoadText, Move, ListOutput, ListInput };
    void boardEntry(BoardEntry entry, int board);

    bool blinkPending = false;
    bool issueListBusy = false;

protected:
    // Runs the close sequence (timers named chartTimer and blinkTimer are stopped; see CloseSequence.h).
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildJQuantsMenu();
    void connectHistory();
    void jquantsLatestClick();
    void jquantsTestClick();
    void historyStartClick();
    void issueHistoryFinished(int code, int stored, const QString& message, bool failed);
    void connectFins();
    void issueFinsFinished(int code, int rows, const QString& message, bool failed);
    void buildToolbar();
    void buildTechnicalMenu(QMenu* menu);
    std::vector<QAction*> m_technicalActions; // the テクニカル menu's entries, also on the toolbar
    // The overlay switches among them, checked as the chart's layout holds them.
    std::vector<std::pair<QAction*, bool chart::TechnicalOverlays::*>> m_overlayActions;
    template <typename F> QAction* entry(QMenu* menu, const char* name, const char* caption, F handler);
    template <typename F> QAction* button(const char* key, const char* text, const char* tip, F handler);
    void loadWindow();
    void firstActivation();

    // Issue selection.
    void meiCodeChange(const QString& text);
    void listMeiDblClick();
    void cmdFindClick();
    void mnuDelListClick();
    bool shownIssueOrSay(const char* message);
    void informationPage(const char* letter);

    // Navigation.
    void hScrollChange();
    void chartDateChange(const QString& text);
    void setChartDateText(const QString& text);
    void cmdchangeClick();
    void mnuchartslideshowClick();
    void chartTimerTick();
    void blinkTimerTick();
    void nextIssue(int step);
    void applyChartMode();
    // 月足: chart mode 3, the monthly bars of the daily table.
    void showMonthlyChart();
    void saveTemplateClick();
    void loadTemplateClick();
    void deleteTemplateClick();
    QString chooseTemplate(const QString& title);
    // 比較銘柄を設定…: the codes typed (the comparison kept while issues change).
    void compareClick();
    // The テクニカル menu's check marks and 対数目盛 as the chart's layout holds them.
    void syncTechnicalMenu();

    // Menu actions.
    void mnuMeiRegistDataClick();
    void mnuKabkaEditClick();
    void mnudataoutputcsvClick();
    void mnuJyohouListClick();
    void mnuGaibuRunClick();
    void mnuHelpClick();
    void showHandOverMessage();

    AppContext& m_context;
    db::IssueMarkets m_marketNames;      // as shown for the latest stored bar (lists, search)
    db::MarketNames m_storedMarketNames; // as stored; the chart title names the market of the chart's date
    ChartPanel* m_chart = nullptr;
    int m_lastScrollValue = 0;
    bool m_activated = false;
    bool m_settingDate = false;
    QPointer<QWidget> m_screening; // the screening window, kept open beside the chart
    services::HistoryRunner* m_history = nullptr;
    std::set<std::int32_t> m_historyAsked; // issues whose history was asked for in this run
    std::set<std::int32_t> m_finsAsked;    // issues whose disclosures were asked for in this run
};

// The caption of the daily/weekly switch button for the chart mode.
void SetChangeButtonCaption(QPushButton* button, std::int16_t chartMode);

} // namespace kestrel::ui
