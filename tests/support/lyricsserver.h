#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 (ephemeral port) that answers like the
// lyrics service: one canned reply per route, optionally late or cut off.
// Every request it receives is recorded.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>
#include <vector>

namespace testsupport {

class LyricsServer : public QObject {
    Q_OBJECT
public:
    struct Request {
        QByteArray target;   // path and query as sent, still percent-encoded
        QByteArray path;     // without the query
        QByteArray query;    // raw, without "?"
        QList<QPair<QByteArray, QByteArray>> items; // raw key/value pairs in order
        QString route;       // "exact", "fuzzy", "candidate", "site" or "other"
        // A query value decoded (percent, then code page 936). Empty when absent.
        QString value(const QByteArray& key) const;
        QList<QByteArray> keys() const;
    };
    struct Response {
        int status = 200;
        QByteArray body = {};
        int delayMs = 0;       // reply this late
        bool cutOff = false;   // announce the full length, send half, close
        bool never = false;    // no reply: the connection stays until the client closes it
    };

    explicit LyricsServer(QObject* parent = nullptr);
    // Listens on 127.0.0.1 with a free port.
    bool listen();
    quint16 port() const { return server_.serverPort(); }
    // "http://127.0.0.1:PORT"
    QString baseUrl() const;

    // The reply for a route; unknown routes get a 404 error page.
    void setResponse(const QString& route, const Response& response) { routes_[route] = response; }
    std::vector<Request> requests;
    // Connections the client closed after its request came and before any
    // reply was written: transfers it dropped.
    int hangUps() const { return hangUps_; }

    // Fixture bodies in code page 936 with CR LF line ends.
    static QByteArray gbk(const QString& text);
    static QByteArray lyricsBody(const QString& title);
    static QByteArray statusBody(const QString& statusLine);
    struct Candidate {
        QString title, singer, album, file;
        QStringList extraLines; // between the album line and the file line
    };
    static QByteArray candidatesBody(const std::vector<Candidate>& list, const QString& tail = {});
    static QByteArray errorPageBody();

signals:
    void requestReceived();

private:
    void onConnection();
    void respond(class QTcpSocket* socket, const QByteArray& head);

    int hangUps_ = 0;
    QTcpServer server_;
    QMap<QString, Response> routes_;
};

// Sets MELODUNE_LRC_HOST for the lifetime of the object.
class ScopedLrcHost {
public:
    explicit ScopedLrcHost(const QString& base);
    ~ScopedLrcHost();
};

} // namespace testsupport
