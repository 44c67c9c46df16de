#include "ui/chart/ChartPanel.h"

#include "core/boards/BoardPrices.h"
#include "core/boards/BoardStore.h"
#include "core/chart/ChartLayout.h"
#include "core/chart/MainChart.h"
#include "core/chart/SeriesLoad.h"
#include "core/chart/TechnicalIni.h"
#include "core/chart/UserLines.h"
#include "core/db/BarTable.h"
#include "core/db/Lookups.h"
#include "core/settings/IniFile.h"
#include "core/trade/LedgerMarks.h"
#include "services/db/OpenDatabase.h"
#include "services/render/ChartPainter.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Widgets.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QToolTip>
#include <algorithm>

namespace kestrel::ui {

using namespace kestrel::chart;

namespace {

// The chart of any span: from just under the window's header line (y 74-94), room for the date scroll
// bar below.
constexpr int kSeriesTop = kClearTop - 4;
constexpr int kBelowChart = 34;

QLabel* label(QWidget* parent, const char* name, int x, int y, int w = 70) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, 18);
    return l;
}

QLabel* caption(QWidget* parent, const char* text, int x, int y) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setGeometry(x, y, 64, 18);
    return l;
}

} // namespace

ChartPanel::ChartPanel(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("ChartPanel"));
    seriesView = new SeriesChartView(this);
    seriesView->setGeometry(QRect(QPoint(kClearLeft, kSeriesTop), QPoint(kClearRight, kClearBottom)));
    // The pane menu, a pane's height and the span change the layout (the comparison is not the chart's).
    auto remember = [this] {
        if (!seriesView->chart())
            return;
        std::vector<std::int32_t> compare = std::move(m_layout.compare);
        m_layout = seriesView->currentLayout();
        m_layout.compare = std::move(compare);
        syncSwitches();
    };
    connect(seriesView, &SeriesChartView::layoutChanged, this, remember);
    connect(seriesView, &SeriesChartView::viewChanged, this, remember);
    // The lines as the chart reports them, stored; the chart gets them back from the database.
    // A click on the chart selects the price list's row of that bar (in 月足 the rows are the months); a
    // bar older than the list's first row selects nothing.
    connect(seriesView, &SeriesChartView::barClicked, this, [this](int bar) {
        const SeriesChart* c = seriesView->chart();
        if (!c || bar < 0 || bar >= c->series().size())
            return;
        const Date day = c->series().bars[static_cast<size_t>(bar)].date;
        int row = -1;
        for (int i = 0; i < std::min<int>({m_data.barCount, kMaxBars, KabukaList->count()}); ++i)
            if (m_data.bars[static_cast<size_t>(i)].date <= day)
                row = i;
        if (row >= 0)
            KabukaList->setCurrentRow(row);
    });
    connect(seriesView, &SeriesChartView::lineDrawn, this, [this](const chart::ChartLine& drawn) {
        changeLines([&](db::Database& db) {
            auto id = addLine(db, m_code, linesMode(), drawn, m_context.splitAdjust);
            if (id)
                m_overlay.selectedLine = *id;
            return id.status();
        });
    });
    connect(seriesView, &SeriesChartView::horizontalLineRequested, this, [this](Date date, Currency price) {
        chart::ChartLine line;
        line.kind = chart::LineKind::Horizontal;
        line.date1 = line.date2 = date;
        line.price1 = line.price2 = price;
        changeLines([&](db::Database& db) {
            auto id = addLine(db, m_code, linesMode(), line, m_context.splitAdjust);
            if (id)
                m_overlay.selectedLine = *id;
            return id.status();
        });
    });
    connect(seriesView, &SeriesChartView::lineMoved, this, [this](const chart::ChartLine& moved) {
        m_overlay.selectedLine = moved.id;
        changeLines([&](db::Database& db) { return moveLine(db, m_code, moved, m_context.splitAdjust); });
    });
    connect(seriesView, &SeriesChartView::lineDeleted, this, [this](std::int64_t id) {
        m_overlay.selectedLine = 0;
        changeLines([&](db::Database& db) { return removeLine(db, m_code, id); });
    });
    connect(seriesView, &SeriesChartView::alertRequested, this,
            [this](std::int64_t, Currency price, int board) { setAlertAt(price, board); });

    const int right = kClearRight + 8;
    KabukaList = new QListWidget(this);
    KabukaList->setObjectName(QStringLiteral("KabukaList"));
    // A row's six columns (76 characters) show whole at 5.5 pixels a character, and the window still
    // fits a 1280-pixel screen; a number wider than its column scrolls sideways.
    KabukaList->setFont(services::gridFont(5.5));
    const int rowWidth = QFontMetrics(KabukaList->font()).horizontalAdvance(QString(76, QLatin1Char('0')));
    const int scrollBar = KabukaList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, KabukaList);
    KabukaList->setGeometry(right, kClearTop, rowWidth + scrollBar + 2 * KabukaList->frameWidth() + 2, 200);
    KabukaList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(KabukaList, &QListWidget::currentRowChanged, this, &ChartPanel::kabukaListClick);
    // Column captions above the rows, each ending where its column's figures end (a row: the date, five
    // columns of 11 characters and the volume in 12).
    const struct {
        const char* text;
        int endsAt; // characters from the row's start
    } captions[] = {{"日付", 8},  {"始値", 20},   {"高値", 31},  {"安値", 42},
                    {"終値", 53}, {"前日比", 64}, {"出来高", 76}};
    const QFontMetrics rowMetrics(KabukaList->font());
    const int rowLeft = right + KabukaList->frameWidth() + 3;
    int from = rowLeft;
    for (const auto& c : captions) {
        const int to = rowLeft + rowMetrics.horizontalAdvance(QString(c.endsAt, QLatin1Char('0')));
        auto* header = new QLabel(QString::fromUtf8(c.text), this);
        header->setObjectName(QStringLiteral("KabukaListHeader"));
        header->setFont(KabukaList->font());
        header->setAlignment(c.endsAt == 8 ? Qt::AlignLeft | Qt::AlignBottom : Qt::AlignRight | Qt::AlignBottom);
        header->setGeometry(from, kClearTop - 16, to - from, 15);
        from = to;
    }

    int y = kClearTop + 208;
    caption(this, "最高値", right, y);
    Lblsaitakane = label(this, "Lblsaitakane", right + 64, y);
    caption(this, "最安値", right + 150, y);
    Lblsaiyasune = label(this, "Lblsaiyasune", right + 214, y);
    caption(this, "終値", right + 300, y);
    Lblowarine = label(this, "Lblowarine", right + 364, y);
    y += 22;
    caption(this, "日付", right, y);
    LblDate = label(this, "LblDate", right + 64, y);
    LblBunkatu = label(this, "LblBunkatu", right + 150, y, 240);
    y += 22;
    const char* names[3][3] = {{"短期", "Lbltanidoheikn", "Lbltankairi"},
                               {"中期", "Lbltyuidoheikn", "Lbltyukairi"},
                               {"長期", "Lbltyoidoheikn", "Lbltyokairi"}};
    QLabel** averages[3] = {&Lbltanidoheikn, &Lbltyuidoheikn, &Lbltyoidoheikn};
    QLabel** deviations[3] = {&Lbltankairi, &Lbltyukairi, &Lbltyokairi};
    for (int k = 0; k < 3; ++k, y += 22) {
        caption(this, names[k][0], right, y);
        *averages[k] = label(this, names[k][1], right + 64, y);
        caption(this, "乖離率%", right + 150, y);
        *deviations[k] = label(this, names[k][2], right + 214, y);
    }
    caption(this, "ｻｲｺﾛ", right, y);
    LblSRL = label(this, "LblSRL", right + 64, y, 40);
    caption(this, "RSI", right + 110, y);
    LblRSI = label(this, "LblRSI", right + 174, y, 40);
    caption(this, "VR", right + 220, y);
    LblVR = label(this, "LblVR", right + 284, y, 40);

    y += 30;
    CmdSRLRSI = new QPushButton(QStringLiteral("ALL"), this);
    CmdSRLRSI->setObjectName(QStringLiteral("CmdSRLRSI"));
    CmdSRLRSI->setGeometry(right, y, 100, 24);
    connect(CmdSRLRSI, &QPushButton::clicked, this, &ChartPanel::cmdSRLRSIClick);
    Cmdidoheikin = new QPushButton(QStringLiteral("移動平均有"), this);
    Cmdidoheikin->setObjectName(QStringLiteral("Cmdidoheikin"));
    Cmdidoheikin->setGeometry(right + 108, y, 100, 24);
    connect(Cmdidoheikin, &QPushButton::clicked, this, &ChartPanel::cmdidoheikinClick);
    Chkdekidaka = new QCheckBox(QStringLiteral("出来高"), this);
    Chkdekidaka->setObjectName(QStringLiteral("Chkdekidaka"));
    Chkdekidaka->setGeometry(right + 216, y, 80, 24);
    Chkdekidaka->setChecked(true);
    connect(Chkdekidaka, &QCheckBox::clicked, this, [this](bool on) {
        SeriesLayout l = m_layout;
        setVolumePane(l, on);
        setPanes(l.panes);
        DrawChart(false);
    });
    Chknijikyokusenn = new QCheckBox(QStringLiteral("二次曲線"), this);
    Chknijikyokusenn->setObjectName(QStringLiteral("Chknijikyokusenn"));
    Chknijikyokusenn->setGeometry(right + 300, y, 90, 24);
    connect(Chknijikyokusenn, &QCheckBox::clicked, this, [this] {
        DrawChart(false);
        Q_EMIT focusIssueList();
    });
    // The window and its frame (a title bar and 4-pixel borders) fit a 1280-pixel screen.
    setMinimumSize(right + KabukaList->width() + 4, kClearBottom + 8);
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->x() > kClearRight) {
            m_rightColumn.emplace_back(w, w->pos());
            m_rightExtent = std::max(m_rightExtent, w->geometry().right() - kClearRight);
        }
    refreshDisplay();
}

QRect ChartPanel::chartArea() const {
    return seriesView->geometry();
}

void ChartPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChart();
}

void ChartPanel::layoutChart() {
    // The chart takes what the list and labels leave; it never gets smaller than the old chart.
    const int chartRight = std::max(kClearRight, width() - m_rightExtent - 8);
    const int chartBottom = std::max(kClearBottom, height() - kBelowChart);
    seriesView->setGeometry(QRect(QPoint(kClearLeft, kSeriesTop), QPoint(chartRight, chartBottom)));
    for (const auto& [w, at] : m_rightColumn)
        w->move(at.x() + chartRight - kClearRight, at.y());
}

SceneOptions ChartPanel::seriesOptions() const {
    ChartDisplay display = m_display;
    display.volume = Chkdekidaka->isChecked();
    display.curve = Chknijikyokusenn->isChecked();
    SceneOptions o = windowChartOptions(display, m_context.settings, m_context.chartMode, m_technicalView);
    // The overlays, panes, their heights and the scale are the layout's.
    chart::applyLayout(m_layout, o);
    o.marks = m_marks;
    return o;
}

void ChartPanel::applyViewLayout() {
    if (!seriesView->chart())
        return;
    if (m_layout.span)
        seriesView->showSpan(*m_layout.span);
    else if (const SeriesView v = seriesView->view(); m_layout.bars != v.count())
        seriesView->setView({v.last - m_layout.bars + 1, v.last});
}

void ChartPanel::loadSeriesChart(std::int32_t code, Date chartDate) {
    WidgetPrompt prompt(this);
    auto db = services::openDatabaseOrTell(m_context.paths.databasePath, prompt, db::OpenMode::ReadOnly);
    if (!db)
        return;
    SeriesRequest request;
    request.mode = barModeFor(m_context.chartMode);
    request.to = chartDate;
    request.splitAdjust = m_context.splitAdjust;
    auto series = chart::loadSeries(**db, code, request);
    if (!series) {
        prompt.notify(series.message());
        series = BarSeries{};
    }
    // The compared issues in the chart's mode, adjusted as the main issue; one without bars is not drawn.
    std::vector<ComparedIssue> compared;
    m_missingCompared.clear();
    if (!m_layout.compare.empty()) {
        if (auto c = loadCompared(**db, m_layout.compare, request)) {
            compared = std::move(c->issues);
            m_missingCompared = std::move(c->missing);
        } else {
            prompt.notify(c.message());
        }
    }
    // Another chart mode: the lower panel's own panes follow it (信用取引 in weekly and monthly mode);
    // panes changed by hand stay.
    if (m_restored && m_loadedMode != 0 && m_loadedMode != m_context.chartMode) {
        const bool volume = Chkdekidaka->isChecked();
        if (m_layout.panes == lowerPanelPanes(m_display.lowerPanelMode, volume, m_loadedMode, allIto()))
            setPanes(lowerPanelPanes(m_display.lowerPanelMode, volume, m_context.chartMode, allIto()));
    }
    m_loadedMode = m_context.chartMode;
    const SeriesLayout kept = m_layout; // setChart shows the default span first
    m_code = code;
    m_chartDate = chartDate;
    m_marks.clear(); // of the bars of the chart shown before
    seriesView->setChart(std::move(*series), seriesOptions(), chartDate, std::move(compared));
    seriesView->setLinesEditable(m_context.chartMode != 3,
                                 QStringLiteral("月足では線を引けません。日足か週足で引いてください。"));
    m_layout = kept;
    applyViewLayout();
    // 月足: the price list lists the chart's months (the last 110), not the days loaded for it.
    if (barModeFor(m_context.chartMode) == BarMode::Monthly && seriesView->chart())
        listSeriesBars(m_data, seriesView->chart()->series(), IndicatorSettings::from(m_context.settings));
    loadOverlay(code);
}

void ChartPanel::restoreLayout() {
    refreshDisplay();
    m_defaultLayout = derivedWindowLayout(m_display.lowerPanelMode, Chkdekidaka->isChecked(), m_context.chartMode,
                                          allIto(), m_technicalView);
    SeriesLayout layout;
    if (Status st = loadSeriesLayout(m_context.paths.iniPath, kSeriesLayoutSection, layout, m_defaultLayout); !st)
        WidgetPrompt(this).notify(st.message());
    // A layout written before it kept 価格帯別出来高 among its overlays: the technical set's switch.
    if (m_technicalView.overlays.volumeProfile &&
        std::find(layout.overlays.begin(), layout.overlays.end(), kVolumeProfileOverlay) == layout.overlays.end())
        layout.overlays.emplace_back(kVolumeProfileOverlay);
    m_restored = true;
    applyLayout(layout);
}

void ChartPanel::saveLayout() const {
    if (Status st = saveSeriesLayout(m_context.paths.iniPath, kSeriesLayoutSection, m_layout); !st)
        WidgetPrompt(const_cast<ChartPanel*>(this)).notify(st.message());
}

void ChartPanel::applyLayout(const SeriesLayout& layout) {
    const bool compareChanged = layout.compare != m_layout.compare;
    m_layout = layout;
    syncSwitches();
    Q_EMIT switchesChanged();
    if (!seriesView->chart())
        return;
    if (compareChanged && m_code != 0) {
        loadSeriesChart(m_code, m_chartDate);
        return;
    }
    seriesView->setOptions(seriesOptions());
    m_layout = layout;
    applyViewLayout();
}

void ChartPanel::setCompared(const std::vector<std::int32_t>& codes) {
    m_missingCompared.clear();
    SeriesLayout l = m_layout;
    l.compare = codes;
    applyLayout(l);
    if (m_missingCompared.empty())
        return;
    WidgetPrompt(this).notify(missingComparedMessage(m_missingCompared));
    std::erase_if(m_layout.compare, [this](std::int32_t c) {
        return std::find(m_missingCompared.begin(), m_missingCompared.end(), c) != m_missingCompared.end();
    });
    m_missingCompared.clear();
}

void ChartPanel::setPanes(std::vector<PaneKind> panes) {
    if (panes != m_layout.panes)
        m_layout.paneWeights.clear(); // the default split for another set of panes
    m_layout.panes = std::move(panes);
    syncSwitches();
}

void ChartPanel::syncSwitches() {
    if (!m_restored)
        return;
    Chkdekidaka->setChecked(std::find(m_layout.panes.begin(), m_layout.panes.end(), PaneKind::Volume) !=
                            m_layout.panes.end());
    const TechnicalOverlays flags = overlaySwitches(m_layout.overlays, m_technicalView.bbBands).flags;
    if (flags == m_technicalView.overlays)
        return;
    m_technicalView.overlays = flags;
    if (Status st = writeProfileString(m_context.paths.iniPath, kTechnicalSection, "Overlays", overlaysText(flags));
        !st)
        WidgetPrompt(this).notify(st.message());
}

void ChartPanel::setOverlaySwitch(bool TechnicalOverlays::*flag, bool on) {
    TechnicalOverlays flags = overlaySwitches(m_layout.overlays, m_technicalView.bbBands).flags;
    flags.*flag = on;
    m_layout.overlays = switchOverlays(m_layout.overlays, flags, m_technicalView.bbBands);
    syncSwitches();
    DrawChart(false);
}

void ChartPanel::setLogScale(bool on) {
    SeriesLayout l = m_layout;
    l.logScale = on;
    applyLayout(l);
}

void ChartPanel::setLowerPanelMode(int mode) {
    m_display.lowerPanelMode = mode;
    setPanes(lowerPanelPanes(mode, Chkdekidaka->isChecked(), m_context.chartMode, allIto()));
}

void ChartPanel::setAveragesShown(bool shown) {
    for (int k = kMa1; k <= kMa3; ++k)
        m_display.chartColors[k] = shown ? kShownColors[k] : Rgb{};
}

void ChartPanel::refreshDisplay() {
    m_display.volume = Chkdekidaka->isChecked();
    m_display.curve = Chknijikyokusenn->isChecked();
    m_display.ScreenMode = m_context.settings.ScreenMode;
    m_display.chartMode = m_context.chartMode;
    m_display.ALLITORSO = m_context.settings.ALLITORSO;
}

void ChartPanel::DrawChartFrame() {
    refreshDisplay();
}

void ChartPanel::setTechnicalView(const TechnicalView& view) {
    const bool bandsChanged = view.bbBands != m_technicalView.bbBands;
    m_technicalView = view;
    if (!bandsChanged || !m_restored || !m_technicalView.overlays.bollinger)
        return;
    // Other bands: the Bollinger lines of the layout drawn anew with them.
    TechnicalOverlays flags = m_technicalView.overlays;
    flags.bollinger = false;
    m_layout.overlays = switchOverlays(m_layout.overlays, flags, view.bbBands);
    m_layout.overlays = switchOverlays(m_layout.overlays, m_technicalView.overlays, view.bbBands);
}

void ChartPanel::DrawChart(bool rebuildList) {
    refreshDisplay();
    std::vector<std::string> rows;
    for (int i = 0; i < m_data.barCount && i < kMaxBars; ++i)
        rows.push_back(kabukaListRow(m_data.bars[static_cast<size_t>(i)]));
    if (seriesView->chart()) {
        const SceneOptions want = seriesOptions();
        const SceneOptions& have = seriesView->chart()->options();
        if (want.panes != have.panes || want.averages != have.averages || want.overlays != have.overlays ||
            want.psychPeriod != have.psychPeriod || want.flowPeriod != have.flowPeriod ||
            want.itoPeriod != have.itoPeriod || want.itoSpan != have.itoSpan || want.screenMode != have.screenMode ||
            want.curve != have.curve || want.volumeProfile != have.volumeProfile) {
            const SeriesLayout kept = m_layout;
            seriesView->setOptions(want);
            m_layout = kept;
            m_layout.paneWeights = seriesView->currentLayout().paneWeights;
        }
    }
    if (rebuildList) {
        KabukaList->clear();
        for (const std::string& row : rows)
            KabukaList->addItem(q(row));
        if (KabukaList->count() > 0)
            KabukaList->setCurrentRow(KabukaList->count() - 1);
    }
    if (rows.empty()) {
        // No bars: nothing of the previous issue stays under this issue's name.
        for (QLabel* l : {Lblsaitakane, Lblsaiyasune, Lblowarine, LblDate, LblBunkatu, Lbltanidoheikn, Lbltyuidoheikn,
                          Lbltyoidoheikn, Lbltankairi, Lbltyukairi, Lbltyokairi, LblSRL, LblRSI, LblVR})
            l->clear();
        return;
    }
    Lblsaitakane->setText(q(m_data.maxHigh.toString()));
    Lblsaiyasune->setText(q(m_data.minLow.toString()));
    // The rows stand in the order of the bars: the close is read from the bar, not from the row's text.
    const int current = KabukaList->currentRow();
    if (current >= 0 && current < m_data.barCount)
        Lblowarine->setText(q(m_data.bars[static_cast<size_t>(current)].close.toString()));
}

void ChartPanel::setResultsMarks(std::vector<chart::BarMark> marks, std::vector<QString> tips) {
    m_marks = marks;
    seriesView->setResultsMarks(std::move(marks), std::move(tips));
}

void ChartPanel::kabukaListClick(int row) {
    if (row < 0 || row >= m_data.barCount || row >= kMaxBars)
        return;
    DetailLabels l = detailLabels(m_data.bars[static_cast<size_t>(row)]);
    // The values from the whole stored series (a bar at the list's top has its averages too), where the
    // chart holds the row's own bar (in 月足 every row is a month of the chart).
    int bar = -1;
    if (const SeriesChart* c = seriesView->chart()) {
        bar = barOnOrBefore(c->series(), m_data.bars[static_cast<size_t>(row)].date);
        if (bar >= 0 && c->series().bars[static_cast<size_t>(bar)].date == m_data.bars[static_cast<size_t>(row)].date)
            l = detailLabelsAt(c->series(), bar, IndicatorSettings::from(m_context.settings));
    }
    Lbltankairi->setText(q(l.Lbltankairi));
    Lbltyukairi->setText(q(l.Lbltyukairi));
    Lbltyokairi->setText(q(l.Lbltyokairi));
    Lbltanidoheikn->setText(q(l.Lbltanidoheikn));
    Lbltyuidoheikn->setText(q(l.Lbltyuidoheikn));
    Lbltyoidoheikn->setText(q(l.Lbltyoidoheikn));
    Lblowarine->setText(q(l.Lblowarine));
    LblDate->setText(q(l.LblDate));
    LblSRL->setText(q(l.LblSRL));
    LblRSI->setText(q(l.LblRSI));
    LblVR->setText(q(l.LblVR));
    LblBunkatu->setText(q(splitNote(m_data.splitFlags[static_cast<size_t>(row)])));
    // The chart's crosshair on the row's bar (the last row is the chart's right edge: no crosshair).
    if (const SeriesChart* c = seriesView->chart())
        seriesView->setCrosshairBar(row + 1 == KabukaList->count() ? -1
                                                                   : barOnOrBefore(c->series(), m_data.bars[row].date));
}

void ChartPanel::cmdSRLRSIClick() {
    LowerPanelStep step = nextLowerPanelMode(m_display.lowerPanelMode, m_context.chartMode);
    setLowerPanelMode(step.mode);
    CmdSRLRSI->setText(q(step.caption));
    DrawChart(false);
    Q_EMIT focusIssueList();
}

void ChartPanel::cmdidoheikinClick() {
    Cmdidoheikin->setText(q(toggleAverages(m_display.chartColors)));
    DrawChart(false);
    Q_EMIT focusIssueList();
}

int ChartPanel::linesMode() const {
    return db::isWeeklyMode(m_context.chartMode) ? 2 : 1;
}

void ChartPanel::loadOverlay(std::int32_t code) {
    m_code = code;
    const std::int64_t selected = m_overlay.selectedLine;
    m_overlay = {};
    WidgetPrompt prompt(this);
    auto db = services::openDatabaseOrTell(m_context.paths.databasePath, prompt, db::OpenMode::ReadOnly);
    if (!db)
        return;
    if (auto lines = listLines(**db, code, linesMode(), m_context.splitAdjust))
        m_overlay.lines = std::move(*lines);
    else
        prompt.notify(lines.message());
    if (m_context.settings.BaibaiChart != 0)
        if (Status st = trade::ledgerMarks(**db, code, m_context.splitAdjust, m_overlay); !st)
            prompt.notify(st.message());
    for (const chart::ChartLine& l : m_overlay.lines)
        if (l.id == selected)
            m_overlay.selectedLine = selected;
    if (seriesView->chart())
        seriesView->setOverlay(m_overlay);
}

template <typename F> void ChartPanel::changeLines(F&& change) {
    WidgetPrompt prompt(this);
    if (auto db = services::openDatabaseOrTell(m_context.paths.databasePath, prompt)) {
        Status st = change(**db);
        if (!st)
            prompt.notify(st.message());
    }
    loadOverlay(m_code);
}

void ChartPanel::setAlertAt(Currency price, int board) {
    const SeriesChart* c = seriesView->chart();
    if (!c || m_code == 0 || seriesView->totalBars() <= 0)
        return;
    // The close at the chart date, against which the alert's direction is set.
    const Currency close = c->series().bars[static_cast<size_t>(seriesView->totalBars() - 1)].closeCarried;
    bool set = false;
    WidgetPrompt prompt(this);
    if (auto db = services::openDatabaseOrTell(m_context.paths.databasePath, prompt)) {
        Status st = boards::setBoardAlertAt(**db, board, m_code, price, close);
        if (st.code() == StatusCode::NotFound) {
            // Not on the board: offer to put it there with the alert.
            if (!prompt.askYesNo(st.message() + "追加して警報を設定しますか？"))
                return;
            auto added = boards::addIssueFromLatestBar(**db, board, m_code, db::GetIssueName(**db, m_code));
            st = added ? boards::setBoardAlertAt(**db, board, m_code, price, close) : added.status();
        }
        set = st.isOk();
        if (!st)
            prompt.notify(st.message());
    }
    if (set)
        prompt.notify(boards::alertSetMessage(price, close));
}

} // namespace kestrel::ui
