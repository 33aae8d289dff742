#pragma once
// A media control that plays nothing, for window tests: what each name opens
// to is scripted, time moves only through advance(), and the events come
// through the event loop in the same order as from the real control.
#include "platform/mediacontrol.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QStringList>

namespace rt {

struct FakeMedia {
    double duration = 180.0; // 0: a stream
    int width = 0;           // both 0: audio
    int height = 0;
    QString title{};
    QString author{};
    QString copyright{};
    QString description{};
};

class FakeMediaControl : public MediaControl {
    Q_OBJECT
public:
    explicit FakeMediaControl(QWidget* viewParent = nullptr, QObject* parent = nullptr);
    ~FakeMediaControl() override;

    // --- scripting ---
    // What opening `name` gives; names not set open as defaultMedia, or fail
    // when openUnknown is false (like a missing file).
    void setMedia(const QString& name, const FakeMedia& media) { media_.insert(name, media); }
    FakeMedia defaultMedia;
    bool openUnknown = true;
    void failOpen(const QString& name) { failing_.insert(name); }
    void failNextOpen() { failNext_ = true; }
    // Moves the position while playing; reaching the duration ends the media
    // like the real control does (EndOfStream queued, then Stopped).
    void advance(double seconds);
    // As if the end were reached now (queued, like the real one).
    void raiseEndOfStream();
    // As if the sound output went away now: paused where it is, OutputLost.
    void loseOutput();
    // Every call made by the program, in order: "FileName=<name>", "Play",
    // "Pause", "Stop", "CurrentPosition=<s>", "Balance=<v>", "DisplaySize=<v>",
    // "ShowControls=<0|1>".
    QStringList calls;

    // --- MediaControl ---
    MediaView* widget() const override { return view_; }
    void setFileName(const QString& name) override;
    QString fileName() const override { return fileName_; }
    int playState() const override { return state_; }
    double duration() const override { return isOpen() ? current_.duration : 0.0; }
    double currentPosition() const override { return isOpen() ? position_ : 0.0; }
    void setCurrentPosition(double seconds) override;
    int imageSourceWidth() const override { return isOpen() ? current_.width : 0; }
    int imageSourceHeight() const override { return isOpen() ? current_.height : 0; }
    int displaySize() const override;
    void setDisplaySize(int size) override;
    void play() override;
    void pause() override;
    void stop() override;
    QString getMediaInfoString(int index) const override;
    int balance() const override { return balance_; }
    void setBalance(int value) override;
    bool showControls() const override { return showControls_; }
    void setShowControls(bool on) override;

private:
    bool isOpen() const { return state_ != Closed; }
    void setState(int s);
    void reachEnd();

    QPointer<MediaView> view_;
    QHash<QString, FakeMedia> media_;
    QSet<QString> failing_;
    bool failNext_ = false;
    FakeMedia current_;
    QString fileName_;
    int state_ = Closed;
    double position_ = 0.0;
    int balance_ = 0;
    int displaySize_ = DisplayDefault;
    bool showControls_ = true;
    bool endPending_ = false;
    quint64 serial_ = 0; // bumped by every transport change
};

} // namespace rt
