#pragma once
// The lyrics web service as the main window uses it: the exact and fuzzy
// requests, the once-a-second poll for the reply with its countdown and
// time-out, the handling of the reply, and the candidate list with its
// countdown and automatic choice. The window forwards its timer ticks and
// list events here and mirrors what the controller asks of it through
// LrcWindow; the lyric box is driven directly through its model.
//
// Downloads run asynchronously (rt::UrlDownload); the reply file appears only
// complete. A request that is abandoned (new request, stopTimers(), reset())
// drops its transfer, so a late reply never lands.
#include "lyrics/lrcservice.h"
#include "platform/urldownload.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace melodune {

class RichTextModel;
struct LyricState;
struct LrcParseResult;

// What the controller needs the main window to do. Defaults do nothing.
class LrcWindow {
public:
    virtual ~LrcWindow() = default;
    // Timer2 (poll) and Timer9 (candidate countdown) Enabled. The window's
    // timers call pollTick() / countdownTick() every 1000 ms while on.
    virtual void setPollTimer(bool on) = 0;
    virtual void setCountdownTimer(bool on) = 0;
    // List2 is to show candidateList() (entries, selection, visibility,
    // tool-tip). Mirror it without forwarding the selection change back.
    virtual void candidateListChanged() {}
    // LyricsLoaded / LrcPath of the main window.
    virtual void setLyricsLoaded(bool) {}
    virtual void setLrcPath(const QString&) {}
    // The lyric editor closed: RichTextBox2 hidden, XPButton5 caption
    // "修改歌词" and tool-tip "编辑修改歌词", XPButton5 Enabled = buttonEnabled.
    virtual void closeLyricEditor(bool /*buttonEnabled*/) {}
    // Timer1 (lyric tick) stopped and Label1 emptied / Timer1 started.
    virtual void stopLyricTick() {}
    virtual void startLyricTick() {}
    // PopOpenLRC5 ("继续模糊查找歌词") Enabled.
    virtual void setContinueFuzzyEnabled(bool) {}
    // mnuOpenLRC2 and PopOpenLRC2 disabled until the program restarts.
    virtual void disableFuzzyCommands() {}
    // Timer4 off / on again when ShowRecVolume or ShowVisual is 1.
    virtual void suspendAnimation() {}
    virtual void resumeAnimation() {}
    // LoadTrackLyrics (the caller has suspended the animation).
    virtual void loadTrackLyrics() {}
    // frmLrc's Timer1, when frmLrc is shown and LrcViewMode > 99.
    virtual void refreshLyricsWindow() {}
    // The track's extension after the Filetype rule, stored back as CurrentExt.
    virtual void storeCurrentExt(const QString&) {}
    // The media control: author (GetMediaInfoString 9), PlayState (1 paused,
    // 2 playing), Duration, Pause, Play.
    virtual QString mediaAuthor() { return {}; }
    virtual int playState() { return 0; }
    virtual double duration() { return 0; }
    virtual void pause() {}
    virtual void play() {}
};

// The candidate list box's content.
struct CandidateList {
    QStringList entries; // LyricCandidate texts (candidateEntryText)
    int selected = -1;
    bool visible = false;
    bool enabled = true;
    QString toolTip;
};

class LrcRequestController : public QObject {
    Q_OBJECT
public:
    LrcRequestController(RichTextModel& box, LyricState& lyrics, LrcWindow& window, QObject* parent = nullptr);
    ~LrcRequestController() override;

    // BanBen; default QCoreApplication::applicationVersion().
    void setClientVersion(const QString& version) { version_ = version; }
    // The current track (CurrentFile, CurrentTitle, CurrentExt). An empty
    // file means no track.
    void setTrack(const LrcTrackInfo& track) { track_ = track; }
    const LrcTrackInfo& track() const { return track_; }

    // RequestLyricsDownload: the exact request (LoadTrackLyrics, when the
    // track has no lyric file and AutoDownloadLrc is on).
    void requestExact();
    // RequestLyricsFuzzySearch.
    void requestFuzzy();
    // The fuzzy search command (mnuOpenLRC2_Click and its pop-up forwards).
    void fuzzySearchCommand();

    // Timer2_Timer and Timer9_Timer.
    void pollTick();
    void countdownTick();
    // HandleLyricsReply; the poll calls it when the reply has arrived.
    void handleReply(const QString& path);

    // List2 events. userSelect: the user moved the selection (keyboard or
    // click), which raises the list's Click.
    const CandidateList& candidateList() const { return list_; }
    void setCandidateListEnabled(bool on);
    void userSelect(int row);
    void listClicked();
    // Any mouse release on the list; the window opens Popmnu5 afterwards for
    // the right button.
    void listMouseUp();
    void listMouseMove();
    // List2_DblClick, PopDownLrc5, and the end of the countdown.
    void listDoubleClicked();

    // An open-state change or the restart path: Timer2 and Timer9 off; a
    // transfer under way is dropped.
    void stopTimers();
    // The lyric loader's reset at every track change: also hides the list.
    void reset();

    int lrcTick() const { return tick_; }
    bool pollRunning() const { return pollOn_; }
    bool countdownRunning() const { return countdownOn_; }
    bool downloading() const { return download_.isRunning(); }
    QString replyPath() const;
    rt::UrlDownload& downloader() { return download_; }

signals:
    // A transfer of the current request ended (ok: the reply file is there).
    void downloadFinished(bool ok, const QString& error);

private:
    void search(LrcRequestKind kind);
    void startDownload(const QUrl& url);
    void abandonDownload();
    void releaseBusy();
    void setPoll(bool on);
    void setCountdown(bool on);
    void cancelCountdown();
    void selectByCode(int row);
    void hideList();
    void listChanged();
    void showTimeout();
    void refuseTooLarge();
    // Removes the last reply file; false (logged) when it stays.
    bool removeOldReply();
    // A reply of lyrics, parsed: shown, and kept as the track's lyric file
    // when it has time tags.
    void showReplyLyrics(const QString& replyFile, const LrcParseResult& parsed);
    void storeLyrics(const QString& replyFile);

    RichTextModel& box_;
    LyricState& lyrics_;
    LrcWindow& window_;
    rt::UrlDownload download_;
    LrcTrackInfo track_;
    QString version_;
    CandidateList list_;
    int tick_ = 0; // LrcTick
    bool pollOn_ = false;
    bool countdownOn_ = false;
    bool busyHeld_ = false;
    quint64 transfer_ = 0;
    quint64 generation_ = 0; // moved on by every request and every stop
};

} // namespace melodune
