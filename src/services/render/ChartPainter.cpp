#include "services/render/ChartPainter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPolygon>
#include <algorithm>
#include <optional>
#include <vector>

namespace kestrel::services {

using chart::Primitive;
using chart::Shape;

QFont gridFont(qreal advance) {
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                   QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("VL Gothic")});
    f.setStyleHint(QFont::TypeWriter);
    f.setHintingPreference(QFont::PreferFullHinting);
    int size = std::max(6, static_cast<int>(advance * 2));
    f.setPixelSize(size);
    while (size > 6 && QFontMetricsF(f).horizontalAdvance(QLatin1Char('0')) > advance + 0.25)
        f.setPixelSize(--size);
    f.setLetterSpacing(QFont::AbsoluteSpacing, advance - QFontMetricsF(f).horizontalAdvance(QLatin1Char('0')));
    return f;
}

QFont chartFont() {
    return gridFont(chart::kCharWidth);
}

QColor toQColor(chart::Rgb c) {
    return QColor(c.r, c.g, c.b);
}

namespace {

QRect spanning(const Primitive& p) {
    return QRect(QPoint(std::min(p.x1, p.x2), std::min(p.y1, p.y2)),
                 QPoint(std::max(p.x1, p.x2), std::max(p.y1, p.y2)));
}

void line(QPainter& painter, int x1, int y1, int x2, int y2) {
    if (x1 == x2 && y1 == y2)
        painter.drawPoint(x1, y1);
    else
        painter.drawLine(x1, y1, x2, y2);
}

} // namespace

void paintPrimitives(QPainter& painter, const std::vector<Primitive>& items) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // The font is worked out once: its size search asks the font metrics several times.
    static const QFont* const font = new QFont(chartFont());
    painter.setFont(*font);
    const int ascent = painter.fontMetrics().ascent();
    // Runs of one-pixel lines and points of one colour go to the painter together (a long chart is
    // thousands of them); a new pen only when the colour changes.
    std::vector<QLine> lines;
    std::vector<QPoint> points;
    auto flush = [&] {
        if (!lines.empty())
            painter.drawLines(lines.data(), static_cast<int>(lines.size()));
        if (!points.empty())
            painter.drawPoints(points.data(), static_cast<int>(points.size()));
        lines.clear();
        points.clear();
    };
    std::optional<chart::Rgb> penColor;
    for (const Primitive& p : items) {
        const bool sameColor =
            penColor && penColor->r == p.color.r && penColor->g == p.color.g && penColor->b == p.color.b;
        if (p.shape == Shape::Line && sameColor) {
            if (p.x1 == p.x2 && p.y1 == p.y2)
                points.emplace_back(p.x1, p.y1);
            else
                lines.emplace_back(p.x1, p.y1, p.x2, p.y2);
            continue;
        }
        flush();
        const QColor color = toQColor(p.color);
        if (!sameColor) {
            QPen pen(color);
            pen.setWidth(0); // cosmetic, one pixel
            painter.setPen(pen);
            penColor = p.color;
        }
        switch (p.shape) {
        case Shape::FillRect:
        case Shape::FilledBox:
            painter.fillRect(spanning(p), color);
            break;
        case Shape::TranslucentBox: {
            QColor blended = color;
            blended.setAlpha(chart::kTranslucentAlpha);
            painter.fillRect(spanning(p), blended);
            break;
        }
        case Shape::Line:
            line(painter, p.x1, p.y1, p.x2, p.y2);
            break;
        case Shape::Box: {
            QRect r = spanning(p);
            line(painter, r.left(), r.top(), r.right(), r.top());
            line(painter, r.left(), r.bottom(), r.right(), r.bottom());
            line(painter, r.left(), r.top(), r.left(), r.bottom());
            line(painter, r.right(), r.top(), r.right(), r.bottom());
            break;
        }
        case Shape::DottedLine: {
            // Every other pixel, handed over in one call.
            QRect r = spanning(p);
            QPolygon dots;
            if (r.height() == 1)
                for (int x = r.left(); x <= r.right(); x += 2)
                    dots << QPoint(x, r.top());
            else
                for (int y = r.top(); y <= r.bottom(); y += 2)
                    dots << QPoint(r.left(), y);
            painter.drawPoints(dots);
            break;
        }
        case Shape::Text:
            painter.drawText(p.x1, p.y1 + ascent, QString::fromStdString(p.text));
            break;
        }
    }
    flush();
    painter.restore();
}

QImage renderChartImage(const chart::ChartData& data, const chart::ChartDisplay& display,
                        const chart::ChartOverlay* overlay, const chart::ChartTechnical* tech,
                        const chart::TechnicalView* view) {
    const int extra = tech && view ? chart::futureWidth(*view) : 0;
    QImage image(kSurfaceWidth + extra, kSurfaceHeight, QImage::Format_RGB32);
    image.fill(toQColor(chart::windowBackColor(display.chartMode)));
    QPainter painter(&image);
    // Nothing of the chart reaches outside its cleared area (a curve may run off the price scale).
    painter.setClipRect(
        QRect(QPoint(chart::kClearLeft, chart::kClearTop), QPoint(chart::kClearRight + extra, chart::kClearBottom)));
    chart::ChartPicture pic = chart::DrawChartWide(data, display, extra);
    std::vector<chart::Primitive>& items = pic.items;
    if (tech && view && !pic.rows.empty()) {
        std::vector<chart::Primitive> more = chart::drawTechnical(data, display, *tech, *view);
        items.insert(items.end(), more.begin(), more.end());
    }
    if (overlay && !pic.rows.empty()) { // nothing over an empty frame
        std::vector<chart::Primitive> over = chart::drawOverlay(data, *overlay);
        items.insert(items.end(), over.begin(), over.end());
    }
    paintPrimitives(painter, items);
    return image;
}

} // namespace kestrel::services
