// Median time of one recording-volume write and read through the recorder
// (a Let and a Get), against `pactl set-source-volume` followed by
// `pactl get-source-volume` on the same source in the same run. Run by
// scripts/bench_mixer.sh on its private sound server (not a test).
#include "sound/waveinrecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool pactl(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray source = argc > 1 ? QByteArray(argv[1]) : QByteArray("melodune_stereo");
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 200;

    melodune::WaveInRecorder rec;
    int row = -1;
    for (int i = 0, n = rec.DeviceCount(); i < n && row < 0; ++i)
        if (rec.SelectDevice(i) && rec.SelectedDeviceId() == source)
            row = i;
    if (row < 0) {
        std::fprintf(stderr, "no source %s on this server\n", source.constData());
        return 1;
    }

    std::vector<double> ours, theirs;
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        const std::int32_t raw = (i * 997) % 65536;
        t.start();
        const bool ok = rec.MixerLineVolume(raw) && rec.MixerLineVolume() == raw;
        ours.push_back(double(t.nsecsElapsed()) / 1e6);
        if (!ok) {
            std::fprintf(stderr, "write or read failed at %d\n", raw);
            return 1;
        }
    }
    const int pactlRounds = std::min(rounds, 50);
    for (int i = 0; i < pactlRounds; ++i) {
        const QString percent = QStringLiteral("%1%").arg((i * 7) % 100);
        t.start();
        const bool ok = pactl({QStringLiteral("set-source-volume"), QString::fromUtf8(source), percent}) &&
                        pactl({QStringLiteral("get-source-volume"), QString::fromUtf8(source)});
        theirs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (!ok) {
            std::fprintf(stderr, "pactl failed\n");
            return 1;
        }
    }
    const double a = median(ours), b = median(theirs);
    std::printf("source %s\n", source.constData());
    std::printf("recorder Let+Get   median %8.3f ms  (%d rounds)\n", a, rounds);
    std::printf("pactl set+get      median %8.3f ms  (%d rounds)\n", b, pactlRounds);
    std::printf("ratio              %8.1fx\n", b / a);
    return 0;
}
