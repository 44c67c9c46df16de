#pragma once
// A small HTTP server on 127.0.0.1 for tests: it answers GET requests from a table of routes
// (path -> status, body, optional delay, optional cut after some bytes) and, for other paths, from the
// files of a folder; anything else is a 404 page. It runs on the event loop of the thread that made it,
// so a test that waits in a local event loop (QTRY_*, a blocking transfer) is served meanwhile.
// kestrel_test_httpd wraps it for shell tests (see LocalHttpServerMain.cpp).
#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

namespace kestrel::test {

struct HttpRoute {
    int status = 200;
    QByteArray body;
    int delayMs = 0;       // wait before answering; -1: never answer (the connection stays open)
    qint64 dropAfter = -1; // close after this many body bytes, though the header promises them all
    QByteArray contentType = "text/plain";
};

class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    explicit LocalHttpServer(QObject* parent = nullptr);
    ~LocalHttpServer() override;

    // Listens on 127.0.0.1 with a free port; false when that fails.
    bool start();
    quint16 port() const;
    // "127.0.0.1:PORT", the form a server address setting takes.
    QString address() const;
    // "http://127.0.0.1:PORT" + path.
    QString url(const QString& path) const;

    void setRoute(const QString& path, const HttpRoute& route);
    void setRoute(const QString& path, const QByteArray& body) { setRoute(path, HttpRoute{200, body}); }
    void removeRoute(const QString& path);
    // Paths without a route are read from folder: path prefix + relative file name (no "..").
    void serveFolder(const QString& prefix, const QString& folder);

    // The paths requested so far, in order of arrival.
    QStringList requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

Q_SIGNALS:
    void requested(const QString& path);

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const HttpRoute& route);
    HttpRoute routeFor(const QString& path) const;

    QTcpServer* m_server;
    QMap<QString, HttpRoute> m_routes;
    QString m_prefix, m_folder;
    QStringList m_requests;
};

} // namespace kestrel::test
