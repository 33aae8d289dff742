// The buttons on a real X display: every style in every state side by side
// (saved as a picture to look at), and the balloon tooltip as a shaped
// window of its own.
#include "controls/balloontip.h"
#include "controls/xpbutton.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

QImage grab(const QRect& global)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), global.width(), global.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QColor screenPixel(QPoint global) { return grab(QRect(global, QSize(1, 1))).pixelColor(0, 0); }

// Where the pictures go: MELODUNE_SHOT_DIR when set, else the run's own
// temporary folder.
QString shotPath(const QString& name)
{
    QString dir = qEnvironmentVariable("MELODUNE_SHOT_DIR");
    if (dir.isEmpty())
        dir = qEnvironmentVariable("MELODUNE_TEST_TMP", QDir::tempPath());
    return QDir(dir).filePath(name);
}

QImage noteIcon()
{
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 140, 60));
    p.drawEllipse(QRectF(1, 9, 7, 6));
    p.drawRect(QRectF(6, 2, 2, 10));
    p.drawRect(QRectF(6, 2, 7, 2));
    return icon;
}

void sendEnter(XPButton& b, QPointF at)
{
    QEnterEvent e(at, at, b.mapToGlobal(at));
    QApplication::sendEvent(&b, &e);
}

void sendLeave(XPButton& b)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(&b, &e);
}

void sendToolTip(XPButton& b, QPoint at)
{
    QHelpEvent e(QEvent::ToolTip, at, b.mapToGlobal(at));
    QApplication::sendEvent(&b, &e);
}

QWidget* magentaWindow()
{
    auto* w = new QWidget;
    w->setWindowFlag(Qt::FramelessWindowHint);
    w->setAutoFillBackground(true);
    QPalette pal;
    pal.setColor(QPalette::Window, QColor(255, 0, 255));
    w->setPalette(pal);
    return w;
}

struct XButtons : ::testing::Test {
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display";
    }
};

} // namespace

TEST_F(XButtons, EveryStyleInEveryState)
{
    std::unique_ptr<QWidget> window(magentaWindow());
    const int W = 75, H = 23, gapX = 8, gapY = 6, left = 30;
    enum Look { Normal, Hot, Pressed, Disabled, Focused, Looks };
    const QImage icon = noteIcon();
    XPButton* round[Looks] = {};
    XPButton* style9 = nullptr;
    for (int style = 0; style <= 10; ++style) {
        auto* label = new QLabel(QString::number(style), window.get());
        label->setGeometry(4, gapY + style * (H + gapY), left - 8, H);
        for (int look = 0; look < Looks; ++look) {
            if (look == Focused && style != 7 && style != 8 && style != 10)
                continue;
            auto* b = new XPButton(window.get());
            b->setFocusPolicy(Qt::NoFocus); // the looks are set by hand below
            b->setGeometry(left + look * (W + gapX), gapY + style * (H + gapY), W, H);
            b->setButtonStyle(style);
            b->setNonThemeStyle(5);
            b->setCaption(QStringLiteral("播放"));
            b->setIcon(icon);
            b->setIconVisible(true);
            b->setIconAlign(1);
            if (style == 10)
                round[look] = b;
            if (style == 9 && look == Normal)
                style9 = b;
        }
    }
    window->setGeometry(20, 20, left + Looks * (W + gapX), gapY + 11 * (H + gapY));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    for (auto* b : window->findChildren<XPButton*>()) {
        const int look = (b->x() - left) / (W + gapX);
        if (look == Hot)
            sendEnter(*b, QPointF(30, 10));
        else if (look == Pressed) {
            QMouseEvent e(QEvent::MouseButtonPress, QPointF(30, 10), b->mapToGlobal(QPointF(30, 10)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(b, &e);
        } else if (look == Disabled)
            b->setButtonEnabled(false);
        else if (look == Focused) {
            QFocusEvent e(QEvent::FocusIn);
            QApplication::sendEvent(b, &e);
        }
    }
    EXPECT_EQ(round[Hot]->buttonState(), StateHot);
    EXPECT_EQ(round[Pressed]->buttonState(), StatePressed);
    EXPECT_EQ(round[Disabled]->buttonState(), StateDisabled);
    EXPECT_TRUE(round[Focused]->hasButtonFocus());

    // The round button's shape lets the window show at its outer corners,
    // its face covers the rest.
    const QPoint r0 = round[Normal]->mapToGlobal(QPoint(0, 0));
    const QPoint band = r0 + QPoint(W - 15, 11); // right band, clear of the caption
    EXPECT_TRUE(QTest::qWaitFor([&] { return screenPixel(band) == QColor(232, 231, 234); }))
        << screenPixel(band).name().toStdString();
    EXPECT_EQ(screenPixel(r0), QColor(255, 0, 255));
    EXPECT_EQ(screenPixel(r0 + QPoint(W - 1, H - 1)), QColor(255, 0, 255));
    // Style 9's split gap keeps the base colour.
    const QPoint s9 = style9->mapToGlobal(QPoint(2, 9));
    EXPECT_EQ(screenPixel(s9), rt::toQColor(offsetColor(translateColor(sysColorRef(ColorBtnFace)), -15)));

    const QImage shot = grab(window->geometry());
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(shotPath(QStringLiteral("btn-styles.png"))));
}

TEST_F(XButtons, BalloonTooltipIsAShapedWindowAtThePointer)
{
    std::unique_ptr<QWidget> window(magentaWindow());
    window->setGeometry(100, 100, 360, 200);
    auto* b = new XPButton(QStringLiteral("XPButton1"), window.get());
    b->setGeometry(20, 20, 100, 30);
    b->setButtonStyle(8);
    b->setCaption(QStringLiteral("录音"));
    b->setToolTipType(1);
    b->setButtonToolTip(QStringLiteral("开始录音 & <保存>\n第二行"));
    b->setToolTipTitle(QStringLiteral("录音"));
    b->setToolTipIcon(2);
    b->setToolTipBackColor(rt::rgb(255, 255, 200));
    b->setToolTipForeColor(rt::rgb(0, 0, 128));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    const QPoint at(40, 15);
    const QPoint pointer = b->mapToGlobal(at);
    sendEnter(*b, at);
    sendToolTip(*b, at);
    auto* tip = qobject_cast<BalloonTip*>(b->balloonTip());
    ASSERT_NE(tip, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tip->isVisible(); }));
    EXPECT_TRUE(tip->windowFlags().testFlag(Qt::ToolTip));
    EXPECT_FALSE(tip->mask().isEmpty());
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_EQ(tip->content().title, QStringLiteral("录音"));

    // The stem's tip: the topmost row of the shape, next to the pointer.
    const QRegion shape = tip->mask();
    const int topRow = shape.boundingRect().top();
    int nearest = 1000;
    for (const QRect& r : shape & QRegion(0, topRow, tip->width(), 1))
        for (int x = r.left(); x <= r.right(); ++x) {
            const QPoint g = tip->mapToGlobal(QPoint(x, topRow));
            nearest = std::min(nearest, std::max(std::abs(g.x() - pointer.x()), std::abs(g.y() - pointer.y())));
        }
    EXPECT_LE(nearest, 2);
    // Inside the box, away from the text, the back colour shows on screen.
    const QRect box = tip->geometryUsed().box;
    const QPoint inside = tip->mapToGlobal(QPoint(box.left() + 3, box.center().y()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return screenPixel(inside) == QColor(255, 255, 200); }))
        << screenPixel(inside).name().toStdString();
    // Outside the shape, beside the stem, the window behind shows.
    const QPoint beside = tip->mapToGlobal(QPoint(box.right() - 2, 1));
    EXPECT_EQ(screenPixel(beside), QColor(255, 0, 255));

    const QRect area = window->geometry().united(tip->geometry()).adjusted(-4, -4, 4, 4);
    EXPECT_TRUE(grab(area).save(shotPath(QStringLiteral("btn-balloon.png"))));

    // Leaving hides it.
    sendLeave(*b);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !b->balloonTip() || !b->balloonTip()->isVisible(); }));

    // The plain type shows the ordinary tooltip.
    b->setToolTipType(0);
    sendEnter(*b, at);
    sendToolTip(*b, at);
    EXPECT_EQ(b->balloonTip(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("开始录音")));
    sendLeave(*b);
    QToolTip::hideText();
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));

    // No text: nothing at all, title or not, either type.
    b->setButtonToolTip(QString());
    for (int type : {1, 0}) {
        b->setToolTipType(type);
        sendEnter(*b, at);
        sendToolTip(*b, at); // either tip is made, or not, while the event is handled
        EXPECT_EQ(b->balloonTip(), nullptr) << type;
        EXPECT_FALSE(QToolTip::isVisible()) << type;
        sendLeave(*b);
    }
}

TEST(BalloonShape, StemAtThePointerInsideTheScreen)
{
    const QRect screen(0, 0, 800, 600);
    const QSize box(120, 50);
    struct Case {
        QPoint pointer;
        bool below;
    };
    const Case cases[] = {{{300, 200}, true}, {{2, 5}, true}, {{797, 300}, true}, {{400, 590}, false},
                          {{799, 599}, false}};
    for (const Case& c : cases) {
        const BalloonGeometry g = placeBalloon(box, c.pointer, screen);
        EXPECT_EQ(g.below, c.below) << c.pointer.x() << "," << c.pointer.y();
        EXPECT_TRUE(screen.contains(g.window)) << c.pointer.x() << "," << c.pointer.y();
        EXPECT_EQ(g.window.topLeft() + g.tip, c.pointer);
        const QRegion shape = balloonRegion(g);
        // The tip row holds a pixel within 2 of the tip.
        EXPECT_FALSE((shape & QRegion(g.tip.x() - 2, g.tip.y(), 5, 1)).isEmpty())
            << c.pointer.x() << "," << c.pointer.y();
        EXPECT_TRUE(shape.contains(g.box.center()));
        // The box's own corners are rounded off.
        EXPECT_FALSE(shape.contains(g.box.topLeft()));
        EXPECT_FALSE(shape.contains(g.box.bottomRight()));
        EXPECT_TRUE(QRegion(0, 0, g.window.width(), g.window.height()).contains(shape.boundingRect()));
    }
}
