// A scripted HTTP server on 127.0.0.1 inside the test process.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>

namespace vantrel::testing {

struct Reply {
    int status = 200;
    QByteArray body;
    QByteArray headers;  // extra header lines, each ending in \r\n
    // Reads the request and never answers.
    bool silent = false;
};

class LoopbackServer {
  public:
    LoopbackServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
    }

    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    void route(const QByteArray& path, Reply reply) { routes_.insert(path, std::move(reply)); }

    // The paths asked for, in order.
    QList<QByteArray> requests;

  private:
    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            auto* buffer = new QByteArray;
            QObject::connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                *buffer += socket->readAll();
                if (!buffer->contains("\r\n\r\n")) return;
                const QByteArray path = buffer->split(' ').value(1);
                buffer->clear();
                requests.append(path);
                answer(*socket, routes_.value(path, Reply{404, "missing", {}, false}));
            });
        }
    }

    static void answer(QTcpSocket& socket, const Reply& reply) {
        if (reply.silent) return;
        const QByteArray reason = reply.status == 200   ? "OK"
                                  : reply.status == 404 ? "Not Found"
                                                        : "Status";
        socket.write("HTTP/1.1 " + QByteArray::number(reply.status) + " " + reason + "\r\n" +
                     "Content-Type: application/rss+xml\r\nConnection: close\r\n" +
                     "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n" +
                     reply.headers + "\r\n" + reply.body);
        socket.disconnectFromHost();
    }

    QTcpServer server_;
    QMap<QByteArray, Reply> routes_;
};

}  // namespace vantrel::testing
