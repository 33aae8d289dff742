// Takes while the sound server goes away and comes back: a PulseAudio of
// this test's own (its own socket, a 440 Hz sine input) is killed and
// started again. Skips where no pulseaudio program is installed.
#include "platform/wavfile.h"
#include "tests/support/audiogen.h"
#include "tests/support/mainwindow.h"
#include "tests/support/ownsoundserver.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace melodune;

namespace {

using testsupport::OwnSoundServer;

class CaptureOutage : public testsupport::MainWindowTest<> {
protected:
    std::unique_ptr<OwnSoundServer> server;
    rt::FakeMediaControl* media = nullptr;
    std::optional<testsupport::ScopedPulseServer> pulseServer;

    CaptureOutage() : MainWindowTest({.fakeClock = false, .fakeCapture = false, .makeDataFolder = false}) {}
    void SetUp() override
    {
        if (!OwnSoundServer::available())
            GTEST_SKIP() << "no pulseaudio program";
        server = std::make_unique<OwnSoundServer>(dir.file("pulse"));
        ASSERT_TRUE(server->start());
        pulseServer.emplace(server->address());

        settings().ShowMixerOnRecord = false;
        settings().ShowRecVolume = 0;
        settings().ShowVisual = 0;
        w = std::make_unique<FrmMain>(services);
        media = fake();
        media->setMedia(QStringLiteral("track.mp3"), rt::FakeMedia{.duration = 200.0});
        QString why;
        w->DSCapture = rt::DirectSoundCaptureCreate(&why);
        ASSERT_TRUE(w->DSCapture) << why.toStdString();
        w->DSound = rt::DirectSoundCreate();
    }

    void TearDown() override
    {
        MainWindowTest::TearDown();
        server.reset();
        pulseServer.reset();
    }

    // The record command answered Yes, with the stop controls back as after
    // a track change.
    void startTake()
    {
        w->Rec.PlayingRecording = false;
        w->mnuStartRec->setEnabled(true);
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
    // The input panel as the start fills it, following the server.
    void panel()
    {
        w->clsRecorder = std::make_unique<WaveInRecorder>();
        w->FillDeviceCombo();
        w->watchInputDevices();
    }
    // pactl on the test's own server: its output, none when it failed.
    static std::optional<QString> pactl(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral("pactl"), args);
        if (!p.waitForFinished(15000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    // Every notice of the server's input watch so far has been handled: the
    // panel has shown an input loaded now and dropped it again once it was
    // unloaded, and the notices come in the server's order.
    bool noticesHandled()
    {
        const QByteArray name("notice_probe");
        const std::optional<QString> module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-source"),
                                                     QStringLiteral("source_name=") + QString::fromLatin1(name)});
        if (!module || module->isEmpty())
            return false;
        const bool shown = QTest::qWaitFor([&] { return w->cboDev->findData(name) >= 0; }, 15000);
        const bool unloaded = pactl({QStringLiteral("unload-module"), *module}).has_value();
        return shown && unloaded && QTest::qWaitFor([&] { return w->cboDev->findData(name) < 0; }, 15000);
    }
    // Stops the take, saves it under `name` and reads it back.
    QByteArray keepTake(const QString& name, rt::WaveFormatEx* f)
    {
        ui.saveAnswers = {{{dir.file(name)}, 1}};
        w->XPButton8_Click();
        QByteArray data;
        QString why;
        EXPECT_TRUE(rt::readWavFile(dir.file(name + QStringLiteral(".wav")), f, &data, &why)) << why.toStdString();
        return data;
    }
};

// The power of `hz` in the left channel of a 16-bit take, after its first
// tenth of a second.
double tone(const QByteArray& data, const rt::WaveFormatEx& f, double hz)
{
    std::vector<double> left;
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    for (qsizetype i = f.samplesPerSec / 10; i < data.size() / f.blockAlign; ++i)
        left.push_back(qFromLittleEndian<qint16>(p + i * f.blockAlign) / 32768.0);
    return testsupport::goertzelPower(left, hz, f.samplesPerSec);
}

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
        ASSERT_TRUE(w->Rec.Recording);
        ASSERT_TRUE(sung()) << "the first take records";

        // The server dies mid-take: the input is lost, what came before stays.
        server->kill();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !(w->DSCaptureBuffer->GetStatus() & rt::CaptureStatusCapturing); }, 15000));
        EXPECT_TRUE(w->DSCaptureBuffer->inputLost());
        const std::int32_t captured = w->DSCaptureBuffer->capturedBytes();
        const QString kept = dir.file(QStringLiteral("kept%1").arg(++n));
        ui.saveAnswers = {{{kept}, 1}};
        w->XPButton8_Click();
        ASSERT_FALSE(w->Rec.Recording);
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
            EXPECT_FALSE(w->Rec.Recording);
            const QStringList said = ui.messages();
            EXPECT_EQ(said.size(), 2) << said.join(u'|').toStdString();
            EXPECT_TRUE(said.value(1).startsWith(QStringLiteral("无法打开录音输入！"))) << said.join(u'|').toStdString();
            EXPECT_TRUE(w->mnuStartRec->isEnabled());
            server->kill();
        }
        ASSERT_TRUE(server->start());

        // The next take records again, in the same process.
        ui.calls.clear();
        startTake();
        ASSERT_TRUE(w->Rec.Recording);
        EXPECT_TRUE(sung()) << "the take after the server came back records";
        ui.saveAnswers.clear(); // not kept
        w->XPButton8_Click();
        ASSERT_FALSE(w->Rec.Recording);
    }
}

TEST_F(CaptureOutage, AnUnpluggedInputEndsItsTakeAndThePanelTurnsToTheInputTheServerRecords)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
        GTEST_SKIP() << "no pactl program";
    const std::optional<QString> module =
        pactl({QStringLiteral("load-module"), QStringLiteral("module-sine-source"), QStringLiteral("source_name=plug_sine"),
               QStringLiteral("frequency=880"), QStringLiteral("rate=44100")});
    ASSERT_TRUE(module && !module->isEmpty());
    panel();
    const int plug = w->cboDev->findData(QByteArray("plug_sine"));
    ASSERT_GE(plug, 0);
    w->cboDev->setCurrentIndex(plug);
    ASSERT_EQ(w->DSCapture->device(), QByteArray("plug_sine"));

    // Unplugged mid-take: the take ends with what it had, none of another
    // input's sound, and says so once.
    startTake();
    ASSERT_TRUE(w->Rec.Recording);
    ASSERT_TRUE(sung());
    ASSERT_TRUE(pactl({QStringLiteral("unload-module"), *module}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !(w->DSCaptureBuffer->GetStatus() & rt::CaptureStatusCapturing); }, 15000))
        << "the take goes on from another input";
    EXPECT_TRUE(w->DSCaptureBuffer->inputLost());
    rt::WaveFormatEx f;
    const QByteArray kept = keepTake(QStringLiteral("kept"), &f);
    ASSERT_GT(kept.size(), f.avgBytesPerSec / 4);
    EXPECT_GT(tone(kept, f, 880), 100 * tone(kept, f, 440));

    // The panel shows the input the server records from now, refilled.
    ASSERT_TRUE(QTest::qWaitFor([this] { return w->cboDev->count() == 1; }, 15000));
    EXPECT_EQ(w->cboDev->itemData(0).toByteArray(), QByteArray("outage_sine"));
    EXPECT_EQ(w->cboDev->currentIndex(), 0);
    EXPECT_EQ(w->cboRecLine->count(), 1);
    EXPECT_EQ(w->DSCapture->device(), QByteArray("outage_sine"));
    ASSERT_TRUE(noticesHandled()); // any later notice says nothing more
    const QStringList said = ui.messages();
    EXPECT_EQ(said.size(), 2) << said.join(u'|').toStdString(); // the question and the lost input
    EXPECT_TRUE(said.value(1).startsWith(QStringLiteral("录音输入中断！"))) << said.join(u'|').toStdString();

    // The next take comes from the device shown.
    ui.calls.clear();
    startTake();
    ASSERT_TRUE(w->Rec.Recording);
    ASSERT_TRUE(sung());
    const QByteArray next = keepTake(QStringLiteral("next"), &f);
    EXPECT_GT(tone(next, f, 440), 100 * tone(next, f, 880));
}

TEST_F(CaptureOutage, AnInputUnpluggedBetweenTakesIsToldOnceAndTheNextTakeUsesTheOneShown)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
        GTEST_SKIP() << "no pactl program";
    const std::optional<QString> module = pactl(
        {QStringLiteral("load-module"), QStringLiteral("module-null-source"), QStringLiteral("source_name=plug_quiet")});
    ASSERT_TRUE(module && !module->isEmpty());
    panel();
    w->cboDev->setCurrentIndex(w->cboDev->findData(QByteArray("plug_quiet")));
    ASSERT_EQ(w->DSCapture->device(), QByteArray("plug_quiet"));
    ASSERT_TRUE(pactl({QStringLiteral("unload-module"), *module}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return w->cboDev->count() == 1; }, 15000));
    EXPECT_EQ(w->cboDev->currentData().toByteArray(), QByteArray("outage_sine"));
    EXPECT_EQ(w->DSCapture->device(), QByteArray("outage_sine"));
    ASSERT_TRUE(noticesHandled());
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("所选录音设备错误！")});

    startTake();
    ASSERT_TRUE(w->Rec.Recording);
    ASSERT_TRUE(sung());
    rt::WaveFormatEx f;
    const QByteArray take = keepTake(QStringLiteral("take"), &f);
    EXPECT_GT(tone(take, f, 440), 100 * tone(take, f, 880)) << "the sine of the input shown";
}

TEST_F(CaptureOutage, TheMeterFallsWhileTheServerIsGoneAndRisesWhenItIsBack)
{
    settings().ShowRecVolume = 1;
    w->Timer[4]->start();
    auto barsOut = [this] {
        const auto& left = w->Anim.Meter.left;
        return left[0] < MeterPositions::LeftBarRest && left[1] > MeterPositions::RightBarRest;
    };
    auto barsAtRest = [this] {
        const auto& left = w->Anim.Meter.left;
        return left[0] == MeterPositions::LeftBarRest && left[1] == MeterPositions::RightBarRest;
    };
    ASSERT_TRUE(QTest::qWaitFor(barsOut, 15000)) << "the sine moves the meter";
    server->kill();
    EXPECT_TRUE(QTest::qWaitFor(barsAtRest, 15000)) << "the bars stay at their last level";
    ASSERT_TRUE(server->start());
    EXPECT_TRUE(QTest::qWaitFor(barsOut, 15000));
}
