#pragma once
// Replays a chart drawing list on any QPainter surface (the window's retained image, a PNG) with the
// pixel rules the list assumes: no antialiasing, both end points of lines and boxes drawn, dotted
// lines on every other pixel, text placed by its top-left corner.
#include "core/chart/ChartOverlay.h"
#include "core/chart/ChartTechnical.h"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace kestrel::services {

// A monospace face whose half-width characters advance exactly `advance` pixels: the largest pixel size
// whose own advance is at most a quarter pixel wider, with the letter spacing making up the difference.
// Japanese characters come from a gothic face at the same size (two cells wide).
QFont gridFont(qreal advance);
// The chart's labels: 6 pixels a character, the grid the chart's layout places its texts on, and small
// enough that labels 10 pixels apart (the lowest price over the top volume) do not touch.
QFont chartFont();
QColor toQColor(chart::Rgb c);
void paintPrimitives(QPainter& painter, const std::vector<chart::Primitive>& items);

// The client area from (0, 0) to the bottom-right of the chart, as the window shows it: the chart
// drawn on the window's background colour.
inline constexpr int kSurfaceWidth = chart::kClearRight + 1;
inline constexpr int kSurfaceHeight = chart::kClearBottom + 1;
// With an overlay, its lines and ledger marks are drawn over the chart. With technical values and their
// view, the technical overlays and lower panel too; with 一目均衡表 the image is futureWidth pixels wider.
QImage renderChartImage(const chart::ChartData& data, const chart::ChartDisplay& display,
                        const chart::ChartOverlay* overlay = nullptr, const chart::ChartTechnical* tech = nullptr,
                        const chart::TechnicalView* view = nullptr);

} // namespace kestrel::services
