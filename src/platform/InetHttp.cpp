#include "platform/InetHttp.h"

#include "core/net/EucToSjis.h"
#include "platform/HttpTransfer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace kestrel::platform {
namespace {

// One download channel: a pending request and the one-shot timer that starts it from the event loop.
class DownloadChannel : public QObject {
public:
    DownloadChannel(int number, QObject* parent) : QObject(parent), m_number(number) {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &DownloadChannel::DownloadTimerProc);
    }

    void BeginDownload(InetHttp* requester, const QString& url) {
        m_requester = requester;
        m_url = url;
        m_timer.start(1);
    }

private:
    void DownloadTimerProc() {
        m_timer.stop();
        QPointer<InetHttp> requester = m_requester;
        auto* transfer = new HttpTransfer(this);
        connect(transfer, &HttpTransfer::finished, this, [this, transfer, requester] {
            const net::FetchResult& r = transfer->result();
            const std::string body = r.outcome == net::FetchResult::Outcome::Cancelled ? std::string() : r.body;
            const QString text = QString::fromStdString(net::pageTextToUtf8(body));
            transfer->deleteLater();
            if (!requester)
                return;
            if (m_number == 1)
                requester->GetHttp1(text);
            else
                requester->GetHttp2(text);
        });
        transfer->start(m_url);
    }

    int m_number;
    QTimer m_timer;
    QPointer<InetHttp> m_requester;
    QString m_url;
};

DownloadChannel* channel(int number) {
    static QPointer<DownloadChannel> channels[2];
    QPointer<DownloadChannel>& c = channels[number - 1];
    if (!c)
        c = new DownloadChannel(number, QCoreApplication::instance());
    return c;
}

} // namespace

void InetHttp::DL(qint16 kind, qint32 id, const QString& url) {
    if (kind == 1) {
        id1 = id;
        channel(1)->BeginDownload(this, url);
    } else if (kind == 2) {
        id2 = id;
        channel(2)->BeginDownload(this, url);
    }
}

void InetHttp::GetHttp1(const QString& text) {
    Q_EMIT Gethtm1(text, id1);
}

void InetHttp::GetHttp2(const QString& text) {
    Q_EMIT Gethtm2(text, id2);
}

} // namespace kestrel::platform
