// The main window's moves through time and issues: the date scroll bar, the chart date box, the
// daily/weekly switch, the slide show and the Space keys.
#include "core/chart/Navigation.h"
#include "ui/chart/frmMain.h"
#include "ui/db/ModeCaption.h"

namespace kestrel::ui {

using namespace kestrel::chart;

void frmMain::hScrollChange() {
    if (LblMei->text().isEmpty()) {
        HScroll->setValue(HScroll->maximum());
        m_lastScrollValue = HScroll->maximum();
        return;
    }
    const ChartData& d = m_chart->data();
    if (auto adjusted = weekendStepValue(m_lastScrollValue, HScroll->value(), HScroll->singleStep(), d.scrollStartDate,
                                         d.latestDate))
        HScroll->setValue(*adjusted); // this event runs again for the new position
    setChartDateText(QString::fromStdString(scrollDate(d.scrollStartDate, d.latestDate, HScroll->value()).toYYMMDD()));
    m_lastScrollValue = HScroll->value();
}

void frmMain::setChartDateText(const QString& text) {
    chartDate->setText(text);
}

void frmMain::chartDateChange(const QString& text) {
    // The date box completes "/" by setting its text again inside this signal; only the latest counts.
    if (m_settingDate || text != chartDate->text() || !Date::parse(text.toStdString()))
        return;
    issueListBusy = true;
    FillIssueList(MeiCode->text());
    ShowIssue(true);
    issueListBusy = false;
}

void frmMain::showIssueAt(std::int32_t code, Date date, chart::BarMode mode) {
    const bool weekly = mode == chart::BarMode::Weekly;
    if (mode == chart::BarMode::Monthly) {
        if (m_context.chartMode != 3) {
            m_context.chartMode = 3;
            SetModeCaption(this, m_context.chartMode, true);
            SetChangeButtonCaption(Cmdchange, m_context.chartMode);
            m_chart->DrawChartFrame();
        }
    } else if (m_context.chartMode == 3 || db::isWeeklyMode(m_context.chartMode) != weekly) {
        if (m_context.chartMode == 3)
            m_context.chartMode = weekly ? 1 : 2; // from the monthly chart: the switch below gives the mode asked
        applyChartMode();
        SetModeCaption(this, m_context.chartMode, true);
        SetChangeButtonCaption(Cmdchange, m_context.chartMode);
        m_chart->DrawChartFrame();
    }
    m_settingDate = true;
    setChartDateText(QString::fromStdString(date.toYYMMDD()));
    m_settingDate = false;
    const QString codeText = QString::number(code);
    m_context.syncIssueList = true;
    if (MeiCode->text() == codeText)
        ShowIssue(true);
    else
        MeiCode->setText(codeText); // its change shows the issue
}

void frmMain::applyChartMode() {
    // From the monthly chart the button goes to the weekly one, as its caption says.
    ModeSwitch next =
        m_context.chartMode == 3 ? ModeSwitch{2, "日チャートを表示"} : ToggleChartMode(m_context.chartMode);
    m_context.chartMode = next.chartMode;
    if (!next.menuCaption.empty())
        mnuchartdayandweek->setText(QString::fromStdString(next.menuCaption));
}

void frmMain::cmdchangeClick() {
    applyChartMode();
    SetModeCaption(this, m_context.chartMode, true);
    SetChangeButtonCaption(Cmdchange, m_context.chartMode);
    m_chart->DrawChartFrame();
    ShowIssue(true);
    ListMei->setFocus();
}

void frmMain::mnuchartslideshowClick() {
    m_context.syncIssueList = false;
    ToggleSlideShow();
}

void frmMain::ToggleSlideShow() {
    chartTimer->setInterval(slideIntervalMs(m_context.settings.slidechart));
    if (chartTimer->isActive())
        chartTimer->stop();
    else
        chartTimer->start();
    listMeiDblClick();
    UpdateSlideShowCaption();
}

void frmMain::UpdateSlideShowCaption() {
    mnuchartslideshow->setText(QString::fromStdString(slideShowCaption(chartTimer->isActive())));
}

void frmMain::chartTimerTick() {
    const int row = ListMei->currentRow();
    if (row == ListMei->count() - 1 || ListMei->count() == 0) {
        chartTimer->stop();
        UpdateSlideShowCaption();
        return;
    }
    ListMei->setCurrentRow(row + 1);
    listMeiDblClick();
    UpdateSlideShowCaption();
}

void frmMain::nextIssue(int step) {
    ListMei->setFocus();
    const int row = ListMei->currentRow();
    const int next = row + step;
    if (row < 0 && step < 0)
        return;
    if (next < 0 || next >= ListMei->count())
        return;
    ListMei->setCurrentRow(next);
    listMeiDblClick();
}

} // namespace kestrel::ui
