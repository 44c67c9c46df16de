#pragma once
// Replays a chart drawing list on any QPainter surface (the window's retained image, a PNG) with the
// pixel rules the list assumes: no antialiasing, both end points of lines and boxes drawn, dotted
// lines on every other pixel, text placed by its top-left corner.
#include "core/chart/ChartOverlay.h"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace kestrel::services {

// The label font: a Japanese gothic whose half-width characters are 6 pixels wide.
QFont chartFont();
QColor toQColor(chart::Rgb c);
void paintPrimitives(QPainter& painter, const std::vector<chart::Primitive>& items);

// The client area from (0, 0) to the bottom-right of the chart, as the window shows it: the chart
// drawn on the window's background colour.
inline constexpr int kSurfaceWidth = chart::kClearRight + 1;
inline constexpr int kSurfaceHeight = chart::kClearBottom + 1;
// With an overlay, its lines and ledger marks are drawn over the chart.
QImage renderChartImage(const chart::ChartData& data, const chart::ChartDisplay& display,
                        const chart::ChartOverlay* overlay = nullptr);

} // namespace kestrel::services
