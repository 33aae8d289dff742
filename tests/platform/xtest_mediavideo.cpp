// Video drawn by libmpv's render API inside the media control's widget, on a
// real display; and no OpenGL at all while only sound plays.
#include "platform/mpvmediacontrol.h"
#include "platform/mpvvideosurface.h"
#include "tests/support/audiogen.h"
#include "tests/support/testdir.h"
#include "tests/support/videogen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QOpenGLContext>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using rt::MediaControl;

namespace {

// A 10-second 64 x 48 video in `dir`.
QString testVideo(const testsupport::TestDir& dir)
{
    const QString path = dir.file(QStringLiteral("video.y4m"));
    if (!QFile::exists(path)) {
        EXPECT_TRUE(testsupport::writeTestVideo(path, testsupport::VideoSpec{.seconds = 10.0}));
    }
    return path;
}

rt::MpvVideoSurface* videoWindow()
{
    for (QWindow* w : QGuiApplication::allWindows())
        if (auto* gl = qobject_cast<rt::MpvVideoSurface*>(w))
            return gl;
    return nullptr;
}

// Every window of the process that draws through OpenGL (the video window,
// or a top-level composed through OpenGL).
QStringList glWindows()
{
    QStringList out;
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->surfaceType() != QSurface::RasterSurface)
            out << QString::fromLatin1(w->metaObject()->className()) + u' ' + w->objectName();
    return out;
}

// Mesa's driver is loaded by the first GL context the process makes.
bool glDriverLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("_dri.so");
}

// The test video is colourful; an undrawn surface is black. What the display
// shows of the picture window.
bool showsPicture()
{
    rt::MpvVideoSurface* gl = videoWindow();
    if (!gl || !gl->isExposed())
        return false;
    const QImage img = gl->screen()->grabWindow(gl->winId()).toImage();
    int lit = 0;
    for (int y = 0; y < img.height(); y += 4)
        for (int x = 0; x < img.width(); x += 4)
            lit += qGray(img.pixel(x, y)) > 40;
    return lit > 20;
}

// A shown 320 x 240 window whose media control draws into its top-left
// 160 x 120.
class MediaVideo : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != u"xcb")
            GTEST_SKIP() << "needs the test display";
        window.resize(320, 240);
        mc.widget()->setGeometry(0, 0, 160, 120);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 3000));
    }

    testsupport::TestDir dir;
    QWidget window;
    rt::MpvMediaControl mc{rt::MpvOptions::parse("ao=null,open-timeout-ms=5000"), &window};
};

// Runs first in the program, while no GL context was ever made in it.
TEST_F(MediaVideo, NoOpenGLWhileOnlySoundPlays)
{
    const QString tone = dir.file(QStringLiteral("tone.wav"));
    ASSERT_TRUE(testsupport::writeSineWav(tone, testsupport::ToneSpec{.seconds = 5.0}));

    mc.setFileName(tone);
    mc.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return mc.currentPosition() > 0.3; }, 5000));
    window.repaint(); // painted now, while playing
    EXPECT_EQ(glWindows(), QStringList());
    EXPECT_EQ(mc.widget()->surface(), nullptr);
    EXPECT_EQ(QOpenGLContext::globalShareContext(), nullptr);
    EXPECT_FALSE(glDriverLoaded()) << "a GL context was made for sound";

    // A video gets its picture window, which leaves the window around it
    // raster-drawn.
    mc.setFileName(testVideo(dir));
    EXPECT_EQ(mc.imageSourceWidth(), 64);
    mc.play();
    EXPECT_TRUE(QTest::qWaitFor([&] { return showsPicture(); }, 5000));
    EXPECT_EQ(glWindows().size(), 1) << glWindows().join(u", ").toStdString();
    EXPECT_EQ(window.windowHandle()->surfaceType(), QSurface::RasterSurface);

    // Sound again: the picture window and its context are gone.
    mc.setFileName(tone);
    mc.play();
    EXPECT_EQ(videoWindow(), nullptr);
    EXPECT_EQ(mc.widget()->surface(), nullptr);
    EXPECT_EQ(glWindows(), QStringList());
    EXPECT_TRUE(QTest::qWaitFor([&] { return mc.currentPosition() > 0.3; }, 5000));
    EXPECT_EQ(mc.playState(), MediaControl::Playing);

    // And a second video draws as the first did.
    mc.setFileName(testVideo(dir));
    mc.play();
    EXPECT_TRUE(QTest::qWaitFor([&] { return showsPicture(); }, 5000));
    mc.setFileName(QString());
    EXPECT_EQ(videoWindow(), nullptr);
}

TEST_F(MediaVideo, DrawsInsideTheWidgetAndGoesFullScreen)
{
    QTest::qWait(100);

    mc.setFileName(testVideo(dir));
    EXPECT_EQ(mc.imageSourceWidth(), 64);
    EXPECT_EQ(mc.imageSourceHeight(), 48);
    mc.play();
    EXPECT_TRUE(QTest::qWaitFor([&] { return showsPicture(); }, 5000));
    ASSERT_NE(videoWindow(), nullptr);
    EXPECT_EQ(videoWindow()->size(), QSize(160, 120));

    mc.setDisplaySize(MediaControl::DisplayFullScreen);
    EXPECT_EQ(mc.displaySize(), MediaControl::DisplayFullScreen);
    EXPECT_TRUE(mc.widget()->isWindow());
    EXPECT_TRUE(QTest::qWaitFor([&] { return videoWindow() && videoWindow()->width() > 160 && showsPicture(); }, 5000));
    EXPECT_EQ(mc.playState(), MediaControl::Playing) << "the picture survives the move";

    QTest::keyClick(mc.widget(), Qt::Key_Escape);
    EXPECT_EQ(mc.displaySize(), MediaControl::DisplayDefault);
    EXPECT_EQ(mc.widget()->parentWidget(), &window);
    EXPECT_EQ(mc.widget()->geometry(), QRect(0, 0, 160, 120));
    EXPECT_TRUE(QTest::qWaitFor([&] { return videoWindow() && videoWindow()->width() == 160 && showsPicture(); }, 5000));
    EXPECT_EQ(mc.playState(), MediaControl::Playing);
    mc.stop();
}

// Frames are drawn away from the window's thread: a handler that holds
// that thread up does not stop the picture, and no frame (nor mpv's wait
// for its display time) holds the window up.
TEST_F(MediaVideo, FramesGoOnWhileTheWindowThreadIsBusy)
{
    mc.setFileName(testVideo(dir)); // 10 frames a second
    mc.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return showsPicture(); }, 5000));

    for (bool fullScreen : {false, true}) {
        SCOPED_TRACE(fullScreen);
        if (fullScreen) {
            mc.setDisplaySize(MediaControl::DisplayFullScreen);
            ASSERT_TRUE(QTest::qWaitFor([&] { return videoWindow() && videoWindow()->width() > 160 && showsPicture(); },
                                        5000));
        }
        rt::MpvVideoSurface* gl = videoWindow();
        ASSERT_NE(gl, nullptr);
        const int before = gl->framesDrawn();
        QElapsedTimer busy;
        busy.start();
        while (busy.elapsed() < 1500) {
        }
        EXPECT_GE(gl->framesDrawn() - before, 3) << "frames drawn while the window's thread was busy";
    }
    mc.stop();
}

} // namespace
