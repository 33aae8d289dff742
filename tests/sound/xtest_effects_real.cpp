// Vocal removal and key shift end to end on the virtual display: the real
// decoder, effect and media control (libmpv with null outputs), a shown main
// window. The key shift of a four-minute track also measures how long the
// window thread's 50 ms timer is held up meanwhile.
#include "dialogs/frmwait.h"
#include "platform/soundfiles.h"
#include "platform/wavfile.h"
#include "sound/frmshiftset.h"
#include "tests/support/audiogen.h"
#include "tests/support/mainwindow.h"
#include "tests/support/paintedstages.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>

using namespace melodune;

namespace {

// Where screenshots go when asked for (MELODUNE_EFFECT_SHOTS).
void shot(const QString& name)
{
    const QString shots = qEnvironmentVariable("MELODUNE_EFFECT_SHOTS");
    if (shots.isEmpty())
        return;
    QDir().mkpath(shots);
    QGuiApplication::primaryScreen()->grabWindow(0).save(shots + u'/' + name);
}

// Centre tone on both channels plus a tone on the left only, 16-bit stereo.
QByteArray centreAndLeft(int rate, double seconds, double centreHz, double leftHz)
{
    const int frames = int(rate * seconds);
    QByteArray b(frames * 4, Qt::Uninitialized);
    auto* s = reinterpret_cast<std::int16_t*>(b.data());
    for (int i = 0; i < frames; ++i) {
        const double c = 8000 * std::sin(2 * M_PI * centreHz * i / rate);
        const double l = 8000 * std::sin(2 * M_PI * leftHz * i / rate);
        s[2 * i] = std::int16_t(std::lround(c + l));
        s[2 * i + 1] = std::int16_t(std::lround(c));
    }
    return b;
}

std::vector<double> channel(const QByteArray& data, int ch, qsizetype from, qsizetype frames)
{
    std::vector<double> x;
    const auto* s = reinterpret_cast<const std::int16_t*>(data.constData());
    for (qsizetype i = from; i < from + frames && 2 * i + ch < data.size() / 2; ++i)
        x.push_back(s[2 * i + ch]);
    return x;
}

class RealEffects : public testsupport::MainWindowTest<> {
protected:
    RealEffects() : MainWindowTest({.fakeClock = false, .dataFolders = {"TEMP"}}) {}
    void SetUp() override
    {
        settings().ShowRecVolume = 0;
        settings().ShowVisual = 0;
        makeMedia = testsupport::nullOutputMpv;
        w = std::make_unique<FrmMain>(services);
        w->show();
    }
    void open(const QString& path)
    {
        w->MediaPlayer1->setFileName(path);
        w->Track.CurrentFile = path;
        w->MediaPlayer1->play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->MediaPlayer1->playState() == rt::MediaControl::Playing; }, 5000));
    }
    // Ticks a switch; its job goes on from the event loop: until it ends.
    void switchOn(QCheckBox* box)
    {
        box->setChecked(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->soundJobRunning(); }, 240000));
    }
};

} // namespace

TEST_F(RealEffects, VocalRemovalOfAnMp3PlaysTheCentreFreeCopy)
{
    settings().VocalCompensation = -3; // off: the pass alone
    const int rate = 44100;
    const QByteArray pcm = centreAndLeft(rate, 3.0, 440, 1000);
    ASSERT_TRUE(rt::writeWavFile(dir.file("mix.wav"), rt::pcmFormat(rate, 2, 16), pcm.constData(), pcm.size()));
    // LAME codes this stereo pair as joint stereo.
    ASSERT_TRUE(rt::encodeWavToMp3(dir.file("mix.wav"), dir.file("song.mp3"), rate, 192000));
    open(dir.file("song.mp3"));
    ui.msgAnswers = {rt::Yes};
    ui.saveAnswers = {{{dir.file("out.wav")}, 1}};
    bool sawWait = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (FrmWait::isLoaded() && !sawWait) {
            sawWait = true;
            shot(QStringLiteral("frmwait_vocal.png"));
        }
    });
    probe.start(20);
    switchOn(w->Check2);
    probe.stop();
    EXPECT_EQ(ui.messages().size(), 1) << "only the question: " << ui.messages().join(" | ").toStdString();
    ASSERT_TRUE(w->Jobs.VocalRemovalOn);
    QTest::qWait(100);
    shot(QStringLiteral("switch_on.png"));
    EXPECT_EQ(w->MediaPlayer1->fileName(), w->Jobs.DevocalFile);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->MediaPlayer1->playState() == rt::MediaControl::Playing; }, 5000))
        << w->MediaPlayer1->playState() << " " << w->MediaPlayer1->fileName().toStdString();

    rt::WaveFormatEx f;
    QByteArray out;
    ASSERT_TRUE(rt::readWavFile(w->Jobs.DevocalFile, &f, &out));
    EXPECT_EQ(f, rt::pcmFormat(rate, 2, 16));
    EXPECT_EQ(out.size(), pcm.size()) << "gapless: the track's own length";
    // The middle second, clear of the codec's edges.
    const auto res = channel(out, 0, rate, rate);
    const double db440 = 10 * std::log10(testsupport::goertzelPower(res, 440, rate) /
                                         testsupport::goertzelPower(channel(pcm, 1, rate, rate), 440, rate));
    const double db1k = 10 * std::log10(testsupport::goertzelPower(res, 1000, rate) /
                                        testsupport::goertzelPower(channel(pcm, 0, rate, rate), 1000, rate));
    std::printf("mp3 centre 440 Hz: %.1f dB, left-only 1 kHz: %.2f dB\n", db440, db1k);
    EXPECT_LT(db440, -40.0);
    EXPECT_NEAR(db1k, 0.0, 1.0);

    // Off again: the track itself is back.
    w->Check2->setChecked(false);
    EXPECT_EQ(w->MediaPlayer1->fileName(), dir.file("song.mp3"));
    EXPECT_TRUE(w->Jobs.DevocalFile.isEmpty());
}

TEST_F(RealEffects, KeyShiftOfAFourMinuteTrackKeepsTheWindowTicking)
{
    const QString src = dir.file("long.wav");
    ASSERT_TRUE(testsupport::writeSineWav(src, {.seconds = 240, .frequency = 440}));
    open(src);
    ui.msgAnswers = {rt::Yes};
    ui.saveAnswers = {{{dir.file("shift.wav")}, 1}};
    QTimer::singleShot(0, w.get(), [] {
        auto* d = qobject_cast<FrmShiftSet*>(QApplication::activeModalWidget());
        ASSERT_TRUE(d);
        d->Slider1->setValue(3);
        d->Slider1->setFocus();
        QTest::qWait(300);
        shot(QStringLiteral("frmshiftset.png"));
        d->XPButton1_Click();
    });
    // The 50 ms timer of the window thread: the longest gap between ticks.
    QElapsedTimer since;
    qint64 longest = 0;
    bool running = false;
    int shots = 0;
    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const bool jobUp = FrmWait::isLoaded();
        if (jobUp && running)
            longest = std::max(longest, since.elapsed());
        running = jobUp;
        since.restart();
        if (jobUp && shots == 0 && FrmWait::instance(nullptr)->ProgressBar1->Value() > 1) {
            ++shots;
            shot(QStringLiteral("frmwait_shift.png"));
        }
    });
    tick.start();
    since.start();
    QElapsedTimer job;
    job.start();
    switchOn(w->Check3);
    const qint64 jobMs = job.elapsed();
    tick.stop();
    EXPECT_EQ(ui.messages().size(), 1) << "only the question: " << ui.messages().join(" | ").toStdString();
    ASSERT_TRUE(w->Jobs.KeyShiftOn);
    EXPECT_EQ(w->MediaPlayer1->fileName(), dir.file("shift.wav"));
    std::printf("key shift of 240 s: %lld ms; longest 50 ms timer gap %lld ms\n", (long long)jobMs,
                (long long)longest);
    RecordProperty("longest_timer_gap_ms", int(longest));
    RecordProperty("key_shift_ms", int(jobMs));
    rt::WaveFormatEx f;
    QByteArray out;
    ASSERT_TRUE(rt::readWavFile(dir.file("shift.wav"), &f, &out));
    EXPECT_EQ(out.size(), qsizetype(240) * 44100 * 4) << "same length";
    const auto mid = channel(out, 0, 44100 * 100, 44100);
    EXPECT_GT(testsupport::goertzelPower(mid, 523.25, 44100), 100 * testsupport::goertzelPower(mid, 440, 44100));
}

TEST_F(RealEffects, VocalRemovalOfALongWavPaintsEveryStageInOrder)
{
    settings().VocalCompensation = 3;
    const QString src = dir.file("long.wav");
    ASSERT_TRUE(testsupport::writeSineWav(src, {.seconds = 240, .frequency = 440}));
    open(src);
    ui.msgAnswers = {rt::Yes};
    ui.saveAnswers = {{{dir.file("devocal.wav")}, 1}};
    testsupport::PaintedStages painted;
    switchOn(w->Check2);
    ASSERT_TRUE(w->Jobs.VocalRemovalOn) << ui.messages().join(" | ").toStdString();
    const std::string seen = painted.describe().toStdString();
    std::printf("stages: %s\n", seen.c_str());
    EXPECT_EQ(painted.texts(), (QStringList{QStringLiteral("正在进行消减人声处理，请稍候…"),
                                            QStringLiteral("正在进行声音文件分析处理，请稍候…"),
                                            QStringLiteral("正在进行最后处理…"), QStringLiteral("正在进行衰减补偿…")}))
        << seen;
    ASSERT_FALSE(painted.stages.empty());
    EXPECT_EQ(painted.stages.back().bar, 100) << seen;
}
