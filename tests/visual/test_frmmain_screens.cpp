// The skinned main window on three monitors (tests/support/screens.json with
// QT_SCREEN_SCALE_FACTORS "A=1;B=2;C=2": A 1366x768 at scale 1, B 1920x1080
// (200 pixels down) and C 1600x900 at scale 2, so 960x540 and 800x450
// logical pixels): it is laid out again on the screen it moves to, a skin
// taller than that screen gets the framed, scrolling window, and the
// stretched window stays on its own monitor.
#include "tests/support/mainwindow.h"

#include "visual/skin.h"
#include "tests/support/screens.h"

#include <QGuiApplication>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>

using namespace melodune;
using testsupport::screenNamed;
using testsupport::MainWindowTest;

namespace {

class ScreensTest : public MainWindowTest<> {
protected:
    QScreen* a = screenNamed("A");
    QScreen* b = screenNamed("B");
    QScreen* c = screenNamed("C");

    rt::FakeCaptureSource* input = nullptr;

    void SetUp() override
    {
        if (!a || !b || !c || b->devicePixelRatio() != 2)
            GTEST_SKIP() << "needs the three test screens";
        rt::setCaptureSourceFactory([this](QString*) {
            auto source = std::make_unique<rt::FakeCaptureSource>();
            input = source.get();
            return source;
        });
    }
    // Moves the window by `by` and waits until it is laid out on `screen`.
    bool moveOnto(FrmMain& win, QScreen* screen, QPoint to)
    {
        win.move(to);
        return waitUntil([&] { return win.screen() == screen && win.size() == screen->availableGeometry().size(); },
                         5000);
    }
    static QRegion shape(const FrmMain& win, int left)
    {
        return skinRegion(win.PicShape->pixmap().toImage())->translated(left, 0);
    }
    static int centredLeft(const FrmMain& win, const QScreen* screen)
    {
        return (screen->availableGeometry().width() - win.PicShape->width()) / 2;
    }
};

// Dragged from the 1x monitor to the 2x one and back, the window takes the
// new screen's size, the skin keeps its place on the desktop and the outline
// follows it; before, the window kept the first screen's size and outline.
TEST_F(ScreensTest, TheSkinIsLaidOutAgainOnTheScreenItMovesTo)
{
    FrmMain& win = startWith({"/m/a.mp3"}, 0);
    ASSERT_EQ(win.screen(), a);
    ASSERT_EQ(win.size(), a->availableGeometry().size());
    const int leftA = centredLeft(win, a);
    ASSERT_EQ(win.mask(), shape(win, leftA));

    const QPoint onB = b->geometry().topLeft() + QPoint(40, 30);
    ASSERT_TRUE(moveOnto(win, b, onB)) << win.size().width() << "x" << win.size().height();
    EXPECT_EQ(win.devicePixelRatioF(), 2.0);
    const int leftB = centredLeft(win, b);
    EXPECT_EQ(win.PicShape->pos(), QPoint(leftB, 0));
    EXPECT_EQ(win.mask(), shape(win, leftB));
    EXPECT_EQ(win.PicShape->mapToGlobal(QPoint(0, 0)), onB + QPoint(leftA, 0)) << "the skin stays where it was put";
    EXPECT_EQ(win.minimumSize(), b->availableGeometry().size());
    EXPECT_EQ(win.maximumSize(), b->availableGeometry().size());

    ASSERT_TRUE(moveOnto(win, a, QPoint(100, 20)));
    EXPECT_EQ(win.devicePixelRatioF(), 1.0);
    EXPECT_EQ(win.mask(), shape(win, leftA));
    EXPECT_TRUE(win.windowFlags() & Qt::FramelessWindowHint);
}

// Without a window manager the window is moved by hand: the pressed point of
// the skin stays under the pointer also across monitors of different scale
// (global positions are counted in each monitor's own logical pixels).
TEST_F(ScreensTest, MovedByHandThePressedPointStaysUnderThePointer)
{
    FrmMain& win = startWith({"/m/a.mp3"}, 0);
    ASSERT_EQ(win.screen(), a);
    const QPoint grab(200, 10);
    auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, QPoint global) {
        const QPointF local = win.PicShape->mapFromGlobal(global);
        QMouseEvent e(type, local, local, global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(win.PicShape, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, win.PicShape->mapToGlobal(grab));
    const QPoint onB = b->geometry().topLeft() + QPoint(400, 100);
    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, onB);
    ASSERT_TRUE(waitUntil([&] { return win.screen() == b && win.size() == b->availableGeometry().size(); }, 5000));
    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, onB + QPoint(1, 0));
    EXPECT_EQ(win.PicShape->mapToGlobal(grab), onB + QPoint(1, 0));
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, onB + QPoint(1, 0));
}

// On C the 470-pixel skin is taller than the 450 free pixels: an ordinary
// framed window whose scroll bar brings the skin's bottom row (transport,
// hint and help) into view. Back on a screen where it fits it is shaped again.
TEST_F(ScreensTest, ASkinTallerThanTheScreenScrollsInAFramedWindow)
{
    FrmMain& win = startWith({"/m/a.mp3"}, 0);
    ASSERT_GT(win.PicShape->height(), c->availableGeometry().height());
    win.move(c->geometry().topLeft() + QPoint(10, 10));
    ASSERT_TRUE(waitUntil([&] { return win.screen() == c && !(win.windowFlags() & Qt::FramelessWindowHint); }, 5000));
    EXPECT_TRUE(win.mask().isEmpty());
    EXPECT_EQ(win.minimumSize(), QSize(0, 0)) << "resizable";
    auto* down = win.findChild<QScrollBar*>(QStringLiteral("SkinScrollV"));
    ASSERT_TRUE(down);
    ASSERT_TRUE(waitUntil([&] { return down->isVisible() && win.height() < win.PicShape->height(); }, 5000));
    down->setValue(down->maximum());
    EXPECT_EQ(win.PicShape->geometry().bottom(), down->geometry().bottom()) << "the skin's last row is in view";
    for (QWidget* control : {static_cast<QWidget*>(win.Label5), static_cast<QWidget*>(win.Label6)}) {
        const QRect inWindow(control->mapTo(&win, QPoint(0, 0)), control->size());
        EXPECT_TRUE(QRect(QPoint(0, 0), down->geometry().bottomLeft()).contains(inWindow))
            << control->objectName().toStdString();
    }

    ASSERT_TRUE(moveOnto(win, b, b->geometry().topLeft() + QPoint(10, 10)));
    EXPECT_TRUE(win.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(down->isVisible());
    EXPECT_EQ(win.mask(), shape(win, centredLeft(win, b)));
}

// C K D on monitor B stretches the window over B, not over the desktop's
// first monitor, and Esc lays the skin out on B again.
TEST_F(ScreensTest, TheStretchedWindowStaysOnItsMonitor)
{
    FrmMain& win = playing({"/m/a.mp3"}, 0);
    win.move(b->geometry().topLeft() + QPoint(20, 0));
    ASSERT_TRUE(waitUntil([&] { return win.screen() == b; }, 5000));
    settle();
    QWindow* handle = win.windowHandle();
    settings().KeyState = 0;
    for (Qt::Key key : {Qt::Key_C, Qt::Key_K, Qt::Key_D})
        QTest::keyClick(handle, key);
    ASSERT_EQ(settings().KeyState, 1);
    settle();
    const QRect g = b->geometry();
    EXPECT_EQ(win.geometry(), QRect(g.left(), g.top() + 10, g.width(), g.height()));
    EXPECT_EQ(win.screen(), b);

    // The animation tick's fall counts from B's top: in silence the window
    // sinks 15 twips (one pixel) a tick towards its rest.
    settings().ShowRecVolume = 1;
    win.Timer4_Timer(); // starts the meter's capture
    ASSERT_TRUE(input);
    input->feed(QByteArray(2205 * 4, '\0'));
    win.Timer4_Timer();
    ASSERT_EQ(win.Anim.AnimationTicksRead, 1u);
    EXPECT_EQ(win.pos(), QPoint(g.left(), g.top() + 11));

    QTest::keyClick(handle, Qt::Key_Escape);
    ASSERT_TRUE(win.Timer[7]->isActive());
    ASSERT_TRUE(waitUntil([&] { return !win.Timer[7]->isActive(); }, 5000));
    EXPECT_EQ(win.screen(), b);
    EXPECT_EQ(win.geometry(), b->availableGeometry());
    EXPECT_EQ(win.mask(), shape(win, centredLeft(win, b)));
}

} // namespace
