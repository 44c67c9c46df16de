// The main window's company figures: the valuations under the issue's name as of the chart date, the
// results marks under the bars, and the issue's disclosures fetched in the background the first time
// it is shown with a key set.
#include "core/db/BarTable.h"
#include "core/db/Schema.h"
#include "core/fins/FinsHeader.h"
#include "core/fins/ResultsMarks.h"
#include "ui/chart/frmMain.h"

#include <QStatusBar>

namespace kestrel::ui {

namespace {

constexpr int kNoteShownMs = 8000;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

void frmMain::connectFins() {
    // Under the name and the date, over the chart's top edge; as wide as the chart.
    LblFins = new QLabel(centralWidget());
    LblFins->setObjectName(QStringLiteral("LblFins"));
    LblFins->setGeometry(150, 74, chart::kClearRight - 150, 20);
    connect(m_history, &services::HistoryRunner::finsFinished, this, &frmMain::issueFinsFinished);
}

void frmMain::showFins(std::int32_t code) {
    LblFins->clear();
    LblFins->setToolTip(QString());
    m_chart->setResultsMarks({}, {});
    auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly);
    if (!db || code <= 0)
        return;
    const Date day = Date::parseEntry(chartDate->text().toStdString()).value_or(Date::today());
    if (auto figures = fins::figuresOfIssue(**db, code, day)) {
        const fins::FinsHeader header = fins::finsHeaderOf(*figures);
        LblFins->setText(q(header.line));
        LblFins->setToolTip(q(header.tooltip));
    } else {
        statusBar()->showMessage(q(figures.message()), kNoteShownMs);
    }
    const chart::SeriesChart* shownChart = m_chart->seriesView->chart();
    const int total = m_chart->seriesView->totalBars();
    if (!shownChart || total <= 0)
        return;
    const chart::BarSeries& series = shownChart->series();
    std::vector<Date> dates;
    dates.reserve(static_cast<size_t>(total));
    for (int i = 0; i < total; ++i)
        dates.push_back(series.bars[static_cast<size_t>(i)].date);
    // A weekly bar is dated its Friday and holds the days after the previous one; a monthly bar holds
    // its month.
    Date firstDay = dates.front();
    if (series.mode == chart::BarMode::Weekly)
        firstDay = dates.front().addDays(-6);
    else if (series.mode == chart::BarMode::Monthly)
        firstDay = *Date::fromYmd(dates.front().year(), dates.front().month(), 1);
    auto marks = fins::resultsMarksOfIssue(**db, code, dates, firstDay);
    if (!marks)
        return;
    std::vector<chart::BarMark> shown;
    std::vector<QString> tips;
    for (const fins::ResultsMark& m : *marks) {
        shown.push_back({m.bar, m.label});
        tips.push_back(q(m.tooltip));
    }
    m_chart->setResultsMarks(std::move(shown), std::move(tips));
}

void frmMain::askIssueFins(std::int32_t code) {
    if (code <= 0 || m_finsAsked.count(code) > 0)
        return;
    {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly);
        if (!db)
            return;
        // A file without the table yet counts as never fetched.
        auto n = (*db)->queryInt("SELECT count(*) FROM Kessan WHERE コード = ?", code);
        if (n && n->value_or(0) > 0)
            return;
    }
    if (!m_history->hasKey())
        return;
    m_finsAsked.insert(code);
    m_history->fetchIssueFins(code);
}

void frmMain::issueFinsFinished(int code, int rows, const QString& message, bool failed) {
    if (failed) {
        statusBar()->showMessage(QStringLiteral("決算情報を取得できませんでした: ") + message, kNoteShownMs);
        return;
    }
    if (MeiCode->text().toInt() != code || LblMei->text().isEmpty() || rows == 0)
        return; // kept all the same; shown when the issue is opened
    showFins(code);
    m_chart->DrawChart(false);
    statusBar()->showMessage(QStringLiteral("決算情報 %1 件を取得しました。").arg(rows), kNoteShownMs);
}

} // namespace kestrel::ui
