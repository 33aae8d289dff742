// A take from the test sound server's 440 Hz sine source over a generated
// track played by the real media control (null outputs), saved and loaded
// back. tests/run_tests.sh starts that server; without it the test skips.
#include "platform/wavfile.h"
#include "tests/support/audiogen.h"
#include "tests/support/mainwindow.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QTest>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

bool underTestServer() { return qEnvironmentVariableIsSet("MELODUNE_TEST_MIC_FIFO"); }

bool serverReachable()
{
    if (qEnvironmentVariableIsSet("PULSE_SERVER"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native"));
}

} // namespace

TEST(RecordingRealInput, TwoSecondTakeOverATrackHoldsTheSineTone)
{
    if (!underTestServer()) {
        if (!serverReachable())
            GTEST_SKIP() << "no sound server; run under tests/run_tests.sh";
        if (QMediaDevices::audioInputs().isEmpty())
            GTEST_SKIP() << "the sound server has no input device";
    }

    testsupport::MainWindowFixture<> fixture({.fakeClock = false, .fakeCapture = false, .makeDataFolder = false});
    const testsupport::TestDir& dir = fixture.dir;
    rt::ScriptedUi& ui = fixture.ui;
    settings().ShowMixerOnRecord = false;
    settings().ShowRecVolume = 0;
    settings().ShowVisual = 0;
    settings().StopRecordAtEnd = 1;

    const QString track = dir.file("track.wav");
    ASSERT_TRUE(testsupport::writeSineWav(track, testsupport::ToneSpec{.seconds = 10.0, .frequency = 1000.0}));

    fixture.makeMedia = testsupport::nullOutputMpv;
    FrmMain w(fixture.services);
    QString why;
    w.DSCapture = rt::DirectSoundCaptureCreate(&why);
    ASSERT_TRUE(w.DSCapture) << why.toStdString();
    w.DSound = rt::DirectSoundCreate();
    w.MediaPlayer1->setFileName(track);

    ui.msgAnswers.push_back(rt::Yes);
    QElapsedTimer wall;
    wall.start();
    w.mnuStartRec_Click();
    ASSERT_TRUE(w.Rec.Recording);
    ASSERT_TRUE(w.DSCaptureBuffer);
    EXPECT_DOUBLE_EQ(w.Capture.RecordSeconds, 11.0);
    const rt::WaveFormatEx format = w.Capture.CaptureDesc.format;
    EXPECT_EQ(format, rt::pcmFormat(44100, 2, 16)) << "the server takes every format";

    // The test source delivers in blocks of up to two seconds: sing until
    // two seconds have arrived.
    const qint64 twoSeconds = 2 * qint64(format.avgBytesPerSec);
    QElapsedTimer t;
    t.start();
    while (w.DSCaptureBuffer->GetCurrentPosition().readPos < twoSeconds && t.elapsed() < 8000)
        QTest::qWait(20);
    EXPECT_EQ(w.MediaPlayer1->playState(), rt::MediaControl::Playing);
    ui.saveAnswers.push_back({{dir.file("sung")}, 1});
    w.XPButton8_Click();
    const double wallSeconds = wall.elapsed() / 1000.0;
    ASSERT_FALSE(w.Rec.Recording);
    EXPECT_FALSE(ui.messages().contains(
        QStringLiteral("录音失败！(电脑缓存不足或录音超时。请尝试重新设置最大录音缓存时间。)")));
    const QString path = dir.file("sung.wav");
    ASSERT_EQ(w.Rec.RecordFile, path);

    rt::WaveFormatEx f;
    QByteArray data;
    ASSERT_TRUE(rt::readWavFile(path, &f, &data, &why)) << why.toStdString();
    EXPECT_EQ(f, format);
    // Exactly what was captured: two seconds and at most one more block of
    // the source (which hands its blocks out ahead of the clock).
    EXPECT_EQ(data.size(), w.Rec.CapturedBytes);
    const double seconds = double(data.size()) / f.avgBytesPerSec;
    EXPECT_GE(seconds, 2.0);
    EXPECT_LT(seconds, 4.1);
    EXPECT_LT(wallSeconds, 10.0);
    EXPECT_EQ(data.size() % f.blockAlign, 0);

    // The left channel, after the first tenth of a second (stream start-up).
    std::vector<double> left;
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype frames = data.size() / f.blockAlign;
    for (qsizetype i = f.samplesPerSec / 10; i < frames; ++i)
        left.push_back(qFromLittleEndian<qint16>(p + i * f.blockAlign) / 32768.0);
    ASSERT_GT(left.size(), std::size_t(f.samplesPerSec));
    double peak = 0;
    for (double v : left)
        peak = std::max(peak, std::abs(v));
    EXPECT_GT(peak, 0.05) << "silence was recorded";
    const double tone = testsupport::goertzelPower(left, 440.0, f.samplesPerSec);
    for (double other : {220.0, 660.0, 880.0, 1000.0})
        EXPECT_GT(tone, 100.0 * testsupport::goertzelPower(left, other, f.samplesPerSec)) << other;
    int crossings = 0;
    for (std::size_t i = 1; i < left.size(); ++i)
        crossings += (left[i - 1] < 0) != (left[i] < 0);
    const double hz = crossings / 2.0 / (double(left.size()) / f.samplesPerSec);
    EXPECT_NEAR(hz, 440.0, 5.0);

    // The take is now the loaded file and plays back.
    EXPECT_EQ(w.MediaPlayer1->fileName(), path);
    EXPECT_NEAR(w.MediaPlayer1->duration(), seconds, 0.1);
    w.mnuPlayRec_Click();
    t.restart();
    while (w.MediaPlayer1->playState() != rt::MediaControl::Playing && t.elapsed() < 3000)
        QTest::qWait(20);
    EXPECT_EQ(w.MediaPlayer1->playState(), rt::MediaControl::Playing);
    w.mnuStopRecPlay_Click();
    EXPECT_TRUE(w.Rec.PlayingRecording);
}
