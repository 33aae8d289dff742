// The full-screen lyrics window on monitors of their own scale
// (tests/support/screens.json with QT_SCREEN_SCALE_FACTORS "A=1;B=2;C=2"):
// it covers the monitor of the main window, and covers its new monitor,
// controls and all, when it is moved to another one.
#include "tests/lyrics/lyrictickwindow.h"

#include "lyrics/frmlrc.h"
#include "lyrics/richtextview.h"
#include "tests/support/screens.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using namespace melodune;
using testsupport::screenNamed;

namespace {

// The controls span the window; the strips lie at its bottom.
void expectLaidOutFor(const FrmLrc& lrc, QSize screen)
{
    EXPECT_EQ(lrc.RichTextBox1View->size(), screen);
    EXPECT_EQ(lrc.Image1->size(), screen);
    EXPECT_EQ(lrc.Picture2[0]->width(), screen.width());
    EXPECT_EQ(lrc.Picture2[2]->geometry().bottom(), screen.height() - 1);
    EXPECT_EQ(lrc.Picture3->width(), screen.width());
    EXPECT_EQ(lrc.Picture3->geometry().bottom(), lrc.Picture2[2]->geometry().top() - 1);
    EXPECT_LT(lrc.Picture5->geometry().right(), screen.width());
}

TEST(FrmLrcScreens, CoversTheMonitorItStandsOn)
{
    QScreen* a = screenNamed("A");
    QScreen* b = screenNamed("B");
    if (!a || !b || b->devicePixelRatio() != 2)
        GTEST_SKIP() << "needs the test screens";

    testsupport::LyricTickWindow t;
    FrmMain& w = *t.w;
    w.show();
    w.move(b->geometry().topLeft() + QPoint(30, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.screen() == b; }, 5000));
    t.play();
    t.loadLyrics(QStringLiteral("[00:01.00]one\n[00:02.00]two\n"));
    settings().LrcViewMode = 102;
    t.tickAt(0.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.lyricsWindowShown(); }, 2000));
    FrmLrc& lrc = *w.lyricsWindow();
    EXPECT_EQ(lrc.geometry(), b->geometry());
    expectLaidOutFor(lrc, b->geometry().size());
    EXPECT_EQ(lrc.screenWidthTwips(), b->geometry().width() * 15);

    // Taken to the other monitor (its own was unplugged, say).
    lrc.windowHandle()->setScreen(a);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lrc.screen() == a && lrc.RichTextBox1View->size() == a->size(); }, 5000));
    EXPECT_EQ(lrc.geometry(), a->geometry());
    expectLaidOutFor(lrc, a->geometry().size());
    EXPECT_EQ(lrc.screenWidthTwips(), a->geometry().width() * 15) << "the strips slide across this screen";
}

} // namespace
