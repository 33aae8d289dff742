// Track loading and the transport commands of the main window, with the
// media stand-in.
#include "controls/xpbutton.h"
#include "core/trackname.h"
#include "tests/support/mainwindow.h"

#include <QAction>
#include <QLabel>
#include <QPixmap>
#include <QSet>
#include <functional>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

const QStringList kThree = {"/m/a.mp3", "/m/b.wav", "/m/c.ogg"};

class TransportTest : public MainWindowTest<> {
protected:
    // Next from the current entry, running `nested` once from the new
    // track's first open event, while the load lets messages run. True when
    // it ran.
    bool nextWithNested(FrmMain& win, const std::function<void()>& nested)
    {
        bool ran = false;
        const QMetaObject::Connection c =
            QObject::connect(win.MediaPlayer1, &rt::MediaControl::OpenStateChange, &win, [&] {
                if (!ran) {
                    ran = true;
                    nested();
                }
            });
        win.mnuNext_Click();
        settle();
        QObject::disconnect(c);
        return ran;
    }
};

TEST_F(TransportTest, NextAndPreviousWrapAround)
{
    struct Case {
        const char* name;
        bool next;
        int loaded;
        int expected;
    };
    const Case cases[] = {
        {"next from the first", true, 0, 1},
        {"next from the last wraps", true, 2, 0},
        {"previous from the last", false, 2, 1},
        {"previous from the first wraps", false, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrmMain& win = playing(kThree, c.loaded);
        ASSERT_EQ(win.Track.CurrentIndex, c.loaded);
        c.next ? win.mnuNext_Click() : win.mnuPrevious_Click();
        settle();
        EXPECT_EQ(win.Track.CurrentIndex, c.expected);
        EXPECT_EQ(win.List1->currentRow(), c.expected);
        EXPECT_EQ(fake()->calls, (QStringList{"FileName=" + kThree[c.expected], "Play"}));
        EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
        EXPECT_FALSE(shared().Busy);
        // The step buttons and the menu item are usable again.
        EXPECT_TRUE(win.XPButtons[1]->buttonEnabled());
        EXPECT_TRUE(win.XPButtons[2]->buttonEnabled());
        EXPECT_TRUE((c.next ? win.mnuNext : win.mnuPrevious)->isEnabled());
    }
}

TEST_F(TransportTest, NextPlaysTheUserSelectedEntryWithoutStepping)
{
    FrmMain& win = playing(kThree, 0);
    win.List1->setCurrentRow(2);
    win.List1_Click();
    win.mnuNext_Click();
    settle();
    EXPECT_EQ(win.Track.CurrentIndex, 2);
    EXPECT_EQ(win.MediaPlayer1->fileName(), kThree[2]);
}

TEST_F(TransportTest, WithNothingSelectedNextAndPreviousStepFromTheLoadedTrack)
{
    struct Case {
        bool next;
        int loaded; // -1: nothing loaded
        int expected;
    };
    const Case cases[] = {{true, 1, 2}, {false, 1, 0}, {true, -1, 0}, {false, -1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.next ? "next" : "previous") << " loaded " << c.loaded);
        FrmMain& win = c.loaded >= 0 ? playing(kThree, c.loaded) : startWith(kThree, 0);
        if (c.loaded < 0)
            win.Track.CurrentIndex = -1;
        win.List1->setCurrentRow(-1);
        c.next ? win.mnuNext_Click() : win.mnuPrevious_Click();
        settle();
        EXPECT_EQ(win.Track.CurrentIndex, c.expected);
        EXPECT_EQ(win.MediaPlayer1->fileName(), kThree[c.expected]);
    }
}

TEST_F(TransportTest, NothingLoadsWithoutASelection)
{
    FrmMain& win = startWith(kThree, 0);
    win.List1->setCurrentRow(-1);
    win.mnuPlaySelct_Click();
    win.Timer3_Timer();
    settle();
    EXPECT_TRUE(fake()->calls.filter("FileName=").isEmpty());
    EXPECT_EQ(win.Track.CurrentIndex, 0) << "the stored index stays";
    EXPECT_FALSE(shared().Busy);
    EXPECT_EQ(questionsAsked(QStringLiteral("你要将此项从当前程序播放列表中删除吗?")), 0);
}

TEST_F(TransportTest, RandomOrderPlaysEveryEntryOncePerCycle)
{
    const QStringList five = {"/r/1.mp3", "/r/2.mp3", "/r/3.mp3", "/r/4.mp3", "/r/5.mp3"};
    FrmMain& win = playing(five, 0);
    settings().RandomPlay = true;
    QList<int> order{int(win.Track.CurrentIndex)};
    for (int i = 0; i < 9; ++i) {
        win.mnuNext_Click();
        settle();
        order << int(win.Track.CurrentIndex);
    }
    // The first cycle began with the deferred start's entry; every window of
    // a cycle holds each entry once.
    EXPECT_EQ(QSet<int>(order.begin(), order.begin() + 5).size(), 5) << order.size();
    EXPECT_EQ(QSet<int>(order.begin() + 5, order.end()).size(), 5);
    EXPECT_NE(order[5], order[4]) << "a new cycle does not start with the entry played last";
}

TEST_F(TransportTest, ListStepsLoadOnlyWhileStopped)
{
    FrmMain& win = startWith(kThree, 2);
    win.mnuListDown_Click();
    settle();
    EXPECT_EQ(win.List1->currentRow(), 0);
    EXPECT_EQ(fake()->calls, QStringList{"FileName=" + kThree[0]}) << "loaded, not played";

    win.mnuPlaySelct_Click();
    settle();
    fake()->calls.clear();
    win.mnuListUp_Click();
    settle();
    EXPECT_EQ(win.List1->currentRow(), 2) << "up from the first wraps";
    EXPECT_TRUE(fake()->calls.isEmpty()) << "while playing only the selection moves";
    EXPECT_EQ(win.Track.CurrentIndex, 0);
}

TEST_F(TransportTest, ToggleAndPauseDoNothingForAStreamWithoutLength)
{
    clock.seed = 7;
    FrmMain& win = startWith({"http://radio/stream"}, 0);
    fake()->setMedia("http://radio/stream", rt::FakeMedia{.duration = 0});
    win.Timer3_Timer();
    settle();
    ASSERT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
    fake()->calls.clear();
    win.mnuPlayPause_Click();
    win.XPButton18_Click();
    win.Form_KeyDown(32);
    settle();
    EXPECT_TRUE(fake()->calls.isEmpty());
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
}

TEST_F(TransportTest, ToggleStopAndThePlayButton)
{
    FrmMain& win = playing(kThree, 0);
    win.mnuPlayPause_Click();
    settle();
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Paused);
    win.mnuPlayPause_Click();
    settle();
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
    fake()->advance(30);
    win.mnuStop_Click();
    settle();
    EXPECT_EQ(win.MediaPlayer1->currentPosition(), 0.0);
    EXPECT_EQ(fake()->calls.mid(fake()->calls.size() - 2), (QStringList{"Stop", "CurrentPosition=0"}));

    // The loaded track selected: no question.
    fake()->calls.clear();
    win.XPButton12_Click();
    EXPECT_EQ(fake()->calls, QStringList{"Play"});
    EXPECT_TRUE(ui.calls.empty());

    // Another entry selected: the question; No resumes the loaded track,
    // Yes plays the selection.
    const QString question = QStringLiteral("选择“是”播放列表中选中的曲目，选择“否”播放当前已加载的曲目。");
    win.List1->setCurrentRow(1);
    ui.msgAnswers = {rt::No};
    fake()->calls.clear();
    win.XPButton12_Click();
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, question);
    EXPECT_EQ(ui.calls[0].style, rt::YesNo | rt::Question | rt::DefaultButton2);
    EXPECT_EQ(fake()->calls, QStringList{"Play"});
    ui.msgAnswers = {rt::Yes};
    win.XPButton12_Click();
    settle();
    EXPECT_EQ(win.Track.CurrentIndex, 1);
    EXPECT_EQ(win.MediaPlayer1->fileName(), kThree[1]);
}

TEST_F(TransportTest, DeferredStart)
{
    struct Case {
        const char* name;
        int autoPlay;
        bool alreadyPlaying;
        QStringList calls;
    };
    const Case cases[] = {
        {"AutoPlay 1 plays", 1, false, {"FileName=" + kThree[1], "Play"}},
        {"AutoPlay 0 only loads", 0, false, {"FileName=" + kThree[1]}},
        {"nothing over a playing track", 1, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrmMain& win = startWith(kThree, 1);
        settings().AutoPlay = c.autoPlay;
        if (c.alreadyPlaying) {
            win.MediaPlayer1->setFileName("/other.mp3");
            win.MediaPlayer1->play();
            settle();
        }
        fake()->calls.clear();
        win.Timer3_Timer();
        settle();
        EXPECT_EQ(fake()->calls, c.calls);
        EXPECT_FALSE(win.Timer[3]->isActive());
        EXPECT_EQ(win.XPButtons[12]->buttonToolTip(), QStringLiteral("播放列表中选中的曲目"));
        EXPECT_TRUE(win.XPButtons[24]->buttonEnabled());
        EXPECT_FALSE(win.XPButtons[8]->buttonEnabled());
    }
}

TEST_F(TransportTest, EveryCommandOnAnEmptyListOpensTheAddDialog)
{
    FrmMain& win = startWith({}, 0);
    const std::pair<const char*, void (FrmMain::*)()> commands[] = {
        {"play selected", &FrmMain::mnuPlaySelct_Click}, {"next", &FrmMain::mnuNext_Click},
        {"previous", &FrmMain::mnuPrevious_Click},       {"down", &FrmMain::mnuListDown_Click},
        {"up", &FrmMain::mnuListUp_Click},               {"play button", &FrmMain::XPButton12_Click},
        {"toggle", &FrmMain::mnuPlayPause_Click},        {"pause", &FrmMain::XPButton18_Click},
        {"stop", &FrmMain::mnuStop_Click},               {"deferred start", &FrmMain::Timer3_Timer},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        ui.calls.clear();
        fake()->calls.clear();
        (win.*command)();
        settle();
        EXPECT_EQ(fileDialogsOpened(), 1);
        EXPECT_TRUE(fake()->calls.isEmpty());
        EXPECT_FALSE(shared().Busy);
    }
}

TEST_F(TransportTest, LoadingSetsTheTrackFieldsAndResetsTheEditor)
{
    const QStringList list = {"/music/no extension", "/mu.sic/track", "/x/Song.MP3"};
    const char* expected[] = {"未知", "sic/track", "mp3"};
    FrmMain& win = startWith(list, 0);
    settings().AutoDownloadLrc = false; // the lyrics request keeps its own form of the extension
    for (int i = 0; i < 3; ++i) {
        win.XPButtons[5]->setButtonEnabled(true);
        win.XPButtons[5]->setCaption("退出修改");
        win.Rec.PlayingRecording = true;
        win.List1->setCurrentRow(i);
        win.mnuPlaySelct_Click();
        settle();
        EXPECT_EQ(win.Track.CurrentFile, list[i]);
        EXPECT_EQ(win.Track.CurrentExt, QString::fromUtf8(expected[i]));
        EXPECT_FALSE(win.Rec.PlayingRecording);
        EXPECT_FALSE(win.XPButtons[5]->buttonEnabled());
        EXPECT_EQ(win.XPButtons[5]->caption(), QStringLiteral("修改歌词"));
        EXPECT_EQ(win.XPButtons[5]->buttonToolTip(), QStringLiteral("编辑修改歌词"));
    }
}

// The track's own picture is the song picture and the lyric background
// (the background timer applies the setting later); a track without one
// shows the default picture over a random background; a picture that
// cannot be loaded changes nothing but the song picture.
TEST_F(TransportTest, TheSongPictureComesFromPicsOrTheDefault)
{
    QPixmap own(8, 8);
    own.fill(Qt::red);
    QDir().mkpath(shared().DataDir + "/PICS");
    ASSERT_TRUE(own.save(shared().DataDir + "/PICS/" + mangledTrackName(kThree[1], ".pic"), "PNG"));
    dir.write("data/PICS/" + mangledTrackName(kThree[2], ".pic"), "not a picture");
    QDir().mkpath(shared().DataDir + "/bkground");
    QPixmap random(6, 6);
    random.fill(Qt::yellow);
    ASSERT_TRUE(random.save(shared().DataDir + "/bkground/only.png", "PNG"));
    QPixmap fallback(4, 4);
    fallback.fill(Qt::blue);
    QPixmap background(2, 2);
    background.fill(Qt::green);

    FrmMain& win = startWith(kThree, 0);
    win.Image1->setPixmap(fallback);
    win.Image6->setPixmap(background);

    win.List1->setCurrentRow(1);
    win.mnuPlaySelct_Click();
    settle();
    EXPECT_EQ(win.Image2->pixmap().size(), QSize(8, 8));
    EXPECT_EQ(win.Image6->pixmap().size(), QSize(8, 8));
    EXPECT_EQ(shared().CoverPicPath, shared().DataDir + "/PICS/" + mangledTrackName(kThree[1], ".pic"));

    win.Image6->setPixmap(background);
    win.mnuNext_Click();
    settle();
    EXPECT_EQ(win.Image2->pixmap().size(), QSize(4, 4));
    EXPECT_EQ(win.Image6->pixmap().size(), QSize(2, 2)) << "an unreadable picture changes no background";
    EXPECT_TRUE(shared().CoverPicPath.isEmpty());

    win.mnuNext_Click();
    settle();
    EXPECT_EQ(win.Image2->pixmap().size(), QSize(4, 4));
    EXPECT_EQ(win.Image6->pixmap().size(), QSize(6, 6)) << "no picture: a random background";
    EXPECT_EQ(shared().BkgroundCount, 1);
}

// A command or a press on the list that arrives while a load lets messages
// run loads nothing, so one load does not run inside another and
// CurrentIndex stays with the file being loaded.
TEST_F(TransportTest, ACommandOrAPressDuringALoadIsRefused)
{
    struct Case {
        const char* name;
        std::function<void(FrmMain&)> nested;
    };
    const Case cases[] = {
        {"transport commands",
         [](FrmMain& win) {
             win.mnuPrevious_Click();
             win.mnuPlaySelct_Click();
         }},
        {"a press on another entry",
         [](FrmMain& win) {
             QWidget* vp = win.List1->viewport();
             const QPoint onC = win.List1->visualItemRect(win.List1->item(2)).center();
             QTest::mousePress(vp, Qt::LeftButton, {}, onC);
             QTest::mouseRelease(vp, Qt::LeftButton, {}, onC);
             EXPECT_EQ(win.List1->currentRow(), 2) << "the press still selects";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrmMain& win = playing(kThree, 0);
        EXPECT_TRUE(nextWithNested(win, [&] { c.nested(win); }));
        EXPECT_EQ(win.Track.CurrentIndex, 1);
        EXPECT_EQ(win.Track.CurrentFile, kThree[1]);
        EXPECT_EQ(win.MediaPlayer1->fileName(), kThree[1]);
        EXPECT_EQ(fake()->calls.filter("FileName=").size(), 1);
        EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
    }
}

// An add that would load the only entry of the list, made while a load lets
// messages run (the list was emptied meanwhile), keeps what the user added
// but does not name it the current track; the next command loads it.
TEST_F(TransportTest, AnAddDuringALoadKeepsItsEntryButLoadsNothing)
{
    const QString added = dir.file("new.mp3");
    dir.write("new.m3u", ("#EXTM3U\r\n" + added + "\r\n").toUtf8());
    struct Case {
        const char* name;
        std::function<void(FrmMain&)> add;
    };
    const Case cases[] = {
        {"a file",
         [&](FrmMain& win) {
             rt::FileDialogResult chosen;
             chosen.files = {added};
             ui.openAnswers = {chosen};
             win.mnuAdd_Click();
         }},
        {"an address",
         [&](FrmMain& win) {
             ui.inputAnswers = {added, std::nullopt};
             win.mnuAdd2_Click();
         }},
        {"a list import",
         [&](FrmMain& win) {
             rt::FileDialogResult chosen;
             chosen.files = {dir.file("new.m3u")};
             ui.openAnswers = {chosen};
             win.mnuListIn_Click();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrmMain& win = playing(kThree, 0);
        ASSERT_TRUE(nextWithNested(win, [&] {
            ui.msgAnswers = {rt::Yes};
            win.mnuDeleteAll_Click();
            c.add(win);
        }));
        EXPECT_EQ(entries(), QStringList{added});
        EXPECT_EQ(win.List1->currentRow(), 0);
        EXPECT_EQ(win.Track.CurrentIndex, -1) << "nothing of the new list is loaded";
        EXPECT_TRUE(fake()->calls.filter("FileName=" + added).isEmpty());

        win.mnuNext_Click();
        settle();
        EXPECT_EQ(win.Track.CurrentIndex, 0);
        EXPECT_EQ(win.MediaPlayer1->fileName(), added);
        EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
    }
}

} // namespace
