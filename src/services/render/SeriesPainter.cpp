#include "services/render/SeriesPainter.h"

#include "services/render/ChartPainter.h"

#include <QPainter>

namespace kestrel::services {

QImage renderSeriesImage(const chart::SeriesChart& chart, chart::SeriesView view, int width, int height,
                         int legendBar) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    paintPrimitives(painter, chart.draw(view, width, height, legendBar));
    return image;
}

} // namespace kestrel::services
