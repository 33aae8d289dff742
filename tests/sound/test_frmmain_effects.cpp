// Vocal removal, key shift, their switches and the conversions, with the
// sound controls' stand-ins (or the real ones where files cannot be
// written), a fake media control and scripted boxes.
#include "dialogs/frmwait.h"
#include "platform/soundfakes.h"
#include "platform/wavfile.h"
#include "sound/effectjob.h"
#include "sound/frmshiftset.h"
#include "tests/support/audiogen.h"
#include "tests/support/mainwindow.h"
#include "tests/support/paintedstages.h"
#include "tests/support/procstatus.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <system_error>

using namespace melodune;

namespace {

const QString kCannot = QStringLiteral("无法处理当前文件！");
const QString kDecodeFailed = QStringLiteral("消减人声处理失败（文件解码出现错误）！");
const QString kVocalFailed = QStringLiteral("消减人声处理失败！");
const QString kShiftFailed = QStringLiteral("音频效果处理失败（文件解码出现错误）！");
const QString kNoMemory = QStringLiteral("\n原因：内存不足");

// Scripted boxes that can act while a box is up and note whether the
// progress window was still there.
struct JobUi : rt::ScriptedUi {
    QStringList waitUpAtMessage;
    int msgBox(const QString& text, int style, const QString& title) override
    {
        if (FrmWait::isLoaded())
            waitUpAtMessage << text;
        return ScriptedUi::msgBox(text, style, title);
    }
};

// The fake decoder writes a stereo tone as the real one would.
bool stereoDecode(const QString&, const QString& out, QString*)
{
    return testsupport::writeSineWav(out, {.seconds = 0.5});
}

class EffectsWindow : public testsupport::MainWindowTest<JobUi> {
public:
    rt::FakeMediaControl* media = nullptr;
    rt::FakeMp3Decoder* dec = nullptr;
    rt::FakeMp3Encoder* enc = nullptr;
    rt::FakeEffectControl* fx = nullptr;
    bool realControls = false; // the real decoder, encoder and effect

    EffectsWindow() : MainWindowTest({.dataFolders = {"TEMP"}}) {}
    void SetUp() override
    {
        settings().ShowRecVolume = 0;
        settings().ShowVisual = 0;
        settings().VocalCompensation = 0;
        if (!realControls) {
            services.createMp3Play = [this](QObject* p) { return dec = new rt::FakeMp3Decoder(p); };
            services.createMp3Enc = [this](QObject* p) { return enc = new rt::FakeMp3Encoder(p); };
            services.createEffect = [this](QObject* p) { return fx = new rt::FakeEffectControl(p); };
        }
        w = std::make_unique<FrmMain>(services);
        media = fake();
        if (dec)
            dec->work = stereoDecode;
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        FrmWait::unload();
    }

    // A track loaded and playing.
    void track(const QString& name, double seconds = 30)
    {
        media->setMedia(name, rt::FakeMedia{.duration = seconds});
        media->setFileName(name);
        w->Track.CurrentFile = name;
        media->play();
        QCoreApplication::processEvents();
    }
    void answerYesAndSave(const QString& out)
    {
        ui.msgAnswers.push_back(rt::Yes);
        ui.saveAnswers.push_back({{out}, 1});
    }
    // Runs `fn` once the job waits for its events (the window's own passes
    // before that, as when it shows the progress window, come first), and
    // `also` holds.
    void during(std::function<void()> fn, std::function<bool()> also = {})
    {
        QTimer::singleShot(0, w.get(), [this, fn = std::move(fn), also = std::move(also)]() mutable {
            if (w->effectJobWaiting() && (!also || also()))
                fn();
            else
                during(std::move(fn), std::move(also));
        });
    }
    // Ticks a switch; its job goes on from the event loop: until it ends.
    void switchOn(QCheckBox* box, int limitMs = 60000)
    {
        box->setChecked(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->soundJobRunning(); }, limitMs));
    }
    // Answers the key-shift dialog when it shows.
    void answerShift(int value)
    {
        QTimer::singleShot(0, w.get(), [value] {
            auto* d = qobject_cast<FrmShiftSet*>(QApplication::activeModalWidget());
            ASSERT_TRUE(d);
            d->Slider1->setValue(value);
            if (value == 0)
                d->XPButton2_Click();
            else
                d->XPButton1_Click();
        });
    }
    void expectVocalOff()
    {
        EXPECT_FALSE(w->Jobs.VocalRemovalOn);
        EXPECT_FALSE(w->Check2->isChecked());
        EXPECT_FALSE(w->mnuRemoveVocal->isChecked());
        EXPECT_TRUE(w->Jobs.DevocalFile.isEmpty());
        EXPECT_EQ(w->Check2->toolTip(), QStringLiteral("消减原唱歌曲中的人声"));
        EXPECT_FALSE(FrmWait::isLoaded());
    }
};

// A tmpfs of `kib` KiB at `path` while it lives.
class SmallDisk {
public:
    SmallDisk(const QString& path, int kib, bool readOnly) : path_(QFile::encodeName(path))
    {
        QDir().mkpath(path);
        const QByteArray options = "size=" + QByteArray::number(kib) + "k";
        mounted_ = ::mount("tmpfs", path_.constData(), "tmpfs", readOnly ? MS_RDONLY : 0, options.constData()) == 0;
        if (!mounted_)
            error_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(path_.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    const QString& error() const { return error_; }

private:
    QByteArray path_;
    bool mounted_ = false;
    QString error_;
};

} // namespace

TEST(EffectRules, CompensationRowsAndHandedAmounts)
{
    using V = std::array<std::int16_t, 10>;
    const std::vector<std::pair<int, V>> rows = {
        {1, {30, 20, 10, 0, 0, 0, 0, 0, 0, 100}},
        {2, {40, 30, 20, 10, 0, 0, 0, 0, 0, 100}},
        {3, {60, 50, 40, 30, 20, 10, 0, 0, 0, 100}},
        {4, {80, 70, 60, 50, 30, 20, 10, 0, 0, 100}},
        {5, {100, 90, 80, 70, 50, 30, 20, 10, 0, 100}},
        {6, {60, 50, 40, 30, 20, 10, 0, 0, 0, 100}},
    };
    for (const auto& [c, v] : rows)
        EXPECT_EQ(compensationValues(c), v) << c;
    EXPECT_EQ(handedShiftAmount(1), 0);
    EXPECT_EQ(handedShiftAmount(5), 4);
    EXPECT_EQ(handedShiftAmount(-1), -1);
    EXPECT_EQ(handedShiftAmount(-5), -5);
    EXPECT_EQ(effectOutputName("/m/a.b/song.mp3", " - DeVocal.wav"), "song - DeVocal.wav");
    EXPECT_EQ(convertedName("/m/a.b/song", "mp3"), "/m/a.mp3");
    EXPECT_EQ(convertedName("/m/ab/song.wav", "mp3"), "/m/ab/song.mp3");
    EXPECT_TRUE(convertedName("/m/ab/song", "mp3").isEmpty());
}

TEST(FrmWaitWindow, ValueReadsBackAndCloseIsRefused)
{
    FrmWait* f = FrmWait::instance(nullptr);
    EXPECT_EQ(f->Label1->text(), QStringLiteral("正在处理，请稍候…"));
    f->ProgressBar1->setValue(93.5f);
    EXPECT_EQ(f->ProgressBar1->Value(), 93.5f);
    EXPECT_EQ(f->ProgressBar1->value(), 93);
    f->showModeless();
    EXPECT_FALSE(f->close());
    EXPECT_TRUE(FrmWait::isLoaded());
    FrmWait::unload();
    EXPECT_FALSE(FrmWait::isLoaded());
    EXPECT_EQ(FrmWait::instance(nullptr)->ProgressBar1->Value(), 0.0f) << "the next use starts afresh";
    FrmWait::unload();
}

TEST(FrmShiftSetDialog, OkCancelCaptionAndClose)
{
    rt::ScriptedUi ui;
    rt::ScopedUi scoped(&ui);
    {
        FrmShiftSet d;
        d.show();
        d.XPButton1_Click();
        EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("设定值为 0 无效！")});
        EXPECT_TRUE(d.isVisible()) << "OK at 0 keeps the dialog";
        d.Slider1->setValue(-3);
        EXPECT_EQ(d.windowTitle(), QStringLiteral("改变曲目音调设定值 -3"));
        d.Slider1->setValue(4);
        EXPECT_EQ(d.windowTitle(), QStringLiteral("改变曲目音调设定值 4"));
        d.XPButton1_Click();
        EXPECT_EQ(shared().KeyShiftAmount, 4);
        EXPECT_FALSE(d.isVisible());
    }
    {
        FrmShiftSet d;
        EXPECT_EQ(shared().KeyShiftAmount, 0) << "loading clears it";
        d.Slider1->setValue(2);
        d.XPButton2_Click();
        EXPECT_EQ(shared().KeyShiftAmount, 0);
    }
    {
        FrmShiftSet d;
        d.show();
        d.Slider1->setValue(2);
        d.close();
        EXPECT_EQ(shared().KeyShiftAmount, 0);
    }
}

TEST_F(EffectsWindow, VocalRemovalOfAWavPlaysTheResult)
{
    const QString src = dir.file("song.wav");
    ASSERT_TRUE(testsupport::writeSineWav(src, {.seconds = 0.5, .sampleRate = 48000}));
    track(src);
    answerYesAndSave(dir.file("out.wav.wav"));
    switchOn(w->Check2);
    EXPECT_EQ(w->Jobs.DevocalFile, dir.file("out.wav")) << "every .wav cut, one added";
    EXPECT_TRUE(w->Jobs.VocalRemovalOn);
    EXPECT_TRUE(w->mnuRemoveVocal->isChecked());
    EXPECT_EQ(w->Check2->toolTip(), QStringLiteral("消减原唱歌曲中的人声(开)"));
    EXPECT_EQ(media->fileName(), w->Jobs.DevocalFile);
    EXPECT_EQ(media->playState(), rt::MediaControl::Playing);
    EXPECT_FALSE(FrmWait::isLoaded());
    rt::WaveFormatEx f;
    QByteArray data;
    ASSERT_TRUE(rt::readWavFile(w->Jobs.DevocalFile, &f, &data));
    EXPECT_EQ(f.samplesPerSec, 48000) << "the copy's rate is kept";
    EXPECT_EQ(data.size(), 24000 * 4);
    EXPECT_FALSE(QFile::exists(dir.file("data/TEMP/22.wav"))) << "no compensation pass at 0";
    EXPECT_TRUE(fx->calls.isEmpty());
    EXPECT_EQ(ui.dialogs.at(0).fileName, QStringLiteral("song - DeVocal.wav"));

    // Off again: the track itself comes back, not played.
    w->mnuRemoveVocal->trigger();
    expectVocalOff();
    EXPECT_EQ(media->fileName(), src);
    EXPECT_NE(media->playState(), rt::MediaControl::Playing);
    EXPECT_TRUE(w->Label1->text().isEmpty());
}

TEST_F(EffectsWindow, CompensationRunsThroughTheEffect)
{
    settings().VocalCompensation = 4;
    const QString src = dir.file("song.mp3");
    dir.write("song.mp3", "mp3");
    track(src);
    answerYesAndSave(dir.file("out"));
    switchOn(w->Check2);
    ASSERT_TRUE(w->Jobs.VocalRemovalOn);
    const QString pass = dir.file("data/TEMP/22.wav");
    EXPECT_EQ(fx->calls, (QStringList{"open:" + pass, "values:80,70,60,50,30,20,10,0,0,100",
                                      "save:" + dir.file("out.wav")}));
    EXPECT_EQ(dec->calls.first(), "setFiles:" + src + "|" + dir.file("data/TEMP/2.wav"));
    EXPECT_TRUE(QFile::exists(dir.file("out.wav")));
}

// Every stage of the progress window is painted, in order, even one that the
// next replaces at once: the window shows, the bar takes its first step at
// once, each text comes with its own step, the last step before 100 shows.
TEST_F(EffectsWindow, EveryStageOfTheJobsIsPainted)
{
    const QString wait = QStringLiteral("正在进行消减人声处理，请稍候…");
    const QString analysis = QStringLiteral("正在进行声音文件分析处理，请稍候…");
    const QString last = QStringLiteral("正在进行最后处理…");
    const QString compensation = QStringLiteral("正在进行衰减补偿…");
    const QString shift = QStringLiteral("正在进行改变音调处理，请稍候…");
    struct Case {
        const char* what;
        int vocalCompensation; // 0: the key shift
        QStringList texts;
        std::vector<int> start; // the first bars painted
    };
    const Case cases[] = {
        {"vocal removal with compensation", 3, {wait, analysis, last, compensation}, {0, 10, 20}},
        {"vocal removal alone", -3, {wait, analysis, last}, {0, 10, 20}},
        {"key shift", 0, {shift}, {0, 1, 11}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings().VocalCompensation = c.vocalCompensation;
        dir.write("song.mp3", "mp3");
        track(dir.file("song.mp3"));
        answerYesAndSave(dir.file(QString::fromLatin1(c.what).replace(u' ', u'_')));
        testsupport::PaintedStages painted;
        if (c.vocalCompensation != 0) {
            switchOn(w->Check2);
            ASSERT_TRUE(w->Jobs.VocalRemovalOn);
        } else {
            answerShift(2);
            switchOn(w->Check3);
            ASSERT_TRUE(w->Jobs.KeyShiftOn);
        }
        const std::string seen = painted.describe().toStdString();
        EXPECT_EQ(painted.texts(), c.texts) << seen;
        const auto& st = painted.stages;
        ASSERT_GT(st.size(), c.start.size() + 1) << seen;
        for (std::size_t i = 0; i < c.start.size(); ++i)
            EXPECT_EQ(st[i].bar, c.start[i]) << seen;
        for (std::size_t i = 1; i < st.size(); ++i)
            EXPECT_GT(st[i].bar, st[i - 1].bar) << seen;
        EXPECT_EQ(st.back().bar, 100) << seen;
        EXPECT_LT(st[st.size() - 2].bar, 100) << seen;
        for (std::size_t i = 1; i < st.size(); ++i)
            if (st[i].text != st[i - 1].text && st[i].text != compensation) {
                EXPECT_EQ(st[i].bar, st[i - 1].bar + 10) << "a new text comes with its own step: " << seen;
            }
        w->Check2->setChecked(false);
        w->Check3->setChecked(false);
    }
}

TEST_F(EffectsWindow, RefusalsAndFailuresEndInTheReset)
{
    struct Case {
        const char* what;
        std::function<void(EffectsWindow&)> arrange;
        QString message;
    };
    const std::vector<Case> cases = {
        {"mono copy", [](EffectsWindow& t) {
             t.dec->work = [](const QString&, const QString& out, QString*) {
                 return testsupport::writeSineWav(out, {.seconds = 0.2, .channels = 1});
             };
         }, kCannot},
        {"decoder fails", [](EffectsWindow& t) { t.dec->reply = rt::FakeReply::Fail; }, kDecodeFailed},
        {"decoder never answers (limit)", [](EffectsWindow& t) {
             t.dec->reply = rt::FakeReply::Hold;
             t.during([&t] { t.clock.advanceMs(int(jobStepLimitMs(30)) + 1); });
         }, kDecodeFailed},
        {"effect fails to save", [](EffectsWindow& t) {
             settings().VocalCompensation = 2;
             t.fx->replies[5] = rt::EffectControl::StatusFailed;
         }, kVocalFailed},
        {"effect never opens (limit)", [](EffectsWindow& t) {
             settings().VocalCompensation = 2;
             t.fx->replies[3] = 0;
             t.fx->calls.clear();
             // The limit passes while the job waits for the open.
             t.during([&t] { t.clock.advanceMs(int(jobStepLimitMs(30)) + 1); },
                      [&t] { return !t.fx->calls.isEmpty(); });
         }, kVocalFailed},
        {"decoder runs out of memory", [](EffectsWindow& t) {
             t.dec->reply = rt::FakeReply::Fail;
             t.dec->outOfMemory = true;
         }, kVocalFailed + kNoMemory},
        {"effect runs out of memory", [](EffectsWindow& t) {
             settings().VocalCompensation = 2;
             t.fx->replies[5] = rt::EffectControl::StatusFailed;
             t.fx->outOfMemory = true;
         }, kVocalFailed + kNoMemory},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings().VocalCompensation = 0;
        dec->reply = rt::FakeReply::Succeed;
        dec->work = stereoDecode;
        dec->outOfMemory = fx->outOfMemory = false;
        fx->replies.clear();
        ui.calls.clear();
        dir.write("out.wav", "old take");
        dir.write("song.mp3", "mp3");
        track(dir.file("song.mp3"));
        c.arrange(*this);
        answerYesAndSave(dir.file("out.wav"));
        switchOn(w->Check2);
        expectVocalOff();
        EXPECT_EQ(ui.messages().last(), c.message);
        EXPECT_TRUE(ui.waitUpAtMessage.isEmpty()) << "the box comes after the window is gone";
        EXPECT_EQ(dir.read("out.wav"), QByteArray("old take")) << "an existing file stays";
        // The working files go with the job: their names at once, their
        // room soon after.
        EXPECT_FALSE(QFile::exists(dir.file("data/TEMP/2.wav")) || QFile::exists(dir.file("data/TEMP/22.wav")));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return QDir(dir.file("data/TEMP")).entryList(QDir::Files | QDir::Hidden).isEmpty(); }, 10000));
        EXPECT_FALSE(w->soundJobRunning());
    }
}

TEST_F(EffectsWindow, ChecksBeforeTheJob)
{
    // A stream: no duration.
    media->setMedia("http://radio", rt::FakeMedia{.duration = 0});
    media->setFileName("http://radio");
    switchOn(w->Check2);
    expectVocalOff();
    EXPECT_EQ(ui.messages().last(), kCannot);
    EXPECT_FALSE(w->Check2->isEnabled());
    // Not MP3 or WAV.
    w->Check3->setEnabled(true);
    track(dir.file("a.ogg"));
    switchOn(w->Check3);
    EXPECT_EQ(ui.messages().last(), QStringLiteral("无法处理当前文件格式！（仅限MP3或WAV格式）"));
    EXPECT_FALSE(w->Check3->isChecked());
    EXPECT_FALSE(w->Check3->isEnabled());
    EXPECT_EQ(media->playState(), rt::MediaControl::Playing) << "resumed";
    // No to the question; cancelled output dialog.
    track(dir.file("b.wav"));
    w->Check2->setEnabled(true);
    ui.msgAnswers = {rt::No};
    switchOn(w->Check2);
    expectVocalOff();
    EXPECT_EQ(media->playState(), rt::MediaControl::Playing);
    ui.msgAnswers = {rt::Yes};
    switchOn(w->Check2);
    expectVocalOff();
    EXPECT_EQ(ui.calls.back().kind, "save");
}

TEST_F(EffectsWindow, OutputNamingTheSourceIsAskedAgain)
{
    const QString src = dir.file("song.wav");
    ASSERT_TRUE(testsupport::writeSineWav(src, {.seconds = 0.2}));
    const QByteArray before = dir.read("song.wav");
    track(src);
    ui.msgAnswers.push_back(rt::Yes);
    ui.saveAnswers = {{{src}, 1}, {{dir.file("other.wav")}, 1}};
    switchOn(w->Check2);
    EXPECT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(w->Jobs.DevocalFile, dir.file("other.wav"));
    EXPECT_EQ(dir.read("song.wav"), before);
}

TEST_F(EffectsWindow, SecondJobRefusedAndClosingCancels)
{
    dir.write("song.mp3", "mp3");
    track(dir.file("song.mp3"));
    dec->reply = rt::FakeReply::Hold;
    answerYesAndSave(dir.file("out.wav"));
    bool refused = false;
    during([&] {
        ASSERT_TRUE(FrmWait::isLoaded());
        EXPECT_TRUE(w->soundJobRunning());
        w->Check3->setChecked(true);
        refused = !w->Check3->isChecked();
        w->mnuTools1_Click(); // refused as well: no dialog
        // What the shut-down and the restart run first: the job ends without a box.
        w->cancelSoundJobs();
    });
    const int boxesBefore = int(ui.calls.size());
    switchOn(w->Check2);
    EXPECT_TRUE(refused);
    EXPECT_FALSE(FrmWait::isLoaded());
    EXPECT_FALSE(w->soundJobRunning());
    EXPECT_EQ(int(ui.calls.size()), boxesBefore + 2) << "question and save dialog only";
    EXPECT_TRUE(dec->calls.contains("cancel"));
    EXPECT_FALSE(QFile::exists(dir.file("out.wav")));
}

TEST_F(EffectsWindow, KeyShiftHandsTheAmountAndPlaysTheResult)
{
    const QString src = dir.file("song.wav");
    ASSERT_TRUE(testsupport::writeSineWav(src, {.seconds = 0.3, .channels = 1}));
    for (const auto& [chosen, handed] : std::vector<std::pair<int, int>>{{1, 0}, {5, 4}, {-1, -1}}) {
        SCOPED_TRACE(chosen);
        fx->calls.clear();
        track(src);
        answerYesAndSave(dir.file("shift.wav"));
        answerShift(chosen);
        switchOn(w->Check3);
        ASSERT_TRUE(w->Jobs.KeyShiftOn) << "mono is shifted too";
        EXPECT_EQ(fx->amount, handed);
        EXPECT_EQ(fx->calls.at(1), QStringLiteral("shift:%1,2048").arg(handed));
        EXPECT_EQ(media->fileName(), dir.file("shift.wav"));
        EXPECT_EQ(w->Check3->toolTip(), QStringLiteral("改变当前曲目的音调(开)"));
        w->Check3->setChecked(false);
        EXPECT_EQ(media->fileName(), src);
    }
    // Cancelling the dialog writes nothing.
    QFile::remove(dir.file("shift.wav"));
    track(src);
    answerYesAndSave(dir.file("shift.wav"));
    answerShift(0);
    switchOn(w->Check3);
    EXPECT_FALSE(w->Check3->isChecked());
    EXPECT_FALSE(QFile::exists(dir.file("shift.wav")));
    // A failing effect ends in the reset with its message (and its reason,
    // when memory ran out); the working copy goes.
    for (const bool memory : {false, true}) {
        SCOPED_TRACE(memory ? "out of memory" : "failed");
        fx->replies[memory ? 5 : 6] = rt::EffectControl::StatusFailed;
        fx->outOfMemory = memory;
        answerYesAndSave(dir.file("shift.wav"));
        answerShift(2);
        switchOn(w->Check3);
        EXPECT_FALSE(w->Jobs.KeyShiftOn);
        EXPECT_EQ(ui.messages().last(), memory ? QStringLiteral("音频效果处理失败！") + kNoMemory : kShiftFailed);
        EXPECT_FALSE(QFile::exists(dir.file("shift.wav")));
        EXPECT_FALSE(QFile::exists(dir.file("data/TEMP/3.wav")));
        fx->replies.clear();
    }
}

TEST_F(EffectsWindow, SwitchesHandBackTheOtherEffectsFile)
{
    const QString src = dir.file("song.wav");
    track(src);
    media->setMedia("/o/dv.wav", {});
    media->setMedia("/o/sh.wav", {});
    {
        const QSignalBlocker a(w->Check2), b(w->Check3);
        w->Check2->setChecked(true);
        w->Check3->setChecked(true);
    }
    w->Jobs.VocalRemovalOn = w->Jobs.KeyShiftOn = true;
    w->Jobs.DevocalFile = "/o/dv.wav";
    w->Jobs.ShiftFile = "/o/sh.wav";
    w->Check2->setChecked(false);
    EXPECT_EQ(media->fileName(), "/o/sh.wav");
    EXPECT_NE(media->playState(), rt::MediaControl::Playing);
    w->Check3->setChecked(false);
    EXPECT_EQ(media->fileName(), src);
    // Off with the flag already clear leaves the media alone.
    media->setFileName("/o/dv.wav");
    {
        const QSignalBlocker a(w->Check2);
        w->Check2->setChecked(true);
    }
    w->Label1->setText("1:00");
    w->Check2->setChecked(false);
    EXPECT_EQ(media->fileName(), "/o/dv.wav");
    EXPECT_TRUE(w->Label1->text().isEmpty());
    // The menu item when the box already holds its value: only the tick moves.
    QAction* item = w->mnuShifting;
    item->setChecked(true);
    {
        const QSignalBlocker a(w->Check3);
        w->Check3->setChecked(false);
    }
    w->mnuShifting_Click();
    EXPECT_TRUE(ui.calls.empty() || ui.calls.back().kind != "save");
}

TEST_F(EffectsWindow, ConversionBarStepsThenTheMessage)
{
    struct Case {
        bool encode;
        float start;
        float step;
        QString done;
        QString failed;
    };
    for (const Case& c : {Case{true, 10, 1, "MP3编码完成！", "MP3编码失败！"},
                          Case{false, 5, 5, "MP3解码完成！", "MP3解码失败！"}}) {
        for (bool ok : {true, false}) {
            SCOPED_TRACE(std::string(c.encode ? "encode " : "decode ") + (ok ? "ok" : "failed"));
            dec->reply = enc->reply = rt::FakeReply::Hold;
            const QString in = dir.file(c.encode ? "a.b/in.wav" : "a.b/in.mp3");
            ui.openAnswers.push_back({{in}, 1});
            ui.saveAnswers.push_back({{in}, 1}); // the input itself: asked again
            ui.saveAnswers.push_back({{dir.file("out")}, 1});
            settings().Mp3SampleRate = 48000;
            settings().Mp3BitRate = 256000;
            c.encode ? w->mnuTools1_Click() : w->mnuTools2_Click();
            EXPECT_TRUE(shared().Busy);
            EXPECT_EQ(ui.dialogs.back().fileName, convertedName(in, c.encode ? "mp3" : "wav"));
            ASSERT_TRUE(FrmWait::isLoaded());
            WaitProgressBar* bar = FrmWait::instance(nullptr)->ProgressBar1;
            // The control starts once the progress window is on screen.
            QTimer* timer = c.encode ? w->TimerEnMp3 : w->TimerUnEnMp3;
            ASSERT_TRUE(QTest::qWaitFor([&] { return timer->isActive(); }, 10000));
            EXPECT_EQ(bar->Value(), c.start);
            std::vector<float> seen;
            for (int i = 0; i < 100; ++i) {
                c.encode ? w->TimerEnMp3_Timer() : w->TimerUnEnMp3_Timer();
                seen.push_back(bar->Value());
            }
            EXPECT_EQ(seen.front(), c.start + c.step);
            EXPECT_EQ(seen.back(), c.encode ? 90.0f : 90.0f);
            if (c.encode) {
                EXPECT_EQ(enc->calls.mid(0, 3), (QStringList{"rate:48000", "bitrate:256000",
                                                             "setFiles:" + in + "|" + dir.file("out")}));
                enc->finish(ok);
            } else {
                dec->finish(ok);
            }
            QCoreApplication::processEvents();
            c.encode ? w->TimerEnMp3_Timer() : w->TimerUnEnMp3_Timer();
            EXPECT_FALSE(FrmWait::isLoaded());
            EXPECT_FALSE(timer->isActive());
            EXPECT_EQ(ui.messages().last(), ok ? c.done : c.failed);
            EXPECT_TRUE(ui.waitUpAtMessage.isEmpty());
            EXPECT_FALSE(shared().Busy);
            enc->calls.clear();
        }
    }
}

TEST_F(EffectsWindow, ConversionCancelledOrClosed)
{
    track(dir.file("song.mp3"));
    // The open dialog cancelled: the paused track resumes, Busy clears.
    w->mnuTools2_Click();
    EXPECT_EQ(media->playState(), rt::MediaControl::Playing);
    EXPECT_FALSE(shared().Busy);
    // The window closes during a conversion.
    enc->reply = rt::FakeReply::Hold;
    ui.openAnswers.push_back({{dir.file("x.wav")}, 1});
    ui.saveAnswers.push_back({{dir.file("x.mp3")}, 1});
    w->mnuTools1_Click();
    ASSERT_TRUE(w->Jobs.Encoding);
    w->cancelSoundJobs();
    EXPECT_FALSE(w->Jobs.Encoding);
    EXPECT_FALSE(shared().Busy);
    EXPECT_FALSE(FrmWait::isLoaded());
    EXPECT_FALSE(w->TimerEnMp3->isActive());
    EXPECT_TRUE(enc->calls.contains("cancel"));
}

namespace {

// A tone through libsndfile in any of its WAV shapes.
bool writeWavAs(const QString& path, int format, int rate, int channels, int frames)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<float> x(std::size_t(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            x[std::size_t(i) * channels + c] = float(0.3 * std::sin(2 * M_PI * (440 + 300 * c) * i / rate));
    const bool ok = sf_writef_float(f, x.data(), frames) == frames;
    sf_close(f);
    return ok;
}

// A canonical WAV with a chunk of its own between "fmt " and "data".
bool writeWavWithExtraChunk(const QString& path, int rate, int frames)
{
    std::vector<std::int16_t> s(std::size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        s[2 * i] = std::int16_t(9000 * std::sin(2 * M_PI * 440 * i / rate));
        s[2 * i + 1] = std::int16_t(3000 * std::sin(2 * M_PI * 900 * i / rate));
    }
    QByteArray file = testsupport::wavHeader(rt::pcmFormat(rate, 2, 16), std::uint32_t(s.size() * 2));
    QByteArray extra("junk\x08\x00\x00\x00" "12345678", 16);
    file.insert(36, extra);
    const std::uint32_t riff = std::uint32_t(file.size() - 8 + s.size() * 2);
    std::memcpy(file.data() + 4, &riff, 4);
    file.append(reinterpret_cast<const char*>(s.data()), qsizetype(s.size() * 2));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(file) == file.size();
}

} // namespace

TEST_F(EffectsWindow, WavShapesKeepRateAndLengthMonoIsRefused)
{
    struct Case {
        const char* what;
        std::function<bool(const QString&)> write;
        int rate;
        bool refused;
    };
    const int frames = 12345;
    const std::vector<Case> cases = {
        {"48 kHz 16-bit", [&](const QString& p) { return writeWavAs(p, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2, frames); }, 48000, false},
        {"8-bit", [&](const QString& p) { return writeWavAs(p, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 22050, 2, frames); }, 22050, false},
        {"float, extensible", [&](const QString& p) { return writeWavAs(p, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 44100, 2, frames); }, 44100, false},
        {"24-bit", [&](const QString& p) { return writeWavAs(p, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 32000, 2, frames); }, 32000, false},
        {"extra chunk", [&](const QString& p) { return writeWavWithExtraChunk(p, 44100, frames); }, 44100, false},
        {"mono", [&](const QString& p) { return writeWavAs(p, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, frames); }, 44100, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString src = dir.file(QStringLiteral("in%1.wav").arg(n));
        const QString out = dir.file(QStringLiteral("out%1.wav").arg(n++));
        ASSERT_TRUE(c.write(src));
        track(src);
        answerYesAndSave(out);
        ui.calls.clear();
        switchOn(w->Check2);
        if (c.refused) {
            expectVocalOff();
            EXPECT_EQ(ui.messages().last(), kCannot);
            EXPECT_FALSE(QFile::exists(out));
            continue;
        }
        ASSERT_TRUE(w->Jobs.VocalRemovalOn) << ui.messages().join(" | ").toStdString();
        rt::WaveFormatEx f;
        QByteArray data;
        ASSERT_TRUE(rt::readWavFile(out, &f, &data));
        EXPECT_EQ(f, rt::pcmFormat(c.rate, 2, 16));
        EXPECT_EQ(data.size(), frames * 4);
        w->Check2->setChecked(false);
    }
}

TEST_F(EffectsWindow, OutputTheMediaCannotOpenTakesTheRestartAndStops)
{
    const QString src = dir.file("song.wav");
    ASSERT_TRUE(testsupport::writeSineWav(src, {.seconds = 0.2}));
    track(src);
    media->failOpen(dir.file("out.wav"));
    answerYesAndSave(dir.file("out.wav"));
    ui.msgAnswers.push_back(rt::Ok);
    switchOn(w->Check2);
    EXPECT_FALSE(w->Jobs.VocalRemovalOn);
    EXPECT_FALSE(media->calls.contains("Play") && media->calls.lastIndexOf("Play") > media->calls.lastIndexOf("FileName=" + dir.file("out.wav")))
        << "no play on a window being remade";
    EXPECT_TRUE(ui.messages().contains(QStringLiteral("出现未知错误，程序即将重新装载！")));
}

TEST_F(EffectsWindow, BoxUntickedDuringTheJobDoesNotRunItAgain)
{
    const QString src = dir.file("song.wav");
    ASSERT_TRUE(testsupport::writeSineWav(src, {.seconds = 0.2}));
    track(src);
    answerYesAndSave(dir.file("out.wav"));
    // What a track's end does to the boxes meanwhile.
    during([&] { w->Check2->setChecked(false); });
    switchOn(w->Check2);
    EXPECT_TRUE(w->Jobs.VocalRemovalOn);
    EXPECT_EQ(w->Jobs.DevocalFile, dir.file("out.wav"));
    EXPECT_TRUE(w->Check2->isChecked());
    EXPECT_EQ(media->fileName(), w->Jobs.DevocalFile);
    EXPECT_EQ(ui.dialogs.size(), 1u) << "one job only";
}

// The switch's handler hands the job to the event loop: it returns at once,
// no event runs inside it, and the job's steps follow the events of its
// controls until the result plays with the switch on.
TEST_F(EffectsWindow, TheSwitchReturnsAtOnceAndTheJobGoesOnFromItsEvents)
{
    settings().VocalCompensation = 2;
    const QString src = dir.file("song.wav");
    ASSERT_TRUE(testsupport::writeSineWav(src, {.seconds = 0.5}));
    track(src);
    answerYesAndSave(dir.file("out.wav"));
    bool eventRanInside = false;
    QTimer::singleShot(0, w.get(), [&] { eventRanInside = true; });
    w->Check2->setChecked(true);
    EXPECT_FALSE(eventRanInside) << "the handler waited in an event loop of its own";
    EXPECT_TRUE(w->soundJobRunning());
    EXPECT_TRUE(FrmWait::isLoaded());
    EXPECT_FALSE(w->Jobs.VocalRemovalOn);
    EXPECT_TRUE(fx->calls.isEmpty());
    EXPECT_EQ(w->Check2->toolTip(), QStringLiteral("消减原唱歌曲中的人声")) << "the switch shows on once the job is done";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->soundJobRunning(); }, 60000));
    EXPECT_TRUE(eventRanInside);
    EXPECT_TRUE(w->Jobs.VocalRemovalOn);
    EXPECT_EQ(fx->calls.size(), 3);
    EXPECT_EQ(media->fileName(), dir.file("out.wav"));
    EXPECT_EQ(media->playState(), rt::MediaControl::Playing);
    EXPECT_EQ(w->Check2->toolTip(), QStringLiteral("消减原唱歌曲中的人声(开)"));
    EXPECT_FALSE(FrmWait::isLoaded());
}

// The program closes while a job waits for its effect: the job ends there
// without a box, its controls stop before its working files go, and nothing
// it started comes back afterwards.
TEST_F(EffectsWindow, ClosingWhileAJobWaitsEndsItQuietly)
{
    settings().VocalCompensation = 2;
    const QString src = dir.file("song.wav");
    ASSERT_TRUE(testsupport::writeSineWav(src, {.seconds = 0.5}));
    track(src);
    fx->replies[5] = 0; // the save never answers
    answerYesAndSave(dir.file("out.wav"));
    w->Check2->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fx->calls.size() == 3 && w->effectJobWaiting(); }, 60000));
    const QString temp = dir.file("data/TEMP");
    EXPECT_TRUE(QFile::exists(temp + "/2.wav"));
    EXPECT_TRUE(QFile::exists(temp + "/22.wav"));
    const std::size_t boxes = ui.calls.size();
    w.reset();
    EXPECT_FALSE(FrmWait::isLoaded());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QDir(temp).entryList(QDir::Files | QDir::Hidden).isEmpty(); }, 10000));
    EXPECT_EQ(ui.calls.size(), boxes) << "no box, not even once the working files are gone";
    EXPECT_FALSE(QFile::exists(dir.file("out.wav")));
}

// The real decoder, encoder and effect, where files cannot be written: an
// output on a full disk or in a read-only folder, a full TEMP folder. The
// small disks are tmpfs mounts: without the right to mount (root) the tests
// skip.
class RealJobs : public EffectsWindow {
public:
    void SetUp() override
    {
        realControls = true;
        EffectsWindow::SetUp();
    }
    void vocalRemoval(const QString& out)
    {
        answerYesAndSave(out);
        switchOn(w->Check2, 250000);
    }
    void keyShift(const QString& out)
    {
        answerYesAndSave(out);
        answerShift(2);
        switchOn(w->Check3, 250000);
    }
    // A conversion from `in` to `out`, until its report.
    void convert(bool encode, const QString& in, const QString& out)
    {
        ui.openAnswers.push_back({{in}, 1});
        ui.saveAnswers.push_back({{out}, 1});
        encode ? w->mnuTools1_Click() : w->mnuTools2_Click();
        EXPECT_TRUE(QTest::qWaitFor([] { return !FrmWait::isLoaded(); }, 60000));
    }
};

TEST_F(RealJobs, AFileThatCannotBeWrittenIsNamedWithTheReason)
{
    const QString wav = dir.file("song.wav");
    const QString mp3 = dir.file("song.mp3");
    ASSERT_TRUE(testsupport::writeSineWav(wav, {.seconds = 2}));
    ASSERT_TRUE(testsupport::writeSineMp3(mp3, {.seconds = 2}));
    const QString full = dir.file("full");
    const QString readOnly = dir.file("readonly");
    const QString temp = dir.file("data/TEMP");

    struct Case {
        const char* what;
        QString disk;  // mounted for the case
        bool readOnly;
        std::function<void()> run;
        QString failed; // the job's own text
        QString file;   // the file it could not write
    };
    const std::vector<Case> cases = {
        {"key shift to a full disk", full, false, [&] { track(wav, 2), keyShift(full + "/shift.wav"); },
         QStringLiteral("音频效果处理失败！"), full + "/shift.wav"},
        {"key shift to a read-only folder", readOnly, true, [&] { track(wav, 2), keyShift(readOnly + "/shift.wav"); },
         QStringLiteral("音频效果处理失败！"), readOnly + "/shift.wav"},
        {"key shift with TEMP full", temp, false, [&] { track(mp3, 2), keyShift(dir.file("shift.wav")); },
         QStringLiteral("音频效果处理失败！"), temp + "/3.wav"},
        {"vocal removal with TEMP full", temp, false, [&] { track(wav, 2), vocalRemoval(dir.file("devocal.wav")); },
         QStringLiteral("消减人声处理失败！"), temp + "/2.wav"},
        {"vocal removal to a read-only folder", readOnly, true,
         [&] { track(mp3, 2), vocalRemoval(readOnly + "/devocal.wav"); }, QStringLiteral("消减人声处理失败！"),
         readOnly + "/devocal.wav"},
        {"WAV to MP3 on a full disk", full, false, [&] { convert(true, wav, full + "/song.mp3"); },
         QStringLiteral("MP3编码失败！"), full + "/song.mp3"},
        {"MP3 to WAV into a read-only folder", readOnly, true, [&] { convert(false, mp3, readOnly + "/song.wav"); },
         QStringLiteral("MP3解码失败！"), readOnly + "/song.wav"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SmallDisk disk(c.disk, 16, c.readOnly); // less than any output here
        if (!disk.mounted())
            GTEST_SKIP() << "cannot mount a small tmpfs (" << disk.error().toStdString() << "); run as root";
        ui.calls.clear();
        c.run();
        const QStringList said = ui.messages();
        ASSERT_FALSE(said.isEmpty());
        const QStringList lines = said.last().split(u'\n');
        ASSERT_EQ(lines.size(), 3) << said.last().toStdString();
        EXPECT_EQ(lines[0], c.failed);
        EXPECT_EQ(lines[1], QStringLiteral("无法写入文件：") + c.file);
        // The system's own words for a full or read-only file system.
        const int reason = c.readOnly ? EROFS : ENOSPC;
        EXPECT_EQ(lines[2], QStringLiteral("原因：") +
                                QString::fromStdString(std::error_code(reason, std::generic_category()).message()));
        EXPECT_FALSE(FrmWait::isLoaded());
        EXPECT_EQ(QDir(c.disk).entryList(QDir::Files | QDir::Hidden), QStringList{}) << "nothing partial is left";
        EXPECT_FALSE(w->Jobs.VocalRemovalOn || w->Jobs.KeyShiftOn);
        EXPECT_FALSE(w->soundJobRunning());
    }
}

TEST_F(RealJobs, AFileThatCannotBeDecodedKeepsTheDecodingMessage)
{
    dir.write("broken.mp3", QByteArray(20000, '\x55'));
    struct Case {
        const char* what;
        std::function<void()> run;
        QString message;
    };
    const Case cases[] = {
        {"vocal removal", [&] { vocalRemoval(dir.file("devocal.wav")); },
         QStringLiteral("消减人声处理失败（文件解码出现错误）！")},
        {"key shift", [&] { keyShift(dir.file("shift.wav")); }, QStringLiteral("音频效果处理失败（文件解码出现错误）！")},
        {"MP3 to WAV", [&] { convert(false, dir.file("broken.mp3"), dir.file("out.wav")); },
         QStringLiteral("MP3解码失败！")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        track(dir.file("broken.mp3"), 2);
        ui.calls.clear();
        c.run();
        ASSERT_FALSE(ui.messages().isEmpty());
        EXPECT_EQ(ui.messages().last(), c.message);
    }
}

// ---- long tracks: memory that does not grow with the length

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

struct LongJob {
    int exitCode = -1;
    bool on = false;
    long peakKb = 0;
    QString said;
    QString output; // the child's whole output, for a failure's report
};

// One job in a child process (the test below), on `wav`; `roomMb` of
// address space beyond what the child has when the job starts (0: no limit).
LongJob runLongJob(const QString& job, const QString& wav, int roomMb)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MELODUNE_LONG_JOB"), job);
    env.insert(QStringLiteral("MELODUNE_LONG_WAV"), wav);
    env.insert(QStringLiteral("MELODUNE_LONG_ROOM_MB"), QString::number(roomMb));
    // One heap for every thread: the address space then holds what is used,
    // not a reserve per thread.
    env.insert(QStringLiteral("MALLOC_ARENA_MAX"), QStringLiteral("1"));
    // Freed blocks leave the sanitizer's quarantine at once: they would
    // count as resident for as long as it holds them.
    if (kAddressSanitizer)
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":quarantine_size_mb=1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=RealJobs.LongTrackChild")});
    LongJob r;
    if (!child.waitForFinished(280000)) {
        child.kill();
        child.waitForFinished();
    }
    r.output = QString::fromLocal8Bit(child.readAll());
    r.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    for (const QString& line : r.output.split(u'\n')) {
        if (!line.startsWith(QLatin1String("[LONGJOB] ")))
            continue;
        const QStringList f = line.mid(10).split(u' ');
        r.on = f.value(0) == u"on";
        r.peakKb = f.value(1).toLong();
        r.said = f.mid(2).join(u' ');
    }
    return r;
}

} // namespace

// Runs only as the child of the test below.
TEST_F(RealJobs, LongTrackChild)
{
    const QString job = qEnvironmentVariable("MELODUNE_LONG_JOB");
    if (job.isEmpty())
        GTEST_SKIP() << "runs only as the child of LongTrackJobs";
    const QString wav = qEnvironmentVariable("MELODUNE_LONG_WAV");
    const int roomMb = qEnvironmentVariableIntValue("MELODUNE_LONG_ROOM_MB");
    QFile head(wav);
    ASSERT_TRUE(head.open(QIODevice::ReadOnly));
    const double seconds = double(head.size() - rt::WavHeaderBytes) / (44100 * 4);
    head.close();
    settings().VocalCompensation = 3;
    track(wav, seconds);
    rlimit before{};
    getrlimit(RLIMIT_AS, &before);
    if (roomMb > 0) {
        rlimit limited = before;
        limited.rlim_cur = rlim_t(testsupport::procStatusKb("VmSize:") + roomMb * 1024L) * 1024;
        ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
    }
    // The peak from here on.
    ASSERT_TRUE(testsupport::resetPeakMemory());
    const bool vocal = job == u"devocal";
    if (vocal)
        vocalRemoval(dir.file("out.wav"));
    else
        keyShift(dir.file("out.wav"));
    const long peak = testsupport::procStatusKb("VmHWM:");
    setrlimit(RLIMIT_AS, &before);
    QStringList said;
    for (const auto& c : ui.calls)
        if (c.kind == u"msg" && (c.style & 7) != rt::YesNo)
            said << QString(c.text).replace(u'\n', u' ');
    std::printf("[LONGJOB] %s %ld %s\n", (vocal ? w->Jobs.VocalRemovalOn : w->Jobs.KeyShiftOn) ? "on" : "off", peak,
                qPrintable(said.join(QStringLiteral(" | "))));
}

// Vocal removal (with its compensation) and key shift keep the same memory
// whatever the track's length: a track ten times longer takes no more than a
// few MB more (less than its samples would take), stays under 300 MB resident, and (outside the address
// sanitizer, which reserves terabytes) finishes under an address-space limit
// that holding the track in memory would pass (200 s of it take 176 MB).
TEST(LongTrackJobs, MemoryDoesNotGrowWithTheLength)
{
    testsupport::TestDir dir;
    const QString shortWav = dir.file("short.wav");
    const QString longWav = dir.file("long.wav");
    ASSERT_TRUE(testsupport::writeSineWav(shortWav, {.seconds = 20}));
    ASSERT_TRUE(testsupport::writeSineWav(longWav, {.seconds = 200}));
    const int roomMb = kAddressSanitizer ? 0 : 192;
    for (const char* job : {"devocal", "shift"}) {
        SCOPED_TRACE(job);
        const LongJob s = runLongJob(QString::fromLatin1(job), shortWav, 0);
        const LongJob l = runLongJob(QString::fromLatin1(job), longWav, roomMb);
        ASSERT_EQ(s.exitCode, 0) << s.output.toStdString();
        ASSERT_EQ(l.exitCode, 0) << l.output.toStdString();
        EXPECT_TRUE(s.on) << s.said.toStdString();
        EXPECT_TRUE(l.on) << l.said.toStdString();
        std::printf("[  NOTE    ] %s: peak %ld MB for 20 s, %ld MB for 200 s\n", job, s.peakKb / 1024,
                    l.peakKb / 1024);
        // Holding even the 16-bit samples of the 180 s more would add 31 MB.
        EXPECT_LT(l.peakKb - s.peakKb, 12 * 1024);
        if (!kAddressSanitizer) {
            EXPECT_LT(l.peakKb, 300 * 1024);
        }
    }
}
