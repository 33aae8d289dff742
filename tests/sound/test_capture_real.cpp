// Capture from the test sound server's default source, a 440 Hz sine.
// tests/run_tests.sh starts that server; without it the tests skip.
#include "platform/dsound.h"
#include "platform/ui.h"
#include "sound/captureformat.h"
#include "sound/waveinrecorder.h"
#include "tests/support/testdir.h"
#include "tests/support/audiogen.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMediaDevices>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <cmath>
#include <functional>

namespace {

// Under run_tests.sh (which exports the FIFO path) the server must be there.
bool underTestServer() { return qEnvironmentVariableIsSet("MELODUNE_TEST_MIC_FIFO"); }

bool serverReachable()
{
    if (qEnvironmentVariableIsSet("PULSE_SERVER"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native"));
}

#define REQUIRE_SOUND_SERVER()                                                                          \
    do {                                                                                                \
        if (!underTestServer()) {                                                                       \
            if (!serverReachable())                                                                     \
                GTEST_SKIP() << "no sound server; run under tests/run_tests.sh";                       \
            if (QMediaDevices::audioInputs().isEmpty())                                                 \
                GTEST_SKIP() << "the sound server has no input device";                                \
        }                                                                                               \
    } while (0)

TEST(RealCapture, QtSeesTheServersSources)
{
    REQUIRE_SOUND_SERVER();
    QStringList ids;
    for (const QAudioDevice& d : QMediaDevices::audioInputs())
        ids << QString::fromUtf8(d.id());
    EXPECT_TRUE(ids.contains(QStringLiteral("melodune_sine"))) << ids.join(' ').toStdString();
    EXPECT_EQ(QMediaDevices::defaultAudioInput().id(), QByteArray("melodune_sine"));
    if (!ids.contains(QStringLiteral("melodune_pipe")))
        std::cout << "note: the server lists no melodune_pipe source: " << ids.join(' ').toStdString() << "\n";

    // The server converts between formats, so the default input takes all twelve.
    QString err;
    auto cap = rt::DirectSoundCaptureCreate(&err);
    ASSERT_TRUE(cap) << err.toStdString();
    rt::CaptureCaps caps;
    ASSERT_TRUE(cap->GetCaps(caps));
    EXPECT_EQ(caps.formats, 0xFFFu);

    melodune::WaveInRecorder rec;
    ASSERT_EQ(rec.DeviceCount(), ids.size());
    QStringList names;
    for (int i = 0; i < rec.DeviceCount(); ++i)
        names << rec.DeviceName(i);
    EXPECT_TRUE(names.contains(QStringLiteral("Sine source at 440 Hz"))) << names.join('|').toStdString();
    EXPECT_TRUE(rec.SelectDevice(0));
}

TEST(RealCapture, RecordsTheSineSource)
{
    REQUIRE_SOUND_SERVER();
    QString err;
    std::unique_ptr<rt::DSCapture> cap = rt::DirectSoundCaptureCreate(&err);
    ASSERT_TRUE(cap) << err.toStdString();

    rt::ScriptedUi ui;
    rt::ScopedUi scoped(&ui);
    melodune::CaptureSizing st;
    st.RecordSeconds = 1.0;
    ASSERT_EQ(melodune::PrepareCaptureFormat(*cap, st, 10, st.RecordSeconds), melodune::PrepareResult::Ok);
    EXPECT_TRUE(ui.calls.empty());
    // The server converts to anything; the best format wins.
    const rt::WaveFormatEx want = melodune::MakeWaveFormat(44100, 2, 16);
    ASSERT_EQ(st.CaptureDesc.format, want);
    EXPECT_EQ(st.CaptureDesc.bufferBytes, 4 * 176400);

    // One second of capture: the buffer must fill and stop by itself.
    rt::CaptureBufferDesc desc = st.CaptureDesc;
    desc.bufferBytes = 176400;
    auto buf = cap->CreateCaptureBuffer(desc, &err);
    ASSERT_TRUE(buf) << err.toStdString();
    ASSERT_TRUE(buf->Start(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return buf->GetStatus() == 0; }, 8000))
        << "captured only " << buf->GetCurrentPosition().readPos << " bytes";
    ASSERT_EQ(buf->GetCurrentPosition().readPos, 176400);

    std::vector<std::int16_t> pcm(176400 / 2);
    ASSERT_TRUE(buf->ReadBuffer(0, 176400, pcm.data()));
    std::vector<double> left;
    int peak = 0, crossings = 0;
    for (std::size_t i = 0; i < pcm.size(); i += 2) {
        left.push_back(pcm[i]);
        peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
        if (i >= 2 && (pcm[i - 2] < 0) != (pcm[i] < 0))
            ++crossings;
    }
    EXPECT_GT(peak, 1000) << "the capture is silent";
    EXPECT_NEAR(crossings, 880, 20); // two per period
    const double p440 = testsupport::goertzelPower(left, 440, 44100);
    for (double other : {220.0, 330.0, 550.0, 880.0, 1000.0, 3000.0})
        EXPECT_GT(p440, 100 * testsupport::goertzelPower(left, other, 44100)) << other << " Hz";

    // The saved file holds the capture behind a canonical header.
    rt::DSound ds;
    auto sb = ds.CreateSoundBuffer({130, 176400}, desc.format);
    ASSERT_TRUE(sb);
    ASSERT_TRUE(sb->WriteBuffer(0, 176400, pcm.data()));
    EXPECT_EQ(sb->bytes().left(8), QByteArray(reinterpret_cast<const char*>(pcm.data()), 8));
    testsupport::TestDir dir;
    const QString wav = dir.file("take.wav");
    ASSERT_TRUE(sb->SaveToFile(wav));
    const QByteArray file = dir.read("take.wav");
    ASSERT_EQ(file.size(), 44 + 176400);
    EXPECT_EQ(file.left(4), QByteArray("RIFF"));
    EXPECT_EQ(file.mid(8, 8), QByteArray("WAVEfmt "));
    EXPECT_EQ(file.mid(36, 4), QByteArray("data"));
    EXPECT_EQ(file.mid(44), QByteArray(reinterpret_cast<const char*>(pcm.data()), 176400));
}

TEST(RealCapture, MeterBuffersEveryFiftyMilliseconds)
{
    REQUIRE_SOUND_SERVER();
    QString err;
    std::unique_ptr<rt::DSCapture> cap = rt::DirectSoundCaptureCreate(&err);
    ASSERT_TRUE(cap) << err.toStdString();
    const rt::CaptureBufferDesc desc{0, 617400, melodune::MakeWaveFormat(44100, 2, 16)};
    // The test sine source delivers in blocks of up to two seconds, so run
    // long enough to see data reach a meter buffer.
    // 90 rounds of at least 50 ms span two such blocks however slow the build.
    std::unique_ptr<rt::DSCaptureBuffer> buf;
    int starts = 0, withBlock = 0;
    while (starts < 90) {
        if (buf) {
            if (buf->GetStatus() & rt::CaptureStatusCapturing)
                buf->Stop();
            if (buf->GetCurrentPosition().readPos >= 2880)
                ++withBlock;
        }
        buf = cap->CreateCaptureBuffer(desc, &err);
        ASSERT_TRUE(buf) << err.toStdString();
        ASSERT_TRUE(buf->Start(0)) << "start " << starts;
        ++starts;
        QTest::qWait(50); // one meter period, events handled
    }
    EXPECT_GT(withBlock, 0);
}

// Runs in a child process whose PULSE_SERVER names no server.
TEST(RealCaptureChild, NoServerFailsFast)
{
    if (!qEnvironmentVariableIsSet("MELODUNE_CHILD_NO_SERVER"))
        GTEST_SKIP() << "runs only as the child of NoServerMeansNoCaptureObject";
    QElapsedTimer t;
    t.start();
    QString err;
    EXPECT_FALSE(rt::DirectSoundCaptureCreate(&err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_EQ(melodune::WaveInRecorder().DeviceCount(), 0);
}

TEST(RealCapture, NoServerMeansNoCaptureObject)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent/melodune-no-server"));
    env.insert(QStringLiteral("MELODUNE_CHILD_NO_SERVER"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=RealCaptureChild.NoServerFailsFast")});
    ASSERT_TRUE(child.waitForFinished(15000)) << "child did not finish";
    const QByteArray out = child.readAllStandardOutput();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

} // namespace
