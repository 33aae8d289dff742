// The centre-cancel pass over frames, and the file step around it.
#include "platform/wavfile.h"
#include "sound/vocalpass.h"
#include "tests/support/audiogen.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

using namespace melodune;

namespace {

struct PassCase {
    const char* what;
    std::vector<std::int16_t> in;
    std::int32_t v0;
    std::vector<std::int16_t> out;
};

QByteArray le16(const std::vector<std::int16_t>& v)
{
    QByteArray b;
    for (std::int16_t s : v) {
        b.append(char(s & 0xFF));
        b.append(char((s >> 8) & 0xFF));
    }
    return b;
}

std::vector<double> channelOf(const QByteArray& data, int channel)
{
    std::vector<double> x;
    const auto* s = reinterpret_cast<const std::int16_t*>(data.constData());
    for (qsizetype i = channel; i + 1 < data.size() / 2; i += 2)
        x.push_back(s[i]);
    return x;
}

} // namespace

TEST(CentreCancelPass, PairsWithinFrames)
{
    const std::vector<PassCase> cases = {
        {"difference", {100, 40}, 0, {60, 60}},
        {"overflow repeats the previous pair", {100, 40, 20000, -20000}, 0, {60, 60, 60, 60}},
        {"right -32768 counts as 32767", {0, -32768}, 0, {32767, 32767}},
        {"lowest value fits", {-1, 32767}, 0, {-32768, -32768}},
        {"overflow after the -32768 rule", {7, 7, 1, -32768}, 0, {0, 0, 0, 0}},
        {"first pair overflowing gives 0", {20000, -20000, 5, 2}, 0, {0, 0, 3, 3}},
        {"v carried in from the last block", {-30000, 10000}, 1234, {1234, 1234}},
        {"odd count: the last value becomes 0", {10, 3, 99}, 0, {7, 7, 0}},
    };
    for (const PassCase& c : cases) {
        std::vector<std::int16_t> a = c.in;
        std::int32_t v = c.v0;
        centreCancelPass(a.data(), a.size(), v);
        EXPECT_EQ(a, c.out) << c.what;
    }
}

TEST(CentreCancelPass, BlocksGiveTheSameAsOnePass)
{
    std::vector<std::int16_t> whole;
    for (int i = 0; i < 4000; ++i)
        whole.push_back(std::int16_t((i * 7919) % 65536 - 32768));
    std::vector<std::int16_t> blocks = whole;
    std::int32_t v = 0;
    centreCancelPass(whole.data(), whole.size(), v);
    std::int32_t vb = 0;
    for (std::size_t at = 0; at < blocks.size(); at += 250)
        centreCancelPass(blocks.data() + at, 250, vb);
    EXPECT_EQ(blocks, whole);
    EXPECT_EQ(vb, v);
}

TEST(RemoveVocalsFile, FixtureByteForByte)
{
    testsupport::TestDir dir;
    const std::vector<std::int16_t> in = {100, 40, 20000, -20000, 0, -32768, -1, 32767, 1, -32768, 5, 5};
    const std::vector<std::int16_t> out = {60, 60, 60, 60, 32767, 32767, -32768, -32768, -32768, -32768, 0, 0};
    const QByteArray samples = le16(in);
    ASSERT_TRUE(rt::writeWavFile(dir.file("2.wav"), rt::pcmFormat(44100, 2, 16), samples.constData(), samples.size()));
    ASSERT_EQ(removeVocalsFromFile(dir.file("2.wav"), dir.file("out.wav")), VocalFileResult::Ok);
    EXPECT_EQ(dir.read("out.wav"), testsupport::wavHeader(rt::pcmFormat(44100, 2, 16), 24) + le16(out));
}

TEST(RemoveVocalsFile, KeepsRateAndLengthAcrossBlocks)
{
    testsupport::TestDir dir;
    // 48 kHz and longer than one block, with a frame count that ends mid-block.
    ASSERT_TRUE(testsupport::writeSineWav(dir.file("2.wav"), {.seconds = 1.7, .sampleRate = 48000}));
    ASSERT_EQ(removeVocalsFromFile(dir.file("2.wav"), dir.file("out.wav")), VocalFileResult::Ok);
    rt::WaveFormatEx fi, fo;
    QByteArray di, dout;
    ASSERT_TRUE(rt::readWavFile(dir.file("2.wav"), &fi, &di));
    ASSERT_TRUE(rt::readWavFile(dir.file("out.wav"), &fo, &dout));
    EXPECT_EQ(fo, rt::pcmFormat(48000, 2, 16));
    EXPECT_EQ(dout.size(), di.size());
    // A tone on both channels alike leaves silence.
    for (double s : channelOf(dout, 0))
        ASSERT_EQ(s, 0.0);
}

TEST(RemoveVocalsFile, RefusesMonoAndKeepsWhatIsAtTheOutput)
{
    testsupport::TestDir dir;
    ASSERT_TRUE(testsupport::writeSineWav(dir.file("mono.wav"), {.seconds = 0.2, .channels = 1}));
    dir.write("out.wav", "keep");
    EXPECT_EQ(removeVocalsFromFile(dir.file("mono.wav"), dir.file("out.wav")), VocalFileResult::Mono);
    EXPECT_EQ(dir.read("out.wav"), QByteArray("keep"));
    EXPECT_EQ(removeVocalsFromFile(dir.file("missing.wav"), dir.file("out.wav")), VocalFileResult::ReadFailed);
    std::atomic<bool> cancel{true};
    ASSERT_TRUE(testsupport::writeSineWav(dir.file("st.wav"), {.seconds = 0.2}));
    EXPECT_EQ(removeVocalsFromFile(dir.file("st.wav"), dir.file("out.wav"), &cancel), VocalFileResult::Cancelled);
    EXPECT_EQ(dir.read("out.wav"), QByteArray("keep"));
    // No partial file stays beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

TEST(RemoveVocalsFile, CentreToneCancelsSideToneStays)
{
    testsupport::TestDir dir;
    // Centre 440 Hz on both channels, 1 kHz on the left only.
    const int rate = 44100, frames = rate * 2;
    std::vector<std::int16_t> s(frames * 2);
    for (int i = 0; i < frames; ++i) {
        const double c = 8000 * std::sin(2 * M_PI * 440 * i / rate);
        const double l = 8000 * std::sin(2 * M_PI * 1000 * i / rate);
        s[2 * i] = std::int16_t(std::lround(c + l));
        s[2 * i + 1] = std::int16_t(std::lround(c));
    }
    const QByteArray bytes = le16(s);
    ASSERT_TRUE(rt::writeWavFile(dir.file("2.wav"), rt::pcmFormat(rate, 2, 16), bytes.constData(), bytes.size()));
    ASSERT_EQ(removeVocalsFromFile(dir.file("2.wav"), dir.file("out.wav")), VocalFileResult::Ok);
    rt::WaveFormatEx f;
    QByteArray out;
    ASSERT_TRUE(rt::readWavFile(dir.file("out.wav"), &f, &out));
    const auto left = channelOf(bytes, 0);
    const auto res = channelOf(out, 0);
    const double db440 = 10 * std::log10(testsupport::goertzelPower(res, 440, rate) /
                                         testsupport::goertzelPower(channelOf(bytes, 1), 440, rate));
    const double db1k = 10 * std::log10(testsupport::goertzelPower(res, 1000, rate) /
                                        testsupport::goertzelPower(left, 1000, rate));
    EXPECT_LT(db440, -40.0);
    EXPECT_NEAR(db1k, 0.0, 1.0);
}
