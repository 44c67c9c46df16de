// The main window's J-Quants road: an issue's history fetched when its chart is shown (a note over the
// chart, the chart drawn again when the bars came), the market's history in the background with its
// line in the status bar, the latest prices through the first-start window's fetch, and the connection
// test.
#include "core/app/Files.h"
#include "core/converter/JQuantsHistory.h"
#include "core/converter/JQuantsSettings.h"
#include "core/db/MarketNames.h"
#include "core/db/Schema.h"
#include "ui/app/JQuantsOptions.h"
#include "ui/app/MessageBox.h"
#include "ui/chart/frmFarstMsg.h"
#include "ui/chart/frmMain.h"

#include <QStatusBar>

namespace kestrel::ui {

namespace jq = kestrel::converter::jquants;

namespace {

constexpr int kNoteShownMs = 8000; // the count stays over the chart this long

} // namespace

void frmMain::connectHistory() {
    StatusHistory = new QLabel(this);
    StatusHistory->setObjectName(QStringLiteral("StatusHistory"));
    statusBar()->addPermanentWidget(StatusHistory);
    connect(m_history, &services::HistoryRunner::progress, this, [this](const QString& text) {
        if (!m_history->backfillPaused())
            StatusHistory->setText(text);
    });
    connect(m_history, &services::HistoryRunner::backfillEnded, this, [this](const QString& message) {
        StatusHistory->setText(message.section(QLatin1Char('\n'), 0, 0));
        ShowIssue(true); // the days imported reach the chart shown
    });
    connect(m_history, &services::HistoryRunner::issueFinished, this, &frmMain::issueHistoryFinished);
}

void frmMain::askIssueHistory(std::int32_t code) {
    if (LblHistory->property("code").toInt() != code && LblHistory->isVisible())
        LblHistory->hide(); // the note belonged to the issue shown before
    if (code <= 0 || m_historyAsked.count(code) > 0)
        return;
    long long stored = 0;
    {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly);
        if (!db)
            return;
        auto n = (*db)->queryInt("SELECT count(*) FROM dayData WHERE コード = ?", code);
        if (!n)
            return;
        stored = n->value_or(0);
    }
    const jq::Plan plan = jq::loadJQuantsSettings(m_context.paths.iniPath).plan;
    if (!jq::issueHistoryWanted(stored, plan) || !m_history->hasKey())
        return;
    m_historyAsked.insert(code);
    if (!m_history->fetchIssue(code) || MeiCode->text().toInt() != code)
        return; // an issue of the ledger or a board: fetched behind, no note over another chart
    LblHistory->setProperty("code", code);
    LblHistory->setText(QStringLiteral("履歴を取得中…"));
    LblHistory->show();
    LblHistory->raise();
}

void frmMain::issueHistoryFinished(int code, int stored, const QString& message, bool failed) {
    const bool shown = MeiCode->text().toInt() == code && !LblMei->text().isEmpty();
    if (!shown)
        return; // kept all the same; the chart shows it when the issue is opened
    QString note;
    if (stored > 0)
        note = QStringLiteral("履歴 %1 本を取得しました。").arg(stored);
    else if (failed)
        note = QStringLiteral("履歴を取得できませんでした: ") + message;
    else
        note = message.isEmpty() ? QStringLiteral("新しい履歴はありませんでした。") : message;
    if (stored > 0) {
        const QString dateText = chartDate->text();
        ShowIssue(true);
        if (chartDate->text() != dateText)
            chartDate->setText(dateText);
    }
    LblHistory->setProperty("code", code);
    LblHistory->setText(note);
    LblHistory->setToolTip(message);
    LblHistory->adjustSize();
    LblHistory->show();
    LblHistory->raise();
    QTimer::singleShot(kNoteShownMs, LblHistory, [label = LblHistory, note] {
        if (label->text() == note)
            label->hide();
    });
}

void frmMain::historyStartClick() {
    if (m_history->backfillRunning())
        return;
    if (!m_history->backfillPaused()) {
        // The first time, the time it takes at the plan's pace is said before anything is asked.
        const jq::JQuantsSettings settings = jq::loadJQuantsSettings(m_context.paths.iniPath);
        const std::string statePath = joinPath(m_context.paths.dataFolder, "Backfill.state");
        auto status = jq::backfillStatus(statePath, m_context.paths.databasePath, settings.pace());
        if (status && status->finished()) {
            MessageBox::information(this, QString::fromStdString(status->text()));
            return;
        }
        if (!status) {
            const int days = jq::planWindowBars(settings.plan);
            const int minutes = (days + settings.pace() - 1) / std::max(settings.pace(), 1);
            if (!MessageBox::question(this,
                                      QStringLiteral("J-Quants から全銘柄の履歴（約 %1 日分）をバックグラウンドで取得"
                                                     "します。ご契約のプラン（%2）の速さで約 %3 分かかります。"
                                                     "よろしいですか？")
                                          .arg(days)
                                          .arg(QString::fromLatin1(jq::planName(settings.plan)))
                                          .arg(minutes)))
                return;
        }
    }
    QString why;
    if (!m_history->startBackfill(&why)) {
        MessageBox::information(this, why);
        return;
    }
    StatusHistory->setText(QStringLiteral("履歴: 取得を始めています…"));
}

void frmMain::jquantsLatestClick() {
    frmFarstMsg fetch(this);
    fetch.setWindowTitle(QStringLiteral("J-Quants から取得"));
    fetch.Label1->setText(QStringLiteral("J-Quants から銘柄登録と最新の株価を取り込みます。"));
    fetch.exec();
    m_history->forgetOptions();
    if (auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly))
        if (auto names = db::loadIssueMarkets(**db))
            m_marketNames = std::move(*names);
    if (fetch.firstCode() > 0 && LblMei->text().isEmpty())
        MeiCode->setText(QString::number(fetch.firstCode()));
    else
        ShowIssue(true); // the imported days reach the chart shown
    if (!fetch.resultMessage().isEmpty())
        MessageBox::information(this, fetch.resultMessage());
}

void frmMain::jquantsTestClick() {
    // The options' test, on the stored key: one small request of each kind.
    JQuantsOptionsBox box(m_context.paths.iniPath);
    MessageBox::information(this, QString::fromStdString(box.testConnection()));
}

} // namespace kestrel::ui
