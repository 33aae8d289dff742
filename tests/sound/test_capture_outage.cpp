// Takes while the sound server goes away and comes back: a PulseAudio of
// this test's own (its own socket, a 440 Hz sine input) is killed and
// started again. Skips where no pulseaudio program is installed.
#include "core/frmmain.h"
#include "core/settings.h"
#include "core/shared.h"
#include "platform/clock.h"
#include "platform/dsound.h"
#include "platform/mediacontrolfake.h"
#include "platform/ui.h"
#include "platform/wavfile.h"
#include "tests/support/ownsoundserver.h"
#include "tests/support/testdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace melodune;

namespace {

using testsupport::OwnSoundServer;

class CaptureOutage : public ::testing::Test {
protected:
    testsupport::TestDir dir;
    rt::ScriptedUi ui;
    rt::ScopedUi scopedUi{&ui};
    std::unique_ptr<OwnSoundServer> server;
    std::unique_ptr<FrmMain> w;
    rt::FakeMediaControl* media = nullptr;
    std::optional<testsupport::ScopedPulseServer> pulseServer;

    void SetUp() override
    {
        if (!OwnSoundServer::available())
            GTEST_SKIP() << "no pulseaudio program";
        server = std::make_unique<OwnSoundServer>(dir.file("pulse"));
        ASSERT_TRUE(server->start());
        pulseServer.emplace(server->address());

        rt::setCaptureSourceFactory({});
        shared() = SharedState{};
        shared().DataDir = dir.file("data");
        settings() = SettingsRecord{};
        settings().ShowMixerOnRecord = false;
        settings().ShowRecVolume = 0;
        settings().ShowVisual = 0;
        rt::setAppTitle(QStringLiteral("Melodune"));
        FrmMainServices services;
        services.createMedia = [](QObject* parent) { return new rt::FakeMediaControl(nullptr, parent); };
        w = std::make_unique<FrmMain>(services);
        media = static_cast<rt::FakeMediaControl*>(w->MediaPlayer1);
        media->setMedia(QStringLiteral("track.mp3"), rt::FakeMedia{.duration = 200.0});
        QString why;
        w->DSCapture = rt::DirectSoundCaptureCreate(&why);
        ASSERT_TRUE(w->DSCapture) << why.toStdString();
        w->DSound = rt::DirectSoundCreate();
    }

    void TearDown() override
    {
        w.reset();
        server.reset();
        pulseServer.reset();
        settings() = SettingsRecord{};
    }

    // The record command answered Yes, with the stop controls back as after
    // a track change.
    void startTake()
    {
        w->PlayingRecording = false;
        w->mnu(QStringLiteral("mnuStartRec"))->setEnabled(true);
        media->setFileName(QStringLiteral("track.mp3"));
        ui.msgAnswers = {rt::Yes};
        w->mnuStartRec_Click();
    }
    // Half a second of the take has arrived.
    bool sung()
    {
        return QTest::qWaitFor(
            [this] {
                return w->DSCaptureBuffer && w->DSCaptureBuffer->capturedBytes() >=
                                                 w->Capture.CaptureDesc.format.avgBytesPerSec / 2;
            },
            15000);
    }
    int saveDialogs() const
    {
        int n = 0;
        for (const auto& c : ui.calls)
            n += c.kind == QLatin1String("save");
        return n;
    }
};

} // namespace

TEST_F(CaptureOutage, TakeCutByTheServerIsKeptAndTheNextTakeRecords)
{
    const struct {
        const char* what;
        int outageMs;
        bool backWithoutInputFirst; // the server returns listing no input yet
    } cases[] = {
        {"short outage", 1000, false},
        {"outage longer than three seconds", 5000, false},
        {"server back without an input, then with one", 5000, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ui.calls.clear();
        startTake();
        ASSERT_TRUE(w->Recording);
        ASSERT_TRUE(sung()) << "the first take records";

        // The server dies mid-take: the input is lost, what came before stays.
        server->kill();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !(w->DSCaptureBuffer->GetStatus() & rt::CaptureStatusCapturing); }, 15000));
        EXPECT_TRUE(w->DSCaptureBuffer->inputLost());
        const std::int32_t captured = w->DSCaptureBuffer->capturedBytes();
        const QString kept = dir.file(QStringLiteral("kept%1").arg(++n));
        ui.saveAnswers = {{{kept}, 1}};
        w->XPButton8_Click();
        ASSERT_FALSE(w->Recording);
        EXPECT_EQ(saveDialogs(), 1) << "the save dialog is offered for what was captured";
        const QStringList shown = ui.messages();
        EXPECT_EQ(shown.size(), 2) << shown.join(u'|').toStdString();
        EXPECT_TRUE(shown.value(1).startsWith(QStringLiteral("录音输入中断！"))) << shown.join(u'|').toStdString();
        QByteArray data;
        rt::WaveFormatEx f;
        QString why;
        EXPECT_TRUE(rt::readWavFile(kept + QStringLiteral(".wav"), &f, &data, &why)) << why.toStdString();
        EXPECT_EQ(data.size(), captured);

        QTest::qWait(c.outageMs);
        if (c.backWithoutInputFirst) {
            ASSERT_TRUE(server->start(false));
            ui.calls.clear();
            startTake(); // asks again for the formats, finds none: no exit, the take ends at once
            EXPECT_FALSE(w->Recording);
            const QStringList said = ui.messages();
            EXPECT_EQ(said.size(), 2) << said.join(u'|').toStdString();
            EXPECT_TRUE(said.value(1).startsWith(QStringLiteral("无法打开录音输入！"))) << said.join(u'|').toStdString();
            EXPECT_TRUE(w->mnu(QStringLiteral("mnuStartRec"))->isEnabled());
            server->kill();
        }
        ASSERT_TRUE(server->start());

        // The next take records again, in the same process.
        ui.calls.clear();
        startTake();
        ASSERT_TRUE(w->Recording);
        EXPECT_TRUE(sung()) << "the take after the server came back records";
        ui.saveAnswers.clear(); // not kept
        w->XPButton8_Click();
        ASSERT_FALSE(w->Recording);
    }
}
