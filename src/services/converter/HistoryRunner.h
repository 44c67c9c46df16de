#pragma once
// HistoryRunner: the J-Quants history of a window program, off the window's thread. One worker thread
// owns the one client, so the program never has two requests out at once and keeps the plan's pace
// across everything it asks: an issue's history asked for when its chart is shown (fetchIssue), and the
// market's history in the background (HistoryBackfill, one day per step). An issue asked for while the
// background job runs is served before its next day; the job can be paused (after the step in hand) and
// cancelled (the request in flight ends; every day imported stays, and the next start resumes).
// Signals arrive on the thread that made the runner.
#include "core/startup/AppContext.h"

#include <QObject>
#include <QString>
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
    // The background job ended: finished, cancelled or failed, as said in message.
    void backfillEnded(const QString& message);

private:
    void work();
    // Runs with the lock released; true to keep going.
    bool serveIssue(int code);
    void stepBackfill();

    const AppContext& m_context;
    QThread* m_thread = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    std::deque<int> m_issues;
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
