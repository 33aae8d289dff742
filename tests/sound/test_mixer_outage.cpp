// The recording engine and the input panel while a sound server of the
// test's own is killed, restarted or stopped (SIGSTOP: it keeps accepting
// connections and never answers). Calls fail instead of waiting, and work
// again once the server is back. Skips where no pulseaudio program is
// installed.
#include "platform/mixer.h"
#include "sound/waveinrecorder.h"
#include "tests/support/mainwindow.h"
#include "tests/support/ownsoundserver.h"

#include <QComboBox>
#include <QLabel>
#include <QDir>
#include <QElapsedTimer>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

using namespace melodune;
using testsupport::OwnSoundServer;

namespace {

class MixerOutage : public testsupport::MainWindowTest<> {
protected:
    std::unique_ptr<OwnSoundServer> server;
    std::optional<testsupport::ScopedPulseServer> pulseServer;

    MixerOutage() : MainWindowTest({.fakeClock = false, .fakeCapture = false}) {}
    void SetUp() override
    {
        if (!OwnSoundServer::available())
            GTEST_SKIP() << "no pulseaudio program";
        server = std::make_unique<OwnSoundServer>(dir.file("pulse"));
        ASSERT_TRUE(server->start());
        pulseServer.emplace(server->address());
        ASSERT_TRUE(serverAnswers());
    }
    // A server just started on a loaded machine can take longer than one
    // call's bound to answer, and a call that timed out keeps the next ones
    // failing for a while: wait until it answers.
    static bool serverAnswers()
    {
        WaveInRecorder probe;
        return QTest::qWaitFor([&] { return probe.DeviceCount() == 1; }, 15000);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        if (server)
            server->resume();
        server.reset();
        pulseServer.reset();
    }
};

// Milliseconds `f` took; printed for the record, never a pass mark.
template <class F>
qint64 timed(const char* what, F f)
{
    QElapsedTimer t;
    t.start();
    f();
    const qint64 ms = t.elapsed();
    std::cout << "  " << what << ": " << ms << " ms\n";
    return ms;
}

} // namespace

TEST_F(MixerOutage, AKilledServerFailsTheCallsAndARestartedOneServesThemAgain)
{
    WaveInRecorder rec;
    ASSERT_EQ(rec.DeviceCount(), 1);
    ASSERT_TRUE(rec.SelectDevice(0));
    ASSERT_EQ(rec.MixerLineVolume(), 65535);

    server->kill();
    timed("calls on a killed server", [&] {
        EXPECT_EQ(rec.MixerLineVolume(), -1);
        EXPECT_FALSE(rec.MixerLineVolume(1000));
        EXPECT_EQ(rec.SelectedMixerLine(), -1);
        EXPECT_EQ(rec.DeviceCount(), 0);
    });

    ASSERT_TRUE(server->start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return rec.DeviceCount() == 1; }, 15000)) << "a new connection";
    ASSERT_TRUE(rec.SelectDevice(0));
    EXPECT_TRUE(rec.MixerLineVolume(32768));
    EXPECT_EQ(rec.MixerLineVolume(), 32768);
}

TEST_F(MixerOutage, AStoppedServerFailsTheCallsInsteadOfHolding)
{
    WaveInRecorder rec;
    ASSERT_EQ(rec.DeviceCount(), 1);
    ASSERT_TRUE(rec.SelectDevice(0));

    server->pause();
    // The first call waits out its bound; the next ones fail at once for a
    // while, so a slider drag is not held a second per step. A run that
    // ended here proves the bound; the times are printed for the record.
    timed("first call on a stopped server", [&] { EXPECT_EQ(rec.MixerLineVolume(), -1); });
    timed("twenty more calls", [&] {
        for (int i = 0; i < 20; ++i)
            EXPECT_FALSE(rec.MixerLineVolume(i * 1000));
    });
    EXPECT_FALSE(rec.StartRecord(44100, 2)) << "no wait on Qt's device list either";

    server->resume();
    // Answers again once the quiet time after the timeout has passed.
    QElapsedTimer t;
    t.start();
    std::int32_t v = -1;
    while ((v = rec.MixerLineVolume()) < 0 && t.elapsed() < 15000)
        QTest::qWait(100);
    EXPECT_EQ(v, 65535);
}

TEST_F(MixerOutage, TheWindowSurvivesAKilledServer)
{
    rt::setCaptureSourceFactory([](QString*) { return std::make_unique<rt::FakeCaptureSource>(); });
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    ASSERT_EQ(w.cboDev->count(), 1);
    ASSERT_EQ(w.cboRecLine->count(), 1);
    ASSERT_EQ(w.sldVol->value(), 65535);

    server->kill();
    w.sldVol->setValue(1000);
    w.cboRecLine->setCurrentIndex(-1);
    w.cboRecLine->setCurrentIndex(0);
    EXPECT_EQ(w.sldVol->value(), 1000) << "an unreadable volume is not shown as 0";
    w.cboDev->setCurrentIndex(-1);
    w.cboDev->setCurrentIndex(0);
    EXPECT_TRUE(ui.messages().contains(QStringLiteral("所选录音设备错误！")));
    EXPECT_EQ(w.cboRecLine->count(), 0);
    w.FillDeviceCombo();
    EXPECT_EQ(w.cboDev->count(), 0);
}

TEST_F(MixerOutage, StartUpOnAStoppedServerEndsWithTheSoundCardMessage)
{
    rt::setCaptureSourceFactory({});
    server->pause();
    FrmMain w(services);
    bool loaded = true;
    timed("start-up on a stopped server", [&] { loaded = w.Form_Load(); });
    EXPECT_FALSE(loaded);
    EXPECT_EQ(ui.messages(),
              QStringList{QStringLiteral("无法初始化声卡！请确认声音服务器已经运行或声卡设置正确后重试！")});
    EXPECT_EQ(w.cboDev->count(), 0);
}

TEST_F(MixerOutage, APanelStartedOnAStalledServerFillsItselfOnceItAnswers)
{
    {
        // A recording volume of the user's own, which the fill must only show.
        WaveInRecorder setup;
        ASSERT_EQ(setup.DeviceCount(), 1);
        ASSERT_TRUE(setup.SelectDevice(0));
        ASSERT_TRUE(setup.MixerLineVolume(32768));
    }
    rt::setCaptureSourceFactory([](QString*) { return std::make_unique<rt::FakeCaptureSource>(); });
    // The calls stay quiet longer than the test after the stall: only the
    // watch hearing the server again can fill the panel.
    rt::setMixerFactory([] { return std::make_unique<rt::PulseMixer>(rt::MixerTiming{.quietAfterTimeoutMs = 3600000}); });
    FrmMain w(services);
    server->pause();
    ASSERT_TRUE(w.Form_Load());
    ASSERT_EQ(w.cboDev->count(), 0) << "the stall outlasts the list's wait";
    server->resume();

    ASSERT_TRUE(QTest::qWaitFor([&] { return w.cboRecLine->count() == 1; }, 15000));
    EXPECT_EQ(w.cboDev->count(), 1);
    EXPECT_EQ(w.cboDev->currentIndex(), 0);
    EXPECT_EQ(w.DSCapture->device(), w.clsRecorder->DeviceId(0)) << "the meter records from the device shown";
    EXPECT_EQ(w.sldVol->value(), 32768);
    EXPECT_EQ(w.lblVolPer->text(), QStringLiteral("50%"));
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join(u'|').toStdString();
    WaveInRecorder check;
    ASSERT_EQ(check.DeviceCount(), 1);
    ASSERT_TRUE(check.SelectDevice(0));
    EXPECT_EQ(check.MixerLineVolume(), 32768) << "nothing was written to the volume";
}
