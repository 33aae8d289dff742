// The lyric view modes of the main window: text box, marquee over the
// visualisation, strips over a picture, or the full-screen lyrics window;
// the commands that switch them and pause or resume the lyric movement.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/settings.h"
#include "lyrics/lyrictick.h"
#include "lyrics/richtext.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

namespace melodune {

namespace {

const QString kViewHint = QStringLiteral("提示：按 H 键全屏显示歌词；按 Esc 键退出全屏。");

// The controls of views 1 and 2: the strips, their panel and the picture.
void setPictureViewControls(FrmMain& w, bool visible)
{
    for (QLabel* p : w.Picture6)
        p->setVisible(visible);
    w.Picture7->setVisible(visible);
    w.Image6->setVisible(visible);
}

// Shows view `n` (0, 1, 2). From a pop-up the text box is hidden only after
// the menu has gone (Timer8).
void showLyricView(FrmMain& w, int n, bool deferTextBoxHide)
{
    // The lyric panel holds the picture views; it is always shown.
    w.Picture1->show();
    if (n == 0) {
        w.RichTextBox1->setVisible(true);
        return;
    }
    if (deferTextBoxHide)
        w.Timer[8]->start();
    else
        w.RichTextBox1->setVisible(false);
    setPictureViewControls(w, n == 2);
}

void restartLyricTick(FrmMain& w)
{
    if (w.MediaPlayer1->playState() == rt::MediaControl::Playing && w.LrcView.LyricsLoaded && !w.Timer[1]->isActive())
        w.Timer[1]->start();
}

void setLyricView(FrmMain& w, int n, bool fromPopup)
{
    if (w.lyricsWindowShown())
        w.closeLyricsWindow();
    settings().LrcViewMode = n;
    showLyricView(w, n, fromPopup);
    w.showSungLineNow();
    restartLyricTick(w);
}

} // namespace

// A view that was hidden or covered drew nothing while the lines went by,
// and what it last drew has moved on (the strip left the picture, the
// marquee ran its line off the surface): the line sung now is taken from the
// clock, as the tick would have hit it, and drawn whole whether the song
// plays or is paused.
void FrmMain::showSungLineNow()
{
    // Under a full-screen video nothing of the lyrics is seen.
    if ((MediaPlayer1->imageSourceWidth() != 0 || MediaPlayer1->imageSourceHeight() != 0) &&
        MediaPlayer1->displaySize() == rt::MediaControl::DisplayFullScreen)
        return;
    LrcView.LrcClock = MediaPlayer1->currentPosition() + double(Lyrics.offset) / 1000.0;
    // The tick goes on from this key: the line is not hit a second time.
    LrcView.LrcTimeKey = lyricTimeKey(LrcView.LrcClock);
    const std::optional<SungLine> sung = sungLineAt(RichTextBox1->text(), LrcView.LrcTimeKey);
    if (sung) {
        const LyricLineHit& line = sung->line;
        if (line.highlightStart1() != Lyrics.highlightStart || line.highlightLength() != Lyrics.highlightLength)
            highlightSungLine(line);
        LrcView.LrcCurTime = line.time;
        LrcView.LrcPrevLine = sung->previousText;
        LrcView.LrcCurLine = line.text;
        showSungLineInViews(line);
    }
    showClosingLyricText();
    if (LrcView.LrcMarqueeWidth < 100)
        LrcView.LrcMarqueeWidth = 100;
    paintLyricViews();
}

void FrmMain::mnuLrcVS0_Click() { setLyricView(*this, 0, false); }
void FrmMain::mnuLrcVS1_Click() { setLyricView(*this, 1, false); }
void FrmMain::mnuLrcVS2_Click() { setLyricView(*this, 2, false); }
void FrmMain::mnuLrcVSH_Click() { XPButton21_Click(); }
void FrmMain::PopLrcVS0_Click() { setLyricView(*this, 0, false); }
void FrmMain::PopLrcVS1_Click() { setLyricView(*this, 1, true); }
void FrmMain::PopLrcVS2_Click() { setLyricView(*this, 2, true); }
void FrmMain::PopLrcVSH_Click() { XPButton21_Click(); }

void FrmMain::Timer8_Timer()
{
    const int mode = settings().LrcViewMode;
    if (mode == 1 || mode == 2)
        RichTextBox1->setVisible(false);
    Timer[8]->stop();
}

void FrmMain::XPButton20_Click()
{
    if (lyricsWindowShown())
        closeLyricsWindow();
    std::int32_t& mode = settings().LrcViewMode;
    switch (mode) {
    case 0:
        mode = 1;
        showLyricView(*this, 1, false);
        break;
    case 1:
        mode = 2;
        showLyricView(*this, 2, false);
        break;
    case 2:
        mode = 0;
        showLyricView(*this, 0, false);
        break;
    default:
        break;
    }
    showSungLineNow();
    Label5->setText(kViewHint);
    Label5->setToolTip(kViewHint);
    restartLyricTick(*this);
}

void FrmMain::XPButton21_Click()
{
    // The window itself opens at the next lyric tick.
    std::int32_t& mode = settings().LrcViewMode;
    if (mode < 100)
        mode += 100;
    restartLyricTick(*this);
}

void FrmMain::mnuLrcSt_Click()
{
    if (Timer[1]->isActive())
        Timer[1]->stop();
    else
        restartLyricTick(*this);
}

void FrmMain::mnuControl_Click()
{
    mnuLrcSt->setEnabled(LrcView.LyricsLoaded || Timer[1]->isActive());
}

namespace {

// The items of views 0, 1 and 2 and of the lyrics window: the one of the
// view in force is checked (the window for any other value).
void checkViewItems(std::initializer_list<QAction*> items)
{
    const int mode = settings().LrcViewMode;
    const int checked = mode >= 0 && mode <= 2 ? mode : 3;
    int i = 0;
    for (QAction* a : items)
        a->setChecked(i++ == checked);
}

} // namespace

void FrmMain::checkLrcViewMenu() { checkViewItems({mnuLrcVS0, mnuLrcVS1, mnuLrcVS2, mnuLrcVSH}); }
void FrmMain::Popmnu1_Click() { checkViewItems({PopLrcVS0, PopLrcVS1, PopLrcVS2, PopLrcVSH}); }

void FrmMain::connectLyricViewHandlers()
{
    // Coarse timers may fire 5 % late and drift against the tenths of the
    // clock; the lyric tick wants its 50 ms.
    Timer[1]->setTimerType(Qt::PreciseTimer);
    connect(Timer[1], &QTimer::timeout, this, &FrmMain::Timer1_Timer, Qt::UniqueConnection);
    connect(Timer[8], &QTimer::timeout, this, &FrmMain::Timer8_Timer, Qt::UniqueConnection);

    onMenuItem(PopLrcVS0, &FrmMain::PopLrcVS0_Click);
    onMenuItem(PopLrcVS1, &FrmMain::PopLrcVS1_Click);
    onMenuItem(PopLrcVS2, &FrmMain::PopLrcVS2_Click);
    onMenuItem(PopLrcVSH, &FrmMain::PopLrcVSH_Click);
    onMenuItem(mnuLrcVS0, &FrmMain::mnuLrcVS0_Click);
    onMenuItem(mnuLrcVS1, &FrmMain::mnuLrcVS1_Click);
    onMenuItem(mnuLrcVS2, &FrmMain::mnuLrcVS2_Click);
    onMenuItem(mnuLrcVSH, &FrmMain::mnuLrcVSH_Click);
    onMenuItem(mnuLrcSt, &FrmMain::mnuLrcSt_Click);

    // The View menu's opening handler (mnuView_Click) checks the view items.
    connect(Popmnu1, &QMenu::aboutToShow, this, &FrmMain::Popmnu1_Click);
    connect(mnuControl, &QMenu::aboutToShow, this, &FrmMain::mnuControl_Click);

    // Back from a full-screen video: the lines passed under it were not hit.
    connect(MediaPlayer1->widget(), &rt::MediaView::fullScreenChanged, this, [this](bool on) {
        if (!on)
            showSungLineNow();
    });

    connect(XPButtons[20], &XPButton::Click, this, &FrmMain::XPButton20_Click);
    connect(XPButtons[21], &XPButton::Click, this, &FrmMain::XPButton21_Click);
}

bool FrmMain::lyricCandidatesShown() const { return !List2->isHidden(); }

void FrmMain::setLyricTextBoxVisible(bool visible) { RichTextBox1->setVisible(visible); }

void FrmMain::setPictureViewVisible(bool visible) { setPictureViewControls(*this, visible); }

} // namespace melodune
