#include "ui/db/ModeCaption.h"

#include <QPalette>

namespace kestrel::ui {

void applyModeCaption(QWidget* window, std::int16_t chartMode, bool backColour) {
    bool weekly = chartMode == 2;
    QString mark = weekly ? QStringLiteral("(週)") : QStringLiteral("(日)");
    QString caption = window->windowTitle();
    if (caption.endsWith(QLatin1Char(')')))
        caption = caption.left(caption.size() - 3);
    window->setWindowTitle(caption + mark);
    if (backColour) {
        QPalette p = window->palette();
        p.setColor(QPalette::Window, weekly ? QColor(128, 128, 128) : QColor(192, 192, 192));
        window->setPalette(p);
        window->setAutoFillBackground(true);
    }
}

} // namespace kestrel::ui
