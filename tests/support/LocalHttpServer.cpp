#include "support/LocalHttpServer.h"

#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace kestrel::test {
namespace {

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent), m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &LocalHttpServer::onConnection);
}

LocalHttpServer::~LocalHttpServer() = default;

bool LocalHttpServer::start() {
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 LocalHttpServer::port() const {
    return m_server->serverPort();
}

QString LocalHttpServer::address() const {
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QString LocalHttpServer::url(const QString& path) const {
    return QStringLiteral("http://") + address() + path;
}

void LocalHttpServer::setRoute(const QString& path, const HttpRoute& route) {
    m_routes.insert(path, route);
}

void LocalHttpServer::removeRoute(const QString& path) {
    m_routes.remove(path);
}

void LocalHttpServer::serveFolder(const QString& prefix, const QString& folder) {
    m_prefix = prefix;
    m_folder = folder;
}

HttpRoute LocalHttpServer::routeFor(const QString& path) const {
    auto it = m_routes.find(path);
    if (it != m_routes.end())
        return *it;
    if (!m_folder.isEmpty() && path.startsWith(m_prefix) && !path.contains(QStringLiteral(".."))) {
        QFile file(m_folder + QLatin1Char('/') + path.mid(m_prefix.size()));
        if (file.open(QIODevice::ReadOnly))
            return HttpRoute{200, file.readAll()};
    }
    return HttpRoute{404, "<html><body>404 Not Found</body></html>", 0, -1, "text/html"};
}

void LocalHttpServer::onConnection() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LocalHttpServer::onReadable(QTcpSocket* socket) {
    if (socket->property("answered").toBool())
        return;
    QByteArray seen = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", seen);
    if (!seen.contains("\r\n\r\n"))
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> words = seen.left(seen.indexOf("\r\n")).split(' ');
    const QString path = words.size() >= 2 ? QString::fromLatin1(words[1]) : QString();
    m_requests << path;
    Q_EMIT requested(path);
    const HttpRoute route = routeFor(path);
    if (route.delayMs < 0)
        return;
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(route.delayMs, this, [this, guard, route] {
        if (guard)
            respond(guard, route);
    });
}

void LocalHttpServer::respond(QTcpSocket* socket, const HttpRoute& route) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + " " + reason(route.status) +
                      "\r\nContent-Type: " + route.contentType +
                      "\r\nContent-Length: " + QByteArray::number(route.body.size()) + "\r\nConnection: close\r\n\r\n";
    socket->write(head);
    socket->write(route.dropAfter >= 0 ? route.body.left(route.dropAfter) : route.body);
    socket->disconnectFromHost();
}

} // namespace kestrel::test
