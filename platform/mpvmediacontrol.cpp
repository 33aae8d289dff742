#include "platform/mpvmediacontrol.h"

#include "platform/log.h"
#include "platform/mpvlibrary.h"
#include "platform/mpvvideosurface.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUrl>
#include <QtGlobal>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>

namespace rt {
namespace {

QByteArray number(double v)
{
    return QByteArray::number(v, 'f', 6);
}

double getDouble(mpv_handle* mpv, const char* name, double fallback = 0.0)
{
    double v = 0.0;
    return mpv_get_property(mpv, name, MPV_FORMAT_DOUBLE, &v) >= 0 && std::isfinite(v) ? v : fallback;
}

qint64 getInt(mpv_handle* mpv, const char* name)
{
    int64_t v = 0;
    return mpv_get_property(mpv, name, MPV_FORMAT_INT64, &v) >= 0 ? v : 0;
}

QString getString(mpv_handle* mpv, const char* name)
{
    char* s = mpv_get_property_string(mpv, name);
    if (!s)
        return {};
    QString out = QString::fromUtf8(s);
    mpv_free(s);
    return out;
}

const mpv_node* nodeValue(const mpv_node& map, const char* key)
{
    if (map.format != MPV_FORMAT_NODE_MAP)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i)
        if (std::strcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    return nullptr;
}

void setOption(mpv_handle* mpv, const QString& name, const QString& value)
{
    if (mpv_set_option_string(mpv, name.toUtf8().constData(), value.toUtf8().constData()) < 0)
        throw MediaError(("invalid mpv option " + name + "=" + value).toStdString());
}

} // namespace

MpvOptions MpvOptions::parse(const QString& text)
{
    MpvOptions o;
    for (const QString& item : text.split(u',', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(u'=');
        const QString name = (eq < 0 ? item : item.left(eq)).trimmed();
        const QString value = eq < 0 ? QStringLiteral("yes") : item.mid(eq + 1).trimmed();
        if (name == u"open-timeout-ms")
            o.openTimeoutMs = std::max(1, value.toInt());
        else if (!name.isEmpty())
            o.options.append({name, value});
    }
    return o;
}

MpvOptions MpvOptions::fromEnvironment()
{
    return parse(qEnvironmentVariable("MELODUNE_MPV_OPTIONS"));
}

QString MpvOptions::value(const QString& name) const
{
    QString v;
    for (const auto& [n, val] : options)
        if (n == name)
            v = val; // the last one wins, as in mpv
    return v;
}

std::optional<QByteArray> mpvOpenTarget(const QString& name)
{
    // The player takes a name for an address exactly when it starts with a
    // scheme (a letter, then letters, digits, "+", "-", ".") and "://".
    qsizetype schemeEnd = -1;
    if (!name.isEmpty() && name[0].isLetter() && name[0].unicode() < 0x80) {
        qsizetype i = 1;
        while (i < name.size() && name[i].unicode() < 0x80
               && (name[i].isLetterOrNumber() || name[i] == u'+' || name[i] == u'-' || name[i] == u'.'))
            ++i;
        if (QStringView(name).mid(i).startsWith(QLatin1String("://")))
            schemeEnd = i;
    }
    QString path = name;
    if (schemeEnd > 0) {
        static constexpr const char* streamSchemes[] = {
            "http",  "https", "ftp",   "mms",    "mmsh",   "mmst", "rtsp", "rtsps", "rtmp",
            "rtmps", "rtmpe", "rtmpt", "rtmpte", "rtmpts", "rtp",  "udp",  "srt",
        };
        const QString scheme = name.left(schemeEnd).toLower();
        if (std::any_of(std::begin(streamSchemes), std::end(streamSchemes),
                        [&](const char* s) { return scheme == QLatin1String(s); }))
            return name.toUtf8();
        if (scheme != u"file")
            return std::nullopt;
        const QUrl url(name);
        path = url.isValid() && url.isLocalFile() ? url.toLocalFile() : QString();
    }
    if (path.isEmpty())
        return std::nullopt;
    // Absolute, the name starts with "/": never an address, never "-".
    return QFile::encodeName(QFileInfo(path).absoluteFilePath());
}

QString mpvBalanceFilter(int balance)
{
    balance = std::clamp(balance, int(MediaControl::BalanceMin), int(MediaControl::BalanceMax));
    if (balance == 0)
        return {};
    const double cut = std::pow(10.0, -std::abs(balance) / 2000.0);
    const double left = balance > 0 ? cut : 1.0;
    const double right = balance < 0 ? cut : 1.0;
    // Mono and multichannel sources are mixed to stereo first, so c0/c1 exist.
    return QStringLiteral("@balance:lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=%1*c0|c1=%2*c1]")
        .arg(left, 0, 'f', 6)
        .arg(right, 0, 'f', 6);
}

MpvMediaControl::MpvMediaControl(const MpvOptions& options, QWidget* viewParent, QObject* parent)
    : MediaControl(parent), options_(options), view_(new MediaView(viewParent))
{
    connect(view_, &MediaView::focusReceived, this, &MediaControl::GotFocus);
}

void MpvMediaControl::prepare()
{
    if (mpv_ || preparing_ || !unavailable_.isEmpty())
        return;
    preparing_ = true;
    connect(&mpvLibraryNotifier(), &MpvLibraryNotifier::finished, this, [this] {
        preparing_ = false;
        startPlayer();
    }, Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    loadMpvLibraryInBackground();
}

bool MpvMediaControl::startPlayer()
{
    if (mpv_)
        return true;
    if (!unavailable_.isEmpty())
        return false;
    QString why;
    if (loadMpvLibrary(&why)) {
        try {
            createPlayer();
            return true;
        } catch (const MediaError& e) {
            why = QString::fromUtf8(e.what());
        }
    }
    unavailable_ = why.isEmpty() ? QStringLiteral("libmpv could not be started") : why;
    qCWarning(lcPlatform) << "no media player:" << unavailable_;
    QMetaObject::invokeMethod(this, [this] { emit Unavailable(unavailable_); }, Qt::QueuedConnection);
    return false;
}

void MpvMediaControl::createPlayer()
{
    // libmpv refuses to start under a locale with another decimal separator.
    if (std::strcmp(std::setlocale(LC_NUMERIC, nullptr), "C") != 0)
        std::setlocale(LC_NUMERIC, "C");
    mpv_handle* mpv = mpv_create();
    if (!mpv)
        throw MediaError("libmpv could not be started");
    // Undone unless the player comes up: what a step raises (an option mpv
    // refuses, an initialisation that fails) goes on to the caller with
    // nothing half made left behind.
    QWidget* native = nullptr;
    auto undo = qScopeGuard([&] {
        if (native) {
            view_->setSurface(nullptr);
            delete native;
        }
        renderApi_ = false;
        mpv_terminate_destroy(mpv);
    });
    const QList<QPair<QString, QString>> defaults = {
        {"terminal", "no"},       {"config", "no"},        {"load-scripts", "no"},
        {"ytdl", "no"},           {"osc", "no"},           {"osd-level", "0"},
        {"input-default-bindings", "no"}, {"input-vo-keyboard", "no"}, {"input-cursor", "no"},
        {"cursor-autohide", "no"}, {"idle", "yes"},        {"keep-open", "yes"},
        {"pause", "yes"},         {"audio-display", "no"}, {"audio-client-name", "Melodune"},
        // The lyric file beside a song is the program's own to show, never
        // a subtitle track of the video.
        {"sub-auto", "no"},
        // A playlist that a stream or file turns out to be may not lead to
        // the player's internal addresses (fd://, edl://, ...).
        {"load-unsafe-playlists", "no"},
        // mpv's own scripts (statistics page, console, profile switching)
        // would each start a script thread at start-up; none is used.
        {"load-stats-overlay", "no"}, {"load-osd-console", "no"}, {"load-auto-profiles", "no"},
        {"network-timeout", QString::number(std::max(1, options_.openTimeoutMs / 1000))},
    };
    for (const auto& [n, v] : defaults)
        setOption(mpv, n, v);
    for (const auto& [n, v] : options_.options)
        if (n != u"vo")
            setOption(mpv, n, v);
    // The balance set before the player existed.
    if (balance_ != 0)
        setOption(mpv, "af", mpvBalanceFilter(balance_));

    const QString vo = options_.value(QStringLiteral("vo"));
    if (vo.isEmpty() || vo == u"libmpv") {
        // The picture window and its GL context are made when a media
        // with a video track opens (see prepareSurface).
        setOption(mpv, "vo", "libmpv");
        renderApi_ = true;
    } else {
        setOption(mpv, "vo", vo);
        if (vo != u"null" && view_) {
            native = new QWidget;
            native->setAttribute(Qt::WA_NativeWindow);
            view_->setSurface(native);
            setOption(mpv, "wid", QString::number(native->winId()));
        }
    }
    if (mpv_initialize(mpv) < 0)
        throw MediaError("libmpv could not be initialised");
    undo.dismiss();
    mpv_ = mpv;
    mpv_observe_property(mpv_, 0, "eof-reached", MPV_FORMAT_FLAG);
    // Tracks are known, none is picked yet: the moment to make or drop the
    // picture window.
    if (renderApi_)
        mpv_hook_add(mpv_, 0, "on_preloaded", 0);
    // Called on mpv's threads: post one drain to the window thread at a time.
    mpv_set_wakeup_callback(
        mpv_,
        [](void* ctx) {
            auto* self = static_cast<MpvMediaControl*>(ctx);
            if (!self->drainQueued_.exchange(true))
                QMetaObject::invokeMethod(self, [self] { self->drainEvents(); }, Qt::QueuedConnection);
        },
        this);
}

QString MpvMediaControl::propertyText(const char* name) const
{
    return mpv_ ? getString(mpv_, name) : QString();
}

MpvMediaControl::~MpvMediaControl()
{
    if (mpv_)
        mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
    dropSurface();
    delete view_.data();
    if (mpv_)
        mpv_terminate_destroy(mpv_);
}

void MpvMediaControl::prepareSurface(std::uint64_t hookId)
{
    // mpv waits in the hook until it is let go; an older one it has left.
    continuePendingHook();
    pendingHook_ = hookId;
    if (videoTrackSize(mpv_) == qMakePair(0, 0)) {
        dropSurface();
        return;
    }
    if (surface_) {
        // Drawing already, or still being made (it lets the hook go then).
        if (surface_->hasRenderContext())
            continuePendingHook();
        return;
    }
    surface_ = new MpvVideoSurface(mpv_);
    const QPointer<MpvVideoSurface> surface = surface_;
    // Made away from this thread; mpv picks the tracks once it is done, and
    // without it finds no output and plays the sound alone.
    surface_->initRender(
        [this, surface] {
            if (view_ && surface)
                view_->setSurface(QWidget::createWindowContainer(surface, view_));
        },
        [this](bool ok) {
            if (!ok)
                dropSurface();
            continuePendingHook();
        });
}

void MpvMediaControl::continuePendingHook()
{
    if (pendingHook_ && mpv_)
        mpv_hook_continue(mpv_, *pendingHook_);
    pendingHook_.reset();
}

void MpvMediaControl::dropSurface()
{
    if (surface_) {
        // Before the window goes: mpv stops feeding the render context.
        surface_->release();
        QWidget* container = view_ ? view_->surface() : nullptr;
        if (view_)
            view_->setSurface(nullptr);
        delete container; // and the window it holds
        delete surface_.data();
    }
    // A surface still being made for a waiting hook will not be: on without it.
    continuePendingHook();
}

void MpvMediaControl::setState(int s)
{
    if (s == state_)
        return;
    state_ = s;
    postPlayStateChange();
}

void MpvMediaControl::setPaused(bool paused)
{
    int flag = paused ? 1 : 0;
    mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &flag);
}

void MpvMediaControl::seekTo(double seconds)
{
    const QByteArray pos = number(seconds);
    const char* cmd[] = {"seek", pos.constData(), "absolute+exact", nullptr};
    if (mpv_command(mpv_, cmd) >= 0)
        pendingSeek_ = seconds;
    notePosition(seconds);
}

void MpvMediaControl::notePosition(double seconds) const
{
    lastPosition_ = seconds;
    lastPositionClock_.start();
}

double MpvMediaControl::estimatedPosition() const
{
    double at = lastPosition_;
    if (state_ == Playing && !resuming_ && lastPositionClock_.isValid())
        at += lastPositionClock_.elapsed() / 1000.0;
    return knownDuration_ > 0 ? std::min(at, knownDuration_) : at;
}

void MpvMediaControl::closeMedia()
{
    const char* cmd[] = {"stop", nullptr};
    if (mpv_)
        mpv_command(mpv_, cmd);
    fileName_.clear();
    openTarget_.clear();
    entryId_ = 0;
    pendingSeek_.reset();
    endReported_ = false;
    outputLost_ = resuming_ = false;
    if (view_)
        view_->leaveFullScreen();
    dropSurface();
    setState(Closed);
}

void MpvMediaControl::setFileName(const QString& name)
{
    ++serial_;
    if (name.isEmpty()) {
        closeMedia();
        return;
    }
    const std::optional<QByteArray> target = mpvOpenTarget(name);
    if (!target) {
        qCWarning(lcPlatform) << "not opened, neither a file nor a stream address:" << name;
        closeMedia();
        throw MediaError(("cannot open " + name + ": neither a file nor a stream address").toStdString());
    }
    if (!startPlayer())
        throw MediaUnavailable(("cannot open " + name + ": " + unavailable_).toStdString());
    setPaused(true);
    const char* cmd[] = {"loadfile", target->constData(), "replace", nullptr};
    mpv_node result{};
    qint64 id = -1;
    if (mpv_command_ret(mpv_, cmd, &result) >= 0) {
        if (const mpv_node* v = nodeValue(result, "playlist_entry_id"); v && v->format == MPV_FORMAT_INT64)
            id = v->u.int64;
        mpv_free_node_contents(&result);
    }
    if (id < 0) {
        qCWarning(lcPlatform) << "not opened, the player refused it:" << name;
        closeMedia();
        throw MediaError(("cannot open " + name).toStdString());
    }

    // Wait for this entry to load or fail. A dead stream takes the whole
    // bound, so the window's messages run between short waits (timers tick,
    // the window repaints); the callers' own guards keep their commands from
    // re-entering. Only this loop reads mpv's queue meanwhile.
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer messages;
    messages.start();
    constexpr int MessageSliceMs = 20;
    const QPointer<MpvMediaControl> self(this);
    const quint64 open = ++openSerial_;
    loading_ = true;
    bool started = false;
    bool loaded = false;
    QString failure;
    while (!loaded && failure.isEmpty()) {
        const qint64 left = options_.openTimeoutMs - clock.elapsed();
        if (left <= 0) {
            failure = QStringLiteral("timed out");
            break;
        }
        if (messages.hasExpired(MessageSliceMs)) {
            QCoreApplication::processEvents();
            // Gone with its window, or a later open took over: that one's
            // outcome stands.
            if (!self || openSerial_ != open)
                return;
            messages.restart();
        }
        const mpv_event* ev = mpv_wait_event(mpv_, double(std::min<qint64>(left, MessageSliceMs)) / 1000.0);
        switch (ev->event_id) {
        case MPV_EVENT_START_FILE:
            started = started || static_cast<mpv_event_start_file*>(ev->data)->playlist_entry_id == id;
            break;
        case MPV_EVENT_FILE_LOADED:
            loaded = started;
            break;
        case MPV_EVENT_END_FILE: {
            const auto* end = static_cast<mpv_event_end_file*>(ev->data);
            if (end->playlist_entry_id == id)
                failure = QString::fromUtf8(mpv_error_string(end->reason == MPV_END_FILE_REASON_ERROR
                                                                 ? end->error : MPV_ERROR_LOADING_FAILED));
            break;
        }
        case MPV_EVENT_SHUTDOWN:
            failure = QStringLiteral("player shut down");
            break;
        default:
            handleEvent(*ev);
        }
    }
    loading_ = false;
    if (!drainQueued_.exchange(true))
        QMetaObject::invokeMethod(this, [this] { drainEvents(); }, Qt::QueuedConnection);
    // A transport call made while it loaded may have let it run: it opens
    // paused all the same.
    setPaused(true);

    if (!loaded) {
        qCWarning(lcPlatform) << "not opened:" << name << failure;
        closeMedia();
        throw MediaError(("cannot open " + name + ": " + failure).toStdString());
    }
    fileName_ = name;
    openTarget_ = *target;
    entryId_ = id;
    trackPicture_ = videoTrackSize(mpv_);
    endReported_ = false;
    pendingSeek_.reset();
    outputLost_ = resuming_ = false;
    knownDuration_ = std::max(0.0, getDouble(mpv_, "duration"));
    notePosition(0.0);
    if (view_ && view_->isFullScreenMode() && pictureSize() == qMakePair(0, 0))
        view_->leaveFullScreen();
    postOpenStateChange();
    // A new media is a change of state even from Stopped to Stopped.
    state_ = Stopped;
    postPlayStateChange();
}

void MpvMediaControl::drainEvents()
{
    drainQueued_ = false;
    if (loading_)
        return; // the open wait reads the queue; it drains once it is done
    while (mpv_) {
        const mpv_event* ev = mpv_wait_event(mpv_, 0);
        if (ev->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*ev);
    }
}

void MpvMediaControl::handleEvent(const mpv_event& ev)
{
    switch (ev.event_id) {
    case MPV_EVENT_HOOK:
        prepareSurface(static_cast<mpv_event_hook*>(ev.data)->id);
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        pendingSeek_.reset();
        break;
    case MPV_EVENT_FILE_LOADED:
        // Opened again after the sound output failed: on from its place.
        if (resuming_) {
            resuming_ = false;
            seekTo(resumeAt_);
            if (state_ == Playing)
                setPaused(false);
            // Its tags are known again (the handlers show the title).
            postPlayStateChange();
        }
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* p = static_cast<mpv_event_property*>(ev.data);
        if (std::strcmp(p->name, "eof-reached") == 0 && p->format == MPV_FORMAT_FLAG
            && *static_cast<int*>(p->data) && !loading_ && state_ == Playing && !endReported_)
            reachEnd(false);
        break;
    }
    case MPV_EVENT_END_FILE: {
        // The open media went away by itself (e.g. a stream broke off).
        const auto* end = static_cast<mpv_event_end_file*>(ev.data);
        if (loading_ || entryId_ == 0 || end->playlist_entry_id != entryId_)
            break;
        if (end->reason != MPV_END_FILE_REASON_EOF && end->reason != MPV_END_FILE_REASON_ERROR)
            break;
        // No sound output (the sound server went away): not the end of it.
        if (end->reason == MPV_END_FILE_REASON_ERROR && end->error == MPV_ERROR_AO_INIT_FAILED) {
            loseOutput();
            break;
        }
        if (state_ == Playing && !endReported_) {
            reachEnd(true);
        } else {
            fileName_.clear();
            entryId_ = 0;
            dropSurface();
            setState(Closed);
        }
        break;
    }
    default:
        break;
    }
}

void MpvMediaControl::loseOutput()
{
    resumeAt_ = resuming_ ? resumeAt_ : estimatedPosition();
    outputLost_ = true;
    resuming_ = false;
    entryId_ = 0;
    pendingSeek_.reset();
    endReported_ = false;
    dropSurface();
    notePosition(resumeAt_);
    if (state_ == Playing)
        setState(Paused);
    postOutputLost();
}

void MpvMediaControl::reachEnd(bool unloaded)
{
    endReported_ = true;
    const quint64 before = serial_;
    QPointer<MpvMediaControl> self(this);
    emit EndOfStream();
    // The handler may have opened the next media or driven the transport.
    if (!self || serial_ != before)
        return;
    if (unloaded) {
        fileName_.clear();
        entryId_ = 0;
        pendingSeek_.reset();
        if (view_)
            view_->leaveFullScreen();
        dropSurface();
        setState(Closed);
    } else if (state_ == Playing) {
        setPaused(true);
        seekTo(0.0);
        setState(Stopped);
    }
}

double MpvMediaControl::duration() const
{
    if (outputLost_ || resuming_)
        return knownDuration_;
    return isOpen() ? std::max(0.0, getDouble(mpv_, "duration")) : 0.0;
}

double MpvMediaControl::currentPosition() const
{
    if (!isOpen())
        return 0.0;
    if (outputLost_ || resuming_)
        return resumeAt_;
    if (pendingSeek_)
        return *pendingSeek_;
    double v = 0.0;
    if (mpv_get_property(mpv_, "time-pos", MPV_FORMAT_DOUBLE, &v) < 0 || !std::isfinite(v))
        return 0.0;
    // Kept: when the sound output fails mpv drops the media, place and all.
    notePosition(std::max(0.0, v));
    return lastPosition_;
}

void MpvMediaControl::setCurrentPosition(double seconds)
{
    if (!isOpen() || !std::isfinite(seconds))
        return;
    endReported_ = false;
    if (outputLost_ || resuming_) {
        resumeAt_ = std::max(0.0, seconds);
        return;
    }
    seekTo(std::max(0.0, seconds));
}

QPair<int, int> MpvMediaControl::pictureSize() const
{
    // Sound alone asks the player nothing: the lyric tick reads this every 50 ms.
    if (!isOpen() || trackPicture_ == qMakePair(0, 0))
        return {0, 0};
    const qint64 w = getInt(mpv_, "width");
    const qint64 h = getInt(mpv_, "height");
    if (w > 0 && h > 0)
        return {int(w), int(h)};
    // Not decoded yet (or no output).
    return trackPicture_;
}

QPair<int, int> MpvMediaControl::videoTrackSize(mpv_handle* mpv)
{
    // The demuxer's size of the first video track that is not cover art.
    QPair<int, int> size{0, 0};
    mpv_node tracks{};
    if (mpv_get_property(mpv, "track-list", MPV_FORMAT_NODE, &tracks) < 0)
        return size;
    if (tracks.format == MPV_FORMAT_NODE_ARRAY) {
        for (int i = 0; i < tracks.u.list->num; ++i) {
            const mpv_node& t = tracks.u.list->values[i];
            const mpv_node* type = nodeValue(t, "type");
            const mpv_node* art = nodeValue(t, "albumart");
            const mpv_node* dw = nodeValue(t, "demux-w");
            const mpv_node* dh = nodeValue(t, "demux-h");
            if (!type || type->format != MPV_FORMAT_STRING || std::strcmp(type->u.string, "video") != 0)
                continue;
            if (art && art->format == MPV_FORMAT_FLAG && art->u.flag)
                continue;
            if (dw && dh && dw->format == MPV_FORMAT_INT64 && dh->format == MPV_FORMAT_INT64) {
                size = {int(dw->u.int64), int(dh->u.int64)};
                break;
            }
        }
    }
    mpv_free_node_contents(&tracks);
    return size;
}

int MpvMediaControl::displaySize() const
{
    return view_ && view_->isFullScreenMode() ? int(DisplayFullScreen) : displaySize_;
}

void MpvMediaControl::setDisplaySize(int size)
{
    if (!view_)
        return;
    if (size == DisplayFullScreen) {
        if (pictureSize() != qMakePair(0, 0))
            view_->enterFullScreen();
        return;
    }
    displaySize_ = size;
    view_->leaveFullScreen();
}

void MpvMediaControl::play()
{
    if (!isOpen())
        return;
    ++serial_;
    if (outputLost_) {
        // Opened again, paused, then on from its place once it has loaded
        // (a sound output that still fails says so again).
        setPaused(true);
        const char* cmd[] = {"loadfile", openTarget_.constData(), "replace", nullptr};
        mpv_node result{};
        if (mpv_command_ret(mpv_, cmd, &result) >= 0) {
            if (const mpv_node* v = nodeValue(result, "playlist_entry_id"); v && v->format == MPV_FORMAT_INT64) {
                entryId_ = v->u.int64;
                outputLost_ = false;
                resuming_ = true;
            }
            mpv_free_node_contents(&result);
        }
        if (outputLost_) {
            postOutputLost();
            return;
        }
        setState(Playing);
        return;
    }
    if (!resuming_)
        notePosition(currentPosition());
    int atEnd = 0;
    if (mpv_get_property(mpv_, "eof-reached", MPV_FORMAT_FLAG, &atEnd) >= 0 && atEnd)
        seekTo(0.0);
    endReported_ = false;
    setPaused(false);
    setState(Playing);
}

void MpvMediaControl::pause()
{
    if (state_ != Playing)
        return;
    ++serial_;
    if (!resuming_)
        notePosition(estimatedPosition());
    setPaused(true);
    setState(Paused);
}

void MpvMediaControl::stop()
{
    if (!isOpen())
        return;
    ++serial_;
    if (outputLost_ || resuming_) {
        resumeAt_ = 0.0;
        setPaused(true);
        endReported_ = false;
        setState(Stopped);
        return;
    }
    setPaused(true);
    seekTo(0.0);
    endReported_ = false;
    setState(Stopped);
}

QString MpvMediaControl::getMediaInfoString(int index) const
{
    if (!isOpen())
        return {};
    QList<const char*> keys;
    switch (index) {
    case InfoTitle: keys = {"title"}; break;
    case InfoAuthor: keys = {"artist", "author"}; break;
    case InfoCopyright: keys = {"copyright"}; break;
    case InfoDescription: keys = {"comment", "description"}; break;
    default: return {};
    }
    for (const char* key : keys) {
        const QString v = getString(mpv_, (QByteArray("metadata/by-key/") + key).constData());
        if (!v.isEmpty())
            return v;
    }
    return {};
}

void MpvMediaControl::setBalance(int value)
{
    balance_ = std::clamp(value, int(BalanceMin), int(BalanceMax));
    if (mpv_)
        mpv_set_property_string(mpv_, "af", mpvBalanceFilter(balance_).toUtf8().constData());
}

} // namespace rt
