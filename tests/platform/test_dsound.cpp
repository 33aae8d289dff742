#include "platform/dsound.h"

#include "tests/support/audiogen.h"
#include "tests/support/testdir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

const rt::WaveFormatEx Stereo16 = rt::pcmFormat(44100, 2, 16);

// n bytes counting up from `first`, so windows onto the stream can be told apart.
QByteArray ramp(int n, int first = 0)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>(first + i);
    return b;
}

QByteArray contents(const rt::DSCaptureBuffer& b, int start, int n)
{
    QByteArray out(n, '\0');
    EXPECT_TRUE(b.ReadBuffer(start, n, out.data()));
    return out;
}

class CaptureTest : public ::testing::Test {
protected:
    CaptureTest()
    {
        auto s = std::make_unique<rt::FakeCaptureSource>();
        src = s.get();
        cap = std::make_unique<rt::DSCapture>(std::move(s));
    }
    std::unique_ptr<rt::DSCaptureBuffer> make(int bytes, const rt::WaveFormatEx& f = Stereo16)
    {
        auto b = cap->CreateCaptureBuffer({0, bytes, f});
        EXPECT_TRUE(b);
        return b;
    }
    rt::FakeCaptureSource* src = nullptr;
    std::unique_ptr<rt::DSCapture> cap;
};

TEST_F(CaptureTest, CapsComeFromTheSource)
{
    src->mask = 0x441;
    rt::CaptureCaps caps;
    ASSERT_TRUE(cap->GetCaps(caps));
    EXPECT_EQ(caps.formats, 0x441u);
    src->capsFail = true;
    EXPECT_FALSE(cap->GetCaps(caps));
}

TEST_F(CaptureTest, OnePassBufferStopsItselfWhenFull)
{
    auto b = make(10); // 2 whole blocks of 4 bytes fit; the last 2 bytes stay unused
    EXPECT_EQ(b->GetStatus(), 0);
    ASSERT_TRUE(b->Start(0));
    EXPECT_EQ(b->GetStatus(), rt::CaptureStatusCapturing);
    src->feed(ramp(4));
    EXPECT_EQ(b->GetCurrentPosition().readPos, 4);
    EXPECT_EQ(b->GetStatus(), rt::CaptureStatusCapturing);
    src->feed(ramp(12, 4));
    EXPECT_EQ(b->GetStatus(), 0);
    EXPECT_TRUE(b->isFull());
    EXPECT_EQ(b->GetCurrentPosition().readPos, 8);
    EXPECT_EQ(contents(*b, 0, 10), ramp(8) + QByteArray(2, '\0'));
    EXPECT_FALSE(b->Start(0)); // a full one-pass buffer does not start again
}

TEST_F(CaptureTest, OnlyWholeBlocksAreCapturedAcrossOddDeliveries)
{
    auto b = make(64);
    ASSERT_TRUE(b->Start());
    src->feed(ramp(3));
    EXPECT_EQ(b->GetCurrentPosition().readPos, 0);
    src->feed(ramp(6, 3));
    EXPECT_EQ(b->GetCurrentPosition().readPos, 8);
    // A buffer started now begins on the next block boundary of the stream.
    auto late = make(64);
    ASSERT_TRUE(late->Start());
    src->feed(ramp(7, 9));
    EXPECT_EQ(b->GetCurrentPosition().readPos, 16);
    EXPECT_EQ(late->GetCurrentPosition().readPos, 8);
    EXPECT_EQ(contents(*b, 0, 16), ramp(16));
    EXPECT_EQ(contents(*late, 0, 8), ramp(8, 8));
}

TEST_F(CaptureTest, BuffersAreWindowsOntoOneStream)
{
    auto first = make(400);
    ASSERT_TRUE(first->Start());
    src->feed(ramp(8));
    first->Stop();
    EXPECT_EQ(first->GetStatus(), 0);
    src->feed(ramp(8, 100)); // nobody records this

    auto second = make(400);
    ASSERT_TRUE(second->Start());
    src->feed(ramp(8, 200));
    EXPECT_EQ(contents(*first, 0, 8), ramp(8));
    EXPECT_EQ(first->GetCurrentPosition().readPos, 8);
    EXPECT_EQ(contents(*second, 0, 8), ramp(8, 200));
    EXPECT_EQ(second->GetCurrentPosition().readPos, 8);

    // Many short-lived meter buffers: the input is opened once.
    for (int i = 0; i < 50; ++i) {
        auto meter = make(617400);
        ASSERT_TRUE(meter->Start());
        src->feed(ramp(400));
        EXPECT_EQ(meter->GetCurrentPosition().readPos, 400);
        meter->Stop();
    }
    EXPECT_EQ(src->starts, 1);
    EXPECT_TRUE(src->isActive());
}

TEST_F(CaptureTest, StreamClosesWhenIdleAndReopensOnStart)
{
    cap->setIdleCloseMs(20);
    {
        auto b = make(400);
        ASSERT_TRUE(b->Start());
    } // released while capturing
    // The input goes on delivering while nobody records.
    QElapsedTimer t;
    t.start();
    while (src->isActive() && t.elapsed() < 2000) {
        src->feed(ramp(40));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_FALSE(src->isActive());
    auto b = make(400);
    ASSERT_TRUE(b->Start());
    EXPECT_EQ(src->starts, 2);
}

TEST_F(CaptureTest, FormatChangeReopensTheStreamAndEndsOldBuffers)
{
    auto a = make(400);
    ASSERT_TRUE(a->Start());
    const auto mono8 = rt::pcmFormat(11025, 1, 8);
    auto b = make(400, mono8);
    ASSERT_TRUE(b->Start());
    EXPECT_EQ(src->starts, 2);
    EXPECT_EQ(src->lastFormat, mono8);
    EXPECT_EQ(a->GetStatus(), 0);
    src->feed(ramp(3));
    EXPECT_EQ(b->GetCurrentPosition().readPos, 3);
}

TEST(CaptureDevice, AChoiceAppliesFromTheNextBufferThatStarts)
{
    auto s = std::make_unique<rt::FakeCaptureSource>();
    rt::FakeCaptureSource* src = s.get();
    src->setDevice("made_for");
    rt::DSCapture cap(std::move(s));
    EXPECT_EQ(cap.device(), QByteArray("made_for")) << "the source's own input until one is chosen";

    auto take = cap.CreateCaptureBuffer({0, 4000, Stereo16});
    ASSERT_TRUE(take->Start());
    EXPECT_EQ(src->device(), QByteArray("made_for"));
    cap.setDevice("chosen");
    src->feed(ramp(8));
    EXPECT_EQ(take->GetStatus(), rt::CaptureStatusCapturing) << "a take keeps its input";
    EXPECT_EQ(src->starts, 1);
    take->Stop();

    auto next = cap.CreateCaptureBuffer({0, 4000, Stereo16});
    ASSERT_TRUE(next->Start());
    EXPECT_EQ(src->starts, 2);
    EXPECT_EQ(src->device(), QByteArray("chosen"));
    auto same = cap.CreateCaptureBuffer({0, 4000, Stereo16});
    ASSERT_TRUE(same->Start());
    EXPECT_EQ(src->starts, 2) << "the same input and format share the stream";
}

TEST_F(CaptureTest, BrokenStreamEndsTheCaptureAndNextStartReopens)
{
    auto a = make(400);
    ASSERT_TRUE(a->Start());
    src->feed(ramp(8));
    src->breakStream();
    EXPECT_EQ(a->GetStatus(), 0);
    EXPECT_EQ(a->GetCurrentPosition().readPos, 8);
    auto b = make(400);
    ASSERT_TRUE(b->Start());
    EXPECT_EQ(src->starts, 2);
}

TEST_F(CaptureTest, StartFailsWhenTheInputRefuses)
{
    src->startFails = true;
    auto a = make(400);
    EXPECT_FALSE(a->Start());
    EXPECT_EQ(a->GetStatus(), 0);
}

TEST_F(CaptureTest, BadDescriptionsAndReadRanges)
{
    EXPECT_FALSE(cap->CreateCaptureBuffer({0, 0, Stereo16}));
    EXPECT_FALSE(cap->CreateCaptureBuffer({0, 100, rt::WaveFormatEx{}}));
    QString err;
    EXPECT_FALSE(cap->CreateCaptureBuffer({0, 100, rt::pcmFormat(44100, 2, 24)}, &err));
    EXPECT_FALSE(err.isEmpty());

    auto b = make(100);
    char out[8];
    EXPECT_TRUE(b->ReadBuffer(92, 8, out));
    EXPECT_FALSE(b->ReadBuffer(93, 8, out));
    EXPECT_FALSE(b->ReadBuffer(-2, 2, out));

    // What was never captured reads as silence.
    ASSERT_TRUE(b->Start());
    src->feed(ramp(8, 1));
    EXPECT_EQ(contents(*b, 4, 8), ramp(4, 5) + QByteArray(4, '\0'));
    EXPECT_EQ(contents(*b, 60, 40), QByteArray(40, '\0'));
}

TEST_F(CaptureTest, BufferOutlivesItsCaptureObject)
{
    auto b = make(400);
    ASSERT_TRUE(b->Start());
    src->feed(ramp(8));
    cap.reset(); // shut-down releases the capture object first
    EXPECT_EQ(b->GetStatus(), 0);
    EXPECT_EQ(b->GetCurrentPosition().readPos, 8);
    EXPECT_FALSE(b->Start());
    EXPECT_EQ(contents(*b, 0, 8), ramp(8));
}

TEST(DirectSoundCreate, CaptureCreateFollowsTheSourceFactory)
{
    rt::setCaptureSourceFactory([](QString* error) -> std::unique_ptr<rt::CaptureSource> {
        *error = QStringLiteral("none here");
        return nullptr;
    });
    QString err;
    EXPECT_FALSE(rt::DirectSoundCaptureCreate(&err));
    EXPECT_EQ(err, QStringLiteral("none here"));
    rt::setCaptureSourceFactory([](QString*) { return std::make_unique<rt::FakeCaptureSource>(); });
    EXPECT_TRUE(rt::DirectSoundCaptureCreate(&err));
    rt::setCaptureSourceFactory({});
}

TEST(SoundBuffer, WriteReadAndSave)
{
    rt::DSound ds;
    EXPECT_TRUE(ds.SetCooperativeLevel(0, 2));
    rt::SoundBufferDesc desc;
    EXPECT_EQ(desc.flags, 130);
    desc.bufferBytes = 8;
    EXPECT_FALSE(ds.CreateSoundBuffer({130, 0}, Stereo16));
    EXPECT_FALSE(ds.CreateSoundBuffer(desc, rt::WaveFormatEx{}));
    auto buf = ds.CreateSoundBuffer(desc, Stereo16);
    ASSERT_TRUE(buf);
    EXPECT_EQ(buf->bytes(), QByteArray(8, '\0'));
    const std::int16_t in[4] = {1, -1, 300, -300};
    EXPECT_TRUE(buf->WriteBuffer(0, 8, in));
    EXPECT_FALSE(buf->WriteBuffer(4, 8, in));
    std::int16_t out[4] = {};
    EXPECT_TRUE(buf->ReadBuffer(0, 8, out));
    EXPECT_EQ(out[3], -300);

    testsupport::TestDir dir;
    ASSERT_TRUE(buf->SaveToFile(dir.file("rec.wav")));
    const QByteArray file = dir.read("rec.wav");
    ASSERT_EQ(file.size(), 52);
    EXPECT_EQ(file.left(44), testsupport::wavHeader(Stereo16, 8));
    EXPECT_EQ(file.mid(44), QByteArray(reinterpret_cast<const char*>(in), 8));

    rt::SoundBufferDesc d2{130, 12345};
    rt::WaveFormatEx f2;
    auto back = ds.CreateSoundBufferFromFile(dir.file("rec.wav"), d2, f2);
    ASSERT_TRUE(back);
    EXPECT_EQ(d2.bufferBytes, 8);
    EXPECT_EQ(f2, Stereo16);
    EXPECT_EQ(back->bytes(), buf->bytes());
    QString err;
    EXPECT_FALSE(ds.CreateSoundBufferFromFile(dir.file("none.wav"), d2, f2, &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_FALSE(buf->SaveToFile(dir.file("no/such/dir.wav")));
}

} // namespace
