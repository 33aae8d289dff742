// The sound layers timed one call at a time, for scripts/bench_sound.sh:
//   gen DIR [SECONDS]       writes track.wav (4 min, 44.1 kHz stereo: a chord,
//                           a voice-like centre line and some noise) and
//                           track.mp3 (128 kbit/s) from it; with SECONDS,
//                           track.wav of that length alone
//   decode IN.mp3 OUT.wav   MP3 → WAV (the decoder control's work)
//   encode IN.wav OUT.mp3   WAV → MP3 at 44100 Hz, 128 kbit/s
//   devocal IN.wav OUT.wav  vocal removal: working copy, centre-cancel pass,
//                           write (what the vocal-removal job runs)
//   shift IN.wav OUT.wav N  key shift by N semitones through the effect
//                           control (open, shift, save)
// Each timing command prints the wall-clock milliseconds on stdout.
#include "platform/effect.h"
#include "platform/soundfiles.h"
#include "platform/wavfile.h"
#include "sound/vocalpass.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

int fail(const QString& why)
{
    std::fprintf(stderr, "%s\n", qPrintable(why));
    return 1;
}

int generate(const QString& folder, int seconds, bool mp3)
{
    QDir().mkpath(folder);
    const int rate = 44100;
    const long long frames = static_cast<long long>(seconds) * rate;
    const QString wav = QDir(folder).filePath(QStringLiteral("track.wav"));
    rt::WavWriter out;
    rt::SoundError failure;
    if (!out.open(wav, rt::pcmFormat(rate, 2, 16), &failure))
        return fail(failure.text);
    // Written a block at a time: any length in little memory.
    constexpr long long Block = 65536;
    std::vector<std::int16_t> pcm(Block * 2);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.02);
    for (long long at = 0; at < frames; at += Block) {
        const long long n = std::min(Block, frames - at);
        for (long long k = 0; k < n; ++k) {
            const long long i = at + k;
            const double t = double(i) / rate;
            // A centre line that moves each half second, over a chord that
            // is wider on the left than the right.
            const double voice = 0.25 * std::sin(2 * M_PI * (300 + 100 * ((i / (rate / 2)) % 5)) * t);
            const double chordL = 0.15 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277.2 * t));
            const double chordR = 0.15 * (std::sin(2 * M_PI * 329.6 * t) + std::sin(2 * M_PI * 110 * t));
            pcm[k * 2] = static_cast<std::int16_t>(std::lround((voice + chordL + noise(rng)) * 32767 * 0.8));
            pcm[k * 2 + 1] = static_cast<std::int16_t>(std::lround((voice + chordR + noise(rng)) * 32767 * 0.8));
        }
        if (!out.writeFrames(pcm.data(), n, &failure))
            return fail(failure.text);
    }
    if (!out.commit(&failure))
        return fail(failure.text);
    if (mp3 && !rt::encodeWavToMp3(wav, QDir(folder).filePath(QStringLiteral("track.mp3")), rate, 128000, &failure))
        return fail(failure.text);
    return 0;
}

int shift(int argc, char** argv, const QString& in, const QString& out, int semitones)
{
    // The effect control answers through an event loop.
    QCoreApplication app(argc, argv);
    std::unique_ptr<rt::EffectControl> fx(rt::createEffectControl());
    int status = 0;
    QEventLoop loop;
    QObject::connect(fx.get(), &rt::EffectControl::statusChange, &loop, [&](int s) {
        status = s;
        loop.quit();
    });
    auto step = [&](const std::function<void()>& call, int want) {
        call();
        loop.exec();
        return status == want;
    };
    // The control's amount: a ≥ 0 shifts a + 1 semitones.
    const auto amount = static_cast<std::int16_t>(semitones > 0 ? semitones - 1 : semitones);
    if (!step([&] { fx->open(in); }, rt::EffectControl::StatusOpened)
        || !step([&] { fx->shift(amount, 2048); }, rt::EffectControl::StatusShifted)
        || !step([&] { fx->save(out); }, rt::EffectControl::StatusSaved))
        return fail(fx->lastError().text);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The file work needs no application object: the timings start as a
    // command-line tool's would.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if ((args.size() == 2 || args.size() == 3) && args[0] == QLatin1String("gen"))
        return generate(args[1], args.size() == 3 ? args[2].toInt() : 240, args.size() == 2);
    QElapsedTimer timer;
    timer.start();
    rt::SoundError error;
    int rc = 0;
    if (args.size() == 3 && args[0] == QLatin1String("decode"))
        rc = rt::decodeMp3ToWav(args[1], args[2], &error) ? 0 : fail(error.text);
    else if (args.size() == 3 && args[0] == QLatin1String("encode"))
        rc = rt::encodeWavToMp3(args[1], args[2], 44100, 128000, &error) ? 0 : fail(error.text);
    else if (args.size() == 3 && args[0] == QLatin1String("devocal")) {
        const QString copy = args[2] + QStringLiteral(".copy.wav");
        rc = rt::makeWorkingCopy(args[1], copy, &error) &&
                     melodune::removeVocalsFromFile(copy, args[2], nullptr, &error) == melodune::VocalFileResult::Ok
                 ? 0
                 : fail(error.text);
        QFile::remove(copy);
    } else if (args.size() == 4 && args[0] == QLatin1String("shift"))
        rc = shift(argc, argv, args[1], args[2], args[3].toInt());
    else {
        std::fprintf(stderr, "usage: %s gen DIR [SECONDS] | decode IN OUT | encode IN OUT | devocal IN OUT | shift IN OUT SEMITONES\n", argv[0]);
        return 2;
    }
    if (rc == 0)
        std::printf("%lld\n", static_cast<long long>(timer.elapsed()));
    return rc;
}
