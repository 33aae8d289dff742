// On a real X display the shaped window lets what lies behind it show
// through its white parts.
#include "visual/skin.h"
#include "tests/support/skinpictures.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

QColor screenPixel(QPoint global)
{
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), 1, 1);
    return shot.toImage().pixelColor(0, 0);
}

} // namespace

TEST(XSkin, WhiteCornersOfTheSkinShowWhatLiesBehind)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display";

    QWidget behind;
    behind.setWindowFlag(Qt::FramelessWindowHint);
    behind.setAutoFillBackground(true);
    QPalette pal;
    pal.setColor(QPalette::Window, QColor(255, 0, 0));
    behind.setPalette(pal);
    behind.setGeometry(QGuiApplication::primaryScreen()->geometry());
    behind.show();

    // A green disc on white.
    const QImage skin = testsupport::discOnWhite(QSize(200, 100), QColor(0, 200, 0));

    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    auto* pic = new QLabel(&window);
    SkinControls c;
    c.window = &window;
    c.picShape = pic;
    setSkinPicture(pic, QPixmap::fromImage(skin));
    Timer7_Timer(c);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QPoint origin = window.mapToGlobal(pic->pos());
    const QRegion expected = skinRegion(skin)->translated(pic->pos());
    EXPECT_EQ(window.mask(), expected);

    const QPoint inside = origin + QPoint(100, 50);
    const QPoint corner = origin + QPoint(2, 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return screenPixel(inside) == QColor(0, 200, 0); }))
        << screenPixel(inside).name().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return screenPixel(corner) == QColor(255, 0, 0); }))
        << screenPixel(corner).name().toStdString();
}
