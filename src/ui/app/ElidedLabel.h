#pragma once
// A one-line label whose text never widens its window: it takes the room its layout gives, cuts a
// longer text with "…" and shows the whole text as its tool tip.
#include <QLabel>

namespace kestrel::ui {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};

} // namespace kestrel::ui

class QAbstractItemView;

namespace kestrel::ui {

// Rows of view wider than the view show whole as a tool tip over them.
void tipCutRows(QAbstractItemView* view);

} // namespace kestrel::ui
