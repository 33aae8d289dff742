// Writes the media of scripts/bench.sh into one folder: song.mp3 (a 30 s
// tone), song.lrc beside it (60 timed lines, one every half second),
// List-one.mdu (just the song) and List-full.mdu (the song followed by
// made-up entries up to the playlist's limit), both with the song loaded.
#include "core/playlistfile.h"
#include "platform/legacytext.h"
#include "tests/support/audiogen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(dir.path());
    const QString song = dir.absoluteFilePath(QStringLiteral("song.mp3"));

    testsupport::ToneSpec tone;
    tone.seconds = 30;
    if (!testsupport::writeSineMp3(song, tone, {QStringLiteral("测试歌曲"), QStringLiteral("测试歌手")})) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(song));
        return 1;
    }

    QString lrc = QStringLiteral("[ti:测试歌曲]\r\n[ar:测试歌手]\r\n");
    for (int i = 0; i < 60; ++i) {
        const int centis = i * 50;
        lrc += QStringLiteral("[%1:%2.%3]第%4行歌词，跟着唱\r\n")
                   .arg(centis / 6000, 2, 10, QLatin1Char('0'))
                   .arg(centis / 100 % 60, 2, 10, QLatin1Char('0'))
                   .arg(centis % 100, 2, 10, QLatin1Char('0'))
                   .arg(i + 1);
    }
    if (!writeBytes(dir.absoluteFilePath(QStringLiteral("song.lrc")), rt::encodeLegacy(lrc)))
        return 1;

    QStringList entries{song};
    if (!melodune::writePlaylistFile(dir.absoluteFilePath(QStringLiteral("List-one.mdu")), entries, 0))
        return 1;
    entries.reserve(melodune::kMaxListEntries);
    for (int i = 1; i < melodune::kMaxListEntries; ++i)
        entries << QStringLiteral("/home/user/音乐/歌手%1/专辑%2/第%3首 歌曲名称.mp3").arg(i % 97).arg(i % 13).arg(i);
    if (!melodune::writePlaylistFile(dir.absoluteFilePath(QStringLiteral("List-full.mdu")), entries, 0))
        return 1;
    return 0;
}
