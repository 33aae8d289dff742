#pragma once
// The media control the main window hosts: opens, plays and shows every track
// (audio, video, stream addresses). One interface, a libmpv implementation
// (platform/mpvmediacontrol.h) and a scriptable stand-in for window tests
// (platform/mediacontrolfake.h).
//
// Errors: only setFileName() throws (MediaError), so callers can take their
// restart path; MediaUnavailable, when the player itself cannot be started,
// is no fault of the media and is reported once through Unavailable instead.
// Transport calls and property writes never throw; a call that
// makes no sense in the current state (play with nothing open, full screen
// for audio) is ignored, as callers ignore such failures anyway.
//
// Events: EndOfStream, OpenStateChange and PlayStateChange are always
// delivered through the Qt event loop of the window thread (queued), never
// from inside the call that caused them and never from a decoder thread.
// Handlers read playState() afresh; the signals carry no arguments, but for
// Unavailable's reason.
#include <QObject>
#include <QString>
#include <QWidget>
#include <stdexcept>

namespace rt {

class MediaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MediaUnavailable : public MediaError {
public:
    using MediaError::MediaError;
};

// Host widget of the media control; the main window places it like a child
// window. Video (if any) is drawn inside it. Full screen turns this widget
// into a full-screen window of its own; Esc (or leaveFullScreen) puts it back
// where it was. Other keys and mouse clicks go on to the parent.
class MediaView : public QWidget {
    Q_OBJECT
public:
    explicit MediaView(QWidget* parent = nullptr);
    void enterFullScreen();
    void leaveFullScreen();
    bool isFullScreenMode() const { return fullScreen_; }
    // The widget that shows the picture fills the view (may be null).
    void setSurface(QWidget* surface);
    QWidget* surface() const { return surface_; }

signals:
    void focusReceived();
    void fullScreenChanged(bool on);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QWidget* surface_ = nullptr;
    bool fullScreen_ = false;
    QRect savedGeometry_;
};

class MediaControl : public QObject {
    Q_OBJECT
public:
    enum PlayStateValue : int { Stopped = 0, Paused = 1, Playing = 2, Closed = 6 };
    enum MediaInfo : int { InfoTitle = 8, InfoAuthor = 9, InfoCopyright = 10, InfoDescription = 12 };
    enum DisplaySizeValue : int { DisplayDefault = 0, DisplayFullScreen = 3 };
    static constexpr int BalanceMin = -5000;
    static constexpr int BalanceMax = 5000;

    using QObject::QObject;
    ~MediaControl() override = default;

    // The host widget; owned by the control's creator through Qt parenting
    // (the control hands it out, the window reparents it).
    virtual MediaView* widget() const = 0;

    // Gets the player ready without holding up the window thread, so that a
    // media set soon opens at once; a failure raises Unavailable. Calls made
    // before it is ready wait for it. Default: always ready.
    virtual void prepare() {}

    // Opens the media paused at 0 (PlayState 0) and raises OpenStateChange.
    // Throws MediaError (state Closed, fileName() empty) when it cannot be
    // opened within the open timeout, MediaUnavailable when there is no
    // player. An empty name closes the media.
    // Pending window messages may run while it waits for the media to open.
    virtual void setFileName(const QString& name) = 0;
    // Exactly the text last set successfully; empty while nothing is open.
    virtual QString fileName() const = 0;

    virtual int playState() const = 0;
    // Seconds; 0 when unknown (streams) or nothing is open.
    virtual double duration() const = 0;
    virtual double currentPosition() const = 0;
    virtual void setCurrentPosition(double seconds) = 0;
    // Pixels of the picture; both 0 for audio (cover art does not count).
    virtual int imageSourceWidth() const = 0;
    virtual int imageSourceHeight() const = 0;
    // 3 full screen; written only while a picture is shown, otherwise ignored.
    virtual int displaySize() const = 0;
    virtual void setDisplaySize(int size) = 0;

    // Starts or resumes at the current position (from 0 after the end).
    virtual void play() = 0;
    // Keeps the position.
    virtual void pause() = 0;
    // Pauses and rewinds to 0; the media stays open.
    virtual void stop() = 0;

    // 8 title, 9 author, 10 copyright, 12 description; empty when absent.
    virtual QString getMediaInfoString(int index) const = 0;

    // -5000 (left only) .. 5000 (right only), hundredths of a decibel taken
    // off the other channel; reads back as written (clamped to the range).
    virtual int balance() const = 0;
    virtual void setBalance(int value) = 0;

    // The control's own transport bar. It is off at start-up and toggled from
    // the about box; the control keeps the value (no bar is drawn: playback is
    // driven by the main window's own buttons).
    virtual bool showControls() const = 0;
    virtual void setShowControls(bool on) = 0;

signals:
    // The end of the media was reached while playing; raised once, before
    // the control goes to Stopped (only if the handler did not load another
    // media or change the state itself).
    void EndOfStream();
    // A media set through setFileName has opened.
    void OpenStateChange();
    // PlayState changed; read playState().
    void PlayStateChange();
    // The host widget received the keyboard focus.
    void GotFocus();
    // The sound output failed (the sound server went away): no end of the
    // stream. The media stays open, paused at its place (after the
    // PlayStateChange), and play() goes on from there once sound works again.
    void OutputLost();
    // The player cannot be started (its library is missing or broken):
    // nothing will open. Raised once, from the event loop.
    void Unavailable(const QString& reason);

protected:
    // Queue the events so they reach handlers from the event loop.
    void postOpenStateChange();
    void postPlayStateChange();
    void postOutputLost();
};

} // namespace rt
