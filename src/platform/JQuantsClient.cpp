#include "platform/JQuantsClient.h"

#include "core/converter/JQuantsData.h"
#include "core/converter/JQuantsSettings.h"
#include "platform/Keyring.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrlQuery>
#include <algorithm>

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

// Retry-After as seconds or as an HTTP date; -1 when absent or unreadable.
int retryAfterMs(const QByteArray& value) {
    if (value.isEmpty())
        return -1;
    bool ok = false;
    int seconds = value.trimmed().toInt(&ok);
    if (ok)
        return std::clamp(seconds, 0, 600) * 1000;
    QDateTime at = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
    if (!at.isValid())
        return -1;
    return static_cast<int>(std::clamp<qint64>(QDateTime::currentDateTimeUtc().msecsTo(at), 0, 600000));
}

std::string serverMessage(const QByteArray& body) {
    QJsonDocument doc = QJsonDocument::fromJson(body);
    QString text = doc.isObject() ? doc.object().value(QStringLiteral("message")).toString() : QString();
    return text.isEmpty() ? std::string() : "（" + text.left(200).toStdString() + "）";
}

} // namespace

JQuantsClient::JQuantsClient(Options options, QObject* parent) : QObject(parent), m_options(std::move(options)) {
    m_manager.setProxy(QNetworkProxy::NoProxy);
    while (m_options.baseUrl.endsWith(QLatin1Char('/')))
        m_options.baseUrl.chop(1);
    m_options.pace = std::clamp(m_options.pace, 1, converter::jquants::kMaxPace);
}

bool JQuantsClient::wait(int ms) {
    if (ms > 0 && onWait)
        onWait((ms + 999) / 1000);
    qint64 end = nowMs() + ms;
    while (!m_cancelled && nowMs() < end) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(std::min<qint64>(end - nowMs(), 200)), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !m_cancelled;
}

JQuantsClient::Answer JQuantsClient::fetch(const QUrl& url) {
    QNetworkRequest request(url);
    request.setRawHeader("x-api-key", m_options.key.toUtf8());
    request.setRawHeader("Accept", "application/json");
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
    loop.exec();
    Answer a;
    a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    a.body = reply->readAll();
    a.retryAfterMs = retryAfterMs(reply->rawHeader("Retry-After"));
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

Result<std::vector<std::string>>
JQuantsClient::getPages(const std::string& path, const converter::jquants::Query& query, const std::string& context) {
    using R = Result<std::vector<std::string>>;
    std::vector<std::string> pages;
    std::string nextKey;
    do {
        QUrl url(m_options.baseUrl + QString::fromStdString(path));
        QUrlQuery q;
        for (const auto& [name, value] : query)
            q.addQueryItem(QString::fromStdString(name), QString::fromStdString(value));
        if (!nextKey.empty())
            q.addQueryItem(QStringLiteral("pagination_key"), QString::fromStdString(nextKey));
        url.setQuery(q);
        int backoff = m_options.backoffMs;
        for (int attempt = 0;; ++attempt) {
            const int interval = 60000 / m_options.pace;
            if (m_lastStartMs >= 0 && !wait(static_cast<int>(m_lastStartMs + interval - nowMs())))
                return R::error(context + ": 中止しました");
            if (m_cancelled)
                return R::error(context + ": 中止しました");
            Answer a = fetch(url);
            if (a.status == 200 && a.error.isEmpty()) {
                std::string body = a.body.toStdString();
                auto key = converter::jquants::paginationKey(body, context);
                if (!key)
                    return key.status();
                pages.push_back(std::move(body));
                nextKey = *key;
                break;
            }
            if (!a.error.isEmpty() && !a.transient)
                return R::error(context + ": J-Quants に接続できません: " + a.error.toStdString());
            const bool retry = a.status == 429 || a.status >= 500 || a.transient;
            if (!retry) {
                std::string why = serverMessage(a.body);
                if (a.status == 401)
                    return R::error(context +
                                    ": J-Quants が API キーを受け付けません（401）。キーが正しいか確かめてください" +
                                    why);
                if (a.status == 403 || a.status == 400)
                    return R::error(context + ": J-Quants が取得を断りました（" + std::to_string(a.status) +
                                    "）。ご契約のプランではこの日付のデータを取得できません" + why);
                return R::error(context + ": J-Quants がエラー " + std::to_string(a.status) + " を返しました" + why);
            }
            if (attempt >= m_options.retries) {
                if (a.status == 429)
                    return R::error(context +
                                    ": J-Quants の利用回数の上限に達したままです（429）。時間をおいて再開してください");
                if (!a.error.isEmpty())
                    return R::error(context + ": J-Quants との接続が切れました: " + a.error.toStdString());
                return R::error(context + ": J-Quants のサーバーが応答しません（" + std::to_string(a.status) + "）");
            }
            int delay = a.status == 429 && a.retryAfterMs >= 0 ? a.retryAfterMs : backoff;
            backoff = std::min(backoff * 2, 300000);
            // The pace counts from this request's start; the retry waits at least the backoff.
            if (!wait(delay))
                return R::error(context + ": 中止しました");
            m_lastStartMs = -1;
        }
    } while (!nextKey.empty());
    return pages;
}

QString jquantsKey(QString* error) {
    QByteArray env = qgetenv(converter::jquants::kKeyVariable);
    QString why;
    QString key = !env.isNull() ? QString::fromUtf8(env) : readSecret(QString::fromLatin1(kJQuantsKeyName), &why);
    key = QString::fromStdString(converter::jquants::trimKey(key.toStdString()));
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
    o.pace = s.pace;
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
    if (o.key.isEmpty())
        return std::nullopt;
    return o;
}

} // namespace kestrel::platform
