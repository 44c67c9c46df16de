#include "platform/JQuantsClient.h"

#include "core/converter/JQuantsData.h"
#include "core/converter/JQuantsErrors.h"
#include "core/converter/JQuantsSettings.h"
#include "platform/Keyring.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <algorithm>
#include <set>

namespace kestrel::platform {

namespace {

qint64 nowMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// The query of a request, every value percent-encoded (a pagination key is opaque: "+", "=" and "&" in it
// must reach the server unchanged).
QByteArray encodedQuery(const converter::jquants::Query& query, const std::string& nextKey) {
    QByteArray q;
    auto add = [&q](const std::string& name, const std::string& value) {
        if (!q.isEmpty())
            q += '&';
        q += QUrl::toPercentEncoding(QString::fromStdString(name)) + '=' +
             QUrl::toPercentEncoding(QString::fromStdString(value));
    };
    for (const auto& [name, value] : query)
        add(name, value);
    if (!nextKey.empty())
        add("pagination_key", nextKey);
    return q;
}

} // namespace

JQuantsClient::JQuantsClient(Options options, QObject* parent) : QObject(parent), m_options(std::move(options)) {
    m_manager.setProxy(QNetworkProxy::NoProxy);
    while (m_options.baseUrl.endsWith(QLatin1Char('/')))
        m_options.baseUrl.chop(1);
    m_options.pace = std::clamp(m_options.pace, 1, converter::jquants::kMaxPace);
}

bool JQuantsClient::wait(int ms, bool limited) {
    if (ms > 0 && onWait)
        onWait((ms + 999) / 1000, limited);
    qint64 end = nowMs() + ms;
    while (!m_cancelled && nowMs() < end) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(std::min<qint64>(end - nowMs(), 200)), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !m_cancelled;
}

JQuantsClient::Answer JQuantsClient::fetch(const QUrl& url, bool withKey) {
    QNetworkRequest request(url);
    if (withKey) {
        request.setRawHeader("x-api-key", m_options.key.toUtf8());
        request.setRawHeader("Accept", "application/json");
    }
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(m_options.timeoutMs);
    // A private certificate authority (a test server, a company proxy) may be named in the environment.
    if (QByteArray ca = qgetenv("KESTREL_JQUANTS_CAFILE"); !ca.isEmpty() && url.scheme() == QStringLiteral("https")) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(QSslCertificate::fromPath(QString::fromLocal8Bit(ca)));
        request.setSslConfiguration(tls);
    }
    m_lastStartMs = nowMs();
    ++m_requests;
    QNetworkReply* reply = m_manager.get(request);
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // A cancel from another thread ends the transfer too.
    QTimer watch;
    watch.setInterval(200);
    connect(&watch, &QTimer::timeout, reply, [this, reply] {
        if (m_cancelled)
            reply->abort();
    });
    watch.start();
    loop.exec();
    Answer a;
    a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    a.body = reply->readAll();
    if (a.status == 0 || (reply->error() != QNetworkReply::NoError && a.status < 400)) {
        a.error = reply->errorString();
        switch (reply->error()) {
        case QNetworkReply::RemoteHostClosedError:
        case QNetworkReply::TimeoutError:
        case QNetworkReply::OperationCanceledError: // the transfer timeout
        case QNetworkReply::TemporaryNetworkFailureError:
        case QNetworkReply::UnknownNetworkError:
            a.transient = true;
            break;
        default: // a refused connection, an unknown host, a certificate not trusted: asking again won't help
            break;
        }
    }
    reply->deleteLater();
    return a;
}

Result<std::vector<std::string>> JQuantsClient::fail(converter::jquants::FailureKind kind, const std::string& message) {
    m_failure = {kind, std::nullopt, message};
    return Result<std::vector<std::string>>::error(message);
}

Result<std::vector<std::string>>
JQuantsClient::getPages(const std::string& path, const converter::jquants::Query& query, const std::string& context) {
    using converter::jquants::FailureKind;
    using R = Result<std::vector<std::string>>;
    m_failure = {};
    std::vector<std::string> pages;
    std::set<std::string> seenKeys;
    std::string nextKey;
    do {
        QByteArray address =
            (m_options.baseUrl + QString::fromStdString(path)).toUtf8() + '?' + encodedQuery(query, nextKey);
        QUrl url = QUrl::fromEncoded(address, QUrl::StrictMode);
        int backoff = m_options.backoffMs;
        int rateWait = m_options.rateWaitMs;
        for (int attempt = 0, limited = 0;; ++attempt) {
            const int interval = 60000 / m_options.pace;
            if (m_lastStartMs >= 0 && !wait(static_cast<int>(m_lastStartMs + interval - nowMs())))
                return fail(FailureKind::Other, context + ": 中止しました");
            if (m_cancelled)
                return fail(FailureKind::Other, context + ": 中止しました");
            Answer a = fetch(url);
            if (a.status == 200 && a.error.isEmpty()) {
                std::string body = a.body.toStdString();
                if (path == "/bulk/get") {
                    pages.push_back(std::move(body));
                    break;
                }
                auto key = converter::jquants::paginationKey(body, context);
                if (!key)
                    return fail(FailureKind::Transport, key.message());
                pages.push_back(std::move(body));
                nextKey = *key;
                if (!nextKey.empty() && !seenKeys.insert(nextKey).second)
                    return fail(FailureKind::Other, context + ": J-Quants が同じ pagination_key を繰り返しました。" +
                                                        "この日の取得を打ち切ります");
                break;
            }
            if (!a.error.isEmpty() && !a.transient)
                return fail(FailureKind::Transport, context + ": J-Quants に接続できません: " + a.error.toStdString());
            if (a.status == 429) {
                // The service never says how long; it blocks a client that asks again too soon.
                if (limited++ >= m_options.rateRetries)
                    return fail(FailureKind::RateLimited,
                                context + ": J-Quants の利用回数の上限に達したままです（429）。ここで止めます。" +
                                    "時間をおいて再開してください");
                if (!wait(rateWait, true))
                    return fail(FailureKind::Other, context + ": 中止しました");
                rateWait = std::min(rateWait * 2, m_options.rateWaitMs * 2);
                m_lastStartMs = -1;
                continue;
            }
            const bool retry = a.status >= 500 || a.transient;
            if (!retry) {
                m_failure = converter::jquants::describeFailure(a.status, a.body.toStdString(), context, path);
                return R::error(m_failure.message);
            }
            if (attempt >= m_options.retries) {
                if (!a.error.isEmpty())
                    return fail(FailureKind::Transport,
                                context + ": J-Quants との接続が切れました: " + a.error.toStdString());
                m_failure = converter::jquants::describeFailure(a.status, a.body.toStdString(), context, path);
                return R::error(m_failure.message);
            }
            int delay = backoff;
            backoff = std::min(backoff * 2, 300000);
            // The pace counts from this request's start; the retry waits at least the backoff.
            if (!wait(delay))
                return fail(FailureKind::Other, context + ": 中止しました");
            m_lastStartMs = -1;
        }
    } while (!nextKey.empty());
    return pages;
}

Result<std::string> JQuantsClient::download(const std::string& url, const std::string& context) {
    using R = Result<std::string>;
    QUrl address = QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::StrictMode);
    if (!address.isValid() ||
        !(address.scheme() == QStringLiteral("https") || address.scheme() == QStringLiteral("http")))
        return R::error(context + ": ダウンロード先が使えません");
    int backoff = m_options.backoffMs;
    for (int attempt = 0;; ++attempt) {
        if (m_cancelled)
            return R::error(context + ": 中止しました");
        Answer a = fetch(address, false);
        if (a.status == 200 && a.error.isEmpty())
            return a.body.toStdString();
        const bool retry = a.status >= 500 || a.transient;
        if (!retry || attempt >= 2) {
            if (!a.error.isEmpty())
                return R::error(context + ": ダウンロードできません: " + a.error.toStdString());
            return R::error(context + ": ダウンロード先が断りました（" + std::to_string(a.status) +
                            (a.status == 403 ? "、署名つきアドレスの期限切れかもしれません）" : "）"));
        }
        if (!wait(backoff))
            return R::error(context + ": 中止しました");
        backoff *= 2;
    }
}

QString jquantsKey(QString* error) {
    QByteArray env = qgetenv(converter::jquants::kKeyVariable);
    QString why;
    QString key = !env.isNull() ? QString::fromUtf8(env) : readSecret(QString::fromLatin1(kJQuantsKeyName), &why);
    key = QString::fromStdString(converter::jquants::trimKey(key.toStdString()));
    if (std::string problem = converter::jquants::keyProblem(key.toStdString()); !problem.empty()) {
        if (error)
            *error = QString::fromStdString(problem);
        return {};
    }
    if (key.isEmpty() && error)
        *error = QStringLiteral("J-Quants の API キーが登録されていません。オプション設定で登録するか、環境変数 "
                                "JQUANTS_API_KEY で渡してください") +
                 (why.isEmpty() ? QString() : QStringLiteral("（") + why + QStringLiteral("）"));
    return key;
}

std::optional<JQuantsClient::Options> jquantsOptions(const std::string& kestrelIniPath, QString* error,
                                                     const QString& address, const QString& key) {
    converter::jquants::JQuantsSettings s = converter::jquants::loadJQuantsSettings(kestrelIniPath);
    JQuantsClient::Options o;
    o.baseUrl = address.isEmpty() ? QString::fromStdString(s.baseUrl) : address;
    o.pace = s.pace();
    o.rateWaitMs = s.retryWait * 1000;
    QUrl url(o.baseUrl);
    const QString host = url.host();
    const bool local =
        host == QStringLiteral("127.0.0.1") || host == QStringLiteral("localhost") || host == QStringLiteral("::1");
    if (!url.isValid() || host.isEmpty() ||
        !(url.scheme() == QStringLiteral("https") || (url.scheme() == QStringLiteral("http") && local))) {
        *error =
            QStringLiteral("J-Quants のアドレス JQuantsURL が使えません（https:// で始めてください）: ") + o.baseUrl;
        return std::nullopt;
    }
    o.key = key.isEmpty() ? jquantsKey(error) : key;
    if (std::string problem = converter::jquants::keyProblem(o.key.toStdString()); !problem.empty()) {
        *error = QString::fromStdString(problem);
        return std::nullopt;
    }
    if (o.key.isEmpty())
        return std::nullopt;
    return o;
}

} // namespace kestrel::platform
