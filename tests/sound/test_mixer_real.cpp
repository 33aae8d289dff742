// The recording engine and the input panel against the test sound server of
// tests/run_tests.sh: its inputs are Qt's inputs, volumes reach the server
// on every channel, the capture follows the panel. Without that server the
// tests skip.
#include "platform/mixer.h"
#include "sound/captureformat.h"
#include "sound/waveinrecorder.h"
#include "tests/support/mainwindow.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QMediaDevices>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <functional>
#include <set>

using namespace melodune;

namespace {

#define REQUIRE_TEST_SERVER()                                                                          \
    do {                                                                                               \
        if (!qEnvironmentVariableIsSet("MELODUNE_TEST_MIC_FIFO"))                                      \
            GTEST_SKIP() << "needs the sound server of tests/run_tests.sh";                            \
    } while (0)

// The per-channel volumes pactl reports for a source.
std::vector<std::uint32_t> pactlVolumes(const QByteArray& source)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), {QStringLiteral("get-source-volume"), QString::fromUtf8(source)});
    if (!p.waitForFinished(10000))
        return {};
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    std::vector<std::uint32_t> v;
    static const QRegularExpression value(QStringLiteral(":\\s*(\\d+)\\s*/"));
    for (auto it = value.globalMatch(out.section(QLatin1Char('\n'), 0, 0)); it.hasNext();)
        v.push_back(it.next().captured(1).toUInt());
    return v;
}

// The row of `source` in a recorder's list; -1 when missing.
int rowOf(WaveInRecorder& rec, const QByteArray& source)
{
    const int n = rec.DeviceCount();
    for (int i = 0; i < n; ++i)
        if (rec.SelectDevice(i) && rec.SelectedDeviceId() == source)
            return i;
    return -1;
}

} // namespace

TEST(RealMixer, ListsExactlyQtsInputsWithTheDefaultFirst)
{
    REQUIRE_TEST_SERVER();
    WaveInRecorder rec;
    const int n = rec.DeviceCount();
    std::set<std::pair<QByteArray, QString>> ours, qts;
    QByteArray first;
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(rec.SelectDevice(i)) << i;
        if (i == 0)
            first = rec.SelectedDeviceId();
        ours.insert({rec.SelectedDeviceId(), rec.DeviceName(i)});
    }
    for (const QAudioDevice& d : QMediaDevices::audioInputs())
        qts.insert({d.id(), d.description()});
    EXPECT_EQ(ours, qts);
    EXPECT_EQ(first, QMediaDevices::defaultAudioInput().id());
    EXPECT_EQ(first, QByteArray("melodune_sine"));
    std::set<QByteArray> ids;
    for (const auto& entry : ours)
        ids.insert(entry.first);
    for (const char* s : {"melodune_mono", "melodune_stereo", "melodune_quad", "melodune_pipe"})
        EXPECT_EQ(ids.count(QByteArray(s)), 1u) << s;
    EXPECT_EQ(ids.count(QByteArray("melodune_null.monitor")), 0u) << "a monitor is no input";
}

TEST(RealMixer, VolumeRoundTripsOnOneTwoAndFourChannels)
{
    REQUIRE_TEST_SERVER();
    WaveInRecorder rec;
    for (const auto& [name, channels] : {std::pair{QByteArray("melodune_mono"), 1},
                                         std::pair{QByteArray("melodune_stereo"), 2},
                                         std::pair{QByteArray("melodune_quad"), 4}}) {
        SCOPED_TRACE(name.toStdString());
        const int row = rowOf(rec, name);
        ASSERT_GE(row, 0);
        ASSERT_TRUE(rec.SelectDevice(row));
        ASSERT_EQ(rec.MixerLineCount(), 1) << "a source without ports has one line";
        EXPECT_EQ(rec.SelectedMixerLine(), 0);
        EXPECT_TRUE(rec.SelectMixerLine(0));
        for (std::int32_t raw : {0, 1, 12345, 32768, 65534, 65535}) {
            ASSERT_TRUE(rec.MixerLineVolume(raw)) << raw;
            EXPECT_EQ(rec.MixerLineVolume(), raw);
            const std::vector<std::uint32_t> shown = pactlVolumes(name);
            ASSERT_EQ(shown.size(), std::size_t(channels)) << raw;
            for (std::uint32_t v : shown)
                EXPECT_EQ(v, rt::serverVolumeFromRaw(raw)) << raw;
        }
    }
}

TEST(RealMixer, StartRecordHandsOutWholeBuffersAndStopsFromItsHandler)
{
    REQUIRE_TEST_SERVER();
    WaveInRecorder rec;
    ASSERT_EQ(rowOf(rec, "melodune_sine"), 0);
    ASSERT_TRUE(rec.SelectDevice(0));
    std::vector<std::int32_t> lengths;
    std::vector<qsizetype> sizes;
    QObject::connect(&rec, &WaveInRecorder::GotData, [&](const QVector<qint16>& data, std::int32_t len) {
        lengths.push_back(len);
        sizes.push_back(data.size());
        if (lengths.size() == 3)
            rec.StopRecord();
    });
    ASSERT_TRUE(rec.StartRecord(44100, 2));
    EXPECT_TRUE(rec.IsRecording());
    EXPECT_FALSE(rec.StartRecord(44100, 2)) << "one take at a time";
    rec.BufferSize(4096);
    rec.BufferCount(2);
    EXPECT_EQ(rec.BufferSize(), 10240) << "kept while recording";
    EXPECT_EQ(rec.BufferCount(), 5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rec.IsRecording(); }, 15000));
    // Once the stopped stream is gone nothing more can come from it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return rec.findChildren<QAudioSource*>().isEmpty(); }, 5000));
    ASSERT_EQ(lengths.size(), 3u) << "nothing after the stop";
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        EXPECT_EQ(lengths[i], 10240);
        EXPECT_EQ(sizes[i], 5120);
    }
}

// The window with the real mixer and the real capture.
class RealPanel : public testsupport::MainWindowTest<> {
protected:
    RealPanel() : MainWindowTest({.fakeClock = false, .fakeCapture = false}) {}
    void SetUp() override { w = std::make_unique<FrmMain>(services); }

    int comboRow(const QString& description) const { return w->cboDev->findText(description); }

    // Half a second of what the capture gives now, left channel.
    std::vector<qint16> listen()
    {
        std::unique_ptr<rt::DSCaptureBuffer> b = w->DSCapture->CreateCaptureBuffer(w->Capture.CaptureDesc);
        EXPECT_TRUE(b && b->Start(0));
        if (!b)
            return {};
        const rt::WaveFormatEx& f = w->Capture.CaptureDesc.format;
        EXPECT_TRUE(QTest::qWaitFor([&] { return b->capturedBytes() >= f.avgBytesPerSec / 2; }, 15000));
        b->Stop();
        std::vector<qint16> all(std::size_t(b->capturedBytes() / 2));
        b->ReadBuffer(0, int(all.size() * 2), all.data());
        std::vector<qint16> left;
        for (std::size_t i = 0; i < all.size(); i += std::size_t(f.channels))
            left.push_back(all[i]);
        return left;
    }
};

TEST_F(RealPanel, TheCaptureFollowsThePanel)
{
    REQUIRE_TEST_SERVER();
    ASSERT_TRUE(w->Form_Load());
    ASSERT_EQ(w->cboDev->currentIndex(), 0);
    EXPECT_EQ(w->DSCapture->device(), QByteArray("melodune_sine"));
    ASSERT_EQ(w->Capture.CaptureDesc.format.channels, 2);

    const int mono = comboRow(QStringLiteral("Melodune-Mono-Input"));
    ASSERT_GT(mono, 0);
    w->cboDev->setCurrentIndex(mono);
    EXPECT_EQ(w->DSCapture->device(), QByteArray("melodune_mono"));
    std::vector<qint16> silent = listen();
    ASSERT_GT(silent.size(), 10000u);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](qint16 s) { return s == 0; }));

    w->cboDev->setCurrentIndex(0);
    EXPECT_EQ(w->DSCapture->device(), QByteArray("melodune_sine"));
    std::vector<qint16> sine = listen();
    ASSERT_GT(sine.size(), 10000u);
    int rising = 0;
    for (std::size_t i = 1; i < sine.size(); ++i)
        rising += sine[i - 1] < 0 && sine[i] >= 0;
    const double hz = rising * 44100.0 / double(sine.size());
    EXPECT_NEAR(hz, 440.0, 10.0);
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join('|').toStdString();
}

TEST_F(RealPanel, ASliderMoveShowsInPactl)
{
    REQUIRE_TEST_SERVER();
    ASSERT_TRUE(w->Form_Load());
    const int quad = comboRow(QStringLiteral("Melodune-Quad-Input"));
    ASSERT_GT(quad, 0);
    w->cboDev->setCurrentIndex(quad);
    ASSERT_EQ(w->cboRecLine->count(), 1);
    EXPECT_EQ(w->cboRecLine->itemText(0), QStringLiteral("Melodune-Quad-Input"));
    w->sldVol->setValue(32768);
    EXPECT_EQ(w->lblVolPer->text(), QStringLiteral("50%"));
    EXPECT_EQ(pactlVolumes("melodune_quad"), std::vector<std::uint32_t>(4, rt::serverVolumeFromRaw(32768)));
    w->sldVol->setValue(65535);
    EXPECT_EQ(pactlVolumes("melodune_quad"), std::vector<std::uint32_t>(4, rt::MixerVolumeNorm));
}
