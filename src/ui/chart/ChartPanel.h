#pragma once
// The chart part of the main window: the chart of any span SeriesChartView, the price list KabukaList,
// the summary and detail labels and the four display switches. The panel's coordinates are the main
// window's client area: the chart starts at x 145, y 96 and grows with the panel, the list and labels
// keep to its right; the area left of x 145 and above y 96 is free for the window's own controls.
// The window loads the chart into data() with LoadChartData (the price list's 110 bars), calls
// loadSeriesChart (which reads the overlay too) and then DrawChart(true).
//
// The user's lines drawn, moved and deleted on the chart are stored per mode (1 daily, 2 weekly). The
// monthly chart shows the daily lines (their dates fall into their months) but changes none: a line
// drawn there would stand for no day, so the chart says so instead.
#include "core/chart/ChartData.h"
#include "core/chart/ChartOverlay.h"
#include "core/chart/ChartScene.h"
#include "core/chart/ChartTechnical.h"
#include "core/chart/SeriesLayoutIni.h"
#include "core/startup/AppContext.h"
#include "ui/chart/SeriesChartView.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

namespace kestrel::ui {

class ChartPanel : public QWidget {
    Q_OBJECT
public:
    explicit ChartPanel(AppContext& context, QWidget* parent = nullptr);

    chart::ChartData& data() { return m_data; }
    const chart::ChartDisplay& display() const { return m_display; }
    // The display choices the window keeps for the whole run (also set by the switches below).
    void setLowerPanelMode(int mode);
    void setAveragesShown(bool shown);
    // The technical set drawn (periods, colours, the bands of ボリンジャーバンド); the next DrawChart shows
    // it. Which overlays are drawn is the layout's: technicalView().overlays follows it.
    void setTechnicalView(const chart::TechnicalView& view);
    // The テクニカル menu's overlay switch `flag` turned on or off in the layout (kept in Kestrel.ini's
    // technical set too), drawn at once.
    void setOverlaySwitch(bool chart::TechnicalOverlays::*flag, bool on);
    const chart::TechnicalView& technicalView() const { return m_technicalView; }

    // Takes the switches and the chart mode again (the chart is drawn by the next load and DrawChart).
    void DrawChartFrame();
    // Draws the loaded chart; with rebuildList also refills KabukaList and selects its last row.
    void DrawChart(bool rebuildList);

    // The user's lines (of the mode; the daily ones in monthly mode) and the ledger's lots of `code`, read
    // again from the database (after every load and every change of a line) and handed to the chart. The
    // ledger part follows the BaibaiChart setting.
    void loadOverlay(std::int32_t code);
    const chart::ChartOverlay& overlay() const { return m_overlay; }
    // The results marks under the chart's bars (bar an index into the shown series) with their tooltips.
    void setResultsMarks(std::vector<chart::BarMark> marks, std::vector<QString> tips);
    const std::vector<chart::BarMark>& resultsMarks() const { return m_marks; }
    // The whole stored history of `code` up to `chartDate` in the window's chart mode, shown in
    // seriesView: the last 110 bars (or the layout's span) with every value computed from all the bars.
    void loadSeriesChart(std::int32_t code, Date chartDate);
    // The chart layout: the one model of the chart's overlays, panes with their heights, span, scale and
    // comparison. The lower-panel button and the テクニカル menu's panels set its panes, the 出来高 switch
    // its volume pane, the pane menu adds, removes and moves panes; every DrawChart and issue change
    // keeps it. Read from Kestrel.ini on start (without a saved one: derived from the lower panel and the
    // technical set's overlays; a damaged section: one notice and that derived default) and written on
    // close; named layouts saved, recalled (applyLayout) and deleted.
    void restoreLayout();
    void saveLayout() const;
    const chart::SeriesLayout& layout() const { return m_layout; }
    void applyLayout(const chart::SeriesLayout& layout);
    // The layout a damaged section gives (the one derived on start).
    const chart::SeriesLayout& defaultLayout() const { return m_defaultLayout; }
    // The issues compared with every chart (up to three codes; none: no comparison). The chart shown is
    // loaded again; a code without bars up to the chart date is told by name and left out.
    void setCompared(const std::vector<std::int32_t>& codes);
    void setLogScale(bool on);
    // The chart's area in the panel (it grows with the panel): set again from the panel's size by
    // layoutChart (also before the panel is shown, when resizing it sends no event yet).
    QRect chartArea() const;
    void layoutChart();
    // The mode the lines shown belong to: 2 weekly, else 1 (the monthly chart shows the daily lines).
    int linesMode() const;
    // Sets an alert of board 1 (A) or 2 (B) at `price` (the line menu's "警報に設定"): asks first to put
    // the issue on the board when it is not there, then tells the alert set.
    void setAlertAt(Currency price, int board);

    SeriesChartView* seriesView = nullptr;
    QListWidget* KabukaList = nullptr;
    QPushButton* CmdSRLRSI = nullptr;
    QPushButton* Cmdidoheikin = nullptr;
    QCheckBox* Chkdekidaka = nullptr;
    QCheckBox* Chknijikyokusenn = nullptr;
    QLabel *Lblsaitakane = nullptr, *Lblsaiyasune = nullptr, *Lblowarine = nullptr;
    QLabel *Lbltankairi = nullptr, *Lbltyukairi = nullptr, *Lbltyokairi = nullptr;
    QLabel *Lbltanidoheikn = nullptr, *Lbltyuidoheikn = nullptr, *Lbltyoidoheikn = nullptr;
    QLabel *LblDate = nullptr, *LblSRL = nullptr, *LblRSI = nullptr, *LblVR = nullptr;
    QLabel* LblBunkatu = nullptr; // why the selected bar differs from the file (split adjustment)

Q_SIGNALS:
    // After a redraw by CmdSRLRSI, Cmdidoheikin or Chknijikyokusenn: the focus belongs to ListMei.
    void focusIssueList();
    // The layout's overlays or scale changed wholesale (restored, a template recalled): menus follow.
    void switchesChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refreshDisplay();
    // ALLITORSO 2: the daily ALL view shows 伊藤ﾚｼｵ too.
    bool allIto() const { return m_context.settings.ALLITORSO == 2; }
    void setPanes(std::vector<chart::PaneKind> panes);
    // technicalView().overlays and the 出来高 switch from the layout; the overlays kept in Kestrel.ini.
    void syncSwitches();
    chart::SceneOptions seriesOptions() const;
    void applyViewLayout();
    void kabukaListClick(int row);
    void cmdSRLRSIClick();
    void cmdidoheikinClick();
    // Stores a change of the lines through the database, tells a refusal, and reads them again.
    template <typename F> void changeLines(F&& change);

    AppContext& m_context;
    chart::ChartData m_data;
    chart::ChartDisplay m_display;
    chart::ChartOverlay m_overlay;
    chart::TechnicalView m_technicalView;
    std::vector<chart::BarMark> m_marks;
    std::int32_t m_code = 0;
    // The controls right of the chart at their places beside an unstretched chart, and their extent.
    std::vector<std::pair<QWidget*, QPoint>> m_rightColumn;
    int m_rightExtent = 0;
    chart::SeriesLayout m_layout;
    chart::SeriesLayout m_defaultLayout;
    Date m_chartDate;
    int m_loadedMode = 0;                        // the chart mode of the last chart loaded
    bool m_restored = false;                     // the layout read from Kestrel.ini (before it, nothing is synced back)
    std::vector<std::int32_t> m_missingCompared; // of the last load
};

} // namespace kestrel::ui
