#pragma once
// A chart of any span (core/chart/SeriesScene.h) drawn into an image of its own size.
#include "core/chart/SeriesScene.h"

#include <QImage>

namespace kestrel::services {

// The scene of `view` at width×height pixels, replayed with the chart's pixel rules (paintPrimitives);
// the legends read bar `legendBar` (the view's last bar when it lies outside the view).
QImage renderSeriesImage(const chart::SeriesChart& chart, chart::SeriesView view, int width, int height,
                         int legendBar = -1);

} // namespace kestrel::services
