#include "tests/support/lyricsserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <iconv.h>
#include <memory>

namespace testsupport {

namespace {

// The server stands apart from the program's own code page helpers, so a
// fault there cannot hide itself in the tests.
QByteArray convert(const QByteArray& in, const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    QByteArray out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = size_t(in.size());
    char* dst = out.data();
    size_t dstLeft = size_t(out.size());
    iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    out.truncate(out.size() - qsizetype(dstLeft));
    return out;
}

QString routeOf(const QByteArray& path, const QList<QPair<QByteArray, QByteArray>>& items)
{
    const QByteArray base = "/soft/Melodune/lrcs/";
    if (path == base + "index.asp")
        return QStringLiteral("exact");
    if (path == base + "index2.asp") {
        for (const auto& kv : items)
            if (kv.first == "dz")
                return QStringLiteral("candidate");
        return QStringLiteral("fuzzy");
    }
    if (path == "/lrc/")
        return QStringLiteral("site");
    return QStringLiteral("other");
}

} // namespace

QString LyricsServer::Request::value(const QByteArray& key) const
{
    for (const auto& kv : items)
        if (kv.first == key)
            return QString::fromUtf8(convert(QByteArray::fromPercentEncoding(kv.second), "UTF-8", "GB18030"));
    return {};
}

QList<QByteArray> LyricsServer::Request::keys() const
{
    QList<QByteArray> out;
    for (const auto& kv : items)
        out << kv.first;
    return out;
}

LyricsServer::LyricsServer(QObject* parent) : QObject(parent)
{
    connect(&server_, &QTcpServer::newConnection, this, &LyricsServer::onConnection);
}

bool LyricsServer::listen()
{
    return server_.listen(QHostAddress::LocalHost, 0);
}

QString LyricsServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void LyricsServer::onConnection()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        struct Pending {
            QByteArray head;
            bool answered = false;
        };
        auto pending = std::make_shared<Pending>();
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, pending] {
            if (pending->answered && !socket->property("replied").toBool())
                ++hangUps_;
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, pending] {
            const QByteArray data = socket->readAll();
            if (pending->answered)
                return;
            pending->head += data;
            const qsizetype end = pending->head.indexOf("\r\n\r\n");
            if (end >= 0) {
                pending->answered = true;
                respond(socket, pending->head.left(end + 4));
            }
        });
    }
}

void LyricsServer::respond(QTcpSocket* socket, const QByteArray& head)
{
    const QByteArray line = head.left(head.indexOf("\r\n"));
    const QList<QByteArray> parts = line.split(' ');
    Request req;
    req.target = parts.size() > 1 ? parts[1] : QByteArray();
    const qsizetype q = req.target.indexOf('?');
    req.path = q < 0 ? req.target : req.target.left(q);
    req.query = q < 0 ? QByteArray() : req.target.mid(q + 1);
    if (!req.query.isEmpty())
        for (const QByteArray& item : req.query.split('&')) {
            const qsizetype eq = item.indexOf('=');
            req.items.append({eq < 0 ? item : item.left(eq), eq < 0 ? QByteArray() : item.mid(eq + 1)});
        }
    req.route = routeOf(req.path, req.items);
    requests.push_back(req);
    emit requestReceived();

    Response resp;
    if (routes_.contains(req.route))
        resp = routes_.value(req.route);
    else
        resp = Response{404, errorPageBody()};

    if (resp.never)
        return;
    QPointer<QTcpSocket> guard(socket);
    auto send = [guard, resp] {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState)
            return;
        guard->setProperty("replied", true);
        QByteArray out = "HTTP/1.0 " + QByteArray::number(resp.status) +
                         (resp.status == 200 ? " OK" : " Error") + "\r\nContent-Type: text/plain\r\n" +
                         "Content-Length: " + QByteArray::number(resp.body.size()) + "\r\nConnection: close\r\n\r\n";
        out += resp.cutOff ? resp.body.left(resp.body.size() / 2) : resp.body;
        guard->write(out);
        guard->flush();
        guard->disconnectFromHost();
    };
    if (resp.delayMs > 0)
        QTimer::singleShot(resp.delayMs, this, send);
    else
        send();
}

QByteArray LyricsServer::gbk(const QString& text)
{
    return convert(text.toUtf8(), "GB18030", "UTF-8");
}

QByteArray LyricsServer::lyricsBody(const QString& title)
{
    return gbk(QStringLiteral("[ti:%1]\r\n[00:01.00]第一行\r\n[00:03.50]第二行\r\n").arg(title));
}

QByteArray LyricsServer::statusBody(const QString& statusLine)
{
    return gbk(statusLine + QStringLiteral("\r\n"));
}

QByteArray LyricsServer::candidatesBody(const std::vector<Candidate>& list, const QString& tail)
{
    QString text = QStringLiteral("|歌词选择|\r\n");
    for (const Candidate& c : list) {
        text += c.title + "\r\n" + c.singer + "\r\n" + c.album + "\r\n";
        for (const QString& extra : c.extraLines)
            text += extra + "\r\n";
        text += c.file + "\r\n";
    }
    text += tail;
    return gbk(text);
}

QByteArray LyricsServer::errorPageBody()
{
    return QByteArrayLiteral("<html><head><title>Server Error</title></head>\r\n"
                             "<body>Internal error</body></html>\r\n");
}

ScopedLrcHost::ScopedLrcHost(const QString& base)
{
    qputenv("MELODUNE_LRC_HOST", base.toUtf8());
}

ScopedLrcHost::~ScopedLrcHost()
{
    qunsetenv("MELODUNE_LRC_HOST");
}

} // namespace testsupport
