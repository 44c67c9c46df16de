#pragma once
// HttpTransfer: one HTTP GET at a time, the program's transfer control. The body is collected in one
// growing buffer and handed over whole when the transfer ends. A transfer with no data arriving for
// the time limit is ended as timed out, so a dead server never holds a screen forever. OpenURL waits
// in a local event loop: windows stay live (and may cancel) while it waits.
// No proxy is used and nothing is cached, so every call reaches the server.
#include "core/net/Fetch.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

namespace kestrel::platform {

class HttpTransfer : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 30000;

    explicit HttpTransfer(QObject* parent = nullptr);
    ~HttpTransfer() override;

    // The time limit of new transfers, process-wide (the command line's --timeout, tests).
    static void setDefaultTimeoutMs(int ms);
    static int defaultTimeoutMs();
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

    // Starts fetching url; finished() follows exactly once, never from inside this call. A transfer
    // still running is cancelled first.
    void start(const QString& url);
    // Fetches url and returns when the transfer has ended (the events of the program run meanwhile).
    net::FetchResult OpenURL(const QString& url);
    // Ends the running transfer, if any, with the outcome Cancelled.
    void cancel();
    bool isBusy() const;
    // The result of the last transfer that ended.
    const net::FetchResult& result() const { return m_result; }

Q_SIGNALS:
    void finished();

private:
    void onReadyRead();
    void onFinished();
    void onIdle();
    void finishWith(net::FetchResult result);

    QNetworkAccessManager* m_manager;
    QPointer<QNetworkReply> m_reply;
    QTimer m_idle;
    QByteArray m_buffer;
    net::FetchResult m_result;
    int m_timeoutMs;
    bool m_cancelled = false;
    bool m_timedOut = false;
    bool m_pendingFinish = false;
};

} // namespace kestrel::platform
