#pragma once
// Fetches one address into a file over HTTP(S), without blocking the thread.
// The file appears under its name only when the whole reply arrived with a
// success status: the data goes to a temporary file beside it that is renamed
// at the end, so whoever polls for the file never sees half of it.
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;

class QSaveFile;

namespace rt {

class UrlDownload : public QObject {
    Q_OBJECT
public:
    explicit UrlDownload(QObject* parent = nullptr);
    ~UrlDownload() override;

    // idleMs: the transfer (also the connection) is given up when no data has
    // moved for that long; totalMs: the whole request is given up after that.
    void setTimeouts(int idleMs, int totalMs);
    int idleTimeoutMs() const { return idleMs_; }
    int totalTimeoutMs() const { return totalMs_; }
    // A reply longer than this is given up as soon as it says so or passes
    // it, and nothing is written; 0: no bound.
    void setMaxBytes(qint64 bytes) { maxBytes_ = bytes; }
    // The transfer that finished last failed for being longer than the bound.
    bool replyTooLarge() const { return tooLarge_; }

    // Starts fetching `url` into `targetPath`, abandoning any transfer still
    // under way. Returns the transfer's id, which finished() repeats. The
    // target's folder is created when missing; an existing target is left as
    // it is unless the new reply replaces it.
    quint64 start(const QUrl& url, const QString& targetPath);
    // Abandons the transfer under way: nothing is written and finished() is
    // not emitted for it.
    void cancel();
    bool isRunning() const { return reply_ != nullptr; }
    // The id of the latest start().
    quint64 currentId() const { return id_; }

signals:
    // Emitted once per started transfer (never from inside start()). `ok`:
    // the target now holds the complete reply.
    void finished(quint64 id, bool ok, const QString& error);

private:
    void onReadyRead();
    void onFinished();
    void giveUpTooLarge();
    void finishLater(quint64 id, bool ok, const QString& error);

    QNetworkAccessManager* nam_;
    QPointer<QNetworkReply> reply_;
    std::unique_ptr<QSaveFile> file_;
    QTimer total_;
    quint64 id_ = 0;
    qint64 received_ = 0;
    QString abortReason_;
    qint64 maxBytes_ = 0;
    bool tooLarge_ = false;
    int idleMs_ = 8000;
    int totalMs_ = 20000;
};

} // namespace rt
