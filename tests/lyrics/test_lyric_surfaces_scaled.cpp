// The lyric surfaces on a screen of device pixel ratio 2 (the suite runs
// this program at QT_SCALE_FACTOR 2): the marquee frame and the lyrics
// window's background are made at the screen's pixels, not made at 1x and
// doubled.
#include "lyrics/frmlrc.h"
#include "visual/clsvisual.h"
#include "visual/visualpanel.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

struct ScaledLyricSurfaces : ::testing::Test {
    QWidget window;
    void SetUp() override
    {
        window.resize(420, 320);
        window.show();
        ASSERT_EQ(window.devicePixelRatioF(), 2.0) << "run with QT_SCALE_FACTOR=2";
    }
};

} // namespace

TEST_F(ScaledLyricSurfaces, MarqueeIsResampledToTheScreensPixels)
{
    clsVisual v;
    QString title = QStringLiteral("标题"), line = QStringLiteral("第一句歌词"), next = QStringLiteral("下一句");
    MarqueeParams m{10, 1, 100};
    v.CalcLrc(title, line, next, m);
    auto* panel = new VisualPanel(&window);
    panel->setGeometry(0, 0, 400, 300); // wider and higher than the frame
    panel->show();
    v.PaintPictureLrc(*panel);
    const QImage shot = panel->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(800, 600));

    // Of the lit 2x2 blocks of the frame, the share of one colour: every
    // one of them for a frame made at 334 x 240 and doubled.
    int lit = 0, uniform = 0;
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 668; x += 2) {
            const QRgb a = shot.pixel(x, y), b = shot.pixel(x + 1, y), c = shot.pixel(x, y + 1),
                       d = shot.pixel(x + 1, y + 1);
            if (qGray(a) + qGray(b) + qGray(c) + qGray(d) == 0)
                continue;
            ++lit;
            uniform += a == b && a == c && a == d;
        }
    ASSERT_GT(lit, 100);
    EXPECT_LT(double(uniform) / lit, 0.5) << uniform << " of " << lit;
    // Beyond the frame the panel stays black.
    EXPECT_EQ(shot.pixel(700, 100), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(100, 500), qRgb(0, 0, 0));
}

TEST_F(ScaledLyricSurfaces, BackgroundPictureKeepsItsDetail)
{
    // A 200-pixel picture over 100 logical pixels: at ratio 2 every one of
    // its pixels shows; made at 1x first, the checks would blend to grey.
    QImage checks(200, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            checks.setPixel(x, y, ((x + y) & 1) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    auto* picture = new StretchedPicture(&window);
    picture->setGeometry(10, 10, 100, 100);
    picture->setPixmap(QPixmap::fromImage(checks));
    picture->show();
    const QImage shot = picture->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(200, 200));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(shot.pixel(x, y), checks.pixel(x, y)) << x << "," << y;
}
