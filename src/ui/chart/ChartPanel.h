#pragma once
// The chart part of the main window: the chart of any span SeriesChartView, the price list KabukaList,
// the summary and detail labels and the four display switches. The panel's coordinates are the main
// window's client area: the chart starts at x 145, y 96 and grows with the panel, the list and labels
// keep to its right; the area left of x 145 and above y 96 is free for the window's own controls.
// The window loads the chart into data() with LoadChartData, calls loadOverlay and loadSeriesChart,
// then DrawChart(true). The 110-bar surface ChartView stays behind the chart (hidden) for the user
// lines until they are drawn on the chart of any span.
#include "core/chart/ChartData.h"
#include "core/chart/ChartOverlay.h"
#include "core/chart/ChartScene.h"
#include "core/chart/ChartTechnical.h"
#include "core/chart/SeriesLayoutIni.h"
#include "core/startup/AppContext.h"
#include "ui/chart/SeriesChartView.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

namespace kestrel::ui {

// The retained chart surface; a click reports its x in client-area pixels.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);
    QImage& surface() { return m_surface; }

Q_SIGNALS:
    void clickedAt(int clientX, int clientY);
    // The mouse on the chart, in client-area pixels; `shift` when Shift was held at the press.
    void pressedAt(int clientX, int clientY, bool shift);
    void draggedTo(int clientX, int clientY);
    void releasedAt(int clientX, int clientY);
    void contextMenuAt(int clientX, int clientY, const QPoint& globalPos);
    void deletePressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QImage m_surface;
};

class ChartPanel : public QWidget {
    Q_OBJECT
public:
    explicit ChartPanel(AppContext& context, QWidget* parent = nullptr);

    chart::ChartData& data() { return m_data; }
    const chart::ChartDisplay& display() const { return m_display; }
    // The display choices the window keeps for the whole run (also set by the switches below).
    void setLowerPanelMode(int mode);
    void setAveragesShown(bool shown);
    // The technical set drawn (overlays, periods, colours); loadOverlay computes its values again.
    void setTechnicalView(const chart::TechnicalView& view);
    const chart::TechnicalView& technicalView() const { return m_technicalView; }

    // Clears the chart area and draws the empty frame.
    void DrawChartFrame();
    // Draws the loaded chart; with rebuildList also refills KabukaList and selects its last row.
    void DrawChart(bool rebuildList);

    // The user's lines and the ledger's lots of the issue loaded in data(): read again from the database
    // (after every load and every change of a line). The ledger part follows the BaibaiChart setting.
    // The technical values of the loaded chart are read with them.
    void loadOverlay(std::int32_t code);
    const chart::ChartOverlay& overlay() const { return m_overlay; }
    // The results marks under the loaded bars (bar 0-based into data().bars) with their tooltips; drawn
    // by the next DrawChart.
    void setResultsMarks(std::vector<chart::BarMark> marks, std::vector<QString> tips);
    const std::vector<chart::BarMark>& resultsMarks() const { return m_marks; }
    // The tooltip of the mark under client x, or an empty text.
    QString resultsTipAt(int clientX) const;
    // The whole stored history of `code` up to `chartDate` in the window's chart mode, shown in
    // seriesView: the last 110 bars (or the layout's span) with every value computed from all the bars.
    void loadSeriesChart(std::int32_t code, Date chartDate);
    // The chart layout of Kestrel.ini, read on start (a damaged section: one notice, the default kept)
    // and written on close; named layouts saved, recalled and deleted.
    void restoreLayout();
    void saveLayout() const;
    const chart::SeriesLayout& layout() const { return m_layout; }
    void applyLayout(const chart::SeriesLayout& layout);
    void setLogScale(bool on);
    // The chart's area in the panel (it grows with the panel): set again from the panel's size by
    // layoutChart (also before the panel is shown, when resizing it sends no event yet).
    QRect chartArea() const;
    void layoutChart();
    // A horizontal line at client y (the context menu's "水平線を引く"); false when y is off the panel.
    bool addHorizontalAt(int clientX, int clientY);
    // Sets an alert of board 1 (A) or 2 (B) at the price of horizontal line id (the context menu's
    // "警報に設定").
    void setAlertFromLine(std::int64_t id, int board);

    ChartView* chartView = nullptr;
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refreshDisplay();
    chart::SceneOptions seriesOptions() const;
    void applyViewLayout();
    // Makes room for `extra` pixels of future slots right of the plot.
    void widenFor(int extra);
    void paint(const std::vector<chart::Primitive>& items);
    void kabukaListClick(int row);
    void chartClicked(int clientX, int clientY);
    void cmdSRLRSIClick();
    void cmdidoheikinClick();
    void mousePressed(int x, int y, bool shift);
    void mouseDragged(int x, int y);
    void mouseReleased(int x, int y);
    void showContextMenu(int x, int y, const QPoint& globalPos);
    void deleteSelectedLine();
    chart::ChartLine* lineById(std::int64_t id);
    // Stores a change of the lines through the database, tells a refusal, and reads them again.
    template <typename F> void changeLines(F&& change);

    AppContext& m_context;
    chart::ChartData m_data;
    chart::ChartDisplay m_display;
    chart::ChartOverlay m_overlay;
    chart::TechnicalView m_technicalView;
    chart::ChartTechnical m_technical;
    std::vector<chart::BarMark> m_marks;
    std::vector<QString> m_markTips;
    int m_extra = 0;
    std::int32_t m_code = 0;
    // A line being drawn (id 0) or an end (1, 2) of a line being moved.
    std::optional<chart::ChartLine> m_drawing;
    std::int64_t m_dragLine = 0;
    int m_dragEnd = 0;
    bool m_dragMoved = false;
    // The controls right of the chart at their places beside an unstretched chart, and their extent.
    std::vector<std::pair<QWidget*, QPoint>> m_rightColumn;
    int m_rightExtent = 0;
    chart::SeriesLayout m_layout;
};

} // namespace kestrel::ui
