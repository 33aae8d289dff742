#pragma once
// A small tmpfs of a test's own, to fill up (a full disk) or to make
// read-only (a read-only folder): permissions do not stop root, a full or
// read-only file system stops everyone. Needs root (mount); `ok()` is false
// otherwise and the test skips.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/mount.h>
#include <unistd.h>

namespace testsupport {

class ScratchMount {
public:
    // `kilobytes` of room at `path` (made when missing).
    ScratchMount(const QString& path, int kilobytes) : path_(path)
    {
        QDir().mkpath(path_);
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        mounted_ = ::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~ScratchMount()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool ok() const { return mounted_; }
    QString path() const { return path_; }

    // Takes up every byte left (the file "filler" at the top).
    void fill()
    {
        QFile f(path_ + QStringLiteral("/filler"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        const QByteArray block(4096, 'f');
        while (f.write(block) == block.size() && f.flush()) {
        }
        // The last partial block may be left in the buffer: no more room.
        f.close();
    }
    // Frees the room fill() took.
    void unfill() { QFile::remove(path_ + QStringLiteral("/filler")); }
    bool setReadOnly(bool on)
    {
        return ::mount(nullptr, QFile::encodeName(path_).constData(), nullptr,
                       MS_REMOUNT | (on ? MS_RDONLY : 0), nullptr) == 0;
    }

private:
    QString path_;
    bool mounted_ = false;
};

} // namespace testsupport
