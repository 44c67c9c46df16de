#pragma once
// InetHttp: page downloads for the stock boards, on two independent channels. DL returns at once; the
// page is fetched afterwards, converted from EUC-JP (core/net/EucToSjis.h) and delivered by the event
// of its channel, always from the event loop of the user-interface thread. Each channel holds one
// pending request: a second DL on a channel before its page was delivered replaces the first, so
// callers start a channel again only after its event. The text is "" when the server cannot be
// reached, the time limit passes, or the body is empty; a transfer that breaks delivers what arrived.
#include <QObject>
#include <QString>

namespace kestrel::platform {

class InetHttp : public QObject {
    Q_OBJECT
public:
    explicit InetHttp(QObject* parent = nullptr) : QObject(parent) {}

    qint32 id1 = 0; // the id of the last channel-1 download
    qint32 id2 = 0; // the id of the last channel-2 download

    // kind 1 or 2 stores id and queues url on that channel; any other kind does nothing.
    void DL(qint16 kind, qint32 id, const QString& url);
    // Raise the channel's event with the text and the channel's id.
    void GetHttp1(const QString& text);
    void GetHttp2(const QString& text);

Q_SIGNALS:
    void Gethtm1(const QString& text, qint32 id);
    void Gethtm2(const QString& text, qint32 id);
};

} // namespace kestrel::platform
