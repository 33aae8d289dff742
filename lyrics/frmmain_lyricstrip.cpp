// The picture lyric views of the main window: the strip view prints the
// previous, current and next lines over the background picture, the current
// one sliding from right to left and darkening before the next line.
#include "core/frmmain.h"

#include "core/appenv.h"
#include "core/settings.h"
#include "core/shared.h"
#include "lyrics/lyricstrip.h"
#include "platform/clock.h"
#include "platform/units.h"
#include "visual/skin.h"

#include <QLabel>
#include <QTimer>

namespace melodune {

namespace {

int widthTwips(const QWidget* w)
{
    return rt::pixelsToTwips(w->width());
}

int textWidthTwips(const QLabel* box, const QString& text)
{
    return rt::pixelsToTwips(box->fontMetrics().horizontalAdvance(text));
}

// The box is cleared and printed anew; a box whose text and colour did not
// change is left alone, so a tick repaints only the strip that moves.
void printInBox(QLabel* box, const QString& text)
{
    if (box->text() != text)
        box->setText(text);
}

void setForeGrey(QLabel* box, int grey)
{
    const QColor c(grey, grey, grey);
    if (box->palette().color(QPalette::WindowText) == c)
        return;
    QPalette pal = box->palette();
    pal.setColor(QPalette::WindowText, c);
    box->setPalette(pal);
}

} // namespace

// Sets the strip box to its text's width and places it.
void FrmMain::placeLyricStrip()
{
    QLabel* strip = Picture6[1];
    strip->setGeometry(rt::twipsToPixels(LrcStripX), strip->y(), rt::twipsToPixels(LrcStripWidth),
                       strip->height());
}

void FrmMain::paintLyricViews()
{
    if (settings().LrcViewMode == 1) {
        paintLyricMarquee();
        return;
    }
    if (settings().LrcViewMode != 2)
        return; // the lyrics window's views paint elsewhere
    Picture1->clearFrame(); // the marquee's last frame, under the background

    if (LrcPaintCounter == 0)
        Timer[10]->start(); // a new background picture
    if (++LrcPaintCounter > 200)
        LrcPaintCounter = 0;

    QLabel* strip = Picture6[1];
    if (LrcStripX < -LrcStripWidth) {
        // The strip has left the picture.
        LrcPrevLine = LrcCurLine;
        LrcCurLine.clear();
    }
    LrcPrevLine = stripTitleText(LrcPrevLine, kStripWelcome);
    if (isBlankStripText(LrcCurLine)) {
        LrcCurLine = kStripEmptyLine;
        LrcStripWidth = textWidthTwips(strip, LrcCurLine);
        LrcStripStep = 150;
        LrcStripX = widthTwips(Picture1); // enters from the right edge
    }
    LrcNextLine = stripLineText(LrcNextLine);

    LrcStripX -= LrcStripStep;
    LrcStripRed = stripShade(LrcStripRed, LrcCurTime, LrcNextTime, LrcClock);
    LrcStripGreen = LrcStripBlue = LrcStripRed;
    placeLyricStrip();
    setForeGrey(strip, LrcStripRed);

    printInBox(Picture6[0], LrcPrevLine);
    printInBox(strip, LrcCurLine);
    printInBox(Picture6[2], LrcNextLine);
}

// View 1: the three lines as a marquee over the warping visualiser surface.
void FrmMain::paintLyricMarquee()
{
    createVisual();
    if (LrcPaintCounter == 0)
        Visual->BuildTrans(static_cast<std::int32_t>(rt::clock().rnd() * Visual->TransCount()));
    if (++LrcPaintCounter > 100)
        LrcPaintCounter = 0;
    MarqueeParams m{LrcMarqueeX, LrcMarqueeStep, LrcMarqueeWidth};
    Visual->CalcLrc(LrcPrevLine, LrcCurLine, LrcNextLine, m);
    LrcMarqueeX = m.x;
    LrcMarqueeStep = m.step;
    LrcMarqueeWidth = m.width;
    Visual->PaintPictureLrc(*Picture1);
}

void FrmMain::Timer10_Timer()
{
    const SharedState& sh = shared();
    if (!sh.CoverPicPath.isEmpty() && settings().UseCoverAsLrcBack == 1) {
        setLyricBackground(Image2->pixmap());
    } else if (const QString bk = randomBackgroundPath(sh); !bk.isEmpty()) {
        // A missing or unreadable picture keeps the current background.
        if (const QPixmap p = loadPicture(bk); !p.isNull())
            setLyricBackground(p);
    }
    Timer[10]->stop();
}

void FrmMain::layoutLyricStripOnHit(bool lyricsWindow)
{
    if (lyricsWindow)
        return; // the lyrics window lays out its own strip

    QLabel* strip = Picture6[1];
    LrcPrevLine = stripTitleText(LrcPrevLine, kStripWelcome);
    LrcCurLine = stripLineText(LrcCurLine);
    LrcNextLine = stripLineText(LrcNextLine);
    LrcStripWidth = textWidthTwips(strip, LrcCurLine);
    const StripMotion m = stripMotionOnHit(widthTwips(Picture1), LrcStripWidth, LrcCurTime, LrcNextTime, 15);
    LrcStripStep = m.step;
    LrcStripX = m.x;
    placeLyricStrip();
    setForeGrey(strip, LrcStripRed);
}

void FrmMain::centreLyricStripOnEndText(bool lyricsWindow)
{
    if (lyricsWindow)
        return;

    QLabel* strip = Picture6[1];
    LrcStripWidth = textWidthTwips(strip, LrcCurLine);
    LrcStripStep = 0;
    LrcStripX = (widthTwips(Picture1) - LrcStripWidth) / 2;
    placeLyricStrip();
    setForeGrey(strip, 255);
}

} // namespace melodune
