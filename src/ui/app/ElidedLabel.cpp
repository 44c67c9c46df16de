#include "ui/app/ElidedLabel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace kestrel::ui {

namespace {

constexpr int kPreferredWidth = 160; // about a dozen Japanese characters

class CutRowTips : public QObject {
public:
    explicit CutRowTips(QAbstractItemView* view) : QObject(view), m_view(view) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip)
            return QObject::eventFilter(watched, event);
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = m_view->indexAt(help->pos());
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect cell = m_view->visualRect(index);
        const int room = std::min(cell.right(), m_view->viewport()->width()) - std::max(cell.left(), 0);
        if (index.isValid() && m_view->fontMetrics().horizontalAdvance(text) + 8 > room)
            QToolTip::showText(help->globalPos(), text, m_view->viewport());
        else
            QToolTip::hideText();
        return true;
    }

private:
    QAbstractItemView* m_view;
};

} // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize ElidedLabel::sizeHint() const {
    return {kPreferredWidth, QLabel::minimumSizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 2, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString line = text().simplified(); // one line: a line break would cut the text out of sight
    painter.drawText(room, static_cast<int>(alignment() | Qt::AlignVCenter),
                     fontMetrics().elidedText(line, Qt::ElideRight, room.width()));
}

bool ElidedLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString line = text().simplified();
        if (fontMetrics().horizontalAdvance(line) > contentsRect().width())
            QToolTip::showText(help->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

void tipCutRows(QAbstractItemView* view) {
    view->viewport()->installEventFilter(new CutRowTips(view));
}

} // namespace kestrel::ui
