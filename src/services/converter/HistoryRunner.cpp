#include "services/converter/HistoryRunner.h"

#include "core/app/Files.h"
#include "core/converter/JQuantsFins.h"
#include "core/converter/JQuantsHistory.h"
#include "core/converter/JQuantsSettings.h"
#include "core/db/Schema.h"
#include "platform/JQuantsClient.h"

#include <QDateTime>
#include <QThread>
#include <chrono>

namespace kestrel::services {

using namespace kestrel::converter::jquants;

struct HistoryRunner::Worker {
    std::optional<platform::JQuantsClient::Options> options; // set by hasKey(), under the lock
    int generation = 0;                                      // bumped when the options change
    int clientGeneration = -1;                               // worker thread only from here on
    int pace = 5;
    std::unique_ptr<platform::JQuantsClient> client;
    std::unique_ptr<HistoryBackfill> job;
};

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

HistoryRunner::HistoryRunner(const AppContext& context, QObject* parent)
    : QObject(parent), m_context(context), m_worker(std::make_unique<Worker>()) {
    m_thread = QThread::create([this] { work(); });
    m_thread->setObjectName(QStringLiteral("HistoryRunner"));
    m_thread->start();
}

HistoryRunner::~HistoryRunner() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        if (m_client)
            m_client->cancel();
    }
    m_wake.notify_all();
    m_thread->wait();
    delete m_thread;
}

bool HistoryRunner::hasKey(QString* why) {
    std::unique_lock lock(m_mutex);
    if (!m_keyKnown) {
        lock.unlock();
        QString problem;
        auto options = platform::jquantsOptions(m_context.paths.iniPath, &problem);
        lock.lock();
        m_keyKnown = options.has_value();
        m_keyProblem = problem;
        // The client is made anew only when something it uses changed: a new one knows no pace yet.
        const auto& old = m_worker->options;
        if (options.has_value() != old.has_value() ||
            (options && (options->baseUrl != old->baseUrl || options->key != old->key || options->pace != old->pace ||
                         options->rateWaitMs != old->rateWaitMs))) {
            m_worker->options = options;
            ++m_worker->generation;
        }
    }
    if (why)
        *why = m_keyProblem;
    return *m_keyKnown;
}

void HistoryRunner::forgetOptions() {
    std::lock_guard lock(m_mutex);
    m_keyKnown.reset();
}

bool HistoryRunner::fetchIssue(int code) {
    if (!hasKey())
        return false;
    {
        std::lock_guard lock(m_mutex);
        for (int queued : m_issues)
            if (queued == code)
                return true;
        m_issues.push_back(code);
    }
    m_wake.notify_all();
    return true;
}

bool HistoryRunner::fetchIssueFins(int code) {
    if (!hasKey())
        return false;
    {
        std::lock_guard lock(m_mutex);
        if (m_finsRefused)
            return false;
        for (int queued : m_fins)
            if (queued == code)
                return true;
        m_fins.push_back(code);
    }
    m_wake.notify_all();
    return true;
}

bool HistoryRunner::startBackfill(QString* why) {
    if (!hasKey(why))
        return false;
    {
        std::lock_guard lock(m_mutex);
        m_jobWanted = true;
        m_paused = false;
        m_cancelJob = false;
    }
    m_wake.notify_all();
    return true;
}

void HistoryRunner::pauseBackfill() {
    std::lock_guard lock(m_mutex);
    if (m_jobWanted)
        m_paused = true;
}

void HistoryRunner::cancelBackfill() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_jobWanted)
            return;
        m_cancelJob = true;
        m_paused = false;
        if (m_client)
            m_client->cancel();
    }
    m_wake.notify_all();
}

bool HistoryRunner::backfillRunning() const {
    std::lock_guard lock(m_mutex);
    return m_jobWanted && !m_paused;
}

bool HistoryRunner::backfillPaused() const {
    std::lock_guard lock(m_mutex);
    return m_jobWanted && m_paused;
}

void HistoryRunner::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] {
            return m_quit || !m_issues.empty() || !m_fins.empty() || m_cancelJob || (m_jobWanted && !m_paused);
        });
        if (m_quit)
            break;
        // The client of the options now set, made on this thread; a new one only when they changed.
        if (m_worker->options && m_worker->clientGeneration != m_worker->generation) {
            auto client = std::make_unique<platform::JQuantsClient>(*m_worker->options);
            m_client = client.get();
            m_worker->job.reset();
            m_worker->client = std::move(client);
            m_worker->clientGeneration = m_worker->generation;
            m_worker->pace = m_worker->options->pace;
        }
        if (!m_worker->client) {
            m_issues.clear();
            m_fins.clear();
            m_jobWanted = false;
            continue;
        }
        if (m_cancelJob) {
            m_cancelJob = false;
            m_jobWanted = false;
            m_paused = false;
            m_worker->job.reset();
            m_worker->client->resume();
            lock.unlock();
            Q_EMIT backfillEnded(QStringLiteral("履歴の取得を中止しました。取り込み済みの日はそのまま残っています。"));
            lock.lock();
            continue;
        }
        if (!m_issues.empty()) {
            const int code = m_issues.front();
            m_issues.pop_front();
            lock.unlock();
            serveIssue(code);
            lock.lock();
            continue;
        }
        if (!m_fins.empty()) {
            const auto ready = finsReadyAt();
            if (ready <= std::chrono::steady_clock::now()) {
                const int code = m_fins.front();
                m_fins.pop_front();
                lock.unlock();
                serveFins(code);
                lock.lock();
                continue;
            }
            if (!m_jobWanted || m_paused) {
                // Nothing else to do: wait for the limit, or for anything more urgent.
                m_wake.wait_until(lock, ready, [this] { return m_quit || !m_issues.empty() || m_cancelJob; });
                continue;
            }
        }
        if (!m_jobWanted || m_paused)
            continue;
        lock.unlock();
        stepBackfill();
        lock.lock();
    }
    m_worker->job.reset();
    m_client = nullptr;
    m_worker->client.reset();
}

bool HistoryRunner::serveIssue(int code) {
    Q_EMIT issueStarted(code);
    platform::JQuantsClient& client = *m_worker->client;
    IssueHistoryOutcome out;
    if (m_worker->job) {
        // Through the job: served before its next day, under the same folder lock.
        m_worker->job->requestIssue(code);
        const StepResult r = m_worker->job->step();
        if (r == StepResult::Issue || r == StepResult::Cancelled)
            out = m_worker->job->lastIssue();
        else if (r == StepResult::Paused)
            out.status = Status::error(StatusCode::Busy, "ほかのプログラムがフォルダを使用中です。"
                                                         "終わってから、もう一度この銘柄を開いてください。");
        else
            out.status = m_worker->job->lastStatus();
        out.cancelled = out.cancelled || r == StepResult::Cancelled;
    } else {
        out = fetchIssueHistory(client, {code, std::nullopt, std::nullopt, m_context.paths.databasePath,
                                         loadJQuantsSettings(m_context.paths.iniPath).plan});
    }
    if (out.cancelled) {
        std::lock_guard lock(m_mutex);
        if (!m_quit && !m_cancelJob)
            client.resume(); // a cancel meant for the job; the issue is not asked again
        Q_EMIT issueFinished(code, 0, QStringLiteral("履歴の取得を中止しました。"), true);
        return false;
    }
    const bool failed = !out.status;
    Q_EMIT issueFinished(code, out.stored, q(failed ? out.status.message() : out.message), failed);
    return true;
}

std::chrono::steady_clock::time_point HistoryRunner::finsReadyAt() const {
    const auto now = std::chrono::steady_clock::now();
    if (static_cast<int>(m_finsSent.size()) < kFinsPace)
        return now;
    return m_finsSent[m_finsSent.size() - static_cast<size_t>(kFinsPace)] + std::chrono::minutes(1);
}

void HistoryRunner::serveFins(int code) {
    platform::JQuantsClient& client = *m_worker->client;
    QString message;
    bool failed = false;
    int rows = 0;
    auto db = db::openKestrelDatabase(m_context.paths.databasePath);
    if (!db) {
        message = q(db.message());
        failed = true;
    } else {
        FinsFetchHooks hooks;
        hooks.warn = [&](const std::string& line) {
            if (message.isEmpty())
                message = q(line);
        };
        const int before = client.requestCount();
        const std::string now =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
        const FinsFetchOutcome out = fetchFins({Date(), Date(), code}, client, **db, now, hooks);
        {
            std::lock_guard lock(m_mutex);
            const auto sent = std::chrono::steady_clock::now();
            for (int k = before; k < client.requestCount(); ++k)
                m_finsSent.push_back(sent);
            while (m_finsSent.size() > static_cast<size_t>(kFinsPace))
                m_finsSent.pop_front();
            if (out.planRefused) {
                m_finsRefused = true;
                m_fins.clear();
            }
            if (out.cancelled && !m_quit && !m_cancelJob)
                client.resume(); // a cancel meant for the job
        }
        rows = out.rows;
        if (out.cancelled) {
            message = QStringLiteral("決算情報の取得を中止しました。");
            failed = true;
        } else if (!out.status) {
            message = q(out.status.message());
            failed = true;
        } else {
            failed = out.planRefused;
        }
    }
    Q_EMIT finsFinished(code, rows, message, failed);
}

void HistoryRunner::stepBackfill() {
    if (!m_worker->job) {
        BackfillRequest req;
        req.plan = loadJQuantsSettings(m_context.paths.iniPath).plan;
        req.today = Date::today();
        req.databasePath = m_context.paths.databasePath;
        req.workFolder = joinPath(m_context.paths.dataFolder, "Backfill");
        req.statePath = joinPath(m_context.paths.dataFolder, "Backfill.state");
        req.programFolder = m_context.paths.programFolder;
        auto job = std::make_unique<HistoryBackfill>(req, *m_worker->client, m_worker->pace);
        if (Status st = job->start(); !st) {
            {
                std::lock_guard lock(m_mutex);
                m_jobWanted = false;
            }
            Q_EMIT backfillEnded(q(st.message()));
            return;
        }
        m_worker->job = std::move(job);
    }
    HistoryBackfill& job = *m_worker->job;
    Q_EMIT progress(q(job.progress().text()));
    StepResult r = job.step();
    // After the last day the job ends at once: the window never reads "取得済み" while the job still
    // counts as running.
    if (r == StepResult::Day && job.progress().finished())
        r = job.step();
    QString ended;
    switch (r) {
    case StepResult::Day:
    case StepResult::Issue:
        Q_EMIT progress(q(job.progress().text()));
        return;
    case StepResult::Paused: {
        // Another program holds the folder (a compaction, a backup): try again a little later.
        Q_EMIT progress(q(job.progress().text()) + QStringLiteral("（ほかのプログラムがフォルダを使用中）"));
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::seconds(5), [this] { return m_quit || m_cancelJob || !m_issues.empty(); });
        return;
    }
    case StepResult::Cancelled:
        return; // work() ends the job when the cancel was meant for it
    case StepResult::Finished:
        ended = q(job.progress().text());
        break;
    case StepResult::Failed:
        ended = q(job.lastStatus().message()) + QStringLiteral("\n取り込み済みの日はそのまま残っています。");
        break;
    }
    {
        std::lock_guard lock(m_mutex);
        m_jobWanted = false;
        m_paused = false;
    }
    m_worker->job.reset();
    Q_EMIT progress(ended.section(QLatin1Char('\n'), 0, 0));
    Q_EMIT backfillEnded(ended);
}

} // namespace kestrel::services
