#include "platform/regularfile.h"

#include "platform/log.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rt {

namespace {

// A file that is not there is no failure: most of the program's files are
// optional. Everything else is logged once, here, for every reader.
FileReadError failed(FileReadError e, const QString& path, const QString& why)
{
    if (e != FileReadError::Missing)
        qCWarning(lcPlatform) << "file not read:" << path << why;
    return e;
}

FileReadError failedWithErrno(FileReadError e, const QString& path, int error)
{
    return failed(e, path, QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

RegularFile::~RegularFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FileReadError RegularFile::open(const QString& path)
{
    path_ = path;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        const int e = errno;
        return failedWithErrno(e == ENOENT || e == ENOTDIR ? FileReadError::Missing : FileReadError::Unreadable, path, e);
    }
    if (!S_ISREG(st.st_mode))
        return failed(FileReadError::NotRegular, path, QStringLiteral("is no regular file"));
    // Not blocking, and checked again on what was opened: the name may have
    // been replaced in between.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        return failedWithErrno(e == ENOENT ? FileReadError::Missing : FileReadError::Unreadable, path, e);
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed(FileReadError::NotRegular, path, QStringLiteral("is no regular file"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    size_ = st.st_size;
    return FileReadError::None;
}

qint64 RegularFile::read(char* buf, qint64 max)
{
    for (;;) {
        const ssize_t n = ::read(fd_, buf, size_t(max));
        if (n >= 0)
            return n;
        if (const int e = errno; e != EINTR) {
            failedWithErrno(FileReadError::Unreadable, path_, e);
            return n;
        }
    }
}

FileReadError readRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes)
{
    RegularFile f;
    if (const FileReadError e = f.open(path); e != FileReadError::None)
        return e;
    if (f.size() > maxBytes)
        return failed(FileReadError::TooLarge, path, QStringLiteral("is over %1 bytes").arg(maxBytes));
    // The length may change while it is read: never more than the bound.
    QByteArray data(qsizetype(f.size()) + 1, Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        if (got == data.size()) {
            if (got > maxBytes)
                return failed(FileReadError::TooLarge, path, QStringLiteral("is over %1 bytes").arg(maxBytes));
            data.resize(qsizetype(std::min<qint64>(got * 2 + 4096, maxBytes + 1)));
        }
        const qint64 n = f.read(data.data() + got, data.size() - got);
        if (n < 0)
            return FileReadError::Unreadable;
        if (n == 0)
            break;
        got += n;
    }
    if (got > maxBytes)
        return failed(FileReadError::TooLarge, path, QStringLiteral("is over %1 bytes").arg(maxBytes));
    data.truncate(qsizetype(got));
    if (bytes)
        *bytes = std::move(data);
    return FileReadError::None;
}

} // namespace rt
