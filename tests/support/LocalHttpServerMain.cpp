// kestrel_test_httpd: the tests' local HTTP server as a program, for shell tests.
//   kestrel_test_httpd --root DIR [--prefix /kabu/] [--port-file FILE] [--log FILE] [--lifetime SECONDS]
//                      [--delay PATH=MS] [--drop PATH=BYTES] [--status PATH=CODE]
// Serves the files under DIR at prefix + relative name on 127.0.0.1 with a free port, writes the port
// to the port file (or stdout), appends each requested path to the log, and ends after the lifetime
// (default 120 s). --delay -1 never answers. The modifiers take the file's content at start.
#include "support/LocalHttpServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>

using kestrel::test::HttpRoute;
using kestrel::test::LocalHttpServer;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString root, prefix = QStringLiteral("/"), portFile, logFile;
    int lifetime = 120;
    QMap<QString, HttpRoute> routes;
    auto routeOf = [&](const QString& path) -> HttpRoute& {
        if (!routes.contains(path)) {
            HttpRoute r;
            QFile f(root + QLatin1Char('/') + path.mid(prefix.size()));
            if (f.open(QIODevice::ReadOnly))
                r.body = f.readAll();
            else
                r.status = 404;
            routes.insert(path, r);
        }
        return routes[path];
    };
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString& key = args[i];
        const QString& value = args[i + 1];
        const QString path = value.section(QLatin1Char('='), 0, 0);
        const QString number = value.section(QLatin1Char('='), 1);
        if (key == QStringLiteral("--root"))
            root = value;
        else if (key == QStringLiteral("--prefix"))
            prefix = value;
        else if (key == QStringLiteral("--port-file"))
            portFile = value;
        else if (key == QStringLiteral("--log"))
            logFile = value;
        else if (key == QStringLiteral("--lifetime"))
            lifetime = value.toInt();
        else if (key == QStringLiteral("--delay"))
            routeOf(path).delayMs = number.toInt();
        else if (key == QStringLiteral("--drop"))
            routeOf(path).dropAfter = number.toLongLong();
        else if (key == QStringLiteral("--status"))
            routeOf(path).status = number.toInt();
        else {
            std::fprintf(stderr, "kestrel_test_httpd: unknown option %s\n", qPrintable(key));
            return 2;
        }
    }
    LocalHttpServer server;
    for (auto it = routes.begin(); it != routes.end(); ++it)
        server.setRoute(it.key(), it.value());
    if (!root.isEmpty())
        server.serveFolder(prefix, root);
    if (!server.start()) {
        std::fprintf(stderr, "kestrel_test_httpd: cannot listen on 127.0.0.1\n");
        return 1;
    }
    QObject::connect(&server, &LocalHttpServer::requested, &server, [logFile](const QString& path) {
        if (logFile.isEmpty())
            return;
        QFile log(logFile);
        if (log.open(QIODevice::Append))
            log.write(path.toUtf8() + '\n');
    });
    const QByteArray port = QByteArray::number(server.port()) + '\n';
    if (portFile.isEmpty()) {
        std::fwrite(port.constData(), 1, static_cast<size_t>(port.size()), stdout);
        std::fflush(stdout);
    } else {
        QFile out(portFile + QStringLiteral(".tmp"));
        if (!out.open(QIODevice::WriteOnly) || out.write(port) != port.size())
            return 1;
        out.close();
        QFile::remove(portFile);
        out.rename(portFile);
    }
    QTimer::singleShot(lifetime * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
