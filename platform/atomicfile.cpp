#include "platform/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace rt {

QString writeErrorReason(const QFileDevice& file)
{
    const int e = errno;
    if (file.error() != QFileDevice::NoError || e == 0)
        return file.errorString();
    return QString::fromStdString(std::error_code(e, std::generic_category()).message());
}

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Makes the rename itself durable.
void syncFolder(const QString& path)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Opens the temporary file beside `path`. A link there to something other
// than a regular file (a device, a FIFO) is replaced by the file, never
// written through: the temporary file would go beside its target.
bool openSave(QSaveFile& out, const QString& path, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat link {}, target {};
    if (::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode) && ::stat(name.constData(), &target) == 0
        && !S_ISREG(target.st_mode))
        ::unlink(name.constData());
    if (out.open(QIODevice::WriteOnly))
        return true;
    // The system's own reason (a read-only file system, no permission) says
    // more than "not writable".
    QString why = out.errorString();
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::access(folder.constData(), W_OK) != 0 || (::access(name.constData(), F_OK) == 0 && ::access(name.constData(), W_OK) != 0))
        why = QString::fromStdString(std::error_code(errno, std::generic_category()).message());
    setError(error, QStringLiteral("%1: %2").arg(path, why));
    return false;
}

// Flushes, syncs and renames; on failure the temporary file is removed.
bool commitSave(QSaveFile& out, const QString& path, QString* error)
{
    if (!out.flush() || ::fsync(out.handle()) != 0) {
        const QString why = writeErrorReason(out);
        out.cancelWriting();
        out.commit(); // discards the temporary file
        setError(error, QStringLiteral("%1: %2").arg(path, why));
        return false;
    }
    if (!out.commit()) {
        setError(error, QStringLiteral("%1: %2").arg(path, out.errorString()));
        return false;
    }
    syncFolder(path);
    return true;
}

bool writeAll(QSaveFile& out, const char* data, qint64 size)
{
    while (size > 0) {
        const qint64 n = out.write(data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool failWrite(QSaveFile& out, const QString& path, QString* error)
{
    const QString why = writeErrorReason(out);
    out.cancelWriting();
    out.commit();
    setError(error, QStringLiteral("%1: %2").arg(path, why));
    return false;
}

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile out(path);
    if (!openSave(out, path, error))
        return false;
    if (!writeAll(out, data.constData(), data.size()))
        return failWrite(out, path, error);
    return commitSave(out, path, error);
}

bool copyFileAtomically(const QString& from, const QString& to, QString* error)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1: %2").arg(from, in.errorString()));
        return false;
    }
    // Onto itself (also through a link): the file already holds the data.
    if (sameFile(from, to))
        return true;
    QSaveFile out(to);
    if (!openSave(out, to, error))
        return false;
    char buf[65536];
    for (;;) {
        const qint64 n = in.read(buf, sizeof buf);
        if (n < 0) {
            out.cancelWriting();
            out.commit();
            setError(error, QStringLiteral("%1: %2").arg(from, in.errorString()));
            return false;
        }
        if (n == 0)
            break;
        if (!writeAll(out, buf, n))
            return failWrite(out, to, error);
    }
    return commitSave(out, to, error);
}

} // namespace rt
