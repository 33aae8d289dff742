// The main window's side of the lyrics web service: the timers, the candidate
// list and its pop-up menu, and the menu commands of the web searches.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/settings.h"
#include "lyrics/lrcreply.h"
#include "lyrics/lrcservice.h"
#include "lyrics/lrcservicecontroller.h"
#include "lyrics/richtext.h"
#include "lyrics/websearch.h"
#include "platform/units.h"

#include <QAction>
#include <algorithm>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>

namespace melodune {

namespace {

// Where the candidate list sits over the lyric area, in twips.
constexpr int ListLeft = -10, ListTop = 310, ListWidth = 4950, ListHeight = 3270;

} // namespace

// What the controller asks of the window, and the list's mouse events.
class LrcWebWindow : public QObject, public LrcWindow {
public:
    explicit LrcWebWindow(FrmMain& w) : w_(w) {}

    LrcRequestController* ctrl = nullptr;

    void setPollTimer(bool on) override { on ? w_.Timer[2]->start() : w_.Timer[2]->stop(); }
    void setCountdownTimer(bool on) override { on ? w_.Timer[9]->start() : w_.Timer[9]->stop(); }

    void candidateListChanged() override
    {
        const CandidateList& l = ctrl->candidateList();
        QListWidget* list = w_.List2;
        const QSignalBlocker block(list);
        QStringList shown;
        shown.reserve(l.entries.size());
        for (const QString& e : l.entries)
            shown << candidateShownText(e);
        bool same = list->count() == shown.size();
        for (int i = 0; same && i < list->count(); ++i)
            same = list->item(i)->text() == shown[i];
        if (!same) {
            list->clear();
            list->addItems(shown);
        }
        list->setCurrentRow(l.selected);
        if (l.selected < 0)
            list->clearSelection();
        list->setEnabled(l.enabled);
        list->setToolTip(candidateShownText(l.toolTip));
        if (l.visible && list->isHidden()) {
            place();
            list->raise();
        }
        list->setVisible(l.visible);
    }

    void setLyricsLoaded(bool on) override { w_.LrcView.LyricsLoaded = on; }
    void setLrcPath(const QString& path) override { w_.LrcView.LrcPath = path; }
    void closeLyricEditor(bool buttonEnabled) override
    {
        // Button, captions and box follow the closed editor together.
        w_.closeLyricEditor();
        w_.XPButtons[5]->setButtonEnabled(buttonEnabled);
    }
    void stopLyricTick() override
    {
        w_.Timer[1]->stop();
        w_.Label1->setText(QString());
    }
    void startLyricTick() override { w_.Timer[1]->start(); }
    void setContinueFuzzyEnabled(bool on) override
    {
        w_.PopOpenLRC5->setEnabled(on);
    }
    void disableFuzzyCommands() override
    {
        w_.mnuOpenLRC2->setEnabled(false);
        w_.PopOpenLRC2->setEnabled(false);
    }
    void suspendAnimation() override { w_.Timer[4]->stop(); }
    void resumeAnimation() override
    {
        if (settings().ShowRecVolume == 1 || settings().ShowVisual == 1)
            w_.Timer[4]->start();
    }
    void loadTrackLyrics() override { w_.LoadTrackLyrics(); }
    void refreshLyricsWindow() override
    {
        // The window copies the new text in its fill step.
        if (w_.lyricsWindowShown() && settings().LrcViewMode > 99)
            w_.openLyricsWindow();
    }
    void storeCurrentExt(const QString& ext) override { w_.Track.CurrentExt = ext; }
    QString mediaAuthor() override { return w_.MediaPlayer1->getMediaInfoString(rt::MediaControl::InfoAuthor); }
    int playState() override { return w_.MediaPlayer1->playState(); }
    double duration() override { return w_.MediaPlayer1->duration(); }
    void pause() override { w_.MediaPlayer1->pause(); }
    void play() override { w_.MediaPlayer1->play(); }

protected:
    // Mouse events of the list's viewport.
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched == w_.List2->viewport()) {
            if (e->type() == QEvent::MouseButtonRelease) {
                ctrl->listMouseUp();
                if (static_cast<QMouseEvent*>(e)->button() == Qt::RightButton)
                    w_.Popmnu5->popup(QCursor::pos());
            } else if (e->type() == QEvent::MouseMove) {
                ctrl->listMouseMove();
            }
        }
        return QObject::eventFilter(watched, e);
    }

private:
    // Over the lyric area, kept inside the lyric panel: the designed width
    // is wider than our panel.
    void place()
    {
        const QRect area = w_.Picture1->geometry(); // the lyric panel
        const int left = std::max(rt::twipsToPixels(ListLeft), 0);
        const int top = std::clamp(rt::twipsToPixels(ListTop), 0, area.height() - 1);
        const int width = std::min(rt::twipsToPixels(ListWidth), area.width() - left);
        const int height = std::min(rt::twipsToPixels(ListHeight), area.height() - top);
        w_.List2->setGeometry(area.x() + left, area.y() + top, width, height);
    }

    FrmMain& w_;
};

void FrmMain::LrcWebDeleter::operator()(LrcWebWindow* p) const
{
    delete p;
}

void FrmMain::LrcWebDeleter::operator()(LrcRequestController* p) const
{
    delete p;
}

void FrmMain::connectLrcWebHandlers()
{
    LrcWeb.reset(new LrcWebWindow(*this));
    Lrc.reset(new LrcRequestController(*RichTextBox1, Lyrics, *LrcWeb));
    LrcWeb->ctrl = Lrc.get();
    // The connections end with LrcWeb, right after the controller is gone.
    QObject* ctx = LrcWeb.get();
    Lrc->setClientVersion(lrcVersionText(services_.versionMajor, services_.versionMinor, services_.versionRevision));

    // Timers: only the controller switches them.
    Timer[2]->setInterval(1000);
    Timer[9]->setInterval(1000);
    connect(Timer[2], &QTimer::timeout, ctx, [this] {
        // A reply for a track that is no longer the current one is dropped.
        if (Lrc->track().file != Track.CurrentFile) {
            Lrc->stopTimers();
            return;
        }
        Lrc->pollTick();
    });
    connect(Timer[9], &QTimer::timeout, ctx, [this] {
        Timer[9]->setInterval(1000);
        if (Lrc->track().file != Track.CurrentFile) {
            Lrc->reset();
            return;
        }
        Lrc->countdownTick();
    });

    auto onTriggered = [ctx](QAction* item, auto handler) { connect(item, &QAction::triggered, ctx, handler); };
    onTriggered(mnuOpenLRC2, [this] { mnuOpenLRC2_Click(); });
    onTriggered(PopOpenLRC2, [this] { mnuOpenLRC2_Click(); });
    onTriggered(PopOpenLRC5, [this] { mnuOpenLRC2_Click(); });
    onTriggered(PopDownLrc5, [this] { Lrc->listDoubleClicked(); });
    onTriggered(PopNotLRC5, [this] { mnuNotLRC_Click(); });
    onTriggered(PopReOpenLRC5, [this] { mnuReOpenLRC_Click(); });
    onTriggered(mnuSearch1, [this] { mnuSearch1_Click(); });
    onTriggered(PopSearch1, [this] { mnuSearch1_Click(); });
    onTriggered(mnuSearch2, [this] { mnuSearch2_Click(); });
    onTriggered(PopSearch2, [this] { mnuSearch2_Click(); });
    onTriggered(mnuSearch3, [this] { mnuSearch3_Click(); });
    onTriggered(PopSearch3, [this] { mnuSearch3_Click(); });

    // The candidate list.
    connect(List2, &QListWidget::currentRowChanged, ctx, [this](int row) { Lrc->userSelect(row); });
    connect(List2, &QListWidget::itemDoubleClicked, ctx, [this] { Lrc->listDoubleClicked(); });
    List2->viewport()->setMouseTracking(true);
    List2->viewport()->installEventFilter(LrcWeb.get());
}

void FrmMain::requestLyricsFromService()
{
    Lrc->setTrack({Track.CurrentFile, Track.CurrentTitle, Track.CurrentExt});
    if (settings().AutoDownloadLrc)
        Lrc->requestExact();
}

void FrmMain::resetLyricsService()
{
    Lrc->reset();
    Lrc->setTrack({Track.CurrentFile, Track.CurrentTitle, Track.CurrentExt});
}

void FrmMain::stopLyricsServiceTimers()
{
    // The restart path stops Timer2 and Timer9 itself: the controller follows.
    const bool stoppedElsewhere = (Lrc->pollRunning() && !Timer[2]->isActive()) ||
                                  (Lrc->countdownRunning() && !Timer[9]->isActive());
    if (stoppedElsewhere || MediaPlayer1->fileName() != Lrc->track().file)
        Lrc->stopTimers();
}

void FrmMain::mnuOpenLRC2_Click()
{
    Lrc->setTrack({Track.CurrentFile, Track.CurrentTitle, Track.CurrentExt});
    Lrc->fuzzySearchCommand();
}

void FrmMain::mnuSearch1_Click()
{
    openLyricsSitePage();
}

void FrmMain::mnuSearch2_Click()
{
    searchMp3();
}

void FrmMain::mnuSearch3_Click()
{
    searchImages();
}

} // namespace melodune
