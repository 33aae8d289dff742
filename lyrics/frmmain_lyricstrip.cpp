// The picture lyric views of the main window: the strip view prints the
// previous, current and next lines over the background picture, the current
// one sliding from right to left and darkening before the next line.
#include "core/frmmain.h"

#include "core/appenv.h"
#include "core/settings.h"
#include "core/shared.h"
#include "lyrics/frmlrc.h"
#include "lyrics/lyricstrip.h"
#include "platform/clock.h"
#include "platform/units.h"
#include "visual/skin.h"

#include <QLabel>
#include <array>
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

// The strip boxes of view 2 (the main window's lyric panel) or of view 102
// (the lyrics window, over the whole screen).
struct StripTarget {
    std::array<QLabel*, 3> boxes{};
    int widthTwips = 0; // the picture's width, or the screen's
    int minStep = 15;
    QString titleFill; // what an empty previous line shows
};

StripTarget stripTarget(FrmMain& w, bool lyricsWindow)
{
    if (lyricsWindow) {
        FrmLrc* lrc = w.lyricsWindow(true);
        return {lrc->Picture2, lrc->screenWidthTwips(), 30, w.Label4->text()};
    }
    return {w.Picture6, widthTwips(w.Picture1), 15, kStripWelcome};
}

void placeStrip(QLabel* strip, int x, int width)
{
    const QRect r(rt::twipsToPixels(x), strip->y(), rt::twipsToPixels(width), strip->height());
    if (strip->geometry() != r)
        strip->setGeometry(r);
}

} // namespace

// Sets the strip box to its text's width and places it.
void FrmMain::placeLyricStrip()
{
    placeStrip(Picture6[1], LrcView.LrcStripX, LrcView.LrcStripWidth);
}

void FrmMain::paintLyricViews()
{
    const int mode = settings().LrcViewMode;
    if (mode == 1) {
        paintLyricMarquee();
        return;
    }
    if (mode == 101) {
        // Only while the window shows: its panel scales the frame itself.
        if (FrmLrc* lrc = lyricsWindowShown() ? lyricsWindow() : nullptr)
            paintLyricMarquee(lrc);
        return;
    }
    if (mode != 2 && mode != 102)
        return;
    // View 102 paints whether or not the window shows.
    const StripTarget t = stripTarget(*this, mode == 102);
    if (mode == 2)
        Picture1->clearFrame(); // the marquee's last frame, under the background

    if (LrcView.LrcPaintCounter == 0)
        Timer[10]->start(); // a new background picture
    if (++LrcView.LrcPaintCounter > 200)
        LrcView.LrcPaintCounter = 0;

    QLabel* strip = t.boxes[1];
    if (LrcView.LrcStripX < -LrcView.LrcStripWidth) {
        // The strip has left the picture.
        LrcView.LrcPrevLine = LrcView.LrcCurLine;
        LrcView.LrcCurLine.clear();
    }
    LrcView.LrcPrevLine = stripTitleText(LrcView.LrcPrevLine, t.titleFill);
    if (isBlankStripText(LrcView.LrcCurLine)) {
        LrcView.LrcCurLine = kStripEmptyLine;
        LrcView.LrcStripWidth = textWidthTwips(strip, LrcView.LrcCurLine);
        LrcView.LrcStripStep = 150;
        LrcView.LrcStripX = t.widthTwips; // enters from the right edge
    }
    LrcView.LrcNextLine = stripLineText(LrcView.LrcNextLine);

    LrcView.LrcStripX -= LrcView.LrcStripStep;
    LrcView.LrcStripRed = stripShade(LrcView.LrcStripRed, LrcView.LrcCurTime, LrcView.LrcNextTime, LrcView.LrcClock);
    LrcView.LrcStripGreen = LrcView.LrcStripBlue = LrcView.LrcStripRed;
    placeStrip(strip, LrcView.LrcStripX, LrcView.LrcStripWidth);
    setForeGrey(strip, LrcView.LrcStripRed);

    printInBox(t.boxes[0], LrcView.LrcPrevLine);
    printInBox(strip, LrcView.LrcCurLine);
    printInBox(t.boxes[2], LrcView.LrcNextLine);
}

// Views 1 and 101: the three lines as a marquee over the warping visualiser
// surface, in the main window's box or, given the lyrics window, in its panel.
void FrmMain::paintLyricMarquee(FrmLrc* lrc)
{
    createVisual();
    if (LrcView.LrcPaintCounter == 0)
        Visual->BuildTrans(static_cast<std::int32_t>(rt::clock().uniform01() * Visual->TransCount()));
    if (++LrcView.LrcPaintCounter > 100)
        LrcView.LrcPaintCounter = 0;
    MarqueeParams m{LrcView.LrcMarqueeX, LrcView.LrcMarqueeStep, LrcView.LrcMarqueeWidth};
    if (lrc)
        Visual->CalcLrc2(LrcView.LrcPrevLine, LrcView.LrcCurLine, LrcView.LrcNextLine, m);
    else
        Visual->CalcLrc(LrcView.LrcPrevLine, LrcView.LrcCurLine, LrcView.LrcNextLine, m);
    LrcView.LrcMarqueeX = m.x;
    LrcView.LrcMarqueeStep = m.step;
    LrcView.LrcMarqueeWidth = m.width;
    if (lrc)
        Visual->PaintPictureLrc2(*lrc->Picture1);
    else
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
    const StripTarget t = stripTarget(*this, lyricsWindow);
    QLabel* strip = t.boxes[1];
    LrcView.LrcPrevLine = stripTitleText(LrcView.LrcPrevLine, t.titleFill);
    LrcView.LrcCurLine = stripLineText(LrcView.LrcCurLine);
    LrcView.LrcNextLine = stripLineText(LrcView.LrcNextLine);
    LrcView.LrcStripWidth = textWidthTwips(strip, LrcView.LrcCurLine);
    const StripMotion m =
        stripMotionOnHit(t.widthTwips, LrcView.LrcStripWidth, LrcView.LrcCurTime, LrcView.LrcNextTime, t.minStep);
    LrcView.LrcStripStep = m.step;
    LrcView.LrcStripX = m.x;
    placeStrip(strip, LrcView.LrcStripX, LrcView.LrcStripWidth);
    setForeGrey(strip, LrcView.LrcStripRed);
}

void FrmMain::centreLyricStripOnEndText(bool lyricsWindow)
{
    const StripTarget t = stripTarget(*this, lyricsWindow);
    QLabel* strip = t.boxes[1];
    LrcView.LrcStripWidth = textWidthTwips(strip, LrcView.LrcCurLine);
    LrcView.LrcStripStep = 0;
    LrcView.LrcStripX = (t.widthTwips - LrcView.LrcStripWidth) / 2;
    placeStrip(strip, LrcView.LrcStripX, LrcView.LrcStripWidth);
    setForeGrey(strip, 255);
}

} // namespace melodune
