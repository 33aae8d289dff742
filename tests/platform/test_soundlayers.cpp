// The three sound controls and the working copy: formats kept, lengths kept
// to the sample, tones where they belong, failures reported and nothing
// written, and every outcome delivered through the event loop.
#include "platform/effect.h"
#include "platform/effectdsp.h"
#include "platform/mp3enc.h"
#include "platform/mp3play.h"
#include "platform/soundfakes.h"
#include "platform/soundfiles.h"
#include "platform/wavfile.h"

#include "tests/support/audiogen.h"
#include "tests/support/testdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <optional>
#include <sndfile.h>
#include <vector>

namespace {

using testsupport::TestDir;
using testsupport::ToneSpec;

// ---- helpers

struct Pcm {
    rt::WaveFormatEx format{};
    QByteArray header;
    QByteArray data;
    long long frames() const { return format.blockAlign ? data.size() / format.blockAlign : 0; }
    // One channel as doubles (full scale 1).
    std::vector<double> channel(int c, long long from = 0, long long count = -1) const
    {
        const auto* s = reinterpret_cast<const std::int16_t*>(data.constData());
        const long long n = frames();
        if (count < 0 || from + count > n)
            count = n - from;
        std::vector<double> out(static_cast<size_t>(count));
        for (long long i = 0; i < count; ++i)
            out[i] = s[(from + i) * format.channels + c] / 32768.0;
        return out;
    }
};

Pcm readPcm(const QString& path)
{
    Pcm p;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    p.header = f.read(rt::WavHeaderBytes);
    QString error;
    EXPECT_TRUE(rt::readWavFile(path, &p.format, &p.data, &error)) << error.toStdString();
    return p;
}

// A WAV through libsndfile in any of its formats; `fill(frame, channel)`
// gives the sample, full scale 1.
template <typename Fill>
bool writeSound(const QString& path, int format, int rate, int channels, long long frames, Fill fill)
{
    SF_INFO si{};
    si.samplerate = rate;
    si.channels = channels;
    si.format = format;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &si);
    if (!f)
        return false;
    std::vector<double> buf(static_cast<size_t>(frames) * channels);
    for (long long i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            buf[i * channels + c] = fill(i, c);
    const bool ok = sf_writef_double(f, buf.data(), frames) == frames;
    return sf_close(f) == 0 && ok;
}

double sine(double hz, long long i, int rate, double amp = 0.5) { return amp * std::sin(2 * M_PI * hz * i / rate); }

double levelDb(const std::vector<double>& x, double hz, double rate)
{
    return 10 * std::log10(testsupport::goertzelPower(x, hz, rate) + 1e-30);
}

// The strongest frequency near `around` (±60 Hz, 0.1 Hz steps).
double peakHz(const std::vector<double>& x, double around, double rate)
{
    double best = 0, bestPower = -1;
    for (double hz = around - 60; hz <= around + 60; hz += 0.1) {
        const double p = testsupport::goertzelPower(x, hz, rate);
        if (p > bestPower) {
            bestPower = p;
            best = hz;
        }
    }
    return best;
}

// The MPEG audio frames of an MP3: each header's sample rate and bit rate.
struct FrameHeader {
    int rate = 0;
    int bitRate = 0;
};
std::vector<FrameHeader> mp3Frames(const QByteArray& b)
{
    static const int rates[3] = {44100, 48000, 32000};
    static const int kbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    std::vector<FrameHeader> out;
    int at = 0;
    while (at + 4 <= b.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
        // MPEG-1 Layer III, sync word
        if (p[0] != 0xFF || (p[1] & 0xFE) != 0xFA)
            break;
        const int bitIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3, pad = (p[2] >> 1) & 1;
        if (rateIndex == 3 || kbps[bitIndex] == 0)
            break;
        FrameHeader h{rates[rateIndex], kbps[bitIndex] * 1000};
        out.push_back(h);
        at += 144 * h.bitRate / h.rate + pad;
    }
    return out;
}

// Waits for one emission of `spy`'s signal, which must not have come
// inside the call that started the work.
bool arrivesLater(QSignalSpy& spy)
{
    if (!spy.isEmpty())
        return false;
    return spy.wait(60000);
}

// ---- working copy

struct CopyCase {
    const char* name;
    int format;
    int rate;
    int channels;
};

TEST(WorkingCopy, AnyWavBecomesCanonical16BitAtItsOwnRateAndChannels)
{
    const CopyCase cases[] = {
        {"pcm16-44k-stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2},
        {"pcm16-48k-stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2},
        {"pcm8-22k-stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 22050, 2},
        {"pcm24-44k-mono", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 1},
        {"float-extensible-48k", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 48000, 2},
    };
    TestDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString src = dir.file(QStringLiteral("%1.wav").arg(QLatin1String(c.name)));
        const long long frames = c.rate / 3 + 7; // not a round number
        ASSERT_TRUE(writeSound(src, c.format, c.rate, c.channels, frames,
                               [&](long long i, int ch) { return sine(ch ? 1000 : 440, i, c.rate); }));
        const QString copy = dir.file(QStringLiteral("%1-copy.wav").arg(QLatin1String(c.name)));
        rt::SoundError error;
        rt::SoundFileInfo info;
        ASSERT_TRUE(rt::makeWorkingCopy(src, copy, &error, nullptr, &info)) << error.text.toStdString();
        const Pcm p = readPcm(copy);
        EXPECT_EQ(p.format, rt::pcmFormat(c.rate, c.channels, 16));
        EXPECT_EQ(p.header.mid(36, 4), QByteArray("data")); // canonical: data right after fmt
        EXPECT_EQ(qFromLittleEndian<std::uint16_t>(p.header.constData() + 22), c.channels);
        EXPECT_EQ(p.frames(), frames);
        EXPECT_EQ(info.frames, frames);
        EXPECT_EQ(info.sampleRate, c.rate);
        // The tone survives the sample-format change.
        const auto left = p.channel(0);
        EXPECT_GT(levelDb(left, 440, c.rate), levelDb(left, 600, c.rate) + 30);
    }
}

TEST(WorkingCopy, ExtraChunksAreSkippedAnd16BitDataKeptByteForByte)
{
    TestDir dir;
    // A "JUNK" chunk before "fmt " and an unknown one of odd size (padded)
    // between it and "data".
    QByteArray samples;
    for (int i = 0; i < 1000; ++i) {
        const qint16 v[2] = {static_cast<qint16>(i * 31 - 16000), static_cast<qint16>(-i * 17)};
        samples.append(reinterpret_cast<const char*>(v), 4);
    }
    auto le32 = [](quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    const QByteArray fmt = testsupport::wavHeader(rt::pcmFormat(44100, 2, 16), 0).mid(12, 24);
    const QByteArray junk = QByteArray("JUNK") + le32(10) + QByteArray(10, '\0');
    const QByteArray extra = QByteArray("xtra") + le32(3) + QByteArray("xyz\0", 4);
    QByteArray body = QByteArray("WAVE") + junk + fmt + extra + QByteArray("data") + le32(samples.size()) + samples;
    dir.write(QStringLiteral("chunks.wav"), QByteArray("RIFF") + le32(body.size()) + body);

    rt::SoundError error;
    ASSERT_TRUE(rt::makeWorkingCopy(dir.file(QStringLiteral("chunks.wav")), dir.file(QStringLiteral("2.wav")), &error))
        << error.text.toStdString();
    const QByteArray out = dir.read(QStringLiteral("2.wav"));
    EXPECT_EQ(out.left(44), testsupport::wavHeader(rt::pcmFormat(44100, 2, 16), samples.size()));
    EXPECT_EQ(out.mid(44), samples);
}

TEST(WorkingCopy, RefusalsWriteNothingAndKeepAnExistingTarget)
{
    TestDir dir;
    ASSERT_TRUE(writeSound(dir.file(QStringLiteral("surround.wav")), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 6, 100,
                           [](long long, int) { return 0.1; }));
    dir.write(QStringLiteral("noise.mp3"), QByteArray(5000, 'x'));
    dir.write(QStringLiteral("noise.wav"), QByteArray(5000, 'x'));
    dir.write(QStringLiteral("old.wav"), "keep me");
    for (const char* src : {"surround.wav", "noise.mp3", "noise.wav", "missing.wav", "missing.mp3"}) {
        SCOPED_TRACE(src);
        rt::SoundError error;
        EXPECT_FALSE(rt::makeWorkingCopy(dir.file(QLatin1String(src)), dir.file(QStringLiteral("old.wav")), &error));
        EXPECT_FALSE(error.text.isEmpty());
        EXPECT_FALSE(error.cannotWrite()) << "the input was the trouble";
        EXPECT_EQ(dir.read(QStringLiteral("old.wav")), QByteArray("keep me"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4); // no leftovers
}

TEST(WorkingCopy, MonoMp3StaysMonoAndJobReportsThroughTheEventLoop)
{
    TestDir dir;
    ASSERT_TRUE(testsupport::writeSineMp3(dir.file(QStringLiteral("mono.mp3")), ToneSpec{1.0, 44100, 1, 440, 0.5}));
    rt::WorkingCopyJob job;
    QSignalSpy spy(&job, &rt::WorkingCopyJob::finished);
    job.start(dir.file(QStringLiteral("mono.mp3")), dir.file(QStringLiteral("3.wav")));
    ASSERT_TRUE(arrivesLater(spy));
    EXPECT_TRUE(spy.at(0).at(0).toBool()) << spy.at(0).at(1).toString().toStdString();
    EXPECT_EQ(job.info().channels, 1);
    const Pcm p = readPcm(dir.file(QStringLiteral("3.wav")));
    EXPECT_EQ(p.format, rt::pcmFormat(44100, 1, 16));
    EXPECT_EQ(p.frames(), 44100); // gapless: the encoder's delay and padding are gone
}

TEST(WorkingCopy, CancelledJobSendsNothingAndLeavesNoPartialFile)
{
    TestDir dir;
    ASSERT_TRUE(testsupport::writeSineWav(dir.file(QStringLiteral("long.wav")), ToneSpec{30.0, 44100, 2, 440, 0.5}));
    rt::WorkingCopyJob job;
    QSignalSpy spy(&job, &rt::WorkingCopyJob::finished);
    job.start(dir.file(QStringLiteral("long.wav")), dir.file(QStringLiteral("2.wav")));
    job.cancel();
    EXPECT_FALSE(job.running());
    EXPECT_FALSE(spy.wait(300));
    // Stopped, or completed just before the cancel: never a partial copy.
    QStringList files = QDir(dir.path()).entryList(QDir::Files);
    if (files.removeAll(QStringLiteral("2.wav"))) {
        EXPECT_EQ(readPcm(dir.file(QStringLiteral("2.wav"))).frames(), 30 * 44100);
    }
    EXPECT_EQ(files, QStringList{QStringLiteral("long.wav")});
}

// ---- decoder and encoder

TEST(Mp3Conversion, DestroyingControlsMidJobJoinsThemAndLeavesNoPartialFile)
{
    TestDir dir;
    ASSERT_TRUE(testsupport::writeSineWav(dir.file(QStringLiteral("long.wav")), ToneSpec{60.0, 44100, 2, 440, 0.5}));
    ASSERT_TRUE(testsupport::writeSineMp3(dir.file(QStringLiteral("long.mp3")), ToneSpec{60.0, 44100, 2, 440, 0.5}));
    {
        std::unique_ptr<rt::Mp3Encoder> enc(rt::createMp3Encoder());
        std::unique_ptr<rt::Mp3Decoder> dec(rt::createMp3Decoder());
        std::unique_ptr<rt::EffectControl> fx(rt::createEffectControl());
        enc->setFiles(dir.file(QStringLiteral("long.wav")), dir.file(QStringLiteral("out.mp3")));
        enc->start();
        dec->setFiles(dir.file(QStringLiteral("long.mp3")), dir.file(QStringLiteral("out.wav")));
        dec->start();
        fx->open(dir.file(QStringLiteral("long.wav")));
        EXPECT_TRUE(enc->running());
        EXPECT_TRUE(dec->running());
        EXPECT_TRUE(fx->running());
    }
    QCoreApplication::processEvents(); // nothing queued may reach a dead object
    // A job is stopped or had completed: no partial file either way.
    QStringList files = QDir(dir.path()).entryList(QDir::Files);
    files.removeAll(QStringLiteral("out.mp3"));
    files.removeAll(QStringLiteral("out.wav"));
    EXPECT_EQ(files, (QStringList{"long.mp3", "long.wav"}));
    if (dir.exists(QStringLiteral("out.wav"))) {
        EXPECT_EQ(readPcm(dir.file(QStringLiteral("out.wav"))).frames(), 60 * 44100);
    }
    if (dir.exists(QStringLiteral("out.mp3"))) {
        rt::SoundError error;
        EXPECT_TRUE(rt::decodeMp3ToWav(dir.file(QStringLiteral("out.mp3")), dir.file(QStringLiteral("check.wav")), &error));
        EXPECT_EQ(readPcm(dir.file(QStringLiteral("check.wav"))).frames(), 60 * 44100);
    }
}

struct RateCase {
    int rate;
    int bitRate;
};

TEST(Mp3Conversion, FramesDeclareTheSetRatesAndRoundTripKeepsLengthAndTone)
{
    const RateCase cases[] = {{32000, 56000}, {44100, 128000}, {48000, 256000}};
    TestDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        const long long frames = c.rate * 2 + 123;
        const QString wav = dir.file(QStringLiteral("in%1.wav").arg(c.rate));
        ASSERT_TRUE(writeSound(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, c.rate, 2, frames,
                               [&](long long i, int ch) { return sine(ch ? 1000 : 440, i, c.rate); }));
        const QString mp3 = dir.file(QStringLiteral("out%1.mp3").arg(c.rate));
        const QString back = dir.file(QStringLiteral("back%1.wav").arg(c.rate));

        std::unique_ptr<rt::Mp3Encoder> enc(rt::createMp3Encoder());
        QSignalSpy encSpy(enc.get(), &rt::Mp3Encoder::finished);
        enc->setSampleRate(c.rate);
        enc->setBitRate(c.bitRate);
        enc->setFiles(wav, mp3);
        enc->start();
        ASSERT_TRUE(arrivesLater(encSpy));
        ASSERT_TRUE(encSpy.at(0).at(0).toBool()) << encSpy.at(0).at(1).toString().toStdString();

        const auto headers = mp3Frames(dir.read(QFileInfo(mp3).fileName()));
        ASSERT_GT(headers.size(), 10u);
        for (const auto& h : headers) {
            ASSERT_EQ(h.rate, c.rate);
            ASSERT_EQ(h.bitRate, c.bitRate);
        }

        std::unique_ptr<rt::Mp3Decoder> dec(rt::createMp3Decoder());
        QSignalSpy decSpy(dec.get(), &rt::Mp3Decoder::finished);
        dec->setFiles(mp3, back);
        dec->start();
        ASSERT_TRUE(arrivesLater(decSpy));
        ASSERT_TRUE(decSpy.at(0).at(0).toBool()) << decSpy.at(0).at(1).toString().toStdString();
        const Pcm p = readPcm(back);
        EXPECT_EQ(p.format, rt::pcmFormat(c.rate, 2, 16));
        EXPECT_EQ(p.frames(), frames);
        const auto left = p.channel(0, c.rate / 2, c.rate);
        const auto right = p.channel(1, c.rate / 2, c.rate);
        EXPECT_GT(levelDb(left, 440, c.rate), levelDb(left, 1000, c.rate) + 30);
        EXPECT_GT(levelDb(right, 1000, c.rate), levelDb(right, 440, c.rate) + 30);
    }
}

TEST(Mp3Conversion, FailuresComeAsEventsAndKeepAnExistingOutput)
{
    TestDir dir;
    dir.write(QStringLiteral("garbage.mp3"), QByteArray(20000, '\x55'));
    dir.write(QStringLiteral("garbage.wav"), QByteArray(20000, '\x55'));
    dir.write(QStringLiteral("old.wav"), "old wav");
    dir.write(QStringLiteral("old.mp3"), "old mp3");
    ASSERT_TRUE(testsupport::writeSineWav(dir.file(QStringLiteral("ok.wav")), ToneSpec{0.5, 44100, 2, 440, 0.5}));

    std::unique_ptr<rt::Mp3Decoder> dec(rt::createMp3Decoder());
    QSignalSpy decSpy(dec.get(), &rt::Mp3Decoder::finished);
    for (const char* in : {"garbage.mp3", "missing.mp3"}) {
        SCOPED_TRACE(in);
        decSpy.clear();
        dec->setFiles(dir.file(QLatin1String(in)), dir.file(QStringLiteral("old.wav")));
        dec->start();
        ASSERT_TRUE(arrivesLater(decSpy));
        EXPECT_FALSE(decSpy.at(0).at(0).toBool());
        EXPECT_FALSE(decSpy.at(0).at(1).toString().isEmpty());
        EXPECT_EQ(dir.read(QStringLiteral("old.wav")), QByteArray("old wav"));
    }

    std::unique_ptr<rt::Mp3Encoder> enc(rt::createMp3Encoder());
    QSignalSpy encSpy(enc.get(), &rt::Mp3Encoder::finished);
    struct {
        const char* in;
        int rate;
    } bad[] = {{"garbage.wav", 44100}, {"missing.wav", 44100}, {"ok.wav", 12345}};
    for (const auto& b : bad) {
        SCOPED_TRACE(b.in);
        encSpy.clear();
        enc->setSampleRate(b.rate);
        enc->setFiles(dir.file(QLatin1String(b.in)), dir.file(QStringLiteral("old.mp3")));
        enc->start();
        ASSERT_TRUE(arrivesLater(encSpy));
        EXPECT_FALSE(encSpy.at(0).at(0).toBool());
        EXPECT_EQ(dir.read(QStringLiteral("old.mp3")), QByteArray("old mp3"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5); // no leftovers
}

// ---- effect control

// Runs one call and returns the status it answers with (0: none within a
// few seconds); the status must not come inside the call.
int answerOf(rt::EffectControl& fx, const std::function<void()>& call)
{
    QSignalSpy spy(&fx, &rt::EffectControl::statusChange);
    call();
    if (!spy.isEmpty())
        return -1000; // inside the call
    if (!spy.wait(120000))
        return 0;
    return spy.at(0).at(0).toInt();
}

TEST(EffectControl, KeyShiftMovesTheToneByTheMappedSemitonesAtTheSameLength)
{
    struct Case {
        std::int16_t amount; // as handed over
        int channels;
        int rate;
        int format;
        double want;
    } cases[] = {
        {2, 2, 44100, SF_FORMAT_PCM_16, 523.25},
        {-1, 2, 44100, SF_FORMAT_PCM_16, 415.30},
        {2, 1, 44100, SF_FORMAT_PCM_16, 523.25},
        {-1, 1, 48000, SF_FORMAT_PCM_U8, 415.30},
    };
    TestDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.amount << " on " << c.channels << " channels at " << c.rate);
        const QString in = dir.file(QStringLiteral("in%1-%2.wav").arg(c.channels).arg(c.rate));
        const long long frames = c.rate * 3 + 17;
        ASSERT_TRUE(writeSound(in, SF_FORMAT_WAV | c.format, c.rate, c.channels, frames,
                               [&](long long i, int) { return sine(440, i, c.rate); }));
        const QString out = dir.file(QStringLiteral("out.wav"));
        std::unique_ptr<rt::EffectControl> fx(rt::createEffectControl());
        ASSERT_EQ(answerOf(*fx, [&] { fx->open(in); }), rt::EffectControl::StatusOpened);
        ASSERT_EQ(answerOf(*fx, [&] { fx->shift(c.amount, 2048); }), rt::EffectControl::StatusShifted);
        ASSERT_EQ(answerOf(*fx, [&] { fx->save(out); }), rt::EffectControl::StatusSaved) << fx->lastError().text.toStdString();
        const Pcm p = readPcm(out);
        EXPECT_EQ(p.format, rt::pcmFormat(c.rate, c.channels, 16));
        EXPECT_EQ(p.frames(), frames);
        for (int ch = 0; ch < c.channels; ++ch)
            EXPECT_NEAR(peakHz(p.channel(ch, c.rate, c.rate), c.want, c.rate), c.want, 0.5);
    }
}

TEST(EffectControl, AmountMapsToSemitones)
{
    EXPECT_EQ(rt::effectSemitones(0), 1);
    EXPECT_EQ(rt::effectSemitones(4), 5);
    EXPECT_EQ(rt::effectSemitones(-1), -1);
    EXPECT_EQ(rt::effectSemitones(-5), -5);
}

TEST(EffectControl, StrongerCompensationLiftsLowsMoreAndLeaves8kHzWithin1dB)
{
    // The five strengths of the compensation after vocal removal.
    const rt::EffectControl::Values rows[] = {
        {30, 20, 10, 0, 0, 0, 0, 0, 0, 100},     {40, 30, 20, 10, 0, 0, 0, 0, 0, 100},
        {60, 50, 40, 30, 20, 10, 0, 0, 0, 100},  {80, 70, 60, 50, 30, 20, 10, 0, 0, 100},
        {100, 90, 80, 70, 50, 30, 20, 10, 0, 100},
    };
    TestDir dir;
    const int rate = 44100;
    const QString in = dir.file(QStringLiteral("in.wav"));
    // A low tone left, 8 kHz right, quiet enough not to clip when lifted.
    ASSERT_TRUE(writeSound(in, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 2, rate * 2,
                           [](long long i, int ch) { return ch ? sine(8000, i, rate, 0.2) : sine(60, i, rate, 0.2); }));
    const Pcm src = readPcm(in);
    const double low0 = levelDb(src.channel(0, rate / 2, rate), 60, rate);
    const double high0 = levelDb(src.channel(1, rate / 2, rate), 8000, rate);
    std::unique_ptr<rt::EffectControl> fx(rt::createEffectControl());
    double previousLow = low0;
    for (int r = 0; r < 5; ++r) {
        SCOPED_TRACE(r + 1);
        const QString out = dir.file(QStringLiteral("out%1.wav").arg(r + 1));
        ASSERT_EQ(answerOf(*fx, [&] { fx->open(in); }), rt::EffectControl::StatusOpened);
        ASSERT_EQ(answerOf(*fx, [&] { fx->setValues(rows[r]); }), rt::EffectControl::StatusValuesSet);
        ASSERT_EQ(answerOf(*fx, [&] { fx->save(out); }), rt::EffectControl::StatusSaved);
        const Pcm p = readPcm(out);
        EXPECT_EQ(p.frames(), src.frames());
        const double low = levelDb(p.channel(0, rate / 2, rate), 60, rate);
        const double high = levelDb(p.channel(1, rate / 2, rate), 8000, rate);
        EXPECT_GT(low, previousLow + 0.5);
        EXPECT_NEAR(high, high0, 1.0);
        previousLow = low;
    }
}

TEST(EffectControl, OutputLevelClipsNeverWraps)
{
    const float in[] = {0.0f, 0.5f, -0.5f, 0.9999f, 1.5f, -1.5f, 1e9f};
    std::int16_t out[7];
    rt::toPcm16(in, 7, 1.0, out);
    EXPECT_EQ(std::vector<std::int16_t>(out, out + 7),
              (std::vector<std::int16_t>{0, 16384, -16384, 32765, 32767, -32768, 32767}));
    rt::toPcm16(in, 4, 3.0, out); // a level of 300 %
    EXPECT_EQ(std::vector<std::int16_t>(out, out + 4), (std::vector<std::int16_t>{0, 32767, -32768, 32767}));
}

TEST(EffectControl, FailuresAnswerTheFailureStatusAndWriteNothing)
{
    TestDir dir;
    ASSERT_TRUE(writeSound(dir.file(QStringLiteral("six.wav")), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 6, 100,
                           [](long long, int) { return 0.1; }));
    ASSERT_TRUE(testsupport::writeSineWav(dir.file(QStringLiteral("ok.wav")), ToneSpec{0.5, 44100, 2, 440, 0.5}));
    dir.write(QStringLiteral("old.wav"), "old");
    const int failed = rt::EffectControl::StatusFailed;
    std::unique_ptr<rt::EffectControl> fx(rt::createEffectControl());
    // Nothing open yet.
    EXPECT_EQ(answerOf(*fx, [&] { fx->setValues({}); }), failed);
    EXPECT_EQ(answerOf(*fx, [&] { fx->shift(1, 2048); }), failed);
    EXPECT_EQ(answerOf(*fx, [&] { fx->save(dir.file(QStringLiteral("old.wav"))); }), failed);
    EXPECT_EQ(answerOf(*fx, [&] { fx->open(dir.file(QStringLiteral("missing.wav"))); }), failed);
    EXPECT_FALSE(fx->lastError().text.isEmpty());
    EXPECT_EQ(answerOf(*fx, [&] { fx->open(dir.file(QStringLiteral("six.wav"))); }), failed);
    // A failed open forgets the file opened before it.
    ASSERT_EQ(answerOf(*fx, [&] { fx->open(dir.file(QStringLiteral("ok.wav"))); }), rt::EffectControl::StatusOpened);
    EXPECT_EQ(answerOf(*fx, [&] { fx->open(dir.file(QStringLiteral("missing.wav"))); }), failed);
    EXPECT_EQ(answerOf(*fx, [&] { fx->save(dir.file(QStringLiteral("old.wav"))); }), failed);
    // Bad amount or block; an unwritable output.
    ASSERT_EQ(answerOf(*fx, [&] { fx->open(dir.file(QStringLiteral("ok.wav"))); }), rt::EffectControl::StatusOpened);
    EXPECT_EQ(answerOf(*fx, [&] { fx->shift(30, 2048); }), failed);
    EXPECT_EQ(answerOf(*fx, [&] { fx->shift(1, 0); }), failed);
    EXPECT_EQ(answerOf(*fx, [&] { fx->save(dir.file(QStringLiteral("no/such/folder/out.wav"))); }), failed);
    EXPECT_EQ(dir.read(QStringLiteral("old.wav")), QByteArray("old"));
    // A cancelled save answers nothing and writes nothing. A key shift of a
    // long song keeps the save working long enough for the cancel to land
    // first; a tiny file can be written whole before the cancel arrives.
    ASSERT_TRUE(testsupport::writeSineWav(dir.file(QStringLiteral("long.wav")), ToneSpec{30.0, 44100, 2, 440, 0.5}));
    ASSERT_EQ(answerOf(*fx, [&] { fx->open(dir.file(QStringLiteral("long.wav"))); }), rt::EffectControl::StatusOpened);
    ASSERT_EQ(answerOf(*fx, [&] { fx->shift(3, 2048); }), rt::EffectControl::StatusShifted);
    QSignalSpy spy(fx.get(), &rt::EffectControl::statusChange);
    fx->save(dir.file(QStringLiteral("old.wav")));
    fx->cancel();
    EXPECT_FALSE(spy.wait(300));
    EXPECT_EQ(dir.read(QStringLiteral("old.wav")), QByteArray("old"));
}

// ---- effect arithmetic in blocks

TEST(EffectBlocks, BoostsInBlocksEqualOnePieceAndResetStartsAfresh)
{
    const int rate = 44100, frames = rate / 2;
    std::vector<float> x(std::size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        x[2 * i] = float(sine(50, i, rate, 0.3) + sine(3000, i, rate, 0.2));
        x[2 * i + 1] = float(sine(110, i, rate, 0.4) - sine(700, i, rate, 0.1));
    }
    const std::array<std::int16_t, 9> bands = {100, 90, 80, 70, 50, 30, 20, 10, 0};
    std::vector<float> whole = x;
    rt::BandBoost(2, rate, bands).process(whole.data(), frames);
    ASSERT_NE(whole, x);
    // Uneven blocks, one of a single frame: the filters carry on across.
    rt::BandBoost boost(2, rate, bands);
    std::vector<float> blocks = x;
    int at = 0;
    for (const int n : {1, 7, 1000, 4096, frames}) {
        const int take = std::min(n, frames - at);
        boost.process(blocks.data() + std::size_t(at) * 2, take);
        at += take;
    }
    EXPECT_EQ(blocks, whole);
    // A second pass after reset() is the first one again.
    boost.reset();
    std::vector<float> again = x;
    boost.process(again.data(), frames);
    EXPECT_EQ(again, whole);
}

// A tone of any length made as it is read, counting the reads; the given
// read sets the cancel flag.
class ToneSource : public rt::FrameSource {
public:
    ToneSource(std::size_t frames, std::atomic<bool>* cancel, int cancelAtRead)
        : cancel_(cancel), cancelAt_(cancelAtRead)
    {
        channels_ = 2;
        rate_ = 44100;
        frames_ = frames;
    }
    int reads = 0;
    bool read(float* out, std::size_t count, std::size_t* got, QString*) override
    {
        if (++reads == cancelAt_)
            *cancel_ = true;
        *got = std::min(count, frames_ - at_);
        for (std::size_t i = 0; i < *got; ++i, ++at_)
            out[2 * i] = out[2 * i + 1] = float(sine(440, static_cast<long long>(at_), rate_, 0.3));
        return true;
    }
    bool rewind(QString*) override
    {
        at_ = 0;
        return true;
    }

private:
    std::atomic<bool>* cancel_;
    int cancelAt_;
    std::size_t at_ = 0;
};

TEST(EffectBlocks, CancelStopsTheWorkAtTheNextBlock)
{
    const std::size_t twoHours = std::size_t(2) * 3600 * 44100;
    const std::size_t twentySeconds = std::size_t(20) * 44100;
    const std::size_t studyReads = (twentySeconds + 2047) / 2048;
    const std::array<std::int16_t, 9> bands = {60, 50, 40, 30, 20, 10, 0, 0, 0};
    struct Case {
        const char* what;
        bool boost;
        bool shift;
        std::size_t frames;
        int cancelAt;
    } cases[] = {
        {"compensation of two hours", true, false, twoHours, 5},
        {"key shift of two hours, studying", false, true, twoHours, 5},
        {"compensated key shift of two hours, studying", true, true, twoHours, 5},
        {"key shift, processing", false, true, twentySeconds, int(studyReads) + 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::atomic<bool> cancel{false};
        ToneSource in(c.frames, &cancel, c.cancelAt);
        rt::EffectSettings settings;
        if (c.boost)
            settings.bands = bands;
        if (c.shift)
            settings.semitones = 3;
        std::size_t written = 0;
        QString error = QStringLiteral("unset");
        EXPECT_FALSE(rt::renderEffect(
            in, settings, [&](const std::int16_t*, std::size_t n) { return written += n, true; }, &cancel, &error));
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(in.reads, c.cancelAt) << "no block read after the cancel";
        EXPECT_LT(written, c.frames);
    }
}

TEST(SoundWorkerJob, MemoryThatRunsOutFailsTheJobNotTheProgram)
{
    QObject owner;
    rt::SoundWorker worker;
    std::optional<rt::SoundResult> result;
    worker.start(
        &owner, [](const std::atomic<bool>&) -> rt::SoundResult { throw std::bad_alloc(); },
        [&](const rt::SoundResult& r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 60000));
    EXPECT_FALSE(result->ok);
    EXPECT_TRUE(result->error.outOfMemory);
    EXPECT_FALSE(result->error.cannotWrite());
    EXPECT_FALSE(worker.running());
}

// ---- stand-ins

TEST(SoundFakes, AnswerThroughTheEventLoopAsScripted)
{
    rt::FakeEffectControl fx;
    QSignalSpy spy(&fx, &rt::EffectControl::statusChange);
    fx.replies[11] = 7; // an unexpected status
    fx.replies[6] = 0;  // never answers
    fx.open(QStringLiteral("a.wav"));
    fx.setValues({1, 2, 3, 4, 5, 6, 7, 8, 9, 100});
    fx.shift(4, 2048);
    EXPECT_TRUE(spy.isEmpty());
    QCoreApplication::processEvents();
    ASSERT_EQ(spy.size(), 2);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 7);
    EXPECT_EQ(fx.calls, (QStringList{"open:a.wav", "values:1,2,3,4,5,6,7,8,9,100", "shift:4,2048"}));

    rt::FakeMp3Decoder dec;
    QSignalSpy decSpy(&dec, &rt::Mp3Decoder::finished);
    dec.reply = rt::FakeReply::Hold;
    dec.setFiles(QStringLiteral("in.mp3"), QStringLiteral("out.wav"));
    dec.start();
    QCoreApplication::processEvents();
    EXPECT_TRUE(decSpy.isEmpty());
    EXPECT_TRUE(dec.running());
    dec.finish(false, QStringLiteral("bad"));
    EXPECT_TRUE(decSpy.isEmpty());
    QCoreApplication::processEvents();
    ASSERT_EQ(decSpy.size(), 1);
    EXPECT_FALSE(decSpy.at(0).at(0).toBool());
    EXPECT_FALSE(dec.running());

    rt::FakeMp3Encoder enc;
    QSignalSpy encSpy(&enc, &rt::Mp3Encoder::finished);
    enc.start();
    enc.cancel(); // drops the queued event
    QCoreApplication::processEvents();
    EXPECT_TRUE(encSpy.isEmpty());
}

} // namespace
