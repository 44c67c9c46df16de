#pragma once
// The chart part of the main window: the drawing surface ChartView, the price list KabukaList, the
// summary and detail labels and the four display switches. The panel's coordinates are the main
// window's client area: the chart sits at x 145-812, y 100-452 and the list and labels to its right;
// the area left of x 145 and above y 100 is free for the window's own controls.
// The window loads the chart into data() with LoadChartData and calls DrawChart(true).
#include "core/chart/ChartData.h"
#include "core/chart/ChartScene.h"
#include "core/startup/AppContext.h"

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

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

    // Clears the chart area and draws the empty frame.
    void DrawChartFrame();
    // Draws the loaded chart; with rebuildList also refills KabukaList and selects its last row.
    void DrawChart(bool rebuildList);

    ChartView* chartView = nullptr;
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

private:
    void refreshDisplay();
    void paint(const std::vector<chart::Primitive>& items);
    void kabukaListClick(int row);
    void chartClicked(int clientX, int clientY);
    void cmdSRLRSIClick();
    void cmdidoheikinClick();

    AppContext& m_context;
    chart::ChartData m_data;
    chart::ChartDisplay m_display;
};

} // namespace kestrel::ui
