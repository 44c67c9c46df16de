#include "ui/db/ModeCaption.h"

#include "core/chart/ChartScene.h"
#include "core/chart/Navigation.h"

#include <QPalette>

namespace kestrel::ui {

void SetModeCaption(QWidget* window, std::int16_t chartMode, bool backColour) {
    QString mark = QString::fromStdString(chart::modeCaptionMark(chartMode));
    QString caption = window->windowTitle();
    if (caption.endsWith(QLatin1Char(')')))
        caption = caption.left(caption.size() - 3);
    window->setWindowTitle(caption + mark);
    if (backColour) {
        chart::Rgb back = chart::windowBackColor(chartMode);
        QPalette p = window->palette();
        p.setColor(QPalette::Window, QColor(back.r, back.g, back.b));
        window->setPalette(p);
        window->setAutoFillBackground(true);
    }
}

} // namespace kestrel::ui
