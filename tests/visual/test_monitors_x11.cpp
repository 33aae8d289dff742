// Monitors of their own scale on a real X server: a private Xvfb split into
// RandR monitors A (1366x768, scale 1), B (1920x1080, scale 2) and C
// (2732x1536, scale 2: as many logical pixels as A), and this program run
// again on it. A window moved by another client (as a
// window manager moves it) keeps its size in device pixels; the skinned
// window's outline and size and a dialog's size must follow the new scale
// all the same, in what the X server holds, not only in Qt's own records.
#include "platform/screenfollow.h"
#include "visual/skin.h"
#include "tests/support/skinpictures.h"
#include "tests/support/screens.h"

#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#ifdef MELODUNE_HAVE_XRANDR
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#endif

using namespace melodune;
using testsupport::screenNamed;

namespace {

const char* const kChild = "MELODUNE_MONITORS_CHILD";

#ifdef MELODUNE_HAVE_XRANDR

// What the X server holds as the window's outline, in device pixels.
QRegion serverShape(Display* d, WId window)
{
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(d, Window(window), ShapeBounding, &count, &ordering);
    QRegion r;
    for (int i = 0; i < count; ++i)
        r += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    if (rects)
        XFree(rects);
    return r;
}

QSize serverSize(Display* d, WId window)
{
    Window root;
    int x, y;
    unsigned w = 0, h = 0, border, depth;
    XGetGeometry(d, Window(window), &root, &x, &y, &w, &h, &border, &depth);
    return QSize(int(w), int(h));
}

QRegion scaled(const QRegion& r, int factor)
{
    QRegion out;
    for (const QRect& rect : r)
        out += QRect(rect.topLeft() * factor, rect.size() * factor);
    return out;
}

class ChildOnMonitors : public ::testing::Test {
protected:
    Display* x = nullptr;
    QScreen* a = nullptr;
    QScreen* b = nullptr;
    QScreen* c = nullptr;

    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty(kChild))
            GTEST_SKIP() << "runs inside XMonitors";
        a = screenNamed("A");
        b = screenNamed("B");
        c = screenNamed("C");
        ASSERT_TRUE(a && b && c) << "the monitors A, B and C";
        ASSERT_EQ(b->devicePixelRatio(), 2.0);
        ASSERT_EQ(c->geometry().size(), a->geometry().size());
        x = XOpenDisplay(nullptr);
        ASSERT_TRUE(x);
    }
    void TearDown() override
    {
        if (x)
            XCloseDisplay(x);
    }
    // Another client moves the window, in device pixels.
    void moveFromOutside(QWidget& window, int nx, int ny)
    {
        XMoveWindow(x, Window(window.winId()), nx, ny);
        XFlush(x);
    }
};

// A green disc on white: a round outline.
QImage disc()
{
    return testsupport::discOnWhite(QSize(200, 100), QColor(0, 200, 0));
}

TEST_F(ChildOnMonitors, TheOutlineAndSizeFollowTheScale)
{
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    auto* pic = new QLabel(&window);
    SkinControls skin;
    skin.window = &window;
    skin.picShape = pic;
    setSkinPicture(pic, QPixmap::fromImage(disc()));
    rt::followScreen(&window, [&] { followSkinScreen(skin); });
    Timer7_Timer(skin);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(window.screen(), a);
    const QRegion outline = *skinRegion(disc());
    EXPECT_TRUE(QTest::qWaitFor([&] { return serverShape(x, window.winId()) == outline.translated(pic->pos()); }));

    // C: the same layout in logical pixels, the outline twice as fine.
    moveFromOutside(window, 1366 + 1920, 0);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return window.screen() == c && serverSize(x, window.winId()) == c->availableGeometry().size() * 2 &&
                   serverShape(x, window.winId()) == scaled(outline.translated(pic->pos()), 2);
        },
        10000))
        << "outline " << serverShape(x, window.winId()).boundingRect().width() << " wide";

    moveFromOutside(window, 1366 + 50, 0);
    const QSize areaB = b->availableGeometry().size();
    const bool followed = QTest::qWaitFor(
        [&] {
            return window.screen() == b && window.size() == areaB && serverSize(x, window.winId()) == areaB * 2 &&
                   serverShape(x, window.winId()) == scaled(outline.translated(pic->pos()), 2);
        },
        10000);
    EXPECT_TRUE(followed) << "logical " << window.width() << "x" << window.height() << ", device "
                          << serverSize(x, window.winId()).width() << "x" << serverSize(x, window.winId()).height()
                          << ", outline " << serverShape(x, window.winId()).boundingRect().width() << " wide";

    moveFromOutside(window, 100, 0);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return window.screen() == a && window.size() == a->availableGeometry().size() &&
                   serverShape(x, window.winId()) == outline.translated(pic->pos());
        },
        10000));
}

TEST_F(ChildOnMonitors, ADialogKeepsItsSize)
{
    rt::keepSizesAcrossScreens();
    QDialog dialog;
    dialog.setFixedSize(300, 200);
    auto* corner = new QLabel(QStringLiteral("确 定"), &dialog);
    corner->setGeometry(220, 170, 70, 24);
    dialog.move(100, 100);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(dialog.screen(), a);

    moveFromOutside(dialog, 1366 + 200, 100);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return dialog.screen() == b && dialog.size() == QSize(300, 200) &&
                   serverSize(x, dialog.winId()) == QSize(600, 400);
        },
        10000))
        << "logical " << dialog.width() << "x" << dialog.height();
}

#endif // MELODUNE_HAVE_XRANDR

// Starts the private X server, makes the monitors and runs the tests above
// in a program of their own on it.
TEST(XMonitors, WindowsFollowTheScaleOfTheirMonitor)
{
    if (!qEnvironmentVariableIsEmpty(kChild))
        GTEST_SKIP() << "the child itself";
#ifndef MELODUNE_HAVE_XRANDR
    GTEST_SKIP() << "built without the X libraries";
#else
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "needs Xvfb";

    QProcess server;
    server.setProcessChannelMode(QProcess::SeparateChannels);
    // -displayfd: the server picks a free display and names it on standard output.
    server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), QStringLiteral("6018x1536x24"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                          QStringLiteral("-noreset")});
    ASSERT_TRUE(server.waitForStarted(10000));
    QByteArray number;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            number += server.readAllStandardOutput();
            return number.contains('\n') || server.state() == QProcess::NotRunning;
        },
        30000));
    const QByteArray display = ':' + number.trimmed();
    ASSERT_GT(display.size(), 1) << server.readAllStandardError().toStdString();

    Display* x = XOpenDisplay(display.constData());
    ASSERT_TRUE(x);
    const Window root = DefaultRootWindow(x);
    int count = 0;
    XRRMonitorInfo* old = XRRGetMonitors(x, root, False, &count);
    RROutput firstOutput = count > 0 && old[0].noutput > 0 ? old[0].outputs[0] : 0;
    XRRFreeMonitors(old);
    const struct {
        const char* name;
        int x, w, h;
        bool primary;
    } monitors[] = {{"A", 0, 1366, 768, true}, {"B", 1366, 1920, 1080, false}, {"C", 3286, 2732, 1536, false}};
    for (const auto& m : monitors) {
        XRRMonitorInfo info{};
        info.name = XInternAtom(x, m.name, False);
        info.x = m.x;
        info.width = m.w;
        info.height = m.h;
        info.mwidth = m.w * 254 / 960;
        info.mheight = m.h * 254 / 960;
        info.primary = m.primary;
        info.noutput = m.primary && firstOutput ? 1 : 0;
        info.outputs = m.primary && firstOutput ? &firstOutput : nullptr;
        XRRSetMonitor(x, root, &info);
    }
    XSync(x, False);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChild), QStringLiteral("1"));
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("A=1;B=2;C=2"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ChildOnMonitors.*")});
    ASSERT_TRUE(child.waitForStarted(10000));
    const bool ended = child.waitForFinished(240000);
    const QByteArray output = child.readAll();
    EXPECT_TRUE(ended);
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_FALSE(output.contains("[  SKIPPED ]")) << output.toStdString();

    XCloseDisplay(x);
    server.terminate();
    if (!server.waitForFinished(10000))
        server.kill();
    server.waitForFinished(10000);
#endif
}

} // namespace
