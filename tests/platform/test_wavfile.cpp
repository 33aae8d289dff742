#include "platform/wavfile.h"

#include "tests/support/testdir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray bytes(std::initializer_list<int> v)
{
    QByteArray b;
    for (int x : v)
        b.append(static_cast<char>(x));
    return b;
}

TEST(WavHeader, Stereo16At44100ByHand)
{
    const QByteArray h = rt::wavHeader(rt::pcmFormat(44100, 2, 16), 1000);
    const QByteArray want = QByteArray("RIFF") + bytes({0x0C, 0x04, 0, 0}) // 36 + 1000 = 1036
                            + QByteArray("WAVEfmt ") + bytes({16, 0, 0, 0}) + bytes({1, 0}) // PCM
                            + bytes({2, 0})                                                 // channels
                            + bytes({0x44, 0xAC, 0, 0})                                     // 44100
                            + bytes({0x10, 0xB1, 0x02, 0})                                  // 176400
                            + bytes({4, 0}) + bytes({16, 0}) + QByteArray("data")
                            + bytes({0xE8, 0x03, 0, 0}); // 1000
    EXPECT_EQ(h.toHex(' '), want.toHex(' '));
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

TEST(WavHeader, FieldsForTheTwelveCaptureFormats)
{
    for (int rate : {11025, 22050, 44100})
        for (int ch : {1, 2})
            for (int bits : {8, 16}) {
                SCOPED_TRACE(testing::Message() << rate << "/" << ch << "/" << bits);
                const auto f = rt::pcmFormat(rate, static_cast<std::int16_t>(ch), static_cast<std::int16_t>(bits));
                const QByteArray h = rt::wavHeader(f, 4000);
                ASSERT_EQ(h.size(), 44);
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

TEST(WavFile, ReadSkipsOtherChunksAndRejectsBadFiles)
{
    testsupport::TestDir dir;
    const auto f = rt::pcmFormat(22050, 2, 16);
    QByteArray good = rt::wavHeader(f, 8) + QByteArray("12345678");
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
    const struct {
        const char* name;
        QByteArray content;
    } bad[] = {{"empty.wav", {}}, {"text.wav", "not a wave file at all"}, {"nodata.wav", good.left(36)},
               {"float.wav", floatFile}};
    for (const auto& b : bad) {
        dir.write(b.name, b.content);
        QString err;
        EXPECT_FALSE(rt::readWavFile(dir.file(b.name), &back, &data, &err)) << b.name;
        EXPECT_FALSE(err.isEmpty()) << b.name;
    }
    EXPECT_FALSE(rt::readWavFile(dir.file("absent.wav"), &back, &data));
}

} // namespace
