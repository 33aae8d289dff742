// The lyric tick's cost: plays four minutes of a song through the main
// window's tick (one tick per 50 ms of position, as the timer runs it) over a
// lyric file of a given number of lines, and prints the ticks per second. A
// measuring tool, not a test: run it under
//   valgrind --tool=callgrind --toggle-collect='melodune::FrmMain::Timer1_Timer()'
// for the instructions the ticks take.
//   lyrics_bench_lyrictick <lines> [seconds of song]
#include "tests/lyrics/lyrictickwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

// A lyric as the service hands them out: header tags, then one line per
// stamp, the stamps spread evenly over the lines' span, a chorus of several
// stamps now and then.
QString longLyric(int lines)
{
    static const QString words[] = {QStringLiteral("我们一起唱这首歌"), QStringLiteral("风吹过那片麦田"),
                                    QStringLiteral("月光洒在窗前的小路上"), QStringLiteral("你说再见"),
                                    QStringLiteral("Hold on to the night"), QStringLiteral("时间会带走一切")};
    QString lrc = QStringLiteral("[ti:长歌]\r\n[ar:某人]\r\n[al:测试专辑]\r\n[by:编辑]\r\n");
    const double spacing = 3.0;
    for (int i = 0; i < lines; ++i) {
        const double t = 1.0 + i * spacing;
        const int minutes = int(t / 60);
        const double seconds = t - minutes * 60;
        lrc += QStringLiteral("[%1:%2]").arg(minutes, 2, 10, QChar(u'0')).arg(seconds, 5, 'f', 2, QChar(u'0'));
        lrc += words[i % 6] + QStringLiteral("\r\n");
    }
    return lrc;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int lines = args.value(0).toInt();
    const double songSeconds = args.size() > 1 ? args[1].toDouble() : 240.0;
    if (lines <= 0 || songSeconds <= 0) {
        std::fprintf(stderr, "usage: lyrics_bench_lyrictick <lines> [seconds of song]\n");
        return 2;
    }

    testsupport::LyricTickWindow t;
    t.play({.duration = songSeconds + 60});
    t.loadLyrics(longLyric(lines));

    const int ticks = int(songSeconds / 0.05);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < ticks; ++i)
        t.tickAt(i * 0.05);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    std::printf("%d lines, %d characters: %d ticks in %.1f ms, %.0f ticks/s\n", lines,
                int(t.w->RichTextBox1->length()), ticks, ms, ticks / ms * 1000);
    return 0;
}
