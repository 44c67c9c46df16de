#include "ui/app/WindowFit.h"

#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrel::ui {

void fitInScrollArea(QWidget* window, QWidget* page) {
    auto* scroll = new QScrollArea(window);
    scroll->setObjectName(QStringLiteral("scrollArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QSize wanted = page->sizeHint();
    scroll->setWidget(page);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    const bool scrolls = wanted.height() > kWindowRoom.height();
    window->setMaximumSize(kWindowRoom); // rows that grow later (texts filled in) scroll too
    window->resize(std::min(wanted.width() + (scrolls ? bar : 0), kWindowRoom.width()),
                   std::min(wanted.height(), kWindowRoom.height()));
}

} // namespace kestrel::ui
