#pragma once
// JQuantsClient: the J-Quants API over Qt Network. Every request carries the key in "x-api-key"; the
// pages of an answer are followed through pagination_key. The client keeps its own pace (requests per
// minute, counted from the start of one request to the next). A 429 (which never says how long) is
// retried after rateWaitMs, then twice that, at most rateRetries times, with no request inside a wait;
// a 5xx or broken connection after a growing backoff. A refusal is told by its message (see
// JQuantsErrors.h) and kept as lastFailure(). A page whose pagination_key was already seen ends the
// request, so a server that repeats itself is not asked forever. /bulk/get answers one object, not a
// page: its body is the one page. Waits run a local event loop, so
// windows stay live; cancel() (also from another thread) ends a wait and the transfer in flight, and
// resume() lets a client cancelled once ask again, keeping its pace.
#include "core/converter/JQuantsRun.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>

namespace kestrel::platform {

class JQuantsClient : public QObject, public converter::jquants::JQuantsApi {
    Q_OBJECT
public:
    struct Options {
        QString baseUrl;        // "https://api.jquants.com/v2"; http:// is accepted for local servers
        QString key;            // already trimmed, not empty
        int pace = 5;           // requests per minute
        int backoffMs = 4000;   // first wait after a 5xx or a broken connection; doubles each time
        int rateWaitMs = 60000; // first wait after a 429; the later ones twice as long
        int rateRetries = 3;    // further attempts after a 429
        int retries = 6;        // further attempts of one page before the run gives up
        int timeoutMs = 60000;  // no data for this long ends a transfer
    };
    explicit JQuantsClient(Options options, QObject* parent = nullptr);

    Result<std::vector<std::string>> getPages(const std::string& path, const converter::jquants::Query& query,
                                              const std::string& context) override;
    // A signed address (another host): no key is sent; a cut or failed transfer is tried twice more.
    Result<std::string> download(const std::string& url, const std::string& context) override;
    bool cancelled() const override { return m_cancelled; }
    void cancel() { m_cancelled = true; }
    void resume() { m_cancelled = false; }
    // Told the wait, in seconds, before the next request whenever one begins; limited after a 429.
    std::function<void(int seconds, bool limited)> onWait;
    converter::jquants::Failure lastFailure() const override { return m_failure; }
    int requestCount() const { return m_requests; }

private:
    struct Answer {
        int status = 0;
        QByteArray body;
        int retryAfterMs = -1;
        QString error;          // transport failure
        bool transient = false; // a failure worth another attempt (a cut or stalled connection)
    };
    Answer fetch(const QUrl& url, bool withKey = true);
    // Waits ms in the event loop; false when cancelled meanwhile.
    bool wait(int ms, bool limited = false);
    Result<std::vector<std::string>> fail(converter::jquants::FailureKind kind, const std::string& message);

    Options m_options;
    QNetworkAccessManager m_manager;
    qint64 m_lastStartMs = -1;
    std::atomic<bool> m_cancelled = false;
    int m_requests = 0;
    converter::jquants::Failure m_failure;
};

// The key to use: JQUANTS_API_KEY when set, else the keyring's; trimmed. An empty result comes with
// the reason in *error (also for a key that may not be sent: see keyProblem).
QString jquantsKey(QString* error);
// The client options of the program folder's Kestrel.ini and the key; nothing, with the reason in
// *error, when there is no key or the address is unusable. Plain http is accepted only for a server
// on this machine, so the key never crosses a network unencrypted.
// A non-empty address replaces JQuantsURL; a non-empty key (one typed in the options) the stored one.
std::optional<JQuantsClient::Options> jquantsOptions(const std::string& kestrelIniPath, QString* error,
                                                     const QString& address = {}, const QString& key = {});

} // namespace kestrel::platform
