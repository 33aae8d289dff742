#include "platform/wavfile.h"

#include "tests/support/audiogen.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

namespace {

QByteArray bytes(std::initializer_list<int> v)
{
    QByteArray b;
    for (int x : v)
        b.append(static_cast<char>(x));
    return b;
}

// Sample bytes in a pattern that shows where each one lands.
QByteArray samplesOf(qsizetype n)
{
    QByteArray b(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = static_cast<char>(i * 7 + 3);
    return b;
}

TEST(WavFile, HeaderOfWhatIsWrittenByHand)
{
    testsupport::TestDir dir;
    const QByteArray samples = samplesOf(1000);
    ASSERT_TRUE(rt::writeWavFile(dir.file("a.wav"), rt::pcmFormat(44100, 2, 16), samples.constData(), samples.size()));
    const QByteArray file = dir.read("a.wav");
    const QByteArray want = QByteArray("RIFF") + bytes({0x0C, 0x04, 0, 0}) // 36 + 1000 = 1036
                            + QByteArray("WAVEfmt ") + bytes({16, 0, 0, 0}) + bytes({1, 0}) // PCM
                            + bytes({2, 0})                                                 // channels
                            + bytes({0x44, 0xAC, 0, 0})                                     // 44100
                            + bytes({0x10, 0xB1, 0x02, 0})                                  // 176400
                            + bytes({4, 0}) + bytes({16, 0}) + QByteArray("data")
                            + bytes({0xE8, 0x03, 0, 0}); // 1000
    EXPECT_EQ(file.left(44).toHex(' '), want.toHex(' '));
    EXPECT_EQ(file.mid(44), samples);
}

std::uint32_t u32(const QByteArray& b, int at)
{
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8
           | static_cast<std::uint8_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
std::uint16_t u16(const QByteArray& b, int at)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

TEST(WavFile, HeaderFieldsForTheTwelveCaptureFormats)
{
    testsupport::TestDir dir;
    const QByteArray samples = samplesOf(4000);
    for (int rate : {11025, 22050, 44100})
        for (int ch : {1, 2})
            for (int bits : {8, 16}) {
                SCOPED_TRACE(testing::Message() << rate << "/" << ch << "/" << bits);
                const auto f = rt::pcmFormat(rate, static_cast<std::int16_t>(ch), static_cast<std::int16_t>(bits));
                ASSERT_TRUE(rt::writeWavFile(dir.file("f.wav"), f, samples.constData(), samples.size()));
                const QByteArray h = dir.read("f.wav");
                ASSERT_EQ(h.size(), 44 + 4000);
                EXPECT_EQ(h.left(4), "RIFF");
                EXPECT_EQ(u32(h, 4), 4036u);
                EXPECT_EQ(h.mid(8, 8), "WAVEfmt ");
                EXPECT_EQ(u32(h, 16), 16u);
                EXPECT_EQ(u16(h, 20), 1);
                EXPECT_EQ(u16(h, 22), ch);
                EXPECT_EQ(u32(h, 24), static_cast<std::uint32_t>(rate));
                EXPECT_EQ(u32(h, 28), static_cast<std::uint32_t>(rate * ch * bits / 8));
                EXPECT_EQ(u16(h, 32), ch * bits / 8);
                EXPECT_EQ(u16(h, 34), bits);
                EXPECT_EQ(h.mid(36, 4), "data");
                EXPECT_EQ(u32(h, 40), 4000u);
                EXPECT_EQ(h.mid(44), samples);
            }
}

TEST(WavFile, WriteReadBackAndPadOddData)
{
    testsupport::TestDir dir;
    const auto f = rt::pcmFormat(11025, 1, 8);
    const QByteArray samples("\x80\x81\x7f", 3);
    QString err;
    ASSERT_TRUE(rt::writeWavFile(dir.file("a.wav"), f, samples.constData(), samples.size(), &err)) << err.toStdString();
    const QByteArray file = dir.read("a.wav");
    ASSERT_EQ(file.size(), 44 + 3 + 1);
    EXPECT_EQ(u32(file, 4), 36u + 3 + 1);
    EXPECT_EQ(u32(file, 40), 3u);
    EXPECT_EQ(file.mid(44, 3), samples);

    rt::WaveFormatEx back;
    QByteArray data;
    ASSERT_TRUE(rt::readWavFile(dir.file("a.wav"), &back, &data, &err)) << err.toStdString();
    EXPECT_EQ(back, f);
    EXPECT_EQ(data, samples);
}

TEST(WavFile, FailedWriteKeepsTheOldFile)
{
    testsupport::TestDir dir;
    dir.write("keep.wav", "old");
    const auto f = rt::pcmFormat(44100, 2, 16);
    QString err;
    EXPECT_FALSE(rt::writeWavFile(dir.file("missing/x.wav"), f, "abcd", 4, &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_FALSE(rt::writeWavFile(dir.path(), f, "abcd", 4, &err)); // a folder
    EXPECT_EQ(dir.read("keep.wav"), "old");
}

TEST(WavFile, OnlyWholeBlocksAndNothingBeyondTheRiffSizeIsWritten)
{
    testsupport::TestDir dir;
    const auto f = rt::pcmFormat(44100, 2, 16);
    // Ten bytes hold two frames and half of a third: the half is no sample.
    const QByteArray samples = samplesOf(10);
    ASSERT_TRUE(rt::writeWavFile(dir.file("whole.wav"), f, samples.constData(), samples.size()));
    EXPECT_EQ(dir.read("whole.wav"), testsupport::wavHeader(f, 8) + samples.left(8));

    const std::int16_t frame[2] = {1, -1};
    const struct {
        const char* what;
        std::function<bool(rt::WavWriter&, rt::SoundError*)> write;
    } refused[] = {
        {"part of a block", [&](rt::WavWriter& w, rt::SoundError* e) { return w.writeBytes(frame, 3, e); }},
        // Past 4 GiB the 32-bit sizes of the header would wrap; refused
        // before a byte is read.
        {"longer than a WAV can say",
         [&](rt::WavWriter& w, rt::SoundError* e) { return w.writeFrames(frame, qint64(1) << 30, e); }},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        dir.write("out.wav", "old");
        rt::WavWriter w;
        rt::SoundError error;
        ASSERT_TRUE(w.open(dir.file("out.wav"), f, &error));
        ASSERT_TRUE(w.writeFrames(frame, 1, &error));
        EXPECT_FALSE(r.write(w, &error));
        EXPECT_FALSE(error.text.isEmpty());
        EXPECT_FALSE(w.commit(&error));
        EXPECT_EQ(dir.read("out.wav"), "old");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"out.wav", "whole.wav"}));
    }
}

TEST(WavFile, ReadSkipsOtherChunksAndRejectsBadFiles)
{
    testsupport::TestDir dir;
    const auto f = rt::pcmFormat(22050, 2, 16);
    QByteArray good = testsupport::wavHeader(f, 8) + QByteArray("12345678");
    // A LIST chunk (odd size, padded) between fmt and data.
    QByteArray withList = good.left(36) + QByteArray("LIST") + bytes({3, 0, 0, 0}) + QByteArray("abc") + bytes({0})
                          + good.mid(36);
    dir.write("list.wav", withList);
    rt::WaveFormatEx back;
    QByteArray data;
    ASSERT_TRUE(rt::readWavFile(dir.file("list.wav"), &back, &data));
    EXPECT_EQ(back, f);
    EXPECT_EQ(data, "12345678");

    // A data chunk that claims more than the file holds gives what is there.
    dir.write("short.wav", good.left(48));
    ASSERT_TRUE(rt::readWavFile(dir.file("short.wav"), &back, &data));
    EXPECT_EQ(data, "1234");

    QByteArray floatFile = good;
    floatFile[20] = 3;
    // Kinds of sound file that libsndfile reads well, but whose bytes are not
    // those of a plain PCM RIFF WAVE (big-endian, an extensible header).
    auto written = [&](const char* name, int format) {
        SF_INFO si{};
        si.samplerate = 22050;
        si.channels = 2;
        si.format = format;
        SNDFILE* sf = sf_open(QFile::encodeName(dir.file(name)).constData(), SFM_WRITE, &si);
        const short frames[4] = {1, 2, 3, 4};
        EXPECT_EQ(sf_writef_short(sf, frames, 2), 2);
        sf_close(sf);
        return dir.read(name);
    };
    const struct {
        const char* name;
        QByteArray content;
    } bad[] = {{"empty.wav", {}},
               {"text.wav", "not a wave file at all"},
               {"nodata.wav", good.left(36)},
               {"float.wav", floatFile},
               {"aiff.wav", written("made.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16)},
               {"extensible.wav", written("made.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16)}};
    for (const auto& b : bad) {
        dir.write(b.name, b.content);
        QString err;
        EXPECT_FALSE(rt::readWavFile(dir.file(b.name), &back, &data, &err)) << b.name;
        EXPECT_FALSE(err.isEmpty()) << b.name;
    }
    EXPECT_FALSE(rt::readWavFile(dir.file("absent.wav"), &back, &data));
    // A pipe named like a sound file is refused at once instead of waiting
    // for a writer that never comes.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file("pipe.wav")).constData(), 0600), 0);
    QString err;
    EXPECT_FALSE(rt::readWavFile(dir.file("pipe.wav"), &back, &data, &err));
    EXPECT_EQ(err, QStringLiteral("not a regular file"));
}

} // namespace
