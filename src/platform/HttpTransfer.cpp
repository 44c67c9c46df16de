#include "platform/HttpTransfer.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace kestrel::platform {
namespace {

int g_defaultTimeoutMs = HttpTransfer::kDefaultTimeoutMs;

} // namespace

HttpTransfer::HttpTransfer(QObject* parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)), m_timeoutMs(g_defaultTimeoutMs) {
    m_manager->setProxy(QNetworkProxy::NoProxy);
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &HttpTransfer::onIdle);
}

HttpTransfer::~HttpTransfer() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void HttpTransfer::setDefaultTimeoutMs(int ms) {
    g_defaultTimeoutMs = ms;
}

int HttpTransfer::defaultTimeoutMs() {
    return g_defaultTimeoutMs;
}

void HttpTransfer::start(const QString& url) {
    if (m_reply) { // the caller moved on: the old transfer ends without a word
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_buffer.clear();
    m_cancelled = false;
    m_timedOut = false;
    const QUrl address(url, QUrl::StrictMode);
    if (!address.isValid() || address.host().isEmpty() ||
        (address.scheme() != QStringLiteral("http") && address.scheme() != QStringLiteral("https"))) {
        m_pendingFinish = true;
        QTimer::singleShot(0, this, [this] {
            m_pendingFinish = false;
            net::FetchResult r;
            r.outcome = net::FetchResult::Outcome::Failed;
            r.error = "不正なアドレスです";
            finishWith(std::move(r));
        });
        return;
    }
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("GetHtml"));
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpTransfer::onReadyRead);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] { m_idle.start(m_timeoutMs); });
    connect(m_reply, &QNetworkReply::finished, this, &HttpTransfer::onFinished);
    m_idle.start(m_timeoutMs);
}

net::FetchResult HttpTransfer::OpenURL(const QString& url) {
    QEventLoop loop;
    connect(this, &HttpTransfer::finished, &loop, &QEventLoop::quit);
    start(url);
    if (isBusy())
        loop.exec();
    return m_result;
}

bool HttpTransfer::isBusy() const {
    return !m_reply.isNull() || m_pendingFinish;
}

void HttpTransfer::cancel() {
    if (!m_reply)
        return;
    m_cancelled = true;
    m_reply->abort(); // finishes at once
}

void HttpTransfer::onReadyRead() {
    if (!m_reply)
        return;
    m_buffer.append(m_reply->readAll());
    m_idle.start(m_timeoutMs);
}

void HttpTransfer::onIdle() {
    if (!m_reply)
        return;
    m_timedOut = true;
    m_reply->abort();
}

void HttpTransfer::onFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply || sender() != reply)
        return;
    m_reply = nullptr;
    m_idle.stop();
    if (reply->isOpen())
        m_buffer.append(reply->readAll());
    using O = net::FetchResult::Outcome;
    net::FetchResult r;
    r.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.body = m_buffer.toStdString();
    m_buffer.clear();
    r.timeoutSeconds = (m_timeoutMs + 999) / 1000;
    if (m_cancelled)
        r.outcome = O::Cancelled;
    else if (m_timedOut)
        r.outcome = O::TimedOut;
    else if (r.httpStatus >= 300)
        r.outcome = O::HttpError;
    else if (reply->error() == QNetworkReply::NoError && r.httpStatus >= 200)
        r.outcome = O::Body;
    else
        r.outcome = O::Failed;
    if (r.outcome == O::Failed || r.outcome == O::TimedOut)
        r.error = reply->errorString().toStdString();
    reply->deleteLater();
    finishWith(std::move(r));
}

void HttpTransfer::finishWith(net::FetchResult result) {
    m_result = std::move(result);
    Q_EMIT finished();
}

} // namespace kestrel::platform
