// SeriesChartView: input routed to the core span, read-out and pane functions; the scene drawn at the
// surface's size by the series painter, the crosshair and data window over it.
#include "ui/chart/SeriesChartView.h"

#include "services/render/ChartPainter.h"
#include "services/render/SeriesPainter.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace kestrel::ui {

using chart::PaneKind;
using chart::SeriesView;

namespace {

constexpr double kZoomStep = 1.25;
constexpr int kSplitterSlack = 3;
constexpr int kClickSlack = 2; // a press and release this close is a click, not a scroll

// The pane menu's names, in PaneKind order.
constexpr const char* kPaneLabels[] = {"出来高", "信用残",     "サイコロ", "RSI", "VR",
                                       "MACD",   "ストキャス", "RCI",      "DMI", "伊藤ﾚｼｵ"};
static_assert(std::size(kPaneLabels) == static_cast<std::size_t>(PaneKind::Ito) + 1);

} // namespace

// The drawing surface: paints what the view holds and hands every input event to it.
class SeriesCanvas : public QWidget {
public:
    explicit SeriesCanvas(SeriesChartView& owner) : QWidget(&owner), m_owner(owner) {
        setObjectName(QStringLiteral("SeriesCanvas"));
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setMinimumSize(200, 160);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override { m_owner.paintCanvas(*this); }
    void resizeEvent(QResizeEvent*) override { m_owner.m_dirty = true; }
    void keyPressEvent(QKeyEvent* e) override { m_owner.keyOnCanvas(e); }
    void leaveEvent(QEvent*) override {
        if (!m_owner.m_scrolling && m_owner.m_dragPane < 0 && m_owner.m_crosshair >= 0) {
            m_owner.m_crosshair = -1;
            m_owner.m_dirty = true;
            update();
        }
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !m_owner.m_chart)
            return;
        setFocus();
        const QPoint p = e->position().toPoint();
        m_owner.m_pressLayout = m_owner.sceneLayout();
        m_owner.m_pressX = p.x();
        m_owner.m_pressView = m_owner.m_view;
        m_owner.m_dragPane = chart::paneEdgeAt(m_owner.m_pressLayout, p.y(), kSplitterSlack);
        m_owner.m_scrolling =
            m_owner.m_dragPane < 0 && !m_owner.pressOnLines(p, e->modifiers().testFlag(Qt::ShiftModifier));
    }

    void mouseMoveEvent(QMouseEvent* e) override {
        if (!m_owner.m_chart)
            return;
        const QPoint p = e->position().toPoint();
        if (m_owner.m_dragPane >= 0) {
            m_owner.m_chart->setPaneWeights(
                chart::paneWeightsAfterDrag(m_owner.m_pressLayout, m_owner.m_dragPane, p.y()));
            m_owner.m_dirty = true;
            update();
            return;
        }
        if (e->buttons().testFlag(Qt::LeftButton))
            m_owner.dragLines(p);
        if (m_owner.m_scrolling) {
            const chart::SceneLayout& lay = m_owner.m_pressLayout;
            m_owner.setSpanView(chart::scrollPixels(m_owner.m_pressView, m_owner.m_total, p.x() - m_owner.m_pressX,
                                                    lay.plotRight - lay.plotLeft + 1),
                                m_owner.m_span);
        }
        const chart::SceneLayout lay = m_owner.sceneLayout();
        setCursor(chart::paneEdgeAt(lay, p.y(), kSplitterSlack) >= 0 ? Qt::SplitVCursor : Qt::CrossCursor);
        const int bar = chart::barAtX(lay, m_owner.m_view, p.x());
        m_owner.m_mouseY = p.y();
        if (bar != m_owner.m_crosshair)
            m_owner.m_dirty = true; // the legends follow the cursor
        m_owner.m_crosshair = bar;
        update();
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton)
            return;
        const QPoint p = e->position().toPoint();
        const bool click = m_owner.m_scrolling && std::abs(p.x() - m_owner.m_pressX) <= kClickSlack;
        if (m_owner.m_dragPane >= 0)
            Q_EMIT m_owner.layoutChanged();
        else
            m_owner.releaseLines(p);
        m_owner.m_dragPane = -1;
        m_owner.m_scrolling = false;
        if (click) {
            const int bar = chart::barAtX(m_owner.sceneLayout(), m_owner.m_view, p.x());
            if (bar >= 0)
                Q_EMIT m_owner.barClicked(bar);
        }
    }

    void wheelEvent(QWheelEvent* e) override {
        const int steps = e->angleDelta().y() / 120;
        if (steps == 0 || !m_owner.m_chart)
            return;
        if (e->modifiers() & Qt::ControlModifier) {
            const int anchor = chart::barAtX(m_owner.sceneLayout(), m_owner.m_view, e->position().toPoint().x());
            m_owner.zoom(steps > 0 ? kZoomStep : 1 / kZoomStep, anchor);
        } else {
            m_owner.setSpanView(
                chart::scrollBars(m_owner.m_view, m_owner.m_total, -steps * std::max(1, m_owner.m_view.count() / 10)),
                m_owner.m_span);
        }
        e->accept();
    }

    bool event(QEvent* e) override {
        if (e->type() != QEvent::ToolTip)
            return QWidget::event(e);
        auto* help = static_cast<QHelpEvent*>(e);
        const QString tip = m_owner.markTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }

    void contextMenuEvent(QContextMenuEvent* e) override {
        if (!m_owner.m_chart)
            return;
        if (QMenu* menu = m_owner.contextMenuAt(e->pos()))
            menu->popup(e->globalPos());
    }

private:
    SeriesChartView& m_owner;
};

SeriesChartView::SeriesChartView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SeriesChartView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (chart::SpanPreset p : chart::kSpanPresets) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromUtf8(chart::spanLabel(p).data(), static_cast<qsizetype>(chart::spanLabel(p).size())));
        b->setObjectName(QStringLiteral("cmdSpan%1").arg(static_cast<int>(p)));
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, p] { showSpan(p); });
        buttons->addWidget(b);
        m_spanButtons.push_back(b);
    }
    buttons->addStretch(1);
    column->addLayout(buttons);
    m_canvas = new SeriesCanvas(*this);
    column->addWidget(m_canvas, 1);
    setFocusProxy(m_canvas);
}

SeriesChartView::~SeriesChartView() = default;

QWidget* SeriesChartView::canvas() const {
    return m_canvas;
}

QToolButton* SeriesChartView::spanButton(chart::SpanPreset preset) const {
    return m_spanButtons[static_cast<std::size_t>(preset)];
}

void SeriesChartView::setChart(chart::BarSeries series, chart::SceneOptions options, Date chartDate,
                               std::vector<chart::ComparedIssue> compared) {
    m_chartDate = chartDate;
    m_total = chart::barsUpTo(series, chartDate);
    m_chart = std::make_unique<chart::SeriesChart>(std::move(series), std::move(options), std::move(compared));
    m_crosshair = -1;
    m_span.reset();
    m_overlay = {};
    m_drawing.reset();
    m_dragLine = 0;
    m_dragFrom.reset();
    m_markTips.clear();
    setSpanView(chart::clampView({m_total - chart::kDefaultViewBars, m_total - 1}, m_total), std::nullopt);
}

void SeriesChartView::rebuild(chart::SceneOptions options) {
    if (!m_chart)
        return;
    m_chart = std::make_unique<chart::SeriesChart>(m_chart->series(), std::move(options), m_chart->compared());
    m_dirty = true;
    m_canvas->update();
    Q_EMIT layoutChanged();
}

void SeriesChartView::applyLayout(const chart::SeriesLayout& layout) {
    if (!m_chart)
        return;
    chart::SceneOptions o = m_chart->options();
    chart::applyLayout(layout, o);
    rebuild(std::move(o));
    if (layout.span)
        showSpan(*layout.span);
    else
        setSpanView(chart::clampView({m_view.last - layout.bars + 1, m_view.last}, m_total), std::nullopt);
}

chart::SeriesLayout SeriesChartView::currentLayout() const {
    if (!m_chart)
        return {};
    return chart::layoutOf(m_chart->options(), m_span, m_view.count());
}

Status SeriesChartView::restoreLayout(const std::string& iniPath, std::string_view section) {
    chart::SeriesLayout layout;
    Status st = chart::loadSeriesLayout(iniPath, section, layout);
    applyLayout(layout); // the default layout when the section did not read
    return st;
}

Status SeriesChartView::saveLayout(const std::string& iniPath, std::string_view section) const {
    return chart::saveSeriesLayout(iniPath, section, currentLayout());
}

void SeriesChartView::setSpanView(SeriesView view, std::optional<chart::SpanPreset> preset) {
    view = chart::clampView(view, m_total);
    m_span = preset;
    if (view.first == m_view.first && view.last == m_view.last)
        return;
    m_view = view;
    m_dirty = true;
    m_canvas->update();
    Q_EMIT viewChanged();
}

void SeriesChartView::setView(SeriesView view) {
    setSpanView(view, std::nullopt);
}

void SeriesChartView::zoom(double factor, std::optional<int> anchor) {
    setSpanView(chart::zoomView(m_view, m_total, factor, anchor), std::nullopt);
}

void SeriesChartView::showSpan(chart::SpanPreset preset) {
    if (m_chart)
        setSpanView(chart::presetView(m_chart->series(), m_total, m_view.last, preset), preset);
}

chart::SceneLayout SeriesChartView::sceneLayout() const {
    if (!m_chart)
        return {};
    return m_chart->layout(m_view, m_canvas->width(), m_canvas->height());
}

void SeriesChartView::setCrosshairBar(int bar) {
    const int shown = bar < 0 || m_view.empty() ? -1 : std::clamp(bar, m_view.first, m_view.last);
    if (shown == m_crosshair)
        return;
    m_crosshair = shown;
    m_mouseY = -1;
    m_dirty = true; // the legends follow the crosshair
    m_canvas->update();
}

std::vector<std::string> SeriesChartView::readout() const {
    if (!m_chart || m_crosshair < 0)
        return {};
    return chart::readoutRows(chart::readBar(*m_chart, m_view, m_crosshair));
}

void SeriesChartView::keyOnCanvas(QKeyEvent* e) {
    if (!m_chart)
        return;
    const int step = e->modifiers() & Qt::ShiftModifier ? std::max(1, m_view.count() / 10) : 1;
    switch (e->key()) {
    case Qt::Key_Delete:
        deleteSelectedLine();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(kZoomStep); // the right edge stays
        break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        zoom(1 / kZoomStep);
        break;
    case Qt::Key_Left:
        setSpanView(chart::scrollBars(m_view, m_total, -step), m_span);
        break;
    case Qt::Key_Right:
        setSpanView(chart::scrollBars(m_view, m_total, step), m_span);
        break;
    case Qt::Key_Home:
        setSpanView(chart::scrollBars(m_view, m_total, -m_total), m_span);
        break;
    case Qt::Key_End:
        setSpanView(chart::scrollBars(m_view, m_total, m_total), m_span);
        break;
    default:
        e->ignore();
        return;
    }
    e->accept();
}

QMenu* SeriesChartView::paneMenu(int pane) {
    delete m_menu;
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("mnuPane"));
    const chart::SceneOptions& o = m_chart->options();
    QMenu* add = m_menu->addMenu(QStringLiteral("ペインを追加"));
    add->setEnabled(o.panes.size() < static_cast<std::size_t>(chart::kMaxPanes));
    for (int k = 0; k <= static_cast<int>(PaneKind::Ito); ++k) {
        const PaneKind kind = static_cast<PaneKind>(k);
        QAction* a = add->addAction(QString::fromUtf8(kPaneLabels[k]));
        a->setEnabled(std::find(o.panes.begin(), o.panes.end(), kind) == o.panes.end());
        connect(a, &QAction::triggered, this, [this, kind] {
            chart::SceneOptions next = m_chart->options();
            if (chart::addPane(next, kind))
                rebuild(std::move(next));
        });
    }
    if (pane >= 0) {
        auto change = [this, pane](QAction* a, auto fn) {
            connect(a, &QAction::triggered, this, [this, pane, fn] {
                chart::SceneOptions next = m_chart->options();
                if (fn(next, pane))
                    rebuild(std::move(next));
            });
        };
        change(m_menu->addAction(QStringLiteral("このペインを削除")),
               [](chart::SceneOptions& o2, int i) { return chart::removePane(o2, i); });
        QAction* up = m_menu->addAction(QStringLiteral("上へ移動"));
        up->setEnabled(pane > 0);
        change(up, [](chart::SceneOptions& o2, int i) { return chart::movePane(o2, i, -1); });
        QAction* down = m_menu->addAction(QStringLiteral("下へ移動"));
        down->setEnabled(pane + 1 < static_cast<int>(o.panes.size()));
        change(down, [](chart::SceneOptions& o2, int i) { return chart::movePane(o2, i, 1); });
    }
    return m_menu;
}

QMenu* SeriesChartView::contextMenuAt(QPoint pos) {
    if (!m_chart)
        return nullptr;
    const int pane = chart::paneAt(sceneLayout(), pos.y());
    if (pane == -2)
        return nullptr;
    QMenu* menu = paneMenu(pane);
    const chart::OverlayGeometry g = overlayGeometry();
    const auto point = chart::seriesPointAt(g, pos.x(), pos.y());
    if (pane != -1 || !point)
        return menu;
    QAction* first = menu->actions().value(0);
    QAction* horizontal = new QAction(QStringLiteral("水平線を引く"), menu);
    connect(horizontal, &QAction::triggered, this,
            [this, p = *point] { Q_EMIT horizontalLineRequested(p.date, p.price); });
    horizontal->setEnabled(m_linesEditable);
    horizontal->setToolTip(m_linesEditable ? QString() : m_notEditable);
    menu->insertAction(first, horizontal);
    if (const chart::ChartLine* l = lineById(chart::seriesLineAt(g, m_overlay, pos.x(), pos.y()))) {
        m_overlay.selectedLine = l->id;
        m_dirty = true;
        m_canvas->update();
        if (l->kind == chart::LineKind::Horizontal) {
            QMenu* alert = new QMenu(QStringLiteral("警報に設定"), menu);
            const std::int64_t id = l->id;
            const Currency price = l->price1;
            for (int board : {1, 2})
                connect(alert->addAction(board == 1 ? QStringLiteral("株価ボードA") : QStringLiteral("株価ボードB")),
                        &QAction::triggered, this,
                        [this, id, price, board] { Q_EMIT alertRequested(id, price, board); });
            menu->insertMenu(first, alert);
        }
        QAction* remove = new QAction(QStringLiteral("線を削除"), menu);
        connect(remove, &QAction::triggered, this, [this] { deleteSelectedLine(); });
        remove->setEnabled(m_linesEditable);
        remove->setToolTip(m_linesEditable ? QString() : m_notEditable);
        menu->insertAction(first, remove);
    }
    menu->insertSeparator(first);
    return menu;
}

void SeriesChartView::setOverlay(const chart::ChartOverlay& overlay) {
    const std::int64_t selected = m_overlay.selectedLine;
    m_overlay = overlay;
    if (m_overlay.selectedLine == 0 && lineById(selected))
        m_overlay.selectedLine = selected;
    m_dragLine = 0;
    m_dragFrom.reset();
    m_dirty = true;
    m_canvas->update();
}

chart::OverlayGeometry SeriesChartView::overlayGeometry() const {
    if (!m_chart)
        return {};
    return chart::overlayGeometry(*m_chart, m_view, m_canvas->width(), m_canvas->height());
}

chart::ChartLine* SeriesChartView::lineById(std::int64_t id) {
    for (chart::ChartLine& l : m_overlay.lines)
        if (id != 0 && l.id == id)
            return &l;
    return nullptr;
}

void SeriesChartView::setLinesEditable(bool editable, const QString& reason) {
    m_linesEditable = editable;
    m_notEditable = reason;
    m_drawing.reset();
    m_dragLine = 0;
    m_dragFrom.reset();
}

void SeriesChartView::setResultsMarks(std::vector<chart::BarMark> marks, std::vector<QString> tips) {
    if (!m_chart)
        return;
    tips.resize(marks.size());
    m_markTips = std::move(tips);
    m_chart->setMarks(std::move(marks));
    m_dirty = true;
    m_canvas->update();
}

QString SeriesChartView::markTipAt(QPoint pos) const {
    if (!m_chart || m_view.empty())
        return {};
    const int k = chart::markAt(m_chart->options().marks, m_view, sceneLayout(), pos.x(), pos.y());
    return k < 0 || k >= static_cast<int>(m_markTips.size()) ? QString() : m_markTips[static_cast<std::size_t>(k)];
}

void SeriesChartView::deleteSelectedLine() {
    const std::int64_t id = m_overlay.selectedLine;
    if (!lineById(id))
        return;
    if (!m_linesEditable) {
        QToolTip::showText(QCursor::pos(), m_notEditable, m_canvas);
        return;
    }
    std::erase_if(m_overlay.lines, [id](const chart::ChartLine& l) { return l.id == id; });
    m_overlay.selectedLine = 0;
    m_dirty = true;
    m_canvas->update();
    Q_EMIT lineDeleted(id);
}

bool SeriesChartView::pressOnLines(QPoint at, bool shift) {
    m_drawing.reset();
    m_dragLine = 0;
    m_dragFrom.reset();
    const chart::OverlayGeometry g = overlayGeometry();
    const auto point = chart::seriesPointAt(g, at.x(), at.y());
    if (!point)
        return false;
    if (shift) {
        if (!m_linesEditable) {
            QToolTip::showText(m_canvas->mapToGlobal(at), m_notEditable, m_canvas);
            return true; // neither a line nor a scroll
        }
        chart::ChartLine fresh;
        fresh.date1 = fresh.date2 = point->date;
        fresh.price1 = fresh.price2 = point->price;
        m_drawing = fresh;
        return true;
    }
    // An end of the selected line first, then any line under the pointer.
    std::int64_t hit = 0;
    if (const chart::ChartLine* sel = lineById(m_overlay.selectedLine);
        sel && chart::seriesEndAt(g, *sel, at.x(), at.y()))
        hit = sel->id;
    else
        hit = chart::seriesLineAt(g, m_overlay, at.x(), at.y());
    const chart::ChartLine* line = lineById(hit);
    if (m_overlay.selectedLine != hit) {
        m_overlay.selectedLine = hit;
        m_dirty = true;
        m_canvas->update();
    }
    if (!line)
        return false; // the press scrolls the chart
    if (!m_linesEditable)
        return true; // selected only
    if (const int end = chart::seriesEndAt(g, *line, at.x(), at.y())) {
        m_dragLine = hit;
        m_dragEnd = end;
        m_dragFrom = *line;
    }
    return true;
}

void SeriesChartView::dragLines(QPoint at) {
    chart::ChartLine* target = m_dragLine ? lineById(m_dragLine) : m_drawing ? &*m_drawing : nullptr;
    if (!target)
        return;
    // Held inside the price panel, so a drag past its edge keeps the end on the edge.
    const chart::OverlayGeometry g = overlayGeometry();
    const auto point = chart::seriesPointAt(g, std::clamp(at.x(), g.layout.plotLeft, g.layout.plotRight),
                                            std::clamp(at.y(), g.layout.priceTop, g.layout.priceBottom));
    if (!point)
        return;
    const int end = m_dragLine ? m_dragEnd : 2;
    if (target->kind == chart::LineKind::Horizontal || end == 1) {
        target->date1 = point->date;
        target->price1 = point->price;
    }
    if (target->kind == chart::LineKind::Horizontal || end == 2) {
        target->date2 = point->date;
        target->price2 = point->price;
    }
    m_dirty = true;
    m_canvas->update();
}

void SeriesChartView::releaseLines(QPoint at) {
    dragLines(at);
    if (m_dragLine) {
        chart::ChartLine* moved = lineById(m_dragLine);
        const chart::ChartLine from = *m_dragFrom;
        m_dragLine = 0;
        m_dragFrom.reset();
        if (!moved || *moved == from)
            return;
        if (moved->kind == chart::LineKind::Trend && moved->date1 == moved->date2) {
            *moved = from; // both ends on one bar: put back
            m_dirty = true;
            m_canvas->update();
            return;
        }
        Q_EMIT lineMoved(*moved);
        return;
    }
    if (!m_drawing)
        return;
    const chart::ChartLine drawn = *m_drawing;
    m_drawing.reset();
    m_dirty = true;
    m_canvas->update();
    if (drawn.date1 == drawn.date2)
        Q_EMIT horizontalLineRequested(drawn.date1, drawn.price1); // a Shift+click: released on its bar
    else
        Q_EMIT lineDrawn(drawn);
}

void SeriesChartView::paintCanvas(QWidget& canvas) {
    QPainter painter(&canvas);
    if (!m_chart) {
        painter.fillRect(canvas.rect(), Qt::black);
        return;
    }
    const int w = canvas.width(), h = canvas.height();
    if (m_dirty || m_image.width() != w || m_image.height() != h) {
        m_image = services::renderSeriesImage(*m_chart, m_view, w, h, m_crosshair);
        chart::ChartOverlay shown = m_overlay;
        if (m_drawing)
            shown.lines.push_back(*m_drawing);
        QPainter over(&m_image);
        services::paintPrimitives(over, chart::drawSeriesOverlay(overlayGeometry(), shown));
        over.end();
        m_dirty = false;
    }
    painter.drawImage(0, 0, m_image);
    if (m_crosshair < 0 || m_view.empty())
        return;
    const chart::SceneLayout lay = sceneLayout();
    const int bottom = lay.panes.empty() ? lay.priceBottom : lay.panes.back().second;
    const int x = lay.barX(m_crosshair, m_view);
    painter.setPen(QColor(200, 200, 200));
    painter.drawLine(x, lay.priceTop, x, bottom);
    if (m_mouseY >= lay.priceTop && m_mouseY <= bottom)
        painter.drawLine(lay.plotLeft, m_mouseY, lay.plotRight, m_mouseY);

    // The data window, in the price panel's corner away from the cursor.
    const std::vector<std::string> rows = readout();
    const QFontMetrics fm = painter.fontMetrics();
    int textW = 0;
    for (const std::string& r : rows)
        textW = std::max(textW, fm.horizontalAdvance(QString::fromStdString(r)));
    const int boxW = textW + 8, boxH = static_cast<int>(rows.size()) * fm.height() + 6;
    const int boxX = x < (lay.plotLeft + lay.plotRight) / 2 ? lay.plotRight - boxW - 4 : lay.plotLeft + 4;
    const QRect box(boxX, lay.priceTop + 2, boxW, boxH);
    painter.fillRect(box, QColor(0, 0, 0, 200));
    painter.setPen(QColor(255, 255, 255));
    painter.drawRect(box);
    int y = box.top() + 3 + fm.ascent();
    for (const std::string& r : rows) {
        painter.drawText(box.left() + 4, y, QString::fromStdString(r));
        y += fm.height();
    }
}

} // namespace kestrel::ui
