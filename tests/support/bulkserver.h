#pragma once
// An HTTP/1.0 server on 127.0.0.1 running on a thread of its own, so a huge
// reply flows while the thread under test is busy: every request gets a
// 200 reply of `totalBytes`, the chunk given repeated (and cut to fit),
// written as fast as the client takes it. It records how much went out
// before the client went away.
#include <QByteArray>
#include <QString>
#include <QThread>
#include <atomic>

class QTcpServer;

namespace testsupport {

class BulkReplyServer {
public:
    // `announceLength` false: no Content-Length, the end of the reply is
    // the end of the connection.
    BulkReplyServer(QByteArray chunk, qint64 totalBytes, bool announceLength = true);
    ~BulkReplyServer();
    BulkReplyServer(const BulkReplyServer&) = delete;
    BulkReplyServer& operator=(const BulkReplyServer&) = delete;

    // "http://127.0.0.1:PORT"; empty when it could not listen.
    QString baseUrl() const;
    // Body bytes handed to the network so far, over all requests.
    qint64 bytesSent() const { return sent_.load(); }
    // Requests answered and connections the client closed before the end.
    int requests() const { return requests_.load(); }
    int cutOffByClient() const { return cutOff_.load(); }

private:
    QThread thread_;
    QObject* context_ = nullptr;
    QTcpServer* server_ = nullptr;
    quint16 port_ = 0;
    QByteArray chunk_;
    qint64 total_;
    bool announce_;
    std::atomic<qint64> sent_{0};
    std::atomic<int> requests_{0};
    std::atomic<int> cutOff_{0};
};

} // namespace testsupport
