// Video drawn by libmpv's render API inside the media control's widget, on a
// real display.
#include "platform/mpvmediacontrol.h"

#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QTest>
#include <gtest/gtest.h>

using rt::MediaControl;

namespace {

// As the program does before making its QApplication: the video keeps its GL
// context when its widget moves to and from full screen.
[[maybe_unused]] const bool shareContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

template <class Pred>
bool waitUntil(Pred pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

// testsrc is colourful; an undrawn surface is black.
bool showsPicture(rt::MpvMediaControl& mc)
{
    auto* gl = qobject_cast<QOpenGLWidget*>(mc.widget()->surface());
    if (!gl)
        return false;
    const QImage img = gl->grabFramebuffer();
    int lit = 0;
    for (int y = 0; y < img.height(); y += 4)
        for (int x = 0; x < img.width(); x += 4)
            lit += qGray(img.pixel(x, y)) > 40;
    return lit > 20;
}

TEST(MediaVideo, DrawsInsideTheWidgetAndGoesFullScreen)
{
    if (QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "needs the test display";
    QWidget window;
    window.resize(320, 240);
    rt::MpvMediaControl mc(rt::MpvOptions::parse("ao=null,open-timeout-ms=5000"), &window);
    mc.widget()->setGeometry(0, 0, 160, 120);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 3000));
    QTest::qWait(100);

    mc.setFileName("av://lavfi:testsrc=duration=10:size=64x48:rate=10");
    EXPECT_EQ(mc.imageSourceWidth(), 64);
    EXPECT_EQ(mc.imageSourceHeight(), 48);
    mc.play();
    EXPECT_TRUE(waitUntil([&] { return showsPicture(mc); }, 5000));

    mc.setDisplaySize(MediaControl::DisplayFullScreen);
    EXPECT_EQ(mc.displaySize(), MediaControl::DisplayFullScreen);
    EXPECT_TRUE(mc.widget()->isWindow());
    EXPECT_TRUE(waitUntil([&] { return mc.widget()->width() > 160 && showsPicture(mc); }, 5000));
    EXPECT_EQ(mc.playState(), MediaControl::Playing) << "the picture survives the move";

    QTest::keyClick(mc.widget(), Qt::Key_Escape);
    EXPECT_EQ(mc.displaySize(), MediaControl::DisplayDefault);
    EXPECT_EQ(mc.widget()->parentWidget(), &window);
    EXPECT_EQ(mc.widget()->geometry(), QRect(0, 0, 160, 120));
    EXPECT_TRUE(waitUntil([&] { return showsPicture(mc); }, 5000));
    mc.stop();
}

} // namespace
