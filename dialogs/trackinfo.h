#pragma once
// The texts of the track information window, apart from the window: the
// loaded track's tags, its playing time, and its size and dates when it is a
// local file. Numbers and dates follow the given locale.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>
#include <optional>

namespace rt {
class MediaControl;
}

namespace melodune {

// Seconds with as many decimals as the value needs (up to 15 significant
// digits), none for a whole number; the locale's decimal point, no grouping.
QString durationText(double seconds, const QLocale& locale);
// "1.50 MB (1,572,864 字节)": MiB with two decimals and no grouping, then the
// bytes with the locale's grouping.
QString fileSizeText(qint64 bytes, const QLocale& locale);
// The locale's short date and its time with seconds; empty when invalid.
QString fileDateText(const QDateTime& when, const QLocale& locale);

// Size and dates of a local regular file, read once; nothing for a stream
// address, a missing file or anything that is not a regular file.
struct FileFacts {
    qint64 size = 0;
    QDateTime created;  // invalid when the file system keeps no creation time
    QDateTime modified;
};
std::optional<FileFacts> localFileFacts(const QString& name);

// The nine fields in window order: path, title, artist, copyright, playing
// time, size, created, modified, description; an empty one is "-".
using TrackInfoTexts = std::array<QString, 9>;
TrackInfoTexts trackInfoTexts(const rt::MediaControl& media, const QLocale& locale);

} // namespace melodune
