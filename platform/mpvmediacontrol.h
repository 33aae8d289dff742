#pragma once
// The media control over libmpv.
#include "platform/mediacontrol.h"

#include <QList>
#include <QPair>
#include <QElapsedTimer>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <optional>

struct mpv_handle;
struct mpv_event;

namespace rt {

class MpvVideoSurface;

struct MpvOptions {
    // mpv options (name, value) applied after the control's own defaults,
    // e.g. {"ao","null"}. "vo": unset or "libmpv" draws through the render
    // API into a window embedded in the view while a video is open; "null"
    // draws nothing; any other output is embedded in a native child window.
    QList<QPair<QString, QString>> options;
    // Bound on opening a media (a dead stream address fails after it).
    int openTimeoutMs = 10000;

    // "name=value,name=value"; "open-timeout-ms" sets openTimeoutMs.
    static MpvOptions parse(const QString& text);
    // From the environment variable MELODUNE_MPV_OPTIONS (unset: defaults).
    static MpvOptions fromEnvironment();
    QString value(const QString& name) const;
};

// What the player is given to open for a track name: a local path as an
// absolute file name, so that no name is ever read as one of the player's own
// protocols; a stream address of a network scheme (http, https, rtsp, rtmp,
// mms and their kin) unchanged; a file:// address as the file it names.
// Nothing for any other address: the player's internal ones (fd://, av://,
// edl://, memory:// ...) would read our own descriptors or make media up.
std::optional<QByteArray> mpvOpenTarget(const QString& name);

// The audio filter that gives `balance` (-5000..5000, hundredths of a dB off
// the other channel); empty for 0.
QString mpvBalanceFilter(int balance);

class MpvMediaControl : public MediaControl {
    Q_OBJECT
public:
    // Makes the view only: libmpv is opened and the player started by
    // prepare() or by the first call that needs them (see mpvlibrary.h).
    // The player needs the C numeric locale (set then if the application
    // changed it).
    explicit MpvMediaControl(const MpvOptions& options = MpvOptions::fromEnvironment(),
                             QWidget* viewParent = nullptr, QObject* parent = nullptr);
    ~MpvMediaControl() override;

    MediaView* widget() const override { return view_; }
    // Opens libmpv on a worker thread, then starts the player here.
    void prepare() override;
    void setFileName(const QString& name) override;
    QString fileName() const override { return fileName_; }
    int playState() const override { return state_; }
    double duration() const override;
    double currentPosition() const override;
    void setCurrentPosition(double seconds) override;
    int imageSourceWidth() const override { return pictureSize().first; }
    int imageSourceHeight() const override { return pictureSize().second; }
    int displaySize() const override;
    void setDisplaySize(int size) override;
    void play() override;
    void pause() override;
    void stop() override;
    QString getMediaInfoString(int index) const override;
    int balance() const override { return balance_; }
    void setBalance(int value) override;
    bool showControls() const override { return showControls_; }
    void setShowControls(bool on) override { showControls_ = on; }

    // A player property as text (empty when unknown), for diagnostics.
    QString propertyText(const char* name) const;

private:
    // The player, started on first need; false (Unavailable raised once)
    // when libmpv is missing or refuses the options.
    bool startPlayer();
    void createPlayer();
    bool isOpen() const { return state_ != Closed; }
    void setState(int s);
    void closeMedia();
    void drainEvents();
    void handleEvent(const mpv_event& ev);
    void reachEnd(bool unloaded);
    // The sound output failed and mpv dropped the media: it stays open here.
    void loseOutput();
    // Where playback is by the last position read and the time since.
    double estimatedPosition() const;
    void notePosition(double seconds) const;
    void seekTo(double seconds);
    void setPaused(bool paused);
    QPair<int, int> pictureSize() const;
    static QPair<int, int> videoTrackSize(mpv_handle* mpv);
    // The picture window exists exactly while an open media has a picture.
    // Made at mpv's hook before it picks the tracks, which waits until the
    // window's render context is ready (or cannot be made).
    void prepareSurface(std::uint64_t hookId);
    void dropSurface();
    void continuePendingHook();

    mpv_handle* mpv_ = nullptr;
    QString unavailable_; // why the player could not be started
    bool preparing_ = false;
    MpvOptions options_;
    QPointer<MediaView> view_;
    QPointer<MpvVideoSurface> surface_;
    bool renderApi_ = false;  // vo=libmpv: video drawn by our surface
    std::optional<std::uint64_t> pendingHook_; // mpv waits in it for the surface
    std::atomic_bool drainQueued_{false};

    QString fileName_;
    QByteArray openTarget_;   // what the player was given for fileName_
    int state_ = Closed;
    qint64 entryId_ = 0;      // mpv's playlist entry of the open media
    QPair<int, int> trackPicture_{0, 0}; // its video track's size, 0 x 0 for none
    bool loading_ = false;    // inside setFileName's wait
    quint64 openSerial_ = 0;  // bumped by every open, to spot one made during a wait
    bool endReported_ = false;
    std::optional<double> pendingSeek_; // time-pos lags a seek until it is done
    quint64 serial_ = 0;      // bumped by every transport change
    // After a failed sound output: mpv has nothing loaded, play() opens the
    // media again at resumeAt_ (resuming_ until it has loaded).
    bool outputLost_ = false;
    bool resuming_ = false;
    double resumeAt_ = 0.0;
    double knownDuration_ = 0.0;
    mutable double lastPosition_ = 0.0;   // the last position read
    mutable QElapsedTimer lastPositionClock_;
    int balance_ = 0;
    int displaySize_ = DisplayDefault;
    bool showControls_ = true;
};

} // namespace rt
