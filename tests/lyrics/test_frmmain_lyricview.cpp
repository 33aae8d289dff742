// The lyric view commands of the main window: the state table, the check
// marks, the deferred hiding from the pop-up, and start/pause.
#include "tests/lyrics/lyrictickwindow.h"

#include "controls/xpbutton.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <array>
#include <functional>
#include <gtest/gtest.h>

using namespace melodune;
using testsupport::LyricTickWindow;

namespace {

bool picturesShown(const FrmMain& w)
{
    bool all = true, none = true;
    for (QWidget* p : {static_cast<QWidget*>(w.Picture6[0]), static_cast<QWidget*>(w.Picture6[1]),
                       static_cast<QWidget*>(w.Picture6[2]), static_cast<QWidget*>(w.Picture7),
                       static_cast<QWidget*>(w.Image6)}) {
        all = all && !p->isHidden();
        none = none && p->isHidden();
    }
    EXPECT_TRUE(all || none) << "the five picture view controls go together";
    return all;
}

enum class Play { Playing, Paused };

} // namespace

TEST(LyricViewModes, StateTable)
{
    using Cmd = void (FrmMain::*)();
    const struct {
        const char* name;
        Cmd command;
        int from;
        bool picturesBefore;
        Play play;
        bool lyricsLoaded;
        // expected
        int to;
        bool textBox;
        bool pictures;
        bool tickRuns;
        bool windowShown = false; // the lyrics window is open before the command
    } rows[] = {
        {"menu view 0 from 2", &FrmMain::mnuLrcVS0_Click, 2, true, Play::Playing, true, 0, true, true, true},
        {"menu view 0 from 1", &FrmMain::mnuLrcVS0_Click, 1, false, Play::Playing, true, 0, true, false, true},
        {"menu view 1", &FrmMain::mnuLrcVS1_Click, 0, true, Play::Playing, true, 1, false, false, true},
        {"menu view 2", &FrmMain::mnuLrcVS2_Click, 0, false, Play::Playing, true, 2, false, true, true},
        {"menu view drops a request", &FrmMain::mnuLrcVS1_Click, 102, true, Play::Paused, true, 1, false, false,
         false},
        {"pop-up view 0", &FrmMain::PopLrcVS0_Click, 1, false, Play::Playing, false, 0, true, false, false},
        // From the pop-up the text box goes only after the menu has gone.
        {"pop-up view 1", &FrmMain::PopLrcVS1_Click, 0, true, Play::Playing, true, 1, true, false, true},
        {"pop-up view 2", &FrmMain::PopLrcVS2_Click, 0, false, Play::Playing, true, 2, true, true, true},
        {"next view 0 -> 1", &FrmMain::XPButton20_Click, 0, true, Play::Playing, true, 1, false, false, true},
        {"next view 1 -> 2", &FrmMain::XPButton20_Click, 1, false, Play::Playing, true, 2, false, true, true},
        {"next view 2 -> 0", &FrmMain::XPButton20_Click, 2, true, Play::Playing, true, 0, true, true, true},
        {"next view, window asked for", &FrmMain::XPButton20_Click, 101, false, Play::Playing, true, 101, true, false,
         true},
        // With the window shown, a view command closes it first.
        {"next view, window shown", &FrmMain::XPButton20_Click, 101, false, Play::Playing, true, 2, false, true, true,
         true},
        {"menu view 0, window shown", &FrmMain::mnuLrcVS0_Click, 102, true, Play::Playing, true, 0, true, true, true,
         true},
        {"pop-up view 2, window shown", &FrmMain::PopLrcVS2_Click, 100, false, Play::Playing, true, 2, true, true,
         true, true},
        {"next view, stray value", &FrmMain::XPButton20_Click, 7, false, Play::Playing, true, 7, true, false, true},
        {"no lyrics: no tick", &FrmMain::mnuLrcVS2_Click, 0, false, Play::Playing, false, 2, false, true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        LyricTickWindow t;
        FrmMain& w = *t.w;
        t.play();
        if (r.play == Play::Paused) {
            t.fake().pause();
            QCoreApplication::processEvents();
        }
        w.LrcView.LyricsLoaded = r.lyricsLoaded;
        settings().LrcViewMode = r.from;
        if (r.windowShown) {
            w.show();
            w.openLyricsWindow();
            ASSERT_TRUE(QTest::qWaitFor([&] { return w.lyricsWindowShown(); }, 2000));
            ASSERT_FALSE(w.isVisible());
        }
        w.RichTextBox1->setVisible(true);
        for (QWidget* p : {static_cast<QWidget*>(w.Picture6[0]), static_cast<QWidget*>(w.Picture6[1]),
                           static_cast<QWidget*>(w.Picture6[2]), static_cast<QWidget*>(w.Picture7),
                           static_cast<QWidget*>(w.Image6)})
            p->setVisible(r.picturesBefore);

        (w.*r.command)();

        EXPECT_EQ(settings().LrcViewMode, r.to);
        EXPECT_EQ(w.RichTextBox1->isVisible(), r.textBox);
        EXPECT_EQ(picturesShown(w), r.pictures);
        EXPECT_EQ(w.Timer[1]->isActive(), r.tickRuns);
        if (r.windowShown) {
            EXPECT_FALSE(w.lyricsWindowShown());
            EXPECT_TRUE(w.isVisible());
        }
        if (r.command == &FrmMain::XPButton20_Click) {
            EXPECT_EQ(w.Label5->text(), "提示：按 H 键全屏显示歌词；按 Esc 键退出全屏。");
            EXPECT_EQ(w.Label5->toolTip(), w.Label5->text());
        }
        w.Timer[1]->stop();
    }
}

TEST(LyricViewModes, PopupHidesTheTextBoxOnlyAfterTheMenuHasGone)
{
    LyricTickWindow t;
    FrmMain& w = *t.w;
    settings().LrcViewMode = 0;
    w.PopLrcVS1_Click();
    EXPECT_TRUE(w.RichTextBox1->isVisible());
    EXPECT_TRUE(w.Timer[8]->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.RichTextBox1->isVisible(); }, 2000));
    EXPECT_FALSE(w.Timer[8]->isActive());

    // Back to view 0 before the one-shot fires: it changes nothing.
    w.PopLrcVS2_Click();
    w.mnuLrcVS0_Click();
    EXPECT_TRUE(w.RichTextBox1->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Timer[8]->isActive(); }, 2000));
    EXPECT_TRUE(w.RichTextBox1->isVisible());
}

TEST(LyricViewModes, CheckMarksFollowTheViewWhenTheMenusOpen)
{
    LyricTickWindow t;
    FrmMain& w = *t.w;
    const struct {
        int mode;
        char checked;
    } rows[] = {{0, '0'}, {1, '1'}, {2, '2'}, {100, 'H'}, {102, 'H'}, {7, 'H'}, {-1, 'H'}};
    for (const auto& r : rows) {
        settings().LrcViewMode = r.mode;
        emit w.mnuView->aboutToShow();
        emit w.Popmnu1->aboutToShow();
        const QAction* menuItems[] = {w.mnuLrcVS0, w.mnuLrcVS1, w.mnuLrcVS2, w.mnuLrcVSH};
        const QAction* popItems[] = {w.PopLrcVS0, w.PopLrcVS1, w.PopLrcVS2, w.PopLrcVSH};
        for (int i = 0; i < 4; ++i) {
            const char c = "012H"[i];
            EXPECT_EQ(menuItems[i]->isChecked(), c == r.checked) << r.mode << c;
            EXPECT_EQ(popItems[i]->isChecked(), c == r.checked) << r.mode << c;
        }
    }
    EXPECT_EQ(w.PopLrcVS0->text(), "文本框模式");
    EXPECT_EQ(w.PopLrcVS->menuAction()->text(), "歌词显示模式");
}

TEST(LyricViewModes, MenuItemsAndButtonsReachTheirCommands)
{
    LyricTickWindow t;
    FrmMain& w = *t.w;
    settings().LrcViewMode = 0;
    w.mnuLrcVS2->trigger();
    EXPECT_EQ(settings().LrcViewMode, 2);
    w.PopLrcVS0->trigger();
    EXPECT_EQ(settings().LrcViewMode, 0);
    emit w.XPButtons[20]->Click();
    EXPECT_EQ(settings().LrcViewMode, 1);
    w.mnuLrcVS0->trigger();
    EXPECT_EQ(settings().LrcViewMode, 0);
}

// Every way of asking for the full-screen lyrics: the value gains 100 once,
// and the next tick opens the window over the main one.
TEST(LyricViewModes, FullScreenLyricsCommandsOpenTheWindowAtTheNextTick)
{
    const struct {
        const char* name;
        std::function<void(FrmMain&)> command;
    } commands[] = {
        {"button", [](FrmMain& w) { emit w.XPButtons[21]->Click(); }},
        {"menu", [](FrmMain& w) { w.mnuLrcVSH->trigger(); }},
        {"pop-up", [](FrmMain& w) { w.PopLrcVSH->trigger(); }},
        {"key H", [](FrmMain& w) { w.Form_KeyUp(72); }},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.name);
        LyricTickWindow t;
        FrmMain& w = *t.w;
        w.show();
        t.play();
        t.loadLyrics("[00:01.00]one\n[00:02.00]two\n");
        settings().LrcViewMode = 2;
        t.tickAt(1.0);

        c.command(w);
        c.command(w);
        EXPECT_EQ(settings().LrcViewMode, 102) << "asked twice, still 102";
        EXPECT_TRUE(w.Timer[1]->isActive()) << "playing with lyrics: the tick runs";
        EXPECT_FALSE(w.lyricsWindowShown());
        t.tickAt(1.5);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.lyricsWindowShown(); }, 2000));
        EXPECT_FALSE(w.isVisible());
        w.closeLyricsWindow();
        EXPECT_EQ(settings().LrcViewMode, 2);
        EXPECT_TRUE(w.isVisible());
        w.Timer[1]->stop();
    }
}

TEST(LyricViewModes, ASavedFullScreenRequestOpensTheWindowOnceLyricsPlay)
{
    for (int saved : {100, 101, 102, 150}) {
        SCOPED_TRACE(saved);
        LyricTickWindow t;
        FrmMain& w = *t.w;
        w.show();
        settings().LrcViewMode = saved;
        t.play();
        t.loadLyrics("[00:01.00]one\n[00:02.00]two\n");
        t.tickAt(1.0);
        EXPECT_EQ(settings().LrcViewMode, saved);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.lyricsWindowShown(); }, 2000));
        EXPECT_FALSE(w.isVisible());
        t.tickAt(2.0);
        EXPECT_EQ(w.LrcView.LrcCurLine, "two") << "the tick goes on for the window";
    }
}

TEST(LyricViewModes, StartAndPauseTheLyricMovement)
{
    LyricTickWindow t;
    FrmMain& w = *t.w;
    t.play();
    t.loadLyrics("[00:01.00]one\n");
    QAction* st = w.mnuLrcSt;

    w.mnuLrcSt->trigger();
    EXPECT_TRUE(w.Timer[1]->isActive()) << "playing with lyrics: resumes";
    st->trigger();
    EXPECT_FALSE(w.Timer[1]->isActive()) << "pauses; the lyrics stay as they are";

    t.fake().pause();
    QCoreApplication::processEvents();
    st->trigger();
    EXPECT_FALSE(w.Timer[1]->isActive()) << "paused playback: nothing happens";

    // The item stands in the Control menu, whose opening offers it when
    // lyrics are loaded or the tick runs.
    EXPECT_TRUE(w.mnuControl->actions().contains(st));
    EXPECT_FALSE(w.mnuView->actions().contains(st));
    const struct {
        bool loaded;
        bool tick;
        bool enabled;
    } rows[] = {{true, false, true}, {false, true, true}, {false, false, false}};
    for (const auto& r : rows) {
        w.LrcView.LyricsLoaded = r.loaded;
        r.tick ? w.Timer[1]->start() : w.Timer[1]->stop();
        emit w.mnuControl->aboutToShow();
        EXPECT_EQ(st->isEnabled(), r.enabled) << r.loaded << r.tick;
    }
    w.Timer[1]->stop();
}

namespace {

const QString kSwitchLrc = QStringLiteral(
    "[00:01.00]第一行\n[00:05.00]啦啦啦 I love to sing\n[00:09.00]第三行 la la\n[00:13.00]end\n");

const std::array<void (FrmMain::*)(), 3> kViews = {&FrmMain::mnuLrcVS0_Click, &FrmMain::mnuLrcVS1_Click,
                                                    &FrmMain::mnuLrcVS2_Click};

} // namespace

// A view that was not drawn while the lines went by shows the line sung now,
// whole, the moment it is switched to: paused or playing, whichever view it
// comes from.
TEST(LyricViewModes, ASwitchedToViewDrawsTheSungLineAtOnce)
{
    const struct {
        const char* name;
        int from;
        void (FrmMain::*command)();
        bool strips; // else the marquee
    } rows[] = {
        {"menu view 2 from the text box", 0, &FrmMain::mnuLrcVS2_Click, true},
        {"pop-up view 2 from the text box", 0, &FrmMain::PopLrcVS2_Click, true},
        {"next view from the marquee", 1, &FrmMain::XPButton20_Click, true},
        {"menu view 1 from the strips", 2, &FrmMain::mnuLrcVS1_Click, false},
        {"next view from the text box", 0, &FrmMain::XPButton20_Click, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        LyricTickWindow t;
        FrmMain& w = *t.w;
        w.show();
        testsupport::layOutLyricStrips(w);
        t.play({.duration = 60});
        t.loadLyrics(kSwitchLrc);
        settings().LrcViewMode = r.from;
        (w.*kViews[r.from])();
        t.tickAt(1.0);
        t.tickAt(5.0);
        t.tickAt(6.3);
        w.Timer[1]->stop();
        t.fake().pause();
        QCoreApplication::processEvents();
        w.Picture1->clearFrame();

        (w.*r.command)();

        EXPECT_EQ(w.LrcView.LrcCurLine, "啦啦啦 I love to sing");
        if (r.strips) {
            testsupport::expectStripShowsWhole(*w.Picture1, *w.Picture6[1], "啦啦啦 I love to sing");
            EXPECT_EQ(w.Picture6[0]->text(), "第一行");
            EXPECT_EQ(w.Picture6[2]->text(), "第三行 la la");
        } else {
            EXPECT_TRUE(w.Picture1->hasFrame()) << "the marquee draws a frame at once";
        }
    }
}

// Lines passed under a full-screen video are not hit by the tick: back from
// it, the line sung now is highlighted and drawn at once, and the next tick
// keeps it.
TEST(LyricViewModes, BackFromAFullScreenVideoTheLineSungNowIsDrawn)
{
    LyricTickWindow t;
    FrmMain& w = *t.w;
    w.show();
    testsupport::layOutLyricStrips(w);
    t.play({.duration = 60, .width = 320, .height = 240});
    t.loadLyrics(kSwitchLrc);
    w.mnuLrcVS2_Click();
    t.tickAt(1.0);
    w.MediaPlayer1->setDisplaySize(rt::MediaControl::DisplayFullScreen);
    ASSERT_EQ(w.MediaPlayer1->displaySize(), rt::MediaControl::DisplayFullScreen);
    t.tickAt(5.0);
    t.tickAt(10.5);
    EXPECT_EQ(w.LrcView.LrcCurLine, "第一行") << "nothing is drawn under the video";

    QTest::keyClick(w.MediaPlayer1->widget(), Qt::Key_Escape);
    ASSERT_NE(w.MediaPlayer1->displaySize(), rt::MediaControl::DisplayFullScreen);

    testsupport::expectStripShowsWhole(*w.Picture1, *w.Picture6[1], "第三行 la la");
    EXPECT_EQ(w.Picture6[0]->text(), "啦啦啦 I love to sing");
    EXPECT_EQ(t.colourOf("第三行"), settings().LrcHighlightColor);
    EXPECT_EQ(t.colourOf("第一行"), settings().LrcTextColor);
    t.tickAt(10.55);
    EXPECT_EQ(w.LrcView.LrcCurLine, "第三行 la la");
    EXPECT_EQ(w.Picture6[0]->text(), "啦啦啦 I love to sing");
    w.Timer[1]->stop();
}
