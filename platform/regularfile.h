#pragma once
// Reading the program's own files (settings, lists, lyrics, replies) only
// when they are regular files. A FIFO put in a file's place would block the
// open, a link to a device would never end: neither is opened for reading.
#include <QByteArray>
#include <QString>

namespace rt {

enum class FileReadError {
    None,
    Missing,    // no such file
    NotRegular, // a folder, FIFO, device or socket (also through a link)
    TooLarge,   // longer than the caller's bound
    Unreadable, // exists, but opening or reading failed
};

// A regular file opened for reading, closed with the object.
class RegularFile {
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    FileReadError open(const QString& path);
    // The file's length when opened.
    qint64 size() const { return size_; }
    // Up to `max` bytes into `buf`; 0 at the end, -1 on an error.
    qint64 read(char* buf, qint64 max);

private:
    int fd_ = -1;
    qint64 size_ = 0;
    QString path_;
};

// The whole of a regular file no longer than `maxBytes`.
FileReadError readRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes);

} // namespace rt
