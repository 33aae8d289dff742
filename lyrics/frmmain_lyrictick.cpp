// The lyric tick of the main window: every 50 ms the playback position
// becomes the lyric clock, the line stamped with its tenth of a second is
// scrolled to and highlighted, and the picture views get their texts.
#include "core/frmmain.h"

#include "core/settings.h"
#include "lyrics/frmlrc.h"
#include "lyrics/lyrictick.h"
#include "lyrics/richtext.h"
#include "lyrics/richtextview.h"
#include "platform/convert.h"
#include "platform/ui.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QScopeGuard>
#include <QTimer>

namespace melodune {

namespace {

const QString kClosingText = QStringLiteral("谢谢使用！");

} // namespace

void FrmMain::Timer1_Timer()
{
    // The tick lets pending messages run; a tick asked for in between (the
    // play-state handler calls it directly) would work on a half-moved line.
    if (LrcView.lyricTickRunning)
        return;
    LrcView.lyricTickRunning = true;
    const auto running = qScopeGuard([this] { LrcView.lyricTickRunning = false; });

    hideMainIfAsked();
    if (lyricsOutOfSight())
        return;
    Timer[1]->setInterval(50);
    showLyricClock();
    keepLyricViewControls();
    if (const std::optional<LyricLineHit> line = lineSungNow()) {
        moveToSungLine(*line);
        handOnAfterLyricHit();
    }
    showClosingLyricText();
    if (LrcView.LrcMarqueeWidth < 100)
        LrcView.LrcMarqueeWidth = 100;
    paintLyricViews();
}

void FrmMain::hideMainIfAsked()
{
    if (!HideMainPending)
        return;
    HideMainPending = false;
    SetAlwaysOnTopMode(this, false);
    if (lyricsWindowShown())
        hide();
}

bool FrmMain::lyricsOutOfSight() const
{
    if (isMinimized() && settings().LrcViewMode < 100)
        return true;
    return (MediaPlayer1->imageSourceWidth() != 0 || MediaPlayer1->imageSourceHeight() != 0) &&
           MediaPlayer1->displaySize() == rt::MediaControl::DisplayFullScreen;
}

void FrmMain::showLyricClock()
{
    LrcView.LrcClock = MediaPlayer1->currentPosition() + double(Lyrics.offset) / 1000.0;
    Label1->setText(lyricClockLabel(LrcView.LrcClock));
    Label2->setText(rt::numberText(Lyrics.offset));
}

void FrmMain::keepLyricViewControls()
{
    SettingsRecord& s = settings();
    const int mode = s.LrcViewMode;
    auto pictureViews = [this](bool on) {
        for (QLabel* p : Picture6)
            p->setVisible(on);
        Picture7->setVisible(on);
        Image6->setVisible(on);
    };
    if (mode == 0) {
        RichTextBox1->setVisible(true);
    } else if (mode == 1) {
        // View 1 paints on the visualiser's surface: the panel goes off.
        if (s.ShowVisual == 1)
            mnuShowVisualS_Click();
        Picture1->show();
        RichTextBox1->setVisible(false);
        pictureViews(false);
    } else if (mode == 2) {
        Picture1->show();
        RichTextBox1->setVisible(false);
        pictureViews(true);
    } else if (mode >= 100) {
        if (!lyricsWindowShown()) {
            LrcView.LrcPaintCounter = 1;
            openLyricsWindow();
        }
    }
}

std::optional<LyricLineHit> FrmMain::lineSungNow()
{
    const QString previousKey = LrcView.LrcTimeKey;
    LrcView.LrcTimeKey = lyricTimeKey(LrcView.LrcClock);
    LrcView.lyricIndex.follow(RichTextBox1->text());
    std::optional<LyricLineHit> line = LrcView.lyricIndex.find(LrcView.LrcTimeKey);
    // A tick that came late (a busy machine, a slow repaint) has passed over
    // tenths: the latest line stamped in them is sung now.
    if (!line)
        for (const QString& key : passedTimeKeys(previousKey, LrcView.LrcTimeKey))
            if ((line = LrcView.lyricIndex.find(key)))
                break;
    // A clock that stands still (paused with the tick on, a stalled stream)
    // keeps finding the line already highlighted; moving to it again would
    // scroll the box away and make the previous line the current one. A
    // seek back onto the same line is a new hit.
    if (line && LrcView.LrcTimeKey == previousKey && line->highlightStart1() == Lyrics.highlightStart &&
        line->highlightLength() == Lyrics.highlightLength)
        return std::nullopt;
    return line;
}

void FrmMain::moveToSungLine(const LyricLineHit& line)
{
    const int mode = settings().LrcViewMode;
    RichTextBox1->lineScroll(1);
    if (mode >= 100 && lyricsWindowShown())
        if (RichTextModel* copy = lyricsWindowBox())
            copy->lineScroll(1);

    LrcView.LrcCurTime = line.time;
    if (!isZeroStamp(LrcView.LrcCurTime))
        LrcView.LrcPrevLine = LrcView.LrcCurLine;
    LrcView.LrcCurLine = line.text;
    highlightSungLine(line);
    showSungLineInViews(line);
}

void FrmMain::highlightSungLine(const LyricLineHit& line)
{
    const SettingsRecord& s = settings();
    RichTextModel* copy = (s.LrcViewMode >= 100 && lyricsWindowShown()) ? lyricsWindowBox() : nullptr;
    const int oldStart = Lyrics.highlightStart;
    const int oldLength = Lyrics.highlightLength;
    Lyrics.highlightStart = line.highlightStart1();
    Lyrics.highlightLength = line.highlightLength();
    for (RichTextModel* box : {RichTextBox1, copy}) {
        if (!box)
            continue;
        moveLyricHighlight(*box, oldStart, oldLength, Lyrics.highlightStart, Lyrics.highlightLength,
                           s.LrcTextColor, s.LrcHighlightColor);
        box->setSelStart(Lyrics.highlightStart - 1 + Lyrics.highlightLength + 2);
        // The caret alone leaves the sung line out of view after a seek:
        // above the box after one back, at its foot after one forward.
        keepSungLineInView(*box, Lyrics.highlightStart);
    }
}

void FrmMain::showSungLineInViews(const LyricLineHit& line)
{
    LrcView.LrcNextTime = line.nextTime;
    LrcView.LrcNextLine = line.nextText;

    const MarqueeParams m = marqueeFor(LrcView.LrcCurLine, LrcView.LrcCurTime, LrcView.LrcNextTime);
    LrcView.LrcMarqueeStep = m.step;
    LrcView.LrcMarqueeX = m.x;
    LrcView.LrcMarqueeWidth = m.width;

    const int mode = settings().LrcViewMode;
    if (mode == 2 || mode == 102)
        layoutLyricStripOnHit(mode == 102);
}

void FrmMain::handOnAfterLyricHit()
{
    QCoreApplication::processEvents();
    // The box hands its focus on as it gets it; only a focus it still holds
    // is moved, never one the user gave elsewhere (the lyric editor, the
    // list).
    if (RichTextBox1View->hasFocus())
        PicShape->setFocus();
    if (settings().LrcViewMode >= 100 && lyricsWindowShown())
        focusLyricsWindow();
    Timer[1]->setInterval(110);
}

void FrmMain::showClosingLyricText()
{
    // Again on every tick of the last three seconds: the marquee stands and
    // the strip stays centred and white.
    const double duration = MediaPlayer1->duration();
    if (duration == 0 || !(duration - MediaPlayer1->currentPosition() < 3) || Lyrics.highlightStart <= 0 ||
        Lyrics.highlightLength <= 0)
        return;
    const int mode = settings().LrcViewMode;
    RichTextBox1->setSelStart(RichTextBox1->length());
    if (mode >= 100 && lyricsWindowShown())
        if (RichTextModel* copy = lyricsWindowBox())
            copy->setSelStart(RichTextBox1->length());
    LrcView.LrcPrevLine.clear();
    LrcView.LrcNextLine.clear();
    LrcView.LrcCurLine = QStringLiteral("    ") + kClosingText;
    LrcView.LrcMarqueeX = 0;
    LrcView.LrcMarqueeStep = 0;
    LrcView.LrcStripRed = LrcView.LrcStripGreen = LrcView.LrcStripBlue = 255;
    if (mode == 2) {
        LrcView.LrcCurLine = kClosingText;
        centreLyricStripOnEndText(false);
    } else if (mode == 102) {
        LrcView.LrcPrevLine = rt::appTitle() + QStringLiteral(" %1.%2.%3")
                                           .arg(services_.versionMajor)
                                           .arg(services_.versionMinor)
                                           .arg(services_.versionRevision);
        LrcView.LrcCurLine = kClosingText;
        centreLyricStripOnEndText(true);
    }
}

// ---- the full-screen lyrics window ------------------------------------------

FrmLrc* FrmMain::lyricsWindow(bool create)
{
    if (frmLrc_ && frmLrc_->unloaded())
        frmLrc_ = nullptr; // going; the next one that is asked for is new
    if (!frmLrc_ && create) {
        frmLrc_ = new FrmLrc(*this);
        connect(this, &FrmMain::programEnded, frmLrc_.data(), &FrmLrc::detach);
    }
    return frmLrc_.data();
}

void FrmMain::destroyLyricsWindow()
{
    delete frmLrc_.data();
}

bool FrmMain::lyricsWindowShown() const
{
    return frmLrc_ && !frmLrc_->unloaded() && frmLrc_->isVisible();
}

bool FrmMain::lyricsWindowAvailable() const { return true; }

void FrmMain::openLyricsWindow()
{
    // The window fills and shows itself 1 ms later.
    lyricsWindow(true)->Timer[1]->start();
}

void FrmMain::closeLyricsWindow()
{
    if (FrmLrc* w = lyricsWindow())
        w->close();
}

void FrmMain::focusLyricsWindow()
{
    if (FrmLrc* w = lyricsWindow())
        w->Picture1->setFocus();
}

RichTextModel* FrmMain::lyricsWindowBox() const
{
    return frmLrc_ && !frmLrc_->unloaded() ? frmLrc_->RichTextBox1 : nullptr;
}

void FrmMain::setLyricBackground(const QPixmap& picture)
{
    Image6->setPixmap(picture);
    // Never made for this: a window made later takes its own.
    if (FrmLrc* w = lyricsWindow())
        w->Image1->setPixmap(picture);
}

} // namespace melodune
