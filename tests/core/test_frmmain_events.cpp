// The media events of the main window and the restart after an error, with
// the media stand-in.
#include "controls/xpbutton.h"
#include "core/commandline.h"
#include "lyrics/richtext.h"
#include "tests/support/mainwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

const QStringList kThree = {"/m/a.mp3", "/m/b.wav", "/m/c.ogg"};
const QString kDropQuestion = QStringLiteral("你要将此项从当前程序播放列表中删除吗?");

class EventsTest : public MainWindowTest<> {};

TEST_F(EventsTest, EndOfStreamDecisions)
{
    struct Case {
        const char* name;
        QStringList list;
        int playingEntry;
        std::function<void(FrmMain&)> before;
        int loadsEntry; // -1: nothing is loaded
    };
    const Case cases[] = {
        {"the next entry", kThree, 0, {}, 1},
        {"wraps at the last entry", kThree, 2, {}, 0},
        {"a user-selected entry plays next", kThree, 0,
         [](FrmMain& w) {
             w.List1->setCurrentRow(2);
             w.List1_Click();
         },
         2},
        {"the user's entry also in random order", kThree, 1,
         [](FrmMain& w) {
             settings().RandomPlay = true;
             w.List1->setCurrentRow(0);
             w.List1_Click();
         },
         0},
        {"play-back of a recording stops there", kThree, 0, [](FrmMain& w) { w.Rec.PlayingRecording = true; }, -1},
        {"a recording that stops at the end", kThree, 0,
         [](FrmMain& w) {
             w.Rec.Recording = true;
             settings().StopRecordAtEnd = 1;
         },
         -1},
        {"a recording that goes on", kThree, 0,
         [](FrmMain& w) {
             w.Rec.Recording = true;
             settings().StopRecordAtEnd = 0;
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshStart();
        FrmMain& win = playing(c.list, c.playingEntry);
        ASSERT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
        if (c.before)
            c.before(win);
        win.Jobs.VocalRemovalOn = true;
        win.Jobs.DevocalFile = "/tmp/devocal.wav";
        {
            const QSignalBlocker quiet(win.Check2); // as a finished job leaves it
            win.Check2->setChecked(true);
        }
        win.LrcView.LrcPath = "/x.lrc";
        fake()->raiseEndOfStream();
        settle();
        EXPECT_FALSE(win.Jobs.VocalRemovalOn);
        EXPECT_TRUE(win.Jobs.DevocalFile.isEmpty());
        EXPECT_FALSE(win.Check2->isChecked());
        if (c.loadsEntry < 0) {
            EXPECT_TRUE(fake()->calls.filter("FileName=").isEmpty());
            EXPECT_EQ(win.Track.CurrentIndex, c.playingEntry);
        } else {
            EXPECT_EQ(fake()->calls.filter("FileName="), QStringList{"FileName=" + c.list[c.loadsEntry]});
            EXPECT_EQ(win.Track.CurrentIndex, c.loadsEntry);
            EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
        }
        if (settings().StopRecordAtEnd == 0) {
            EXPECT_TRUE(win.Rec.Recording) << "the recording goes on";
        }
    }
}

TEST_F(EventsTest, ALostSoundOutputKeepsTheTrackAndItsPlace)
{
    FrmMain& win = playing(kThree, 1);
    fake()->advance(40.0);
    fake()->calls.clear();
    ui.calls.clear();
    fake()->loseOutput();
    settle();
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Paused);
    EXPECT_EQ(win.Track.CurrentIndex, 1);
    EXPECT_TRUE(fake()->calls.filter("FileName=").isEmpty()) << "no other track is loaded";
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("声卡出现错误，播放已暂停。请确认声卡设置正确后再继续播放！")});
    win.mnuPlayPause_Click(); // the server is back: the user plays on
    settle();
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
    EXPECT_DOUBLE_EQ(win.MediaPlayer1->currentPosition(), 40.0);
    EXPECT_EQ(win.Track.CurrentIndex, 1);
}

TEST_F(EventsTest, EndOfStreamWithAnEmptyListOnlyClosesTheEditor)
{
    FrmMain& win = startWith({}, 0);
    win.MediaPlayer1->setFileName("/loose.mp3");
    win.MediaPlayer1->play();
    settle();
    fake()->calls.clear();
    win.XPButtons[5]->setButtonEnabled(true);
    win.LrcView.LrcPath = "/x.lrc";
    fake()->raiseEndOfStream();
    settle();
    EXPECT_TRUE(fake()->calls.isEmpty());
    EXPECT_EQ(fileDialogsOpened(), 0);
    EXPECT_TRUE(win.LrcView.LrcPath.isEmpty());
    EXPECT_FALSE(win.XPButtons[5]->buttonEnabled());
}

TEST_F(EventsTest, AdvancingPlaysTheListEndlessly)
{
    FrmMain& win = playing(kThree, 0);
    QStringList opened;
    QObject::connect(win.MediaPlayer1, &rt::MediaControl::OpenStateChange, &win,
                     [&] { opened << win.MediaPlayer1->fileName(); });
    for (int i = 0; i < 4; ++i) {
        fake()->advance(200);
        settle();
    }
    EXPECT_EQ(opened, (QStringList{kThree[1], kThree[2], kThree[0], kThree[1]}));
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
}

TEST_F(EventsTest, AListWhoseTracksAllEndAtOnceStopsAfterOnePass)
{
    const QString stopped = QStringLiteral("列表中的曲目都没有可以播放的内容，已停止播放。");
    // How each entry ends once it plays: at once with nothing played, after
    // playing to its end, or as a stream that breaks off after a while.
    enum Ending { Silent, PlaysThrough, StreamBreaksOff };
    struct Case {
        const char* name;
        std::vector<Ending> endings;
        int loadsBeforeStop; // -1: goes on
    };
    const Case cases[] = {
        {"three empty files", {Silent, Silent, Silent}, 3},
        {"one empty file", {Silent}, 1},
        {"one track that plays keeps the list going", {Silent, PlaysThrough, Silent}, -1},
        {"streams that broke off after playing", {StreamBreaksOff, StreamBreaksOff}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshStart();
        QStringList list;
        for (std::size_t i = 0; i < c.endings.size(); ++i)
            list << QStringLiteral("/m/%1.wav").arg(i);
        FrmMain& win = startWith(list, 0);
        for (std::size_t i = 0; i < c.endings.size(); ++i)
            fake()->setMedia(list[int(i)], rt::FakeMedia{.duration = c.endings[i] == StreamBreaksOff ? 0.0 : 180.0});
        const int cap = 12; // the endless cases are cut here
        QStringList opened;
        QObject::connect(win.MediaPlayer1, &rt::MediaControl::OpenStateChange, &win,
                         [&] { opened << win.MediaPlayer1->fileName(); });
        QObject::connect(win.MediaPlayer1, &rt::MediaControl::PlayStateChange, &win, [&] {
            if (win.MediaPlayer1->playState() != rt::MediaControl::Playing || opened.size() >= cap)
                return;
            switch (c.endings[std::size_t(list.indexOf(win.MediaPlayer1->fileName()))]) {
            case Silent: fake()->raiseEndOfStream(); break;
            case PlaysThrough: fake()->advance(200); break;
            case StreamBreaksOff:
                clock.advanceMs(5000);
                fake()->raiseEndOfStream();
                break;
            }
        });
        win.Timer3_Timer();
        settle(200);
        if (c.loadsBeforeStop < 0) {
            EXPECT_EQ(opened.size(), cap);
            EXPECT_EQ(questionsAsked(stopped), 0);
            continue;
        }
        EXPECT_EQ(opened, list.mid(0, c.loadsBeforeStop)) << "one pass, then no more loads";
        EXPECT_EQ(questionsAsked(stopped), 1);
        EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Stopped);
        EXPECT_EQ(win.Track.CurrentIndex, c.loadsBeforeStop - 1);

        // Playing again is a new pass of its own.
        opened.clear();
        win.mnuPlaySelct_Click();
        settle(200);
        EXPECT_EQ(opened.size(), c.loadsBeforeStop);
        EXPECT_EQ(questionsAsked(stopped), 2);
    }
}

TEST_F(EventsTest, ReloadAfterErrorAsksAndKeepsTheRest)
{
    struct Case {
        const char* name;
        QStringList list;
        int failing;
        int answer;
        QStringList listAfter;
        int indexAfter;
    };
    const Case cases[] = {
        {"Yes on a middle entry", kThree, 1, rt::Yes, {kThree[0], kThree[2]}, 1},
        {"Yes on the last entry", kThree, 2, rt::Yes, {kThree[0], kThree[1]}, 0},
        {"Yes on the only entry", {kThree[0]}, 0, rt::Yes, {}, 0},
        {"No passes the entry over", kThree, 1, rt::No, kThree, 2},
        {"No on the last entry", kThree, 2, rt::No, kThree, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshStart();
        // Reached through next from the entry before, or the deferred start.
        FrmMain& win = c.failing > 0 ? playing(c.list, c.failing - 1) : startWith(c.list, 0);
        fake()->failOpen(c.list[c.failing]);
        ui.calls.clear();
        ui.msgAnswers = {rt::Ok, c.answer, rt::Ok};
        if (c.failing > 0)
            win.mnuNext_Click();
        else
            win.Timer3_Timer();
        // The failed handler ended there: nothing played on the old window.
        EXPECT_EQ(fake()->calls, QStringList{"FileName=" + c.list[c.failing]});
        settle();

        const QStringList messages = ui.messages();
        ASSERT_EQ(messages.size(), 3) << messages.join(" | ").toStdString();
        EXPECT_EQ(messages[0], QStringLiteral("文件 ") + c.list[c.failing] +
                                   QStringLiteral(" 出现未知错误，程序即将重新装载！"));
        EXPECT_EQ(messages[1], kDropQuestion);
        EXPECT_EQ(ui.calls[1].style, 292);
        EXPECT_EQ(messages[2], QStringLiteral("重新装载后，“程序启动后自动播放曲目”的设置将被取消！"));

        // The window was made anew from what the unload saved.
        EXPECT_EQ(entries(), c.listAfter);
        EXPECT_EQ(QFileInfo::exists(listFile()), !c.listAfter.isEmpty());
        EXPECT_FALSE(shared().Busy);
        EXPECT_FALSE(win.Reloading);
        EXPECT_TRUE(win.Timer[3]->isActive()) << "the deferred start is on its way";
        SettingsRecord saved;
        std::int32_t savedIndex = -1;
        loadSettings(shared().DataDir, saved, &savedIndex);
        EXPECT_EQ(saved.AutoPlay, 0);
        EXPECT_EQ(settings().AutoPlay, 0);
        if (!c.listAfter.isEmpty()) {
            EXPECT_EQ(win.List1->currentRow(), c.indexAfter);
            // The deferred start loads that entry and does not play it.
            win.Timer[3]->stop();
            fake()->calls.clear();
            win.Timer3_Timer();
            settle();
            EXPECT_EQ(fake()->calls, QStringList{"FileName=" + c.listAfter[c.indexAfter]});
        }
    }
}

TEST_F(EventsTest, ReloadIgnoresTheCommandLineOnceAndAsksNothingMoreWithAutoPlayOff)
{
    services.commandLine = "/a /m/d.mp3";
    FrmMain& win = startWith(kThree, 0);
    ASSERT_EQ(entries().size(), 4);
    settings().AutoPlay = 0;
    win.Track.CurrentFile = kThree[0];
    win.Track.CurrentIndex = 0;
    ui.msgAnswers = {rt::Ok, rt::No};
    win.ReloadAfterError();
    win.ReloadAfterError(); // a second failure meanwhile changes nothing
    settle();
    EXPECT_EQ(ui.messages().size(), 2) << "no AutoPlay message when it is already off";
    EXPECT_EQ(entries().size(), 4) << "the command line was not applied again";
    EXPECT_EQ(win.List1->currentRow(), 1);
    // The next start applies it again.
    EXPECT_NE(shared().CommandLine, kCommandLineSuppressed);
}

// Another handler's error trap asks for the restart while a load lets
// messages run: the load goes no further, so nothing plays on the old window.
TEST_F(EventsTest, ARestartDuringALoadEndsThatLoad)
{
    FrmMain& win = playing(kThree, 0);
    bool failed = false;
    QObject::connect(win.MediaPlayer1, &rt::MediaControl::OpenStateChange, &win, [&] {
        if (!failed) {
            failed = true;
            win.ReloadAfterError();
        }
    });
    ui.msgAnswers = {rt::Ok, rt::No, rt::Ok};
    win.mnuNext_Click();
    EXPECT_TRUE(failed);
    EXPECT_FALSE(fake()->calls.contains("Play"));
    EXPECT_TRUE(win.mnuNext->isEnabled());
    settle();
    EXPECT_EQ(entries(), kThree);
    EXPECT_EQ(win.List1->currentRow(), 2) << "No passed over the entry being loaded";
    EXPECT_FALSE(shared().Busy);
}

TEST_F(EventsTest, ReloadWithAProcessedCopyOnlyTellsTheUser)
{
    FrmMain& win = playing(kThree, 1);
    {
        // The state a finished key shift leaves (ticking the box would run it).
        const QSignalBlocker quiet(win.Check3);
        win.Check3->setChecked(true);
    }
    ui.msgAnswers = {rt::Ok, rt::Ok};
    win.ReloadAfterError();
    settle();
    ASSERT_GE(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0], QStringLiteral("出现未知错误，程序即将重新装载！"));
    EXPECT_EQ(questionsAsked(kDropQuestion), 0);
    EXPECT_EQ(entries(), kThree);
}

TEST_F(EventsTest, OpenStateShowsTheTitleOrThePath)
{
    FrmMain& win = startWith(kThree, 0);
    fake()->setMedia(kThree[0], rt::FakeMedia{.title = "A Song"});
    fake()->setMedia(kThree[1], rt::FakeMedia{.title = "   "});
    win.mnuPlaySelct_Click();
    settle();
    EXPECT_EQ(win.Track.CurrentTitle, "A Song");
    EXPECT_EQ(win.Label4->text(), "A Song - " + win.windowTitle());
    EXPECT_EQ(win.Label4->toolTip(), QStringLiteral("播放器加载曲目【") + kThree[0] + QStringLiteral("】"));
    win.mnuNext_Click();
    settle();
    EXPECT_TRUE(win.Track.CurrentTitle.isEmpty());
    EXPECT_EQ(win.Label4->text(), kThree[1] + " - " + win.windowTitle());
}

TEST_F(EventsTest, PlayStateHintsVideoAndTheSwitches)
{
    FrmMain& win = startWith({"/v/clip.mkv", "/m/a.mp3"}, 0);
    fake()->setMedia("/v/clip.mkv", rt::FakeMedia{.width = 640, .height = 360});
    settings().AutoFullScreen = 1;
    win.Jobs.VocalRemovalOn = true;
    {
        const QSignalBlocker quiet(win.Check2); // as a finished job leaves it
        win.Check2->setChecked(true);
    }
    win.mnuPlaySelct_Click();
    settle();
    EXPECT_EQ(win.Label5->text(), QStringLiteral("提示：按 F 键全屏显示影像；按 Esc 键退出全屏。"));
    EXPECT_EQ(win.Label5->toolTip(), win.Label5->text());
    EXPECT_TRUE(win.mnuFull->isEnabled());
    EXPECT_FALSE(win.Picture2->isVisible());
    EXPECT_TRUE(fake()->calls.contains("DisplaySize=3")) << "full screen on its own";
    EXPECT_FALSE(win.Jobs.VocalRemovalOn) << "another file than the processed copy plays";
    EXPECT_FALSE(win.Check2->isChecked());

    win.mnuNext_Click();
    settle();
    EXPECT_EQ(win.Label5->text(), QStringLiteral("提示：单击鼠标右键可以显示菜单。"));
    EXPECT_FALSE(win.mnuFull->isEnabled());

    // The processed copy keeps its flag.
    win.Jobs.DevocalFile = "/tmp/devocal.wav";
    win.Jobs.VocalRemovalOn = true;
    win.MediaPlayer1->setFileName(win.Jobs.DevocalFile);
    win.MediaPlayer1->play();
    settle();
    EXPECT_TRUE(win.Jobs.VocalRemovalOn);

    win.Rec.Recording = true;
    win.MediaPlayer1->pause();
    settle();
    EXPECT_FALSE(win.Check2->isEnabled());
    EXPECT_FALSE(shared().Busy);
}

TEST_F(EventsTest, StoppingSelectsTheTrackAndRestoresTheLyricColours)
{
    FrmMain& win = playing(kThree, 1);
    win.RichTextBox1->setText(QStringLiteral("[1.0]one\r[2.0]two\r"));
    win.RichTextBox1->setColor(0, win.RichTextBox1->length(), rt::rgb(255, 255, 255));
    win.LrcView.LyricsLoaded = true;
    win.Timer[1]->start();
    win.Label1->setText("12.5");
    win.List1->setCurrentRow(0);
    win.mnuStop_Click();
    settle();
    EXPECT_EQ(win.List1->currentRow(), 1);
    EXPECT_FALSE(win.Timer[1]->isActive());
    EXPECT_EQ(win.Label1->text(), "0");
    EXPECT_EQ(win.RichTextBox1->formatAt(1).color, settings().LrcTagColor);
    EXPECT_EQ(win.RichTextBox1->formatAt(6).color, settings().LrcTextColor);
    EXPECT_EQ(win.RichTextBox1->formatAt(6).bold, settings().LrcFontBold);
    EXPECT_EQ(win.RichTextBox1->selStart(), 0);
}

} // namespace
