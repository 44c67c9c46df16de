#pragma once
// HistoryRunner: the J-Quants history of a window program, off the window's thread. One worker thread
// owns the one client, so the program never has two requests out at once and keeps the plan's pace
// across everything it asks: an issue's history asked for when its chart is shown (fetchIssue), and the
// market's history in the background (HistoryBackfill, one day per step). An issue asked for while the
// background job runs is served before its next day; the job can be paused (after the step in hand) and
// cancelled (the request in flight ends; every day imported stays, and the next start resumes).
// An issue's company figures (fetchIssueFins) come after every history asked for, between the job's
// days, at most 60 requests a minute (the endpoint's own limit): prices are never held up by them.
// Signals arrive on the thread that made the runner.
#include "core/startup/AppContext.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

class QThread;

namespace kestrel::platform {
class JQuantsClient;
}

namespace kestrel::services {

class HistoryRunner : public QObject {
    Q_OBJECT
public:
    explicit HistoryRunner(const AppContext& context, QObject* parent = nullptr);
    // Cancels what runs and waits for the worker.
    ~HistoryRunner() override;

    // Whether a key and a usable address are set; read once, and again after forgetOptions() (the
    // options or the first-start window may have changed them). why gets the reason when not.
    bool hasKey(QString* why = nullptr);
    void forgetOptions();

    // Queues an issue's history (the missing part of the plan's window); false without a key.
    bool fetchIssue(int code);
    // Queues an issue's company disclosures (every one of the plan's window); false without a key or
    // once the plan was found to lack them.
    bool fetchIssueFins(int code);
    // Starts the background job, or resumes it after a pause; false (why says it) without a key.
    bool startBackfill(QString* why = nullptr);
    void pauseBackfill();
    void cancelBackfill();
    bool backfillRunning() const;
    bool backfillPaused() const;

Q_SIGNALS:
    // The background job's status line ("履歴: 2025-03-14 まで 38%・残り約 64 分").
    void progress(const QString& text);
    void issueStarted(int code);
    // An issue's history was fetched and imported (stored new bars), or not: message says what came.
    void issueFinished(int code, int stored, const QString& message, bool failed);
    // An issue's disclosures were fetched and stored (rows of them), or not: message says why.
    void finsFinished(int code, int rows, const QString& message, bool failed);
    // The background job ended: finished, cancelled or failed, as said in message.
    void backfillEnded(const QString& message);

private:
    void work();
    // Runs with the lock released; true to keep going.
    bool serveIssue(int code);
    void serveFins(int code);
    // When the next disclosure request may go out under the endpoint's limit (now when it may).
    std::chrono::steady_clock::time_point finsReadyAt() const;
    void stepBackfill();

    const AppContext& m_context;
    QThread* m_thread = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    std::deque<int> m_issues;
    std::deque<int> m_fins;
    bool m_finsRefused = false;                                   // the plan lacks the endpoint
    std::deque<std::chrono::steady_clock::time_point> m_finsSent; // the last minute's disclosure requests
    bool m_jobWanted = false;
    bool m_paused = false;
    bool m_cancelJob = false;
    std::optional<bool> m_keyKnown;
    QString m_keyProblem;
    struct Worker;
    std::unique_ptr<Worker> m_worker;            // used on the worker thread only
    platform::JQuantsClient* m_client = nullptr; // guarded by m_mutex; for cancel()
};

} // namespace kestrel::services
