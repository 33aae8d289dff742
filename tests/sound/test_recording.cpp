// Name rules, progress arithmetic and moving a take from the capture buffer
// into a WAV file.
#include "platform/clock.h"
#include "platform/dsound.h"
#include "platform/wavfile.h"
#include "sound/captureformat.h"
#include "sound/recording.h"
#include "tests/support/audiogen.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <iostream>

using namespace melodune;

namespace {

QByteArray pattern(qsizetype n, int seed = 7)
{
    QByteArray b(n, Qt::Uninitialized);
    quint32 x = quint32(seed);
    for (qsizetype i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        b[i] = char(x >> 24);
    }
    return b;
}

// A capture object over a fake input and one started buffer of `bytes`.
struct FakeTake {
    rt::FakeCaptureSource* input = nullptr;
    std::unique_ptr<rt::DSCapture> capture;
    std::unique_ptr<rt::DSCaptureBuffer> buffer;

    FakeTake(const rt::WaveFormatEx& format, int bytes)
    {
        auto src = std::make_unique<rt::FakeCaptureSource>();
        input = src.get();
        capture = std::make_unique<rt::DSCapture>(std::move(src));
        rt::CaptureBufferDesc desc;
        desc.bufferBytes = bytes;
        desc.format = format;
        buffer = capture->CreateCaptureBuffer(desc);
        EXPECT_TRUE(buffer && buffer->Start(0));
    }
};

} // namespace

TEST(RecordingNames, SavePathTakesWavOutOfTheFileNameOnly)
{
    const struct {
        const char* chosen;
        const char* saved;
    } cases[] = {
        {"take.wav", "take.wav"},
        {"take", "take.wav"},
        {"a.wav.b", "a.b.wav"},
        {"take.WAV", "take.WAV.wav"},
        {"/home/u/take", "/home/u/take.wav"},
        {"/home/u/songs.wav/take.wav", "/home/u/songs.wav/take.wav"},
        {"/home/u/a.wav.d/a.wav.b", "/home/u/a.wav.d/a.b.wav"},
        {"/tmp/x.wav.wav", "/tmp/x.wav"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(recordingSavePath(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.saved)) << c.chosen;
}

TEST(RecordingNames, DefaultNameIsRecAndTwelveDigitsOfTheClock)
{
    rt::FakeClock clock;
    clock.current = QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9));
    rt::ScopedClock scoped(&clock);
    EXPECT_EQ(defaultRecordingName(rt::clock().now()), QStringLiteral("Rec240305070809"));
    clock.current = QDateTime(QDate(2031, 12, 31), QTime(23, 59, 58));
    EXPECT_EQ(defaultRecordingName(rt::clock().now()), QStringLiteral("Rec311231235958"));
}

TEST(RecordingProgress, LineReachesItsEndWhenTheRecordedSecondsHavePassed)
{
    const double seconds = recordSecondsToTrackEnd(200.0, 60.0);
    EXPECT_DOUBLE_EQ(seconds, 141.0);
    EXPECT_FLOAT_EQ(progressLineX(0, seconds), ProgressLineStart);
    EXPECT_LT(progressLineX(140, seconds), ProgressLineEnd);
    EXPECT_FLOAT_EQ(progressLineX(141, seconds), ProgressLineEnd);
    EXPECT_NEAR(progressLineX(47, 94.0), 360.0f + 4290.0f / 2.0f, 0.01f);
    // A length that was never set stops at once rather than dividing by zero.
    EXPECT_GE(progressLineX(0, 0.0), ProgressLineEnd);
    EXPECT_GE(progressLineX(3, -5.0), ProgressLineEnd);

    EXPECT_EQ(wholeSecondsBetween(1000, 1999), 0);
    EXPECT_EQ(wholeSecondsBetween(1000, 2000), 1);
    EXPECT_EQ(wholeSecondsBetween(5000, 146000), 141);
}

TEST(RecordingCopy, SavedFileIsTheHeaderAndTheCapturedBytes)
{
    testsupport::TestDir dir;
    const struct {
        rt::WaveFormatEx format;
        int captured; // bytes fed
        const char* what;
    } cases[] = {
        {MakeWaveFormat(44100, 2, 16), 176400 + 4 * 37, "16-bit stereo"},
        {MakeWaveFormat(11025, 1, 8), 11025 * 2 + 1, "8-bit mono, odd count"},
    };
    for (const auto& c : cases) {
        FakeTake take(c.format, c.format.avgBytesPerSec * 5);
        const QByteArray samples = pattern(c.captured);
        // In pieces that split sample blocks, as a stream delivers them.
        for (qsizetype at = 0; at < samples.size(); at += 1001)
            take.input->feed(samples.mid(at, 1001));

        std::int32_t count = -1;
        std::unique_ptr<rt::DSBuffer> sound = copyCaptureToSoundBuffer(*take.buffer, &count);
        ASSERT_TRUE(sound) << c.what;
        EXPECT_EQ(take.buffer->GetStatus(), 0) << "the capture is stopped first";
        EXPECT_EQ(count, c.captured) << c.what;
        EXPECT_EQ(sound->desc().bufferBytes, c.captured);
        EXPECT_EQ(sound->desc().flags, 130);
        EXPECT_EQ(sound->format(), c.format);

        const QString path = dir.file(QString::fromUtf8(c.what) + QStringLiteral(".wav"));
        ASSERT_TRUE(sound->SaveToFile(path));
        QByteArray expected = testsupport::wavHeader(c.format, std::uint32_t(c.captured)) + samples;
        if (c.captured & 1)
            expected += '\0';
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll() == expected) << c.what;
    }
}

TEST(RecordingCopy, NothingCapturedGivesNoBuffer)
{
    FakeTake take(MakeWaveFormat(22050, 2, 16), 88200 * 2);
    std::int32_t count = -1;
    EXPECT_FALSE(copyCaptureToSoundBuffer(*take.buffer, &count));
    EXPECT_EQ(count, 0);
}

TEST(RecordingCopy, MissingFolderWritesNothing)
{
    testsupport::TestDir dir;
    FakeTake take(MakeWaveFormat(11025, 1, 8), 11025 * 4);
    take.input->feed(pattern(5000));
    auto sound = copyCaptureToSoundBuffer(*take.buffer);
    ASSERT_TRUE(sound);
    QString why;
    EXPECT_FALSE(sound->SaveToFile(dir.file("missing/take.wav"), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

// Not a check of speed, a measurement for the record: a ten-minute take at the
// largest format (about 106 MB) from capture buffer to WAV file.
TEST(RecordingCopy, TenMinuteTakeSaveTime)
{
    testsupport::TestDir dir;
    const rt::WaveFormatEx format = MakeWaveFormat(44100, 2, 16);
    const int seconds = 600;
    FakeTake take(format, format.avgBytesPerSec * (seconds + 3));
    const QByteArray second = pattern(format.avgBytesPerSec);
    for (int i = 0; i < seconds; ++i)
        take.input->feed(second);
    ASSERT_EQ(take.buffer->capturedBytes(), format.avgBytesPerSec * seconds);

    QElapsedTimer t;
    t.start();
    std::int32_t count = 0;
    auto sound = copyCaptureToSoundBuffer(*take.buffer, &count);
    ASSERT_TRUE(sound);
    const qint64 copyMs = t.elapsed();
    ASSERT_TRUE(sound->SaveToFile(dir.file("ten.wav")));
    const qint64 totalMs = t.elapsed();
    EXPECT_EQ(QFileInfo(dir.file("ten.wav")).size(), qint64(rt::WavHeaderBytes) + count);
    std::cout << "ten-minute take (" << count << " bytes): copy " << copyMs << " ms, copy and save " << totalMs
              << " ms\n";
}
