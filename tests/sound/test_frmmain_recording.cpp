// The recording commands of the main window with a fake input, a fake media
// control, a fixed clock and scripted boxes.
#include "controls/xpbutton.h"
#include "platform/wavfile.h"
#include "sound/recording.h"
#include "tests/support/audiogen.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scratchmount.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <system_error>

using namespace melodune;

namespace {

const QString kFailed = QStringLiteral("录音失败！(电脑缓存不足或录音超时。请尝试重新设置最大录音缓存时间。)");

QByteArray pattern(qsizetype n)
{
    QByteArray b(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char((i * 31 + i / 7) & 0xFF);
    return b;
}

const QString kSaveFailed = QStringLiteral("保存文件出现错误！");

// Scripted boxes; `whileSaveDialogOpen` runs while a save dialog is open.
struct RecordingUi : rt::ScriptedUi {
    std::function<void()> whileSaveDialogOpen;
    rt::FileDialogResult saveFile(const rt::FileDialogRequest& req) override
    {
        if (whileSaveDialogOpen)
            whileSaveDialogOpen();
        return ScriptedUi::saveFile(req);
    }
};

class RecordingWindow : public testsupport::MainWindowTest<RecordingUi> {
protected:
    rt::FakeMediaControl* media = nullptr;
    rt::FakeCaptureSource* input = nullptr;

    RecordingWindow() : MainWindowTest({.makeDataFolder = false}) {}
    void SetUp() override
    {
        settings().ShowMixerOnRecord = false; // no desktop program from a test
        settings().ShowRecVolume = 0;
        settings().ShowVisual = 0;
        w = std::make_unique<FrmMain>(services);
        w->enableSkinButtons(); // as the start tick leaves them
        media = fake();
        useInput(0x800); // 44100 Hz 16-bit stereo
        w->DSound = rt::DirectSoundCreate();
        media->setMedia(QStringLiteral("track.mp3"), rt::FakeMedia{.duration = 200.0});
        media->setFileName(QStringLiteral("track.mp3"));
    }

    void useInput(std::uint32_t mask)
    {
        w->DSCaptureBuffer.reset();
        auto src = std::make_unique<rt::FakeCaptureSource>();
        src->mask = mask;
        input = src.get();
        w->DSCapture = std::make_unique<rt::DSCapture>(std::move(src));
    }

    // Record command answered Yes.
    void startTake()
    {
        ui.msgAnswers.push_back(rt::Yes);
        w->mnuStartRec_Click();
        ASSERT_TRUE(w->Rec.Recording);
    }
    void chooseFile(const QString& path) { ui.saveAnswers.push_back({{path}, 1}); }
    int saveDialogs() const
    {
        int n = 0;
        for (const auto& c : ui.calls)
            n += c.kind == QLatin1String("save");
        return n;
    }
    // The boxes that said a save failed.
    QStringList saveFailures() const
    {
        QStringList out;
        for (const QString& m : ui.messages())
            if (m.split(u'\n').first() == kSaveFailed)
                out << m;
        return out;
    }
    QStringList filesInDir() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    bool button(int i) const { return w->XPButtons[i]->buttonEnabled(); }
    bool status(int i) const { return w->imgR->pixmap().cacheKey() == w->imgS[i].cacheKey(); }

    // The stop controls as every stop leaves them.
    void expectStopIdle() const
    {
        EXPECT_FALSE(w->mnuStopRecPlay->isEnabled());
        EXPECT_EQ(w->mnuStopRecPlay->text(), QStringLiteral("停止录音或播放(&S)"));
        EXPECT_FALSE(button(8));
        EXPECT_EQ(w->XPButtons[8]->caption(), QStringLiteral(" 停 止 "));
        EXPECT_EQ(w->XPButtons[8]->buttonToolTip(), QStringLiteral(" 停 止 "));
    }
    void expectTakeReleased() const
    {
        EXPECT_FALSE(w->DSBuffer);
        EXPECT_FALSE(w->DSCaptureBuffer);
        EXPECT_TRUE(w->Capture.Samples.empty());
    }
};

} // namespace

TEST_F(RecordingWindow, RecordsToTheTrackEndAndTheProgressLineStopsIt)
{
    media->setCurrentPosition(60.0);
    startTake();
    EXPECT_DOUBLE_EQ(w->Capture.RecordSeconds, 141.0);
    EXPECT_EQ(w->Capture.CaptureDesc.bufferBytes, 144 * 176400);
    ASSERT_TRUE(w->DSCaptureBuffer);
    EXPECT_EQ(w->DSCaptureBuffer->GetStatus(), rt::CaptureStatusCapturing);
    EXPECT_EQ(media->playState(), rt::MediaControl::Playing);
    EXPECT_TRUE(w->Timer[5]->isActive());
    EXPECT_EQ(w->Timer[5]->interval(), 50);
    EXPECT_FALSE(button(6));
    EXPECT_FALSE(button(7));
    EXPECT_FALSE(w->mnuStartRec->isEnabled());
    EXPECT_FALSE(w->mnuPlayRec->isEnabled());
    // Neither effect may stop the take's backing track.
    EXPECT_FALSE(w->mnuRemoveVocal->isEnabled());
    EXPECT_FALSE(w->mnuShifting->isEnabled());
    EXPECT_TRUE(button(8));
    EXPECT_EQ(w->XPButtons[8]->caption(), QStringLiteral("停止录音"));
    EXPECT_EQ(w->mnuStopRecPlay->text(), QStringLiteral("停止录音(&S)"));
    EXPECT_TRUE(status(1));

    input->feed(pattern(176400));
    clock.advanceMs(140'000);
    media->advance(140.0);
    w->Timer5_Timer();
    EXPECT_TRUE(w->Rec.Recording) << "still 1 second to go";
    EXPECT_FALSE(w->Line1->isHidden());

    chooseFile(dir.file("take"));
    clock.advanceMs(1'000);
    media->advance(1.0);
    w->Timer5_Timer();
    EXPECT_FALSE(w->Rec.Recording);
    EXPECT_TRUE(w->Line1->isHidden());
    EXPECT_EQ(saveDialogs(), 1);
    EXPECT_EQ(w->Rec.RecordFile, dir.file("take.wav"));
    EXPECT_TRUE(QFile::exists(dir.file("take.wav")));
    w->Timer5_Timer();
    EXPECT_FALSE(w->Timer[5]->isActive());
}

TEST_F(RecordingWindow, SavedFileHoldsTheCapturedBytesAndBecomesTheLoadedFile)
{
    const struct {
        std::uint32_t mask;
        rt::WaveFormatEx format;
        qsizetype bytes;
    } cases[] = {
        {0x800, rt::pcmFormat(44100, 2, 16), 176400 + 400},
        {0x1, rt::pcmFormat(11025, 1, 8), 11025 + 777}, // odd: the file gets a pad byte
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.bitsPerSample);
        useInput(c.mask);
        w->Rec.PlayingRecording = false;
        w->mnuStartRec->setEnabled(true);
        w->XPButtons[6]->setButtonEnabled(true);
        media->setFileName(QStringLiteral("track.mp3"));
        startTake();
        const QByteArray samples = pattern(c.bytes);
        for (qsizetype at = 0; at < samples.size(); at += 999)
            input->feed(samples.mid(at, 999));

        clock.current = QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9));
        const QString chosen = dir.file(QStringLiteral("take%1").arg(++n));
        chooseFile(chosen);
        w->XPButton8_Click();

        const QString path = chosen + QStringLiteral(".wav");
        QByteArray expected = testsupport::wavHeader(c.format, std::uint32_t(c.bytes)) + samples;
        if (c.bytes & 1)
            expected += '\0';
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll() == expected);
        EXPECT_EQ(w->Rec.CapturedBytes, c.bytes);

        EXPECT_EQ(w->Rec.RecordFile, path);
        EXPECT_TRUE(w->Rec.PlayingRecording);
        EXPECT_EQ(media->fileName(), path);
        EXPECT_TRUE(media->calls.contains(QStringLiteral("Stop")));
        EXPECT_TRUE(w->mnuPlayRec->isEnabled());
        EXPECT_TRUE(button(7));
        EXPECT_FALSE(w->mnuStartRec->isEnabled()) << "the recording is now the loaded file";
        EXPECT_FALSE(button(6));
        EXPECT_TRUE(status(0));
        expectStopIdle();
        expectTakeReleased();
    }
    const auto& save = std::find_if(ui.calls.begin(), ui.calls.end(), [](const auto& c) { return c.kind == "save"; });
    ASSERT_NE(save, ui.calls.end());
    EXPECT_EQ(save->title, QStringLiteral("保存录音文件 *.wav"));
}

TEST_F(RecordingWindow, DefaultNameOfferedIsRecAndTheStopTime)
{
    startTake();
    input->feed(pattern(4000));
    clock.current = QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9));
    w->XPButton8_Click();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    const rt::FileDialogRequest& req = ui.dialogs[0];
    EXPECT_EQ(req.fileName, QStringLiteral("Rec240305070809"));
    EXPECT_EQ(req.filter, QStringLiteral("声音文件(*.wav)|*.wav"));
    EXPECT_EQ(req.filterIndex, 1);
    EXPECT_TRUE(req.overwritePrompt);
    EXPECT_EQ(req.defaultSuffix, QStringLiteral("wav"));
}

TEST_F(RecordingWindow, StopAfterTheBufferRanFullFailsAndWritesNothing)
{
    useInput(0x1); // 11025 bytes a second
    media->setMedia(QStringLiteral("short.mp3"), rt::FakeMedia{.duration = 3.0});
    media->setFileName(QStringLiteral("short.mp3"));
    startTake();
    EXPECT_EQ(w->Capture.CaptureDesc.bufferBytes, 7 * 11025);
    input->feed(pattern(8 * 11025));
    EXPECT_EQ(w->DSCaptureBuffer->GetStatus(), 0);
    chooseFile(dir.file("never"));
    w->XPButton8_Click();
    EXPECT_TRUE(ui.messages().contains(kFailed));
    for (const auto& c : ui.calls)
        if (c.text == kFailed) {
            EXPECT_EQ(c.title, QStringLiteral("Melodune 录音提示"));
        }
    EXPECT_EQ(saveDialogs(), 0);
    EXPECT_TRUE(filesInDir().isEmpty());
    EXPECT_FALSE(w->Rec.Recording);
    EXPECT_TRUE(w->mnuStartRec->isEnabled());
    EXPECT_TRUE(button(6));
    expectStopIdle();
    EXPECT_FALSE(w->DSCaptureBuffer);
}

TEST_F(RecordingWindow, CancelEmptyTakeAndFailedSaveGiveTheRecordCommandBack)
{
    const QString missing = dir.file("no/such/folder/take");
    const QString folderInTheWay = dir.file("busy.wav");
    ASSERT_TRUE(QDir().mkpath(folderInTheWay));
    const struct {
        const char* what;
        int bytes;             // fed
        const QString* choice; // nullptr: cancel at once
        int dialogs;           // a failed choice is followed by the dialog again, cancelled
    } cases[] = {
        {"cancel", 4000, nullptr, 1},
        {"empty take", 0, nullptr, 0},
        {"folder missing", 4000, &missing, 2},
        {"folder in the way", 4000, &folderInTheWay, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ui.calls.clear();
        startTake();
        if (c.bytes)
            input->feed(pattern(c.bytes));
        else // a sound buffer left by another job must not pass for the take
            w->DSBuffer = w->DSound->CreateSoundBuffer({130, 4410}, rt::pcmFormat(44100, 1, 8));
        if (c.choice)
            chooseFile(*c.choice);
        w->XPButton8_Click();
        EXPECT_EQ(saveDialogs(), c.dialogs);
        EXPECT_EQ(saveFailures().size(), c.choice ? 1 : 0);
        EXPECT_FALSE(ui.messages().contains(kFailed));
        EXPECT_TRUE(filesInDir().isEmpty());
        EXPECT_FALSE(QFileInfo::exists(missing + QStringLiteral(".wav")));
        EXPECT_TRUE(QDir(folderInTheWay).isEmpty());
        EXPECT_TRUE(w->Rec.RecordFile.isEmpty());
        EXPECT_FALSE(w->Rec.PlayingRecording);
        EXPECT_EQ(media->fileName(), QStringLiteral("track.mp3"));
        EXPECT_TRUE(w->mnuStartRec->isEnabled());
        EXPECT_TRUE(button(6));
        EXPECT_FALSE(button(7));
        expectStopIdle();
        expectTakeReleased();
    }
}

TEST_F(RecordingWindow, PathThatCannotBeWrittenKeepsTheTakeForAnotherChoice)
{
    const QString readOnly = dir.file("readonly");
    ASSERT_TRUE(QDir().mkpath(readOnly));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser |
                                                    QFile::ExeUser));
    // Permissions do not bind a privileged user; that row proves nothing then.
    bool readOnlyBinds = false;
    {
        QFile probe(readOnly + QStringLiteral("/probe"));
        readOnlyBinds = !probe.open(QIODevice::WriteOnly);
        if (!readOnlyBinds)
            probe.remove();
    }
    ASSERT_TRUE(QDir().mkpath(dir.file("busy.wav")));
    ASSERT_TRUE(QDir().mkpath(dir.file("good")));
    // Less room than the take needs (mounting needs root).
    testsupport::ScratchMount full(dir.file("full"), 64);
    auto systemSays = [](int e) { return QString::fromStdString(std::error_code(e, std::generic_category()).message()); };
    const struct {
        const char* what;
        QString choice;
        bool runs;
        QString reason; // the system's words; empty: any
    } cases[] = {
        {"folder missing", dir.file("no/such/folder/take"), true, systemSays(ENOENT)},
        {"name is a folder", dir.file("busy.wav"), true, {}},
        {"read-only folder", readOnly + QStringLiteral("/take"), readOnlyBinds, {}},
        {"full disk", full.path() + QStringLiteral("/take"), full.ok(), systemSays(ENOSPC)},
    };
    // The dialog is offered again with the defaults of the first time, even
    // when the clock has moved on meanwhile.
    ui.whileSaveDialogOpen = [this] { clock.advanceMs(7'000); };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.runs) {
            std::printf("[  NOTE    ] %s: skipped, needs a read-only folder or a mount this user cannot have\n",
                        c.what);
            continue;
        }
        ui.calls.clear();
        ui.dialogs.clear();
        w->Rec.PlayingRecording = false;
        w->mnuStartRec->setEnabled(true);
        w->XPButtons[6]->setButtonEnabled(true);
        media->setFileName(QStringLiteral("track.mp3"));
        startTake();
        const QByteArray samples = pattern(176400 + 1236);
        input->feed(samples);
        chooseFile(c.choice);
        const QString good = dir.file(QStringLiteral("good/take%1").arg(++n));
        chooseFile(good);
        w->XPButton8_Click();

        // The box names the file and says why.
        ASSERT_EQ(saveFailures().size(), 1);
        const QStringList lines = saveFailures().first().split(u'\n');
        ASSERT_EQ(lines.size(), 3) << saveFailures().first().toStdString();
        EXPECT_EQ(lines[1], QStringLiteral("无法写入文件：") + recordingSavePath(c.choice));
        if (c.reason.isEmpty())
            EXPECT_GT(lines[2].size(), QStringLiteral("原因：").size()) << lines[2].toStdString();
        else
            EXPECT_EQ(lines[2], QStringLiteral("原因：") + c.reason);
        EXPECT_FALSE(ui.messages().contains(kFailed));
        ASSERT_EQ(ui.dialogs.size(), 2u);
        EXPECT_EQ(ui.dialogs[1].fileName, ui.dialogs[0].fileName);
        EXPECT_EQ(ui.dialogs[1].title, ui.dialogs[0].title);
        EXPECT_EQ(ui.dialogs[1].filter, ui.dialogs[0].filter);
        EXPECT_EQ(ui.dialogs[1].defaultSuffix, QStringLiteral("wav"));

        const QString path = good + QStringLiteral(".wav");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll() == testsupport::wavHeader(rt::pcmFormat(44100, 2, 16), std::uint32_t(samples.size())) + samples);
        EXPECT_EQ(w->Rec.RecordFile, path);
        EXPECT_TRUE(w->Rec.PlayingRecording);
        EXPECT_EQ(media->fileName(), path);
        EXPECT_FALSE(w->mnuStartRec->isEnabled()) << "saved in the end";
        EXPECT_TRUE(w->mnuPlayRec->isEnabled());
        expectStopIdle();
        expectTakeReleased();
    }
    EXPECT_TRUE(filesInDir().isEmpty());
    EXPECT_TRUE(QDir(dir.file("busy.wav")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.file("no")));
    EXPECT_TRUE(QDir(readOnly).isEmpty());
    EXPECT_TRUE(QDir(full.path()).isEmpty()) << "nothing partial on the full disk";
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(RecordingWindow, FileTheNameRuleWouldReplaceIsAskedAbout)
{
    dir.write("a.b.wav", "keep");
    startTake();
    input->feed(pattern(4000));
    chooseFile(dir.file("a.wav.b")); // saved as a.b.wav
    ui.msgAnswers.push_back(rt::No);
    // then the dialog again, cancelled
    w->XPButton8_Click();
    EXPECT_EQ(saveDialogs(), 2);
    EXPECT_EQ(dir.read("a.b.wav"), QByteArray("keep"));
    EXPECT_TRUE(w->mnuStartRec->isEnabled());
}

TEST_F(RecordingWindow, AnsweringNoLeavesNoCaptureAndResumesTheTrack)
{
    media->play();
    ui.msgAnswers.push_back(rt::No);
    w->mnuStartRec_Click();
    EXPECT_FALSE(w->Rec.Recording);
    EXPECT_FALSE(w->DSCaptureBuffer);
    EXPECT_EQ(input->starts, 0);
    EXPECT_EQ(media->playState(), rt::MediaControl::Playing);
    EXPECT_TRUE(media->calls.contains(QStringLiteral("Pause")));
    EXPECT_FALSE(w->mnuStopRecPlay->isEnabled());
    EXPECT_EQ(w->mnuStopRecPlay->text(), QStringLiteral("停止录音或回放(&S)"));
    EXPECT_FALSE(button(8));
    EXPECT_EQ(w->XPButtons[8]->caption(), QStringLiteral(" 停 止 "));
    ASSERT_FALSE(ui.calls.empty());
    EXPECT_EQ(ui.calls[0].title, QStringLiteral("Melodune 录音提示"));
    EXPECT_EQ(ui.calls[0].style, rt::YesNo | rt::Information);
}

TEST_F(RecordingWindow, PlayBackStopAndResume)
{
    ui.msgAnswers.clear();
    w->mnuPlayRec_Click();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("错误！无录音文件！")});

    startTake();
    input->feed(pattern(44100));
    chooseFile(dir.file("take.wav"));
    w->XPButton8_Click();
    const QString path = dir.file("take.wav");
    ASSERT_EQ(w->Rec.RecordFile, path);

    media->calls.clear();
    w->XPButton7_Click();
    EXPECT_EQ(media->calls, (QStringList{QStringLiteral("FileName=") + path, QStringLiteral("Play")}));
    EXPECT_TRUE(button(8));
    EXPECT_EQ(w->XPButtons[8]->caption(), QStringLiteral("停止回放"));
    EXPECT_EQ(w->mnuStopRecPlay->text(), QStringLiteral("停止回放(&S)"));
    EXPECT_FALSE(button(7));
    EXPECT_TRUE(status(2));

    media->advance(0.1);
    w->mnuStopRecPlay_Click();
    EXPECT_EQ(media->playState(), rt::MediaControl::Stopped);
    EXPECT_EQ(media->currentPosition(), 0.0);
    EXPECT_TRUE(w->Rec.PlayingRecording);
    EXPECT_TRUE(button(7));
    EXPECT_TRUE(w->mnuPlayRec->isEnabled());
    EXPECT_TRUE(status(0));
    expectStopIdle();

    // Paused: resumed where it stands, not loaded again.
    w->mnuPlayRec_Click();
    media->pause();
    media->calls.clear();
    w->mnuPlayRec_Click();
    EXPECT_EQ(media->calls, QStringList{QStringLiteral("Play")});

    // The file removed behind the program's back.
    QFile::remove(path);
    ui.calls.clear();
    w->mnuPlayRec_Click();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("错误！无录音文件！")});
}

TEST_F(RecordingWindow, StopWithNothingRunningResetsOnlyTheStopControls)
{
    w->XPButtons[8]->setButtonEnabled(true);
    w->mnuStopRecPlay->setEnabled(true);
    w->imgR->setPixmap(w->imgS[2]);
    media->play();
    media->calls.clear();
    w->mnuStopRecPlay_Click();
    expectStopIdle();
    EXPECT_TRUE(status(0));
    EXPECT_TRUE(media->calls.isEmpty());
    EXPECT_TRUE(ui.calls.empty());
}

// The input going away, or not opening, never throws away what was sung and
// never ends the program; the next take records once the input is back.
TEST_F(RecordingWindow, InputLostOrUnavailableKeepsTheTakeAndTheProgram)
{
    const QString lost = QStringLiteral("录音输入中断！(声音服务器已断开或录音设备已被移除。)");
    const QString unavailable = QStringLiteral("无法打开录音输入！(声音服务器未运行或没有录音设备。)");
    const struct Case {
        const char* what;
        std::function<void(rt::FakeCaptureSource&)> input; // before the record command
        qsizetype sungBeforeBreak;                          // -1: the input stays up
        QString message;                                    // starts the one message shown
        bool saveOffered;
    } cases[] = {
        {"input lost mid-take", {}, 6000, lost, true},
        {"input lost before anything arrived", {}, 0, lost, false},
        {"input cannot be asked", [](rt::FakeCaptureSource& s) { s.capsFail = true; }, -1, unavailable, false},
        {"input refuses to open", [](rt::FakeCaptureSource& s) { s.startFails = true; }, -1, unavailable, false},
        {"input names no format", [](rt::FakeCaptureSource& s) { s.mask = 0; }, -1, unavailable, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        useInput(0x800);
        if (c.input)
            c.input(*input);
        ui.calls.clear();
        ui.msgAnswers = {rt::Yes};
        media->setFileName(QStringLiteral("track.mp3"));
        w->mnuStartRec_Click();
        const QByteArray sung = pattern(std::max<qsizetype>(c.sungBeforeBreak, 0));
        if (c.sungBeforeBreak >= 0) {
            ASSERT_TRUE(w->Rec.Recording);
            input->feed(sung);
            input->breakStream();
            input->feed(pattern(500)); // nothing arrives once it is gone
            EXPECT_EQ(w->DSCaptureBuffer->GetStatus(), 0);
            const QString chosen = dir.file(QStringLiteral("kept%1").arg(++n));
            chooseFile(chosen);
            w->XPButton8_Click();
            if (c.saveOffered) {
                QByteArray data;
                rt::WaveFormatEx f;
                QString why;
                EXPECT_TRUE(rt::readWavFile(chosen + QStringLiteral(".wav"), &f, &data, &why)) << why.toStdString();
                EXPECT_TRUE(data == sung) << "exactly what was sung before the break";
                EXPECT_TRUE(w->Rec.PlayingRecording);
            }
        }
        EXPECT_FALSE(w->Rec.Recording);
        EXPECT_EQ(saveDialogs(), c.saveOffered ? 1 : 0);
        const QStringList shown = ui.messages(); // the record question and one message
        EXPECT_EQ(shown.size(), 2) << shown.join(u'|').toStdString();
        EXPECT_TRUE(shown.value(1).startsWith(c.message)) << shown.join(u'|').toStdString();
        EXPECT_EQ(w->mnuStartRec->isEnabled(), !c.saveOffered) << "the record command comes back unless the take was kept";
        expectStopIdle();
        expectTakeReleased();

        // The input back: the next take records.
        useInput(0x800);
        w->Rec.PlayingRecording = false;
        w->mnuStartRec->setEnabled(true);
        w->XPButtons[6]->setButtonEnabled(true);
        media->setFileName(QStringLiteral("track.mp3"));
        startTake();
        ASSERT_TRUE(w->Rec.Recording && w->DSCaptureBuffer);
        input->feed(pattern(4000));
        EXPECT_EQ(w->DSCaptureBuffer->capturedBytes(), 4000);
        ui.saveAnswers.clear();
        w->XPButton8_Click(); // save cancelled
        EXPECT_FALSE(w->Rec.Recording);
    }
}

TEST_F(RecordingWindow, VolumeControlMissingIsReported)
{
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()));
    w->mnuSNDVOL_Click();
    qputenv("PATH", oldPath);
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("无法调用操作系统程序！\n请自行查找操作系统中的此项功能。")});
}

TEST_F(RecordingWindow, StopWhileTheRecordCommandStillStartsEndsTheTakeOnceItRuns)
{
    QTimer::singleShot(0, w.get(), [this] { w->XPButton8_Click(); });
    ui.msgAnswers.push_back(rt::Yes);
    w->mnuStartRec_Click();
    EXPECT_FALSE(w->Rec.Recording) << "the stop ran after the start";
    EXPECT_EQ(input->starts, 1);
    EXPECT_TRUE(w->mnuStartRec->isEnabled());
    expectStopIdle();
    expectTakeReleased();
}

TEST_F(RecordingWindow, EndOfTheTrackStopsTheTake)
{
    settings().StopRecordAtEnd = 1;
    media->setCurrentPosition(195.0);
    startTake();
    EXPECT_DOUBLE_EQ(w->Capture.RecordSeconds, 6.0);
    input->feed(pattern(8000));
    chooseFile(dir.file("end"));
    media->advance(6.0);
    for (int i = 0; i < 20 && w->Rec.Recording; ++i)
        QCoreApplication::processEvents();
    EXPECT_FALSE(w->Rec.Recording);
    EXPECT_EQ(w->Rec.RecordFile, dir.file("end.wav"));
}
