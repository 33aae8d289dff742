#include "platform/mediacontrolfake.h"

#include <algorithm>

namespace rt {

FakeMediaControl::FakeMediaControl(QWidget* viewParent, QObject* parent)
    : MediaControl(parent), view_(new MediaView(viewParent))
{
    connect(view_, &MediaView::focusReceived, this, &MediaControl::GotFocus);
}

FakeMediaControl::~FakeMediaControl()
{
    delete view_.data();
}

void FakeMediaControl::setState(int s)
{
    if (s == state_)
        return;
    state_ = s;
    postPlayStateChange();
}

void FakeMediaControl::setFileName(const QString& name)
{
    calls << QStringLiteral("FileName=") + name;
    ++serial_;
    endPending_ = false;
    position_ = 0.0;
    const bool known = media_.contains(name);
    const bool fails = name.isEmpty() ? false
                     : (failNext_ || failing_.contains(name) || (!known && !openUnknown));
    failNext_ = false;
    if (name.isEmpty() || fails) {
        fileName_.clear();
        current_ = {};
        if (view_)
            view_->leaveFullScreen();
        setState(Closed);
        if (fails)
            throw MediaError("cannot open media: " + name.toStdString());
        return;
    }
    current_ = known ? media_.value(name) : defaultMedia;
    fileName_ = name;
    if (view_ && current_.width == 0 && current_.height == 0)
        view_->leaveFullScreen();
    postOpenStateChange();
    // A new media is a change of state even from Stopped to Stopped.
    state_ = Stopped;
    postPlayStateChange();
}

void FakeMediaControl::setCurrentPosition(double seconds)
{
    calls << QStringLiteral("CurrentPosition=%1").arg(seconds);
    if (!isOpen())
        return;
    endPending_ = false;
    position_ = std::max(0.0, current_.duration > 0 ? std::min(seconds, current_.duration) : seconds);
}

int FakeMediaControl::displaySize() const
{
    return view_ && view_->isFullScreenMode() ? int(DisplayFullScreen) : displaySize_;
}

void FakeMediaControl::setDisplaySize(int size)
{
    calls << QStringLiteral("DisplaySize=%1").arg(size);
    if (!view_)
        return;
    if (size == DisplayFullScreen) {
        if (current_.width > 0 || current_.height > 0)
            view_->enterFullScreen();
        return;
    }
    displaySize_ = size;
    view_->leaveFullScreen();
}

void FakeMediaControl::play()
{
    calls << QStringLiteral("Play");
    if (!isOpen())
        return;
    ++serial_;
    endPending_ = false;
    if (current_.duration > 0 && position_ >= current_.duration)
        position_ = 0.0;
    setState(Playing);
}

void FakeMediaControl::pause()
{
    calls << QStringLiteral("Pause");
    if (state_ != Playing)
        return;
    ++serial_;
    endPending_ = false;
    setState(Paused);
}

void FakeMediaControl::stop()
{
    calls << QStringLiteral("Stop");
    if (!isOpen())
        return;
    ++serial_;
    endPending_ = false;
    position_ = 0.0;
    setState(Stopped);
}

QString FakeMediaControl::getMediaInfoString(int index) const
{
    if (!isOpen())
        return {};
    switch (index) {
    case InfoTitle: return current_.title;
    case InfoAuthor: return current_.author;
    case InfoCopyright: return current_.copyright;
    case InfoDescription: return current_.description;
    default: return {};
    }
}

void FakeMediaControl::setBalance(int value)
{
    calls << QStringLiteral("Balance=%1").arg(value);
    balance_ = std::clamp(value, int(BalanceMin), int(BalanceMax));
}

void FakeMediaControl::setShowControls(bool on)
{
    calls << QStringLiteral("ShowControls=%1").arg(on ? 1 : 0);
    showControls_ = on;
}

void FakeMediaControl::advance(double seconds)
{
    if (state_ != Playing)
        return;
    position_ += seconds;
    if (current_.duration > 0 && position_ >= current_.duration) {
        position_ = current_.duration;
        raiseEndOfStream();
    }
}

void FakeMediaControl::raiseEndOfStream()
{
    if (!isOpen() || endPending_)
        return;
    endPending_ = true;
    QMetaObject::invokeMethod(this, [this] { reachEnd(); }, Qt::QueuedConnection);
}

void FakeMediaControl::loseOutput()
{
    if (!isOpen())
        return;
    ++serial_;
    endPending_ = false;
    if (state_ == Playing)
        setState(Paused);
    postOutputLost();
}

void FakeMediaControl::reachEnd()
{
    if (!endPending_)
        return; // a new media or a transport call came first
    endPending_ = false;
    const quint64 before = serial_;
    emit EndOfStream();
    if (serial_ == before && isOpen()) {
        position_ = 0.0;
        setState(Stopped);
    }
}

} // namespace rt
