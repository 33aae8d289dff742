#include "platform/atomicfile.h"

#include "platform/log.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace rt {

namespace {

QString systemReason(int e)
{
    return QString::fromStdString(std::error_code(e, std::generic_category()).message());
}

bool fail(QString* error, const QString& why)
{
    qCWarning(lcPlatform) << "file not written:" << why;
    if (error)
        *error = why;
    return false;
}

// Writes what `fill` gives into a temporary file beside `path` and renames it
// over `path`; `fill` answers why it failed, or nothing. A failure leaves the
// old file as it was: the uncommitted QSaveFile removes its temporary file.
template <class Fill>
bool save(const QString& path, QString* error, Fill fill)
{
    // QSaveFile follows links, and would put its temporary file beside a
    // device or FIFO a link leads to and rename it over that: such a link is
    // replaced by the file instead.
    const QByteArray name = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    struct stat link {}, target {};
    if (::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode) && ::stat(name.constData(), &target) == 0 &&
        !S_ISREG(target.st_mode))
        ::unlink(name.constData());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        // The system's own reason (a read-only file system, no permission)
        // says more than "not writable".
        const bool denied = ::access(folder.constData(), W_OK) != 0 ||
                            (::access(name.constData(), F_OK) == 0 && ::access(name.constData(), W_OK) != 0);
        return fail(error, path + QStringLiteral(": ") + (denied ? systemReason(errno) : out.errorString()));
    }
    if (const QString why = fill(out); !why.isEmpty())
        return fail(error, why);
    if (!out.flush() || ::fsync(out.handle()) != 0)
        return fail(error, path + QStringLiteral(": ") + writeErrorReason(out));
    if (!out.commit())
        return fail(error, path + QStringLiteral(": ") + out.errorString());
    syncFolderOf(path);
    return true;
}

} // namespace

void syncFolderOf(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString writeErrorReason(const QFileDevice& file)
{
    const int e = errno;
    if (file.error() != QFileDevice::NoError || e == 0)
        return file.errorString();
    return systemReason(e);
}

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    return save(path, error, [&](QSaveFile& out) {
        // A write cut short (a full disk) is a failure; errno says why.
        return out.write(data) == data.size() ? QString() : path + QStringLiteral(": ") + writeErrorReason(out);
    });
}

bool copyFileAtomically(const QString& from, const QString& to, QString* error)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return fail(error, from + QStringLiteral(": ") + in.errorString());
    // Onto itself (also through a link): the file already holds the data.
    struct stat a {}, b {};
    if (::stat(QFile::encodeName(from).constData(), &a) == 0 && ::stat(QFile::encodeName(to).constData(), &b) == 0 &&
        a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        return true;
    return save(to, error, [&](QSaveFile& out) {
        char buf[65536];
        for (qint64 n = 0; (n = in.read(buf, sizeof buf)) != 0;) {
            if (n < 0)
                return from + QStringLiteral(": ") + in.errorString();
            if (out.write(buf, n) != n)
                return to + QStringLiteral(": ") + writeErrorReason(out);
        }
        return QString();
    });
}

} // namespace rt
