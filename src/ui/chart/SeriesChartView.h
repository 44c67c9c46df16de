#pragma once
// SeriesChartView: one chart of any span (core/chart/SeriesScene.h) drawn at the widget's own size, driven
// as a chart program is: Ctrl+wheel and +/- zoom, the span buttons, dragging the chart or the ←/→ keys
// scroll, Home/End go to either end; a crosshair snaps to the bar under the mouse with a small data
// window, and each legend reads the values at the cursor. Dragging a pane's top edge sets its height;
// right-clicking a pane opens the pane menu (add, remove, move). The spans, read-outs and pane changes
// are core functions (SeriesNavigation, SeriesReadout); this widget only routes input to them.
//
// The user's lines and the ledger's lots are drawn over the price panel (core/chart/SeriesOverlay.h).
// Shift+drag draws a trend line and Shift+click a horizontal one; a click selects the line under the
// mouse and dragging an end of the selected line (anywhere along a horizontal one) moves it; Delete
// removes the selected line; the price panel's menu offers 水平線を引く, and on a line 警報に設定 and
// 線を削除. Each change is only emitted, with dates and prices as the chart shows them: the owner
// stores it and gives the overlay back with setOverlay.
#include "core/chart/SeriesLayoutIni.h"
#include "core/chart/SeriesNavigation.h"
#include "core/chart/SeriesOverlay.h"
#include "core/chart/SeriesReadout.h"
#include "core/chart/SeriesScene.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QToolButton;
class QMenu;

namespace kestrel::ui {

class SeriesCanvas;

class SeriesChartView : public QWidget {
    Q_OBJECT
public:
    explicit SeriesChartView(QWidget* parent = nullptr);
    ~SeriesChartView() override;

    // Shows `series` up to `chartDate` with `options`; the view is the last kDefaultViewBars bars. The
    // overlay of the issue shown before is cleared (give the new one with setOverlay after this).
    void setChart(chart::BarSeries series, chart::SceneOptions options, Date chartDate,
                  std::vector<chart::ComparedIssue> compared = {});
    // New options for the chart shown (its values computed again), the view kept.
    void setOptions(chart::SceneOptions options) { rebuild(std::move(options)); }
    // The overlays, panes, span and scale of a saved layout (the chart's values computed again).
    void applyLayout(const chart::SeriesLayout& layout);
    chart::SeriesLayout currentLayout() const;
    // The layout of `section` of Kestrel.ini applied (the default layout when the section is damaged: the
    // returned error names it, for the caller's one notice), and the current layout written there.
    Status restoreLayout(const std::string& iniPath, std::string_view section = chart::kSeriesLayoutSection);
    Status saveLayout(const std::string& iniPath, std::string_view section = chart::kSeriesLayoutSection) const;

    const chart::SeriesChart* chart() const { return m_chart.get(); }
    chart::SeriesView view() const { return m_view; }
    void setView(chart::SeriesView view);
    int totalBars() const { return m_total; }
    void zoom(double factor, std::optional<int> anchor = std::nullopt);
    void showSpan(chart::SpanPreset preset);

    // The bar under the crosshair (-1 without one) and the data window's rows.
    int crosshairBar() const { return m_crosshair; }
    // Puts the crosshair on bar `bar` of the series (as a click on a price list row does); -1 removes it.
    void setCrosshairBar(int bar);
    std::vector<std::string> readout() const;
    // The scene's geometry in the drawing surface's pixels.
    chart::SceneLayout sceneLayout() const;
    QWidget* canvas() const;
    QToolButton* spanButton(chart::SpanPreset preset) const;
    // The pane menu of pane `pane` (-1: the price panel), as a right click opens it.
    QMenu* paneMenu(int pane);
    // The menu a right click at `pos` (canvas pixels) opens: on the price panel the line actions first
    // (水平線を引く; on a line 警報に設定 and 線を削除), then the pane menu; nothing below the panes.
    QMenu* contextMenuAt(QPoint pos);

    // The lines and lots drawn over the price panel. The selected line stays selected while the new
    // overlay still holds it and names no other.
    void setOverlay(const chart::ChartOverlay& overlay);
    const chart::ChartOverlay& overlay() const { return m_overlay; }
    // Where the view's bars and prices lie on the canvas (for the overlay and the mouse).
    chart::OverlayGeometry overlayGeometry() const;
    // Whether lines may be drawn, moved and deleted here; when not (`reason` says why, as a tooltip at
    // the mouse and on the menu's entries), the lines are shown and selected only, and 警報に設定 stays.
    void setLinesEditable(bool editable, const QString& reason = {});
    bool linesEditable() const { return m_linesEditable; }

    // The results marks at the foot of the price panel (bar an index into the series) with their
    // tooltips, shown while the mouse rests on a label; kept until the next setChart.
    void setResultsMarks(std::vector<chart::BarMark> marks, std::vector<QString> tips);
    // The tooltip of the label under `pos` (canvas pixels), or an empty text.
    QString markTipAt(QPoint pos) const;

Q_SIGNALS:
    void viewChanged();
    // Overlays, panes, their heights or the scale changed (a layout to save).
    void layoutChanged();
    // A trend line drawn with the mouse (id 0), with its two anchors as drawn.
    void lineDrawn(const kestrel::chart::ChartLine& line);
    // A horizontal line asked for at a date and price (Shift+click, 水平線を引く).
    void horizontalLineRequested(kestrel::Date date, kestrel::Currency price);
    // Line `line.id` moved to the anchors it carries.
    void lineMoved(const kestrel::chart::ChartLine& line);
    void lineDeleted(std::int64_t id);
    // 警報に設定 on horizontal line `id`: board 1 (株価ボードA) or 2 (株価ボードB) at its price.
    void alertRequested(std::int64_t id, kestrel::Currency price, int board);
    // A click on the chart (pressed and released without scrolling) over bar `bar` of the series.
    void barClicked(int bar);

private:
    friend class SeriesCanvas;
    void rebuild(chart::SceneOptions options);
    void setSpanView(chart::SeriesView view, std::optional<chart::SpanPreset> preset);
    void paintCanvas(QWidget& canvas);
    void keyOnCanvas(QKeyEvent* event);
    // The mouse on the lines: true when the press went to a line (drawing, selecting or moving one).
    bool pressOnLines(QPoint at, bool shift);
    void dragLines(QPoint at);
    void releaseLines(QPoint at);
    chart::ChartLine* lineById(std::int64_t id);
    void deleteSelectedLine();

    std::unique_ptr<chart::SeriesChart> m_chart;
    Date m_chartDate;
    int m_total = 0;
    chart::SeriesView m_view;
    std::optional<chart::SpanPreset> m_span;
    int m_crosshair = -1;
    int m_mouseY = -1;
    // A drag: scrolling from the view at the press, or a pane's top edge.
    bool m_scrolling = false;
    int m_dragPane = -1;
    int m_pressX = 0;
    chart::SeriesView m_pressView;
    chart::SceneLayout m_pressLayout;

    SeriesCanvas* m_canvas = nullptr;
    std::vector<QToolButton*> m_spanButtons;
    QMenu* m_menu = nullptr;
    QImage m_image;
    bool m_dirty = true;

    chart::ChartOverlay m_overlay;
    // A line being drawn, or an end (1, 2) of line m_dragLine being moved (m_dragFrom: as it was).
    std::optional<chart::ChartLine> m_drawing;
    std::int64_t m_dragLine = 0;
    int m_dragEnd = 0;
    std::optional<chart::ChartLine> m_dragFrom;
    bool m_linesEditable = true;
    QString m_notEditable;
    std::vector<QString> m_markTips;
};

} // namespace kestrel::ui
