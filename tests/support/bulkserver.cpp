#include "tests/support/bulkserver.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

namespace testsupport {

namespace {

// Keeps this much queued on the socket; more is written as it drains.
constexpr qint64 Queued = 256 * 1024;

} // namespace

BulkReplyServer::BulkReplyServer(QByteArray chunk, qint64 totalBytes, bool announceLength)
    : chunk_(std::move(chunk)), total_(totalBytes), announce_(announceLength)
{
    if (chunk_.isEmpty())
        chunk_ = "x";
    // The server lives on the thread; it is made there and listens there.
    context_ = new QObject;
    context_->moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(
        context_,
        [this] {
            server_ = new QTcpServer;
            if (server_->listen(QHostAddress::LocalHost, 0))
                port_ = server_->serverPort();
            QObject::connect(server_, &QTcpServer::newConnection, server_, [this] {
                while (QTcpSocket* socket = server_->nextPendingConnection()) {
                    struct State {
                        QByteArray head;
                        qint64 left = -1; // body bytes still to write; -1 before the request
                    };
                    auto st = std::make_shared<State>();
                    auto pump = [this, socket, st] {
                        while (st->left > 0 && socket->state() == QAbstractSocket::ConnectedState
                               && socket->bytesToWrite() < Queued) {
                            const qint64 n = socket->write(chunk_.constData(), std::min<qint64>(st->left, chunk_.size()));
                            if (n <= 0)
                                return; // the client has gone
                            st->left -= n;
                            sent_ += n;
                        }
                        if (st->left == 0) {
                            st->left = -2;
                            socket->disconnectFromHost();
                        }
                    };
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, st, pump] {
                        st->head += socket->readAll();
                        if (st->left != -1 || !st->head.contains("\r\n\r\n"))
                            return;
                        ++requests_;
                        st->left = total_;
                        const QByteArray length =
                            announce_ ? "Content-Length: " + QByteArray::number(total_) + "\r\n" : QByteArray();
                        socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n" + length +
                                      "Connection: close\r\n\r\n");
                        pump();
                    });
                    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, pump);
                    QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket, st] {
                        if (st->left > 0)
                            ++cutOff_;
                        socket->deleteLater();
                    });
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

BulkReplyServer::~BulkReplyServer()
{
    QMetaObject::invokeMethod(context_, [this] { delete server_; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete context_;
}

QString BulkReplyServer::baseUrl() const
{
    return port_ ? QStringLiteral("http://127.0.0.1:%1").arg(port_) : QString();
}

} // namespace testsupport
