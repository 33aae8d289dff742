#include "platform/urldownload.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace rt {

UrlDownload::UrlDownload(QObject* parent) : QObject(parent), nam_(new QNetworkAccessManager(this))
{
    total_.setSingleShot(true);
    connect(&total_, &QTimer::timeout, this, [this] {
        if (reply_) {
            abortReason_ = QStringLiteral("timed out");
            reply_->abort(); // finishes the reply, which reports the failure
        }
    });
}

UrlDownload::~UrlDownload()
{
    cancel();
}

void UrlDownload::setTimeouts(int idleMs, int totalMs)
{
    idleMs_ = idleMs;
    totalMs_ = totalMs;
}

quint64 UrlDownload::start(const QUrl& url, const QString& targetPath)
{
    cancel();
    const quint64 id = ++id_;
    received_ = 0;
    abortReason_.clear();
    tooLarge_ = false;

    QDir().mkpath(QFileInfo(targetPath).absolutePath());
    file_ = std::make_unique<QSaveFile>(targetPath);
    if (!file_->open(QIODevice::WriteOnly)) {
        const QString error = file_->errorString();
        file_.reset();
        finishLater(id, false, error);
        return id;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(idleMs_);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // A stale cached page would give an old answer to a new question.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    reply_ = nam_->get(request);
    // The network thread reads no further ahead than this while the window
    // thread is busy: a fast server cannot fill the memory meanwhile, and a
    // reply over the bound costs little more than the bound.
    reply_->setReadBufferSize(256 * 1024);
    connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = reply_ ? reply_->header(QNetworkRequest::ContentLengthHeader) : QVariant();
        if (maxBytes_ > 0 && length.isValid() && length.toLongLong() > maxBytes_)
            giveUpTooLarge();
    });
    connect(reply_, &QIODevice::readyRead, this, &UrlDownload::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &UrlDownload::onFinished);
    total_.start(totalMs_);
    return id;
}

void UrlDownload::cancel()
{
    total_.stop();
    if (reply_) {
        QNetworkReply* r = reply_;
        reply_ = nullptr;
        r->disconnect(this);
        r->abort();
        r->deleteLater();
    }
    file_.reset(); // an uncommitted QSaveFile removes its temporary file
}

void UrlDownload::onReadyRead()
{
    if (!reply_ || !file_ || !reply_->isOpen())
        return;
    if (maxBytes_ > 0 && received_ + reply_->bytesAvailable() > maxBytes_) {
        giveUpTooLarge();
        return;
    }
    const QByteArray chunk = reply_->readAll();
    received_ += chunk.size();
    if (file_->write(chunk) != chunk.size()) {
        abortReason_ = file_->errorString();
        reply_->abort();
    }
}

void UrlDownload::giveUpTooLarge()
{
    if (!reply_ || tooLarge_)
        return;
    tooLarge_ = true;
    abortReason_ = QStringLiteral("reply longer than %1 bytes").arg(maxBytes_);
    reply_->abort(); // finishes the reply, which reports the failure
}

void UrlDownload::onFinished()
{
    if (!reply_)
        return;
    if (!tooLarge_)
        onReadyRead();
    QNetworkReply* r = reply_;
    total_.stop();

    QString error;
    const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
    if (!abortReason_.isEmpty())
        error = abortReason_;
    else if (r->error() != QNetworkReply::NoError)
        error = r->errorString();
    else if (r->url().scheme().startsWith(QLatin1String("http")) && (status < 200 || status > 299))
        error = QStringLiteral("HTTP status %1").arg(status);
    else if (length.isValid() && length.toLongLong() != received_)
        error = QStringLiteral("incomplete reply (%1 of %2 bytes)").arg(received_).arg(length.toLongLong());

    reply_ = nullptr;
    r->deleteLater();
    const quint64 id = id_;
    bool ok = false;
    if (error.isEmpty()) {
        ok = file_->commit();
        if (!ok)
            error = file_->errorString();
    }
    file_.reset();
    emit finished(id, ok, error);
}

void UrlDownload::finishLater(quint64 id, bool ok, const QString& error)
{
    QMetaObject::invokeMethod(
        this,
        [this, id, ok, error] {
            if (id == id_)
                emit finished(id, ok, error);
        },
        Qt::QueuedConnection);
}

} // namespace rt
