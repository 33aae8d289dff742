// The button on a screen with a device pixel ratio above 1 (the suite runs
// this program at QT_SCALE_FACTOR 2 and 1.5): the frame stays the exact
// logical-pixel face, each logical pixel a block of one colour; the caption
// and icons are drawn at the screen's pixels, as sharp as a Qt label.
#include "controls/xpbutton.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <cmath>

using namespace melodune;
using rt::rgb;

namespace {

struct ScaledButtonTest : ::testing::Test {
    SystemColors colors = SystemColors::classic();
    ScopedSystemColors scope{colors};
    QWidget window;
    void SetUp() override
    {
        window.resize(200, 100);
        window.show();
        ASSERT_GT(window.devicePixelRatioF(), 1.0) << "run with QT_SCALE_FACTOR above 1";
    }
    qreal ratio() const { return window.devicePixelRatioF(); }
};

PackedColor colourAt(const QImage& img, int x, int y)
{
    const QRgb p = img.pixel(x, y);
    return rgb(qRed(p), qGreen(p), qBlue(p));
}

// Of the aligned 2x2 device-pixel blocks that the text changes (the picture
// with the text against the same without), the share whose four pixels are
// one colour: 1 for a text painted at 1x and doubled.
double uniformInkBlockShare(const QImage& withText, const QImage& without)
{
    int ink = 0, uniform = 0;
    for (int y = 0; y + 1 < withText.height(); y += 2)
        for (int x = 0; x + 1 < withText.width(); x += 2) {
            const QRgb a = withText.pixel(x, y), b = withText.pixel(x + 1, y), c = withText.pixel(x, y + 1),
                       d = withText.pixel(x + 1, y + 1);
            const bool changed = a != without.pixel(x, y) || b != without.pixel(x + 1, y) ||
                                 c != without.pixel(x, y + 1) || d != without.pixel(x + 1, y + 1);
            if (!changed)
                continue;
            ++ink;
            if (a == b && a == c && a == d)
                ++uniform;
        }
    return ink ? double(uniform) / ink : 1.0;
}

} // namespace

TEST_F(ScaledButtonTest, CaptionIsAsSharpAsALabel)
{
    if (ratio() != 2.0)
        GTEST_SKIP() << "measured at ratio 2";
    const QString text = QStringLiteral("修改歌词");
    const QFont font(QStringLiteral("宋体"), 9);
    auto* b = new XPButton(QStringLiteral("XPButton5"), &window);
    b->setButtonStyle(8);
    b->setButtonFont(font);
    b->setGeometry(10, 10, 75, 23);
    b->setCaption(text);
    auto* label = new QLabel(text, &window);
    label->setFont(font);
    label->move(100, 10);
    label->show();

    const QImage buttonText = b->grab().toImage();
    b->setCaption(QString());
    const QImage buttonBlank = b->grab().toImage();
    const QImage labelText = label->grab().toImage();
    label->setText(QString());
    const QImage labelBlank = label->grab().toImage();
    ASSERT_EQ(buttonText.size(), QSize(150, 46));

    const double buttonShare = uniformInkBlockShare(buttonText, buttonBlank);
    const double labelShare = uniformInkBlockShare(labelText, labelBlank);
    EXPECT_LT(buttonShare, 0.8);
    EXPECT_NEAR(buttonShare, labelShare, 0.2) << "button " << buttonShare << ", label " << labelShare;
}

TEST_F(ScaledButtonTest, IconUsesTheScreensPixels)
{
    if (ratio() != 2.0)
        GTEST_SKIP() << "measured at ratio 2";
    // A 32-pixel icon in a 16-pixel place shows every one of its pixels at
    // ratio 2; a 16-pixel icon is enlarged by whole pixels, never blurred.
    QImage fine(32, 32, QImage::Format_ARGB32);
    QImage coarse(16, 16, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            fine.setPixel(x, y, ((x + y) & 1) ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
            coarse.setPixel(x / 2, y / 2, ((x / 2 + y / 2) & 1) ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
        }
    for (const QImage* icon : {&fine, &coarse}) {
        auto* b = new XPButton(&window);
        b->setGeometry(10, 10, 60, 24);
        b->setButtonStyle(8);
        b->setIcon(*icon);
        b->setIconVisible(true);
        b->setIconAlign(1); // at (4, 4) in style 8
        b->show();
        const QImage shot = b->grab().toImage();
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb want = icon == &fine ? fine.pixel(x, y) : coarse.pixel(x / 2, y / 2);
                ASSERT_EQ(shot.pixel(8 + x, 8 + y), want) << icon->width() << " at " << x << "," << y;
            }
    }
}

// Every style's frame (no caption, no icon) in its states: each device pixel
// has the colour of the logical pixel its centre lies in, so a frame pixel is
// a block of one colour, never a blend; the logical face is the table's.
TEST_F(ScaledButtonTest, FramePixelsAreWholeLogicalPixels)
{
    const qreal r = ratio();
    const int styles[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 10};
    enum Look { Normal, Pressed, Focused, Disabled };
    for (int style : styles)
        for (Look look : {Normal, Pressed, Focused, Disabled}) {
            auto* b = new XPButton(&window);
            b->setGeometry(10, 10, 61, 23);
            b->setButtonStyle(style);
            b->setCaption(QString());
            b->show();
            if (look == Pressed) {
                QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)),
                                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(b, &press);
            } else if (look == Focused) {
                QFocusEvent in(QEvent::FocusIn);
                QApplication::sendEvent(b, &in);
            } else if (look == Disabled) {
                b->setButtonEnabled(false);
            }
            const QImage shot = b->grab().toImage();
            const PixelSurface& face = b->face();
            ASSERT_EQ(face.width(), 61);
            ASSERT_EQ(shot.width(), int(std::ceil(61 * r)));
            const QRegion mask = b->mask();
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x) {
                    const int lx = int((x + 0.5) / r), ly = int((y + 0.5) / r);
                    if (lx >= 61 || ly >= 23 || !mask.contains(QPoint(lx, ly)))
                        continue;
                    ASSERT_EQ(colourAt(shot, x, y), face.pixel(lx, ly))
                        << "style " << style << " look " << look << " at " << x << "," << y;
                }
            delete b;
        }
    // The logical face is the 1x table's: style 5's frame line.
    XPButton b5(&window);
    b5.setGeometry(10, 10, 61, 23);
    b5.setButtonStyle(5);
    b5.setCaption(QStringLiteral("确 定"));
    EXPECT_EQ(b5.face().pixel(5, 0), rgb(0, 60, 116));
    EXPECT_EQ(b5.face().pixel(1, 1), rgb(72, 110, 144));
}
