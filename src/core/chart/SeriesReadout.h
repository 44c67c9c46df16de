#pragma once
// What the crosshair reads and what the pane splitters and the pane menu change, for a chart view of a
// SeriesChart drawn with a SceneLayout. Pure functions: a window calls them with its mouse positions.
#include "core/chart/SeriesScene.h"

#include <optional>
#include <string>
#include <vector>

namespace kestrel::chart {

// The bar whose slot holds column x of the plot, the column's last bar where several share it (the
// nearest bar of the view for a column left or right of the plot); -1 for an empty view.
int barAtX(const SceneLayout& layout, SeriesView view, int x);

// The data window of one bar.
struct BarReadout {
    int bar = -1;
    Date date;
    bool traded = false;
    double open = 0, high = 0, low = 0, close = 0; // 0 for a bar without trading
    double change = 0;
    double changePercent = kMissing; // change against the close before it; missing when that is 0
    std::int64_t volume = 0;
    std::vector<NamedValue> lines;              // every line of the price panel
    std::vector<NamedValue> compared;           // each compared issue by code, percent from the view's first bar
    std::vector<std::vector<NamedValue>> panes; // each pane's values
};
// The read-out of bar `bar` of the series (clamped into the view); bar -1 when the view is empty.
BarReadout readBar(const SeriesChart& chart, SeriesView view, int bar);
// The read-out as the data window's rows: "日付 2025/06/13", "始値 2,964", … "出来高 5,693万", then one
// row a line ("MA25 2,950.12"), each compared issue in percent, then the panes' values ("サイコロ(12) 58.3",
// "売 1.2億"); a missing value reads "-".
std::vector<std::string> readoutRows(const BarReadout& r);

// The pane whose top edge (the row above its legend) lies within `slack` rows of y, or -1.
int paneEdgeAt(const SceneLayout& layout, int y, int slack = 3);
// The pane holding row y (its legend included), -1 for the price panel, -2 below the panes.
int paneAt(const SceneLayout& layout, int y);

// The pane weights after the top edge of pane `pane` was dragged to row y: the pane and the panel above
// it (the price panel or the pane before) share their rows anew; the others keep theirs. The price panel
// keeps at least 40 rows and each pane 12 (plus its legend). Thousandths of the panels' height, one per
// pane, for SceneOptions::paneWeights.
std::vector<int> paneWeightsAfterDrag(const SceneLayout& layout, int pane, int y);

// The pane menu. Each returns false (options untouched) when it cannot: a fifth pane, a pane already
// shown, an index outside the list. Weights set by a drag follow their panes; an added pane takes the
// default split.
bool addPane(SceneOptions& options, PaneKind kind);
bool removePane(SceneOptions& options, int index);
bool movePane(SceneOptions& options, int index, int delta);

} // namespace kestrel::chart
