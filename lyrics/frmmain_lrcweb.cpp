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

    void setLyricsLoaded(bool on) override { w_.LyricsLoaded = on; }
    void setLrcPath(const QString& path) override { w_.LrcPath = path; }
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
        if (QAction* a = w_.PopOpenLRC5)
            a->setEnabled(on);
    }
    void disableFuzzyCommands() override
    {
        for (const char* name : {"mnuOpenLRC2", "PopOpenLRC2"})
            if (QAction* a = w_.mnu(QString::fromLatin1(name)))
                a->setEnabled(false);
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
    void storeCurrentExt(const QString& ext) override { w_.CurrentExt = ext; }
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
                    if (QMenu* m = w_.Popmnu5)
                        m->popup(QCursor::pos());
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

namespace {

// Moves `item` of `menu` right after `prev`; to the end when `prev` is not
// in the menu.
void moveAfter(QMenu* menu, QAction* item, QAction* prev)
{
    if (prev == item)
        return;
    menu->removeAction(item);
    const QList<QAction*> actions = menu->actions();
    const qsizetype at = prev ? actions.indexOf(prev) : -1;
    menu->insertAction(at >= 0 && at + 1 < actions.size() ? actions[at + 1] : nullptr, item);
}

} // namespace

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
        if (Lrc->track().file != CurrentFile) {
            Lrc->stopTimers();
            return;
        }
        Lrc->pollTick();
    });
    connect(Timer[9], &QTimer::timeout, ctx, [this] {
        Timer[9]->setInterval(1000);
        if (Lrc->track().file != CurrentFile) {
            Lrc->reset();
            return;
        }
        Lrc->countdownTick();
    });

    // Menus: make the items that the design or the other handlers have not.
    auto ensureMenu = [this](const QString& name, const QString& caption) {
        QMenu* m = menu(name);
        return m ? m : addSubMenu({}, name, caption);
    };
    auto ensureItem = [this](const QString& menuName, const QString& name, const QString& caption,
                             const QString& after) {
        if (!mnu(name)) {
            addMenuItem(menuName, name, caption);
            moveAfter(menu(menuName), mnu(name), mnu(after));
        }
    };

    QMenu* pop5 = ensureMenu(QStringLiteral("Popmnu5"), QStringLiteral("歌词列表"));
    if (pop5->actions().isEmpty()) {
        addMenuItem(QStringLiteral("Popmnu5"), QStringLiteral("PopDownLrc5"), QStringLiteral("立即下载选中的歌词"));
        addSeparator(QStringLiteral("Popmnu5"));
        addMenuItem(QStringLiteral("Popmnu5"), QStringLiteral("PopOpenLRC5"), QStringLiteral("继续模糊查找歌词"));
        addSeparator(QStringLiteral("Popmnu5"));
        addMenuItem(QStringLiteral("Popmnu5"), QStringLiteral("PopNotLRC5"), QStringLiteral("设置当前曲目不用歌词"));
        addSeparator(QStringLiteral("Popmnu5"));
        addMenuItem(QStringLiteral("Popmnu5"), QStringLiteral("PopReOpenLRC5"), QStringLiteral("重新装载歌词"));
    }
    ensureMenu(QStringLiteral("Popmnu1"), QStringLiteral("歌词"));
    ensureItem(QStringLiteral("Popmnu1"), QStringLiteral("PopOpenLRC2"), QStringLiteral("模糊查找/替换歌词[联网]"),
               QStringLiteral("PopOpenLRC"));
    ensureItem(QStringLiteral("Popmnu1"), QStringLiteral("PopSearch1"), QStringLiteral("LRC歌词搜索下载站"),
               QStringLiteral("PopOpenLRC2"));
    ensureMenu(QStringLiteral("Popmnu2"), QStringLiteral("图片"));
    ensureItem(QStringLiteral("Popmnu2"), QStringLiteral("PopSearch3"), QStringLiteral("百度图片搜索"),
               QStringLiteral("PopOpenPic"));
    ensureItem(QStringLiteral("mnuView"), QStringLiteral("mnuSearch3"), QStringLiteral("百度图片搜索(I)"),
               QStringLiteral("mnuOpenPic"));

    auto onTriggered = [this, ctx](const char* name, auto handler) {
        connect(mnu(QString::fromLatin1(name)), &QAction::triggered, ctx, handler);
    };
    onTriggered("mnuOpenLRC2", [this] { mnuOpenLRC2_Click(); });
    onTriggered("PopOpenLRC2", [this] { mnuOpenLRC2_Click(); });
    onTriggered("PopOpenLRC5", [this] { mnuOpenLRC2_Click(); });
    onTriggered("PopDownLrc5", [this] { Lrc->listDoubleClicked(); });
    onTriggered("PopNotLRC5", [this] { mnuNotLRC_Click(); });
    onTriggered("PopReOpenLRC5", [this] { mnuReOpenLRC_Click(); });
    onTriggered("mnuSearch1", [this] { mnuSearch1_Click(); });
    onTriggered("PopSearch1", [this] { mnuSearch1_Click(); });
    onTriggered("mnuSearch2", [this] { mnuSearch2_Click(); });
    onTriggered("PopSearch2", [this] { mnuSearch2_Click(); });
    onTriggered("mnuSearch3", [this] { mnuSearch3_Click(); });
    onTriggered("PopSearch3", [this] { mnuSearch3_Click(); });
    connect(XPButtons[25], &XPButton::Click, ctx, [this] { mnuSearch1_Click(); });

    // The candidate list.
    connect(List2, &QListWidget::currentRowChanged, ctx, [this](int row) { Lrc->userSelect(row); });
    connect(List2, &QListWidget::itemDoubleClicked, ctx, [this] { Lrc->listDoubleClicked(); });
    List2->viewport()->setMouseTracking(true);
    List2->viewport()->installEventFilter(LrcWeb.get());
}

void FrmMain::requestLyricsFromService()
{
    Lrc->setTrack({CurrentFile, CurrentTitle, CurrentExt});
    if (settings().AutoDownloadLrc)
        Lrc->requestExact();
}

void FrmMain::resetLyricsService()
{
    Lrc->reset();
    Lrc->setTrack({CurrentFile, CurrentTitle, CurrentExt});
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
    Lrc->setTrack({CurrentFile, CurrentTitle, CurrentExt});
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
